#include "projects/IniFile.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

using qx::IniFile;
using qxtest::ReadFile;
using qxtest::TempDir;
using qxtest::WriteFile;

namespace {

constexpr const char* kMissing = "<missing>";

struct ParseCase {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    const char* expected; // kMissing when the key must not be found
};

class IniParse : public testing::TestWithParam<ParseCase> {};

TEST_P(IniParse, FindsTheValue)
{
    const ParseCase& c = GetParam();
    IniFile ini = IniFile::Parse(c.text);
    EXPECT_EQ(ini.ReadString(c.section, c.key, kMissing), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, IniParse, testing::Values(
    ParseCase {"names ignore case", "[General]\r\nName=x\r\n", "GENERAL", "name", "x"},
    ParseCase {"value is all after the first =", "[S]\r\nK= a=b \r\n", "S", "K", " a=b "},
    ParseCase {"empty value", "[S]\r\nK=\r\n", "S", "K", ""},
    ParseCase {"LF line ends", "[S]\nK=v\nL=w\n", "S", "L", "w"},
    ParseCase {"last line without line end", "[S]\r\nK=v", "S", "K", "v"},
    ParseCase {"lone CR stays in the value", "[S]\r\nK=a\rb\r\n", "S", "K", "a\rb"},
    ParseCase {"byte order mark skipped", "\xEF\xBB\xBF[S]\r\nK=v\r\n", "S", "K", "v"},
    ParseCase {"spaces around names", "  [ S ]  \r\n  K  =v\r\n", "S", "K", "v"},
    ParseCase {"first of a repeated key wins", "[S]\r\nK=1\r\nk=2\r\n", "S", "K", "1"},
    ParseCase {"repeated section continues", "[S]\r\nA=1\r\n[T]\r\n[s]\r\nB=2\r\n", "S", "B", "2"},
    ParseCase {"key before any section ignored", "K=v\r\n[S]\r\n", "S", "K", kMissing},
    ParseCase {"comment line ignored", "[S]\r\n;K=v\r\n", "S", ";K", kMissing},
    ParseCase {"section without closing bracket", "[S\r\nK=v\r\n", "S", "K", "v"},
    ParseCase {"quoted value decoded", "[S]\r\nK=\"a\\nb\"\r\n", "S", "K", "a\nb"},
    ParseCase {"unknown escape kept", "[S]\r\nK=\"C:\\dir\"\r\n", "S", "K", "C:\\dir"},
    ParseCase {"half-quoted value verbatim", "[S]\r\nK=\"a\\nb\r\n", "S", "K", "\"a\\nb"}));

TEST(IniParse, KeepsNulBytesInsideValues)
{
    std::string text("[S]\r\nK=a\0b\r\n", 11);
    EXPECT_EQ(IniFile::Parse(text).ReadString("S", "K"), std::string("a\0b", 3));
}

TEST(IniReadInteger, AcceptsOnlyDecimal32BitNumbers)
{
    struct Case {
        const char* value;
        int32_t expected;
    } cases[] = {
        {"12", 12}, {" 7 ", 7}, {"-3", -3}, {"+4", 4}, {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"2147483648", -1}, {"99999999999", -1}, {"", -1},
        {"abc", -1}, {"12x", -1}, {"0x10", -1}, {"+-1", -1}, {"1 2", -1}, {"+", -1},
    };
    for (const Case& c : cases) {
        IniFile ini;
        ini.WriteString("S", "K", c.value);
        EXPECT_EQ(ini.ReadInteger("S", "K", -1), c.expected) << '"' << c.value << '"';
    }
    EXPECT_EQ(IniFile().ReadInteger("S", "K", 5), 5);
}

TEST(IniSerialize, KeepsFirstWriteOrderAndUpdatesInPlace)
{
    IniFile ini;
    ini.WriteString("One", "A", "1");
    ini.WriteString("Two", "B", "");
    ini.WriteString("one", "C", "3");
    ini.WriteString("ONE", "a", "changed");
    ini.WriteInteger("Two", "N", -7);
    EXPECT_EQ(ini.Serialize(), "[One]\r\nA=changed\r\nC=3\r\n\r\n[Two]\r\nB=\r\nN=-7\r\n\r\n");
}

TEST(IniValueCodec, PlainValuesAreWrittenAsTheyAre)
{
    for (const char* v : {"", "plain", "C:\\new\\dir", "\\n", "\"", "\"half", "half\"", " spaced ", "a=b", "[x]"})
        EXPECT_EQ(IniFile::EncodeValue(v), v);
}

TEST(IniValueCodec, EveryValueSurvivesSerializeAndParse)
{
    const std::string values[] = {
        "line1\r\nline2", "a\nb", "a\rb", "\n", "\r\n\r\n", "trailing\\\n", "\"quoted\"", "\"\"",
        "\"a\\nb\"", "C:\\new\n\\dir", "\\", "\"\n", std::string("nul\0\n", 5),
    };
    for (const std::string& v : values) {
        IniFile ini;
        ini.WriteString("S", "K", v);
        ini.WriteString("S", "After", "x");
        std::string text = ini.Serialize();
        // Still exactly four lines: section, two keys, empty line.
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;
        IniFile back = IniFile::Parse(text);
        EXPECT_EQ(back.ReadString("S", "K"), v);
        EXPECT_EQ(back.ReadString("S", "After"), "x");
    }
}

TEST(ReadTextFile, RefusesWhatIsNotASmallRegularFile)
{
    TempDir dir;
    std::string text, error;
    WriteFile(dir.file("ten"), "0123456789");
    EXPECT_TRUE(qx::ReadTextFile(dir.file("ten"), 10, text, &error)) << error;
    EXPECT_EQ(text, "0123456789");
    EXPECT_FALSE(qx::ReadTextFile(dir.file("ten"), 9, text, &error));
    EXPECT_EQ(error, "file too large");

    EXPECT_FALSE(qx::ReadTextFile(dir.file("missing"), 100, text, &error));
    EXPECT_FALSE(qx::ReadTextFile(dir.path().string(), 100, text, &error));
    // Opening or reading a FIFO without a writer would block forever.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(qx::ReadTextFile(dir.file("fifo"), 100, text, &error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(qx::ReadTextFile("/dev/zero", 100, text, &error));
}

} // namespace
