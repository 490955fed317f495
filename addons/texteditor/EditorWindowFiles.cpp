// The text editor window's files: opening, reading in pieces, saving through
// the atomic write, changes on the disk, reloading, and the line ends and
// encoding the document is saved with.
#include "EditorWindow.h"

#include "EditorWindowParts.h"
#include "FileTypes.h"
#include "LineCommands.h"
#include "Sci.h"
#include "UndoSteps.h"

#include <QX_PluginHelpers.h>

#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

// A file is read in pieces of this size (see loadFromDisk).
constexpr qint64 kLoadPiece = 4 * 1024 * 1024;

QString sizeText(qint64 bytes)
{
    return QLocale(QLocale::Czech).formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

int eolMode(TLineEnd lineEnd)
{
    switch (lineEnd) {
    case TLineEnd::CrLf:
        return QsciScintilla::EolWindows;
    case TLineEnd::Cr:
        return QsciScintilla::EolMac;
    case TLineEnd::Lf:
        break;
    }
    return QsciScintilla::EolUnix;
}

} // namespace

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

bool TTextEditorWindow::openFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return false;
    if (!maybeSave())
        return false;
    if (!loadFromDisk(fileName, std::nullopt))
        return false;
    QXRequestCookie(this, true);
    return true;
}

bool TTextEditorWindow::loadFromDisk(const QString& fileName, std::optional<TTextEncoding> encoding)
{
    const QFileInfo info(fileName);
    const QString shown = displayName(fileName);
    if (!info.exists()) {
        tell(QStringLiteral("Soubor „%1“ neexistuje.").arg(shown));
        return false;
    }
    if (!info.isFile()) {
        tell(QStringLiteral("„%1“ není běžný soubor, textový editor jej neotevře.").arg(shown));
        return false;
    }
    if (info.size() > kMaxFileSize) {
        tell(QStringLiteral("Soubor „%1“ je příliš velký (%2). Textový editor otevírá soubory do velikosti %3.")
                 .arg(shown, sizeText(info.size()), sizeText(kMaxFileSize)));
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(QStringLiteral("Soubor „%1“ nelze otevřít: %2").arg(shown, file.errorString()));
        return false;
    }
    const auto readFailed = [&] {
        tell(QStringLiteral("Soubor „%1“ nelze přečíst: %2").arg(shown, file.errorString()));
        return false;
    };
    const auto tooLarge = [&] {
        tell(QStringLiteral("Soubor „%1“ je příliš velký. Textový editor otevírá soubory do velikosti %2.")
                 .arg(shown, sizeText(kMaxFileSize)));
        return false;
    };
    // The first piece tells text from binary data and UTF-8 from the rest.
    QByteArray bytes = file.read(info.size() > 0 ? std::min(info.size(), kLoadPiece) : kLoadPiece);
    if (file.error() != QFileDevice::NoError)
        return readFailed();
    if (!encoding && !LooksLikeText(bytes.left(kTextSniffBytes))) {
        const int answer = ask(QStringLiteral("Soubor „%1“ obsahuje binární data.\n\n"
                                              "Textový editor jej zobrazí, ale úpravy mohou soubor poškodit. "
                                              "Přesto jej otevřít?")
                                   .arg(shown),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No, true);
        if (answer != QMessageBox::Yes)
            return false;
    }

    const auto startText = [&](const QByteArray& head, qint64 size) {
        // The lexer goes in first: changing it later restyles the whole text.
        if (kind_ == TKind::Text) {
            const TLanguage* language = DetectLanguage(fileName, head.left(kTextSniffBytes));
            setLanguage(language ? language->Id : QString());
        }
        clearScriptError();
        // Without reports while the text is replaced: the reports would copy
        // and convert the whole old and new text.
        setChangeReports(false);
        steps_->SetSuspended(true);
        editor_->setReadOnly(false);
        Sci(editor_, QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0);
        Sci(editor_, QsciScintillaBase::SCI_MARKERDELETEALL, -1);
        Sci(editor_, QsciScintillaBase::SCI_CLEARALL);
        Sci(editor_, QsciScintillaBase::SCI_ALLOCATE, long(size) + 4096);
    };
    const auto endText = [&] {
        Sci(editor_, QsciScintillaBase::SCI_SETUNDOCOLLECTION, 1);
        Sci(editor_, QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
        Sci(editor_, QsciScintillaBase::SCI_SETSAVEPOINT);
        Sci(editor_, QsciScintillaBase::SCI_GOTOPOS, 0);
        steps_->SetSuspended(false);
        steps_->Reset();
        setChangeReports(SciLength(editor_) <= kFullChangeReportsLimit);
    };

    TDecodedText text;
    bool loaded = false;
    // A UTF-8 file (most are) goes into a new, empty editor piece by piece:
    // the file's bytes are never held whole beside the editor's copy, which
    // is half the memory a large file takes while it opens. A file that turns
    // out not to be UTF-8 is read again and decoded whole below.
    if (!encoding && FileName.isEmpty() && SciLength(editor_) == 0 && !HasUtf16Mark(bytes)) {
        startText(bytes.mid(bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0, kTextSniffBytes), info.size());
        const TPieceRead read = ReadUtf8Pieces(file, bytes, kMaxFileSize, kLoadPiece,
            [this](const char* data, size_t size) {
                SciText(editor_, QsciScintillaBase::SCI_APPENDTEXT, long(size), data);
            },
            text.Format, TLineEnd::Lf);
        bytes = QByteArray();
        if (read != TPieceRead::Done)
            Sci(editor_, QsciScintillaBase::SCI_CLEARALL);
        endText();
        if (read == TPieceRead::ReadError)
            return readFailed();
        if (read == TPieceRead::TooLarge)
            return tooLarge();
        loaded = read == TPieceRead::Done;
        if (!loaded && file.seek(0))
            bytes = file.read(info.size());
    }
    if (!loaded) {
        // The size read up front; then whatever the file still has (it may
        // have grown since, and some files report no size at all), up to the
        // limit.
        if (bytes.size() < info.size())
            bytes += file.read(info.size() - bytes.size());
        while (!file.atEnd() && bytes.size() <= kMaxFileSize && file.error() == QFileDevice::NoError) {
            const QByteArray more = file.read(1 << 20);
            if (more.isEmpty())
                break;
            bytes += more;
        }
        if (file.error() != QFileDevice::NoError)
            return readFailed();
        if (bytes.size() > kMaxFileSize)
            return tooLarge();
        file.close();
        text = encoding ? DecodeAs(bytes, *encoding, TLineEnd::Lf) : DecodeText(bytes, TLineEnd::Lf);
        bytes = QByteArray();
        startText(text.Utf8, text.Utf8.size());
        SciText(editor_, QsciScintillaBase::SCI_APPENDTEXT, long(text.Utf8.size()), text.Utf8.constData());
        endText();
        text.Utf8 = QByteArray();
    }

    format_ = savedFormat_ = text.Format;
    editor_->setEolMode(QsciScintilla::EolMode(eolMode(format_.LineEnd)));
    outOfSync_ = false;
    bookmarks_ = false;
    setFileName(info.absoluteFilePath());
    rememberDisk();
    detectIndentation();
    applyIndentation();
    updateLineNumberMargin();
    if (text.Lossy) {
        editor_->setReadOnly(true);
        tell(QStringLiteral("Soubor „%1“ obsahuje bajty, které v kódování %2 nejsou platné; editor je ukazuje jako znak �.\n\n"
                            "Aby se soubor uložením nepoškodil, je otevřen jen pro čtení. Jiné kódování zvolíte "
                            "ve stavovém řádku okna.")
                 .arg(shown, EncodingName(format_)),
            false);
    }
    updateState();
    updateStatusBar();
    return true;
}

bool TTextEditorWindow::save()
{
    if (FileName.isEmpty())
        return saveAs();
    const TDiskStamp now = stampOf(FileName);
    if (disk_.Exists && now.Exists && !(now == disk_)) {
        const int answer = ask(QStringLiteral("Soubor „%1“ byl od načtení změněn jiným programem.\n\n"
                                              "Chcete jej přepsat textem z editoru?")
                                   .arg(displayName(FileName)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No, true);
        if (answer != QMessageBox::Yes)
            return false;
    }
    return writeTo(FileName);
}

QString TTextEditorWindow::newFileFolder() const
{
    // A new script goes where the host's script menus list scripts.
    QString scripts;
    if (kind_ == TKind::Script && QXGetScriptsDirectory(&scripts) && QFileInfo(scripts).isDir())
        return scripts;
    return QDir::homePath();
}

bool TTextEditorWindow::saveAs()
{
    QFileDialog dialog(this, QStringLiteral("Uložit jako"));
    dialog.setObjectName(QStringLiteral("SaveAsDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (kind_ == TKind::Script) {
        dialog.setNameFilters({QStringLiteral("Skripty (*.qx)"), QStringLiteral("Všechny soubory (*)")});
        dialog.setDefaultSuffix(QStringLiteral("qx"));
    } else {
        dialog.setNameFilters({QStringLiteral("Všechny soubory (*)"), QStringLiteral("Textové soubory (*.txt)")});
    }
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    else
        dialog.setDirectory(newFileFolder());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    return writeTo(dialog.selectedFiles().constFirst());
}

bool TTextEditorWindow::writeTo(const QString& fileName)
{
    const QString shown = displayName(fileName);
    if ((settings_.TrimOnSave || settings_.FinalLineBreakOnSave) && !editor_->isReadOnly()) {
        // One undo step, so that the user can take the changes back.
        steps_->NameNextStep(QStringLiteral("Úpravy při uložení"));
        editor_->beginUndoAction();
        if (settings_.TrimOnSave)
            TrimTrailingBlanks(editor_);
        if (settings_.FinalLineBreakOnSave)
            EnsureFinalLineBreak(editor_);
        editor_->endUndoAction();
        steps_->NameNextStep(QString());
    }
    QByteArray bytes;
    QString unencodable;
    qsizetype unencodableAt = 0;
    if (!EncodeText(SciCharacters(editor_), size_t(SciLength(editor_)), format_, bytes, &unencodable, &unencodableAt)) {
        // A file holds one encoding: either all of it goes to UTF-8, or the
        // user removes the character first.
        const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, long(unencodableAt));
        const int answer = ask(QStringLiteral("Znak „%1“ na řádku %2 nelze uložit v kódování %3.\n\n"
                                              "Uložit celý dokument v kódování UTF-8? Zvolíte-li Ne, soubor se "
                                              "neuloží a znak můžete nahradit.")
                                   .arg(unencodable)
                                   .arg(line + 1)
                                   .arg(EncodingName(format_)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes) {
            editor_->setCursorPosition(int(line), 0);
            Sci(editor_, QsciScintillaBase::SCI_GOTOPOS, long(unencodableAt));
            return false;
        }
        format_.Encoding = TTextEncoding::Utf8;
        format_.Bom = false;
        EncodeText(SciCharacters(editor_), size_t(SciLength(editor_)), format_, bytes);
    }
    // Whole or not at all: a failed save (a full disk) leaves the old file
    // as it was.
    QString reason;
    if (!QX_SaveFile(fileName, bytes, &reason)) {
        tell(QX_SaveFailedText(shown, reason)
            + QStringLiteral(" Text zůstává v editoru; můžete jej uložit pod jiným jménem."));
        updateStatusBar();
        return false;
    }
    Sci(editor_, QsciScintillaBase::SCI_SETSAVEPOINT);
    savedFormat_ = format_;
    outOfSync_ = false;
    const QString absolute = QFileInfo(fileName).absoluteFilePath();
    if (absolute != FileName) {
        setFileName(absolute);
        if (kind_ == TKind::Text) {
            const TLanguage* language = DetectLanguage(absolute, QByteArray(SciCharacters(editor_),
                                                                     std::min<long>(SciLength(editor_), kTextSniffBytes)));
            if (language && language->Id != languageId_)
                setLanguage(language->Id);
        }
    }
    rememberDisk();
    updateState();
    updateStatusBar();
    return true;
}

bool TTextEditorWindow::maybeSave()
{
    if (!Modified)
        return true;
    const QString name = FileName.isEmpty()
        ? (kind_ == TKind::Script ? QStringLiteral("Nový skript") : QStringLiteral("Nový dokument"))
        : QFileInfo(FileName).fileName();
    const int answer = ask(QStringLiteral("Dokument „%1“ byl změněn.\n\nChcete změny uložit?").arg(name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        return save();
    return answer == QMessageBox::No;
}

TTextEditorWindow::TDiskStamp TTextEditorWindow::stampOf(const QString& fileName)
{
    TDiskStamp stamp;
    QFileInfo info(fileName);
    stamp.Exists = info.exists();
    if (stamp.Exists) {
        stamp.Modified = info.lastModified();
        stamp.Changed = info.fileTime(QFileDevice::FileMetadataChangeTime);
        stamp.Size = info.size();
    }
    return stamp;
}

void TTextEditorWindow::rememberDisk()
{
    disk_ = FileName.isEmpty() ? TDiskStamp {} : stampOf(FileName);
}

void TTextEditorWindow::scheduleDiskCheck()
{
    if (diskCheckPending_ || FileName.isEmpty())
        return;
    diskCheckPending_ = true;
    QTimer::singleShot(0, this, [this] {
        diskCheckPending_ = false;
        checkDisk();
    });
}

void TTextEditorWindow::checkDisk()
{
    if (checkingDisk_ || FileName.isEmpty())
        return;
    const TDiskStamp now = stampOf(FileName);
    if (now == disk_)
        return;
    checkingDisk_ = true;
    const QString shown = displayName(FileName);
    disk_ = now;
    if (!now.Exists) {
        outOfSync_ = true;
        updateState();
        tell(QStringLiteral("Soubor „%1“ byl smazán nebo přesunut jiným programem.\n\n"
                            "Text zůstává v editoru; uložením soubor vytvoříte znovu.")
                 .arg(shown),
            false);
    } else {
        const QString text = Modified
            ? QStringLiteral("Soubor „%1“ byl změněn jiným programem.\n\n"
                             "Chcete jej znovu načíst? Neuložené změny v editoru se ztratí.")
            : QStringLiteral("Soubor „%1“ byl změněn jiným programem.\n\nChcete jej znovu načíst?");
        const QPointer<TTextEditorWindow> self(this);
        const int answer =
            ask(text.arg(shown), QMessageBox::Yes | QMessageBox::No, Modified ? QMessageBox::No : QMessageBox::Yes);
        // Destroyed with its question (by a host that does not wait for it).
        if (!self)
            return;
        if (answer == QMessageBox::Yes) {
            reload(std::nullopt);
        } else {
            // The editor now differs from the file: keep it saveable.
            outOfSync_ = true;
            updateState();
        }
    }
    checkingDisk_ = false;
}

bool TTextEditorWindow::reload(std::optional<TTextEncoding> encoding)
{
    const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
    const long caretLine = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, caret);
    const long caretColumn = caret - Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, caretLine);
    const long top = Sci(editor_, QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
    const QList<int> marks = bookmarkLines();
    if (!loadFromDisk(FileName, encoding))
        return false;
    QStringList lines;
    for (int line : marks)
        lines << QString::number(line);
    LoadCookie(QStringLiteral("caret=%1:%2;top=%3;bookmarks=%4").arg(caretLine).arg(caretColumn).arg(top).arg(lines.join(u',')));
    pendingFirstLine_ = -1;
    return true;
}

// ---------------------------------------------------------------------------
// Line ends and encodings
// ---------------------------------------------------------------------------

void TTextEditorWindow::setLineEnd(TLineEnd lineEnd)
{
    if (!editor_->isReadOnly()) {
        steps_->NameNextStep(QStringLiteral("Převod konců řádků na %1").arg(LineEndName(lineEnd)));
        editor_->convertEols(QsciScintilla::EolMode(eolMode(lineEnd)));
        steps_->NameNextStep(QString());
    }
    format_.LineEnd = lineEnd;
    editor_->setEolMode(QsciScintilla::EolMode(eolMode(lineEnd)));
    updateState();
    updateStatusBar();
}

void TTextEditorWindow::setEncoding(TTextEncoding encoding, bool bom)
{
    // A code page that cannot hold the text is refused at once rather than
    // at the next save.
    QByteArray bytes;
    QString unencodable;
    qsizetype at = 0;
    const TTextFormat wanted {encoding, bom, format_.LineEnd};
    if (IsSingleByte(encoding) &&
        !EncodeText(SciCharacters(editor_), size_t(SciLength(editor_)), wanted, bytes, &unencodable, &at)) {
        const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, long(at));
        tell(QStringLiteral("Znak „%1“ na řádku %2 nelze uložit v kódování %3. Dokument zůstává v kódování %4.")
                 .arg(unencodable)
                 .arg(line + 1)
                 .arg(EncodingName(wanted), EncodingName(format_)));
        return;
    }
    format_.Encoding = encoding;
    format_.Bom = !IsSingleByte(encoding) && bom;
    updateState();
    updateStatusBar();
}

void TTextEditorWindow::reopenAs(TTextEncoding encoding)
{
    if (FileName.isEmpty())
        return;
    if (Modified &&
        ask(QStringLiteral("Znovu načíst soubor v kódování %1? Neuložené změny se ztratí.")
                .arg(EncodingName(TTextFormat {encoding, encoding != TTextEncoding::Utf8 && !IsSingleByte(encoding), format_.LineEnd})),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No, true) != QMessageBox::Yes)
        return;
    reload(encoding);
}
