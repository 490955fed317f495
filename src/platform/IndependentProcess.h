#pragma once
// Programs started so that they live on their own: the external tools and
// the mail client's helper. Such a program is not ended when this program
// closes, and it never writes into a pipe that dies with us (its output goes
// to a file or to our own standard streams). Starting never waits for the
// program; whether it has ended is asked without blocking.
#include <QString>
#include <QStringList>

namespace qx {

struct IndependentProcessOptions {
    QString Program; // a path, or a name looked up on PATH
    QStringList Arguments;
    QString WorkingFolder; // empty: ours
    // Standard output and error both go to this file (appended); empty: they
    // are ours. Standard input is always empty.
    QString OutputFile;
    // In a process group of its own, so that stopping it reaches what it started.
    bool OwnGroup = false;
};

// The process id, or -1 with the system's reason in *error.
qint64 StartIndependentProcess(const IndependentProcessOptions& options, QString* error);

// True once the process has ended (and then it is reaped): its exit code, or
// crashed when a signal ended it. Never waits.
bool IndependentProcessEnded(qint64 pid, int* exitCode, bool* crashed);

// Waits for the end of a process that nobody watches any more, on a thread of
// its own, so that it does not stay behind as a zombie while we run.
void ReapIndependentProcessLater(qint64 pid);

// Asks the process (its whole group when it has one) to end, or kills it.
void SignalIndependentProcess(qint64 pid, bool force);

} // namespace qx
