// Starts the real program as a process in a temporary program folder.
#include "TestEnv.h"

#include <QProcess>
#include <QThread>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class ProgramTest : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::string program;

    void SetUp() override
    {
        // The program folder is the executable's folder: copy the program and
        // link the host library beside it.
        program = home.programDir() + "qxrel32";
        std::filesystem::copy_file(QX_BIN_DIR "/qxrel32", program);
        std::filesystem::create_symlink(QX_BIN_DIR "/libqxhost.so", home.programDir() + "libqxhost.so");
    }

    // Runs the program until its log says the message loop runs, then ends it.
    std::string startOnce(const QStringList& args = {})
    {
        // The log of an earlier run would end the wait before this run has
        // written its settings.
        std::filesystem::remove(home.programDir() + "debug.log");
        QProcess p;
        p.start(QString::fromStdString(program), args);
        EXPECT_TRUE(p.waitForStarted());
        std::string log;
        for (int i = 0; i < 200 && log.find("Application starting...") == std::string::npos; ++i) {
            QThread::msleep(50);
            log = qxtest::ReadFile(home.programDir() + "debug.log");
        }
        p.kill();
        p.waitForFinished();
        return log;
    }
};

TEST_F(ProgramTest, StartWritesLogHeaderStartupLinesAndCounters)
{
    std::string log = startOnce({"/Demo=on"});
    EXPECT_EQ(log.find("Quorvix 2 Event Log\r\n\r\nCommand line: " + program + " /Demo=on\r\n\r\n"), 0u) << log;
    size_t at = 0;
    for (const char* line : {"_Kernel: Initializing...", "_qxrel32: Checking installed version...",
             "_qxrel32: Parsing cmd line...", "_qxrel32: Initializing server...", "_qxrel32: Application starting..."}) {
        size_t next = log.find(line, at);
        ASSERT_NE(next, std::string::npos) << line << "\n" << log;
        at = next;
    }
    std::string registry = qxtest::ReadFile(home.registryFile());
    EXPECT_NE(registry.find("@=\"2.0.1\""), std::string::npos);
    EXPECT_NE(registry.find("\"LaunchCount\"=dword:00000001"), std::string::npos);
    EXPECT_NE(registry.find("\"LaunchCountdown\"=dword:0000004a"), std::string::npos);

    startOnce();
    registry = qxtest::ReadFile(home.registryFile());
    EXPECT_NE(registry.find("\"LaunchCount\"=dword:00000002"), std::string::npos);
    EXPECT_NE(registry.find("\"LaunchCountdown\"=dword:00000049"), std::string::npos);
}

TEST_F(ProgramTest, HelpAndVersionPrintWithoutAWindow)
{
    for (const auto& [arg, expected] : std::vector<std::pair<QString, QString>> {
             {"--version", "Quorvix 2 2.0.1\n"}, {"--help", "Quorvix - command line help\n"}}) {
        QProcess p;
        p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        p.start(QString::fromStdString(program), {arg});
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).startsWith(expected)) << arg.toStdString();
    }
    EXPECT_FALSE(std::filesystem::exists(home.programDir() + "debug.log"));
}

} // namespace
