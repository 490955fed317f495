#pragma once
// Starting programs and opening documents with the desktop's default handler.
#include <QIcon>
#include <QString>

#include <functional>

class QProcess;
class QUrl;

namespace qx {

// Starts program (an executable path or a name found on PATH) with the
// parameters split as a shell would, or opens a document, folder or URL with
// its default application. The new process inherits the current folder.
// On failure returns false and sets *error to the system's text.
bool ShellOpen(const QString& program, const QString& parameters, QString* error);

// The absolute path of program when it is an executable file or a name
// found on PATH; empty otherwise (documents, folders, addresses, nothing).
QString FindExecutable(const QString& program);

// Opens a web address in the user's browser. When no browser can be started
// (no opener program, or the opener reports that it found no browser),
// failed runs later on the GUI thread; it never runs for a browser that
// started.
void OpenWebPage(const QUrl& url, std::function<void()> failed);

// Makes a process about to start the first of a group of its own, so that
// ending it reaches the programs it starts in turn (a build's compilers).
void StartInOwnGroup(QProcess& process);
// Asks a started process and its group to end, or kills them with force.
void EndProcessGroup(QProcess& process, bool force);

// A byte count as people read it: "1023 B", "1,50 kB", "2,00 MB", with the
// decimal sign of the default locale.
QString FileSizeText(qint64 bytes);
// The desktop's name of the file's type (from the MIME database, in the
// language of the default locale), at most 80 characters.
QString FileTypeName(const QString& path);
// Whether the current user may write the file: the system's access check,
// so a file of another owner, one on a read-only mount or an immutable one
// is read-only even when its owner's write bit is set (and root may write
// where no write bit is set).
bool CanWriteFile(const QString& path);
// The icon the desktop shows for the file or folder.
QIcon FileIcon(const QString& path);

} // namespace qx
