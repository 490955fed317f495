#pragma once
// The file types the editor highlights: how a file is recognised (name
// patterns, then its first line), which lexer colours it, and how well each
// of the plug-in's entries opens a file.
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

class QObject;
class QsciLexer;

struct TLanguage {
    // Stable identifier, kept in settings and cookies: "cpp", "python"...
    QString Id;
    // Shown to the user.
    QString Name;
    // Glob patterns matched against the file name without regard to case:
    // "*.cpp", "Makefile", "CMakeLists.txt".
    QStringList Patterns;
    // Comment markers: the one that starts a comment running to the end of
    // the line, and the pair around a block comment. Empty where the
    // language has none.
    QString LineComment = {};
    QString BlockStart = {};
    QString BlockEnd = {};
};

// Every highlighted type, in the order shown to the user.
const QList<TLanguage>& Languages();
// Null for an unknown id.
const TLanguage* LanguageById(const QString& id);
// The type of a file from its name, then from its first line (an
// interpreter line such as "#!/bin/sh", an XML declaration, an HTML
// doctype). Null for plain text.
const TLanguage* DetectLanguage(const QString& fileName, const QByteArray& head);

// The language id of script files, highlighted with the script keywords.
inline const QString kScriptLanguageId = QStringLiteral("qxscript");

// A new lexer for the language, owned by parent; null for plain text. The
// script language's lexer is made by the script support (see ScriptSupport.h).
QsciLexer* CreateLexer(const QString& languageId, QObject* parent);

// The words the language's lexer knows as keywords, for completion: its
// keyword lists but those of documentation comments and of other languages
// a lexer also colours (VBScript in HTML, SQL*Plus commands). Empty for
// plain text and for the script language, whose words the script support
// gives.
const QStringList& LanguageKeywords(const QString& languageId);

// Whether the language tells names apart by letter case ("Count" and
// "count"); Pascal, SQL, batch files and the script language do not.
bool LanguageIsCaseSensitive(const QString& languageId);

// Answers of the two entries' CanOpenFile: 0 cannot, 1 can, 2 preferred.
// The text editor prefers the types it highlights and takes any other file
// that looks like text; the script editor prefers script files only.
uint8_t TextEditorCanOpen(const QString& fileName);
uint8_t ScriptEditorCanOpen(const QString& fileName);

// Open-dialog filter pairs of the two entries.
QString TextEditorFilter();
QString ScriptEditorFilter();

// The first bytes of a file (up to kTextSniffBytes); empty when unreadable.
// ok tells an empty file from an unreadable one.
QByteArray ReadFileHead(const QString& fileName, bool* ok = nullptr);
