#pragma once
// Commands on whole lines of the editor: comments, duplicating, deleting,
// moving, joining, sorting, changing case and trimming trailing blanks. Each
// works on the lines the selection touches (or the caret's line) and makes
// one undo step; each returns false when it changed nothing.
#include <QKeySequence>
#include <QList>
#include <QString>

class QsciScintilla;
struct TLanguage;

// Comments out the lines, or uncomments them when every non-blank one is
// commented. Languages without a line comment get a block comment around
// each line. False for a language without comments.
bool ToggleLineComment(QsciScintilla* editor, const TLanguage* language);
// Puts the selection (or the caret's line) in a block comment, or takes a
// block comment around it away.
bool ToggleBlockComment(QsciScintilla* editor, const TLanguage* language);
// Whether the language has the markers for the two commands.
bool HasLineComment(const TLanguage* language);
bool HasBlockComment(const TLanguage* language);

// Removes blanks at the ends of the lines first to last (-1: the last line).
bool TrimTrailingBlanks(QsciScintilla* editor, int first = 0, int last = -1);
// Adds a line break at the end of a text that does not end with one.
bool EnsureFinalLineBreak(QsciScintilla* editor);

struct TLineCommand {
    // Object name of the command's action.
    const char* Id;
    // Menu item and undo step.
    QString Text;
    QString StepName;
    // Empty: only in the menu.
    QKeySequence Key;
    bool (*Run)(QsciScintilla* editor);
};

// The commands of the "Řádky" menu, in menu order.
const QList<TLineCommand>& LineCommands();
