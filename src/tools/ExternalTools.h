#pragma once
// External tools: the programs the user registers to work on the document
// being edited, their registry list, the macros of their command lines, and
// ExecuteFile, the operation behind tools, help contents and the script
// function of the same name that runs a program or opens a document.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

// One tool. CommandLine is the program path in double quotes, followed, when
// there are parameters, by one blank and the parameter text, which may hold
// "%file%" and "%dir%". ShortCut is a shortcut code (platform/ShortcutCode.h).
// SaveDocuments: every named document is saved before the tool starts.
struct TExternalTool {
    QString CommandLine;
    QString DisplayName;
    uint16_t ShortCut = 0;
    bool SaveDocuments = false;
    bool operator==(const TExternalTool&) const = default;
};

// The registry key of the list, below HKEY_CURRENT_USER.
inline constexpr const char* kExternalToolsKey = "Software\\Quorvix\\External Tools";

// Reads tools 1, 2, ... up to the first number whose display name, command
// or shortcut value is missing (or, for the texts, not of their type); what
// follows a gap is ignored. A shortcut value of another type gives the tool
// no shortcut and an event-log warning. A tool's "save documents" value is
// optional (missing: no). Without the key (a fresh installation) the list is
// DefaultExternalTools(); the key is created by the first save.
std::vector<TExternalTool> LoadExternalToolList();
// Whether the registry holds a list of tools (perhaps an empty one).
bool ExternalToolListStored();
// The tools a fresh installation offers: "Sestavit", which builds the active
// document's folder with make, or with cmake --build where the folder (or its
// build subfolder) holds a CMake build; on F9.
std::vector<TExternalTool> DefaultExternalTools();
// Deletes every value of the key, whatever its name, then writes the tools
// as numbers 1, 2, ... with their display name, command, shortcut and save
// documents values. Registry failures raise qx::RegistryError.
void SaveExternalToolList(const std::vector<TExternalTool>& tools);
// Writes only the shortcut values of tools 1, 2, ... (codes in tool order),
// leaving names and commands as they are. Raises qx::RegistryError.
void SaveExternalToolShortcuts(const std::vector<uint16_t>& codes);

// Splits a command text into program and parameters: a text that begins with
// a double quote names the program up to the next quote, and the parameters
// start two characters after it (the quote and one blank); an opening quote
// without a partner names no program. Any other text is all program.
void SplitCommandText(const QString& text, QString& program, QString& parameters);
// The command line of a tool: the program path in quotes (a quote already at
// either end is kept, not doubled), then one blank and the parameters when
// there are any.
QString BuildToolCommandLine(const QString& program, const QString& parameters);

// The folder part of a file name up to and including its last separator;
// empty when it has none.
QString FolderOfFile(const QString& fileName);
// Replaces each macro (case-sensitive, the first of the list that matches) by
// its value in one pass from left to right; an inserted value is never
// scanned again, so a file name that itself holds a macro stays as it is.
QString ExpandMacros(const QString& text, const std::vector<std::pair<QString, QString>>& macros);
// "%file%" and "%dir%" expanded as above.
QString ExpandToolMacros(const QString& text, const QString& file, const QString& dir);

// A tool's command made ready to run for a document: the program and each
// argument with the macros expanded. The parameter text is split into
// arguments by the quoting rules of QProcess::splitCommand before the macros
// are expanded, so a file name with blanks or quotes stays one argument and
// no shell ever sees it. Text is the whole command line expanded, as
// ExecuteFile takes it.
struct TToolCommand {
    QString Program;
    QStringList Arguments;
    QString Text;
};
TToolCommand PrepareToolCommand(const QString& commandLine, const QString& file, const QString& dir);

// The failure message for a command text: the command without the quotes
// around its program, an empty line and the system's error text.
QString ExecuteFileFailureText(const QString& text, const QString& systemError);

// Starts the program or opens the document; on failure shows a message box
// (unless silent) and returns false. A help file (".hlp") opens in the
// program's own help viewer.
bool ExecuteFile(const QString& text, bool silent);
