#include "KernelFixture.h"

#include "platform/Registry.h"

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

TEST_F(SettingsTest, DamagedRegistryFileGivesDefaultsAndAWarning)
{
    qxtest::WriteFile(home.registryFile(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvix]\n\"LaunchCount\"=dword:00");
    LoadSettings();
    EXPECT_EQ(LaunchCountdown(), 0);
    EXPECT_EQ(GetPluginsDir(), home.programDir() + "Plugins/");
    EXPECT_NE(GetEventLogLines().back().find("registry.reg"), std::string::npos);
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

} // namespace
