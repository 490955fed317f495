#pragma once
// The editor's colour schemes, light and dark, for every file type. The
// lexers come with their own, mutually inconsistent colours; this maps each
// lexer style, by the kind of text it marks (comment, keyword, string...),
// to the scheme's colour, and styles the editor's margins, caret line and
// selection.
#include <QColor>
#include <QFont>
#include <QString>

class QsciLexer;
class QsciScintilla;

struct TColorScheme {
    // Stable identifier, kept in the settings: "light", "dark".
    QString Id;
    // The editor
    QColor Paper, Text, Caret, Margin, LineNumber, CaretLine, Selection, Bookmark, ErrorLine, ErrorMarker;
    QColor BraceBack, BraceText, IndentGuide, Whitespace, Edge, FoldMarker, CallTip, CallTipHighlight;
    // The status strip below the text
    QColor StatusText, StatusBorder, StatusHover;
    // Kinds of text the lexers mark
    QColor Inactive, ErrorText, Removed, RemovedBack, Added, AddedBack, Changed, ChangedBack, DocKeyword, Comment;
    QColor HeaderLevel, Header, Delimiter, String, Escape, Number, Preprocessor, Secondary, Keyword, Attribute;
    QColor ListItem, Operator;
};

const TColorScheme& LightScheme();
const TColorScheme& DarkScheme();
// Whether the application's palette shows light text on a dark window.
bool DesktopIsDark();
// The scheme with the id; any other id ("auto") follows the desktop.
const TColorScheme& SchemeFor(const QString& id);

// Fonts and colours of every style of the lexer.
void ApplyLexerTheme(QsciLexer* lexer, const QFont& font, const TColorScheme& scheme);
// Margins, caret, selection, brace matching, folding and whitespace colours
// of the editor; plain text (no lexer) gets the scheme's text colours.
void ApplyEditorTheme(QsciScintilla* editor, const QFont& font, const TColorScheme& scheme);
