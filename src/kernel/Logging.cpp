#include "kernel/Logging.h"

#include "kernel/Settings.h"
#include "platform/FileWrite.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kLineEnd = "\r\n";

// The file is kept open and each event appended, so an event costs the same
// at the 100,000th line as at the first. The whole list is written again when
// the file is not known to hold it: the first event of a run, after logging
// was switched on again, after the path changed or a write failed, and when
// the file was truncated, deleted or replaced while the program runs.
//
// The file is opened for appending and each line goes out in one write, so
// two programs logging into one file never cut each other's lines, and a file
// truncated under us never fills with zero bytes up to our old offset.
struct EventLog {
    std::mutex lock;
    std::vector<std::string> lines;
    bool enabled = true;
    int fd = -1;
    std::string openPath;
    bool inSync = false;
    off_t written = 0; // bytes this run put into the open file

    void closeFile()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        inSync = false;
    }

    // The open file still holds what we wrote: it is the file at the path
    // (not deleted, not replaced) and at least as long (not truncated).
    bool fileHoldsOurLines(const std::string& path) const
    {
        struct stat open {}, named {};
        if (::fstat(fd, &open) != 0 || ::stat(path.c_str(), &named) != 0)
            return false;
        return open.st_dev == named.st_dev && open.st_ino == named.st_ino && open.st_size >= written;
    }

    void rewrite(const std::string& path)
    {
        closeFile();
        int f = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
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
        written = static_cast<off_t>(text.size());
        inSync = true;
    }

    void append(const std::string& line)
    {
        std::string text = line + kLineEnd;
        if (qx::WriteFully(fd, text))
            written += static_cast<off_t>(text.size());
        else
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
    if (l.inSync && path == l.openPath && l.fileHoldsOurLines(path))
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
