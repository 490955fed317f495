#include "mail/Mapi.h"

#include "platform/IndependentProcess.h"

#include <QThread>

#include <chrono>

namespace {

// xdg-email returns once it has handed the message on, except where it runs
// the mail client itself and waits until the user closes it. Still running
// after this long, it has handed the message on: the client is open.
const int kHandOverMs = 2500;
const int kPollMs = 20;

} // namespace

int SendMailMessage(const TMailMessage& message)
{
    QStringList args {QStringLiteral("--utf8")};
    for (const QString& cc : message.Cc)
        args << QStringLiteral("--cc") << cc;
    if (!message.Subject.isEmpty())
        args << QStringLiteral("--subject") << message.Subject;
    if (!message.Text.isEmpty()) {
        // xdg-email ends every line of the body with CR LF itself; a CR of
        // ours would reach the client doubled.
        QString body = message.Text;
        body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        args << QStringLiteral("--body") << body;
    }
    for (const QString& file : message.Attachments)
        args << QStringLiteral("--attach") << file;
    // Recipients last: xdg-email takes the remaining arguments as addresses.
    args << message.To;

    qx::IndependentProcessOptions options;
    options.Program = QStringLiteral("xdg-email");
    options.Arguments = args;
    const qint64 pid = qx::StartIndependentProcess(options, nullptr);
    if (pid <= 0)
        return 1;
    for (int waited = 0; waited < kHandOverMs; waited += kPollMs) {
        int code = 0;
        bool crashed = false;
        if (qx::IndependentProcessEnded(pid, &code, &crashed))
            return crashed ? 1 : code;
        QThread::msleep(kPollMs);
    }
    // Never killed: it may be the mail client the user is writing in.
    qx::ReapIndependentProcessLater(pid);
    return 0;
}
