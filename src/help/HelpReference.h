#pragma once
// The generated part of the script reference: one page per host function, the
// list of all host functions and the table of script error codes, written at
// build time from the host function table (the registration strings), the
// description file (doc/reference/hostfunctions.txt) and the engine's error
// texts, so the reference cannot drift from the program.
//
// The description file is UTF-8 text: "[Group name]" starts a group of
// functions; every other line that is not blank or a "#" comment is
// "Name | one-line description" for the host function of that name.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace qx::help {

struct THostFunctionDoc {
    QString Name;
    QString Group;
    QString Description;
};

struct THostFunctionDocs {
    QStringList Groups;                  // in the order of the file
    QList<THostFunctionDoc> Functions;   // in the order of the file
    QStringList Errors;                  // "line N: ..." for lines that could not be read
};

THostFunctionDocs ParseHostFunctionDocs(const QString& text);

// An example of a host function: a script that runs without the program
// (in qxscript) and the output it prints. Read from a file
// "<Function>.qx" whose first comment lines are "// Výstup:" followed by
// the expected output lines, each after "// ".
struct THostFunctionExample {
    QString Script;
    QString Output;
};
THostFunctionExample ParseHostFunctionExample(const QString& text);
using THostFunctionExamples = QMap<QString, THostFunctionExample>;  // by function name

// Names of the signatures' functions that have no description, and the
// described names that are no host function, in signature order and file
// order.
struct TDocCoverage {
    QStringList Undescribed;
    QStringList Unknown;
};
TDocCoverage CheckHostFunctionDocs(const std::vector<std::string>& signatures, const THostFunctionDocs& docs);

// A signature as a script declares the routine:
// "function AskUser(Question: STRING): BOOLEAN;".
QString SignatureDeclaration(const std::string& signature);
// The script type name of a type code ("STRING"); empty for 0.
QString ScriptTypeName(int code);

// The files to write: paths relative to the output folder and their UTF-8 text.
using TGeneratedFiles = QMap<QString, QString>;

// Writes the host-function pages (with their examples, when given) (kFunctionFolder/<Name>.html and
// kFunctionFolder/index.html) and the error code page ("chyby.html"), all
// under "Help/", and the help file "Qxrel32.hlp" from the contents template,
// whose line "{funkce}" (indented like an entry) is replaced by the groups
// and functions. Functions without a description are listed in the group
// "Další funkce".
TGeneratedFiles GenerateReference(const std::vector<std::string>& signatures, const THostFunctionDocs& docs,
    const QString& contentsTemplate, const THostFunctionExamples& examples = {});

} // namespace qx::help
