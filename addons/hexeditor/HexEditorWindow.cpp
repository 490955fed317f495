#include "HexEditorWindow.h"

#include "HexView.h"

#include <QX_PluginHelpers.h>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Hex editor");
// Copying more than this to the clipboard is refused: its text would be
// three times as large.
constexpr qint64 kMaxCopy = qint64(16) << 20;
constexpr int kRowChoices[] = {8, 16, 32};
constexpr int kFontChoices[] = {8, 9, 10, 11, 12, 14, 16, 20};

QSettings store()
{
    return QX_PluginSettings(QStringLiteral("HexEditor"));
}

QString number(qint64 value)
{
    return QLocale(QLocale::Czech, QLocale::CzechRepublic).toString(value);
}

// Text typed into the find box as bytes: Latin-1 when every character fits,
// UTF-8 otherwise.
QByteArray textBytes(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return text.toUtf8();
    return text.toLatin1();
}

} // namespace

THexSettings THexSettings::Load()
{
    THexSettings s;
    QSettings ini = store();
    const int rows = ini.value(QStringLiteral("View/BytesPerRow"), s.BytesPerRow).toInt();
    if (std::find(std::begin(kRowChoices), std::end(kRowChoices), rows) != std::end(kRowChoices))
        s.BytesPerRow = rows;
    const int font = ini.value(QStringLiteral("View/FontSize"), s.FontSize).toInt();
    if (font >= 6 && font <= 40)
        s.FontSize = font;
    return s;
}

void THexSettings::Save() const
{
    QSettings ini = store();
    ini.setValue(QStringLiteral("View/BytesPerRow"), BytesPerRow);
    ini.setValue(QStringLiteral("View/FontSize"), FontSize);
}

THexEditorWindow::THexEditorWindow(QWidget* parent)
    : TQX_PluginWindow(parent)
{
    setObjectName(QStringLiteral("HexEditorWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/hexeditor/icons/hexdocument.svg")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new THexView(&document_, this);
    layout->addWidget(view_, 1);

    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("statusStrip"));
    strip->setStyleSheet(QStringLiteral("#statusStrip { background: #f6f8fa; border-top: 1px solid #d0d7de; }"
                                        "#statusStrip QLabel { color: #57606a; padding: 1px 6px; }"));
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(2, 0, 2, 0);
    position_ = new QLabel(strip);
    position_->setObjectName(QStringLiteral("positionLabel"));
    selection_ = new QLabel(strip);
    selection_->setObjectName(QStringLiteral("selectionLabel"));
    note_ = new QLabel(strip);
    note_->setObjectName(QStringLiteral("noteLabel"));
    size_ = new QLabel(strip);
    size_->setObjectName(QStringLiteral("sizeLabel"));
    // When the window is narrow the size gives way first, the caret's
    // position never.
    position_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    size_->setMinimumWidth(1);
    note_->setMinimumWidth(1);
    stripLayout->addWidget(position_);
    stripLayout->addWidget(selection_);
    stripLayout->addWidget(note_, 1);
    stripLayout->addWidget(size_);
    stripLayout->addWidget(new QLabel(QStringLiteral("Přepisování"), strip));
    layout->addWidget(strip);

    connect(view_, &THexView::GoToRequested, this, &THexEditorWindow::GoToOffset);

    connect(view_, &THexView::CursorMoved, this, [this] {
        note_->clear();
        updateStatus();
    });
    connect(view_, &THexView::Edited, this, [this] {
        updateState();
        updateStatus();
    });
    // Changes on disk come in bursts while a file is written: one check after them.
    diskTimer_.setSingleShot(true);
    diskTimer_.setInterval(300);
    connect(&diskTimer_, &QTimer::timeout, this, &THexEditorWindow::checkDisk);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { diskTimer_.start(); });
    settings_ = THexSettings::Load();
    applySettings();
    setFileName(QString());
    updateState();
    updateStatus();
}

THexEditorWindow::~THexEditorWindow()
{
    delete find_;
    // The view shows document_, a member, which goes before QWidget deletes
    // the children: the view goes first, so that nothing it still receives
    // (a last paint, the pointer leaving) reads a destroyed document.
    delete view_;
    view_ = nullptr;
}

void THexEditorWindow::applySettings()
{
    view_->SetBytesPerRow(settings_.BytesPerRow);
    view_->SetFontSize(settings_.FontSize);
}

void THexEditorWindow::changeSettings(const THexSettings& settings)
{
    settings_ = settings;
    settings_.Save();
    applySettings();
    // Every other hex editor window follows.
    QXReloadToolSettingsByClass(metaObject()->className());
}

void THexEditorWindow::setBytesPerRow(int bytes)
{
    if (std::find(std::begin(kRowChoices), std::end(kRowChoices), bytes) == std::end(kRowChoices))
        return;
    THexSettings s = settings_;
    s.BytesPerRow = bytes;
    changeSettings(s);
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

void THexEditorWindow::Command(uint8_t code, void* param)
{
    switch (code) {
    case QXC_LOADFILE:
        openFile(QX_FileNameParam(param));
        break;
    case QXC_SAVE:
        if (FileName.isEmpty())
            saveAs();
        else
            saveTo(FileName);
        break;
    case QXC_SAVEAS:
        saveAs();
        break;
    case QXC_UNDO:
    case QXC_REDO: {
        const qint64 offset = code == QXC_UNDO ? document_.Undo() : document_.Redo();
        if (offset >= 0) {
            view_->SetCursor(offset);
            view_->viewport()->update();
        }
        updateState();
        break;
    }
    case QXC_UNDOLIST:
        QX_SetStepList(param, document_.UndoLabels());
        break;
    case QXC_REDOLIST:
        QX_SetStepList(param, document_.RedoLabels());
        break;
    case QXC_COPY:
        copy();
        break;
    case QXC_PASTE:
        paste();
        break;
    case QXC_SELECTALL:
        view_->SelectAll();
        break;
    case QXC_FIND:
        showFind();
        break;
    case QXC_RELOADSETTINGS:
        settings_ = THexSettings::Load();
        applySettings();
        break;
    default:
        break;
    }
}

void THexEditorWindow::updateState()
{
    TQX_CommandSet c;
    const bool open = document_.IsOpen();
    c.Set(QXC_LOADFILE);
    c.Set(QXC_RELOADSETTINGS);
    c.Set(QXC_COPY, open && document_.Size() > 0);
    c.Set(QXC_PASTE, open && document_.Size() > 0);
    c.Set(QXC_SELECTALL, open && document_.Size() > 0);
    c.Set(QXC_FIND, open && document_.Size() > 0);
    // Like the other editors: nothing to save in an unchanged document.
    c.Set(QXC_SAVE, open && document_.IsModified());
    c.Set(QXC_SAVEAS, open);
    c.Set(QXC_UNDO, document_.CanUndo());
    c.Set(QXC_UNDOLIST, document_.CanUndo());
    c.Set(QXC_REDO, document_.CanRedo());
    c.Set(QXC_REDOLIST, document_.CanRedo());
    QX_UpdateWindowState(this, document_.IsModified(), [&c] { return c; });
}

void THexEditorWindow::updateStatus()
{
    if (!document_.IsOpen()) {
        position_->setText(QStringLiteral("Žádný soubor"));
        selection_->clear();
        size_->clear();
        return;
    }
    const qint64 cursor = view_->Cursor();
    position_->setText(QStringLiteral("Pozice: 0x%1 (%2)").arg(QString::number(cursor, 16).toUpper(), number(cursor)));
    const qint64 selected = view_->SelectionLength();
    selection_->setText(selected > 0 ? QStringLiteral("Vybráno: %1 B").arg(number(selected)) : QString());
    size_->setText(QStringLiteral("Velikost: %1 (%2 B)").arg(SizeText(document_.Size()), number(document_.Size())));
}

void THexEditorWindow::setFileName(const QString& fileName)
{
    const bool changed = fileName != FileName;
    FileName = fileName;
    setWindowTitle(fileName.isEmpty() ? QStringLiteral("Hex editor") : QFileInfo(fileName).fileName());
    setToolTip(QDir::toNativeSeparators(fileName));
    if (changed)
        NotifyStateChange();
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

bool THexEditorWindow::openFile(const QString& fileName)
{
    if (fileName.isEmpty() || !maybeSave())
        return false;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = document_.Open(fileName, &error);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        tell(error);
        return false;
    }
    view_->DocumentChanged();
    view_->SetCursor(0);
    setFileName(QFileInfo(fileName).absoluteFilePath());
    disk_ = stampOf(FileName);
    watch();
    QXRequestCookie(this, true);
    updateState();
    updateStatus();
    return true;
}

bool THexEditorWindow::saveTo(const QString& fileName)
{
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = document_.SaveTo(fileName, &error, [](qint64 done, qint64 total) {
        // The status bar's progress counts in mebibytes: its numbers are 32-bit.
        QXSetProgressBarStatus(int32_t(done >> 20), int32_t(total >> 20));
    });
    QApplication::restoreOverrideCursor();
    QXSetProgressBarStatus(0, 0);
    if (!ok) {
        tell(error + QStringLiteral("\n\nZměny zůstávají v editoru; můžete je uložit pod jiným jménem."));
        if (!document_.IsOpen()) {
            view_->DocumentChanged();
            setFileName(QString());
        }
        updateState();
        updateStatus();
        return false;
    }
    setFileName(QFileInfo(fileName).absoluteFilePath());
    disk_ = stampOf(FileName);
    watch();
    view_->DocumentChanged();
    note_->setText(QStringLiteral("Uloženo"));
    updateState();
    updateStatus();
    return true;
}

bool THexEditorWindow::saveAs()
{
    if (!document_.IsOpen())
        return false;
    QFileDialog dialog(this, QStringLiteral("Uložit jako"));
    dialog.setObjectName(QStringLiteral("SaveAsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Všechny soubory (*)")});
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    return saveTo(dialog.selectedFiles().constFirst());
}

bool THexEditorWindow::maybeSave()
{
    if (!document_.IsModified())
        return true;
    const int answer = ask(QStringLiteral("Dokument „%1“ byl změněn.\n\nChcete změny uložit?").arg(QFileInfo(FileName).fileName()));
    if (answer == QMessageBox::Yes)
        return saveTo(FileName);
    return answer == QMessageBox::No;
}

THexEditorWindow::TDiskStamp THexEditorWindow::stampOf(const QString& fileName)
{
    TDiskStamp stamp;
    const QFileInfo info(fileName);
    stamp.Exists = info.exists();
    if (stamp.Exists) {
        stamp.Size = info.size();
        stamp.Modified = info.lastModified();
    }
    return stamp;
}

void THexEditorWindow::watch()
{
    // A file replaced by renaming drops out of the watch: watch the new one.
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!FileName.isEmpty() && QFileInfo::exists(FileName))
        watcher_.addPath(FileName);
}

void THexEditorWindow::checkDisk()
{
    if (FileName.isEmpty())
        return;
    const TDiskStamp now = stampOf(FileName);
    watch();
    if (now == disk_)
        return;
    disk_ = now;
    if (!now.Exists) {
        note_->setText(QStringLiteral("Soubor byl na disku smazán nebo přejmenován; uložením jej vytvoříte znovu."));
        return;
    }
    if (document_.IsModified()) {
        const QString text = QStringLiteral("Soubor „%1“ byl na disku změněn jiným programem.\n\n"
                                            "Načíst jej znovu? Neuložené změny v hex editoru se ztratí.")
                                 .arg(QFileInfo(FileName).fileName());
        const QPointer<THexEditorWindow> self(this);
        const int answer = ask(text, false);
        // Destroyed with its question (by a host that does not wait for it).
        if (!self)
            return;
        if (answer != QMessageBox::Yes) {
            if (document_.IsTruncatedOnDisk())
                note_->setText(QStringLiteral("Soubor byl na disku zkrácen; chybějící bajty se zobrazují jako 00."));
            view_->viewport()->update();
            return;
        }
    }
    reload();
}

void THexEditorWindow::reload()
{
    const qint64 cursor = view_->Cursor();
    const qint64 top = view_->TopRow();
    QString error;
    if (!document_.Open(FileName, &error)) {
        note_->setText(error);
        return;
    }
    view_->DocumentChanged();
    view_->SetCursor(cursor);
    view_->SetTopRow(top);
    note_->setText(QStringLiteral("Znovu načteno po změně souboru na disku"));
    updateState();
    updateStatus();
}

void THexEditorWindow::closeEvent(QCloseEvent* event)
{
    QX_CloseDocumentWindow(this, event, maybeSave(), find_);
}

void THexEditorWindow::LoadCookie(const QString& cookie)
{
    qint64 offset = -1, top = -1;
    for (const QString& part : cookie.split(u';', Qt::SkipEmptyParts)) {
        const QString key = part.section(u'=', 0, 0), value = part.section(u'=', 1);
        bool ok = false;
        const qint64 n = value.toLongLong(&ok);
        if (key == QLatin1String("offset") && ok)
            offset = n;
        else if (key == QLatin1String("top") && ok)
            top = n;
        else if (key == QLatin1String("column"))
            view_->SetColumn(value == QLatin1String("text") ? THexView::TColumn::Text : THexView::TColumn::Hex);
    }
    if (offset >= 0 && offset < document_.Size())
        view_->SetCursor(offset);
    if (top >= 0)
        view_->SetTopRow(top);
}

void THexEditorWindow::SaveCookie(QString& cookie)
{
    cookie = QStringLiteral("offset=%1;top=%2;column=%3")
                 .arg(view_->Cursor())
                 .arg(view_->TopRow())
                 .arg(view_->Column() == THexView::TColumn::Text ? QStringLiteral("text") : QStringLiteral("hex"));
}

// ---------------------------------------------------------------------------
// Clipboard
// ---------------------------------------------------------------------------

void THexEditorWindow::copy()
{
    if (document_.Size() == 0)
        return;
    const qint64 start = view_->HasSelection() ? view_->SelectionStart() : view_->Cursor();
    const qint64 length = std::max<qint64>(1, view_->SelectionLength());
    if (length > kMaxCopy) {
        tell(QStringLiteral("Výběr je příliš velký pro schránku (%1). Kopírovat lze nejvýše %2.")
                 .arg(SizeText(length), SizeText(kMaxCopy)));
        return;
    }
    const QByteArray bytes = document_.Bytes(start, length);
    QString text;
    if (view_->Column() == THexView::TColumn::Hex) {
        text = QString::fromLatin1(bytes.toHex(' ').toUpper());
    } else {
        text = QString::fromLatin1(bytes);
    }
    QApplication::clipboard()->setText(text);
}

void THexEditorWindow::paste()
{
    if (document_.Size() == 0)
        return;
    const QString text = QApplication::clipboard()->text();
    QByteArray bytes;
    if (view_->Column() == THexView::TColumn::Hex) {
        if (!ParseHexBytes(text, &bytes)) {
            tell(QStringLiteral("Schránka neobsahuje bajty v šestnáctkovém zápisu (například „4D 5A 90“)."));
            return;
        }
    } else {
        bytes = textBytes(text);
    }
    if (bytes.isEmpty())
        return;
    const qint64 at = view_->HasSelection() ? view_->SelectionStart() : view_->Cursor();
    const qint64 written = document_.Write(at, bytes, QStringLiteral("Vložení"));
    view_->Select(at, written);
    if (written < bytes.size())
        note_->setText(QStringLiteral("Vloženo jen %1 z %2 B: hex editor velikost souboru nemění.")
                           .arg(number(written), number(bytes.size())));
    view_->viewport()->update();
    updateState();
}

// ---------------------------------------------------------------------------
// Find and go to
// ---------------------------------------------------------------------------

bool THexEditorWindow::FindNext(const QByteArray& pattern, bool forward)
{
    if (pattern.isEmpty() || document_.Size() == 0)
        return false;
    const qint64 here = view_->HasSelection() ? view_->SelectionStart() : view_->Cursor();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qint64 found = document_.Find(pattern, forward ? here + 1 : here - 1, forward);
    bool wrapped = false;
    if (found < 0) {
        found = document_.Find(pattern, forward ? 0 : document_.Size() - 1, forward);
        wrapped = found >= 0;
    }
    QApplication::restoreOverrideCursor();
    if (found < 0) {
        tell(QStringLiteral("Hledané bajty nebyly v souboru nalezeny."), false);
        return false;
    }
    view_->Select(found, pattern.size());
    if (wrapped)
        note_->setText(forward ? QStringLiteral("Hledání pokračovalo od začátku souboru.")
                               : QStringLiteral("Hledání pokračovalo od konce souboru."));
    return true;
}

void THexEditorWindow::showFind()
{
    if (!find_) {
        auto* dialog = new QDialog(this, Qt::Tool);
        dialog->setObjectName(QStringLiteral("HexFindDialog"));
        dialog->setWindowTitle(QStringLiteral("Hledat"));
        auto* form = new QFormLayout(dialog);
        auto* mode = new QComboBox(dialog);
        mode->setObjectName(QStringLiteral("findMode"));
        mode->addItems({QStringLiteral("Text"), QStringLiteral("Bajty (šestnáctkově)")});
        auto* edit = new QLineEdit(dialog);
        edit->setObjectName(QStringLiteral("findText"));
        edit->setMinimumWidth(260);
        form->addRow(QStringLiteral("&Hledat:"), edit);
        form->addRow(QStringLiteral("&Zadáno jako:"), mode);
        auto* buttons = new QDialogButtonBox(dialog);
        auto* next = buttons->addButton(QStringLiteral("Najít &další"), QDialogButtonBox::ActionRole);
        next->setObjectName(QStringLiteral("findNext"));
        next->setDefault(true);
        auto* previous = buttons->addButton(QStringLiteral("Najít &předchozí"), QDialogButtonBox::ActionRole);
        previous->setObjectName(QStringLiteral("findPrevious"));
        buttons->addButton(QStringLiteral("Zavřít"), QDialogButtonBox::RejectRole);
        form->addRow(buttons);
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::hide);
        auto run = [this, edit, mode](bool forward) {
            QByteArray pattern;
            if (mode->currentIndex() == 1) {
                if (!ParseHexBytes(edit->text(), &pattern)) {
                    tell(QStringLiteral("Zadejte bajty šestnáctkově, po dvou číslicích (například „4D 5A 90“)."));
                    return;
                }
            } else {
                pattern = textBytes(edit->text());
            }
            FindNext(pattern, forward);
        };
        connect(next, &QPushButton::clicked, this, [run] { run(true); });
        connect(previous, &QPushButton::clicked, this, [run] { run(false); });
        find_ = dialog;
    }
    // The selection (a few bytes) is the first thing to look for.
    if (view_->HasSelection() && view_->SelectionLength() <= 32) {
        const QByteArray selected = document_.Bytes(view_->SelectionStart(), view_->SelectionLength());
        auto* mode = find_->findChild<QComboBox*>(QStringLiteral("findMode"));
        mode->setCurrentIndex(view_->Column() == THexView::TColumn::Hex ? 1 : 0);
        find_->findChild<QLineEdit*>(QStringLiteral("findText"))
            ->setText(mode->currentIndex() == 1 ? QString::fromLatin1(selected.toHex(' ').toUpper()) : QString::fromLatin1(selected));
    }
    find_->show();
    find_->raise();
    find_->activateWindow();
    find_->findChild<QLineEdit*>(QStringLiteral("findText"))->selectAll();
    find_->findChild<QLineEdit*>(QStringLiteral("findText"))->setFocus();
}

void THexEditorWindow::GoToOffset()
{
    if (document_.Size() == 0)
        return;
    // On the heap and the window guarded: a script may close this window
    // while the dialog is open (see QX_ExecDialog).
    auto* dialog = new QInputDialog(this);
    dialog->setObjectName(QStringLiteral("GoToOffsetDialog"));
    dialog->setWindowTitle(QStringLiteral("Přejít na pozici"));
    dialog->setLabelText(QStringLiteral("Pozice desítkově, nebo šestnáctkově s 0x (0 až 0x%1):")
                             .arg(QString::number(document_.Size() - 1, 16).toUpper()));
    dialog->setTextValue(QStringLiteral("0x") + QString::number(view_->Cursor(), 16).toUpper());
    dialog->setOkButtonText(QStringLiteral("&OK"));
    dialog->setCancelButtonText(QStringLiteral("&Storno"));
    const QPointer<THexEditorWindow> self(this);
    const QPointer<QInputDialog> chosen(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted && self && chosen;
    const QString value = accepted ? chosen->textValue() : QString();
    delete chosen.data();
    if (!accepted)
        return;
    qint64 offset = 0;
    if (!ParseOffset(value, &offset)) {
        tell(QStringLiteral("„%1“ není platná pozice. Zadejte číslo, například 1024 nebo 0x400.").arg(value.trimmed()));
        return;
    }
    if (offset >= document_.Size()) {
        tell(QStringLiteral("Pozice %1 leží za koncem souboru (velikost %2 B).").arg(number(offset), number(document_.Size())));
        return;
    }
    view_->SetCursor(offset);
    view_->SetTopRow(offset / view_->BytesPerRow());
    view_->setFocus();
}

// ---------------------------------------------------------------------------
// Context menu
// ---------------------------------------------------------------------------

void THexEditorWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    const bool any = document_.Size() > 0;
    menu.addAction(QStringLiteral("Zpět"), this, [this] { Command(QXC_UNDO, nullptr); })->setEnabled(document_.CanUndo());
    menu.addAction(QStringLiteral("Znovu"), this, [this] { Command(QXC_REDO, nullptr); })->setEnabled(document_.CanRedo());
    menu.addSeparator();
    menu.addAction(QStringLiteral("Kopírovat"), this, [this] { copy(); })->setEnabled(any);
    menu.addAction(QStringLiteral("Vložit přepsáním"), this, [this] { paste(); })->setEnabled(any);
    menu.addAction(QStringLiteral("Vybrat vše"), this, [this] { view_->SelectAll(); })->setEnabled(any);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Hledat..."), this, [this] { showFind(); })->setEnabled(any);
    menu.addAction(QStringLiteral("Přejít na pozici...\tCtrl+G"), this, [this] { GoToOffset(); })->setEnabled(any);
    menu.addSeparator();
    QMenu* rows = menu.addMenu(QStringLiteral("Bajtů na řádek"));
    for (int n : kRowChoices) {
        QAction* a = rows->addAction(QString::number(n), this, [this, n] { setBytesPerRow(n); });
        a->setCheckable(true);
        a->setChecked(n == settings_.BytesPerRow);
    }
    QMenu* fonts = menu.addMenu(QStringLiteral("Velikost písma"));
    for (int n : kFontChoices) {
        QAction* a = fonts->addAction(QString::number(n), this, [this, n] {
            THexSettings s = settings_;
            s.FontSize = n;
            changeSettings(s);
        });
        a->setCheckable(true);
        a->setChecked(n == settings_.FontSize);
    }
    menu.exec(event->globalPos());
}

// Ano, Ne and, where the question can be put off, Storno.
int THexEditorWindow::ask(const QString& text, bool cancellable)
{
    return QX_Ask(this, kCaption, text,
        QMessageBox::Yes | QMessageBox::No | (cancellable ? QMessageBox::Cancel : QMessageBox::NoButton), QMessageBox::Yes,
        QStringLiteral("HexQuestion"));
}

void THexEditorWindow::tell(const QString& text, bool error)
{
    QX_Tell(this, kCaption, text, error, QStringLiteral("HexMessage"));
}
