#include "KernelFixture.h"

#include <regex>

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

TEST_F(LoggingTest, FileFollowsEveryEventWhenAppendedToADeletedFile)
{
    LogEvent("one");
    std::filesystem::remove(logFile());
    LogEvent("two");
    // The open file was unlinked; after a re-enable the file is whole again.
    SetEventLogEnabled(false);
    SetEventLogEnabled(true);
    LogEvent("three");
    std::string text = logText();
    EXPECT_NE(text.find(" one\r\n"), std::string::npos);
    EXPECT_NE(text.find(" three\r\n"), std::string::npos);
}

} // namespace
