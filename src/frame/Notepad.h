#pragma once
// The notepad pane's file. The pane's text is read from its RTF file when the
// frame is created and written back atomically when the frame closes, and also
// a few seconds after the last change, so that a crash or a killed process
// loses at most those seconds of typing. A missing or unreadable file gives an
// empty pane; a file that cannot be written (a full disk) keeps its old
// content, the text stays a change to save, and SaveFailed says why.
#include "frame/RtfText.h"

#include <QObject>
#include <QString>

class QTextDocument;
class QTextEdit;
class QTimer;

class TNotepadFile : public QObject {
    Q_OBJECT
public:
    // How long after the last change the pane is saved, in milliseconds.
    static constexpr int kSaveDelay = 3000;

    // Watches edit (and becomes its child) and keeps it in fileName.
    TNotepadFile(QTextEdit* edit, const QString& fileName);

    // "notepad.rtf" beside a portable program, in the user's state folder for
    // an installed one (GetNotepadFileName).
    static QString DefaultFileName();
    QString FileName() const { return fileName_; }

    // Replaces the pane's text with the file's; the loaded text is not a
    // change to save and cannot be undone. False when the file was not read.
    bool Load();
    // Writes the pane's text now; false when the file could not be written,
    // and when the file could not be read and the pane was not changed.
    bool Save();
    // Whether a change waits for its delayed save.
    bool SavePending() const;
    // Why the last save failed (Czech, naming the file); empty after a save
    // that succeeded.
    QString LastError() const { return lastError_; }

signals:
    // A save failed; not repeated while saves keep failing for the same reason.
    void SaveFailed(const QString& message);

private:
    QTextEdit* edit_;
    QString fileName_;
    QTimer* saveTimer_;
    bool loading_ = false;
    bool unreadable_ = false;
    QString lastError_;
};

// The document's text as notepad runs (bold, italic, underline, text colour),
// and the runs put into a document in place of its content.
qx::RtfRuns DocumentRuns(const QTextDocument& document);
void SetDocumentRuns(QTextDocument& document, const qx::RtfRuns& runs);
