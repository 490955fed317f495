// bench_script_stop [TRIALS]: starts scripts that never end by themselves on
// the threaded runner, stops each after a moment from the main thread and
// prints the longest and the median time from StopScript to OnError (65535).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "script/ScriptConsole.h"
#include "script/ThreadedScript.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Case {
    const char* name;
    const char* text;
};

const Case kCases[] = {
    {"empty-loop", "begin while true do ; end."},
    {"arithmetic", "var i, s: integer; begin while true do for i := 1 to 1000 do s := s + i * i mod 7 end."},
    {"calls", "var x: integer;\nfunction F(n: integer): integer; begin if n < 2 then result := n else result := F(n - 1) + F(n - 2) end;\n"
              "begin while true do x := F(25) end."},
    {"strings", "var s: string; begin while true do begin s := s + 'abc'; if Length(s) > 1000000 then s := '' end end."},
    {"arrays", "var a: array of integer; begin while true do begin SetArrayLength(a, 4000000); SetArrayLength(a, 0) end end."},
};

}  // namespace

int main(int argc, char** argv) {
    const int trials = argc > 1 ? std::atoi(argv[1]) : 10;
    qx::TScriptCallQueue queue;
    std::printf("%-12s %12s %12s\n", "script", "max_ms", "median_ms");
    for (const Case& c : kCases) {
        std::vector<double> ms;
        for (int t = 0; t < trials; ++t) {
            qx::TThreadedScript runner(queue);
            std::ostringstream sink;
            const qx::TScriptHostFunctions host = qx::ConsoleHostFunctions(sink);
            host.Attach(runner);
            Clock::time_point stopped, ended;
            runner.OnError = [&](qx::TThreadedScript&, int) { ended = Clock::now(); };
            runner.Lines = qx::SplitScriptLines(c.text);
            runner.StartScript();
            const auto until = Clock::now() + std::chrono::milliseconds(50 + 7 * t);
            while (Clock::now() < until) queue.WaitAndProcess(std::chrono::milliseconds(5));
            stopped = Clock::now();
            runner.StopScript();
            while (runner.IsScriptRunning()) queue.WaitAndProcess(std::chrono::milliseconds(1));
            ms.push_back(std::chrono::duration<double, std::milli>(ended - stopped).count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-12s %12.1f %12.1f\n", c.name, ms.back(), ms[ms.size() / 2]);
    }
    return 0;
}
