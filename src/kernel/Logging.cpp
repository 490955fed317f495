#include "kernel/Logging.h"

#include "kernel/Settings.h"
#include "platform/FileWrite.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

const char* const kLineEnd = "\r\n";

// The file is kept open and each event appended, so an event costs the same
// at the 100,000th line as at the first. The whole list is written again only
// when the file is not known to hold it: the first event of a run, after
// logging was switched on again, after the path changed or a write failed.
struct EventLog {
    std::mutex lock;
    std::vector<std::string> lines;
    bool enabled = true;
    int fd = -1;
    std::string openPath;
    bool inSync = false;

    void closeFile()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        inSync = false;
    }

    void rewrite(const std::string& path)
    {
        closeFile();
        int f = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (f < 0)
            return;
        std::string text;
        for (const auto& line : lines) {
            text += line;
            text += kLineEnd;
        }
        if (!qx::WriteFully(f, text)) {
            ::close(f);
            return;
        }
        fd = f;
        openPath = path;
        inSync = true;
    }

    void append(const std::string& line)
    {
        if (!qx::WriteFully(fd, line + kLineEnd))
            closeFile();
    }
};

EventLog& log()
{
    static EventLog* instance = new EventLog; // never destroyed: logging may run during exit
    return *instance;
}

} // namespace

std::string FormatLogTime()
{
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

void InitEventLog(const std::string& commandLine)
{
    auto& l = log();
    std::lock_guard guard(l.lock);
    l.closeFile();
    l.lines = {"Quorvix 2 Event Log", "", "Command line: " + commandLine, ""};
    l.enabled = true;
}

void FinalizeEventLog()
{
    auto& l = log();
    std::lock_guard guard(l.lock);
    l.closeFile();
    l.lines.clear();
}

void LogEvent(const std::string& message)
{
    auto& l = log();
    std::lock_guard guard(l.lock);
    l.lines.push_back(FormatLogTime() + " " + message);
    if (!l.enabled)
        return;
    std::string path = GetEventLogFileName();
    if (l.inSync && path == l.openPath)
        l.append(l.lines.back());
    else
        l.rewrite(path);
}

std::vector<std::string> GetEventLogLines()
{
    auto& l = log();
    std::lock_guard guard(l.lock);
    return l.lines;
}

bool IsEventLogEnabled()
{
    auto& l = log();
    std::lock_guard guard(l.lock);
    return l.enabled;
}

void SetEventLogEnabled(bool enabled)
{
    auto& l = log();
    std::lock_guard guard(l.lock);
    if (!enabled)
        l.closeFile();
    l.enabled = enabled;
}
