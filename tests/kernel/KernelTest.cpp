#include "KernelFixture.h"

#include "kernel/Helpers.h"
#include "kernel/Kernel.h"

#include <cstdlib>
#include <sys/wait.h>

namespace {

using KernelTest = KernelFixture;

struct SomeObject {
    virtual ~SomeObject() = default;
};

TEST_F(KernelTest, WarningNamesModuleObjectAndDescription)
{
    ReportKernelWarning("Server\\Frame", std::nullopt, "something odd");
    EXPECT_NE(GetEventLogLines().back().find(
                  " _KernelWarning: in module Server\\Frame, raised by (unknown object). Description: something odd"),
        std::string::npos);

    SomeObject object;
    KernelObject described = KernelObjectOf(&object);
    described.address = reinterpret_cast<const void*>(0x12ab);
    EXPECT_EQ(DescribeKernelObject(described), "class [(anonymous namespace)::SomeObject] at address 0x000012AB");
}

TEST_F(KernelTest, KernelExceptionLogsTwoLinesAndNamesTheLogFile)
{
    try {
        RaiseKernelException("_Kernel", std::nullopt, "broken");
        FAIL();
    } catch (const EQX_KernelException& e) {
        EXPECT_STREQ(e.what(), "_Kernel exception raised. See debug.log for details.");
    }
    auto lines = GetEventLogLines();
    EXPECT_NE(lines[lines.size() - 2].find("_KernelException: in module _Kernel, raised by (unknown object). Description: broken"),
        std::string::npos);
    EXPECT_NE(lines.back().find("_Kernel: execution cannot continue. Raising exception..."), std::string::npos);
}

TEST_F(KernelTest, LibraryWrappersLogFailuresWithTheSystemText)
{
    EXPECT_EQ(KernelLoadLibrary("/nowhere/libx.so"), nullptr);
    std::string line = GetEventLogLines().back();
    EXPECT_NE(line.find("in module Kernel\\Kernel, raised by (unknown object). Description: _KernelLoadLibrary: failed. "
                        "GetLastError() returned [/nowhere/libx.so: cannot open shared object file"),
        std::string::npos)
        << line;
    EXPECT_NE(line.find("]. Library path: /nowhere/libx.so."), std::string::npos);

    qx::LibraryHandle libc = KernelLoadLibrary("libc.so.6");
    ASSERT_NE(libc, nullptr);
    EXPECT_EQ(KernelGetProcAddress(libc, "Missing"), nullptr);
    EXPECT_NE(GetEventLogLines().back().find("Library handle: 0x" + HandleToHex(libc) + ", function \"Missing\"."), std::string::npos);
    EXPECT_FALSE(KernelFreeLibrary(nullptr));
    EXPECT_NE(GetEventLogLines().back().find("_KernelFreeLibrary: failed. GetLastError() returned ["), std::string::npos);
}

// The messages of the last n lines of a log file, without their time stamps.
std::vector<std::string> lastMessages(const std::string& text, size_t n)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    std::vector<std::string> messages;
    for (size_t i = lines.size() > n ? lines.size() - n : 0; i < lines.size(); ++i)
        messages.push_back(lines[i].substr(lines[i].find(' ') + 1));
    return messages;
}

// The exit paths end the process; each case runs in a child and the parent
// reads the log the child left behind.
struct ExitCase {
    const char* name;
    bool hardExit;
    void (*exit)();
    int code;
    std::vector<std::string> lastLines;
};

TEST_F(KernelTest, ExitPathsEndTheProcessWithTheirCodesAndLogLines)
{
    const std::vector<ExitCase> cases = {
        {"close, immediate", true, [] { UnloadPlugins(); }, 0,
            {"Misc\\Helpers: UnloadPlugins()", "Misc\\Helpers: UnloadPlugins: terminating application...",
                "Warning: forcing TerminateProcess(). _Kernel will be left initialized.",
                "TerminateProcess(GetCurrentProcess(), 0)"}},
        {"close, soft", false, [] { UnloadPlugins(); }, 0,
            {"Misc\\Helpers: UnloadPlugins: terminating application...", "Misc\\Helpers: ExitProcess()...", "ExitProcess(0)",
                "soft exit ran the exit handlers"}},
        {"exception dialog, immediate", true, [] { ExitAfterException(); }, 1,
            {"Warning: forcing TerminateProcess(). _Kernel will be left initialized.",
                "TerminateProcess(GetCurrentProcess(), 1)"}},
        {"exception dialog, soft", false, [] { ExitAfterException(); }, 0,
            {"Warning: forcing ExitProcess(). _Kernel will be left initialized.", "ExitProcess(0)",
                "soft exit ran the exit handlers"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InitEventLog("exit test");
        SetHardExitEnabled(c.hardExit);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::atexit([] { LogEvent("soft exit ran the exit handlers"); });
            c.exit();
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.code);
        EXPECT_EQ(lastMessages(logText(), c.lastLines.size()), c.lastLines);
    }
    SetHardExitEnabled(true);
}

} // namespace
