#include "files/DesktopShortcut.h"

#include "kernel/AppInfo.h"
#include "platform/ShellLinks.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

QString SendToDesktop(QWidget* owner, const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const QString description = QStringLiteral("Zástupce dokmentu %1, vytvořil Quorvix 2.").arg(name);
    const std::string link = qx::CreateShortcutFile(QFile::encodeName(name).toStdString(), qx::DesktopFolder(),
        description.toStdString(), std::string(), QFile::encodeName(QFileInfo(fileName).absoluteFilePath()).toStdString());
    QMessageBox::information(owner, QString::fromUtf8(kApplicationTitle), QStringLiteral("Zástupce byl vytvořen."));
    return QFile::decodeName(QByteArray::fromStdString(link));
}

QString ShortcutTarget(const QString& linkFile)
{
    const auto info = qx::ResolveShellLink(QFile::encodeName(linkFile).toStdString());
    if (!info)
        return {};
    QString target = QFile::decodeName(QByteArray::fromStdString(info->TargetPath));
    // The reader's fields are fixed-size on some platforms; a NUL ends the path.
    const qsizetype nul = target.indexOf(QChar(0));
    return nul < 0 ? target : target.left(nul);
}
