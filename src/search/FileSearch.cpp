#include "search/FileSearch.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The first read of a file: most source files fit whole.
const size_t kBlockSize = 256 * 1024;
// A line longer than this is searched in parts rather than held whole.
const size_t kMaxLineBuffer = 16 * 1024 * 1024;
// Bytes of a long line shown around its first match, and before it.
const size_t kShownLine = 400;
const size_t kShownBefore = 100;
// Matches of one line that are marked; more are rare and not worth keeping.
const size_t kMaxSpans = 100;
const size_t kMaxUnreadablePaths = 100;
// Files a worker takes at a time, and the jobs the walk may queue ahead.
const size_t kFilesPerJob = 32;
const size_t kQueuedJobs = 256;

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int64_t characters(const char* text, size_t length)
{
    int64_t count = 0;
    for (size_t i = 0; i < length; ++i)
        count += !isContinuation(text[i]);
    return count;
}

// Line ends in data[0, length), eight bytes at a time: a byte of the word
// XOR '\n' is zero exactly where the line end is, and the expression below
// sets the high bit of exactly the zero bytes (no carry crosses bytes).
int64_t countLineEnds(const char* data, size_t length)
{
    const uint64_t ones = 0x0101010101010101ULL;
    const uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
    int64_t count = 0;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        const uint64_t x = word ^ (ones * '\n');
        const uint64_t zero = ~(((x & low7) + low7) | x | low7);
        // One bit per line end at the bottom of its byte; the multiplication
        // adds the eight bytes up into the top one.
        count += int64_t((((zero >> 7) & ones) * ones) >> 56);
    }
    for (; i < length; ++i)
        count += data[i] == '\n';
    return count;
}

unsigned char fold(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? (unsigned char)(c - 'A' + 'a') : c;
}

// Whether the character is of the class named in a set ("[:alpha:]"), in
// the C locale; nullopt for a name that is no class.
std::optional<bool> inClass(std::string_view name, unsigned char c)
{
    static const struct {
        const char* name;
        int (*test)(int);
    } kClasses[] = {
        {"alnum", isalnum}, {"alpha", isalpha}, {"blank", isblank}, {"cntrl", iscntrl},
        {"digit", isdigit}, {"graph", isgraph}, {"lower", islower}, {"print", isprint},
        {"punct", ispunct}, {"space", isspace}, {"upper", isupper}, {"xdigit", isxdigit},
    };
    for (const auto& cls : kClasses)
        if (name == cls.name)
            return c < 128 && cls.test(c);
    return std::nullopt;
}

// How the pattern goes on at p, for one character of the name.
struct TStepResult {
    bool fits = false;
    size_t next = 0;
};

// A class name after "[:" at pattern[p - 2]: its end (after ":]"), or npos
// when the characters are no class name (the '[' is then a character of the
// set). Like fnmatch, names are of the letters a to y and at most 255 long;
// a longer one fails the set.
constexpr size_t kNotAClass = std::string::npos;
constexpr size_t kClassTooLong = std::string::npos - 1;
size_t classEnd(const std::string& pattern, size_t p)
{
    for (size_t length = 0;; ++length) {
        if (length + 1 >= 256)
            return kClassTooLong;
        const size_t at = p + length;
        if (at + 1 < pattern.size() && pattern[at] == ':' && pattern[at + 1] == ']')
            return at + 2;
        if (at >= pattern.size() || pattern[at] < 'a' || pattern[at] >= 'z')
            return kNotAClass;
    }
}

// A collating symbol after "[." at pattern[p - 2]: its end (after ".]"), or
// 0 when it is not closed. In the C locale only a single character is one
// ("[.-.]"), which single asks for.
size_t symbolEnd(const std::string& pattern, size_t p, bool single)
{
    const size_t close = pattern.find(".]", p);
    if (close == std::string::npos || (single && close != p + 1))
        return 0;
    return close + 2;
}

// The set that starts after the '[' at pattern[open] against one character,
// member by member as fnmatch reads it: a member that fits ends the reading
// (the rest is only skipped to the closing ']'); a defect met before that (an
// unknown class, a range, backslash or collating symbol cut by the end of the
// pattern) fails the character. A set that no ']' closes is no set: the '['
// is an ordinary character. Letters and ranges compare folded; classes,
// collating symbols and equivalence classes ("[=a=]") compare the character
// as it is, as fnmatch does.
TStepResult setStep(const std::string& pattern, size_t open, unsigned char c)
{
    const TStepResult fails {false, 0};
    const TStepResult bracket {fold('[') == fold(c), open + 1};
    const auto at = [&pattern](size_t i) { return i < pattern.size() ? (unsigned char)pattern[i] : '\0'; };
    const unsigned char folded = fold(c);
    size_t p = open + 1;
    const bool negated = at(p) == '!' || at(p) == '^';
    if (negated)
        ++p;
    bool member = false;
    unsigned char m = at(p++);
    while (!member) {
        if (m == '\0')
            return bracket;
        // The member's first character (folded unless a collating symbol),
        // or none for a class or an equivalence class.
        std::optional<unsigned char> low;
        const bool escaped = m == '\\';
        if (escaped) {
            if (at(p) == '\0')
                return fails;
            m = at(p++);
        }
        // "[:", "[=" or "[." opens a class, an equivalence class or a
        // collating symbol.
        const bool opens = !escaped && m == '[';
        if (opens && at(p) == ':') {
            const size_t end = classEnd(pattern, p + 1);
            if (end == kClassTooLong)
                return fails;
            if (end != kNotAClass) {
                const std::optional<bool> fits = inClass(std::string_view(pattern).substr(p + 1, end - p - 3), c);
                if (!fits)
                    return fails;
                p = end;
                member = *fits;
                if (member)
                    break;
                m = at(p++);
                if (m == ']')
                    break;
                continue;
            }
        } else if (opens && at(p) == '=' && at(p + 1) != '\0' && at(p + 2) == '=' && at(p + 3) == ']') {
            member = at(p + 1) == c;
            p += 4;
            if (member)
                break;
            m = at(p++);
            if (m == ']')
                break;
            continue;
        } else if (opens && at(p) == '.') {
            const size_t end = symbolEnd(pattern, p + 1, true);
            if (end == 0)
                return fails;
            const unsigned char symbol = at(p + 1);
            p = end;
            if (!(at(p) == '-' && at(p + 1) != '\0') && symbol == c) {
                member = true;
                break;
            }
            low = symbol;
        }
        if (!low) {
            low = fold(m);
            if (!(at(p) == '-' && at(p + 1) != '\0' && at(p + 1) != ']') && *low == folded) {
                member = true;
                break;
            }
        }
        m = at(p++);
        // A '-' before the closing ']' is a character.
        if (m == '-' && at(p) != ']') {
            unsigned char high = at(p++);
            const bool escapedHigh = high == '\\';
            if (escapedHigh)
                high = at(p++);
            if (high == '\0')
                return fails;
            if (!escapedHigh && high == '[' && at(p) == '.') {
                const size_t end = symbolEnd(pattern, p + 1, true);
                if (end == 0)
                    return fails;
                high = at(p + 1);
                p = end;
            }
            if (*low <= folded && folded <= fold(high)) {
                member = true;
                break;
            }
            m = at(p++);
        }
        if (m == ']')
            break;
    }
    if (member) {
        // Skipped to the closing ']', over escaped characters, classes,
        // collating symbols and equivalence classes.
        for (unsigned char s = '\0'; s != ']';) {
            s = at(p++);
            if (s == '\0')
                return bracket;
            if (s == '\\') {
                if (at(p) == '\0')
                    return fails;
                ++p;
            } else if (s == '[' && at(p) == ':') {
                const size_t end = classEnd(pattern, p + 1);
                if (end == kClassTooLong)
                    return fails;
                if (end != kNotAClass) {
                    p = end;
                    s = '\0';
                }
            } else if (s == '[' && at(p) == '.') {
                const size_t end = symbolEnd(pattern, p + 1, false);
                if (end == 0)
                    return fails;
                p = end;
                s = '\0';
            } else if (s == '[' && at(p) == '=') {
                if (at(p + 1) == '\0' || at(p + 2) != '=' || at(p + 3) != ']')
                    return fails;
                p += 4;
                s = '\0';
            }
        }
    }
    return {member != negated, p};
}

// The element of the pattern at p (not a '*') against one character.
TStepResult step(const std::string& pattern, size_t p, unsigned char c)
{
    switch (pattern[p]) {
    case '?':
        return {true, p + 1};
    case '[':
        return setStep(pattern, p, c);
    case '\\':
        // A backslash ending the pattern fits nothing.
        if (p + 1 >= pattern.size())
            return {false, 0};
        return {fold((unsigned char)pattern[p + 1]) == fold(c), p + 2};
    default:
        return {fold((unsigned char)pattern[p]) == fold(c), p + 1};
    }
}

// The pattern against a whole name, as fnmatch with FNM_CASEFOLD does it.
// Every element but '*' takes one character, so when the elements after a
// '*' fail, that '*' takes one character more and they are tried again.
bool patternFits(const std::string& pattern, const char* name)
{
    size_t p = 0, star = std::string::npos;
    const char* n = name;
    const char* afterStar = nullptr;
    while (*n) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            afterStar = n;
            continue;
        }
        if (p < pattern.size()) {
            const TStepResult result = step(pattern, p, (unsigned char)*n);
            if (result.fits) {
                p = result.next;
                ++n;
                continue;
            }
        }
        if (star == std::string::npos)
            return false;
        p = star + 1;
        n = ++afterStar;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

// ---------------------------------------------------------------------------
// File name patterns
// ---------------------------------------------------------------------------

TFileNamePatterns::TFileNamePatterns(const std::string& text)
{
    std::string current;
    for (char c : text + ';') {
        if (c == ';' || c == ',' || c == ' ' || c == '\t') {
            if (!current.empty())
                patterns_.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
}

bool TFileNamePatterns::Fits(const char* name) const
{
    if (patterns_.empty())
        return true;
    for (const std::string& pattern : patterns_)
        if (patternFits(pattern, name))
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// The search
// ---------------------------------------------------------------------------

// An open folder whose files are being searched; closed when the last job
// that reads from it is done.
struct TFileSearch::Folder {
    DIR* dir = nullptr;
    std::string prefix; // the folder's path with a separator at the end
    ~Folder()
    {
        if (dir)
            closedir(dir);
    }
    int fd() const { return dirfd(dir); }
};

// Files of one folder, searched by one worker; its sequence number keeps the
// results in the order of the walk.
struct TFileSearch::Job {
    uint64_t sequence = 0;
    std::shared_ptr<Folder> folder;
    std::vector<std::string> names;
};

// What each worker thread has of its own.
struct TFileSearch::Worker {
    TTextMatcher matcher;
    std::vector<char> buffer;
    std::vector<TFileSearchMatch> matches;
};

TFileSearch::TFileSearch(TFileSearchOptions options)
    : options_(std::move(options))
    , patterns_(options_.Patterns)
{
    // The folder names every result: one separator between it and the rest.
    while (options_.Folder.size() > 1 && options_.Folder.back() == '/')
        options_.Folder.pop_back();
}

TFileSearch::~TFileSearch()
{
    Stop();
    Wait();
}

bool TFileSearch::Prepare(std::string& error)
{
    struct stat info {};
    if (options_.Folder.empty() || stat(options_.Folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "Složka „" + options_.Folder + "“ neexistuje.";
        return false;
    }
    TTextMatcher check;
    if (!check.Compile(options_.Match, error))
        return false;
    prepared_ = true;
    return true;
}

void TFileSearch::Start()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] {
            lowerPriority();
            Run();
        });
}

void TFileSearch::Stop()
{
    stop_.store(true, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(queueMutex_);
    spaceInQueue_.notify_all();
}

void TFileSearch::Wait()
{
    if (thread_.joinable())
        thread_.join();
}

void TFileSearch::lowerPriority() const
{
#ifdef __linux__
    // A search in the background gives way to the GUI thread: the editor
    // keeps typing even with every processor busy searching.
    if (options_.Background)
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
#endif
}

void TFileSearch::Run()
{
    if (prepared_ || Prepare(error_)) {
        unsigned threads = options_.Threads;
        if (threads == 0)
            threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
        std::vector<std::thread> workers;
        for (unsigned i = 0; i < threads; ++i)
            workers.emplace_back([this] {
                lowerPriority();
                work();
            });
        // This thread walks the folders and hands their files out.
        std::vector<std::string> pending {options_.Folder};
        while (!pending.empty() && !stop_.load(std::memory_order_relaxed)) {
            const std::string folder = std::move(pending.back());
            pending.pop_back();
            searchFolder(folder, pending);
        }
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            walked_ = true;
            jobInQueue_.notify_all();
        }
        for (std::thread& worker : workers)
            worker.join();
        seenFolders_.clear();
    }
    stopped_.store(stop_.load(std::memory_order_relaxed), std::memory_order_release);
    finished_.store(true, std::memory_order_release);
}

TFileSearchProgress TFileSearch::Progress() const
{
    TFileSearchProgress p;
    p.FilesSearched = filesSearched_.load(std::memory_order_relaxed);
    p.FilesMatched = filesMatched_.load(std::memory_order_relaxed);
    p.Matches = matches_.load(std::memory_order_relaxed);
    p.BinarySkipped = binarySkipped_.load(std::memory_order_relaxed);
    p.Unreadable = unreadable_.load(std::memory_order_relaxed);
    p.TooComplex = tooComplex_.load(std::memory_order_relaxed);
    return p;
}

std::vector<TFileSearchMatch> TFileSearch::TakeMatches()
{
    std::vector<TFileSearchMatch> taken;
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(handedOver_);
    return taken;
}

std::vector<std::string> TFileSearch::UnreadablePaths() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return unreadablePaths_;
}

void TFileSearch::noteUnreadable(const std::string& path)
{
    unreadable_.fetch_add(1, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(mutex_);
    if (unreadablePaths_.size() < kMaxUnreadablePaths)
        unreadablePaths_.push_back(path);
}

void TFileSearch::deliver(uint64_t sequence, std::vector<TFileSearchMatch>&& matches)
{
    std::lock_guard<std::mutex> lock(mutex_);
    finishedJobs_[sequence] = std::move(matches);
    // Jobs end in any order; their lines are handed over in the walk's.
    for (auto it = finishedJobs_.begin(); it != finishedJobs_.end() && it->first == nextDelivery_;
         it = finishedJobs_.erase(it), ++nextDelivery_) {
        for (TFileSearchMatch& match : it->second) {
            if (kept_ >= options_.MaxResults) {
                full_.store(true, std::memory_order_relaxed);
                break;
            }
            handedOver_.push_back(std::move(match));
            ++kept_;
        }
    }
}

void TFileSearch::queueJob(Job&& job)
{
    std::unique_lock<std::mutex> lock(queueMutex_);
    // A bounded queue: the walk stays a little ahead of the workers, and
    // only that many folders are open at once.
    spaceInQueue_.wait(lock, [this] { return queue_.size() < kQueuedJobs || stop_.load(std::memory_order_relaxed); });
    job.sequence = sequence_++;
    queue_.push_back(std::move(job));
    jobInQueue_.notify_one();
}

void TFileSearch::work()
{
    Worker worker;
    std::string error;
    worker.matcher.Compile(options_.Match, error); // checked by Prepare
    worker.buffer.resize(kBlockSize);
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(queueMutex_);
            jobInQueue_.wait(lock, [this] { return !queue_.empty() || walked_; });
            if (queue_.empty())
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
            // A walk held up by a full queue goes on when half of it is
            // done, not after every job.
            if (queue_.size() == kQueuedJobs / 2)
                spaceInQueue_.notify_one();
        }
        for (const std::string& name : job.names) {
            if (stop_.load(std::memory_order_relaxed))
                break;
            searchFile(worker, job.folder->fd(), name.c_str(), job.folder->prefix);
        }
        job.folder.reset();
        deliver(job.sequence, std::move(worker.matches));
        worker.matches.clear();
    }
}

void TFileSearch::searchFolder(const std::string& path, std::vector<std::string>& pending)
{
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        noteUnreadable(path);
        return;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && !seenFolders_.insert({uint64_t(info.st_dev), uint64_t(info.st_ino)}).second) {
        close(fd); // reached again through a link
        return;
    }
    auto folder = std::make_shared<Folder>();
    folder->dir = fdopendir(fd);
    if (!folder->dir) {
        close(fd);
        noteUnreadable(path);
        return;
    }
    folder->prefix = path.back() == '/' ? path : path + '/';
    std::vector<std::string> files, folders;
    while (const dirent* entry = readdir(folder->dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            // What a link points to; a broken link is no file.
            struct stat target {};
            if (fstatat(fd, name, &target, 0) != 0)
                continue;
            type = S_ISDIR(target.st_mode) ? DT_DIR : S_ISREG(target.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            if (options_.Subfolders && name[0] != '.')
                folders.emplace_back(name);
        } else if (type == DT_REG && patterns_.Fits(name)) {
            files.emplace_back(name);
        }
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    for (size_t i = 0; i < files.size() && !stop_.load(std::memory_order_relaxed); i += kFilesPerJob) {
        Job job;
        job.folder = folder;
        const size_t end = std::min(files.size(), i + kFilesPerJob);
        job.names.assign(std::make_move_iterator(files.begin() + ptrdiff_t(i)),
            std::make_move_iterator(files.begin() + ptrdiff_t(end)));
        queueJob(std::move(job));
    }
    // Taken from the back: the first subfolder is searched next.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        pending.push_back(folder->prefix + *it);
}

void TFileSearch::searchFile(Worker& worker, int folderFd, const char* name, const std::string& prefix)
{
    // Non-blocking, so that a file replaced by a pipe meanwhile cannot hang the search.
    const int fd = openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        noteUnreadable(prefix + name);
        return;
    }
    const TFileRef file {prefix, name};
    std::vector<char>& buffer = worker.buffer;
    char* data = buffer.data();
    size_t carry = 0; // the start of a line that the next block completes
    int64_t line = 1; // the number of the line at data[0]
    bool first = true;
    bool matched = false;
    bool searched = true;
    bool atEnd = false;
    while (!atEnd && !stop_.load(std::memory_order_relaxed)) {
        if (carry == buffer.size()) {
            if (buffer.size() < kMaxLineBuffer) {
                buffer.resize(buffer.size() * 2);
                data = buffer.data();
            } else {
                line = searchRegion(worker, file, data, carry, line, true, matched);
                carry = 0;
            }
        }
        // The buffer is filled up, or the file read to its end: a small file
        // is then searched knowing it has no more lines to number.
        size_t have = carry;
        bool failed = false;
        while (have < buffer.size()) {
            const ssize_t n = read(fd, data + have, buffer.size() - have);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                failed = true;
                break;
            }
            if (n == 0) {
                atEnd = true;
                break;
            }
            if (first) {
                first = false;
                if (std::memchr(data, 0, size_t(n))) {
                    binarySkipped_.fetch_add(1, std::memory_order_relaxed);
                    searched = false;
                    failed = true;
                    break;
                }
            }
            have += size_t(n);
        }
        if (failed) {
            if (searched) {
                noteUnreadable(prefix + name);
                searched = false;
            }
            break;
        }
        size_t end = have; // at the end of the file its last line ends there
        if (!atEnd) {
            const void* lastEnd = memrchr(data + carry, '\n', have - carry);
            if (!lastEnd) {
                carry = have;
                continue;
            }
            end = size_t(static_cast<const char*>(lastEnd) - data) + 1;
        }
        if (end > 0)
            line = searchRegion(worker, file, data, end, line, !atEnd, matched);
        std::memmove(data, data + end, have - end);
        carry = have - end;
    }
    close(fd);
    if (searched && !stop_.load(std::memory_order_relaxed))
        filesSearched_.fetch_add(1, std::memory_order_relaxed);
    if (matched)
        filesMatched_.fetch_add(1, std::memory_order_relaxed);
    // A long file's buffer goes back to its usual size.
    if (buffer.size() > kBlockSize) {
        buffer.resize(kBlockSize);
        buffer.shrink_to_fit();
    }
}

int64_t TFileSearch::searchRegion(Worker& worker, const TFileRef& file, const char* data, size_t end,
    int64_t firstLine, bool numberToEnd, bool& matched)
{
    TTextMatcher& matcher = worker.matcher;
    // The whole region at once: a file without a match costs one search, and
    // lines are counted only up to the matches.
    size_t position = 0; // always the start of a line
    size_t counted = 0;
    int64_t line = firstLine; // the number of the line at counted
    while (position < end) {
        size_t start = 0, stop = 0;
        if (!matcher.Find(data, end, position, start, stop)) {
            if (matcher.LastFindGaveUp())
                searchLines(worker, file, data, position, end,
                    line + countLineEnds(data + counted, position - counted), matched);
            break;
        }
        const void* before = start > position ? memrchr(data + position, '\n', start - position) : nullptr;
        const size_t lineStart = before ? size_t(static_cast<const char*>(before) - data) + 1 : position;
        if (lineStart >= end)
            break; // an empty match after the last line end
        const void* after = std::memchr(data + start, '\n', end - start);
        const size_t lineEnd = after ? size_t(static_cast<const char*>(after) - data) : end;
        if (stop > lineEnd) {
            // A match runs across a line end; what counts is a match within
            // the line where it starts.
            if (!matcher.Find(data + lineStart, lineEnd - lineStart, 0, start, stop)) {
                if (matcher.LastFindGaveUp())
                    tooComplex_.fetch_add(1, std::memory_order_relaxed);
                position = lineEnd + 1;
                continue;
            }
            start += lineStart;
            stop += lineStart;
        }
        line += countLineEnds(data + counted, lineStart - counted);
        counted = lineStart;
        matched = true;
        addMatch(worker, file, data + lineStart, lineEnd - lineStart, line, start - lineStart, stop - lineStart);
        position = lineEnd + 1;
        if (stop_.load(std::memory_order_relaxed))
            break;
    }
    return numberToEnd ? line + countLineEnds(data + counted, end - counted) : line;
}

void TFileSearch::searchLines(Worker& worker, const TFileRef& file, const char* data, size_t from, size_t end,
    int64_t line, bool& matched)
{
    for (size_t position = from; position < end && !stop_.load(std::memory_order_relaxed); ++line) {
        const void* after = std::memchr(data + position, '\n', end - position);
        const size_t lineEnd = after ? size_t(static_cast<const char*>(after) - data) : end;
        size_t start = 0, stop = 0;
        if (worker.matcher.Find(data + position, lineEnd - position, 0, start, stop)) {
            matched = true;
            addMatch(worker, file, data + position, lineEnd - position, line, start, stop);
        } else if (worker.matcher.LastFindGaveUp()) {
            tooComplex_.fetch_add(1, std::memory_order_relaxed);
        }
        position = lineEnd + 1;
    }
}

void TFileSearch::addMatch(Worker& worker, const TFileRef& file, const char* text, size_t length, int64_t number,
    size_t start, size_t end)
{
    matches_.fetch_add(1, std::memory_order_relaxed);
    // Once as many lines are kept as may be, the rest are only counted.
    if (full_.load(std::memory_order_relaxed))
        return;
    if (length > 0 && text[length - 1] == '\r')
        --length;
    start = std::min(start, length);
    end = std::clamp(end, start, length);

    TFileSearchMatch match;
    match.File = file.prefix + file.name;
    match.Line = number;
    match.Column = characters(text, start) + 1;

    // Every match on the line, the first one already known.
    std::vector<std::pair<size_t, size_t>> spans {{start, end}};
    size_t from = end > start ? end : start + 1;
    while (spans.size() < kMaxSpans && from <= length) {
        while (from < length && isContinuation(text[from]))
            ++from;
        size_t s = 0, e = 0;
        if (!worker.matcher.Find(text, length, from, s, e) || s >= length)
            break;
        spans.emplace_back(s, std::min(e, length));
        from = e > s ? e : s + 1;
    }

    // Leading blanks are left out; a long line is cut around its first match
    // at character boundaries.
    size_t shownFrom = 0;
    while (shownFrom < length && (text[shownFrom] == ' ' || text[shownFrom] == '\t'))
        ++shownFrom;
    const size_t blanks = shownFrom;
    size_t shownTo = length;
    if (length - shownFrom > kShownLine) {
        if (start > shownFrom + kShownBefore)
            shownFrom = start - kShownBefore;
        while (shownFrom < length && isContinuation(text[shownFrom]))
            ++shownFrom;
        shownTo = std::min(length, shownFrom + kShownLine);
        while (shownTo < length && shownTo > shownFrom && isContinuation(text[shownTo]))
            --shownTo;
        match.CutBefore = shownFrom > blanks;
        match.CutAfter = shownTo < length;
    }
    match.Text.assign(text + shownFrom, shownTo - shownFrom);
    for (const auto& [s, e] : spans) {
        const size_t a = std::clamp(s, shownFrom, shownTo);
        const size_t b = std::clamp(e, shownFrom, shownTo);
        if (b > a || (s == e && s >= shownFrom && s <= shownTo))
            match.Spans.emplace_back(uint32_t(a - shownFrom), uint32_t(b - a));
    }
    worker.matches.push_back(std::move(match));
}
