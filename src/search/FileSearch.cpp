#include "search/FileSearch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// '*' and '?' against a whole name; a failed run after a star retries with
// the star taking one character more.
bool wildcardFits(const std::string& pattern, const char* name)
{
    size_t p = 0, star = std::string::npos;
    const char* n = name;
    const char* afterStar = nullptr;
    while (*n) {
        if (p < pattern.size() && (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(*n))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            afterStar = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++afterStar;
        } else {
            return false;
        }
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
        if (wildcardFits(pattern, name))
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
