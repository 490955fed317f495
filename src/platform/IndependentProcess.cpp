#include "platform/IndependentProcess.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;
#endif

namespace qx {

#ifdef Q_OS_UNIX

qint64 StartIndependentProcess(const IndependentProcessOptions& options, QString* error)
{
    const QByteArray program = QFile::encodeName(options.Program);
    std::vector<QByteArray> texts {program};
    for (const QString& argument : options.Arguments)
        texts.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // Input is empty: a tool that reads it must not wait for a keyboard it
    // does not have.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const QByteArray output = QFile::encodeName(options.OutputFile);
    if (!output.isEmpty()) {
        posix_spawn_file_actions_addopen(&actions, 1, output.constData(), O_WRONLY | O_APPEND | O_CREAT, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    const QByteArray folder = QFile::encodeName(options.WorkingFolder);
    if (!folder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    // Signals we ignore or block would stay so in the program; it gets the defaults.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    if (options.OwnGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    posix_spawnattr_setflags(&attributes, flags);

    pid_t pid = -1;
    const bool searchPath = !options.Program.contains(QLatin1Char('/'));
    const int result = searchPath ? posix_spawnp(&pid, program.constData(), &actions, &attributes, argv.data(), environ)
                                  : posix_spawn(&pid, program.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(result));
        return -1;
    }
    return pid;
}

bool IndependentProcessEnded(qint64 pid, int* exitCode, bool* crashed)
{
    int status = 0;
    pid_t ended;
    do
        ended = ::waitpid(pid_t(pid), &status, WNOHANG);
    while (ended < 0 && errno == EINTR);
    if (ended == 0)
        return false;
    // A process that is not our child any more (reaped elsewhere) counts as ended.
    const bool normal = ended > 0 && WIFEXITED(status);
    if (exitCode)
        *exitCode = normal ? WEXITSTATUS(status) : -1;
    if (crashed)
        *crashed = !normal;
    return true;
}

void ReapIndependentProcessLater(qint64 pid)
{
    std::thread([pid] {
        int status;
        while (::waitpid(pid_t(pid), &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

void SignalIndependentProcess(qint64 pid, bool force)
{
    if (pid <= 0)
        return;
    const int signal = force ? SIGKILL : SIGTERM;
    // Its own group when it has one, or the process alone.
    if (::getpgid(pid_t(pid)) == pid_t(pid) && ::kill(-pid_t(pid), signal) == 0)
        return;
    ::kill(pid_t(pid), signal);
}

#else

qint64 StartIndependentProcess(const IndependentProcessOptions&, QString* error)
{
    if (error)
        *error = QStringLiteral("Not supported on this system.");
    return -1;
}

bool IndependentProcessEnded(qint64, int* exitCode, bool* crashed)
{
    if (exitCode)
        *exitCode = -1;
    if (crashed)
        *crashed = true;
    return true;
}

void ReapIndependentProcessLater(qint64) {}

void SignalIndependentProcess(qint64, bool) {}

#endif

} // namespace qx
