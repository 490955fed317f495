#include "EditorTheme.h"

#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

namespace {

struct TStyleLook {
    QColor Color;
    bool Bold = false;
    bool Italic = false;
    QColor Paper = theme::Paper;
};

// The kind of text a style marks, read from the lexer's own description of
// the style. The order of the tests matters: "Inactive keyword" is inactive
// code first, "Unclosed string" an error before a string, "Comment line" a
// comment.
TStyleLook lookFor(const QString& description)
{
    const QString d = description.toLower();
    auto has = [&d](const char* word) { return d.contains(QLatin1String(word)); };

    if (has("inactive"))
        return {QColor(0x9A, 0xA0, 0xA6)};
    if (has("unclosed") || has("error") || has("unknown") || has("bad"))
        return {QColor(0xCF, 0x22, 0x2E), false, false, theme::ErrorLine};
    if (has("removed") || has("deleted"))
        return {QColor(0x82, 0x07, 0x1E), false, false, QColor(0xFF, 0xEB, 0xE9)};
    if (has("added"))
        return {QColor(0x11, 0x63, 0x29), false, false, QColor(0xE6, 0xFF, 0xEC)};
    if (has("changed"))
        return {QColor(0x95, 0x3F, 0x00), false, false, QColor(0xFF, 0xF5, 0xD6)};
    if (has("javadoc keyword") || has("task marker"))
        return {QColor(0x6F, 0x42, 0xC1), true, true};
    if (has("comment"))
        return {QColor(0x6A, 0x73, 0x7D), false, true};
    if (has("header") && has("level"))
        return {QColor(0x05, 0x50, 0xAE), true};
    if (has("header") || has("command") || has("section"))
        return {QColor(0x87, 0x10, 0x94), true};
    if (has("position") || has("delimiter") || has("horizontal rule"))
        return {QColor(0x05, 0x50, 0xAE)};
    if (has("string") || has("character") || has("verbatim") || has("here document") || has("backticks") ||
        has("cdata") || has("code") || has("regular expression") || (has("value") && !has("default value")))
        return {QColor(0x06, 0x7D, 0x17)};
    if (has("escape"))
        return {QColor(0x00, 0x37, 0xA6), true};
    if (has("number") || has("literal") || has("uuid") || has("iri"))
        return {QColor(0x17, 0x50, 0xEB)};
    if (has("pre-processor") || has("preprocessor") || has("decorator") || has("@-rule") || has("media rule") ||
        has("important") || has("special") || has("pre-char"))
        return {QColor(0x9E, 0x88, 0x0D)};
    if (has("secondary") || has("global class") || has("user defined") || has("class name") ||
        has("highlighted identifier") || has("builtin") || has("json-ld"))
        return {QColor(0x87, 0x10, 0x94)};
    if (has("keyword") || (has("word") && !has("password")) || has("function") || has("target") || has("tag") ||
        has("property") || has("selector") || has("key") || has("label") || has("block"))
        return {QColor(0x00, 0x33, 0xB3), !has("end of") && !has("attribute")};
    if (has("attribute") || has("variable") || has("scalar") || has("parameter") || has("entity") ||
        has("reference") || has("link") || has("pseudo"))
        return {QColor(0x87, 0x10, 0x94)};
    if (has("emphasis"))
        return {theme::Text, has("strong"), !has("strong")};
    if (has("list item") || has("block quote") || has("strike"))
        return {QColor(0x95, 0x3F, 0x00)};
    if (has("operator") || has("symbol") || has("assignment"))
        return {QColor(0x39, 0x3A, 0x3F)};
    return {theme::Text};
}

} // namespace

void ApplyLexerTheme(QsciLexer* lexer, const QFont& font)
{
    lexer->setDefaultPaper(theme::Paper);
    lexer->setDefaultColor(theme::Text);
    lexer->setDefaultFont(font);
    lexer->setFont(font, -1);
    lexer->setPaper(theme::Paper, -1);
    // Lexers number their styles below 128; 32 to 39 are the editor's own
    // (line numbers, brace highlight...).
    for (int style = 0; style < 128; ++style) {
        if (style >= 32 && style < 40)
            continue;
        const QString description = lexer->description(style);
        if (description.isEmpty())
            continue;
        const TStyleLook look = lookFor(description);
        QFont styleFont = font;
        styleFont.setBold(look.Bold);
        styleFont.setItalic(look.Italic);
        lexer->setColor(look.Color, style);
        lexer->setPaper(look.Paper, style);
        lexer->setFont(styleFont, style);
        lexer->setEolFill(look.Paper != theme::Paper, style);
    }
}

void ApplyEditorTheme(QsciScintilla* editor, const QFont& font)
{
    editor->setPaper(theme::Paper);
    editor->setColor(theme::Text);
    editor->setFont(font);
    editor->setCaretForegroundColor(theme::Text);
    editor->setCaretLineVisible(true);
    editor->setCaretLineBackgroundColor(theme::CaretLine);
    editor->setSelectionBackgroundColor(theme::Selection);
    editor->resetSelectionForegroundColor();

    QFont marginFont = font;
    marginFont.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.9 : 9);
    editor->setMarginsFont(marginFont);
    editor->setMarginsBackgroundColor(theme::Margin);
    editor->setMarginsForegroundColor(theme::LineNumber);
    editor->setFoldMarginColors(theme::Margin, theme::Margin);

    editor->setMatchedBraceBackgroundColor(QColor(0xD4, 0xF0, 0xD4));
    editor->setMatchedBraceForegroundColor(QColor(0x11, 0x63, 0x29));
    editor->setUnmatchedBraceBackgroundColor(theme::ErrorLine);
    editor->setUnmatchedBraceForegroundColor(theme::ErrorMarker);

    editor->setIndentationGuidesBackgroundColor(theme::Paper);
    editor->setIndentationGuidesForegroundColor(QColor(0xD8, 0xDE, 0xE4));
    editor->setWhitespaceForegroundColor(QColor(0xC0, 0xC6, 0xCC));
    editor->setEdgeColor(QColor(0xE8, 0xEB, 0xEE));
}
