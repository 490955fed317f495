#include "tools/ExternalTools.h"

#include "help/HelpViewer.h"
#include "kernel/Kernel.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShortcutCode.h"
#include "ui/QXMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>

#include <algorithm>

namespace {

std::string valueName(size_t number, const char* what)
{
    return "tool " + std::to_string(number) + ", " + what;
}

} // namespace

bool ExternalToolListStored()
{
    return qx::Registry().KeyExists(kExternalToolsKey);
}

std::vector<TExternalTool> DefaultExternalTools()
{
    // The shell picks the build: a CMake build folder here or in build/,
    // otherwise make. The tool runs in the document's folder.
    TExternalTool build;
    build.DisplayName = QStringLiteral("Sestavit");
    build.CommandLine = QStringLiteral(
        "\"/bin/sh\" -c \"if [ -f CMakeCache.txt ]; then exec cmake --build .; elif [ -f build/CMakeCache.txt ]; "
        "then exec cmake --build build; else exec make; fi\"");
    build.ShortCut = ShortcutCodeFromKeys(QKeySequence(Qt::Key_F9));
    build.SaveDocuments = true;
    return {build};
}

std::vector<TExternalTool> LoadExternalToolList()
{
    std::vector<TExternalTool> tools;
    if (!ExternalToolListStored())
        return DefaultExternalTools();
    qx::Registry reg;
    if (!reg.OpenKey(kExternalToolsKey, false))
        return tools;
    for (size_t n = 1;; ++n) {
        const std::string name = valueName(n, "display name"), command = valueName(n, "command"),
                          shortcut = valueName(n, "shortcut");
        // A value of the wrong type counts as missing: the list ends there
        // instead of failing the frame's creation. A damaged shortcut alone
        // costs only the shortcut, not the tool and every tool after it.
        if (reg.GetDataType(name) != qx::RegDataType::String || reg.GetDataType(command) != qx::RegDataType::String
            || !reg.ValueExists(shortcut))
            break;
        TExternalTool tool;
        tool.DisplayName = QString::fromStdString(reg.ReadString(name));
        tool.CommandLine = QString::fromStdString(reg.ReadString(command));
        if (reg.GetDataType(shortcut) == qx::RegDataType::Integer)
            tool.ShortCut = uint16_t(uint32_t(reg.ReadInteger(shortcut)) & 0xFFFF);
        else
            ReportKernelWarning("Server\\FrameWindow", std::nullopt,
                "LoadExternalTools: the value \"" + shortcut + "\" is not a shortcut code; the tool has no shortcut.");
        const std::string save = valueName(n, "save documents");
        tool.SaveDocuments = reg.GetDataType(save) == qx::RegDataType::Integer && reg.ReadInteger(save) != 0;
        tools.push_back(tool);
    }
    return tools;
}

void SaveExternalToolList(const std::vector<TExternalTool>& tools)
{
    qx::Registry reg;
    if (!reg.OpenKey(kExternalToolsKey, true))
        throw qx::RegistryError(reg.LastError());
    for (const std::string& name : reg.GetValueNames())
        if (!reg.DeleteValue(name))
            throw qx::RegistryError(reg.LastError());
    for (size_t i = 0; i < tools.size(); ++i) {
        reg.WriteString(valueName(i + 1, "display name"), tools[i].DisplayName.toStdString());
        reg.WriteString(valueName(i + 1, "command"), tools[i].CommandLine.toStdString());
        reg.WriteInteger(valueName(i + 1, "shortcut"), tools[i].ShortCut);
        reg.WriteInteger(valueName(i + 1, "save documents"), tools[i].SaveDocuments ? 1 : 0);
    }
}

void SaveExternalToolShortcuts(const std::vector<uint16_t>& codes)
{
    if (!ExternalToolListStored()) {
        // The offered tools live only in the program until the first save:
        // shortcut values alone would make an empty stored list of them.
        std::vector<TExternalTool> tools = DefaultExternalTools();
        for (size_t i = 0; i < codes.size() && i < tools.size(); ++i)
            tools[i].ShortCut = codes[i];
        SaveExternalToolList(tools);
        return;
    }
    qx::RegistryBatch batch; // every value in one write
    qx::Registry reg;
    if (!reg.OpenKey(kExternalToolsKey, true))
        throw qx::RegistryError(reg.LastError());
    for (size_t i = 0; i < codes.size(); ++i)
        reg.WriteInteger(valueName(i + 1, "shortcut"), codes[i]);
    batch.Commit();
}

void SplitCommandText(const QString& text, QString& program, QString& parameters)
{
    program = text;
    parameters.clear();
    if (!text.startsWith(QLatin1Char('"')))
        return;
    QString rest = text.mid(1);
    int quote = rest.indexOf(QLatin1Char('"'));
    if (quote < 0) {
        // An opening quote without a partner names no program.
        program.clear();
        return;
    }
    program = rest.left(quote);
    parameters = rest.mid(quote + 2);
}

QString BuildToolCommandLine(const QString& program, const QString& parameters)
{
    QString command = program;
    if (!command.startsWith(QLatin1Char('"')))
        command.prepend(QLatin1Char('"'));
    // A lone quote is both the opening and the closing one.
    if (command.size() < 2 || !command.endsWith(QLatin1Char('"')))
        command.append(QLatin1Char('"'));
    if (!parameters.isEmpty())
        command += QLatin1Char(' ') + parameters;
    return command;
}

QString FolderOfFile(const QString& fileName)
{
    qsizetype last = fileName.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    last = std::max(last, fileName.lastIndexOf(QLatin1Char('\\')));
#endif
    return last < 0 ? QString() : fileName.left(last + 1);
}

QString ExpandMacros(const QString& text, const std::vector<std::pair<QString, QString>>& macros)
{
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        auto macro = std::find_if(macros.begin(), macros.end(),
            [&](const auto& m) { return QStringView(text).mid(i).startsWith(m.first); });
        if (macro != macros.end()) {
            result += macro->second;
            i += macro->first.size();
        } else {
            result += text[i++];
        }
    }
    return result;
}

QString ExpandToolMacros(const QString& text, const QString& file, const QString& dir)
{
    return ExpandMacros(text, {{QStringLiteral("%file%"), file}, {QStringLiteral("%dir%"), dir}});
}

TToolCommand PrepareToolCommand(const QString& commandLine, const QString& file, const QString& dir)
{
    TToolCommand command;
    QString program, parameters;
    SplitCommandText(commandLine, program, parameters);
    command.Program = ExpandToolMacros(program, file, dir);
    for (const QString& argument : QProcess::splitCommand(parameters))
        command.Arguments.append(ExpandToolMacros(argument, file, dir));
    command.Text = ExpandToolMacros(commandLine, file, dir);
    return command;
}

QString ExecuteFileFailureText(const QString& text, const QString& systemError)
{
    // The command as split, without the quotes around the program.
    QString shown = text;
    if (text.startsWith(QLatin1Char('"'))) {
        QString program, parameters;
        SplitCommandText(text, program, parameters);
        shown = program.isEmpty() ? text.mid(1) : program;
        if (!parameters.isEmpty())
            shown += QLatin1Char(' ') + parameters;
    }
    return QStringLiteral("Program nebo dokument %1 není možné otevřít.").arg(shown) + QStringLiteral("\n\n")
        + systemError.left(255);
}

bool ExecuteFile(const QString& text, bool silent)
{
    QString program, parameters;
    SplitCommandText(text, program, parameters);
    // The program's help files open in its own help viewer, which needs no
    // browser and no help program of the system.
    if (parameters.isEmpty() && qx::help::IsHelpFile(program) && qx::help::ShowHelpFile(program))
        return true;
    QString error;
    if (qx::ShellOpen(program, parameters, &error))
        return true;
    if (!silent)
        QMessageBox::critical(DefaultDialogOwner(), QStringLiteral("Quorvix 2"), ExecuteFileFailureText(text, error));
    return false;
}
