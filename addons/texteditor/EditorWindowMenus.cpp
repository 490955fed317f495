// The text editor window's menus: its commands below the editing ones in the
// context menu, and the status bar's buttons for line ends, encoding,
// indentation and language.
#include "EditorWindow.h"

#include "FileTypes.h"
#include "FindReplaceDialog.h"
#include "LineCommands.h"
#include "Sci.h"

#include <QActionGroup>
#include <QMenu>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {

// Adds a titled section. The style sizes a menu by its items only, so a title
// wider than they are would be cut off: the menu grows to fit it.
void addMenuTitle(QMenu* menu, const QString& title)
{
    menu->addSection(title);
    QFont bold = menu->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const QStyle* style = menu->style();
    const int frame = 2 * (style->pixelMetric(QStyle::PM_MenuHMargin, nullptr, menu) +
                              style->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, menu));
    menu->setMinimumWidth(std::max(menu->minimumWidth(),
        metrics.horizontalAdvance(title) + frame + 4 * metrics.averageCharWidth()));
}

} // namespace

// ---------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------

void TTextEditorWindow::fillContextMenu(QMenu* menu)
{
    menu->addSeparator();
    menu->addAction(QStringLiteral("&Najít…"), this, [this] { findDialog()->Open(false); });
    if (!editor_->isReadOnly())
        menu->addAction(QStringLiteral("Nah&radit…"), this, [this] { findDialog()->Open(true); });
    menu->addAction(goToLine_);
    menu->addSeparator();
    const bool writable = !editor_->isReadOnly();
    menu->addAction(completeWord_);
    const TLanguage* language = LanguageById(languageId_);
    lineComment_->setEnabled(writable && HasLineComment(language));
    blockComment_->setEnabled(writable && HasBlockComment(language));
    menu->addAction(lineComment_);
    menu->addAction(blockComment_);
    QMenu* lines = menu->addMenu(QStringLiteral("Řádk&y"));
    lines->setObjectName(QStringLiteral("lineCommands"));
    for (QAction* action : lineActions_) {
        action->setEnabled(writable);
        lines->addAction(action);
    }
    QMenu* marks = menu->addMenu(QStringLiteral("&Záložky"));
    marks->addAction(QStringLiteral("&Přepnout záložku"), this, [this] { toggleBookmark(); });
    marks->addAction(QStringLiteral("&Další záložka"), this, [this] { gotoBookmark(true); })->setEnabled(bookmarks_);
    marks->addAction(QStringLiteral("P&ředchozí záložka"), this, [this] { gotoBookmark(false); })->setEnabled(bookmarks_);
    marks->addAction(QStringLiteral("&Odstranit všechny záložky"), this, [this] { removeBookmarks(); })
        ->setEnabled(bookmarks_);
    QMenu* view = menu->addMenu(QStringLiteral("&Zobrazení"));
    view->addAction(QStringLiteral("&Zvětšit"), editor_, [this] { editor_->zoomIn(); });
    view->addAction(QStringLiteral("Z&menšit"), editor_, [this] { editor_->zoomOut(); });
    view->addAction(QStringLiteral("&Původní velikost"), editor_, [this] { editor_->zoomTo(0); });
    QAction* lineEnds = view->addAction(QStringLiteral("Zobrazit &konce řádků"));
    lineEnds->setCheckable(true);
    lineEnds->setChecked(editor_->eolVisibility());
    connect(lineEnds, &QAction::toggled, this, [this](bool on) { editor_->setEolVisibility(on); });
    view->addSeparator();
    // The component's own "fold all" toggles; these two do what they say.
    view->addAction(QStringLiteral("Sbalit &vše"), editor_, [this] {
        Sci(editor_, QsciScintillaBase::SCI_FOLDALL, QsciScintillaBase::SC_FOLDACTION_CONTRACT);
    });
    view->addAction(QStringLiteral("&Rozbalit vše"), editor_, [this] {
        Sci(editor_, QsciScintillaBase::SCI_FOLDALL, QsciScintillaBase::SC_FOLDACTION_EXPAND);
    });
    QAction* readOnly = menu->addAction(QStringLiteral("&Jen pro čtení"));
    readOnly->setCheckable(true);
    readOnly->setChecked(editor_->isReadOnly());
    connect(readOnly, &QAction::toggled, this, [this](bool on) {
        editor_->setReadOnly(on);
        updateState();
        updateStatusBar();
    });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Nastavení &editoru…"), this, [this] { editSettings(); });
}

void TTextEditorWindow::buildStatusMenus()
{
    QMenu* languages = language_->menu();
    language_->setToolTip(QStringLiteral("Zvýrazňování syntaxe"));
    connect(languages, &QMenu::aboutToShow, this, [this, languages] {
        languages->clear();
        auto add = [this, languages](const QString& name, const QString& id) {
            QAction* action = languages->addAction(name, this, [this, id] { setLanguage(id); });
            action->setCheckable(true);
            action->setChecked(id == languageId_);
        };
        add(QStringLiteral("Prostý text"), QString());
        languages->addSeparator();
        for (const TLanguage& language : Languages())
            add(language.Name, language.Id);
    });

    QMenu* encodings = encoding_->menu();
    encoding_->setToolTip(QStringLiteral("Kódování souboru"));
    connect(encodings, &QMenu::aboutToShow, this, [this, encodings] {
        encodings->clear();
        auto label = [](const TTextFormat& format) {
            const QString description = EncodingDescription(format.Encoding);
            return description.isEmpty() ? EncodingName(format)
                                         : QStringLiteral("%1 – %2").arg(EncodingName(format), description);
        };
        // A file read in the wrong code page is read again in the right one;
        // the chosen encoding is then also the one it is saved in.
        if (!FileName.isEmpty()) {
            QMenu* reopen = encodings->addMenu(QStringLiteral("&Znovu načíst v kódování"));
            reopen->setObjectName(QStringLiteral("reopenEncoding"));
            for (TTextEncoding encoding : TextEncodings()) {
                if (!IsEncodingAvailable(encoding))
                    continue;
                // Named as UTF-16 usually is, with its mark (read either way).
                const TTextFormat choice {encoding, encoding != TTextEncoding::Utf8 && !IsSingleByte(encoding), {}};
                reopen->addAction(label(choice), this, [this, encoding] { reopenAs(encoding); });
            }
        }
        QMenu* saveIn = encodings->addMenu(QStringLiteral("&Uložit v kódování"));
        saveIn->setObjectName(QStringLiteral("saveEncoding"));
        for (TTextEncoding encoding : TextEncodings()) {
            if (!IsEncodingAvailable(encoding))
                continue;
            for (bool bom : {false, true}) {
                // The code pages have no mark; UTF-16 is offered with it, and
                // without it only to a file that has none.
                const bool utf16 = encoding == TTextEncoding::Utf16LE || encoding == TTextEncoding::Utf16BE;
                const bool unmarked = utf16 && encoding == format_.Encoding && !format_.Bom;
                if (encoding != TTextEncoding::Utf8 && bom != utf16 && !(unmarked && !bom))
                    continue;
                const TTextFormat choice {encoding, bom, {}};
                QAction* action = saveIn->addAction(label(choice), this, [this, choice] { setEncoding(choice.Encoding, choice.Bom); });
                action->setCheckable(true);
                action->setChecked(choice.Encoding == format_.Encoding && choice.Bom == format_.Bom);
            }
        }
    });

    QMenu* lineEnds = lineEnd_->menu();
    lineEnd_->setToolTip(QStringLiteral("Konce řádků"));
    connect(lineEnds, &QMenu::aboutToShow, this, [this, lineEnds] {
        lineEnds->clear();
        addMenuTitle(lineEnds, QStringLiteral("Převést konce řádků na"));
        for (TLineEnd lineEnd : {TLineEnd::CrLf, TLineEnd::Lf, TLineEnd::Cr}) {
            QAction* action = lineEnds->addAction(LineEndName(lineEnd), this, [this, lineEnd] { setLineEnd(lineEnd); });
            action->setCheckable(true);
            action->setChecked(lineEnd == format_.LineEnd);
        }
    });

    QMenu* indents = indent_->menu();
    indent_->setToolTip(QStringLiteral("Odsazení"));
    connect(indents, &QMenu::aboutToShow, this, [this, indents] {
        indents->clear();
        QAction* tabs = indents->addAction(QStringLiteral("Odsazovat &tabulátory"), this, [this](bool on) {
            detectedTabs_ = on;
            if (!on && detectedWidth_ == 0)
                detectedWidth_ = settings_.TabWidth;
            applyIndentationOverride();
        });
        tabs->setCheckable(true);
        tabs->setChecked(useTabs_);
        addMenuTitle(indents, QStringLiteral("Šířka odsazení mezerami"));
        for (int width : {2, 3, 4, 8}) {
            QAction* action = indents->addAction(QString::number(width), this, [this, width] {
                detectedTabs_ = false;
                detectedWidth_ = width;
                applyIndentationOverride();
            });
            action->setCheckable(true);
            action->setChecked(!useTabs_ && indentWidth_ == width);
        }
    });
}

void TTextEditorWindow::applyIndentationOverride()
{
    // A choice made for this document wins over the settings' rule.
    indentOverride_ = true;
    applyIndentation();
}
