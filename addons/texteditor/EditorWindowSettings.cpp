// The text editor window's presentation: colours of the scheme, the user's
// settings and their dialog, indentation found in the file, the language
// and the script editor's support.
#include "EditorWindow.h"

#include "EditorTheme.h"
#include "EditorWindowParts.h"
#include "FileTypes.h"
#include "Sci.h"
#include "ScriptHelp.h"
#include "ScriptSupport.h"
#include "WordCompletion.h"

#include <QX_PluginHelpers.h>

#include <QLabel>
#include <QToolButton>

#include <Qsci/qscilexer.h>

#include <map>

namespace {

// Leading indentation of each of the first lines tells whether the file
// indents with tabs or spaces and by how much.
constexpr int kIndentSampleLines = 2000;

} // namespace

// ---------------------------------------------------------------------------
// Presentation
// ---------------------------------------------------------------------------

void TTextEditorWindow::applyColours()
{
    const TColorScheme& c = *scheme_;
    const QFont font = settings_.Font();
    if (QsciLexer* lexer = editor_->lexer())
        ApplyLexerTheme(lexer, font, c);
    ApplyEditorTheme(editor_, font, c);
    editor_->setMarginBackgroundColor(kSymbolMargin, c.Margin);
    editor_->setMarkerBackgroundColor(c.Bookmark, kBookmarkMarker);
    editor_->setMarkerForegroundColor(c.Bookmark, kBookmarkMarker);
    editor_->setMarkerBackgroundColor(c.ErrorLine, kErrorLineMarker);
    editor_->setMarkerBackgroundColor(c.ErrorMarker, kErrorSymbolMarker);
    editor_->setMarkerForegroundColor(c.ErrorMarker, kErrorSymbolMarker);
    editor_->setIndicatorForegroundColor(c.ErrorMarker, kErrorIndicator);
    QColor errorFill = c.ErrorMarker;
    errorFill.setAlpha(40);
    editor_->setIndicatorForegroundColor(errorFill, kErrorLineIndicator);
    errorFill.setAlpha(0);
    editor_->setIndicatorOutlineColor(errorFill, kErrorLineIndicator);
    // The fold symbols (markers 25 to 31), set directly: the component's
    // colour setters skip markers it did not allocate itself.
    for (int marker = 25; marker <= 31; ++marker) {
        editor_->SendScintilla(QsciScintillaBase::SCI_MARKERSETFORE, static_cast<unsigned long>(marker), c.Paper);
        editor_->SendScintilla(QsciScintillaBase::SCI_MARKERSETBACK, static_cast<unsigned long>(marker), c.FoldMarker);
    }
    editor_->setCallTipsBackgroundColor(c.CallTip);
    editor_->setCallTipsForegroundColor(c.Text);
    editor_->setCallTipsHighlightColor(c.CallTipHighlight);
    statusStrip_->setStyleSheet(QStringLiteral(
        "#statusStrip { background: %1; border-top: 1px solid %2; }"
        "#statusStrip QLabel, #statusStrip QToolButton { color: %3; padding: 1px 6px; border: none; }"
        "#statusStrip QToolButton:hover { background: %4; border-radius: 3px; }"
        "#statusStrip QToolButton::menu-indicator { image: none; width: 0; }")
                                    .arg(c.Margin.name(), c.StatusBorder.name(), c.StatusText.name(), c.StatusHover.name()));
}

void TTextEditorWindow::applySettings()
{
    scheme_ = &SchemeFor(settings_.ColorScheme);
    applyColours();
    editor_->setEolVisibility(settings_.ShowLineEnds);
    editor_->setAutoIndent(settings_.AutoIndent);
    completion_->SetAutomatic(settings_.AutoCompletion);
    editor_->setWrapMode(settings_.WrapLines ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
    editor_->setWrapVisualFlags(QsciScintilla::WrapFlagByBorder);
    editor_->setWhitespaceVisibility(settings_.ShowWhitespace ? QsciScintilla::WsVisible : QsciScintilla::WsInvisible);
    editor_->setIndentationGuides(settings_.ShowIndentGuides);
    if (settings_.EdgeColumn > 0) {
        editor_->setEdgeMode(QsciScintilla::EdgeLine);
        editor_->setEdgeColumn(settings_.EdgeColumn);
    } else {
        editor_->setEdgeMode(QsciScintilla::EdgeNone);
    }
    applyIndentation();
    lineDigits_ = 0;
    updateLineNumberMargin();
    updateStatusBar();
}

void TTextEditorWindow::applyIndentation()
{
    const bool detected = (settings_.DetectIndentation || indentOverride_) && detectedTabs_.has_value();
    useTabs_ = detected ? *detectedTabs_ : !settings_.UseSpaces;
    indentWidth_ = detected && detectedWidth_ > 0 ? detectedWidth_ : settings_.TabWidth;
    editor_->setTabWidth(settings_.TabWidth);
    editor_->setIndentationsUseTabs(useTabs_);
    editor_->setIndentationWidth(useTabs_ ? 0 : indentWidth_);
    updateStatusBar();
}

void TTextEditorWindow::detectIndentation()
{
    detectedTabs_.reset();
    detectedWidth_ = 0;
    indentOverride_ = false;
    const char* text = SciCharacters(editor_);
    const long length = SciLength(editor_);
    int tabLines = 0, spaceLines = 0, previous = 0;
    std::map<int, int> steps;
    long at = 0;
    for (int line = 0; line < kIndentSampleLines && at < length; ++line) {
        int spaces = 0;
        bool tab = false;
        long p = at;
        while (p < length && (text[p] == ' ' || text[p] == '\t')) {
            tab = tab || text[p] == '\t';
            ++spaces;
            ++p;
        }
        const bool blank = p >= length || text[p] == '\n' || text[p] == '\r';
        if (!blank) {
            if (tab)
                ++tabLines;
            else if (spaces > 0)
                ++spaceLines;
            if (!tab) {
                const int step = std::abs(spaces - previous);
                if (step >= 2 && step <= 8)
                    ++steps[step];
                previous = spaces;
            }
        }
        while (p < length && text[p] != '\n' && text[p] != '\r')
            ++p;
        at = p + ((p + 1 < length && text[p] == '\r' && text[p + 1] == '\n') ? 2 : 1);
    }
    // Only a clear majority counts; a file with a few stray lines keeps the
    // user's setting.
    if (tabLines + spaceLines < 3)
        return;
    if (tabLines > spaceLines * 3) {
        detectedTabs_ = true;
    } else if (spaceLines > tabLines * 3) {
        detectedTabs_ = false;
        int best = 0;
        for (const auto& [step, count] : steps)
            if (count > best)
                best = count, detectedWidth_ = step;
    }
}

void TTextEditorWindow::setLanguage(const QString& id)
{
    QsciLexer* old = editor_->lexer();
    QsciLexer* lexer = nullptr;
    if (id == kScriptLanguageId)
        lexer = new TScriptLexer(editor_);
    else if (!id.isEmpty())
        lexer = CreateLexer(id, editor_);
    languageId_ = lexer ? id : QString();
    if (lexer && id == kScriptLanguageId && !scriptRoutines_.isEmpty())
        new TScriptApis(lexer, scriptRoutines_);
    completion_->SetKeywords(languageId_ == kScriptLanguageId ? ScriptKeywords() : LanguageKeywords(languageId_));
    completion_->SetCaseSensitive(LanguageIsCaseSensitive(languageId_));
    if (lexer)
        ApplyLexerTheme(lexer, settings_.Font(), *scheme_);
    editor_->setLexer(lexer);
    delete old;
    // The fold symbols are made anew with the folding; without a lexer the
    // editor's own colours apply to the text.
    editor_->setFolding(lexer ? QsciScintilla::BoxedTreeFoldStyle : QsciScintilla::NoFoldStyle, kFoldMargin);
    applyColours();
    updateStatusBar();
    QXNotifyTextChanged(this);
}

void TTextEditorWindow::setupScriptSupport()
{
    QStringList signatures;
    QXGetValidScriptTokens(&signatures);
    scriptRoutines_ = ParseScriptSignatures(signatures + BuiltinScriptSignatures());
    setLanguage(kScriptLanguageId);
    // Only names of the script are words to complete, not words of its
    // comments and strings.
    completion_->SetCodeWordsOnly(true);
    scriptHelp_ = new TScriptHelp(editor_);
    editor_->setCallTipsStyle(QsciScintilla::CallTipsContext);
    editor_->setCallTipsVisible(0);
}

void TTextEditorWindow::editSettings()
{
    TEditorSettingsDialog dialog(settings_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.Result().Save();
    settings_ = TEditorSettings::Load();
    applySettings();
    // Every other editor window follows.
    QXReloadToolSettingsByClass(metaObject()->className());
}
