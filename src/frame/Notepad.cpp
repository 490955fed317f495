#include "frame/Notepad.h"

#include "frame/FrameWindow.h"
#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "platform/FileWrite.h"

#include <QDockWidget>
#include <QFile>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace {

qx::RtfFormat runFormat(const QTextCharFormat& format)
{
    qx::RtfFormat f;
    f.bold = format.fontWeight() >= QFont::Bold;
    f.italic = format.fontItalic();
    f.underline = format.fontUnderline();
    if (format.foreground().style() != Qt::NoBrush)
        f.color = int32_t(format.foreground().color().rgb() & 0xFFFFFF);
    return f;
}

QTextCharFormat charFormat(const qx::RtfFormat& f)
{
    QTextCharFormat format;
    format.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(f.italic);
    format.setFontUnderline(f.underline);
    if (f.color >= 0)
        format.setForeground(QColor(QRgb(uint32_t(f.color))));
    return format;
}

} // namespace

qx::RtfRuns DocumentRuns(const QTextDocument& document)
{
    qx::RtfRuns runs;
    auto append = [&runs](const QString& text, const qx::RtfFormat& format) {
        // Line separators inside a paragraph (Shift+Enter) are paragraph ends
        // in the file; a non-breaking space stays one.
        std::string utf8 = QString(text).replace(QChar::LineSeparator, QLatin1Char('\n')).toStdString();
        if (utf8.empty())
            return;
        if (!runs.empty() && runs.back().format == format)
            runs.back().text += utf8;
        else
            runs.push_back({std::move(utf8), format});
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            append(QStringLiteral("\n"), runs.empty() ? qx::RtfFormat {} : runs.back().format);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                append(fragment.text(), runFormat(fragment.charFormat()));
        }
    }
    return runs;
}

void SetDocumentRuns(QTextDocument& document, const qx::RtfRuns& runs)
{
    document.clear();
    QTextCursor cursor(&document);
    for (const qx::RtfRun& run : runs) {
        const QTextCharFormat format = charFormat(run.format);
        const QStringList paragraphs = QString::fromStdString(run.text).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (i > 0)
                cursor.insertBlock(QTextBlockFormat(), format);
            cursor.insertText(paragraphs[i], format);
        }
    }
}

TNotepadFile::TNotepadFile(QTextEdit* edit, const QString& fileName)
    : QObject(edit)
    , edit_(edit)
    , fileName_(fileName)
    , saveTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("NotepadFile"));
    saveTimer_->setSingleShot(true);
    saveTimer_->setInterval(kSaveDelay);
    connect(saveTimer_, &QTimer::timeout, this, [this] { Save(); });
    connect(edit_->document(), &QTextDocument::contentsChanged, this, [this] {
        if (!loading_)
            saveTimer_->start();
    });
}

QString TNotepadFile::DefaultFileName()
{
    return QString::fromStdString(GetNotepadFileName());
}

bool TNotepadFile::Load()
{
    QFile file(fileName_);
    // A file that is there but cannot be read is not replaced by an empty
    // pane at closing; only text typed into the pane is written over it.
    unreadable_ = file.exists();
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    unreadable_ = false;
    loading_ = true;
    QTextDocument* document = edit_->document();
    document->setUndoRedoEnabled(false);
    SetDocumentRuns(*document, qx::ReadRtf(std::string_view(data.constData(), size_t(data.size()))));
    document->setUndoRedoEnabled(true);
    document->setModified(false);
    edit_->moveCursor(QTextCursor::Start);
    loading_ = false;
    return true;
}

bool TNotepadFile::Save()
{
    saveTimer_->stop();
    if (unreadable_ && !edit_->document()->isModified())
        return false;
    const qx::RtfRuns runs = DocumentRuns(*edit_->document());
    const std::string rtf = qx::WriteRtf(runs, edit_->font().family().toStdString(),
        edit_->font().pointSize() > 0 ? edit_->font().pointSize() : 10);
    // Whole or not at all: on a full disk the notes of the last good save
    // stay, and the pane keeps the text as a change still to save.
    std::string reason;
    if (!qx::WriteFileAtomically(QFile::encodeName(fileName_).toStdString(), rtf, &reason)) {
        const QString error = QStringLiteral("Poznámky nelze uložit do souboru „%1“: %2. Soubor na disku zůstal beze změny.")
                                  .arg(fileName_, QString::fromStdString(reason));
        const bool repeated = error == lastError_;
        lastError_ = error;
        if (!repeated)
            emit SaveFailed(error);
        return false;
    }
    lastError_.clear();
    edit_->document()->setModified(false);
    return true;
}

bool TNotepadFile::SavePending() const
{
    return saveTimer_->isActive();
}

// ---------------------------------------------------------------------------
// The frame's notepad pane
// ---------------------------------------------------------------------------

// Made when first wanted: most starts never show the pane, and a text
// editor with its document and the fixed font costs the start more than the
// rest of the pane.
QTextEdit* TFrameWindowForm::NotepadEdit()
{
    if (!notepadRichEdit_) {
        notepadRichEdit_ = new QTextEdit(notepadToolWindow_);
        notepadRichEdit_->setObjectName(QStringLiteral("NotepadRichEdit"));
        notepadRichEdit_->setFont(QFont(QStringLiteral("Courier")));
        notepadRichEdit_->setLineWrapMode(QTextEdit::NoWrap);
        notepadToolWindow_->setWidget(notepadRichEdit_);
        auto* file = new TNotepadFile(notepadRichEdit_, TNotepadFile::DefaultFileName());
        // A save a few seconds after typing fails without a question in the
        // way of the typing; the close asks (saveNotepadBeforeClose).
        connect(file, &TNotepadFile::SaveFailed, this, [this](const QString& message) {
            CheckPositiveResult(false, message);
        });
        file->Load();
    }
    return notepadRichEdit_;
}

// Notes never shown were never changed: nothing to save.
void TFrameWindowForm::saveNotepad()
{
    if (!notepadRichEdit_)
        return;
    if (auto* file = notepadRichEdit_->findChild<TNotepadFile*>())
        file->Save();
}

bool TFrameWindowForm::saveNotepadBeforeClose()
{
    if (!notepadRichEdit_ || !notepadRichEdit_->document()->isModified())
        return true;
    auto* file = notepadRichEdit_->findChild<TNotepadFile*>();
    if (!file || file->Save() || file->LastError().isEmpty())
        return true;
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kApplicationTitle),
        file->LastError() + QStringLiteral("\n\nZavřít program i přesto? Poznámky napsané od posledního uložení se ztratí."),
        QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("NotepadSaveFailed"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TFrameWindowForm::Action_SubmenuNotepadClearExecute()
{
    if (NotepadEdit()->document()->isEmpty())
        return;
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kApplicationTitle),
        QStringLiteral("Opravdu chcete vymazat obsah poznámek? Vymazání můžete vrátit zpět klávesami Ctrl+Z."),
        QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("NotepadClearQuestion"));
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return;
    // Removed as one edit, so that the pane's undo brings the text back.
    QTextCursor cursor(notepadRichEdit_->document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}
