// One program per user: a second start hands its files to the running program
// and ends; a socket left by a killed program does not block; --new-window
// starts a program of its own. The programs run offscreen in a temporary
// program folder with the probe plug-in, which opens .txt files.
#include "TestEnv.h"

#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::string program;
    std::vector<std::unique_ptr<QProcess>> running;

    void SetUp() override
    {
        const std::string dir = home.programDir();
        fs::create_directories(dir + "Plugins");
        fs::create_directories(dir + "Scripts");
        program = dir + "qxrel32";
        fs::copy_file(QX_BIN_DIR "/qxrel32", program);
        fs::create_symlink(QX_BIN_DIR "/libqxhost.so", dir + "libqxhost.so");
        fs::copy_file(QX_TEST_PLUGIN_DIR "qxprobe.so", dir + "Plugins/probe.so");
        qxtest::WriteFile(dir + "Plugins/probe.so.probe", "entry=1,Probe text,0,1,2:.txt,,Texty|*.txt\n");
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            qxtest::WriteFile(home.dir().file(name), name);
    }

    void TearDown() override
    {
        for (auto& p : running) {
            p->kill();
            p->waitForFinished();
        }
    }

    QProcess& start(const QStringList& args)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(QString::fromStdString(home.dir().path().string()));
        p->start(QString::fromStdString(program), args);
        EXPECT_TRUE(p->waitForStarted());
        running.push_back(std::move(p));
        return *running.back();
    }

    std::string log() const { return qxtest::ReadFile(home.programDir() + "debug.log"); }

    // Waits until the event log holds text; false after 15 s.
    bool waitForLog(const std::string& text) const
    {
        for (int i = 0; i < 300; ++i) {
            if (log().find(text) != std::string::npos)
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    std::string opened(const char* name) const { return "document opened: " + home.dir().file(name); }
};

TEST_F(SingleInstanceTest, ASecondStartHandsItsFilesToTheRunningProgram)
{
    start({"a.txt"});
    ASSERT_TRUE(waitForLog(opened("a.txt"))) << log();

    // A relative name is resolved where the second start was made.
    QProcess& second = start({"b.txt", "c.txt"});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitForLog(opened("c.txt"))) << log();
    const std::string text = log();
    EXPECT_NE(text.find("2 file(s) handed over by another start."), std::string::npos) << text;
    EXPECT_LT(text.find(opened("b.txt")), text.find(opened("c.txt")));
    // The second start touched neither the settings nor the log of the first.
    EXPECT_NE(qxtest::ReadFile(home.registryFile()).find("\"LaunchCount\"=dword:00000001"), std::string::npos);
    EXPECT_EQ(text.find("Command line: " + program + " b.txt"), std::string::npos);
}

// What a file manager hands over: a project file of this program opens as
// the project, an .ini of anyone else as a document.
TEST_F(SingleInstanceTest, AProjectFileFromOutsideOpensTheProject)
{
    const std::string project = home.dir().file("proj7.ini"), other = home.dir().file("other.ini");
    qxtest::WriteFile(project, "[Owner]\r\nApp=Quorvix 2\r\n[General]\r\nName=Venku\r\n");
    qxtest::WriteFile(other, "[Owner]\r\nApp=Someone else\r\n");
    qxtest::WriteFile(home.programDir() + "Plugins/probe.so.probe", "entry=1,Probe text,0,1,2:,,Texty|*.txt\n");
    start({"a.txt"});
    ASSERT_TRUE(waitForLog(opened("a.txt"))) << log();
    QProcess& second = start({QString::fromStdString(project), QString::fromStdString(other)});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_TRUE(waitForLog(opened("other.ini"))) << log();
    EXPECT_NE(log().find("project opened: " + project), std::string::npos) << log();
    EXPECT_EQ(log().find(opened("proj7.ini")), std::string::npos) << log();
}

TEST_F(SingleInstanceTest, AKilledProgramDoesNotBlockTheNextStart)
{
    QProcess& first = start({"a.txt"});
    ASSERT_TRUE(waitForLog(opened("a.txt"))) << log();
    first.kill();
    first.waitForFinished();

    // Its socket is left behind; the next start runs by itself and then
    // takes the files of the one after it.
    start({"b.txt"});
    ASSERT_TRUE(waitForLog(opened("b.txt"))) << log();
    QProcess& third = start({"c.txt"});
    ASSERT_TRUE(third.waitForFinished(15000));
    EXPECT_EQ(third.exitCode(), 0);
    EXPECT_TRUE(waitForLog(opened("c.txt"))) << log();
}

TEST_F(SingleInstanceTest, NewWindowAndOptionsStartAProgramOfTheirOwn)
{
    start({"a.txt"});
    ASSERT_TRUE(waitForLog(opened("a.txt"))) << log();
    for (const QStringList& args : {QStringList {"--new-window", "b.txt"}, QStringList {"/Demo=off", "c.txt"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess& other = start(args);
        // Its own start rewrites the log, which says so.
        EXPECT_TRUE(waitForLog("Command line: " + program + " " + args.join(' ').toStdString())) << log();
        EXPECT_TRUE(waitForLog("Application starting...")) << log();
        EXPECT_FALSE(other.waitForFinished(500));
    }
}

// The first program stops for longer than a second start waits for its
// answer; the second gives up and runs by itself. When the first goes on,
// it answers a start that is gone: it must live on with its documents.
TEST_F(SingleInstanceTest, AStartThatGaveUpDoesNotEndTheRunningProgram)
{
    QProcess& first = start({"a.txt"});
    ASSERT_TRUE(waitForLog(opened("a.txt"))) << log();
    ASSERT_EQ(::kill(pid_t(first.processId()), SIGSTOP), 0);
    QProcess& second = start({"b.txt"});
    // Its own start rewrites the log once it stopped waiting.
    const bool gaveUp = waitForLog(opened("b.txt"));
    ::kill(pid_t(first.processId()), SIGCONT);
    ASSERT_TRUE(gaveUp) << log();
    EXPECT_FALSE(second.waitForFinished(100));
    // The first reads the hand-over, answers into the closed connection and
    // goes on.
    EXPECT_FALSE(first.waitForFinished(3000)) << "exit status " << first.exitStatus() << ", code " << first.exitCode();
    EXPECT_EQ(first.state(), QProcess::Running);
}

// However the program ends (at once, the default, or the soft way with exit
// handlers), it leaves nothing in the runtime folder.
TEST_F(SingleInstanceTest, TheSocketAndItsLockGoWhenTheProgramEnds)
{
    const fs::path run = home.dir().path() / "run";
    qxtest::WriteFile(home.programDir() + "Scripts/Default.qx",
        "procedure OnStartup; begin end;\nprocedure OnStarted; begin Menu_FileExit end;\nbegin end.\n");
    for (bool hard : {true, false}) {
        SCOPED_TRACE(hard ? "hard exit" : "soft exit");
        if (!hard) {
            fs::create_directories(fs::path(home.registryFile()).parent_path());
            qxtest::WriteFile(home.registryFile(),
                "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvix]\n\"HardExitEnabled\"=dword:00000000\n");
        }
        QProcess& program = start({"a.txt"});
        ASSERT_TRUE(program.waitForFinished(30000)) << log();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(log().find("Misc\\Helpers: " + std::string(hard ? "UnloadPlugins: terminating" : "ExitProcess()")),
            std::string::npos) << log();
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(run))
            left.push_back(entry.path().filename().string());
        EXPECT_TRUE(left.empty()) << left.front();
    }
}

} // namespace
