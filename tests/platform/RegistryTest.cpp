#include "platform/Registry.h"

#include "TestEnv.h"

#include <csignal>
#include <gtest/gtest.h>
#include <random>
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

// Each fixture carries one defect; none may load, and the first write keeps
// the damaged file beside the new one.
TEST_F(RegistryTest, DamagedFilesAreReportedAndKeptAsBad)
{
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"garbage", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10)},
        {"missing header", "[HKEY_CURRENT_USER\\Software\\Quorvix]\n\"a\"=dword:00000001\n"},
        {"truncated string", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvix]\n\"LoggerOutputFile\"=\"/tmp/de"},
        {"truncated dword", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvix]\n\"LaunchCount\"=dword:0000"},
        {"truncated hex continuation", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvix]\n\"B\"=hex:01,02,\\"},
        {"value before any key", "REGEDIT4\n\n\"a\"=dword:00000001\n"},
        {"foreign root", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n"},
    };
    for (const auto& [defect, text] : damaged) {
        SCOPED_TRACE(defect);
        qxtest::WriteFile(home.registryFile(), text);
        ASSERT_TRUE(Registry::LoadProblem().has_value());
        Registry r;
        EXPECT_FALSE(r.KeyExists("Software\\Quorvix"));
        ASSERT_TRUE(r.OpenKey("Software\\Quorvix", true));
        r.WriteInteger("LaunchCount", 1);
        EXPECT_FALSE(Registry::LoadProblem().has_value());
        EXPECT_EQ(qxtest::ReadFile(home.registryFile() + ".bad"), text);
        EXPECT_EQ(r.ReadInteger("LaunchCount"), 1);
    }
}

TEST_F(RegistryTest, AcceptsFilesWrittenByHandAndByWindows)
{
    qxtest::WriteFile(home.registryFile(),
        "REGEDIT4\r\n\r\n; written by hand\r\n[HKEY_CURRENT_USER\\Software\\Quorvix]\r\n@=\"2.0.1\"\r\n"
        "\"Structures\"=hex:01,02,\\\r\n  03,04\r\n\"Count\"=dword:0000002A\r\n");
    EXPECT_FALSE(Registry::LoadProblem().has_value());
    Registry r = open("Software\\Quorvix");
    EXPECT_EQ(r.ReadBinary("Structures"), (std::vector<uint8_t> {1, 2, 3, 4}));
    EXPECT_EQ(r.ReadInteger("Count"), 42);
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
        ASSERT_FALSE(Registry::LoadProblem().has_value()) << "round " << round;
    }
    Registry r = open("Software\\Quorvix\\Stress");
    EXPECT_FALSE(r.GetValueNames().empty());
}

} // namespace
