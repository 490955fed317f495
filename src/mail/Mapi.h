#pragma once
// Handing a composed message to the desktop's mail client. On Linux the
// message goes to xdg-email, which opens the user's mail client with the
// fields filled in; the user sends it from there.
#include <QString>
#include <QStringList>

struct TMailMessage {
    QStringList To;          // recipients, in order
    QStringList Cc;          // copy recipients, after the recipients
    QStringList Attachments; // full paths
    QString Subject;
    QString Text;
};

// 0 when the mail client took the message; otherwise the helper's exit code,
// or 1 when no mail client could be started at all. Waits for the helper at
// most a few seconds: a helper still running then has opened the client,
// which is left running; the message counts as handed over. Text lines may
// end in CR LF. Blocks: callers on the GUI thread run it on a worker.
int SendMailMessage(const TMailMessage& message);
