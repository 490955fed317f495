// qxscript: runs a script file as the program does (its lines, each followed
// by CR LF, on a worker thread with the built-in routines) with console
// stand-ins for the simple host functions.
//
//   qxscript [--globals] FILE.qx [PROCEDURE]
//
// On an error prints "FILE:LINE:COLUMN: error N at P: TEXT" (P the position
// in the text as the interpreter reads it, each line ended by CR LF; editors
// and the program's tool output panel jump to LINE and COLUMN) and exits with
// 1; 0 after a run without error; 2 when the file cannot be read or the
// arguments are wrong.
// --globals prints the script's global variables after the run, NAME=VALUE.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "script/ScriptConsole.h"
#include "script/ScriptErrors.h"
#include "script/ThreadedScript.h"

namespace {

int Usage() {
    std::cerr << "usage: qxscript [--globals] FILE.qx [PROCEDURE]\n";
    return 2;
}

// TRUE and FALSE are the language's own; the script's globals follow them.
void PrintGlobals(qx::TQXScriptInterpreter& interp) {
    qx::TVariableManager& g = interp.GlobalVariables();
    for (int i = 0; i < g.Count(); ++i) {
        if (i < 2 && (g.Name(i) == "TRUE" || g.Name(i) == "FALSE")) continue;
        std::cout << g.Name(i) << '=' << qx::FormatScriptValue(g.Variable(i)) << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool globals = false;
    std::string file, proc;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--globals") globals = true;
        else if (a == "-h" || a == "--help") return Usage(), 0;
        else if (positional == 0) file = a, ++positional;
        else if (positional == 1) proc = a, ++positional;
        else return Usage();
    }
    if (file.empty()) return Usage();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "qxscript: cannot read " << file << '\n';
        return 2;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();

    qx::TScriptCallQueue queue;
    qx::TThreadedScript runner(queue);
    qx::TScriptHostFunctions host = qx::ConsoleHostFunctions(std::cout);
    host.Attach(runner);
    runner.Lines = qx::SplitScriptLines(bytes.str());
    int status = 0;
    runner.OnComplete = [&](qx::TThreadedScript& r) {
        if (globals) PrintGlobals(*r.RunInterpreter());
    };
    runner.OnError = [&](qx::TThreadedScript& r, int err) {
        status = 1;
        std::cout << qx::ScriptErrorReport(file, r.Lines, static_cast<uint16_t>(err), r.ErrorPosition()) << '\n';
        if (globals) PrintGlobals(*r.RunInterpreter());
    };
    runner.StartScript(proc);
    while (runner.IsScriptRunning()) queue.WaitAndProcess(std::chrono::milliseconds(50));
    std::cout.flush();
    return status;
}
