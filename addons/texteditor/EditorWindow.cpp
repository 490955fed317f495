// The text editor window: its construction, the host's commands and cookie,
// window events, state and the status bar, bookmarks, printing, script
// errors and the smaller commands. Its files and encodings, presentation and
// settings, and menus are in EditorWindowFiles.cpp, EditorWindowSettings.cpp
// and EditorWindowMenus.cpp.
#include "EditorWindow.h"

#include "EditorContextMenu.h"
#include "EditorTheme.h"
#include "EditorWindowParts.h"
#include "FileTypes.h"
#include "FindReplaceDialog.h"
#include "LineCommands.h"
#include "Sci.h"
#include "ScriptSupport.h"
#include "UndoSteps.h"
#include "WordCompletion.h"

#include <QX_PluginHelpers.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciprinter.h>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>

namespace {

const QString kCaption = QStringLiteral("Quorvix 2");

// What a large document still reports: fold and marker changes.
constexpr long kLargeDocumentEvents = QsciScintillaBase::SC_MOD_CHANGEFOLD | QsciScintillaBase::SC_MOD_CHANGEMARKER;

// A count read from a cookie: digits only. A number too large for any text
// saturates instead of wrapping; the caller clamps it to the text.
std::optional<long> storedCount(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    constexpr long kMax = std::numeric_limits<long>::max();
    long value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const long digit = c.unicode() - u'0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

// A printer that heads every page with the document's name and page number.
class TEditorPrinter : public QsciPrinter {
public:
    explicit TEditorPrinter(QString title)
        : QsciPrinter(QPrinter::HighResolution)
        , title_(std::move(title))
    {
    }

    void formatPage(QPainter& painter, bool drawing, QRect& area, int page) override
    {
        QFont font = painter.font();
        font.setPointSizeF(8);
        const QFontMetrics metrics(font, painter.device());
        const int height = metrics.height();
        if (drawing) {
            painter.save();
            painter.setFont(font);
            painter.setPen(QColor(0x55, 0x5B, 0x62));
            const QRect header(area.left(), area.top(), area.width(), height);
            painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, title_);
            painter.drawText(header, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Strana %1").arg(page));
            painter.drawLine(area.left(), area.top() + height + height / 4, area.right(), area.top() + height + height / 4);
            painter.restore();
        }
        area.setTop(area.top() + height * 2);
    }

private:
    QString title_;
};

bool accessibilityFactoryInstalled = false;

QAccessibleInterface* lightAccessibility(const QString& className, QObject* object)
{
    // Asked for every class of an object's hierarchy, the most derived first:
    // answering for "QsciScintilla" comes before the component's own factory.
    if (className != QLatin1String("QsciScintilla"))
        return nullptr;
    auto* view = dynamic_cast<TEditorView*>(object);
    if (!view || !view->LightAccessibility())
        return nullptr;
    return new QAccessibleWidget(view, QAccessible::EditableText, QStringLiteral("Text dokumentu"));
}

} // namespace

void RemoveEditorAccessibility()
{
    if (accessibilityFactoryInstalled)
        QAccessible::removeFactory(lightAccessibility);
    accessibilityFactoryInstalled = false;
}

TEditorView::TEditorView(QWidget* parent)
    : QsciScintilla(parent)
{
    if (!accessibilityFactoryInstalled) {
        QAccessible::installFactory(lightAccessibility);
        accessibilityFactoryInstalled = true;
    }
}

void TEditorView::SetLightAccessibility(bool light)
{
    if (light == light_)
        return;
    light_ = light;
    // Drop the interface made so far; the next one asked for is the right kind.
    if (QAccessibleInterface* current = QAccessible::queryAccessibleInterface(this))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(current));
}

void TEditorView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateEditingMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (ExtendContextMenu)
        ExtendContextMenu(menu);
    menu->popup(event->globalPos());
    event->accept();
}

TTextEditorWindow::TTextEditorWindow(TKind kind, QWidget* parent)
    : TQX_PluginWindow(parent)
    , kind_(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(kind == TKind::Script ? QStringLiteral("ScriptEditorWindow") : QStringLiteral("TextEditorWindow"));

    editor_ = new TEditorView(this);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setFrameShape(QFrame::NoFrame);
    editor_->setUtf8(true);
    editor_->ExtendContextMenu = [this](QMenu* menu) { fillContextMenu(menu); };
    steps_ = new TUndoSteps(editor_);

    // Line numbers, a symbol margin for bookmarks and error marks, folding.
    editor_->setMarginType(kNumberMargin, QsciScintilla::NumberMargin);
    editor_->setMarginLineNumbers(kNumberMargin, true);
    editor_->setMarginType(kSymbolMargin, QsciScintilla::SymbolMarginColor);
    editor_->setMarginWidth(kSymbolMargin, 16);
    editor_->setMarginSensitivity(kSymbolMargin, true);
    editor_->setMarginMarkerMask(kSymbolMargin, (1 << kBookmarkMarker) | (1 << kErrorSymbolMarker));
    editor_->setFolding(QsciScintilla::BoxedTreeFoldStyle, kFoldMargin);
    editor_->markerDefine(QsciScintilla::Bookmark, kBookmarkMarker);
    editor_->markerDefine(QsciScintilla::Background, kErrorLineMarker);
    editor_->markerDefine(QsciScintilla::Circle, kErrorSymbolMarker);
    editor_->indicatorDefine(QsciScintilla::SquiggleIndicator, kErrorIndicator);
    editor_->indicatorDefine(QsciScintilla::FullBoxIndicator, kErrorLineIndicator);
    editor_->setIndicatorDrawUnder(true, kErrorLineIndicator);

    editor_->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    editor_->setBackspaceUnindents(true);
    editor_->setTabIndents(true);
    editor_->setScrollWidthTracking(true);
    editor_->setScrollWidth(1);
    // Lay out only what is on screen; the rest when it is scrolled to.
    Sci(editor_, QsciScintillaBase::SCI_SETLAYOUTCACHE, QsciScintillaBase::SC_CACHE_PAGE);

    connect(editor_, &QsciScintilla::textChanged, this, [this] {
        if (errorLine_ >= 0)
            clearScriptError();
        updateState();
        QXNotifyTextChanged(this);
    });
    connect(editor_, &QsciScintilla::modificationChanged, this, [this] { updateState(); });
    // Large documents report no text changes (see kFullChangeReportsLimit):
    // the state follows the component's display updates instead.
    connect(editor_, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
        if (!(updated & QsciScintillaBase::SC_UPDATE_CONTENT))
            return;
        if (fullChangeReports_ && SciLength(editor_) > kFullChangeReportsLimit)
            setChangeReports(false);
        if (!fullChangeReports_) {
            updateLineNumberMargin();
            updateState();
            QXNotifyTextChanged(this);
        }
    });
    connect(editor_, &QsciScintilla::selectionChanged, this, [this] {
        updateState();
        updateStatusBar();
    });
    connect(editor_, &QsciScintilla::cursorPositionChanged, this, [this] { updateStatusBar(); });
    connect(editor_, &QsciScintilla::linesChanged, this, [this] { updateLineNumberMargin(); });
    connect(editor_, &QsciScintilla::marginClicked, this, [this](int margin, int line, Qt::KeyboardModifiers) {
        if (margin != kSymbolMargin)
            return;
        editor_->setCursorPosition(line, 0);
        toggleBookmark();
    });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        clipboardHasText_ = data && data->hasText();
        updateState();
    });
    if (const QMimeData* data = QApplication::clipboard()->mimeData())
        clipboardHasText_ = data->hasText();

    // The status bar: caret position on the left, the file's format on the
    // right, each part a menu that changes it.
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("statusStrip"));
    bar->setAttribute(Qt::WA_StyledBackground);
    statusStrip_ = bar;
    position_ = new QLabel(bar);
    position_->setObjectName(QStringLiteral("caretPosition"));
    readOnly_ = new QLabel(QStringLiteral("jen pro čtení"), bar);
    readOnly_->setObjectName(QStringLiteral("readOnly"));
    readOnly_->hide();
    auto statusButton = [bar](const char* name) {
        auto* button = new QToolButton(bar);
        button->setObjectName(QLatin1String(name));
        button->setAutoRaise(true);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setMenu(new QMenu(button));
        return button;
    };
    language_ = statusButton("language");
    indent_ = statusButton("indentation");
    encoding_ = statusButton("encoding");
    lineEnd_ = statusButton("lineEnd");
    QFont small = bar->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    bar->setFont(small);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(6, 1, 6, 1);
    barLayout->setSpacing(2);
    barLayout->addWidget(position_);
    barLayout->addWidget(readOnly_);
    barLayout->addStretch();
    for (QToolButton* b : {language_, indent_, encoding_, lineEnd_})
        barLayout->addWidget(b);
    buildStatusMenus();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(editor_, 1);
    layout->addWidget(bar);
    setFocusProxy(editor_);
    resize(900, 640);

    // In-editor keys that the host does not bind.
    auto key = [this](const QKeySequence& sequence, auto handler) {
        auto* action = new QAction(this);
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_H), [this] { findDialog()->Open(true); });
    key(QKeySequence(Qt::Key_F3), [this] { findDialog()->FindNext(); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findDialog()->FindNext(true); });
    // Go to line, also offered in the context menu with its key.
    goToLine_ = new QAction(QStringLiteral("&Přejít na řádek…"), this);
    goToLine_->setObjectName(QStringLiteral("goToLine"));
    goToLine_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    goToLine_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(goToLine_, &QAction::triggered, this, [this] { goToLine(); });
    addAction(goToLine_);
    // Word completion, also offered in the context menu with its key.
    completion_ = new TWordCompletion(editor_);
    completeWord_ = new QAction(QStringLiteral("Doplnit &slovo"), this);
    completeWord_->setObjectName(QStringLiteral("completeWord"));
    completeWord_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space));
    completeWord_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(completeWord_, &QAction::triggered, this, [this] { completion_->Request(); });
    addAction(completeWord_);
    // Ctrl+Shift+Z redoes as Ctrl+Y does, as in many editors; the
    // component would otherwise type a "Z".
    if (QsciCommand* redo = editor_->standardCommands()->find(QsciCommand::Redo))
        redo->setAlternateKey((Qt::CTRL | Qt::SHIFT | Qt::Key_Z).toCombined());
    key(QKeySequence(Qt::CTRL | Qt::Key_F2), [this] { toggleBookmark(); });
    key(QKeySequence(Qt::Key_F2), [this] { gotoBookmark(true); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_F2), [this] { gotoBookmark(false); });
    setupLineCommands();

    settings_ = TEditorSettings::Load();
    scheme_ = &SchemeFor(settings_.ColorScheme);
    format_ = savedFormat_ = TTextFormat {};
    if (kind_ == TKind::Script)
        setupScriptSupport();
    else
        setLanguage(QString());
    applySettings();
    setFileName(QString());
    updateLineNumberMargin();
    updateStatusBar();
    updateState();
}

TTextEditorWindow::~TTextEditorWindow()
{
    // What watches the editor's events goes before the editor: QWidget still
    // sends events to a widget it takes apart (the pointer leaving it), and
    // they must not reach code that uses the editor then.
    delete scriptHelp_;
    delete completion_;
    if (find_)
        delete find_;
}

// ---------------------------------------------------------------------------
// Host operations
// ---------------------------------------------------------------------------

void TTextEditorWindow::Command(uint8_t code, void* param)
{
    switch (code) {
    case QXC_LOADFILE:
        openFile(QX_FileNameParam(param));
        break;
    case QXC_UNDO:
        editor_->undo();
        break;
    case QXC_REDO:
        editor_->redo();
        break;
    case QXC_UNDOLIST:
        QX_SetStepList(param, steps_->UndoSteps());
        break;
    case QXC_REDOLIST:
        QX_SetStepList(param, steps_->RedoSteps());
        break;
    case QXC_CUT:
        if (editor_->hasSelectedText() && !editor_->isReadOnly())
            editor_->cut();
        break;
    case QXC_COPY:
        if (editor_->hasSelectedText())
            editor_->copy();
        break;
    case QXC_PASTE:
        if (!editor_->isReadOnly())
            editor_->paste();
        break;
    case QXC_SELECTALL:
        editor_->selectAll();
        break;
    case QXC_INSERTTEXT:
        if (!editor_->isReadOnly())
            editor_->replaceSelectedText(QX_TextParam(param));
        break;
    case QXC_FIND:
        findDialog()->Open(false);
        break;
    case QXC_REPLACE:
        findDialog()->Open(true);
        break;
    case QXC_INCINDENT:
        indentSelection(true);
        break;
    case QXC_DECINDENT:
        indentSelection(false);
        break;
    case QXC_TOGGLEBOOKMARK:
        toggleBookmark();
        break;
    case QXC_NEXTBOOKMARK:
        gotoBookmark(true);
        break;
    case QXC_PREVBOOKMARK:
        gotoBookmark(false);
        break;
    case QXC_REMOVEBOOKMARKS:
        removeBookmarks();
        break;
    case QXC_PRINT:
        print();
        break;
    case QXC_SAVE:
        save();
        break;
    case QXC_SAVEAS:
        saveAs();
        break;
    case QXC_RELOADSETTINGS:
        settings_ = TEditorSettings::Load();
        applySettings();
        break;
    case QXC_SHOWERROR:
        showScriptError(QX_IntegerParam(param));
        break;
    case QXC_GOTOLINE:
        if (param)
            showPosition(*static_cast<const TQX_TextPosition*>(param));
        break;
    case QXC_GETTEXT:
        if (param)
            handOverText(*static_cast<TQX_DocumentText*>(param));
        break;
    default:
        break;
    }
    updateState();
}

void TTextEditorWindow::LoadCookie(const QString& cookie)
{
    std::map<QString, QString> values = QX_CookieValues(cookie);
    const long lastLine = std::max(editor_->lines() - 1, 0);
    // "line:column" with the column in bytes of the line. The cookie may be
    // old (the file changed since) or damaged: every number is clamped to
    // the text, and no arithmetic runs on an unclamped one.
    auto position = [this, lastLine](const QString& text, long& out) {
        const QStringList parts = text.split(u':');
        const std::optional<long> line = storedCount(parts.value(0));
        const std::optional<long> column = storedCount(parts.value(1));
        if (!line || !column || parts.size() != 2)
            return false;
        const long clampedLine = std::min(*line, lastLine);
        const long start = Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, clampedLine);
        const long end = Sci(editor_, QsciScintillaBase::SCI_GETLINEENDPOSITION, clampedLine);
        out = *line > clampedLine ? end : start + std::min(*column, end - start);
        // Never inside a character (the file may have changed since).
        if (out < end)
            out = Sci(editor_, QsciScintillaBase::SCI_POSITIONBEFORE, Sci(editor_, QsciScintillaBase::SCI_POSITIONAFTER, out));
        return true;
    };

    // A file in a code page that was read again in another one by hand: the
    // same one the next time, so that what is typed into it is saved in the
    // file's own code page. Only for files that are not UTF text and are
    // unchanged in the editor.
    const std::optional<TTextEncoding> codePage = CodePageByName(values[QStringLiteral("encoding")]);
    if (codePage && *codePage != format_.Encoding && IsSingleByte(format_.Encoding) && !Modified &&
        IsEncodingAvailable(*codePage) && !FileName.isEmpty()) {
        if (loadFromDisk(FileName, *codePage)) {
            QStringList rest;
            for (const auto& [name, value] : values)
                if (name != QLatin1String("encoding"))
                    rest << name + u'=' + value;
            LoadCookie(rest.join(u';'));
        }
        return;
    }

    long caret = 0, anchor = 0;
    if (values.count(QStringLiteral("caret")) && position(values[QStringLiteral("caret")], caret)) {
        if (!values.count(QStringLiteral("anchor")) || !position(values[QStringLiteral("anchor")], anchor))
            anchor = caret;
        Sci(editor_, QsciScintillaBase::SCI_SETSEL, anchor, caret);
    }
    if (values.count(QStringLiteral("bookmarks"))) {
        for (const QString& item : values[QStringLiteral("bookmarks")].split(u',', Qt::SkipEmptyParts)) {
            const std::optional<long> line = storedCount(item);
            if (line && *line <= lastLine && !(editor_->markersAtLine(int(*line)) & (1 << kBookmarkMarker)))
                editor_->markerAdd(int(*line), kBookmarkMarker);
        }
        refreshBookmarks();
    }
    if (const std::optional<long> top = storedCount(values[QStringLiteral("top")])) {
        pendingFirstLine_ = int(std::min(*top, lastLine));
        Sci(editor_, QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, pendingFirstLine_);
    }
    // The horizontal scroll shows the caret's line: no further than its end.
    if (const std::optional<long> x = storedCount(values[QStringLiteral("x")])) {
        const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS));
        const long width = Sci(editor_, QsciScintillaBase::SCI_POINTXFROMPOSITION, 0,
                               Sci(editor_, QsciScintillaBase::SCI_GETLINEENDPOSITION, line)) -
            Sci(editor_, QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, line));
        Sci(editor_, QsciScintillaBase::SCI_SETXOFFSET, std::clamp(*x, 0L, std::max(width, 0L)));
    }
    updateState();
    updateStatusBar();
}

void TTextEditorWindow::SaveCookie(QString& cookie)
{
    auto position = [this](long pos) {
        const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, pos);
        return QStringLiteral("%1:%2").arg(line).arg(pos - Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, line));
    };
    QStringList bookmarks;
    for (int line : bookmarkLines())
        bookmarks << QString::number(line);
    cookie = QStringLiteral("caret=%1;anchor=%2;top=%3;x=%4;bookmarks=%5")
                 .arg(position(Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS)))
                 .arg(position(Sci(editor_, QsciScintillaBase::SCI_GETANCHOR)))
                 .arg(Sci(editor_, QsciScintillaBase::SCI_GETFIRSTVISIBLELINE))
                 .arg(Sci(editor_, QsciScintillaBase::SCI_GETXOFFSET))
                 .arg(bookmarks.join(u','));
    if (IsSingleByte(format_.Encoding))
        cookie += QStringLiteral(";encoding=") + EncodingName(format_);
}

// ---------------------------------------------------------------------------
// Window events
// ---------------------------------------------------------------------------

void TTextEditorWindow::closeEvent(QCloseEvent* event)
{
    QX_CloseDocumentWindow(this, event, maybeSave(), find_);
}

void TTextEditorWindow::changeEvent(QEvent* event)
{
    TQX_PluginWindow::changeEvent(event);
    // The desktop's palette changed: a scheme that follows it follows.
    if (event->type() == QEvent::PaletteChange && &SchemeFor(settings_.ColorScheme) != scheme_) {
        scheme_ = &SchemeFor(settings_.ColorScheme);
        applyColours();
    }
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Inside the host's document area only the current document checks.
        if (!subWindow_ || !subWindow_->mdiArea() || subWindow_->mdiArea()->currentSubWindow() == subWindow_)
            scheduleDiskCheck();
    } else if (event->type() == QEvent::ParentChange) {
        QMdiSubWindow* sub = nullptr;
        for (QWidget* w = parentWidget(); w && !sub; w = w->parentWidget())
            sub = qobject_cast<QMdiSubWindow*>(w);
        if (sub != subWindow_) {
            if (subWindow_)
                disconnect(subWindow_, nullptr, this, nullptr);
            subWindow_ = sub;
            if (sub)
                connect(sub, &QMdiSubWindow::windowStateChanged, this,
                    [this](Qt::WindowStates before, Qt::WindowStates now) {
                        if ((now & Qt::WindowActive) && !(before & Qt::WindowActive))
                            scheduleDiskCheck();
                    });
        }
    }
}

void TTextEditorWindow::showEvent(QShowEvent* event)
{
    TQX_PluginWindow::showEvent(event);
    // The first layout may scroll to the caret; the stored scroll position
    // wins once the window has its size.
    if (pendingFirstLine_ >= 0) {
        QTimer::singleShot(0, this, [this] {
            if (pendingFirstLine_ >= 0)
                Sci(editor_, QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, pendingFirstLine_);
            pendingFirstLine_ = -1;
        });
    }
}

// ---------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------

void TTextEditorWindow::setFileName(const QString& fileName)
{
    const bool changed = fileName != FileName;
    FileName = fileName;
    QString title = fileName.isEmpty()
        ? (kind_ == TKind::Script ? QStringLiteral("Nový skript") : QStringLiteral("Nový dokument"))
        : QFileInfo(fileName).fileName();
    setWindowTitle(title);
    setToolTip(displayName(fileName));
    if (changed) {
        NotifyStateChange();
        QXNotifyTextChanged(this);
    }
}

void TTextEditorWindow::handOverText(TQX_DocumentText& text) const
{
    // The component's length is in UTF-8 bytes, never fewer than the UTF-16
    // code units of the same text: a document under the limit is measured
    // without copying a large one.
    text.Length = SciLength(editor_);
    text.TooLong = text.MaxLength > 0 && text.Length > text.MaxLength;
    text.Text = text.TooLong ? QString() : editor_->text();
    text.Language = languageId_;
}

TQX_CommandSet TTextEditorWindow::currentCommands() const
{
    TQX_CommandSet c;
    const bool readOnly = editor_->isReadOnly();
    const bool selection = editor_->hasSelectedText();
    c.Set(QXC_LOADFILE);
    c.Set(QXC_UNDO, editor_->isUndoAvailable());
    c.Set(QXC_UNDOLIST, editor_->isUndoAvailable() && fullChangeReports_);
    c.Set(QXC_REDO, editor_->isRedoAvailable());
    c.Set(QXC_REDOLIST, editor_->isRedoAvailable() && fullChangeReports_);
    c.Set(QXC_COPY, selection);
    c.Set(QXC_CUT, selection && !readOnly);
    c.Set(QXC_PASTE, clipboardHasText_ && !readOnly);
    c.Set(QXC_SELECTALL, SciLength(editor_) > 0);
    c.Set(QXC_INSERTTEXT, !readOnly);
    c.Set(QXC_FIND);
    c.Set(QXC_REPLACE, !readOnly);
    c.Set(QXC_INCINDENT, !readOnly);
    c.Set(QXC_DECINDENT, !readOnly);
    c.Set(QXC_TOGGLEBOOKMARK);
    c.Set(QXC_NEXTBOOKMARK, bookmarks_);
    c.Set(QXC_PREVBOOKMARK, bookmarks_);
    c.Set(QXC_REMOVEBOOKMARKS, bookmarks_);
    c.Set(QXC_PRINT);
    c.Set(QXC_SAVE, Modified);
    c.Set(QXC_SAVEAS);
    c.Set(QXC_RELOADSETTINGS);
    c.Set(QXC_SHOWERROR, kind_ == TKind::Script);
    c.Set(QXC_GOTOLINE);
    c.Set(QXC_GETTEXT);
    return c;
}

void TTextEditorWindow::updateState()
{
    const bool modified = Sci(editor_, QsciScintillaBase::SCI_GETMODIFY) || outOfSync_ ||
        format_.Encoding != savedFormat_.Encoding || format_.Bom != savedFormat_.Bom;
    completeWord_->setEnabled(!editor_->isReadOnly());
    QX_UpdateWindowState(this, modified, [this] { return currentCommands(); });
}

void TTextEditorWindow::setChangeReports(bool full)
{
    fullChangeReports_ = full;
    editor_->SetLightAccessibility(!full);
    Sci(editor_, QsciScintillaBase::SCI_SETMODEVENTMASK, full ? long(QsciScintillaBase::SC_MODEVENTMASKALL) : kLargeDocumentEvents);
    // Steps made from here on would not be seen: the names are dropped.
    if (!full)
        steps_->Reset();
}

void TTextEditorWindow::updateStatusBar()
{
    int line = 0, index = 0;
    editor_->getCursorPosition(&line, &index);
    const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
    QString text = QStringLiteral("Řádek %1, sloupec %2").arg(line + 1).arg(Sci(editor_, QsciScintillaBase::SCI_GETCOLUMN, caret) + 1);
    const long selStart = Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long selEnd = Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONEND);
    if (selEnd > selStart)
        text += QStringLiteral(" (vybráno %1)").arg(Sci(editor_, QsciScintillaBase::SCI_COUNTCHARACTERS, selStart, selEnd));
    position_->setText(text);
    readOnly_->setVisible(editor_->isReadOnly());
    const TLanguage* language = LanguageById(languageId_);
    language_->setText(language ? language->Name : QStringLiteral("Prostý text"));
    encoding_->setText(EncodingName(format_));
    lineEnd_->setText(LineEndName(format_.LineEnd));
    indent_->setText(useTabs_ ? QStringLiteral("Tabulátory: %1").arg(settings_.TabWidth)
                              : QStringLiteral("Mezery: %1").arg(indentWidth_));
}

void TTextEditorWindow::updateLineNumberMargin()
{
    int digits = 1;
    for (int lines = editor_->lines(); lines >= 10; lines /= 10)
        ++digits;
    digits = std::max(digits, 3);
    if (digits == lineDigits_)
        return;
    lineDigits_ = digits;
    editor_->setMarginWidth(kNumberMargin, QString(digits + 1, u'9'));
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

QList<int> TTextEditorWindow::bookmarkLines() const
{
    QList<int> lines;
    for (long line = Sci(editor_, QsciScintillaBase::SCI_MARKERNEXT, 0, 1 << kBookmarkMarker); line >= 0;
         line = Sci(editor_, QsciScintillaBase::SCI_MARKERNEXT, line + 1, 1 << kBookmarkMarker))
        lines << int(line);
    return lines;
}

void TTextEditorWindow::refreshBookmarks()
{
    bookmarks_ = Sci(editor_, QsciScintillaBase::SCI_MARKERNEXT, 0, 1 << kBookmarkMarker) >= 0;
    updateState();
}

void TTextEditorWindow::toggleBookmark()
{
    int line = 0, index = 0;
    editor_->getCursorPosition(&line, &index);
    if (editor_->markersAtLine(line) & (1 << kBookmarkMarker))
        editor_->markerDelete(line, kBookmarkMarker);
    else
        editor_->markerAdd(line, kBookmarkMarker);
    refreshBookmarks();
}

void TTextEditorWindow::gotoBookmark(bool forward)
{
    int line = 0, index = 0;
    editor_->getCursorPosition(&line, &index);
    const long mask = 1 << kBookmarkMarker;
    long target = forward ? Sci(editor_, QsciScintillaBase::SCI_MARKERNEXT, line + 1, mask)
                          : (line > 0 ? Sci(editor_, QsciScintillaBase::SCI_MARKERPREVIOUS, line - 1, mask) : -1);
    // Past the last bookmark the search goes round.
    if (target < 0)
        target = forward ? Sci(editor_, QsciScintillaBase::SCI_MARKERNEXT, 0, mask)
                         : Sci(editor_, QsciScintillaBase::SCI_MARKERPREVIOUS, editor_->lines() - 1, mask);
    if (target < 0)
        return;
    Sci(editor_, QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, target);
    Sci(editor_, QsciScintillaBase::SCI_GOTOLINE, target);
}

void TTextEditorWindow::removeBookmarks()
{
    editor_->markerDeleteAll(kBookmarkMarker);
    refreshBookmarks();
}

void TTextEditorWindow::print()
{
    const QString title = FileName.isEmpty() ? windowTitle() : displayName(FileName);
    TEditorPrinter printer(title);
    printer.setDocName(windowTitle());
    printer.setWrapMode(QsciScintilla::WrapWord);
    printer.setMagnification(-1);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PrintPreviewDialog"));
    preview.setWindowTitle(QStringLiteral("Tisk – %1").arg(windowTitle()));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
        [this](QPrinter* target) { static_cast<TEditorPrinter*>(target)->printRange(editor_); });
    preview.resize(900, 700);
    // Paper is white: a dark scheme prints in the light one's colours.
    const TColorScheme* shown = scheme_;
    if (scheme_ != &LightScheme()) {
        scheme_ = &LightScheme();
        applyColours();
    }
    preview.exec();
    if (scheme_ != shown) {
        scheme_ = shown;
        applyColours();
    }
}

void TTextEditorWindow::showScriptError(qint64 position)
{
    clearScriptError();
    const QByteArray text(SciCharacters(editor_), SciLength(editor_));
    const qsizetype at = ScriptPositionToEditor(text, format_, position);
    if (at < 0)
        return;
    const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, long(at));
    editor_->markerAdd(int(line), kErrorLineMarker);
    editor_->markerAdd(int(line), kErrorSymbolMarker);
    errorLine_ = int(line);
    long end = Sci(editor_, QsciScintillaBase::SCI_WORDENDPOSITION, long(at), 1);
    if (end <= at)
        end = Sci(editor_, QsciScintillaBase::SCI_POSITIONAFTER, long(at));
    if (end > at) {
        Sci(editor_, QsciScintillaBase::SCI_SETINDICATORCURRENT, kErrorIndicator);
        Sci(editor_, QsciScintillaBase::SCI_INDICATORFILLRANGE, long(at), end - long(at));
    }
    const long lineStart = Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, line);
    const long lineEnd = Sci(editor_, QsciScintillaBase::SCI_GETLINEENDPOSITION, line);
    Sci(editor_, QsciScintillaBase::SCI_SETINDICATORCURRENT, kErrorLineIndicator);
    Sci(editor_, QsciScintillaBase::SCI_INDICATORFILLRANGE, lineStart, std::max(lineEnd - lineStart, 1L));
    Sci(editor_, QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, line);
    Sci(editor_, QsciScintillaBase::SCI_GOTOPOS, long(at));
    // The line in the middle of the window, where the eye looks first.
    const long visible = Sci(editor_, QsciScintillaBase::SCI_VISIBLEFROMDOCLINE, line);
    const long onScreen = Sci(editor_, QsciScintillaBase::SCI_LINESONSCREEN);
    Sci(editor_, QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, std::max(0L, visible - onScreen / 2));
    pendingFirstLine_ = -1;
    editor_->setFocus();
    updateStatusBar();
}

void TTextEditorWindow::clearScriptError()
{
    if (errorLine_ < 0)
        return;
    editor_->markerDeleteAll(kErrorLineMarker);
    editor_->markerDeleteAll(kErrorSymbolMarker);
    for (int indicator : {kErrorIndicator, kErrorLineIndicator}) {
        Sci(editor_, QsciScintillaBase::SCI_SETINDICATORCURRENT, indicator);
        Sci(editor_, QsciScintillaBase::SCI_INDICATORCLEARRANGE, 0, SciLength(editor_));
    }
    errorLine_ = -1;
}

void TTextEditorWindow::goToLine()
{
    int line = 0, index = 0;
    editor_->getCursorPosition(&line, &index);
    // On the heap and the window guarded: a script may close this window
    // while the dialog is open (see QX_ExecDialog).
    auto* dialog = new QInputDialog(this);
    dialog->setObjectName(QStringLiteral("GoToLineDialog"));
    dialog->setWindowTitle(QStringLiteral("Přejít na řádek"));
    dialog->setLabelText(QStringLiteral("Číslo řádku (1 až %1):").arg(editor_->lines()));
    dialog->setInputMode(QInputDialog::IntInput);
    dialog->setIntRange(1, editor_->lines());
    dialog->setIntValue(line + 1);
    dialog->setOkButtonText(QStringLiteral("&OK"));
    dialog->setCancelButtonText(QStringLiteral("&Storno"));
    const QPointer<TTextEditorWindow> self(this);
    const QPointer<QInputDialog> chosen(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted && self && chosen;
    const int target = accepted ? chosen->intValue() - 1 : 0;
    delete chosen.data();
    if (!accepted)
        return;
    Sci(editor_, QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, target);
    Sci(editor_, QsciScintillaBase::SCI_GOTOLINE, target);
    editor_->setFocus();
}

void TTextEditorWindow::showPosition(const TQX_TextPosition& position)
{
    // Out-of-range places (the file changed since the tool ran) mean the end.
    const int line = std::clamp(position.Line - 1, 0, std::max(editor_->lines() - 1, 0));
    const int length = editor_->text(line).remove(QLatin1Char('\n')).remove(QLatin1Char('\r')).size();
    const int column = std::clamp(position.Column - 1, 0, length);
    // The stored scroll position of the window's cookie must not undo this.
    pendingFirstLine_ = -1;
    Sci(editor_, QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, line);
    editor_->setCursorPosition(line, column);
    editor_->ensureLineVisible(line);
    editor_->setFocus();
    updateStatusBar();
}

void TTextEditorWindow::indentSelection(bool increase)
{
    if (editor_->isReadOnly())
        return;
    int lineFrom = 0, indexFrom = 0, lineTo = 0, indexTo = 0;
    if (editor_->hasSelectedText()) {
        editor_->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        // A selection ending at the start of a line does not take that line.
        if (indexTo == 0 && lineTo > lineFrom)
            --lineTo;
    } else {
        editor_->getCursorPosition(&lineFrom, &indexFrom);
        lineTo = lineFrom;
    }
    steps_->NameNextStep(increase ? QStringLiteral("Zvětšení odsazení") : QStringLiteral("Zmenšení odsazení"));
    editor_->beginUndoAction();
    for (int line = lineFrom; line <= lineTo; ++line)
        increase ? editor_->indent(line) : editor_->unindent(line);
    editor_->endUndoAction();
    // Nothing changed (no indentation to remove): the name must not go to
    // the next step.
    steps_->NameNextStep(QString());
}

void TTextEditorWindow::setupLineCommands()
{
    // The window's keys win over the component's own bindings of the same
    // keys (Ctrl+D, Ctrl+U, Ctrl+/...).
    auto take = [this](QAction* action) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        for (const QKeySequence& sequence : action->shortcuts()) {
            const int key = sequence[0].toCombined();
            for (QsciCommand* bound : editor_->standardCommands()->commands()) {
                if (bound->key() == key)
                    bound->setKey(0);
                if (bound->alternateKey() == key)
                    bound->setAlternateKey(0);
            }
        }
        addAction(action);
    };
    auto edit = [this](const QString& stepName, auto run) {
        return [this, stepName, run] {
            if (editor_->isReadOnly())
                return;
            steps_->NameNextStep(stepName);
            run();
            steps_->NameNextStep(QString());
        };
    };
    lineComment_ = new QAction(QStringLiteral("Zakomentovat / odkomen&tovat řádky"), this);
    lineComment_->setObjectName(QStringLiteral("toggleLineComment"));
    lineComment_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_E), QKeySequence(Qt::CTRL | Qt::Key_Slash)});
    connect(lineComment_, &QAction::triggered, this,
        edit(QStringLiteral("Komentář"), [this] { ToggleLineComment(editor_, LanguageById(languageId_)); }));
    take(lineComment_);
    blockComment_ = new QAction(QStringLiteral("&Blokový komentář"), this);
    blockComment_->setObjectName(QStringLiteral("toggleBlockComment"));
    blockComment_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    connect(blockComment_, &QAction::triggered, this,
        edit(QStringLiteral("Blokový komentář"), [this] { ToggleBlockComment(editor_, LanguageById(languageId_)); }));
    take(blockComment_);
    for (const TLineCommand& command : LineCommands()) {
        auto* action = new QAction(command.Text, this);
        action->setObjectName(QLatin1String(command.Id));
        action->setShortcut(command.Key);
        connect(action, &QAction::triggered, this, edit(command.StepName, [this, run = command.Run] { run(editor_); }));
        take(action);
        lineActions_ << action;
    }
}

TFindReplaceDialog* TTextEditorWindow::findDialog()
{
    if (!find_)
        find_ = new TFindReplaceDialog(editor_, steps_, this);
    return find_;
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

int TTextEditorWindow::ask(const QString& text, int buttons, int defaultButton, bool warning)
{
    return QX_Ask(this, kCaption, text, QMessageBox::StandardButtons(buttons), QMessageBox::StandardButton(defaultButton),
        QStringLiteral("EditorQuestion"), warning ? QMessageBox::Warning : QMessageBox::Question);
}

void TTextEditorWindow::tell(const QString& text, bool error)
{
    QX_Tell(this, kCaption, text, error, QStringLiteral("EditorMessage"));
}
