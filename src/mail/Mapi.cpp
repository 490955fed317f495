#include "mail/Mapi.h"

#include <QProcess>

namespace {

// xdg-email returns once the mail client has the message; a client that
// keeps the helper waiting longer than this counts as failed.
const int kHandOverTimeoutMs = 60000;

} // namespace

int SendMailMessage(const TMailMessage& message)
{
    QStringList args {QStringLiteral("--utf8")};
    for (const QString& cc : message.Cc)
        args << QStringLiteral("--cc") << cc;
    if (!message.Subject.isEmpty())
        args << QStringLiteral("--subject") << message.Subject;
    if (!message.Text.isEmpty())
        args << QStringLiteral("--body") << message.Text;
    for (const QString& file : message.Attachments)
        args << QStringLiteral("--attach") << file;
    // Recipients last: xdg-email takes the remaining arguments as addresses.
    args << message.To;

    QProcess helper;
    helper.setProcessChannelMode(QProcess::ForwardedChannels);
    helper.start(QStringLiteral("xdg-email"), args);
    if (!helper.waitForStarted())
        return 1;
    if (!helper.waitForFinished(kHandOverTimeoutMs)) {
        helper.kill();
        helper.waitForFinished();
        return 1;
    }
    if (helper.exitStatus() != QProcess::NormalExit)
        return 1;
    return helper.exitCode();
}
