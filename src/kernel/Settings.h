#pragma once
// The settings store: the general values under the registry root
// "Software\Quorvix", read once at start-up and held in memory. Getters never
// touch the registry; the persisted setters write their value at once.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Registry root of the program, relative to HKEY_CURRENT_USER.
inline constexpr const char* kRegistryRoot = "Software\\Quorvix";

// Directory of the executable, with a trailing '/'. Set by the program entry
// before the settings are loaded; tests point it at a temporary folder.
void SetProgramDirectory(const std::string& dir);
std::string GetProgramDirectory();

// Where the program keeps what it writes. Run from a folder that holds
// Plugins/ beside the program (a build, an unpacked archive) it is portable and
// keeps everything beside the program. Installed (the program in PREFIX/bin
// with the shipped plug-ins under PREFIX/lib), it writes nothing below its
// prefix: the plug-in folder is the installed one, Projects/ and Scripts/ go
// to the user's XDG data folder and the event log and the notepad to the XDG
// state folder. Decided by the layout alone, whoever runs the program.
bool IsInstalledLayout();
// Folder of the user's projects, scripts and backups (trailing '/').
std::string GetUserDataDirectory();
// Folder of the event log and the notepad (trailing '/').
std::string GetUserStateDirectory();
// Folder of the files shipped with the program (share/quorvix of an installed
// program, the program directory of a portable one).
std::string GetSharedDataDirectory();
// The notepad pane's file.
std::string GetNotepadFileName();

// Reads every general value (module initialization): updates LaunchCount and
// LaunchCountdown, sets the event log's flag and creates the plug-in, project
// and script directories.
void LoadSettings();

std::string GetEventLogFileName();
std::string GetPluginsDir();
std::string GetProjectsDir();
std::string GetScriptsDir();
std::string GetCaptionSeparator();

// "Tahoma" when such a font is installed, else "MS Sans Serif". Decided on the
// first call, through the installed-fonts provider the user interface sets.
std::string GetShellFont();
void SetInstalledFontsProvider(std::function<std::vector<std::string>()> provider);

bool HardExitEnabled();
void SetHardExitEnabled(bool value);
bool DemoMode();
void SetDemoMode(bool value);
bool PluginPause();
void SetPluginPause(bool value);
bool WantPluginDetails();

// These setters change memory first and then write the root key; a write
// failure raises qx::RegistryError with the memory already changed.
bool TipOfTheDayEnabled();
void SetTipOfTheDayEnabled(bool value);
// Whether a start without a project and without files to open reopens the
// documents that were open when the program last closed (off by default).
bool ReopenDocumentsEnabled();
void SetReopenDocumentsEnabled(bool value);
int ScriptingMode();
void SetScriptingMode(int value);
int CurrentTip();
void SetCurrentTip(int value);
int LaunchCount();
int LaunchCountdown();
void SetLaunchCountdown(int value);
