#include "EditorTheme.h"

#include <QGuiApplication>
#include <QPalette>

#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

namespace {

struct TStyleLook {
    QColor Color;
    bool Bold = false;
    bool Italic = false;
    // Invalid: the scheme's paper.
    QColor Paper = QColor();
};

TColorScheme makeLight()
{
    TColorScheme s;
    s.Id = QStringLiteral("light");
    s.Paper = QColor(0xFF, 0xFF, 0xFF);
    s.Text = s.Caret = QColor(0x1F, 0x23, 0x28);
    s.Margin = QColor(0xF6, 0xF8, 0xFA);
    s.LineNumber = QColor(0x8C, 0x95, 0x9F);
    s.CaretLine = QColor(0xF1, 0xF5, 0xFB);
    s.Selection = QColor(0xC8, 0xDC, 0xF8);
    s.Bookmark = QColor(0x2F, 0x81, 0xF7);
    s.ErrorLine = QColor(0xFF, 0xEB, 0xE9);
    s.ErrorMarker = QColor(0xCF, 0x22, 0x2E);
    s.BraceBack = QColor(0xD4, 0xF0, 0xD4);
    s.BraceText = QColor(0x11, 0x63, 0x29);
    s.IndentGuide = QColor(0xD8, 0xDE, 0xE4);
    s.Whitespace = QColor(0xC0, 0xC6, 0xCC);
    s.Edge = QColor(0xE8, 0xEB, 0xEE);
    s.FoldMarker = QColor(0xAE, 0xB6, 0xBF);
    s.CallTip = QColor(0xFF, 0xFF, 0xF0);
    s.CallTipHighlight = QColor(0x00, 0x33, 0xB3);
    s.StatusText = QColor(0x57, 0x60, 0x6A);
    s.StatusBorder = QColor(0xD8, 0xDE, 0xE4);
    s.StatusHover = QColor(0xE6, 0xEA, 0xEF);
    s.Inactive = QColor(0x9A, 0xA0, 0xA6);
    s.ErrorText = QColor(0xCF, 0x22, 0x2E);
    s.Removed = QColor(0x82, 0x07, 0x1E);
    s.RemovedBack = QColor(0xFF, 0xEB, 0xE9);
    s.Added = QColor(0x11, 0x63, 0x29);
    s.AddedBack = QColor(0xE6, 0xFF, 0xEC);
    s.Changed = QColor(0x95, 0x3F, 0x00);
    s.ChangedBack = QColor(0xFF, 0xF5, 0xD6);
    s.DocKeyword = QColor(0x6F, 0x42, 0xC1);
    s.Comment = QColor(0x6A, 0x73, 0x7D);
    s.HeaderLevel = s.Delimiter = QColor(0x05, 0x50, 0xAE);
    s.Header = s.Secondary = s.Attribute = QColor(0x87, 0x10, 0x94);
    s.String = QColor(0x06, 0x7D, 0x17);
    s.Escape = QColor(0x00, 0x37, 0xA6);
    s.Number = QColor(0x17, 0x50, 0xEB);
    s.Preprocessor = QColor(0x9E, 0x88, 0x0D);
    s.Keyword = QColor(0x00, 0x33, 0xB3);
    s.ListItem = QColor(0x95, 0x3F, 0x00);
    s.Operator = QColor(0x39, 0x3A, 0x3F);
    return s;
}

TColorScheme makeDark()
{
    TColorScheme s;
    s.Id = QStringLiteral("dark");
    s.Paper = QColor(0x28, 0x2C, 0x34);
    s.Text = QColor(0xAB, 0xB2, 0xBF);
    s.Caret = QColor(0x52, 0x8B, 0xFF);
    s.Margin = QColor(0x21, 0x25, 0x2B);
    s.LineNumber = QColor(0x63, 0x6D, 0x83);
    s.CaretLine = QColor(0x2F, 0x34, 0x3F);
    // Blue like the light scheme's: a grey a shade off the caret line was
    // hard to tell from it.
    s.Selection = QColor(0x26, 0x4F, 0x78);
    s.Bookmark = QColor(0x61, 0xAF, 0xEF);
    s.ErrorLine = QColor(0x4A, 0x24, 0x28);
    s.ErrorMarker = QColor(0xF8, 0x51, 0x49);
    s.BraceBack = QColor(0x2E, 0x4A, 0x3A);
    s.BraceText = QColor(0x98, 0xC3, 0x79);
    s.IndentGuide = QColor(0x3B, 0x40, 0x48);
    s.Whitespace = QColor(0x4B, 0x52, 0x63);
    s.Edge = QColor(0x3B, 0x40, 0x48);
    s.FoldMarker = QColor(0x5C, 0x63, 0x70);
    s.CallTip = QColor(0x21, 0x25, 0x2B);
    s.CallTipHighlight = QColor(0x61, 0xAF, 0xEF);
    s.StatusText = QColor(0x9D, 0xA5, 0xB4);
    s.StatusBorder = QColor(0x18, 0x1A, 0x1F);
    s.StatusHover = QColor(0x2C, 0x31, 0x3A);
    s.Inactive = QColor(0x5C, 0x63, 0x70);
    s.ErrorText = QColor(0xFF, 0x7B, 0x72);
    s.Removed = QColor(0xFF, 0xA1, 0x98);
    s.RemovedBack = QColor(0x4A, 0x24, 0x28);
    s.Added = QColor(0x98, 0xC3, 0x79);
    s.AddedBack = QColor(0x24, 0x3A, 0x2A);
    s.Changed = QColor(0xE5, 0xC0, 0x7B);
    s.ChangedBack = QColor(0x3D, 0x35, 0x24);
    s.DocKeyword = QColor(0xC6, 0x78, 0xDD);
    s.Comment = QColor(0x7F, 0x84, 0x8E);
    s.HeaderLevel = s.Delimiter = QColor(0x61, 0xAF, 0xEF);
    s.Header = QColor(0xE0, 0x6C, 0x75);
    s.Secondary = QColor(0xE5, 0xC0, 0x7B);
    s.Attribute = QColor(0xE0, 0x6C, 0x75);
    s.String = QColor(0x98, 0xC3, 0x79);
    s.Escape = QColor(0x56, 0xB6, 0xC2);
    s.Number = QColor(0xD1, 0x9A, 0x66);
    s.Preprocessor = QColor(0x61, 0xAF, 0xEF);
    s.Keyword = QColor(0xC6, 0x78, 0xDD);
    s.ListItem = QColor(0xD1, 0x9A, 0x66);
    s.Operator = QColor(0x56, 0xB6, 0xC2);
    return s;
}

// The kind of text a style marks, read from the lexer's own description of
// the style. The order of the tests matters: "Inactive keyword" is inactive
// code first, "Unclosed string" an error before a string, "Comment line" a
// comment.
TStyleLook lookFor(const QString& description, const TColorScheme& c)
{
    const QString d = description.toLower();
    auto has = [&d](const char* word) { return d.contains(QLatin1String(word)); };

    if (has("inactive"))
        return {c.Inactive};
    if (has("unclosed") || has("error") || has("unknown") || has("bad"))
        return {c.ErrorText, false, false, c.ErrorLine};
    if (has("removed") || has("deleted"))
        return {c.Removed, false, false, c.RemovedBack};
    if (has("added"))
        return {c.Added, false, false, c.AddedBack};
    if (has("changed"))
        return {c.Changed, false, false, c.ChangedBack};
    if (has("javadoc keyword") || has("task marker"))
        return {c.DocKeyword, true, true};
    if (has("comment"))
        return {c.Comment, false, true};
    if (has("header") && has("level"))
        return {c.HeaderLevel, true};
    if (has("header") || has("command") || has("section"))
        return {c.Header, true};
    if (has("position") || has("delimiter") || has("horizontal rule"))
        return {c.Delimiter};
    if (has("string") || has("character") || has("verbatim") || has("here document") || has("backticks") ||
        has("cdata") || has("code") || has("regular expression") || (has("value") && !has("default value")))
        return {c.String};
    if (has("escape"))
        return {c.Escape, true};
    if (has("number") || has("literal") || has("uuid") || has("iri"))
        return {c.Number};
    if (has("pre-processor") || has("preprocessor") || has("decorator") || has("@-rule") || has("media rule") ||
        has("important") || has("special") || has("pre-char"))
        return {c.Preprocessor};
    if (has("secondary") || has("global class") || has("user defined") || has("class name") ||
        has("highlighted identifier") || has("builtin") || has("json-ld"))
        return {c.Secondary};
    if (has("keyword") || (has("word") && !has("password")) || has("function") || has("target") || has("tag") ||
        has("property") || has("selector") || has("key") || has("label") || has("block"))
        return {c.Keyword, !has("end of") && !has("attribute")};
    if (has("attribute") || has("variable") || has("scalar") || has("parameter") || has("entity") ||
        has("reference") || has("link") || has("pseudo"))
        return {c.Attribute};
    if (has("emphasis"))
        return {c.Text, has("strong"), !has("strong")};
    if (has("list item") || has("block quote") || has("strike"))
        return {c.ListItem};
    if (has("operator") || has("symbol") || has("assignment"))
        return {c.Operator};
    return {c.Text};
}

} // namespace

const TColorScheme& LightScheme()
{
    static const TColorScheme scheme = makeLight();
    return scheme;
}

const TColorScheme& DarkScheme()
{
    static const TColorScheme scheme = makeDark();
    return scheme;
}

bool DesktopIsDark()
{
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

const TColorScheme& SchemeFor(const QString& id)
{
    if (id == LightScheme().Id)
        return LightScheme();
    if (id == DarkScheme().Id)
        return DarkScheme();
    return DesktopIsDark() ? DarkScheme() : LightScheme();
}

void ApplyLexerTheme(QsciLexer* lexer, const QFont& font, const TColorScheme& scheme)
{
    lexer->setDefaultPaper(scheme.Paper);
    lexer->setDefaultColor(scheme.Text);
    lexer->setDefaultFont(font);
    lexer->setFont(font, -1);
    lexer->setPaper(scheme.Paper, -1);
    // Lexers number their styles below 128; 32 to 39 are the editor's own
    // (line numbers, brace highlight...).
    for (int style = 0; style < 128; ++style) {
        if (style >= 32 && style < 40)
            continue;
        const QString description = lexer->description(style);
        if (description.isEmpty())
            continue;
        const TStyleLook look = lookFor(description, scheme);
        const QColor paper = look.Paper.isValid() ? look.Paper : scheme.Paper;
        QFont styleFont = font;
        styleFont.setBold(look.Bold);
        styleFont.setItalic(look.Italic);
        lexer->setColor(look.Color, style);
        lexer->setPaper(paper, style);
        lexer->setFont(styleFont, style);
        lexer->setEolFill(paper != scheme.Paper, style);
    }
}

void ApplyEditorTheme(QsciScintilla* editor, const QFont& font, const TColorScheme& scheme)
{
    editor->setPaper(scheme.Paper);
    editor->setColor(scheme.Text);
    editor->setFont(font);
    editor->setCaretForegroundColor(scheme.Caret);
    editor->setCaretLineVisible(true);
    editor->setCaretLineBackgroundColor(scheme.CaretLine);
    editor->setSelectionBackgroundColor(scheme.Selection);
    editor->resetSelectionForegroundColor();

    QFont marginFont = font;
    marginFont.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.9 : 9);
    editor->setMarginsFont(marginFont);
    editor->setMarginsBackgroundColor(scheme.Margin);
    editor->setMarginsForegroundColor(scheme.LineNumber);
    editor->setFoldMarginColors(scheme.Margin, scheme.Margin);

    editor->setMatchedBraceBackgroundColor(scheme.BraceBack);
    editor->setMatchedBraceForegroundColor(scheme.BraceText);
    editor->setUnmatchedBraceBackgroundColor(scheme.ErrorLine);
    editor->setUnmatchedBraceForegroundColor(scheme.ErrorMarker);

    editor->setIndentationGuidesBackgroundColor(scheme.Paper);
    editor->setIndentationGuidesForegroundColor(scheme.IndentGuide);
    editor->setWhitespaceForegroundColor(scheme.Whitespace);
    editor->setEdgeColor(scheme.Edge);
}
