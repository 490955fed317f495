#include "platform/ProcessExit.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace qx {

namespace {

struct EndWork {
    std::mutex mutex;
    std::vector<std::pair<int, std::function<void()>>> work;
    int lastKey = 0;
    bool handlerSet = false;
};

EndWork& endWork()
{
    // Never destroyed: exit handlers and static destructors of other units
    // may still reach it.
    static EndWork* work = new EndWork;
    return *work;
}

void runEndWork()
{
    EndWork& all = endWork();
    for (;;) {
        std::function<void()> next;
        {
            const std::lock_guard lock(all.mutex);
            if (all.work.empty())
                return;
            next = std::move(all.work.back().second);
            all.work.pop_back();
        }
        next();
    }
}

#ifndef _WIN32
void brokenPipe(int)
{
}
#endif

} // namespace

void TerminateOwnProcess(int code)
{
    runEndWork();
    std::fflush(nullptr);
    _exit(code);
}

void ExitOwnProcess(int code)
{
    std::exit(code);
}

int AtOwnProcessEnd(std::function<void()> work)
{
    EndWork& all = endWork();
    const std::lock_guard lock(all.mutex);
    if (!all.handlerSet)
        all.handlerSet = std::atexit(runEndWork) == 0;
    all.work.emplace_back(++all.lastKey, std::move(work));
    return all.lastKey;
}

void CancelAtOwnProcessEnd(int key)
{
    EndWork& all = endWork();
    const std::lock_guard lock(all.mutex);
    std::erase_if(all.work, [key](const auto& w) { return w.first == key; });
}

void SurviveBrokenPipes()
{
#ifndef _WIN32
    struct sigaction action {};
    action.sa_handler = brokenPipe;
    sigemptyset(&action.sa_mask);
    // System calls the signal interrupts go on; the write that raised it
    // fails with EPIPE.
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGPIPE, &action, nullptr);
#endif
}

} // namespace qx
