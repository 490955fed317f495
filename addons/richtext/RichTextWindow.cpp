#include "RichTextWindow.h"

#include "RichFindDialog.h"

#include <QX_PluginHelpers.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QUrl>
#include <QUrlQuery>
#include <QDesktopServices>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <map>
#include <utility>

namespace {

const QString kCaption = QStringLiteral("Editor formátovaného textu");
const QString kDefaultStep = QStringLiteral("Úprava textu");

QSettings store()
{
    return QX_PluginSettings(QStringLiteral("RichText"));
}

QString displayName(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

uint32_t toColorRef(const QColor& c)
{
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

QColor fromColorRef(uint32_t ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

// Whether every character of the selection (or the caret's format without
// one) has the property switched on.
bool selectionHas(const QTextEdit* editor, const std::function<bool(const QTextCharFormat&)>& test)
{
    const QTextCursor cursor = editor->textCursor();
    if (!cursor.hasSelection())
        return test(editor->currentCharFormat());
    const int start = cursor.selectionStart(), end = cursor.selectionEnd();
    for (QTextBlock block = editor->document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
                continue;
            if (!test(fragment.charFormat()))
                return false;
        }
    }
    return true;
}

// Gives every paragraph that the cursor's selection (or the cursor) touches
// the paragraph format that change makes for it.
void changeParagraphs(const QTextCursor& cursor, const std::function<QTextBlockFormat(const QTextBlock&)>& change)
{
    const int end = cursor.selectionEnd();
    for (QTextBlock block = cursor.document()->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = change(block);
        QTextCursor(block).setBlockFormat(format);
        if (block.position() + block.length() > end)
            break;
    }
}

// The paragraphs of the selection leave their lists, unindented.
void leaveLists(const QTextCursor& cursor)
{
    changeParagraphs(cursor, [](const QTextBlock& block) {
        if (QTextList* own = block.textList())
            own->remove(block);
        QTextBlockFormat format = block.blockFormat();
        format.setIndent(0);
        format.setObjectIndex(-1);
        return format;
    });
}

} // namespace

// ---------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------

TRichTextSettings TRichTextSettings::Load()
{
    TRichTextSettings s;
    const TRichTextSettings defaults;
    QSettings ini = store();
    ini.beginGroup(QStringLiteral("Editor"));
    s.FontFamily = ini.value(QStringLiteral("FontFamily")).toString();
    bool ok = false;
    s.FontSize = ini.value(QStringLiteral("FontSize"), defaults.FontSize).toDouble(&ok);
    if (!ok || !(s.FontSize >= 5 && s.FontSize <= 72))
        s.FontSize = defaults.FontSize;
    s.NewFormat = ini.value(QStringLiteral("NewFormat")).toString() == QLatin1String("markdown") ? TRichFormat::Markdown
                                                                                                 : TRichFormat::Html;
    return s;
}

void TRichTextSettings::Save() const
{
    QSettings ini = store();
    ini.beginGroup(QStringLiteral("Editor"));
    ini.setValue(QStringLiteral("FontFamily"), FontFamily);
    ini.setValue(QStringLiteral("FontSize"), FontSize);
    ini.setValue(QStringLiteral("NewFormat"),
        NewFormat == TRichFormat::Markdown ? QStringLiteral("markdown") : QStringLiteral("html"));
    ini.endGroup();
    ini.sync();
}

QFont TRichTextSettings::Font() const
{
    QFont font = QApplication::font();
    if (!FontFamily.isEmpty())
        font.setFamily(FontFamily);
    font.setPointSizeF(FontSize);
    return font;
}

TRichTextSettingsDialog::TRichTextSettingsDialog(const TRichTextSettings& settings, QWidget* parent)
    : QDialog(parent)
    , initial_(settings)
{
    setObjectName(QStringLiteral("RichTextSettingsDialog"));
    setWindowTitle(QStringLiteral("Nastavení editoru formátovaného textu"));
    font_ = new QFontComboBox(this);
    font_->setCurrentFont(settings.Font());
    size_ = new QDoubleSpinBox(this);
    size_->setRange(5, 72);
    size_->setDecimals(1);
    size_->setValue(settings.FontSize);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Písmo textu:"), font_);
    form->addRow(QStringLiteral("&Velikost:"), size_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Storno"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Písmo, kterým se zobrazuje text bez vlastního písma:"), this));
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TRichTextSettings TRichTextSettingsDialog::Result() const
{
    TRichTextSettings s = initial_;
    s.FontFamily = font_->currentFont().family();
    s.FontSize = size_->value();
    return s;
}

// ---------------------------------------------------------------------------
// TRichTextView
// ---------------------------------------------------------------------------

void TRichTextView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Undo) && OnUndo) {
        OnUndo();
        return;
    }
    if (event->matches(QKeySequence::Redo) && OnRedo) {
        OnRedo();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void TRichTextView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu(event->pos());
    for (QAction* action : menu->actions()) {
        std::function<void()> handler;
        if (action->objectName() == QLatin1String("edit-undo"))
            handler = OnUndo;
        else if (action->objectName() == QLatin1String("edit-redo"))
            handler = OnRedo;
        if (!handler)
            continue;
        action->disconnect();
        connect(action, &QAction::triggered, this, handler);
    }
    if (ExtendContextMenu)
        ExtendContextMenu(menu);
    menu->exec(event->globalPos());
    delete menu;
}

// ---------------------------------------------------------------------------
// TRichTextWindow
// ---------------------------------------------------------------------------

TRichTextWindow::TRichTextWindow(QWidget* parent)
    : TQX_PluginWindow(parent)
{
    setObjectName(QStringLiteral("RichTextWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/richtext/icons/richdocument.svg")));
    editor_ = new TRichTextView(this);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setAcceptRichText(true);
    editor_->setTabChangesFocus(false);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLabel"));
    status_->setContentsMargins(4, 1, 4, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(editor_, 1);
    layout->addWidget(status_);
    setFocusProxy(editor_);

    settings_ = TRichTextSettings::Load();
    format_ = settings_.NewFormat;
    applySettings();

    QTextDocument* document = editor_->document();
    connect(document, &QTextDocument::undoCommandAdded, this, [this] { stepAdded(); });
    connect(document, &QTextDocument::modificationChanged, this, [this] { updateState(); });
    connect(editor_, &QTextEdit::undoAvailable, this, [this] { updateState(); });
    connect(editor_, &QTextEdit::redoAvailable, this, [this] { updateState(); });
    connect(editor_, &QTextEdit::copyAvailable, this, [this] { updateState(); });
    connect(editor_, &QTextEdit::cursorPositionChanged, this, [this] { updateStatus(); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { updateState(); });
    editor_->ExtendContextMenu = [this](QMenu* menu) { fillContextMenu(menu); };
    editor_->OnUndo = [this] { undo(); updateState(); };
    editor_->OnRedo = [this] { redo(); updateState(); };
    // The usual keys of a word processor; the host's format commands have none.
    const std::pair<Qt::Key, int> formatKeys[] = {{Qt::Key_B, QXC_BOLD}, {Qt::Key_I, QXC_ITALIC}, {Qt::Key_U, QXC_UNDERLINE}};
    for (const auto& [key, code] : formatKeys) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(Qt::CTRL | key));
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, [this, code] { Command(uint8_t(code), nullptr); });
        addAction(action);
    }

    setFileName(QString());
    updateState();
    updateStatus();
}

TRichTextWindow::~TRichTextWindow()
{
    delete find_;
}

void TRichTextWindow::applySettings()
{
    editor_->document()->setDefaultFont(settings_.Font());
}

// ---------------------------------------------------------------------------
// Host operations
// ---------------------------------------------------------------------------

void TRichTextWindow::Command(uint8_t code, void* param)
{
    const bool writable = !editor_->isReadOnly();
    switch (code) {
    case QXC_LOADFILE:
        openFile(QX_FileNameParam(param));
        break;
    case QXC_UNDO:
        undo();
        break;
    case QXC_REDO:
        redo();
        break;
    case QXC_UNDOLIST:
        QX_SetStepList(param, undoSteps());
        break;
    case QXC_REDOLIST:
        QX_SetStepList(param, redoSteps());
        break;
    case QXC_CUT:
        nameNextStep(QStringLiteral("Vyjmutí"));
        editor_->cut();
        break;
    case QXC_COPY:
        editor_->copy();
        break;
    case QXC_PASTE:
        nameNextStep(QStringLiteral("Vložení ze schránky"));
        editor_->paste();
        break;
    case QXC_SELECTALL:
        editor_->selectAll();
        break;
    case QXC_INSERTTEXT:
        if (writable) {
            nameNextStep(QStringLiteral("Vložení znaku"));
            editor_->textCursor().insertText(QX_TextParam(param));
        }
        break;
    case QXC_FIND:
    case QXC_REPLACE:
        if (!find_) {
            find_ = new TRichFindDialog(editor_, this);
            find_->OnEdit = [this](const QString& name) { nameNextStep(name); };
        }
        find_->Open(code == QXC_REPLACE && writable);
        break;
    case QXC_BOLD:
        if (writable)
            toggleCharFormat(QTextFormat::FontWeight);
        break;
    case QXC_ITALIC:
        if (writable)
            toggleCharFormat(QTextFormat::FontItalic);
        break;
    case QXC_UNDERLINE:
        if (writable)
            toggleCharFormat(QTextFormat::TextUnderlineStyle);
        break;
    case QXC_LEFT:
    case QXC_CENTER:
    case QXC_RIGHT:
    case QXC_NOALIGN:
        if (writable)
            setAlignment(code);
        break;
    case QXC_BULLETS:
        if (writable)
            toggleList(QTextListFormat::ListDisc, QStringLiteral("Odrážky"));
        break;
    case QXC_NUMBULLETS:
        if (writable)
            toggleList(QTextListFormat::ListDecimal, QStringLiteral("Číslovaný seznam"));
        break;
    case QXC_INCINDENT:
        if (writable)
            indent(1);
        break;
    case QXC_DECINDENT:
        if (writable)
            indent(-1);
        break;
    case QXC_BGCOLOR:
    case QXC_TEXTCOLOR:
        if (writable)
            chooseColor(code == QXC_BGCOLOR);
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
    case QXC_SENDMAIL:
        sendMail();
        break;
    case QXC_RELOADSETTINGS:
        settings_ = TRichTextSettings::Load();
        applySettings();
        break;
    default:
        break;
    }
    // A name that found no change must not stick to the next keystroke.
    pendingStep_.clear();
    updateState();
}

void TRichTextWindow::LoadCookie(const QString& cookie)
{
    std::map<QString, QString> values = QX_CookieValues(cookie);
    // The file may have changed since the cookie was stored: every number is
    // clamped to the document.
    const int last = std::max(0, editor_->document()->characterCount() - 1);
    auto number = [&values](const char* name, int& out) {
        bool ok = false;
        const qlonglong value = values[QString::fromLatin1(name)].toLongLong(&ok);
        if (ok && value >= 0)
            out = int(std::min<qlonglong>(value, std::numeric_limits<int>::max()));
        return ok && value >= 0;
    };
    int caret = 0, anchor = 0, scroll = 0;
    if (number("caret", caret)) {
        caret = std::min(caret, last);
        if (!number("anchor", anchor))
            anchor = caret;
        anchor = std::min(anchor, last);
        QTextCursor cursor(editor_->document());
        cursor.setPosition(anchor);
        cursor.setPosition(caret, QTextCursor::KeepAnchor);
        editor_->setTextCursor(cursor);
    }
    if (number("scroll", scroll))
        editor_->verticalScrollBar()->setValue(std::min(scroll, editor_->verticalScrollBar()->maximum()));
    updateState();
}

void TRichTextWindow::SaveCookie(QString& cookie)
{
    const QTextCursor cursor = editor_->textCursor();
    cookie = QStringLiteral("caret=%1;anchor=%2;scroll=%3")
                 .arg(cursor.position())
                 .arg(cursor.anchor())
                 .arg(editor_->verticalScrollBar()->value());
}

void TRichTextWindow::closeEvent(QCloseEvent* event)
{
    QX_CloseDocumentWindow(this, event, maybeSave(), find_);
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

bool TRichTextWindow::openFile(const QString& fileName)
{
    if (fileName.isEmpty() || !maybeSave())
        return false;
    const QFileInfo info(fileName);
    const QString shown = displayName(fileName);
    bool known = false;
    const TRichFormat format = FormatOfName(fileName, &known);
    if (!known || !CanRead(format)) {
        tell(format == TRichFormat::Odt && known
                ? QStringLiteral("Soubor „%1“ je ve formátu OpenDocument. Editor formátovaného textu do tohoto formátu "
                                 "umí ukládat, ale neumí jej číst; otevřete jej v kancelářském balíku.")
                      .arg(shown)
                : QStringLiteral("Soubor „%1“ není HTML ani Markdown; editor formátovaného textu jej neotevře.").arg(shown));
        return false;
    }
    if (!info.isFile()) {
        tell(QStringLiteral("Soubor „%1“ neexistuje nebo není běžný soubor.").arg(shown));
        return false;
    }
    if (info.size() > kMaxRichFileSize) {
        tell(QStringLiteral("Soubor „%1“ je příliš velký. Editor formátovaného textu otevírá soubory do %2 MB.")
                 .arg(shown)
                 .arg(kMaxRichFileSize >> 20));
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(QStringLiteral("Soubor „%1“ nelze otevřít: %2").arg(shown, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.read(kMaxRichFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        tell(QStringLiteral("Soubor „%1“ nelze přečíst: %2").arg(shown, file.errorString()));
        return false;
    }
    QTextDocument* document = editor_->document();
    document->setUndoRedoEnabled(false);
    const TLoadResult result = LoadDocument(document, bytes, format);
    document->setUndoRedoEnabled(true);
    undo_.clear();
    redo_.clear();
    if (!result.Ok) {
        tell(result.Error);
        return false;
    }
    format_ = format;
    document->setModified(false);
    editor_->moveCursor(QTextCursor::Start);
    readOnlyFile_ = result.Lossy;
    editor_->setReadOnly(readOnlyFile_);
    setFileName(info.absoluteFilePath());
    QXRequestCookie(this, true);
    if (result.Lossy)
        tell(QStringLiteral("Soubor „%1“ obsahuje bajty, které v jeho kódování nejsou platné. Aby jej uložení "
                            "nepoškodilo, je otevřen jen pro čtení; upravený text uložíte příkazem Uložit jako.")
                 .arg(shown),
            false);
    updateState();
    updateStatus();
    return true;
}

bool TRichTextWindow::save()
{
    if (FileName.isEmpty() || readOnlyFile_)
        return saveAs();
    return writeTo(FileName, format_);
}

bool TRichTextWindow::saveAs()
{
    const QList<TRichFormat> formats {TRichFormat::Html, TRichFormat::Markdown, TRichFormat::Odt};
    QStringList filters;
    for (TRichFormat format : formats)
        filters << SaveFilter(format);
    QFileDialog dialog(this, QStringLiteral("Uložit jako"));
    dialog.setObjectName(QStringLiteral("SaveAsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(SaveFilter(format_));
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    QString fileName = dialog.selectedFiles().first();
    const TRichFormat chosen = formats.value(int(filters.indexOf(dialog.selectedNameFilter())), TRichFormat::Html);
    bool known = false;
    TRichFormat format = FormatOfName(fileName, &known);
    if (!known) {
        // A name without a known extension gets the chosen type's.
        format = chosen;
        fileName += format == TRichFormat::Markdown ? QStringLiteral(".md")
            : format == TRichFormat::Odt            ? QStringLiteral(".odt")
                                                    : QStringLiteral(".html");
    }
    if (!writeTo(fileName, format))
        return false;
    if (format != TRichFormat::Odt && FileName.isEmpty()) {
        settings_.NewFormat = format;
        settings_.Save();
    }
    return true;
}

bool TRichTextWindow::writeTo(const QString& fileName, TRichFormat format)
{
    const QString shown = displayName(fileName);
    if (format == TRichFormat::Markdown) {
        const QString losses = MarkdownLosses(editor_->document());
        if (!losses.isEmpty() &&
            ask(QStringLiteral("Markdown neumí uložit tyto úpravy dokumentu: %1. V souboru „%2“ se ztratí.\n\n"
                               "Přesto uložit jako Markdown? (Všechny úpravy zachová formát HTML.)")
                    .arg(losses, shown),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return false;
    }
    QString error;
    const QByteArray bytes = SaveDocument(editor_->document(), format, &error);
    if (bytes.isEmpty() && !error.isEmpty()) {
        tell(error);
        return false;
    }
    // Whole or not at all: a failed save (a full disk) leaves the old file
    // as it was.
    QString reason;
    if (!QX_SaveFile(fileName, bytes, &reason)) {
        tell(QX_SaveFailedText(shown, reason));
        return false;
    }
    if (format == TRichFormat::Odt && !FileName.isEmpty() && FileName != fileName) {
        // OpenDocument is written, not read: the window stays with the file
        // it can open again.
        tell(QStringLiteral("Dokument je uložen jako „%1“. Okno dál upravuje soubor „%2“.")
                 .arg(shown, displayName(FileName)),
            false);
        return true;
    }
    format_ = format;
    readOnlyFile_ = false;
    editor_->setReadOnly(false);
    editor_->document()->setModified(false);
    setFileName(QFileInfo(fileName).absoluteFilePath());
    updateState();
    updateStatus();
    return true;
}

bool TRichTextWindow::maybeSave()
{
    if (!editor_->document()->isModified())
        return true;
    const QString name = FileName.isEmpty() ? windowTitle() : displayName(FileName);
    const int answer = ask(QStringLiteral("Dokument „%1“ byl změněn.\n\nChcete změny uložit?").arg(name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        return save();
    return answer == QMessageBox::No;
}

void TRichTextWindow::sendMail()
{
    // The mail carries the saved file and the document's text in its body;
    // unsaved changes are saved first, so that the attachment is what the
    // user sees.
    if (editor_->document()->isModified() || FileName.isEmpty()) {
        const int answer = ask(QStringLiteral("Před odesláním je třeba dokument uložit. Uložit jej nyní?"),
            QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer != QMessageBox::Yes || !save())
            return;
    }
    const QString subject = QFileInfo(FileName).fileName();
    const QString body = editor_->document()->toPlainText().left(100000);
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (!program.isEmpty()) {
        // xdg-email may run the mail client itself and wait until the user
        // closes it: nothing waits for it here. A second command while the
        // message is still being handed over does nothing.
        if (mailProcess_ && mailClock_.isValid() && mailClock_.elapsed() < 2500)
            return;
        // Not a child of the window: the client outlives it and the program.
        auto* process = new QProcess;
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        mailProcess_ = process;
        mailClock_.start();
        QPointer<TRichTextWindow> self(this);
        connect(process, &QProcess::finished, process, [process, self](int code, QProcess::ExitStatus status) {
            process->deleteLater();
            if (self && (status != QProcess::NormalExit || code != 0))
                self->tell(QStringLiteral("Poštovního klienta se nepodařilo spustit (xdg-email skončil s chybou %1).")
                               .arg(code));
        });
        connect(process, &QProcess::errorOccurred, process, [process, self](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            process->deleteLater();
            if (self)
                self->tell(QStringLiteral("Poštovního klienta se nepodařilo spustit (%1).").arg(process->errorString()));
        });
        process->start(program, {QStringLiteral("--subject"), subject, QStringLiteral("--body"), body,
                                    QStringLiteral("--attach"), FileName});
        return;
    }
    QUrl url(QStringLiteral("mailto:"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), subject);
    query.addQueryItem(QStringLiteral("body"), body.left(2000));
    url.setQuery(query);
    if (!QDesktopServices::openUrl(url))
        tell(QStringLiteral("Není nastaven žádný poštovní klient, dokument nelze odeslat."));
}

void TRichTextWindow::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(windowTitle());
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PrintPreviewDialog"));
    preview.setWindowTitle(QStringLiteral("Tisk – %1").arg(windowTitle()));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { editor_->print(target); });
    preview.resize(900, 700);
    preview.exec();
}

// ---------------------------------------------------------------------------
// Formatting
// ---------------------------------------------------------------------------

void TRichTextWindow::toggleCharFormat(QTextFormat::Property property)
{
    QTextCharFormat format;
    switch (property) {
    case QTextFormat::FontWeight: {
        const bool on = selectionHas(editor_, [](const QTextCharFormat& f) { return f.fontWeight() > QFont::Normal; });
        format.setFontWeight(on ? QFont::Normal : QFont::Bold);
        nameNextStep(QStringLiteral("Tučné písmo"));
        break;
    }
    case QTextFormat::FontItalic: {
        const bool on = selectionHas(editor_, [](const QTextCharFormat& f) { return f.fontItalic(); });
        format.setFontItalic(!on);
        nameNextStep(QStringLiteral("Kurzíva"));
        break;
    }
    default: {
        const bool on = selectionHas(editor_, [](const QTextCharFormat& f) { return f.fontUnderline(); });
        format.setFontUnderline(!on);
        nameNextStep(QStringLiteral("Podtržení"));
        break;
    }
    }
    // Without a selection Qt formats the word at the caret, or what is typed next.
    editor_->mergeCurrentCharFormat(format);
}

void TRichTextWindow::setAlignment(int code)
{
    static const std::map<int, std::pair<Qt::Alignment, const char*>> alignments {
        {QXC_LEFT, {Qt::AlignLeft | Qt::AlignAbsolute, "Zarovnání vlevo"}},
        {QXC_CENTER, {Qt::AlignHCenter, "Zarovnání na střed"}},
        {QXC_RIGHT, {Qt::AlignRight | Qt::AlignAbsolute, "Zarovnání vpravo"}},
        {QXC_NOALIGN, {Qt::Alignment(), "Zrušení zarovnání"}},
    };
    const auto& [alignment, name] = alignments.at(code);
    nameNextStep(QString::fromUtf8(name));
    QTextCursor cursor = editor_->textCursor();
    cursor.beginEditBlock();
    changeParagraphs(cursor, [code, alignment](const QTextBlock& block) {
        QTextBlockFormat format = block.blockFormat();
        // No alignment: the paragraph follows the direction of its text.
        if (code == QXC_NOALIGN)
            format.clearProperty(QTextFormat::BlockAlignment);
        else
            format.setAlignment(alignment);
        return format;
    });
    cursor.endEditBlock();
}

void TRichTextWindow::toggleList(QTextListFormat::Style style, const QString& stepName)
{
    nameNextStep(stepName);
    QTextCursor cursor = editor_->textCursor();
    cursor.beginEditBlock();
    QTextList* list = cursor.currentList();
    if (list && list->format().style() == style) {
        // The same list again: the paragraphs leave it.
        leaveLists(cursor);
    } else if (list) {
        QTextListFormat format = list->format();
        format.setStyle(style);
        list->setFormat(format);
    } else {
        QTextListFormat format;
        format.setStyle(style);
        format.setIndent(std::max(1, cursor.blockFormat().indent() + 1));
        QTextBlockFormat block = cursor.blockFormat();
        block.setIndent(0);
        cursor.mergeBlockFormat(block);
        cursor.createList(format);
    }
    cursor.endEditBlock();
}

void TRichTextWindow::indent(int delta)
{
    nameNextStep(delta > 0 ? QStringLiteral("Zvětšení odsazení") : QStringLiteral("Zmenšení odsazení"));
    QTextCursor cursor = editor_->textCursor();
    cursor.beginEditBlock();
    if (QTextList* list = cursor.currentList()) {
        // List items move a level in or out as a list of their own.
        QTextListFormat format = list->format();
        const int level = format.indent() + delta;
        if (level < 1) {
            leaveLists(cursor);
        } else {
            format.setIndent(level);
            cursor.createList(format);
        }
    } else {
        changeParagraphs(cursor, [delta](const QTextBlock& block) {
            QTextBlockFormat format = block.blockFormat();
            format.setIndent(std::clamp(format.indent() + delta, 0, 20));
            return format;
        });
    }
    cursor.endEditBlock();
}

void TRichTextWindow::chooseColor(bool background)
{
    const QTextCharFormat current = editor_->currentCharFormat();
    QColor start = background ? current.background().color() : current.foreground().color();
    if (!start.isValid() || (background && current.background().style() == Qt::NoBrush))
        start = background ? QColor(Qt::yellow) : QColor(Qt::black);
    const QPoint at = editor_->viewport()->mapToGlobal(editor_->cursorRect().bottomLeft());
    uint32_t color = toColorRef(start);
    if (!QXShellColorDialog(at.x(), at.y(), &color))
        return;
    QTextCharFormat format;
    if (background)
        format.setBackground(fromColorRef(color));
    else
        format.setForeground(fromColorRef(color));
    nameNextStep(background ? QStringLiteral("Barva pozadí") : QStringLiteral("Barva textu"));
    editor_->mergeCurrentCharFormat(format);
}

// ---------------------------------------------------------------------------
// Undo steps
// ---------------------------------------------------------------------------

void TRichTextWindow::stepAdded()
{
    // The document reports each new step once (an edit block, or typing that
    // later keystrokes extend); a new step ends what could have been redone.
    undo_.append(pendingStep_.isEmpty() ? kDefaultStep : pendingStep_);
    redo_.clear();
    pendingStep_.clear();
}

void TRichTextWindow::undo()
{
    QTextDocument* document = editor_->document();
    if (!document->isUndoAvailable())
        return;
    editor_->undo();
    redo_.append(undo_.isEmpty() ? kDefaultStep : undo_.takeLast());
    if (!document->isUndoAvailable())
        undo_.clear();
}

void TRichTextWindow::redo()
{
    QTextDocument* document = editor_->document();
    if (!document->isRedoAvailable())
        return;
    editor_->redo();
    undo_.append(redo_.isEmpty() ? kDefaultStep : redo_.takeLast());
    if (!document->isRedoAvailable())
        redo_.clear();
}

QStringList TRichTextWindow::undoSteps() const
{
    QStringList list(undo_.rbegin(), undo_.rend());
    return list;
}

QStringList TRichTextWindow::redoSteps() const
{
    QStringList list(redo_.rbegin(), redo_.rend());
    return list;
}

// ---------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------

void TRichTextWindow::setFileName(const QString& fileName)
{
    const bool changed = fileName != FileName;
    FileName = fileName;
    setWindowTitle(fileName.isEmpty() ? QStringLiteral("Nový dokument") : QFileInfo(fileName).fileName());
    setToolTip(displayName(fileName));
    if (changed)
        NotifyStateChange();
}

TQX_CommandSet TRichTextWindow::currentCommands() const
{
    TQX_CommandSet c;
    const bool writable = !editor_->isReadOnly();
    const bool selection = editor_->textCursor().hasSelection();
    const QTextDocument* document = editor_->document();
    c.Set(QXC_LOADFILE);
    c.Set(QXC_UNDO, document->isUndoAvailable());
    c.Set(QXC_UNDOLIST, document->isUndoAvailable());
    c.Set(QXC_REDO, document->isRedoAvailable());
    c.Set(QXC_REDOLIST, document->isRedoAvailable());
    c.Set(QXC_COPY, selection);
    c.Set(QXC_CUT, selection && writable);
    c.Set(QXC_PASTE, writable && editor_->canPaste());
    c.Set(QXC_SELECTALL, !document->isEmpty());
    c.Set(QXC_FIND);
    c.Set(QXC_REPLACE, writable);
    c.Set(QXC_INSERTTEXT, writable);
    for (int code : {QXC_BOLD, QXC_ITALIC, QXC_UNDERLINE, QXC_LEFT, QXC_CENTER, QXC_RIGHT, QXC_NOALIGN, QXC_BULLETS,
             QXC_NUMBULLETS, QXC_INCINDENT, QXC_DECINDENT, QXC_BGCOLOR, QXC_TEXTCOLOR})
        c.Set(code, writable);
    c.Set(QXC_PRINT);
    c.Set(QXC_SAVE, Modified || readOnlyFile_);
    c.Set(QXC_SAVEAS);
    c.Set(QXC_SENDMAIL);
    c.Set(QXC_RELOADSETTINGS);
    return c;
}

void TRichTextWindow::updateState()
{
    QX_UpdateWindowState(this, editor_->document()->isModified(), [this] { return currentCommands(); });
}

void TRichTextWindow::updateStatus()
{
    const QTextCursor cursor = editor_->textCursor();
    QString text = QStringLiteral("%1 · odstavec %2 z %3")
                       .arg(FormatName(format_))
                       .arg(cursor.blockNumber() + 1)
                       .arg(editor_->document()->blockCount());
    if (editor_->isReadOnly())
        text += QStringLiteral(" · jen pro čtení");
    status_->setText(text);
}

void TRichTextWindow::fillContextMenu(QMenu* menu)
{
    menu->addSeparator();
    QAction* settings = menu->addAction(QStringLiteral("Nastavení editoru..."));
    connect(settings, &QAction::triggered, this, [this] { editSettings(); });
}

void TRichTextWindow::editSettings()
{
    TRichTextSettingsDialog dialog(settings_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    settings_ = dialog.Result();
    settings_.Save();
    applySettings();
    // Other windows of the editor take the settings too.
    QXReloadToolSettingsByClass(metaObject()->className());
}

int TRichTextWindow::ask(const QString& text, int buttons, int defaultButton)
{
    return QX_Ask(this, kCaption, text, QMessageBox::StandardButtons(buttons), QMessageBox::StandardButton(defaultButton),
        QStringLiteral("RichTextQuestion"));
}

void TRichTextWindow::tell(const QString& text, bool error)
{
    QX_Tell(this, kCaption, text, error, QStringLiteral("RichTextMessage"));
}
