#include "platform/Registry.h"

#include "TestEnv.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using qx::RegDataType;
using qx::Registry;
using qx::RegistryError;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    qxtest::ScopedHome home;

    Registry open(const std::string& key)
    {
        Registry r;
        EXPECT_TRUE(r.OpenKey(key, true)) << r.LastError();
        return r;
    }
};

TEST_F(RegistryTest, TypedValuesRoundTripThroughTheFile)
{
    {
        Registry r = open("Software\\Quorvix");
        r.WriteString("", "2.0.1");
        r.WriteString("Text", "a \"quoted\" \\ path");
        r.WriteString("Lines", "first\r\nsecond\tthird");
        r.WriteInteger("Negative", -1);
        r.WriteBool("Flag", true);
        std::vector<uint8_t> bytes(100);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(i * 7);
        r.WriteBinary("Blob", bytes);
    }
    std::string file = qxtest::ReadFile(home.registryFile());
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Quorvix]\n@=\"2.0.1\""), std::string::npos) << file;
    EXPECT_NE(file.find("\"Negative\"=dword:ffffffff"), std::string::npos);
    EXPECT_NE(file.find("\"Flag\"=dword:00000001"), std::string::npos);

    // A second process sees the same values: drop the cache by touching the file.
    qxtest::WriteFile(home.registryFile(), file);
    Registry r = open("software/QUORVIX");
    EXPECT_EQ(r.ReadString(""), "2.0.1");
    EXPECT_EQ(r.ReadString("text"), "a \"quoted\" \\ path");
    EXPECT_EQ(r.ReadString("Lines"), "first\r\nsecond\tthird");
    EXPECT_EQ(r.ReadInteger("Negative"), -1);
    EXPECT_TRUE(r.ReadBool("Flag"));
    auto blob = r.ReadBinary("Blob");
    ASSERT_EQ(blob.size(), 100u);
    EXPECT_EQ(blob[99], static_cast<uint8_t>(99 * 7));
    EXPECT_EQ(r.GetValueNames(), (std::vector<std::string> {"Text", "Lines", "Negative", "Flag", "Blob"}));
}

TEST_F(RegistryTest, ReadingTheWrongTypeOrAMissingValueFails)
{
    Registry r = open("Software\\Quorvix");
    r.WriteString("ScriptingMode", "1");
    r.WriteInteger("Count", 3);
    EXPECT_THROW(r.ReadInteger("ScriptingMode"), RegistryError);
    EXPECT_THROW(r.ReadString("Count"), RegistryError);
    EXPECT_THROW(r.ReadBinary("Count"), RegistryError);
    EXPECT_THROW(r.ReadInteger("Absent"), RegistryError);
    EXPECT_EQ(r.ReadString("Absent"), "");
    EXPECT_EQ(r.GetDataType("Count"), RegDataType::Integer);
    EXPECT_EQ(r.GetDataType("Absent"), RegDataType::None);
}

TEST_F(RegistryTest, KeysEnumerateAndDeleteWithTheirSubkeys)
{
    open("Software\\Quorvix\\Cookies\\a").WriteInteger("x", 1);
    open("Software\\Quorvix\\Cookies\\b\\deep");
    open("Software\\Quorvix\\ToolBars");
    Registry cookies = open("Software\\Quorvix\\Cookies");
    EXPECT_EQ(cookies.GetKeyNames(), (std::vector<std::string> {"a", "b"}));
    EXPECT_TRUE(cookies.HasSubKeys());

    Registry r;
    EXPECT_FALSE(r.OpenKey("Software\\Quorvix\\Missing", false));
    EXPECT_TRUE(r.DeleteKey("Software\\Quorvix\\Cookies"));
    EXPECT_FALSE(r.KeyExists("Software\\Quorvix\\Cookies\\b\\deep"));
    EXPECT_TRUE(r.KeyExists("Software\\Quorvix\\ToolBars"));

    Registry root = open("Software\\Quorvix");
    root.WriteInteger("v", 1);
    EXPECT_TRUE(root.DeleteValue("V"));
    EXPECT_FALSE(root.DeleteValue("v"));
    EXPECT_FALSE(root.ValueExists("v"));
}

// Drops the process's cached copy of the store, as a second process would see
// the file: rewriting it gives it a new modification time.
void reloadFromDisk(const std::string& file)
{
    qxtest::WriteFile(file, qxtest::ReadFile(file));
}

TEST_F(RegistryTest, NamesHoldingAnyCharacterRoundTrip)
{
    const std::vector<std::string> names = {
        "/home/u/new\nline.txt", "C:\\dir\\file.txt", "say \"hi\"", "a]b", "[x]", "a=b", "=", "\\", "\"",
        "trailing blank ", " leading blank", "tab\there", "cr\rlf\r\n", std::string("nul\0byte", 8), "\\x41",
        "; not a comment", "@", "řeřicha.txt", "ends with backslash\\",
    };
    const std::vector<std::string> keys = {"a]b", "[x]", "k=v", "\"q\"", "new\nline", "\nstarts", "ends\n",
        " padded ", "\x01\x1f", "řeřicha", "@"};
    {
        Registry r = open("Software\\Quorvix\\Names");
        for (size_t i = 0; i < names.size(); ++i)
            r.WriteString(names[i], "value " + std::to_string(i) + " " + names[i]);
        for (const auto& key : keys)
            open("Software\\Quorvix\\Keys\\" + key + "\\below").WriteString(key, key);
    }
    reloadFromDisk(home.registryFile());
    EXPECT_TRUE(Registry::LoadProblems().empty()) << Registry::LoadProblems().front();
    Registry r = open("Software\\Quorvix\\Names");
    EXPECT_EQ(r.GetValueNames(), names);
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(r.ReadString(names[i]), "value " + std::to_string(i) + " " + names[i]) << i;
    EXPECT_EQ(open("Software\\Quorvix\\Keys").GetKeyNames(), keys);
    for (const auto& key : keys) {
        Registry k;
        ASSERT_TRUE(k.OpenKey("Software\\Quorvix\\Keys\\" + key + "\\below", false)) << key;
        EXPECT_EQ(k.ReadString(key), key);
    }
}

TEST_F(RegistryTest, ExactValueNamesKeepNamesThatDifferInCase)
{
    Registry exact = open("Software\\Quorvix\\Cookies\\Editor");
    exact.SetExactValueNames(true);
    exact.WriteString("/a/X.txt", "upper");
    exact.WriteString("/a/x.txt", "lower");
    EXPECT_FALSE(exact.ValueExists("/A/x.txt"));
    reloadFromDisk(home.registryFile());
    EXPECT_EQ(exact.ReadString("/a/X.txt"), "upper");
    EXPECT_EQ(exact.ReadString("/a/x.txt"), "lower");
    exact.DeleteValue("/a/x.txt");
    EXPECT_EQ(exact.GetValueNames(), std::vector<std::string> {"/a/X.txt"});

    // Without it, names compare without regard to case and keep their first spelling.
    Registry any = open("software\\quorvix\\cookies\\editor");
    EXPECT_EQ(any.ReadString("/A/X.TXT"), "upper");
    any.WriteString("/A/X.TXT", "changed");
    EXPECT_EQ(any.GetValueNames(), std::vector<std::string> {"/a/X.txt"});
}

// Each fixture holds good values and one defect, named in its file name. Only
// the damaged lines are left out, each named; the first write keeps the
// damaged file beside the new one.
TEST_F(RegistryTest, ADamagedLineCostsOnlyItself)
{
    const std::vector<std::pair<const char*, std::vector<int>>> fixtures = {
        {"name-split-by-line-break", {6, 7}},
        {"string-unterminated", {6}},
        {"value-type-unknown", {6}},
        {"dword-short", {6}},
        {"hex-continuation-cut", {6}},
        {"equals-missing", {6}},
        {"binary-garbage-line", {6}},
        {"header-missing", {1}},
        {"value-before-any-key", {3}},
        {"key-line-unclosed", {11}},
        {"key-outside-current-user", {11}},
    };
    for (const auto& [defect, lines] : fixtures) {
        SCOPED_TRACE(defect);
        std::string text = qxtest::ReadFile(qxtest::SourceDir() + "/tests/platform/fixtures/registry-" + defect + ".reg");
        qxtest::WriteFile(home.registryFile(), text);
        std::filesystem::remove(home.registryFile() + ".bad");
        auto problems = Registry::LoadProblems();
        ASSERT_EQ(problems.size(), lines.size()) << (problems.empty() ? "" : problems.front());
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(problems[i].rfind("line " + std::to_string(lines[i]) + ": ", 0), 0u) << problems[i];

        Registry r = open("Software\\Quorvix");
        EXPECT_EQ(r.ReadInteger("LaunchCount"), 41);
        EXPECT_EQ(r.ReadString("Plugins"), "/opt/qx/Plugins/");
        EXPECT_EQ(r.GetValueNames(), (std::vector<std::string> {"LaunchCount", "Plugins"}));
        EXPECT_FALSE(r.KeyExists("Software\\Quorvix\\ToolBars"));
        EXPECT_EQ(open("Software\\Quorvix\\Cookies\\TTextEditorWindow").ReadString("/home/u/a.txt"), "caret=1:0");

        r.WriteInteger("LaunchCount", 42);
        EXPECT_TRUE(Registry::LoadProblems().empty());
        EXPECT_EQ(qxtest::ReadFile(home.registryFile() + ".bad"), text);
        reloadFromDisk(home.registryFile());
        EXPECT_TRUE(Registry::LoadProblems().empty());
        EXPECT_EQ(r.ReadInteger("LaunchCount"), 42);
        EXPECT_EQ(r.ReadString("Plugins"), "/opt/qx/Plugins/");
    }
}

TEST_F(RegistryTest, KeepDamagedCopyKeepsOnlyAFileThatDidNotLoadWhole)
{
    qxtest::WriteFile(home.registryFile(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"a\"=dword:1\n");
    EXPECT_EQ(Registry::KeepDamagedCopy(), home.registryFile() + ".bad");
    EXPECT_EQ(qxtest::ReadFile(home.registryFile() + ".bad"), qxtest::ReadFile(home.registryFile()));
    open("Software").WriteInteger("a", 1);
    EXPECT_EQ(Registry::KeepDamagedCopy(), "");
}

// Files as a person may have edited them; each row differs from a plain file
// in one way, and all of them load whole.
TEST_F(RegistryTest, AcceptsFilesWrittenByHandAndByWindows)
{
    const std::string key = "[HKEY_CURRENT_USER\\Software\\Quorvix]";
    const std::vector<std::pair<const char*, std::string>> files = {
        {"CR LF, comment, continued hex", "REGEDIT4\r\n\r\n; written by hand\r\n" + key + "\r\n\"Count\"=dword:0000002A\r\n"
                                          "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n\"Text\"=\"a b\"\r\n"},
        {"byte order mark", "\xEF\xBB\xBFREGEDIT4\n\n" + key + "\n\"Count\"=dword:0000002a\n\"Blob\"=hex:01,02,03,04\n\"Text\"=\"a b\"\n"},
        {"blanks after lines", "REGEDIT4  \n\n" + key + " \t\n\"Count\"=dword:0000002a  \n\"Blob\"=hex:01,02,03,04 \n\"Text\"=\"a b\"\t\n"},
        {"lines of blanks", "REGEDIT4\n  \n" + key + "\n\t\n\"Count\"=dword:0000002a\n   \n\"Blob\"=hex:01,02,03,04\n\"Text\"=\"a b\"\n \n"},
        {"blanks around =", "REGEDIT4\n\n" + key + "\n\"Count\" = dword:0000002a\n\"Blob\"\t=hex: 01, 02,03 ,04\n\"Text\" =\"a b\"\n"},
        {"indented lines", "REGEDIT4\n\n  " + key + "\n  \"Count\"=dword:0000002a\n\t\"Blob\"=hex:01,02,03,04\n  \"Text\"=\"a b\"\n"},
        {"hex(2) string", "REGEDIT4\n\n" + key + "\n\"Count\"=dword:0000002a\n\"Blob\"=hex:01,02,03,04\n\"Text\"=hex(2):61,20,62,00\n"},
    };
    for (const auto& [variant, text] : files) {
        SCOPED_TRACE(variant);
        qxtest::WriteFile(home.registryFile(), text);
        auto problems = Registry::LoadProblems();
        EXPECT_TRUE(problems.empty()) << problems.front();
        Registry r = open("Software\\Quorvix");
        EXPECT_EQ(r.ReadInteger("Count"), 42);
        EXPECT_EQ(r.ReadBinary("Blob"), (std::vector<uint8_t> {1, 2, 3, 4}));
        EXPECT_EQ(r.ReadString("Text"), "a b");
    }
}

// The frame's values at closing: many writes, one replacement of the file.
TEST_F(RegistryTest, ABatchWritesOnceAndKeepsWhatOthersWroteMeanwhile)
{
    open("Software\\Quorvix").WriteInteger("Before", 1);
    // Another process, started before the batch, writes while it is open.
    int go[2], done[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        char c;
        if (read(go[0], &c, 1) != 1)
            _exit(2);
        Registry other;
        other.OpenKey("Software\\Quorvix", true);
        other.WriteInteger("FromOther", 2);
        c = Registry().KeyExists("Software\\Quorvix\\Frame") ? 'v' : 'n';
        _exit(write(done[1], &c, 1) == 1 ? 0 : 2);
    }
    struct stat before {};
    ASSERT_EQ(::stat(home.registryFile().c_str(), &before), 0);
    {
        qx::RegistryBatch batch;
        for (int i = 0; i < 40; ++i)
            open("Software\\Quorvix\\Frame").WriteString("Button" + std::to_string(i) + "_Visible", "True");
        {
            qx::RegistryBatch nested;
            open("Software\\Quorvix\\Frame").WriteInteger("Nested", 7);
            nested.Commit();
        }
        EXPECT_EQ(open("Software\\Quorvix\\Frame").ReadInteger("Nested"), 7);
        struct stat during {};
        ASSERT_EQ(::stat(home.registryFile().c_str(), &during), 0);
        EXPECT_EQ(during.st_ino, before.st_ino) << "the file was replaced before the batch ended";

        char c = 'g';
        ASSERT_EQ(write(go[1], &c, 1), 1);
        ASSERT_EQ(read(done[0], &c, 1), 1);
        EXPECT_EQ(c, 'n') << "the batch was visible to another process";
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        batch.Commit();
    }
    for (int fd : {go[0], go[1], done[0], done[1]})
        close(fd);
    reloadFromDisk(home.registryFile());
    Registry frame = open("Software\\Quorvix\\Frame");
    EXPECT_EQ(frame.GetValueNames().size(), 41u);
    EXPECT_EQ(frame.ReadString("Button39_Visible"), "True");
    Registry root = open("Software\\Quorvix");
    EXPECT_EQ(root.ReadInteger("FromOther"), 2);
    EXPECT_EQ(root.ReadInteger("Before"), 1);
}

TEST_F(RegistryTest, TemporaryFilesOfAKilledWriterAreRemovedByTheNextWrite)
{
    open("Software\\Quorvix").WriteInteger("a", 1);
    const std::string dir = std::filesystem::path(home.registryFile()).parent_path().string();
    qxtest::WriteFile(dir + "/registry.reg.tmp99999", "REGEDIT4\n\n[HKEY_CURREN");
    qxtest::WriteFile(dir + "/registry.reg.tmp1", "");
    qxtest::WriteFile(dir + "/.registry.reg.qxsave-99999-1~", "REGEDIT4\n\n[HKEY_CURREN");
    qxtest::WriteFile(dir + "/notes.txt", "mine");
    qxtest::WriteFile(dir + "/registry.reg.tmp-copy", "mine");
    open("Software\\Quorvix").WriteInteger("b", 2);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string> {"notes.txt", "registry.reg", "registry.reg.lock", "registry.reg.tmp-copy"}));
}

void writeMany(const std::string& prefix, int count)
{
    for (int i = 0; i < count; ++i) {
        Registry r;
        if (!r.OpenKey("Software\\Quorvix\\Stress", true))
            _exit(2);
        r.WriteInteger(prefix + std::to_string(i), i);
    }
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing)
{
    const int perProcess = 500;
    std::vector<pid_t> children;
    for (const char* prefix : {"a", "b"}) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            writeMany(prefix, perProcess);
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Registry r = open("Software\\Quorvix\\Stress");
    EXPECT_EQ(r.GetValueNames().size(), 2u * perProcess);
    EXPECT_EQ(r.ReadInteger("a499"), 499);
    EXPECT_EQ(r.ReadInteger("b0"), 0);
}

TEST_F(RegistryTest, AWriterKilledAtAnyMomentLeavesALoadableFile)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 15; ++round) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            writeMany("r" + std::to_string(round) + "_", 1000000);
            _exit(0);
        }
        usleep(2000 + random() % 20000);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        ASSERT_TRUE(Registry::LoadProblems().empty()) << "round " << round;
    }
    Registry r = open("Software\\Quorvix\\Stress");
    EXPECT_FALSE(r.GetValueNames().empty());
}

} // namespace
