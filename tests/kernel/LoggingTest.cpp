#include "KernelFixture.h"

#include <functional>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using LoggingTest = KernelFixture;

TEST_F(LoggingTest, FileHoldsHeaderAndTimeStampedLinesWithCrLf)
{
    LogEvent("_Kernel: Initializing...");
    LogEvent("Server\\FrameWindow: Saving settings...");
    std::string text = logText();
    EXPECT_EQ(text.substr(0, 53), "Quorvix 2 Event Log\r\n\r\nCommand line: qxrel32 test\r\n\r\n");
    EXPECT_TRUE(std::regex_search(text, std::regex("\r\n\\d{1,2}:\\d\\d:\\d\\d _Kernel: Initializing\\.\\.\\.\r\n"
                                                   "\\d{1,2}:\\d\\d:\\d\\d Server\\\\FrameWindow: Saving settings\\.\\.\\.\r\n$")))
        << text;
    EXPECT_EQ(GetEventLogLines().size(), 6u);
}

TEST_F(LoggingTest, DisabledLoggingKeepsLinesInMemoryAndEnablingWritesThemAll)
{
    SetEventLogEnabled(false);
    LogEvent("first");
    EXPECT_FALSE(std::filesystem::exists(logFile()));
    EXPECT_EQ(GetEventLogLines().size(), 5u);

    SetEventLogEnabled(true);
    LogEvent("second");
    std::string text = logText();
    EXPECT_NE(text.find("Quorvix 2 Event Log"), std::string::npos);
    EXPECT_NE(text.find(" first\r\n"), std::string::npos);
    EXPECT_NE(text.find(" second\r\n"), std::string::npos);
}

TEST_F(LoggingTest, FirstEventOfARunReplacesTheOldFile)
{
    qxtest::WriteFile(logFile(), "old run\r\n");
    InitEventLog("new run");
    LogEvent("x");
    EXPECT_EQ(logText().find("old run"), std::string::npos);
}

TEST_F(LoggingTest, UnwritablePathIsSilentAndRetriedWithTheWholeList)
{
    qx::Registry reg;
    ASSERT_TRUE(reg.OpenKey(kRegistryRoot, true));
    std::string target = home.dir().file("later/debug.log");
    reg.WriteString("LoggerOutputFile", target);
    LoadSettings();
    LogEvent("lost to disk");
    EXPECT_FALSE(std::filesystem::exists(target));
    std::filesystem::create_directories(home.dir().path() / "later");
    LogEvent("written");
    std::string text = qxtest::ReadFile(target);
    EXPECT_NE(text.find("Quorvix 2 Event Log"), std::string::npos);
    EXPECT_NE(text.find(" lost to disk\r\n"), std::string::npos);
}

// Whatever happened to the file while the program runs, the next event leaves
// it holding the complete run, and never a zero byte.
TEST_F(LoggingTest, AFileTruncatedDeletedOrReplacedIsWrittenWholeAgain)
{
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> mishaps = {
        {"truncated", [](const std::string& f) { std::filesystem::resize_file(f, 0); }},
        {"cut short", [](const std::string& f) { std::filesystem::resize_file(f, std::filesystem::file_size(f) - 5); }},
        {"deleted", [](const std::string& f) { std::filesystem::remove(f); }},
        {"replaced", [](const std::string& f) {
             qxtest::WriteFile(f + ".new", "someone else's file\r\n");
             std::filesystem::rename(f + ".new", f);
         }},
    };
    for (const auto& [mishap, apply] : mishaps) {
        SCOPED_TRACE(mishap);
        InitEventLog("qxrel32 test");
        LogEvent("before");
        apply(logFile());
        LogEvent("after");
        LogEvent("later");
        std::string text = logText();
        EXPECT_EQ(text.find('\0'), std::string::npos);
        EXPECT_EQ(text.rfind("Quorvix 2 Event Log\r\n", 0), 0u) << text;
        EXPECT_TRUE(std::regex_search(text, std::regex(" before\r\n[^\r\n]* after\r\n[^\r\n]* later\r\n$"))) << text;
        EXPECT_EQ(text.find("someone else"), std::string::npos);
    }
}

// Two programs logging into one file at once: every line in it is whole.
TEST_F(LoggingTest, TwoProgramsSharingTheFileNeverCutEachOthersLines)
{
    const int events = 2000;
    // Lines of different lengths, so that lines written over each other show.
    auto padding = [](const char* name) { return std::string(*name == 'A' ? 200 : 137, 'x'); };
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (const char* name : {"A", "B"}) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            InitEventLog(std::string("program ") + name);
            LogEvent(std::string(name) + " 0 " + padding(name));
            char go;
            if (read(gate[0], &go, 1) != 1)
                _exit(2);
            for (int i = 1; i < events; ++i)
                LogEvent(std::string(name) + " " + std::to_string(i) + " " + padding(name));
            _exit(0);
        }
        children.push_back(pid);
    }
    ASSERT_EQ(write(gate[1], "gg", 2), 2); // both start together
    close(gate[0]);
    close(gate[1]);
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string text = logText();
    EXPECT_EQ(text.find('\0'), std::string::npos);
    const std::regex whole("Quorvix 2 Event Log|Command line: program [AB]|\\d{1,2}:\\d\\d:\\d\\d (A \\d+ "
        + padding("A") + "|B \\d+ " + padding("B") + ")");
    size_t start = 0, checked = 0, cut = 0;
    std::string firstCut;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string line = text.substr(start, end - start);
        if (line.empty())
            continue;
        ++checked;
        if (!std::regex_match(line, whole) && cut++ == 0)
            firstCut = line.substr(0, 80);
    }
    EXPECT_EQ(cut, 0u) << "first cut line: " << firstCut;
    EXPECT_EQ(start, text.size()) << "the file does not end with a whole line";
    EXPECT_GT(checked, 2u);
}

} // namespace
