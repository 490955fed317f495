#include "kernel/CommandLine.h"

#include "kernel/AppInfo.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"

#include <QMessageBox>
#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

std::function<void()> helpPresenter;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

} // namespace

std::vector<std::string>& GetCommandLineFiles()
{
    static std::vector<std::string> files;
    return files;
}

void ParseCommandLine(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        std::string a = lower(arg);
        if (a == "/exitmode=soft")
            SetHardExitEnabled(false);
        if (a == "/exitmode=hard")
            SetHardExitEnabled(true);
        if (a == "/demo=on")
            SetDemoMode(true);
        if (a == "/demo=off")
            SetDemoMode(false);
        if (a == "/eventlog=on")
            SetEventLogEnabled(true);
        if (a == "/eventlog=off")
            SetEventLogEnabled(false);
        if (a == "/pluginpause")
            SetPluginPause(true);
        if (a == "/?" || a == "/help")
            ShowCommandLineHelp();
        if (a.empty())
            continue;
        // File names keep their case: on this file system a lower-cased path
        // would name another file.
        std::string name = arg;
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        else if (name == "\"")
            continue;
        std::error_code ec;
        if (!name.empty() && std::filesystem::is_regular_file(name, ec))
            GetCommandLineFiles().push_back(name);
    }
}

std::string CommandLineHelpText()
{
    static const char* const lines[] = {
        "Quorvix - command line help",
        "",
        "qxrel32.exe [file1 file2...] [/ExitMode=soft | hard] [/Demo=on | off] [/EventLog=on | off] [/PluginPause] [/? | /help]",
        "",
        "[/ExitMode=] details:",
        "  /ExitMode=soft\t-instructs QX to use ExitProcess() API call in case  of fatal errors",
        "  /ExitMode=hard\t-instructs QX to use TerminateProcess() API call in case  of fatal errors (default)",
        "",
        "[/Demo=] details:",
        "  /Demo=off\t-normal operation (default)",
        "  /Demo=on\t-instructs QX to enable all toolbar buttons",
        "",
        "[/EventLog=] details:",
        "  /EventLog=on\t-instructs QX to log kernel events (default)",
        "  /EventLog=off\t-QX will save no event logs",
        "",
        "[/PluginPause] details:",
        "  /PluginPause\t-causes QX to stop after loading plugins",
        "",
        "[/? | /help] details:",
        "  /? or /help\t-displays this help dialog",
    };
    std::string text;
    for (const char* line : lines) {
        if (!text.empty())
            text += "\r\n";
        text += line;
    }
    return text;
}

void SetCommandLineHelpPresenter(std::function<void()> presenter)
{
    helpPresenter = std::move(presenter);
}

void ShowCommandLineHelp()
{
    if (helpPresenter) {
        helpPresenter();
        return;
    }
    QString text = QString::fromStdString(CommandLineHelpText()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok);
    box.exec();
}
