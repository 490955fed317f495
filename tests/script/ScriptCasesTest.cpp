// Runs every script of cases/ the way the program runs scripts (its lines
// joined with CR LF, on the worker thread, with the built-in routines and the
// console host functions) and compares the outcome with what the script's
// leading comment lines expect:
//
//   // what the case shows (first line, free text)
//   // error N at ^      the run ends with error N at the token right after
//   //                   the marker comment {^} in the script
//   // error N at P      ... at position P (-1 for none)
//   // error N at end    ... at the end of the text
//   // error N at any    ... wherever
//   // NAME=VALUE        global NAME holds VALUE after the run (as qxscript
//   //                   prints it); only the listed globals are checked
//   // output: TEXT      ShowMessage printed TEXT (in order, every line listed)
//   // run: NAME         run the procedure NAME instead of the main block
//
// Without an error line the run must end without error.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "script/ScriptConsole.h"
#include "script/ThreadedScript.h"

namespace {

struct Expectation {
    bool error = false;
    int code = 0;
    bool atMarker = false;
    bool atEnd = false;
    bool anyPos = false;
    int32_t pos = -1;
    std::vector<std::pair<std::string, std::string>> globals;
    std::vector<std::string> output;
    std::string proc;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Expectation ParseExpectation(const std::vector<std::string>& lines) {
    Expectation e;
    for (size_t i = 1; i < lines.size() && lines[i].rfind("//", 0) == 0; ++i) {
        std::string l = lines[i].substr(2);
        if (!l.empty() && l[0] == ' ') l.erase(0, 1);
        if (l.rfind("error ", 0) == 0) {
            e.error = true;
            std::istringstream in(l.substr(6));
            std::string at, where;
            in >> e.code >> at >> where;
            if (where == "^") e.atMarker = true;
            else if (where == "end") e.atEnd = true;
            else if (where == "any") e.anyPos = true;
            else e.pos = std::stoi(where);
        } else if (l.rfind("output: ", 0) == 0) {
            e.output.push_back(l.substr(8));
        } else if (l.rfind("run: ", 0) == 0) {
            e.proc = l.substr(5);
        } else if (auto eq = l.find('='); eq != std::string::npos && eq > 0) {
            e.globals.emplace_back(l.substr(0, eq), l.substr(eq + 1));
        }
    }
    return e;
}

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(QX_SCRIPT_CASES_DIR))
        if (entry.path().extension() == ".qx") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ScriptCase : public ::testing::TestWithParam<std::string> {};

TEST_P(ScriptCase, RunsAsItsHeaderSays) {
    const std::string bytes = ReadBytes(std::string(QX_SCRIPT_CASES_DIR) + "/" + GetParam() + ".qx");
    const std::vector<std::string> lines = qx::SplitScriptLines(bytes);
    ASSERT_FALSE(lines.empty());
    const Expectation expect = ParseExpectation(lines);
    int32_t expectedPos = expect.pos;
    if (expect.atEnd) expectedPos = static_cast<int32_t>(qx::JoinScriptLines(lines).size());
    if (expect.atMarker) {
        const std::string text = qx::JoinScriptLines(lines);
        const size_t marker = text.find("{^}");
        ASSERT_NE(marker, std::string::npos) << "the case has no {^} marker";
        expectedPos = static_cast<int32_t>(marker + 3);
    }

    qx::TScriptCallQueue queue;
    qx::TThreadedScript runner(queue);
    std::ostringstream out;
    const qx::TScriptHostFunctions host = qx::ConsoleHostFunctions(out);
    host.Attach(runner);
    runner.Lines = lines;
    int error = 0;
    std::map<std::string, std::string> globals;
    auto collect = [&](qx::TThreadedScript& r) {
        qx::TVariableManager& g = r.RunInterpreter()->GlobalVariables();
        for (int i = 0; i < g.Count(); ++i) globals[g.Name(i)] = qx::FormatScriptValue(g.Variable(i));
    };
    runner.OnComplete = collect;
    runner.OnError = [&](qx::TThreadedScript& r, int err) {
        error = err;
        collect(r);
    };
    runner.StartScript(expect.proc);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (runner.IsScriptRunning() && std::chrono::steady_clock::now() < deadline)
        queue.WaitAndProcess(std::chrono::milliseconds(20));
    if (runner.IsScriptRunning()) {
        runner.StopScript();
        while (runner.IsScriptRunning()) queue.WaitAndProcess(std::chrono::milliseconds(20));
        FAIL() << "the script did not end within 20 s";
    }

    if (expect.error) {
        EXPECT_EQ(error, expect.code) << qx::ScriptErrorText(static_cast<uint16_t>(error));
        if (!expect.anyPos) {
            EXPECT_EQ(runner.ErrorPosition(), expectedPos) << "error " << error;
        }
    } else {
        EXPECT_EQ(error, 0) << qx::ScriptErrorText(static_cast<uint16_t>(error)) << " at " << runner.ErrorPosition();
    }
    for (const auto& [name, value] : expect.globals) {
        auto it = globals.find(name);
        ASSERT_NE(it, globals.end()) << "no global " << name;
        EXPECT_EQ(it->second, value) << "global " << name;
    }
    std::vector<std::string> printed;
    std::istringstream o(out.str());
    for (std::string l; std::getline(o, l);) printed.push_back(l);
    EXPECT_EQ(printed, expect.output);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptCase, ::testing::ValuesIn(CaseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string n = info.param;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

}  // namespace
