#pragma once
// What the script editor knows about the host's script language: its
// keywords for the lexer, the routines a script can call (the host's
// functions, handed over by the host as signature lines, and the built-in
// routines) for auto-completion and call tips, and where in the editor a
// position reported by the script engine lies.
#include "TextFileFormat.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <Qsci/qsciabstractapis.h>
#include <Qsci/qscilexerpascal.h>

// The Pascal lexer with the script language's keywords and type names.
class TScriptLexer : public QsciLexerPascal {
public:
    explicit TScriptLexer(QObject* parent);
    const char* keywords(int set) const override;
};

// One routine a script can call.
struct TScriptRoutine {
    QString Name;
    // "AskUser(Question: STRING): BOOLEAN"; the bare name when the routine
    // takes no parameters.
    QString CallTip;
    bool HasParameters = false;
};

// Reads signature lines ("14 AskUser Question 8": result type code, name,
// then parameter names and type codes, "!" marking a var parameter). Lines
// without a name are skipped.
QList<TScriptRoutine> ParseScriptSignatures(const QStringList& lines);
// The built-in routines every script has, as signature lines.
const QStringList& BuiltinScriptSignatures();
// The script keywords in upper case, as a script writer sees them.
const QStringList& ScriptKeywords();

// Whether completion opens by itself in a script for the identifier being
// typed: the rule of WordCompletion.h with the script keywords.
bool OffersCompletion(const QString& word, const QStringList& candidates);

// Auto-completion and call tips from a fixed list of routines and the
// keywords. Matching ignores letter case, as the script language does.
class TScriptApis : public QsciAbstractAPIs {
public:
    TScriptApis(QsciLexer* lexer, QList<TScriptRoutine> routines);

    void updateAutoCompletionList(const QStringList& context, QStringList& list) override;
    QStringList callTips(const QStringList& context, int commas, QsciScintilla::CallTipsStyle style,
        QList<int>& shifts) override;

    const QList<TScriptRoutine>& Routines() const { return routines_; }

private:
    QList<TScriptRoutine> routines_;
};

// The script engine counts positions in bytes of the script as the host
// loads it: every line of the file in its own encoding, each followed by
// CR LF whatever line end the file uses, a UTF-8 mark left out. Returns the
// matching position in the editor's UTF-8 text (a position on the line
// break lands at the line's end), or -1 for a negative position.
qsizetype ScriptPositionToEditor(const QByteArray& utf8Text, const TTextFormat& format, qint64 scriptPosition);
