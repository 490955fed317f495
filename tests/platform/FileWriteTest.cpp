#include "platform/FileWrite.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>
#include <vector>

using qxtest::ReadFile;
using qxtest::TempDir;
using qxtest::WriteFile;

namespace {

size_t entryCount(const std::filesystem::path& dir)
{
    return size_t(std::distance(std::filesystem::directory_iterator(dir), {}));
}

std::vector<std::string> names(const std::filesystem::path& dir)
{
    std::vector<std::string> list;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        list.push_back(entry.path().filename().string());
    std::sort(list.begin(), list.end());
    return list;
}

// A process id that is certainly not running: a child that has ended.
long endedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return long(child);
}

TEST(WriteFileAtomically, ReplacesTheFileAndLeavesNothingElse)
{
    TempDir dir;
    std::string path = dir.file("f.ini");
    WriteFile(path, std::string(1000, 'x'));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(qx::WriteFileAtomically(path, "short"));
    EXPECT_EQ(ReadFile(path), "short");
    EXPECT_EQ(entryCount(dir.path()), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(WriteFileAtomically, WritesThroughASymbolicLink)
{
    TempDir dir;
    WriteFile(dir.file("real.ini"), "old");
    std::filesystem::create_symlink("real.ini", dir.path() / "link.ini");
    ASSERT_TRUE(qx::WriteFileAtomically(dir.file("link.ini"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.ini"));
    EXPECT_EQ(ReadFile(dir.file("real.ini")), "new");
}

TEST(WriteFileAtomically, ReportsFailures)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(qx::WriteFileAtomically(dir.file("no/such/dir/f.ini"), "x", &error));
    EXPECT_EQ(error, "složka neexistuje");
    error.clear();
    EXPECT_FALSE(qx::WriteFileAtomically(dir.path().string(), "x", &error));
    EXPECT_EQ(error, "na místě souboru je složka");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

// On a file system that has no room left, every size of write fails and says
// so, and the old file keeps its content: never a file cut short or empty.
TEST(WriteFileAtomically, OnAFullDiskKeepsTheOldFileAndSaysWhy)
{
    qxtest::FullDisk disk;
    QX_SKIP_WITHOUT_FULL_DISK(disk);
    const std::string path = disk.file("doc.txt");
    const std::string old(3000, 'o');
    WriteFile(path, old);
    disk.Fill();
    for (size_t size : {size_t(1), size_t(100), size_t(16000), size_t(200000)}) {
        SCOPED_TRACE(size);
        std::string reason;
        EXPECT_FALSE(qx::WriteFileAtomically(path, std::string(size, 'n'), &reason));
        EXPECT_EQ(reason, "na disku není volné místo");
        EXPECT_EQ(ReadFile(path), old);
        // Written in pieces, as a copy or the hex editor writes.
        qx::AtomicFileWriter writer(path);
        bool written = writer.Open();
        for (size_t done = 0; written && done < size; done += 1000)
            written = writer.Write(std::string(std::min<size_t>(1000, size - done), 'p'));
        EXPECT_FALSE(written && writer.Commit());
        EXPECT_EQ(writer.Error(), ENOSPC);
        EXPECT_EQ(ReadFile(path), old);
    }
    EXPECT_EQ(names(std::filesystem::path(path).parent_path()), (std::vector<std::string> {"doc.txt", "filler"}));
    disk.Free();
    EXPECT_TRUE(qx::WriteFileAtomically(path, "room again"));
    EXPECT_EQ(ReadFile(path), "room again");
}

// A failure injected into the writes (as a device error or a full disk would
// give it) fails the save at each step it can come: the data and the flush.
TEST(WriteFileAtomically, AnInjectedWriteFailureKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir.file("notes.rtf");
    WriteFile(path, "old notes");
    struct Reset {
        ~Reset() { qx::FailFileWritesForTesting(0); }
    } reset;
    qx::AtomicFileWriter writer(path);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.Write("new notes"));
    qx::FailFileWritesForTesting(EIO);
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(writer.Reason(), "chyba vstupu nebo výstupu zařízení");
    std::string reason;
    EXPECT_FALSE(qx::WriteFileAtomically(path, "newer notes", &reason));
    EXPECT_EQ(reason, "chyba vstupu nebo výstupu zařízení");
    EXPECT_EQ(ReadFile(path), "old notes");
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

// A program killed between writing and renaming leaves its temporary file;
// the next save of that file removes it, and nothing that merely looks
// similar: the user's own files, another file's temporaries, and those of a
// save that is still running elsewhere.
TEST(AtomicFileWriter, TheNextSaveRemovesTemporariesOfAKilledSave)
{
    TempDir dir;
    const std::string path = dir.file("doc.txt");
    WriteFile(path, "old");
    const pid_t child = fork();
    if (child == 0) {
        qx::AtomicFileWriter writer(path);
        if (writer.Open() && writer.Write("half"))
            _exit(0); // killed before the rename: no destructor runs
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(entryCount(dir.path()), 2u);
    EXPECT_EQ(ReadFile(path), "old");

    const std::string ended = std::to_string(endedProcess());
    const std::string self = std::to_string(::getpid());
    const std::vector<std::string> stale = {
        ".doc.txt.qxsave-" + ended + "-7~",
        ".doc.txt.qxsave-" + self + "-999999~", // this process, no save of its own running
    };
    const std::vector<std::string> kept = {
        "doc.txt.abc123", "doc.txt.tmp1234", "doc.txt~", ".doc.txt.swp", ".doc.txt.qxsave-notes",
        "doc.txt.qxsave-" + ended + "-1~", ".doc.txt.qxsave-" + ended + "-1~.bak", ".doc.txt.qxsave--1~",
        ".other.txt.qxsave-" + ended + "-1~", // another file's, left to its own next save
        ".doc.txt.qxsave-1-1~",               // a running process: a save in progress
    };
    for (const auto& name : stale)
        WriteFile(dir.file(name), "stale");
    for (const auto& name : kept)
        WriteFile(dir.file(name), "mine");
    // Untouched for hours: no save runs that long without writing.
    WriteFile(dir.file(".doc.txt.qxsave-1-2~"), "abandoned");
    struct utimbuf old {time(nullptr) - 3 * 3600, time(nullptr) - 3 * 3600};
    ASSERT_EQ(::utime(dir.file(".doc.txt.qxsave-1-2~").c_str(), &old), 0);

    ASSERT_TRUE(qx::WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadFile(path), "new");
    std::vector<std::string> expected = kept;
    expected.push_back("doc.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names(dir.path()), expected);
}

TEST(AtomicFileWriter, TemporaryNamesFitEvenForTheLongestFileName)
{
    TempDir dir;
    // 254 bytes, ending in a two-byte character cut by a naive shortening.
    std::string name(200, 'a');
    while (name.size() < 252)
        name += "\xC5\xA1";
    name += "xx";
    const std::string path = dir.file(name);
    WriteFile(path, "old");
    ASSERT_TRUE(qx::WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_FALSE(qx::IsSaveTemporaryOf(name, name));
    EXPECT_TRUE(qx::IsSaveTemporaryOf("." + name.substr(0, 222) + ".qxsave-12-3~", name));
}

} // namespace
