// The find-in-files engine without a window: what matches where, which files
// are searched, long files and lines, limits and stopping.
#include "search/FileSearch.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <fnmatch.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<TFileSearchMatch> runSearch(TFileSearchOptions options, TFileSearchProgress* progress = nullptr)
{
    TFileSearch search(std::move(options));
    search.Run();
    EXPECT_TRUE(search.Error().empty()) << search.Error();
    EXPECT_TRUE(search.Finished());
    if (progress)
        *progress = search.Progress();
    return search.TakeMatches();
}

std::string relative(const std::string& folder, const std::string& file)
{
    return file.substr(0, folder.size() + 1) == folder + "/" ? file.substr(folder.size() + 1) : file;
}

// ---------------------------------------------------------------------------
// What matches: one file, every kind of search
// ---------------------------------------------------------------------------

const char* const kLines =
    "foo bar\n" // 1
    "Foo\n" // 2
    "food\n" // 3
    "x_foo\n" // 4
    "(foo)\r\n" // 5: a line with a CR LF end
    "fooč\n" // 6
    "ČAJ a čaj\n" // 7
    "caf\xE9 foo\n" // 8: Latin-1, not UTF-8
    "a\n" // 9
    "b end\n" // 10
    "  \tindented foo and foo\n"; // 11: no line end at the end? (it has one)

struct MatchCase {
    const char* name;
    const char* text;
    bool regex, matchCase, wholeWord;
    std::vector<std::string> expected; // "line:column"
};

class MatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchTest, FindsTheLinesAndColumns)
{
    const MatchCase& c = GetParam();
    qxtest::TempDir dir;
    qxtest::WriteFile(dir.file("lines.txt"), kLines);
    TFileSearchOptions options;
    options.Folder = dir.path().string();
    options.Match = {c.text, c.regex, c.matchCase, c.wholeWord};
    std::vector<std::string> found;
    for (const TFileSearchMatch& m : runSearch(options))
        found.push_back(std::to_string(m.Line) + ":" + std::to_string(m.Column));
    EXPECT_EQ(found, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, MatchTest,
    ::testing::Values(
        MatchCase {"FixedWithCase", "foo", false, true, false,
            {"1:1", "3:1", "4:3", "5:2", "6:1", "8:6", "11:13"}},
        MatchCase {"FixedWithoutCase", "foo", false, false, false,
            {"1:1", "2:1", "3:1", "4:3", "5:2", "6:1", "8:6", "11:13"}},
        // Neither a letter (č is one), a digit nor an underscore may touch it.
        MatchCase {"FixedWholeWord", "foo", false, true, true, {"1:1", "5:2", "8:6", "11:13"}},
        MatchCase {"NonAsciiWithoutCase", "čaj", false, false, false, {"7:1"}},
        MatchCase {"NonAsciiWithCase", "čaj", false, true, false, {"7:7"}},
        MatchCase {"FixedSpecialCharacters", "(foo)", false, true, true, {"5:1"}},
        MatchCase {"RegexAnchors", "^fo+d$", true, true, false, {"3:1"}},
        MatchCase {"RegexLineEndBeforeCrLf", "\\)$", true, true, false, {"5:5"}},
        MatchCase {"RegexWholeWordWithoutCase", "fo{2}", true, false, true, {"1:1", "2:1", "5:2", "8:6", "11:13"}},
        // A match must lie within one line: "a\nb" across two lines is none.
        MatchCase {"RegexNotAcrossLines", "a\\s+b", true, true, false, {}},
        MatchCase {"RegexEmptyMatchesEveryLine", "^", true, true, false,
            {"1:1", "2:1", "3:1", "4:1", "5:1", "6:1", "7:1", "8:1", "9:1", "10:1", "11:1"}},
        MatchCase {"RegexUnicodeWordClass", "\\w+č\\b", true, true, false, {"6:1"}}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return std::string(info.param.name); });

TEST(FileSearch, MarksEveryMatchOfALineAndLeavesOutLeadingBlanks)
{
    qxtest::TempDir dir;
    qxtest::WriteFile(dir.file("lines.txt"), kLines);
    TFileSearchOptions options;
    options.Folder = dir.path().string();
    options.Match = {"foo", false, true, true};
    const std::vector<TFileSearchMatch> matches = runSearch(options);
    ASSERT_EQ(matches.size(), 4u);
    EXPECT_EQ(matches[1].Text, "(foo)"); // without the CR
    EXPECT_EQ(matches[3].Text, "indented foo and foo");
    ASSERT_EQ(matches[3].Spans.size(), 2u);
    EXPECT_EQ(matches[3].Spans[0], std::make_pair(9u, 3u));
    EXPECT_EQ(matches[3].Spans[1], std::make_pair(17u, 3u));
    EXPECT_EQ(relative(options.Folder, matches[0].File), "lines.txt");
}

TEST(FileSearch, FileNamePatterns)
{
    struct Row {
        const char* patterns;
        const char* name;
        bool fits;
    };
    const Row rows[] = {
        {"", "anything", true},
        {"*.cpp;*.h", "a.cpp", true},
        {"*.cpp;*.h", "a.H", true},
        {"*.cpp;*.h", "a.c", false},
        {"*.cpp;*.h", "a.cpp.bak", false},
        {" *.c , *.h ", "x.h", true},
        {"Makefile", "makefile", true},
        {"Makefile", "Makefile.am", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*.tar.gz", "x.tar.gz", true},
        {"*a*b*", "xxaxxbxx", true},
        {"*a*b", "ab_a", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TFileNamePatterns(row.patterns).Fits(row.name), row.fits) << row.patterns << " / " << row.name;
}

// A pattern reads as fnmatch reads it (case folded, no special slash or
// dot), also for names that hold the pattern's own special characters and
// for patterns fnmatch takes in its own way. fits is what fnmatch answers in
// the C locale, written out so that a row also says what it means.
TEST(FileSearch, FileNamePatternsMatchAsFnmatchDoes)
{
    struct Row {
        const char* pattern;
        const char* name;
        bool fits;
    };
    const Row rows[] = {
        // Special characters in the name are plain characters there.
        {"*.cpp", "a*b.cpp", true},
        {"*.cpp", "*x.cpp", true},
        {"*.cpp", "*.cpp", true},
        {"*.h", "[x].h", true},
        {"?", "*", true},
        {"a?c", "a*c", true},
        {"*a", "*", false},
        {"*", ".hidden", true},
        // A backslash takes the next character as it is.
        {"\\*.cpp", "*.cpp", true},
        {"\\*.cpp", "x.cpp", false},
        {"a\\?", "a?", true},
        {"a\\?", "ab", false},
        {"end\\", "end\\", false},
        // Sets, folded like letters outside them.
        {"[ab].txt", "B.txt", true},
        {"[A-C]*", "bx", true},
        {"[!a]*", "a1", false},
        {"[^a]*", "b1", true},
        {"[]x]", "]", true},
        {"[!]]", "]", false},
        {"[a-]", "-", true},
        {"[z-a]", "m", false},
        {"[\\]]", "]", true},
        // Classes compare the character as it is, even when folding.
        {"[[:digit:]]*", "1.log", true},
        {"[[:upper:]]", "a", false},
        {"[[:upper:]]", "A", true},
        {"[![:alpha:]]", "_", true},
        {"[[:nope:]]", "n", false},
        {"[n[:nope:]]", "n", true},
        {"[[:a]", ":", true},
        {"[[.-.]]", "-", true},
        {"[[=a=]]", "A", false},
        // A '[' that no ']' closes is a character; a cut range is not.
        {"[", "[", true},
        {"[a", "[a", true},
        {"[a", "a", false},
        {"x[", "x[", true},
        {"*[", "ab[", true},
        {"[?-", "[a-", false},
        {"[\\", "[\\", false},
        // Names that are not ASCII: bytes, no folding beyond ASCII.
        {"*.txt", "\xC4\x8D" "e\xC5\xA1tina.txt", true},
        {"\xC4\x8C*", "\xC4\x8D", false},
        {"?\x8D", "\xC4\x8D", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " / " + row.name);
        ASSERT_EQ(::fnmatch(row.pattern, row.name, FNM_CASEFOLD) == 0, row.fits) << "the row is wrong";
        EXPECT_EQ(TFileNamePatterns(row.pattern).Fits(row.name), row.fits);
    }
}

// ---------------------------------------------------------------------------
// Which files: the walk
// ---------------------------------------------------------------------------

class FileSearchTree : public ::testing::Test {
protected:
    qxtest::TempDir dir;
    qxtest::TempDir outside;
    std::string root;

    void SetUp() override
    {
        root = (dir.path() / "root").string();
        fs::create_directories(root + "/sub/deeper");
        fs::create_directories(root + "/.hidden");
        qxtest::WriteFile(root + "/a.txt", "needle\n");
        qxtest::WriteFile(root + "/b.cpp", "x\nneedle\n");
        qxtest::WriteFile(root + "/.hiddenfile.txt", "needle\n");
        qxtest::WriteFile(root + "/bin.dat", std::string("needle\0\x01\x02", 9));
        qxtest::WriteFile(root + "/.hidden/c.txt", "needle\n");
        qxtest::WriteFile(root + "/sub/d.txt", "needle\n");
        qxtest::WriteFile(root + "/sub/deeper/e.h", "needle\n");
        qxtest::WriteFile(outside.file("f.txt"), "needle\n");
        // Links back up the tree, to a folder outside it, and to nothing.
        fs::create_directory_symlink(root, root + "/sub/deeper/up");
        fs::create_directory_symlink(root + "/sub", root + "/sub/again");
        fs::create_directory_symlink(outside.path(), root + "/out");
        fs::create_symlink(root + "/missing", root + "/broken.txt");
        // A file that opens but cannot be read.
        fs::create_symlink("/proc/self/mem", root + "/mem.txt");
    }

    std::vector<std::string> files(TFileSearchOptions options, TFileSearchProgress* progress = nullptr)
    {
        options.Folder = root;
        options.Match.Text = "needle";
        std::vector<std::string> found;
        for (const TFileSearchMatch& m : runSearch(options, progress))
            found.push_back(relative(root, m.File));
        return found;
    }
};

TEST_F(FileSearchTree, SearchesEachFolderOnceSkippingBinaryFilesAndHiddenFolders)
{
    TFileSearchProgress progress;
    TFileSearchOptions one;
    one.Threads = 1;
    const std::vector<std::string> found = files(one, &progress);
    // Files of a folder by name, then its subfolders by name; the link
    // "sub/again" and "sub/deeper/up" lead to folders already searched.
    EXPECT_EQ(found, (std::vector<std::string> {".hiddenfile.txt", "a.txt", "b.cpp", "out/f.txt", "sub/d.txt",
                         "sub/deeper/e.h"}));
    EXPECT_EQ(progress.FilesMatched, 6u);
    EXPECT_EQ(progress.Matches, 6u);
    EXPECT_EQ(progress.BinarySkipped, 1u);
    EXPECT_EQ(progress.Unreadable, 1u);
    EXPECT_EQ(progress.FilesSearched, 6u);

    TFileSearch search({root, "", {"needle"}});
    search.Run();
    EXPECT_EQ(search.UnreadablePaths(), std::vector<std::string> {root + "/mem.txt"});
}

TEST_F(FileSearchTree, PatternsAndSubfoldersChooseTheFiles)
{
    TFileSearchOptions options;
    options.Patterns = "*.h;*.cpp";
    EXPECT_EQ(files(options), (std::vector<std::string> {"b.cpp", "sub/deeper/e.h"}));
    options.Patterns = "*.txt";
    options.Subfolders = false;
    EXPECT_EQ(files(options), (std::vector<std::string> {".hiddenfile.txt", "a.txt"}));
}

TEST_F(FileSearchTree, ProblemsAreReportedBeforeTheSearch)
{
    struct Row {
        std::string folder;
        TTextMatchOptions match;
        std::string error;
    };
    const Row rows[] = {
        {root + "/nothing", {"x"}, "Složka „" + root + "/nothing“ neexistuje."},
        {root + "/a.txt", {"x"}, "Složka „" + root + "/a.txt“ neexistuje."},
        {root, {""}, "Zadejte hledaný text."},
        {root, {"(ab", true}, "Chybný regulární výraz na pozici 4: chybí uzavírací závorka )."},
        {root, {"čč[b-a]", true}, "Chybný regulární výraz na pozici 6: rozsah ve třídě znaků je obrácený."},
        {root, {"(ab", false}, ""},
    };
    for (const Row& row : rows) {
        TFileSearch search({row.folder, "", row.match});
        std::string error;
        EXPECT_EQ(search.Prepare(error), row.error.empty()) << row.match.Text;
        EXPECT_EQ(error, row.error);
        if (!row.error.empty()) {
            // Run without Prepare ends at once with the same reason.
            TFileSearch unprepared({row.folder, "", row.match});
            unprepared.Run();
            EXPECT_TRUE(unprepared.Finished());
            EXPECT_EQ(unprepared.Error(), row.error);
        }
    }
}

TEST(FileSearch, WorkersHandTheLinesOverInTheOrderOfTheWalk)
{
    qxtest::TempDir dir;
    std::vector<std::string> expected;
    for (int d = 0; d < 30; ++d)
        for (int f = 0; f < 40; ++f) {
            const std::string name = "d" + std::to_string(10 + d) + "/f" + std::to_string(10 + f) + ".txt";
            // Files of different lengths, so that the workers finish out of order.
            qxtest::WriteFile(dir.file(name), std::string(size_t((d * 7 + f * 13) % 50) * 1000, 'x') + "\nneedle\n");
            expected.push_back(name);
        }
    TFileSearchOptions options {dir.path().string(), "", {"needle"}};
    options.Threads = 4;
    std::vector<std::string> found;
    for (const TFileSearchMatch& m : runSearch(options))
        found.push_back(relative(options.Folder, m.File));
    EXPECT_EQ(found, expected);

    // With a limit, the lines kept are the first ones of the walk.
    options.MaxResults = 100;
    TFileSearchProgress progress;
    found.clear();
    for (const TFileSearchMatch& m : runSearch(options, &progress))
        found.push_back(relative(options.Folder, m.File));
    EXPECT_EQ(found, std::vector<std::string>(expected.begin(), expected.begin() + 100));
    EXPECT_EQ(progress.Matches, expected.size());
}

// ---------------------------------------------------------------------------
// Long files, long lines, limits, stopping
// ---------------------------------------------------------------------------

TEST(FileSearch, LineNumbersHoldAcrossTheBlocksOfALargeFile)
{
    qxtest::TempDir dir;
    // About 1.6 MB: several read blocks, lines cut at every block end.
    std::string text;
    std::vector<std::string> expected;
    for (int i = 1; i <= 100000; ++i) {
        const bool hit = i == 1 || i % 7919 == 0 || i == 100000;
        text += hit ? "line " + std::to_string(i) + " needle" : "line " + std::to_string(i) + " hay";
        if (hit)
            expected.push_back(std::to_string(i));
        if (i < 100000)
            text += '\n'; // the last line has no end
    }
    qxtest::WriteFile(dir.file("big.txt"), text);
    TFileSearchOptions options {dir.path().string(), "", {"needle"}};
    std::vector<std::string> found;
    for (const TFileSearchMatch& m : runSearch(options)) {
        found.push_back(std::to_string(m.Line));
        EXPECT_EQ(m.Text, "line " + std::to_string(m.Line) + " needle");
    }
    EXPECT_EQ(found, expected);
}

TEST(FileSearch, AVeryLongLineIsSearchedInPartsAndShownAroundItsMatch)
{
    qxtest::TempDir dir;
    // A first line of 20 MiB: longer than the line buffer may grow.
    std::string text = "start\n" + std::string(20 * 1024 * 1024, 'x') + "needle" + std::string(1000, 'y') + "\nend\n";
    qxtest::WriteFile(dir.file("long.txt"), text);
    TFileSearchOptions options {dir.path().string(), "", {"needle"}};
    TFileSearchProgress progress;
    const std::vector<TFileSearchMatch> matches = runSearch(options, &progress);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].Line, 2);
    EXPECT_TRUE(matches[0].CutBefore);
    EXPECT_TRUE(matches[0].CutAfter);
    EXPECT_LE(matches[0].Text.size(), 400u);
    ASSERT_EQ(matches[0].Spans.size(), 1u);
    EXPECT_EQ(matches[0].Text.substr(matches[0].Spans[0].first, 6), "needle");
    EXPECT_EQ(progress.FilesSearched, 1u);
}

TEST(FileSearch, KeepsOnlyTheFirstResultsButCountsAll)
{
    qxtest::TempDir dir;
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += "needle\n";
    qxtest::WriteFile(dir.file("many.txt"), text);
    TFileSearchOptions options {dir.path().string(), "", {"needle"}};
    options.MaxResults = 3;
    TFileSearchProgress progress;
    EXPECT_EQ(runSearch(options, &progress).size(), 3u);
    EXPECT_EQ(progress.Matches, 10u);
}

TEST(FileSearch, AnExpressionThatGivesUpLosesOnlyItsLines)
{
    qxtest::TempDir dir;
    // Nested repetition against a long run without the final character
    // backtracks without end; the lines around it are still searched.
    qxtest::WriteFile(dir.file("hard.txt"), "ab\n" + std::string(5000, 'a') + "cb\nab\n");
    TFileSearchOptions options {dir.path().string(), "", {"^(a|aa)+b$", true, true}};
    TFileSearchProgress progress;
    std::vector<int64_t> lines;
    for (const TFileSearchMatch& m : runSearch(options, &progress))
        lines.push_back(m.Line);
    EXPECT_EQ(lines, (std::vector<int64_t> {1, 3}));
    EXPECT_EQ(progress.TooComplex, 1u);
}

TEST(FileSearch, StopEndsARunningSearch)
{
    qxtest::TempDir dir;
    const int count = 5000;
    for (int i = 0; i < count; ++i)
        qxtest::WriteFile(dir.file("f" + std::to_string(i) + ".txt"), "some text with a needle\n");
    TFileSearch search({dir.path().string(), "", {"needle"}});
    std::string error;
    ASSERT_TRUE(search.Prepare(error));
    search.Start();
    while (search.Progress().FilesSearched < 10 && !search.Finished())
        std::this_thread::yield();
    search.Stop();
    search.Wait();
    EXPECT_TRUE(search.Finished());
    EXPECT_TRUE(search.WasStopped());
    EXPECT_LT(search.Progress().FilesSearched, uint64_t(count));
    // What was found before the stop is kept.
    EXPECT_EQ(search.TakeMatches().size(), search.Progress().Matches);
}

} // namespace
