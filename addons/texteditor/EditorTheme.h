#pragma once
// One light colour scheme for every file type. The lexers come with their
// own, mutually inconsistent colours; this maps each lexer style, by the
// kind of text it marks (comment, keyword, string...), to the scheme's
// colour, and styles the editor's margins, caret line and selection.
#include <QColor>
#include <QFont>

class QsciLexer;
class QsciScintilla;

namespace theme {
inline const QColor Paper {0xFF, 0xFF, 0xFF};
inline const QColor Text {0x1F, 0x23, 0x28};
inline const QColor Margin {0xF6, 0xF8, 0xFA};
inline const QColor LineNumber {0x8C, 0x95, 0x9F};
inline const QColor CaretLine {0xF1, 0xF5, 0xFB};
inline const QColor Selection {0xC8, 0xDC, 0xF8};
inline const QColor Bookmark {0x2F, 0x81, 0xF7};
inline const QColor ErrorLine {0xFF, 0xEB, 0xE9};
inline const QColor ErrorMarker {0xCF, 0x22, 0x2E};
} // namespace theme

// Fonts and colours of every style of the lexer.
void ApplyLexerTheme(QsciLexer* lexer, const QFont& font);
// Margins, caret, selection, brace matching, folding and whitespace colours
// of the editor; plain text (no lexer) gets the scheme's text colours.
void ApplyEditorTheme(QsciScintilla* editor, const QFont& font);
