// Find in files over a large tree, against grep on the same tree.
//
//   build/bench/bench_findfiles [--files N] [--keep] [--dir PATH]
//
// Builds a tree of N (100,000) small source-like files, about 2 KB each, in a
// temporary folder (the same tree for the same N: the generator is seeded),
// reads it once so every run finds it in the page cache, then times the
// search engine against `grep -r` (and `grep -rF` for fixed text) on three
// searches, printing files per second and the ratio. Last, the results panel
// runs a search with many results while a 5 ms timer measures its own
// lateness: the longest stall of the event loop during the search is what a
// user typing in the editor would feel. The tree is removed at the end
// unless --keep is given (or --dir names an existing tree to reuse).
#include "search/FileSearch.h"
#include "search/FindInFilesPanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// xorshift64*: the same sequence on every machine.
struct Random {
    uint64_t state;
    uint64_t next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1DULL;
    }
    int below(int n) { return int(next() % uint64_t(n)); }
};

const char* const kWords[] = {"int", "return", "const", "auto", "value", "count", "index", "buffer", "result",
    "window", "frame", "document", "line", "text", "size", "begin", "end", "for", "while", "if", "else", "static",
    "void", "bool", "true", "false", "nullptr", "std::string", "std::vector", "QString", "QWidget", "update",
    "parent", "child", "item", "model", "view", "data", "offset", "length", "first", "last", "next", "prev", "node",
    "tree", "file", "folder", "path", "name", "Čeština", "příliš", "žluťoučký", "kůň"};

// Files of each folder, and folders of each top folder: 100 x 20 x 50 for
// 100,000 files.
const int kFilesPerFolder = 50;
const int kFoldersPerTop = 20;

struct TreeFacts {
    size_t files = 0;
    uint64_t bytes = 0;
};

TreeFacts buildTree(const fs::path& root, size_t files)
{
    Random random {0x9E3779B97F4A7C15ULL};
    TreeFacts facts;
    std::string text;
    for (size_t i = 0; i < files; ++i) {
        const size_t folder = i / kFilesPerFolder;
        const fs::path dir = root / ("mod" + std::to_string(folder / kFoldersPerTop))
            / ("part" + std::to_string(folder % kFoldersPerTop));
        if (i % kFilesPerFolder == 0)
            fs::create_directories(dir);
        text.clear();
        const bool binary = random.below(100) == 0;
        if (binary)
            text.append("\x7f" "ELF\0\0\0", 7);
        const int lines = 20 + random.below(60);
        const int needleLine = random.below(200) == 0 ? random.below(lines) : -1;
        for (int l = 0; l < lines; ++l) {
            text.append(size_t(random.below(3)) * 4, ' ');
            const int words = 2 + random.below(8);
            for (int w = 0; w < words; ++w) {
                text += kWords[random.below(int(std::size(kWords)))];
                text += w + 1 < words ? ' ' : ';';
            }
            if (l == needleLine && !binary)
                text += " // quorvix_needle_" + std::to_string(random.below(1000)) + " Quorvix_Needle";
            text += '\n';
        }
        const char* ext[] = {".cpp", ".h", ".txt", ".py"};
        std::ofstream out(dir / ("f" + std::to_string(i) + ext[random.below(4)]), std::ios::binary);
        out << text;
        ++facts.files;
        facts.bytes += text.size();
    }
    return facts;
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

struct Timing {
    double seconds = 0;
    uint64_t files = 0;
    uint64_t lines = 0;
};

Timing runEngine(const std::string& folder, const TTextMatchOptions& match)
{
    TFileSearchOptions options;
    options.Folder = folder;
    options.Match = match;
    options.MaxResults = size_t(-1);
    // At the priority grep runs at; the GUI's searches give way to the GUI.
    options.Background = false;
    TFileSearch search(options);
    const auto start = std::chrono::steady_clock::now();
    search.Run();
    Timing t;
    t.seconds = seconds(std::chrono::steady_clock::now() - start);
    const TFileSearchProgress p = search.Progress();
    t.files = p.FilesSearched + p.BinarySkipped;
    t.lines = p.Matches;
    if (!search.Error().empty())
        std::fprintf(stderr, "engine: %s\n", search.Error().c_str());
    return t;
}

// grep writes its lines to a file: with its output on /dev/null it would
// stop at the first match.
Timing runGrep(const std::string& options, const std::string& pattern, const std::string& folder,
    const std::string& output)
{
    const std::string command = "LC_ALL=C.UTF-8 grep " + options + " -e '" + pattern + "' '" + folder + "' > '" + output
        + "'";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    Timing t;
    t.seconds = seconds(std::chrono::steady_clock::now() - start);
    if (status == -1)
        std::fprintf(stderr, "grep did not run\n");
    std::ifstream in(output);
    std::string line;
    while (std::getline(in, line))
        t.lines += line.rfind("grep: ", 0) != 0 && line.find("binary file matches") == std::string::npos;
    return t;
}

template <typename F> Timing median(F run, int runs)
{
    std::vector<Timing> all;
    for (int i = 0; i < runs; ++i)
        all.push_back(run());
    std::sort(all.begin(), all.end(), [](const Timing& a, const Timing& b) { return a.seconds < b.seconds; });
    return all[all.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    size_t files = 100000;
    bool keep = false;
    std::string dirOption;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--files" && i + 1 < argc)
            files = std::stoul(argv[++i]);
        else if (a == "--keep")
            keep = true;
        else if (a == "--dir" && i + 1 < argc)
            dirOption = argv[++i];
        else {
            std::fprintf(stderr, "usage: bench_findfiles [--files N] [--keep] [--dir PATH]\n");
            return 2;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const fs::path base = dirOption.empty() ? fs::temp_directory_path() / ("qx-findfiles-" + std::to_string(files))
                                            : fs::path(dirOption);
    fs::create_directories(base);
    const fs::path root = base / "tree";
    const std::string output = (base / "grep.out").string();
    const bool reuse = fs::exists(root);
    if (!reuse) {
        const auto start = std::chrono::steady_clock::now();
        const TreeFacts facts = buildTree(root, files);
        std::printf("tree: %zu files, %.0f MB, built in %.1f s at %s\n", facts.files, double(facts.bytes) / 1e6,
            seconds(std::chrono::steady_clock::now() - start), root.c_str());
    } else {
        std::printf("tree: reusing %s\n", root.c_str());
        keep = true;
    }
    // Everything into the page cache first.
    runGrep("-rF", "warm-up text that is nowhere", root.string(), output);

    struct Case {
        const char* name;
        TTextMatchOptions match;
        const char* grepOptions;
        const char* grepPattern;
    };
    const Case cases[] = {
        {"fixed text", {"quorvix_needle", false, true, false}, "-rF", "quorvix_needle"},
        {"fixed, any case", {"quorvix_needle", false, false, false}, "-rFi", "quorvix_needle"},
        {"regular expression", {"quorvix_[a-z]*_[0-9]", true, true, false}, "-r", "quorvix_[a-z]*_[0-9]"},
    };
    std::printf("\n%-20s %12s %12s %14s %14s %8s\n", "search", "ours [s]", "grep [s]", "ours files/s", "grep files/s",
        "ratio");
    for (const Case& c : cases) {
        const Timing ours = median([&] { return runEngine(root.string(), c.match); }, 3);
        const Timing grep = median([&] { return runGrep(c.grepOptions, c.grepPattern, root.string(), output); }, 3);
        std::printf("%-20s %12.3f %12.3f %14.0f %14.0f %7.2fx", c.name, ours.seconds, grep.seconds,
            double(ours.files) / ours.seconds, double(ours.files) / grep.seconds, grep.seconds / ours.seconds);
        if (ours.lines != grep.lines)
            std::printf("   (lines differ: ours %llu, grep %llu)", (unsigned long long)ours.lines,
                (unsigned long long)grep.lines);
        std::printf("\n");
    }
    std::printf("ratio: grep's time / ours; above 1 means faster than grep. Ours reads with %u threads\n"
                "(one per processor, at most 4), grep with one.\n",
        std::clamp(std::thread::hardware_concurrency(), 1u, 4u));

    // The results panel during a search that finds a line in most files: the
    // event loop's longest wait beyond its 5 ms timer.
    {
        TFindInFilesPanel panel;
        panel.resize(1000, 400);
        panel.show();
        // Fonts and styles are loaded by the first paint, as in a running program.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        QElapsedTimer clock;
        qint64 last = 0, worst = 0;
        std::vector<qint64> lateness;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            const qint64 late = std::max<qint64>(0, now - last - 5'000'000);
            lateness.push_back(late);
            worst = std::max(worst, late);
            last = now;
        });
        // The same timer with nothing to do: what the machine itself adds.
        clock.start();
        last = clock.nsecsElapsed();
        tick.start();
        while (clock.elapsed() < 1000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        tick.stop();
        const qint64 idleWorst = worst;
        worst = 0;
        lateness.clear();

        TFileSearchOptions options;
        options.Folder = root.string();
        options.Match = {"document", false, false, true};
        QString error;
        bool done = false;
        QObject::connect(&panel, &TFindInFilesPanel::Finished, [&] { done = true; });
        clock.start();
        last = clock.nsecsElapsed();
        tick.start();
        if (!panel.Start(options, &error)) {
            std::fprintf(stderr, "panel: %s\n", qPrintable(error));
            return 1;
        }
        while (!done)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double total = double(clock.nsecsElapsed()) / 1e9;
        tick.stop();
        std::sort(lateness.begin(), lateness.end());
        const qint64 p99 = lateness.empty() ? 0 : lateness[lateness.size() * 99 / 100];
        std::printf("\nresponsiveness: a search for \"document\" (whole word, any case) listing %d lines took %.2f s;\n"
                    "  the 5 ms timer ticked %zu times, late by %.1f ms at most (99th percentile %.1f ms);\n"
                    "  idle for 1 s before, the same timer was late by %.1f ms at most\n",
            panel.ResultCount(), total, lateness.size(), double(worst) / 1e6, double(p99) / 1e6,
            double(idleWorst) / 1e6);
        // Stalls are wall-clock time: on a busy machine they include the time
        // the GUI thread waited for a processor.
        double load[1] = {0};
        if (getloadavg(load, 1) == 1)
            std::printf("  (load average %.1f on %u processors during the run)\n", load[0],
                std::thread::hardware_concurrency());
    }

    fs::remove(output);
    if (!keep) {
        fs::remove_all(root);
        if (dirOption.empty())
            fs::remove_all(base);
        std::printf("tree removed (--keep keeps it)\n");
    }
    return 0;
}
