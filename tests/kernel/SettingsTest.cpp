#include "KernelFixture.h"

#include "platform/Registry.h"

#include <limits>

namespace {

using SettingsTest = KernelFixture;

qx::Registry root()
{
    qx::Registry r;
    EXPECT_TRUE(r.OpenKey(kRegistryRoot, true));
    return r;
}

TEST_F(SettingsTest, FirstStartCreatesDefaultsCountersAndFolders)
{
    EXPECT_EQ(LaunchCount(), 1);
    EXPECT_EQ(LaunchCountdown(), 74);
    EXPECT_EQ(root().ReadInteger("LaunchCount"), 1);
    EXPECT_EQ(root().ReadInteger("LaunchCountdown"), 74);
    EXPECT_EQ(GetEventLogFileName(), home.programDir() + "debug.log");
    EXPECT_EQ(GetPluginsDir(), home.programDir() + "Plugins/");
    for (const char* dir : {"Plugins", "Projects", "Scripts"})
        EXPECT_TRUE(std::filesystem::is_directory(home.programDir() + dir)) << dir;
    EXPECT_TRUE(HardExitEnabled());
    EXPECT_FALSE(WantPluginDetails());
    EXPECT_TRUE(TipOfTheDayEnabled());
    EXPECT_EQ(ScriptingMode(), 1);
    EXPECT_EQ(GetCaptionSeparator(), " - ");

    LoadSettings();
    EXPECT_EQ(LaunchCount(), 2);
    EXPECT_EQ(LaunchCountdown(), 73);
}

TEST_F(SettingsTest, StoredValuesOverrideDefaults)
{
    auto r = root();
    r.WriteInteger("HardExitEnabled", 0);
    r.WriteInteger("LoggerEnabled", 0);
    r.WriteInteger("WantPluginDetails", 5);
    r.WriteString("Scripts", home.dir().file("my scripts") + "/");
    r.WriteInteger("ScriptingMode", 0x102);
    r.WriteInteger("LaunchCountdown", -1);
    LoadSettings();
    EXPECT_FALSE(HardExitEnabled());
    EXPECT_FALSE(IsEventLogEnabled());
    EXPECT_TRUE(WantPluginDetails());
    EXPECT_EQ(GetScriptsDir(), home.dir().file("my scripts") + "/");
    EXPECT_TRUE(std::filesystem::is_directory(home.dir().file("my scripts")));
    EXPECT_EQ(ScriptingMode(), 2);
    EXPECT_EQ(LaunchCountdown(), -1);
    EXPECT_EQ(root().ReadInteger("LaunchCountdown"), -1);
}

TEST_F(SettingsTest, AValueOfTheWrongTypeGivesDefaultsAndAsksTheFeedbackQuestion)
{
    auto r = root();
    r.WriteInteger("HardExitEnabled", 0);
    r.WriteString("ScriptingMode", "2");
    LoadSettings();
    EXPECT_TRUE(HardExitEnabled());
    EXPECT_EQ(ScriptingMode(), 1);
    EXPECT_EQ(LaunchCountdown(), 0);
    EXPECT_EQ(LaunchCount(), 0);
    EXPECT_EQ(root().ReadInteger("LaunchCount"), 1); // nothing written
    auto lines = GetEventLogLines();
    EXPECT_NE(lines.back().find("_KernelWarning: in module Kernel\\Settings"), std::string::npos);
}

// A name over two lines, as a cookie for a file with a line break in its name
// was once written: only those two lines are lost, with a warning naming each,
// and the log names the kept copy of the damaged file.
TEST_F(SettingsTest, ADamagedLineCostsOnlyItselfAndTheDamagedFileIsKept)
{
    const std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvix]\n\"LaunchCount\"=dword:00000029\n"
                             "\"HardExitEnabled\"=dword:00000000\n\"LoggerEnabled\"=dword:00000000\n\n"
                             "[HKEY_CURRENT_USER\\Software\\Quorvix\\Cookies\\TTextEditorWindow]\n"
                             "\"/home/u/new\nline.txt\"=\"caret=3:1\"\n\"/home/u/a.txt\"=\"caret=1:0\"\n";
    qxtest::WriteFile(home.registryFile(), text);
    std::filesystem::remove(logFile());
    InitEventLog("qxrel32 test");
    LoadSettings();
    EXPECT_FALSE(std::filesystem::exists(logFile())) << "the warnings were written although logging is off";
    EXPECT_EQ(LaunchCount(), 42);
    EXPECT_FALSE(HardExitEnabled());
    EXPECT_EQ(qxtest::ReadFile(home.registryFile() + ".bad"), text);
    qx::Registry cookies;
    ASSERT_TRUE(cookies.OpenKey("Software\\Quorvix\\Cookies\\TTextEditorWindow", false));
    EXPECT_EQ(cookies.ReadString("/home/u/a.txt"), "caret=1:0");

    std::string log;
    for (const auto& line : GetEventLogLines())
        log += line + "\n";
    EXPECT_NE(log.find("_KernelWarning: in module Kernel\\Settings"), std::string::npos) << log;
    EXPECT_NE(log.find("line 9: "), std::string::npos) << log;
    EXPECT_NE(log.find("line 10: "), std::string::npos) << log;
    EXPECT_NE(log.find("kept as " + home.registryFile() + ".bad."), std::string::npos) << log;

    // The next start reads the repaired file without a warning.
    InitEventLog("qxrel32 test");
    LoadSettings();
    EXPECT_EQ(LaunchCount(), 43);
    for (const auto& line : GetEventLogLines())
        EXPECT_EQ(line.find("_KernelWarning"), std::string::npos) << line;
}

TEST_F(SettingsTest, StoredCountersAreNotTrusted)
{
    const std::vector<std::pair<int32_t, int32_t>> counts = {
        {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()},
        {std::numeric_limits<int32_t>::max() - 1, std::numeric_limits<int32_t>::max()},
        {-5, 1},
        {std::numeric_limits<int32_t>::min(), 1},
    };
    for (const auto& [stored, expected] : counts) {
        SCOPED_TRACE(stored);
        root().WriteInteger("LaunchCount", stored);
        root().WriteInteger("LaunchCountdown", std::numeric_limits<int32_t>::min());
        LoadSettings();
        EXPECT_EQ(LaunchCount(), expected);
        EXPECT_EQ(root().ReadInteger("LaunchCount"), expected);
        EXPECT_EQ(LaunchCountdown(), std::numeric_limits<int32_t>::min());
    }
}

TEST_F(SettingsTest, PersistedSettersWriteAtOnce)
{
    SetLaunchCountdown(25);
    SetScriptingMode(3);
    SetTipOfTheDayEnabled(false);
    SetCurrentTip(7);
    auto r = root();
    EXPECT_EQ(r.ReadInteger("LaunchCountdown"), 25);
    EXPECT_EQ(r.ReadInteger("ScriptingMode"), 3);
    EXPECT_EQ(r.ReadInteger("TipOfTheDayEnabled"), 0);
    EXPECT_EQ(r.ReadInteger("CurrentTip"), 7);
}

TEST_F(SettingsTest, ShellFontIsTahomaOnlyWhenInstalled)
{
    SetInstalledFontsProvider([] { return std::vector<std::string> {"DejaVu Sans", "TAHOMA"}; });
    EXPECT_EQ(GetShellFont(), "Tahoma");
    SetInstalledFontsProvider([] { return std::vector<std::string> {"DejaVu Sans"}; });
    EXPECT_EQ(GetShellFont(), "MS Sans Serif");
    SetInstalledFontsProvider(nullptr);
}

// A program in PREFIX/bin with the shipped plug-in folder under PREFIX is
// installed: everything it writes goes to the user's XDG folders, nothing
// below the prefix. A Plugins/ folder beside the program makes it portable.
TEST_F(SettingsTest, LayoutDecidesWhereTheProgramWrites)
{
    namespace fs = std::filesystem;
    const std::string prefix = home.dir().file("prefix") + "/";
    const std::string plugins = prefix + QX_INSTALL_PLUGINDIR + "/";
    fs::create_directories(plugins);
    fs::create_directories(prefix + "bin");
    qxtest::WriteFile(prefix + QX_INSTALL_DATADIR + "/Scripts/Default.qx", "shipped");
    const std::string homeDir = home.dir().path().string();

    struct Case {
        const char* name;
        const char* dataHome;  // XDG_DATA_HOME, or null for unset
        const char* stateHome; // XDG_STATE_HOME, or null
        std::string data, state;
    } cases[] = {
        {"xdg variables", "/xdg-data", "/xdg-state", homeDir + "/xdg-data/Quorvix/", homeDir + "/xdg-state/Quorvix/"},
        {"defaults below HOME", nullptr, nullptr, homeDir + "/.local/share/Quorvix/", homeDir + "/.local/state/Quorvix/"},
        {"relative variables are ignored", "rel", "rel", homeDir + "/.local/share/Quorvix/", homeDir + "/.local/state/Quorvix/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto setOrUnset = [&](const char* var, const char* value) {
            if (!value)
                unsetenv(var);
            else if (*value == '/')
                setenv(var, (homeDir + value).c_str(), 1);
            else
                setenv(var, value, 1);
        };
        setOrUnset("XDG_DATA_HOME", c.dataHome);
        setOrUnset("XDG_STATE_HOME", c.stateHome);
        SetProgramDirectory(prefix + "bin");
        LoadSettings();
        EXPECT_TRUE(IsInstalledLayout());
        EXPECT_EQ(GetPluginsDir(), plugins);
        EXPECT_EQ(GetProjectsDir(), c.data + "Projects/");
        EXPECT_EQ(GetScriptsDir(), c.data + "Scripts/");
        EXPECT_EQ(GetEventLogFileName(), c.state + "debug.log");
        EXPECT_EQ(GetNotepadFileName(), c.state + "notepad.rtf");
        EXPECT_EQ(GetSharedDataDirectory(), prefix + QX_INSTALL_DATADIR + "/");
        EXPECT_TRUE(fs::is_directory(c.data + "Projects"));
        EXPECT_TRUE(fs::is_directory(c.state));
        // The shipped scripts seed the first start only.
        EXPECT_EQ(qxtest::ReadFile(c.data + "Scripts/Default.qx"), "shipped");
        fs::remove(c.data + "Scripts/Default.qx");
        LoadSettings();
        EXPECT_FALSE(fs::exists(c.data + "Scripts/Default.qx"));
        fs::remove_all(c.data);
        // Nothing was made below the prefix.
        for (const char* dir : {"bin/Plugins", "bin/Projects", "bin/Scripts", "Projects", "Scripts"})
            EXPECT_FALSE(fs::exists(prefix + dir)) << dir;
    }
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_STATE_HOME");

    // Plugins/ beside the program: portable, whatever lies around it.
    fs::create_directories(prefix + "bin/Plugins");
    SetProgramDirectory(prefix + "bin/");
    LoadSettings();
    EXPECT_FALSE(IsInstalledLayout());
    EXPECT_EQ(GetPluginsDir(), prefix + "bin/Plugins/");
    EXPECT_EQ(GetScriptsDir(), prefix + "bin/Scripts/");
    EXPECT_EQ(GetEventLogFileName(), prefix + "bin/debug.log");
    EXPECT_EQ(GetNotepadFileName(), prefix + "bin/notepad.rtf");

    // A program folder not named as the install's bin folder stays portable.
    fs::remove_all(prefix + "bin");
    fs::create_directories(prefix + "tools");
    SetProgramDirectory(prefix + "tools/");
    LoadSettings();
    EXPECT_FALSE(IsInstalledLayout());
    EXPECT_EQ(GetPluginsDir(), prefix + "tools/Plugins/");
}

} // namespace
