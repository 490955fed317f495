// The threaded runner: order of its events, hand-over of host routines to the
// main thread, stopping, and what each run starts from.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "script/ScriptConsole.h"
#include "script/ThreadedScript.h"

namespace {

using namespace qx;
using namespace std::chrono_literals;

// A runner with a call queue served by the test's thread (the main thread).
struct Fixture {
    TScriptCallQueue queue;
    TThreadedScript runner{queue};
    std::vector<std::string> events;
    int error = 0;

    Fixture() {
        runner.OnComplete = [this](TThreadedScript&) { events.push_back("complete"); };
        runner.OnError = [this](TThreadedScript&, int err) {
            error = err;
            events.push_back("error " + std::to_string(err));
        };
        runner.OnExitingThread = [this](TThreadedScript& r) {
            events.push_back(r.IsScriptRunning() ? "exiting(running)" : "exiting(idle)");
        };
        runner.OnThreadFinished = [this](TThreadedScript& r) {
            events.push_back(r.IsScriptRunning() ? "finished(running)" : "finished(idle)");
        };
    }
    void Run(const std::string& text, const std::string& proc = "") {
        runner.Lines = SplitScriptLines(text);
        runner.StartScript(proc);
        Wait();
    }
    void Wait() {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (runner.IsScriptRunning() && std::chrono::steady_clock::now() < deadline) queue.WaitAndProcess(10ms);
        ASSERT_FALSE(runner.IsScriptRunning());
    }
};

TEST(ThreadedScript, EventsFollowTheRunOnTheMainThread) {
    Fixture f;
    const auto mainThread = std::this_thread::get_id();
    f.runner.ExternalProcs = {"0 NOTE TEXT 8", "6 TWICE N 6"};
    f.runner.OnExternalProc = [&](TThreadedScript& sender, const std::string& name, int index, TVariableManager& params,
                                  TQXVariant* res) {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        EXPECT_EQ(&sender, &f.runner);
        f.events.push_back(name + "#" + std::to_string(index));
        if (index == 0) {
            EXPECT_EQ(res, nullptr);
        }
        if (index == 1) StoreInteger(res, 2 * ValueAsInteger(params.Variable(0)));
    };
    f.runner.OnComplete = [&](TThreadedScript& r) {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        ASSERT_NE(r.RunInterpreter(), nullptr);
        f.events.push_back("complete x=" + std::to_string(ValueAsInteger(r.RunInterpreter()->GlobalVariables().Find("X"))));
    };
    f.Run("var x: integer;\nbegin\n  Note('a');\n  x := Twice(21)\nend.");
    EXPECT_EQ(f.events, (std::vector<std::string>{"NOTE#0", "TWICE#1", "complete x=42", "exiting(running)",
                                                  "finished(idle)"}));
    EXPECT_EQ(f.runner.RunInterpreter(), nullptr);
}

TEST(ThreadedScript, AnErrorArrivesWithItsPosition) {
    Fixture f;
    f.Run("begin\n  nothing := 1\nend.");
    EXPECT_EQ(f.events, (std::vector<std::string>{"error 3", "exiting(running)", "finished(idle)"}));
    EXPECT_EQ(f.runner.ErrorPosition(), 9);  // lines end in CR LF
}

TEST(ThreadedScript, WithoutOnErrorThePositionIsNotStored) {
    Fixture f;
    f.runner.OnError = nullptr;
    f.Run("begin\n  nothing := 1\nend.");
    EXPECT_EQ(f.runner.ErrorPosition(), 0);
    EXPECT_EQ(f.events, (std::vector<std::string>{"exiting(running)", "finished(idle)"}));
}

TEST(ThreadedScript, StopEndsAnEndlessLoop) {
    Fixture f;
    f.runner.Lines = {"var n: integer;", "begin", "  while true do n := n + 1", "end."};
    f.runner.StartScript();
    std::this_thread::sleep_for(20ms);
    f.queue.ProcessPending();
    ASSERT_TRUE(f.runner.IsScriptRunning());
    f.runner.StopScript();
    EXPECT_TRUE(f.runner.IsStopRequested());
    f.Wait();
    EXPECT_EQ(f.error, 65535);
    EXPECT_EQ(f.events, (std::vector<std::string>{"error 65535", "exiting(running)", "finished(idle)"}));
    EXPECT_FALSE(f.runner.IsStopRequested());
}

TEST(ThreadedScript, AStopDuringAHostRoutineSkipsTheNextOne) {
    Fixture f;
    std::vector<std::string> ran;
    f.runner.ExternalProcs = {"6 FIRST", "6 SECOND"};
    f.runner.OnExternalProc = [&](TThreadedScript& r, const std::string& name, int, TVariableManager&, TQXVariant* res) {
        ran.push_back(name);
        if (name == "FIRST") r.StopScript();  // the user stops while this routine runs
        StoreInteger(res, 5);
    };
    int x = -1;
    f.runner.OnError = [&](TThreadedScript& r, int err) {
        f.error = err;
        x = ValueAsInteger(r.RunInterpreter()->GlobalVariables().Find("X"));
    };
    f.Run("var x: integer;\nbegin\n  x := First + Second;\n  x := 100\nend.");
    EXPECT_EQ(ran, (std::vector<std::string>{"FIRST"}));
    EXPECT_EQ(x, 5);  // SECOND gave its zeroed result
    EXPECT_EQ(f.error, 65535);
}

TEST(ThreadedScript, RunningARoutineByName) {
    Fixture f;
    f.Run("procedure Setup(a: integer); begin end;\nprocedure Go; begin end;\nbegin end.", "Setup");
    EXPECT_EQ(f.error, 22);
    EXPECT_EQ(f.runner.ErrorPosition(), -1);

    Fixture g;
    g.Run("procedure Setup; begin end;", "Setup");
    EXPECT_EQ(g.error, 6);
    EXPECT_EQ(g.runner.ErrorPosition(), -1);

    Fixture h;
    h.Run("var x: integer;\nprocedure Go; begin x := 1 end;\nbegin x := 2 end.", "go");
    EXPECT_EQ(h.error, 0);
    EXPECT_EQ(h.events.front(), "complete");
}

TEST(ThreadedScript, EachRunStartsAfresh) {
    Fixture f;
    std::vector<int> seen;
    f.runner.OnComplete = [&](TThreadedScript& r) {
        seen.push_back(ValueAsInteger(r.RunInterpreter()->GlobalVariables().Find("X")));
    };
    const std::string text = "var x: integer;\nbegin x := x + 1 end.";
    f.Run(text);
    f.Run(text);
    EXPECT_EQ(seen, (std::vector<int>{1, 1}));
}

TEST(ThreadedScript, ASecondStartWhileRunningIsIgnored) {
    Fixture f;
    int starts = 0;
    f.runner.ExternalProcs = {"0 MARK"};
    f.runner.OnExternalProc = [&](TThreadedScript& r, const std::string&, int, TVariableManager&, TQXVariant*) {
        ++starts;
        r.StartScript();  // a script that starts scripts: ignored while it runs
    };
    f.Run("begin Mark end.");
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(f.events.size(), 3u);
}

TEST(ThreadedScript, LinesGetALineBreakEach) {
    Fixture f;
    f.Run("uses AnyUnit;\nbegin\nend. // the last line ends in a comment");
    EXPECT_EQ(f.error, 0);
    EXPECT_EQ(JoinScriptLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(SplitScriptLines("a\r\nb\n\rc\rd\n"), (std::vector<std::string>{"a", "b", "", "c", "d"}));
    EXPECT_EQ(SplitScriptLines(std::string("a\nb\0c", 5)), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(SplitScriptLines("").empty());
}

TEST(ThreadedScript, HostFunctionTablesDispatchByIndex) {
    std::vector<std::string> calls;
    TScriptHostFunctions table;
    table.Add("14 IsThere Name 8", [&](const TScriptHostCall& c) {
        calls.push_back("IsThere " + c.Text(0));
        c.ReturnBoolean(c.Text(0) == "yes");
    });
    table.Add("0 GetVersionEx !Major  6 !Minor 6", [&](const TScriptHostCall& c) {
        calls.push_back("GetVersionEx");
        StoreInteger(c.Var(0), 2);
        StoreInteger(c.Var(1), 0);
    });
    Fixture f;
    table.Attach(f.runner);
    EXPECT_EQ(f.runner.ExternalProcs, (std::vector<std::string>{"14 ISTHERE NAME 8", "0 GETVERSIONEX !MAJOR  6 !MINOR 6"}));
    EXPECT_EQ(table.Signatures()[0], "14 IsThere Name 8");
    bool there = false;
    int major = -1;
    f.runner.OnComplete = [&](TThreadedScript& r) {
        there = ValueAsBoolean(r.RunInterpreter()->GlobalVariables().Find("B"));
        major = ValueAsInteger(r.RunInterpreter()->GlobalVariables().Find("MA"));
    };
    f.Run("var b: boolean; ma, mi: integer;\nbegin b := IsThere('yes'); GetVersionEx(ma, mi) end.");
    EXPECT_TRUE(there);
    EXPECT_EQ(major, 2);
    EXPECT_EQ(calls, (std::vector<std::string>{"IsThere yes", "GetVersionEx"}));
}

TEST(ThreadedScript, AHostRoutinesExceptionIsSwallowed) {
    Fixture f;
    f.runner.ExternalProcs = {"6 BOOM"};
    f.runner.OnExternalProc = [](TThreadedScript&, const std::string&, int, TVariableManager&, TQXVariant* res) {
        StoreInteger(res, 3);
        throw std::runtime_error("host failure");
    };
    int x = -1;
    f.runner.OnComplete = [&](TThreadedScript& r) { x = ValueAsInteger(r.RunInterpreter()->GlobalVariables().Find("X")); };
    f.Run("var x: integer;\nbegin x := Boom + 1 end.");
    EXPECT_EQ(f.error, 0);
    EXPECT_EQ(x, 4);
}

TEST(ThreadedScript, DestroyingTheRunnerDuringARunLetsTheWorkerGo) {
    // The invoker outlives every worker, also one that was let go.
    static TScriptCallQueue queue;
    {
        TThreadedScript runner(queue);
        bool completed = false;
        runner.OnComplete = [&](TThreadedScript&) { completed = true; };
        runner.OnError = [&](TThreadedScript&, int) { completed = true; };
        runner.Lines = {"begin while true do ; end."};
        runner.StartScript();
        std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(runner.IsScriptRunning());
        (void)completed;
    }
    // The orphaned worker stops, hands over its two final calls and frees itself.
    int handed = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (handed < 2 && std::chrono::steady_clock::now() < deadline) handed += queue.WaitAndProcess(10ms);
    EXPECT_EQ(handed, 2);
    std::this_thread::sleep_for(20ms);
}

TEST(ThreadedScript, ConsoleStandInsBehaveLikeTheHost) {
    std::ostringstream out;
    TScriptHostFunctions table = ConsoleHostFunctions(out);
    EXPECT_EQ(table.Signatures().size(), 8u);
    Fixture f;
    table.Attach(f.runner);
    const auto start = std::chrono::steady_clock::now();
    f.Run("begin ShowMessage('one'); Sleep(50); ShowMessage('two'); Sleep(250) end.");
    // Sleep waits 95 ms per full 100 ms; shorter requests do not wait.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
    EXPECT_EQ(out.str(), "one\ntwo\n");
    EXPECT_EQ(f.error, 0);
}

}  // namespace
