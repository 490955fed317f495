#include "KernelFixture.h"

#include "kernel/CommandLine.h"
#include "kernel/VersionStamp.h"
#include "platform/Registry.h"

namespace {

class StartupTest : public KernelFixture {
protected:
    int helpShown = 0;

    void SetUp() override
    {
        KernelFixture::SetUp();
        GetCommandLineFiles().clear();
        SetHardExitEnabled(true);
        SetDemoMode(false);
        SetPluginPause(false);
        SetCommandLineHelpPresenter([this] { ++helpShown; });
    }
    void TearDown() override { SetCommandLineHelpPresenter(nullptr); }
};

TEST_F(StartupTest, OptionsAreCaseInsensitiveAndTheLastOneWins)
{
    struct Case {
        std::vector<std::string> args;
        bool hardExit, demo, logging, pause;
        int help;
    };
    const std::vector<Case> cases = {
        {{}, true, false, true, false, 0},
        {{"/EXITMODE=SOFT"}, false, false, true, false, 0},
        {{"/ExitMode=soft", "/exitmode=hard"}, true, false, true, false, 0},
        {{"/demo=on", "/demo=off"}, true, false, true, false, 0},
        {{"/Demo=On"}, true, true, true, false, 0},
        {{"/demo=yes", "-demo=on", "/demo"}, true, false, true, false, 0},
        {{"/EventLog=off"}, true, false, false, false, 0},
        {{"/PLUGINPAUSE", "/?", "/Help"}, true, false, true, true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        SetUp();
        helpShown = 0;
        ParseCommandLine(c.args);
        EXPECT_EQ(HardExitEnabled(), c.hardExit);
        EXPECT_EQ(DemoMode(), c.demo);
        EXPECT_EQ(IsEventLogEnabled(), c.logging);
        EXPECT_EQ(PluginPause(), c.pause);
        EXPECT_EQ(helpShown, c.help);
        EXPECT_TRUE(GetCommandLineFiles().empty());
    }
}

TEST_F(StartupTest, OnlyExistingFilesEnterTheListKeepingTheirCase)
{
    std::string file = home.dir().file("Main.PAS");
    qxtest::WriteFile(file, "x");
    ParseCommandLine({file, "\"" + file + "\"", "\"", "", home.dir().path().string(), home.dir().file("missing.txt")});
    EXPECT_EQ(GetCommandLineFiles(), (std::vector<std::string> {file, file}));
}

TEST_F(StartupTest, HelpTextHasTwentyOneLines)
{
    std::string text = CommandLineHelpText();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "Quorvix - command line help");
    for (int empty : {2, 4, 8, 12, 16, 19})
        EXPECT_EQ(lines[empty - 1], "") << empty;
    EXPECT_EQ(lines[5], "  /ExitMode=soft\t-instructs QX to use ExitProcess() API call in case  of fatal errors");
    EXPECT_EQ(lines[20], "  /? or /help\t-displays this help dialog");
}

TEST_F(StartupTest, VersionStampIsTheRootDefaultValue)
{
    EXPECT_TRUE(StampInstalledVersion());
    qx::Registry r;
    ASSERT_TRUE(r.OpenKey(kRegistryRoot, false));
    EXPECT_EQ(r.ReadString(""), "2.0.1");

    // A registry that cannot be written is a warning, and start-up goes on.
    std::string blocker = home.dir().file("not-a-folder");
    qxtest::WriteFile(blocker, "");
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    EXPECT_FALSE(StampInstalledVersion());
    EXPECT_NE(GetEventLogLines().back().find(
                  "_KernelWarning: in module _qxrel32, raised by (unknown object). Description: Unable to connect with local registry."),
        std::string::npos);
}

} // namespace
