#include "platform/FileWrite.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qx {

bool WriteFully(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

namespace {

std::atomic<int> g_injectedFailure {0};

// Temporary files this process is writing now: a save in another thread may
// come across them and must leave them alone.
std::mutex g_activeLock;
std::set<std::string>& activeTemporaries()
{
    static std::set<std::string> names;
    return names;
}

constexpr std::string_view kMarker = ".qxsave-";
// A temporary file not written to for this long belongs to no save that is
// still running, whatever process its name gives.
constexpr time_t kAbandonedAfter = 60 * 60;
// Room left in a file name for the dot, the marker, two numbers and the tilde.
constexpr size_t kNameRoom = 255 - 32;

// The target's name as it appears in its temporary files: cut to fit (at a
// character boundary of UTF-8).
std::string_view namePart(std::string_view name)
{
    if (name.size() <= kNameRoom)
        return name;
    size_t end = kNameRoom;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

std::string temporaryPrefix(std::string_view targetName)
{
    std::string prefix = ".";
    prefix += namePart(targetName);
    prefix += kMarker;
    return prefix;
}

// Parses "<digits>-<digits>~"; the first number is the process id.
bool parseTail(std::string_view tail, long* pid)
{
    size_t dash = tail.find('-');
    if (dash == 0 || dash == std::string_view::npos || tail.size() < dash + 3 || tail.back() != '~')
        return false;
    std::string_view first = tail.substr(0, dash), second = tail.substr(dash + 1, tail.size() - dash - 2);
    auto digits = [](std::string_view s) {
        return !s.empty() && s.size() <= 10 && s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!digits(first) || !digits(second))
        return false;
    *pid = std::stol(std::string(first));
    return true;
}

bool isSaveTemporary(std::string_view name, std::string_view targetName, long* pid)
{
    const std::string prefix = temporaryPrefix(targetName);
    return name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix
        && parseTail(name.substr(prefix.size()), pid);
}

bool processRuns(long pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// Removes the temporary files of earlier saves of target that a killed
// program left behind.
void removeStaleTemporaries(const std::filesystem::path& target)
{
    const std::string folder = target.parent_path().empty() ? std::string(".") : target.parent_path().string();
    const std::string name = target.filename().string();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const long self = long(::getpid());
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        long pid = 0;
        if (!isSaveTemporary(entry->d_name, name, &pid))
            continue;
        const std::string path = folder + "/" + entry->d_name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        bool stale = now - st.st_mtime > kAbandonedAfter;
        if (pid == self) {
            std::lock_guard guard(g_activeLock);
            stale = stale || activeTemporaries().count(path) == 0;
        } else {
            stale = stale || !processRuns(pid);
        }
        if (stale)
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

} // namespace

AtomicFileWriter::AtomicFileWriter(std::string path, unsigned newFileMode)
    : path_(std::move(path))
    , newFileMode_(newFileMode)
{
}

AtomicFileWriter::~AtomicFileWriter()
{
    Discard();
}

bool AtomicFileWriter::fail(int errorNumber)
{
    if (error_ == 0)
        error_ = errorNumber != 0 ? errorNumber : EIO;
    Discard();
    return false;
}

bool AtomicFileWriter::Open()
{
    namespace fs = std::filesystem;
    Discard();
    error_ = 0;
    if (path_.empty())
        return fail(ENOENT);
    // Replace the target of a link, not the link itself.
    fs::path target = path_;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    target_ = target.string();
    if (target.filename().empty())
        return fail(EISDIR);

    struct stat old {};
    hadOld_ = ::stat(target_.c_str(), &old) == 0;
    if (hadOld_ && S_ISDIR(old.st_mode))
        return fail(EISDIR);
    oldMode_ = old.st_mode & 07777;
    oldUid_ = old.st_uid;
    oldGid_ = old.st_gid;

    removeStaleTemporaries(target);

    // O_EXCL with a name unique to this process and save: two writers never
    // share a temporary file.
    static std::atomic<unsigned> counter {0};
    const std::string folder = target.parent_path().empty() ? std::string() : target.parent_path().string() + "/";
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = folder + temporaryPrefix(target.filename().string()) + std::to_string(::getpid()) + "-"
            + std::to_string(++counter) + "~";
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, hadOld_ ? 0600 : newFileMode_);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        const int err = errno;
        temp_.clear();
        return fail(err);
    }
    std::lock_guard guard(g_activeLock);
    activeTemporaries().insert(temp_);
    return true;
}

bool AtomicFileWriter::Write(std::string_view data)
{
    if (fd_ < 0)
        return fail(error_ != 0 ? error_ : EBADF);
    if (const int injected = g_injectedFailure.load())
        return fail(injected);
    if (!WriteFully(fd_, data))
        return fail(errno);
    return true;
}

bool AtomicFileWriter::Commit()
{
    if (fd_ < 0)
        return fail(error_ != 0 ? error_ : EBADF);
    if (const int injected = g_injectedFailure.load())
        return fail(injected);
    if (hadOld_) {
        // Keeping the owner succeeds only for root (a file of another user
        // saved by root stays that user's); the mode comes after it, as a
        // change of owner clears the set-id bits.
        (void)!::fchown(fd_, oldUid_, oldGid_);
        (void)::fchmod(fd_, oldMode_);
    }
    // A full disk may show only here, when the file system writes out what
    // it took into its cache.
    if (::fsync(fd_) != 0)
        return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return fail(errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        return fail(errno);
    {
        std::lock_guard guard(g_activeLock);
        activeTemporaries().erase(temp_);
    }
    temp_.clear();
    // Make the rename itself durable.
    const std::filesystem::path dir = std::filesystem::path(target_).parent_path();
    const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void AtomicFileWriter::Discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        std::lock_guard guard(g_activeLock);
        activeTemporaries().erase(temp_);
        temp_.clear();
    }
}

std::string AtomicFileWriter::Reason() const
{
    return FileErrorText(error_);
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* reason)
{
    AtomicFileWriter writer(path);
    if (writer.Open() && writer.Write(content) && writer.Commit())
        return true;
    if (reason)
        *reason = writer.Reason();
    return false;
}

std::string FileErrorText(int errorNumber)
{
    switch (errorNumber) {
    case 0:
        return "neznámá chyba";
    case ENOSPC:
        return "na disku není volné místo";
    case EDQUOT:
        return "byla překročena disková kvóta";
    case EFBIG:
        return "soubor je pro tento systém souborů příliš velký";
    case EACCES:
    case EPERM:
        return "přístup byl odepřen";
    case EROFS:
        return "systém souborů je jen pro čtení";
    case ENOENT:
        return "složka neexistuje";
    case ENOTDIR:
        return "část cesty není složka";
    case EISDIR:
        return "na místě souboru je složka";
    case ENAMETOOLONG:
        return "název souboru je příliš dlouhý";
    case ELOOP:
        return "cesta obsahuje příliš mnoho symbolických odkazů";
    case EIO:
        return "chyba vstupu nebo výstupu zařízení";
    case EMFILE:
    case ENFILE:
        return "je otevřeno příliš mnoho souborů";
    case ETXTBSY:
    case EBUSY:
        return "soubor se právě používá";
    case EXDEV:
        return "soubor je na jiném zařízení";
    default:
        return "systémová chyba " + std::to_string(errorNumber) + " (" + std::strerror(errorNumber) + ")";
    }
}

bool IsSaveTemporaryOf(std::string_view name, std::string_view targetName)
{
    long pid = 0;
    return isSaveTemporary(name, targetName, &pid);
}

void FailFileWritesForTesting(int errorNumber)
{
    g_injectedFailure.store(errorNumber);
}

} // namespace qx
