#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace qx {

namespace {

bool looksLikeUrl(const QString& text)
{
    QUrl url(text, QUrl::StrictMode);
    return url.isValid() && url.scheme().size() > 1 && !url.host().isEmpty();
}

} // namespace

QString FindExecutable(const QString& program)
{
    if (program.isEmpty())
        return {};
    QFileInfo info(program);
    if (info.isFile() && info.isExecutable())
        return info.absoluteFilePath();
    if (!program.contains(QLatin1Char('/')))
        return QStandardPaths::findExecutable(program);
    return {};
}

bool ShellOpen(const QString& program, const QString& parameters, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (program.isEmpty())
        return fail(QString::fromLocal8Bit(std::strerror(ENOENT)));

    QFileInfo info(program);
    const QString executable = FindExecutable(program);
    if (!executable.isEmpty()) {
        if (QProcess::startDetached(executable, QProcess::splitCommand(parameters)))
            return true;
        return fail(QString::fromLocal8Bit(std::strerror(EACCES)));
    }
    if (info.exists())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))
            ? true
            : fail(QStringLiteral("No application is registered for this type of document."));
    if (looksLikeUrl(program))
        return QDesktopServices::openUrl(QUrl(program)) ? true : fail(QStringLiteral("The address cannot be opened."));
    return fail(QString::fromLocal8Bit(std::strerror(ENOENT)));
}

void OpenWebPage(const QUrl& url, std::function<void()> failed)
{
#ifdef Q_OS_UNIX
    // xdg-open reports through its exit status whether a browser started
    // (it ends with 3 or 4 when it found none); QDesktopServices would only
    // say that xdg-open itself started. The process has no parent: a browser
    // that xdg-open runs in the foreground may outlive the program.
    const QString opener = FindExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        QTimer::singleShot(0, failed);
        return;
    }
    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, [process, failed](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            failed();
            process->deleteLater();
        }
    });
    QObject::connect(process, &QProcess::finished, [process, failed](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            failed();
        process->deleteLater();
    });
    process->start(opener, {url.toString()});
#else
    if (!QDesktopServices::openUrl(url))
        QTimer::singleShot(0, failed);
#endif
}

void StartInOwnGroup(QProcess& process)
{
#ifdef Q_OS_UNIX
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
#else
    Q_UNUSED(process);
#endif
}

void EndProcessGroup(QProcess& process, bool force)
{
#ifdef Q_OS_UNIX
    const qint64 pid = process.processId();
    if (pid > 0 && ::kill(-pid_t(pid), force ? SIGKILL : SIGTERM) == 0)
        return;
#endif
    if (force)
        process.kill();
    else
        process.terminate();
}

QString FileSizeText(qint64 bytes)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    if (bytes < 1024 * 1024)
        return locale.toString(double(bytes) / 1024.0, 'f', 2) + QStringLiteral(" kB");
    return locale.toString(double(bytes) / (1024.0 * 1024.0), 'f', 2) + QStringLiteral(" MB");
}

QString FileTypeName(const QString& path)
{
    static const QMimeDatabase mimes;
    const QFileInfo info(path);
    QString name = info.isDir() ? mimes.mimeTypeForName(QStringLiteral("inode/directory")).comment()
                                : mimes.mimeTypeForFile(info).comment();
    return name.left(80);
}

bool CanWriteFile(const QString& path)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
#else
    return QFileInfo(path).isWritable();
#endif
}

QIcon FileIcon(const QString& path)
{
    static const QFileIconProvider provider;
    return provider.icon(QFileInfo(path));
}

} // namespace qx
