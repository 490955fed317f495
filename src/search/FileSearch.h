#pragma once
// Find in files: reads every file of a folder (and of its subfolders) whose
// name fits the patterns and lists the lines on which the text matches.
// Plain C++; the dialog and the results panel drive it from the GUI.
//
// A search runs on a thread of its own (Start) or on the caller's (Run); that
// thread walks the folders while worker threads read the files, a few files
// of one folder at a time, and the lines found are handed over in the order
// of the walk. The GUI thread polls Progress and TakeMatches while it runs;
// both are cheap and never wait for the file system. Stop is honoured
// between two blocks of a file.
//
// What is searched: regular files (and links to them); a file with a NUL
// byte in its first block is binary and skipped. Subfolders whose names
// start with a dot (.git, .cache...) are skipped; the folder searched is
// never. A folder reached again through a symbolic link is searched once,
// so links that point back up the tree cannot make a loop. Files and folders
// that cannot be read are counted and named, and the search goes on. Files
// are read in blocks, so a file of any size needs only its longest line in
// memory (a line longer than 16 MiB is searched in parts).
#include "search/TextMatcher.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// File name patterns, separated by ';', ',' or blanks ("*.cpp;*.h"), each
// read as fnmatch reads a pattern for a file name (no special slash or
// leading dot): '*' any run of characters, '?' any one, "[...]" one of a set
// ("[a-z]", "[!0-9]", "[[:digit:]]"), a backslash takes the next character
// as it is, and a '[' that no ']' closes is itself. Letters compare without
// regard to ASCII case, as fnmatch's FNM_CASEFOLD. No patterns: every file.
class TFileNamePatterns {
public:
    explicit TFileNamePatterns(const std::string& text = {});
    bool Fits(const char* name) const;
    bool Empty() const { return patterns_.empty(); }

private:
    std::vector<std::string> patterns_;
};

struct TFileSearchOptions {
    std::string Folder; // in the file system's encoding
    std::string Patterns;
    TTextMatchOptions Match;
    bool Subfolders = true;
    // Lines kept for the results; matches beyond them are only counted, so a
    // search for a common word cannot fill the memory.
    size_t MaxResults = 50000;
    // Threads reading files; 0: one per processor, at most 4.
    unsigned Threads = 0;
    // Threads started by Start (and the workers) run at a lower priority, so
    // that the GUI always comes first.
    bool Background = true;
};

// One line with a match.
struct TFileSearchMatch {
    std::string File; // the folder's path joined with the file's path in it
    int64_t Line = 0; // from 1
    int64_t Column = 0; // where the first match starts, in characters from 1
    // The line without its end and its leading blanks, as the file has it
    // (UTF-8, or whatever the file holds). A long line is cut to a part
    // around its first match; CutBefore/CutAfter tell which ends are missing.
    std::string Text;
    bool CutBefore = false;
    bool CutAfter = false;
    // Each match on the line as byte offset and length in Text.
    std::vector<std::pair<uint32_t, uint32_t>> Spans;
};

struct TFileSearchProgress {
    uint64_t FilesSearched = 0; // text files read through (binary ones not included)
    uint64_t FilesMatched = 0;
    uint64_t Matches = 0; // lines with a match, kept or not
    uint64_t BinarySkipped = 0;
    uint64_t Unreadable = 0; // files and folders that could not be read
    // Lines a regular expression gave up on (catastrophic backtracking).
    uint64_t TooComplex = 0;
};

class TFileSearch {
public:
    explicit TFileSearch(TFileSearchOptions options);
    // Stops a running search and waits for its thread.
    ~TFileSearch();
    TFileSearch(const TFileSearch&) = delete;
    TFileSearch& operator=(const TFileSearch&) = delete;

    // Checks the options: the folder exists, the text is there, the regular
    // expression compiles. False with the reason in Czech.
    bool Prepare(std::string& error);
    // Searches on the calling thread until done or stopped. Prepares first
    // when Prepare was not called; a failure then ends the search at once
    // with the reason in Error().
    void Run();
    // Run on a worker thread; returns at once.
    void Start();
    // Asks the search to end; returns at once.
    void Stop();
    // Waits until the worker thread has ended.
    void Wait();

    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    // Finished because Stop was called, not because everything was searched.
    bool WasStopped() const { return stopped_.load(std::memory_order_acquire); }
    const std::string& Error() const { return error_; }
    const TFileSearchOptions& Options() const { return options_; }

    TFileSearchProgress Progress() const;
    // The lines found since the last call, in the order of the search:
    // the files of a folder by name, then its subfolders by name.
    std::vector<TFileSearchMatch> TakeMatches();
    // The first 100 files and folders that could not be read.
    std::vector<std::string> UnreadablePaths() const;

private:
    struct Folder;
    struct Job;
    struct Worker;
    // The file being searched: its folder's path with a separator, its name.
    struct TFileRef {
        const std::string& prefix;
        const char* name;
    };

    void lowerPriority() const;
    void work();
    void queueJob(Job&& job);
    // A job's lines, handed over once every job before it has been.
    void deliver(uint64_t sequence, std::vector<TFileSearchMatch>&& matches);
    void searchFolder(const std::string& path, std::vector<std::string>& pending);
    void searchFile(Worker& worker, int folderFd, const char* name, const std::string& prefix);
    // Searches the complete lines in data[0, end). firstLine is the number of
    // the line at data[0]; with numberToEnd, the result is that of the line
    // at end (otherwise the lines after the last match are not counted).
    int64_t searchRegion(Worker& worker, const TFileRef& file, const char* data, size_t end, int64_t firstLine,
        bool numberToEnd, bool& matched);
    // The same, one line at a time, after an expression gave up on the whole.
    void searchLines(Worker& worker, const TFileRef& file, const char* data, size_t from, size_t end, int64_t line,
        bool& matched);
    void addMatch(Worker& worker, const TFileRef& file, const char* text, size_t length, int64_t number, size_t start,
        size_t end);
    void noteUnreadable(const std::string& path);

    TFileSearchOptions options_;
    TFileNamePatterns patterns_;
    bool prepared_ = false;
    std::string error_;

    std::atomic<bool> stop_ {false};
    std::atomic<bool> finished_ {false};
    std::atomic<bool> stopped_ {false};
    std::thread thread_;

    // Counters the workers write and the GUI reads.
    std::atomic<uint64_t> filesSearched_ {0}, filesMatched_ {0}, matches_ {0}, binarySkipped_ {0},
        unreadable_ {0}, tooComplex_ {0};
    // As many lines are kept as may be.
    std::atomic<bool> full_ {false};

    // The walk's own: the folders seen (device, inode).
    std::set<std::pair<uint64_t, uint64_t>> seenFolders_;

    // Jobs from the walk to the workers.
    std::mutex queueMutex_;
    std::condition_variable jobInQueue_, spaceInQueue_;
    std::deque<Job> queue_;
    uint64_t sequence_ = 0;
    bool walked_ = false;

    mutable std::mutex mutex_; // guards what follows
    std::map<uint64_t, std::vector<TFileSearchMatch>> finishedJobs_;
    uint64_t nextDelivery_ = 0;
    size_t kept_ = 0;
    std::vector<TFileSearchMatch> handedOver_;
    std::vector<std::string> unreadablePaths_;
};
