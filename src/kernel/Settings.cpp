#include "kernel/Settings.h"

#include "kernel/Kernel.h"
#include "kernel/Logging.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <mutex>

namespace {

const char* const kModule = "Kernel\\Settings";

// Paths of an installed program relative to its prefix, given by the build.
#ifndef QX_INSTALL_BINDIR
#define QX_INSTALL_BINDIR "bin"
#endif
#ifndef QX_INSTALL_PLUGINDIR
#define QX_INSTALL_PLUGINDIR "lib/quorvix/plugins"
#endif
#ifndef QX_INSTALL_DATADIR
#define QX_INSTALL_DATADIR "share/quorvix"
#endif

struct Values {
    std::string programDir = "./";
    bool installed = false;
    std::string prefix;        // of an installed program, with a trailing '/'
    std::string dataDir, stateDir;
    std::string logFile;
    bool hardExit = true;
    bool wantPluginDetails = false;
    std::string pluginsDir, projectsDir, scriptsDir;
    bool tipOfTheDay = true;
    bool reopenDocuments = false;
    int scriptingMode = 1;
    int currentTip = 0;
    int launchCount = 0;
    int launchCountdown = 75;
    bool demoMode = false;
    bool pluginPause = false;
    std::string shellFont;
    std::function<std::vector<std::string>()> fontsProvider;
    std::mutex fontLock;
};

Values& values()
{
    static Values* v = new Values;
    return *v;
}

std::string withSlash(std::string dir)
{
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

// $name when set to an absolute path, else $HOME/fallback.
std::string xdgDirectory(const char* name, const char* fallback)
{
    if (const char* x = std::getenv(name); x && *x == '/')
        return withSlash(x);
    const char* home = std::getenv("HOME");
    return withSlash(std::string(home && *home ? home : ".") + "/" + fallback);
}

// The program is installed when it stands in PREFIX/bin without a Plugins/
// folder beside it and the shipped plug-in folder exists under PREFIX.
void decideLayout(Values& v)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    v.installed = false;
    v.prefix.clear();
    v.dataDir = v.stateDir = v.programDir;
    if (fs::is_directory(v.programDir + "Plugins", ec))
        return;
    fs::path dir = fs::path(v.programDir).parent_path();
    fs::path bin = QX_INSTALL_BINDIR;
    for (auto part = bin.begin(); part != bin.end(); ++part)
        dir = dir.parent_path();
    const std::string prefix = withSlash(dir.string());
    if (fs::path(v.programDir).parent_path() != fs::path(prefix) / bin
        || !fs::is_directory(prefix + QX_INSTALL_PLUGINDIR, ec))
        return;
    v.installed = true;
    v.prefix = prefix;
    v.dataDir = xdgDirectory("XDG_DATA_HOME", ".local/share") + "Quorvix/";
    v.stateDir = xdgDirectory("XDG_STATE_HOME", ".local/state") + "Quorvix/";
}

// An installed program's Scripts/ starts as a copy of the shipped scripts.
// Only a folder that does not exist yet is seeded: the user's own scripts
// and deletions are never overwritten.
void seedScripts(const Values& v)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string shipped = v.prefix + QX_INSTALL_DATADIR "/Scripts";
    if (!v.installed || fs::exists(v.scriptsDir, ec) || !fs::is_directory(shipped, ec))
        return;
    fs::create_directories(v.scriptsDir, ec);
    fs::copy(shipped, v.scriptsDir, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    if (ec)
        ReportKernelWarning(kModule, std::nullopt, "Unable to copy the shipped scripts to " + v.scriptsDir + ": " + ec.message());
}

void setDefaults(Values& v)
{
    v.logFile = v.stateDir + "debug.log";
    v.hardExit = true;
    v.wantPluginDetails = false;
    v.pluginsDir = v.installed ? withSlash(v.prefix + QX_INSTALL_PLUGINDIR) : v.programDir + "Plugins/";
    v.projectsDir = v.dataDir + "Projects/";
    v.scriptsDir = v.dataDir + "Scripts/";
    v.tipOfTheDay = true;
    v.reopenDocuments = false;
    v.scriptingMode = 1;
    v.currentTip = 0;
    v.launchCount = 0;
    v.launchCountdown = 75;
}

bool readBool(qx::Registry& reg, const char* name, bool fallback)
{
    return reg.ValueExists(name) ? reg.ReadBool(name) : fallback;
}

int readInt(qx::Registry& reg, const char* name, int fallback)
{
    return reg.ValueExists(name) ? reg.ReadInteger(name) : fallback;
}

std::string readText(qx::Registry& reg, const char* name, const std::string& fallback)
{
    if (!reg.ValueExists(name))
        return fallback;
    if (reg.GetDataType(name) != qx::RegDataType::String)
        throw qx::RegistryError(std::string("invalid data type for value ") + name);
    return reg.ReadString(name);
}

// Lines of the registry file that could not be read cost only themselves: each
// is named in a warning, and the damaged file is kept beside the new one. The
// warnings come once the settings (the log's own among them) are in effect.
void reportDamagedRegistry(const std::vector<std::string>& problems, const std::string& kept)
{
    std::string file = qx::Registry::StoreFileName();
    for (const auto& problem : problems)
        ReportKernelWarning(kModule, std::nullopt, "Left out of " + file + ": " + problem);
    if (!kept.empty())
        ReportKernelWarning(kModule, std::nullopt, "The damaged registry file was kept as " + kept + ".");
}

// Reads the values in their stored order and updates the two launch counters;
// raises on the first problem so the caller falls back to the defaults.
void readRegistry(Values& v)
{
    qx::Registry reg;
    if (!reg.OpenKey(kRegistryRoot, true))
        throw qx::RegistryError(reg.LastError());
    SetEventLogEnabled(readBool(reg, "LoggerEnabled", true));
    v.logFile = readText(reg, "LoggerOutputFile", v.logFile);
    v.hardExit = readBool(reg, "HardExitEnabled", v.hardExit);
    v.wantPluginDetails = readBool(reg, "WantPluginDetails", v.wantPluginDetails);
    v.pluginsDir = readText(reg, "Plugins", v.pluginsDir);
    v.projectsDir = readText(reg, "Projects", v.projectsDir);
    v.scriptsDir = readText(reg, "Scripts", v.scriptsDir);
    v.tipOfTheDay = readBool(reg, "TipOfTheDayEnabled", v.tipOfTheDay);
    v.reopenDocuments = readBool(reg, "ReopenDocuments", v.reopenDocuments);
    v.scriptingMode = readInt(reg, "ScriptingMode", v.scriptingMode) & 0xFF;
    v.currentTip = readInt(reg, "CurrentTip", v.currentTip);
    v.launchCount = std::max(readInt(reg, "LaunchCount", v.launchCount), 0);
    v.launchCountdown = readInt(reg, "LaunchCountdown", v.launchCountdown);

    // A count at the top of its range stays there rather than wrapping negative.
    if (v.launchCount < std::numeric_limits<int32_t>::max())
        ++v.launchCount;
    qx::RegistryBatch batch; // both counters or neither
    reg.WriteInteger("LaunchCount", v.launchCount);
    if (v.launchCountdown > 0)
        reg.WriteInteger("LaunchCountdown", --v.launchCountdown);
    batch.Commit();
}

void writeRoot(const char* name, int value)
{
    qx::Registry reg;
    if (!reg.OpenKey(kRegistryRoot, true))
        throw qx::RegistryError(reg.LastError());
    reg.WriteInteger(name, value);
}

} // namespace

void SetProgramDirectory(const std::string& dir)
{
    std::string d = dir.empty() ? "./" : dir;
    if (d.back() != '/')
        d += '/';
    values().programDir = d;
    decideLayout(values());
    setDefaults(values());
}

std::string GetProgramDirectory()
{
    return values().programDir;
}

void LoadSettings()
{
    Values& v = values();
    v.demoMode = false;
    v.pluginPause = false;
    decideLayout(v);
    setDefaults(v);
    const auto problems = qx::Registry::LoadProblems();
    const std::string kept = problems.empty() ? "" : qx::Registry::KeepDamagedCopy();
    try {
        readRegistry(v);
    } catch (const std::exception& e) {
        setDefaults(v);
        SetEventLogEnabled(true);
        v.launchCountdown = 0;
        ReportKernelWarning(kModule, std::nullopt,
            std::string("Settings could not be read from the registry; defaults are used. ") + e.what());
    }
    reportDamagedRegistry(problems, kept);
    seedScripts(v);
    std::error_code ec;
    // The shipped plug-in folder of an installed program is not the user's
    // to create; every other folder is.
    for (const auto& dir : {v.pluginsDir, v.projectsDir, v.scriptsDir})
        if (!v.installed || dir.rfind(v.prefix, 0) != 0)
            std::filesystem::create_directories(dir, ec);
    if (v.installed)
        std::filesystem::create_directories(v.stateDir, ec);
}

bool IsInstalledLayout() { return values().installed; }
std::string GetUserDataDirectory() { return values().dataDir; }
std::string GetUserStateDirectory() { return values().stateDir; }
std::string GetSharedDataDirectory()
{
    return values().installed ? withSlash(values().prefix + QX_INSTALL_DATADIR) : values().programDir;
}
std::string GetNotepadFileName() { return values().stateDir + "notepad.rtf"; }

std::string GetEventLogFileName() { return values().logFile.empty() ? values().stateDir + "debug.log" : values().logFile; }
std::string GetPluginsDir() { return values().pluginsDir; }
std::string GetProjectsDir() { return values().projectsDir; }
std::string GetScriptsDir() { return values().scriptsDir; }
std::string GetCaptionSeparator() { return " - "; }

void SetInstalledFontsProvider(std::function<std::vector<std::string>()> provider)
{
    std::lock_guard guard(values().fontLock);
    values().fontsProvider = std::move(provider);
    values().shellFont.clear();
}

std::string GetShellFont()
{
    Values& v = values();
    std::lock_guard guard(v.fontLock);
    if (v.shellFont.empty()) {
        v.shellFont = "MS Sans Serif";
        if (v.fontsProvider) {
            for (std::string name : v.fontsProvider()) {
                std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
                if (name == "tahoma") {
                    v.shellFont = "Tahoma";
                    break;
                }
            }
        }
    }
    return v.shellFont;
}

bool HardExitEnabled() { return values().hardExit; }
void SetHardExitEnabled(bool value) { values().hardExit = value; }
bool DemoMode() { return values().demoMode; }
void SetDemoMode(bool value) { values().demoMode = value; }
bool PluginPause() { return values().pluginPause; }
void SetPluginPause(bool value) { values().pluginPause = value; }
bool WantPluginDetails() { return values().wantPluginDetails; }

bool TipOfTheDayEnabled() { return values().tipOfTheDay; }
void SetTipOfTheDayEnabled(bool value)
{
    values().tipOfTheDay = value;
    writeRoot("TipOfTheDayEnabled", value ? 1 : 0);
}

bool ReopenDocumentsEnabled() { return values().reopenDocuments; }
void SetReopenDocumentsEnabled(bool value)
{
    values().reopenDocuments = value;
    writeRoot("ReopenDocuments", value ? 1 : 0);
}

int ScriptingMode() { return values().scriptingMode; }
void SetScriptingMode(int value)
{
    values().scriptingMode = value & 0xFF;
    writeRoot("ScriptingMode", values().scriptingMode);
}

int CurrentTip() { return values().currentTip; }
void SetCurrentTip(int value)
{
    values().currentTip = value;
    writeRoot("CurrentTip", value);
}

int LaunchCount() { return values().launchCount; }
int LaunchCountdown() { return values().launchCountdown; }
void SetLaunchCountdown(int value)
{
    values().launchCountdown = value;
    writeRoot("LaunchCountdown", value);
}
