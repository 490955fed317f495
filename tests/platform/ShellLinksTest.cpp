#include "platform/ShellLinks.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

namespace {

using qx::ResolveShellLink;

TEST(ShellLinks, ShortcutRoundTripsAndReplacesAnOldOne)
{
    qxtest::TempDir dir;
    std::string target = dir.file("Dokumenty a skripty/čtení mě.txt");
    qxtest::WriteFile(target, "x");
    std::string link = qx::CreateShortcutFile("čtení mě.txt", dir.path().string(), "Zástupce dokumentu", "", target);
    EXPECT_EQ(link, dir.file("čtení mě.txt.desktop"));
    link = qx::CreateShortcutFile("čtení mě.txt", dir.path().string(), "Druhý", "", target);
    auto info = ResolveShellLink(link);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->TargetPath, target);
    EXPECT_EQ(info->WorkingDirectory, dir.file("Dokumenty a skripty"));
    EXPECT_EQ(info->LinkDescription, "Druhý");
    EXPECT_TRUE(qx::IsShortcutFile(link));
    EXPECT_TRUE(qx::IsShortcutFile("/x/ReadMe.LNK"));
    EXPECT_FALSE(qx::IsShortcutFile("/x/readme.txt"));
}

TEST(ShellLinks, OnlyLinkEntriesAmongDesktopFilesAreShortcuts)
{
    qxtest::TempDir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"[Desktop Entry]\nType=Link\nURL=file:///tmp/a\n", "link"},
        {"# made by hand\n[Desktop Entry]\nName=x\nType = Link\n", "link"},
        {"[Desktop Entry]\nType=Link\n", "link"}, // a broken one: opening reports a missing file
        {"[Desktop Entry]\nType=Application\nExec=editor %f\n", ""},
        {"Poznámky\nType=Link\n", ""},
        {"[Desktop Action new]\nType=Link\n", ""},
        {"", ""},
    };
    for (const auto& [content, kind] : cases) {
        qxtest::WriteFile(dir.file("x.desktop"), content);
        EXPECT_EQ(qx::IsShortcutFile(dir.file("x.desktop")), *kind != 0) << content;
    }
    EXPECT_FALSE(qx::IsShortcutFile(dir.file("missing.desktop")));
}

void put16(std::string& s, uint16_t v)
{
    s += char(v & 0xFF);
    s += char(v >> 8);
}

void put32(std::string& s, uint32_t v)
{
    put16(s, uint16_t(v & 0xFFFF));
    put16(s, uint16_t(v >> 16));
}

// A shell link as Windows writes it: header, link info with a local path,
// then UTF-16 counted strings.
std::string windowsLink(const std::string& localPath, const std::u16string& description, bool truncate = false)
{
    std::string s;
    put32(s, 0x4C);
    s += std::string(16, '\x01'); // class id
    put32(s, 0x2 | 0x4 | 0x80);   // link info, name, unicode
    s += std::string(76 - s.size() - 20, '\0');
    put32(s, 3); // icon index at 56
    s += std::string(76 - s.size(), '\0');
    std::string info;
    const uint32_t headerSize = 28;
    put32(info, 0);          // size, patched below
    put32(info, headerSize); // header size
    put32(info, 1);          // local path
    put32(info, 0);          // volume id offset
    put32(info, headerSize); // local base path offset
    put32(info, 0);          // network offset
    put32(info, headerSize + uint32_t(localPath.size()) + 1); // common suffix offset
    info += localPath + '\0';
    info += '\0';
    uint32_t size = uint32_t(info.size());
    info[0] = char(size & 0xFF);
    info[1] = char(size >> 8);
    s += info;
    put16(s, uint16_t(description.size()));
    for (char16_t c : description)
        put16(s, c);
    if (truncate)
        s.resize(s.size() - 3);
    return s;
}

TEST(ShellLinks, ReadsWindowsLinksAndRefusesDamagedOnes)
{
    qxtest::TempDir dir;
    qxtest::WriteFile(dir.file("a.lnk"), windowsLink("C:\\Src\\Main.pas", u"Hlavní program"));
    auto info = ResolveShellLink(dir.file("a.lnk"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->TargetPath, "C:\\Src\\Main.pas");
    EXPECT_EQ(info->LinkDescription, "Hlavní program");
    EXPECT_EQ(info->IconIndex, 3);

    const std::vector<std::pair<const char*, std::string>> broken = {
        {"truncated strings", windowsLink("C:\\a.txt", u"popis", true)},
        {"header only", windowsLink("C:\\a.txt", u"").substr(0, 60)},
        {"garbage", "\x4c\0\0\0garbage"},
        {"desktop entry without target", "[Desktop Entry]\nType=Link\nName=x\n"},
        {"empty", ""},
    };
    for (const auto& [name, data] : broken) {
        qxtest::WriteFile(dir.file("b.lnk"), data);
        EXPECT_FALSE(ResolveShellLink(dir.file("b.lnk"))) << name;
    }
    EXPECT_FALSE(ResolveShellLink(dir.file("missing.lnk")));
}

// A link as Windows writes it for a file on a mapped network drive: the link
// info holds the local path and the share, each in ANSI and UTF-16, then the
// description, a relative path, a working folder with a leading blank, the
// arguments and the icon, all UTF-16.
TEST(ShellLinks, AWindowsLinkGivesTheNetworkFormAndItsTextsInUnicode)
{
    auto info = ResolveShellLink(qxtest::SourceDir() + "/tests/platform/fixtures/local-and-network.lnk");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->TargetPath, "\\\\server\\sdílené\\Hlavní.pas");
    EXPECT_EQ(info->LinkDescription, "Hlavní program");
    EXPECT_EQ(info->WorkingDirectory, " C:\\Zdroje");
    EXPECT_EQ(info->Arguments, "/n \"a b\"");
    EXPECT_EQ(info->IconLocation, "C:\\Ikony\\qx.ico");
    EXPECT_EQ(info->IconIndex, 7);
}

TEST(ShellLinks, TextsSurviveTheRoundTripAndRelativeTargetsLieBesideTheLink)
{
    qxtest::TempDir dir;
    const std::string target = dir.file("a b.txt");
    qxtest::WriteFile(target, "x");
    const std::string link = dir.file("odkaz.desktop");
    qx::CreateShellLink("  dvě mezery a \\ ", target, " složka", 0, link, target, "--x  y");
    auto info = ResolveShellLink(link);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->LinkDescription, "  dvě mezery a \\ ");
    EXPECT_EQ(info->WorkingDirectory, " složka");
    EXPECT_EQ(info->Arguments, "--x  y");
    EXPECT_EQ(info->TargetPath, target);

    struct Case {
        const char* name;
        std::string content;
        std::string target; // empty: not resolved
    };
    const Case cases[] = {
        {"relative URL", "[Desktop Entry]\nType=Link\nURL=docs/../a b.txt\n", dir.file("a b.txt")},
        {"local host", "[Desktop Entry]\nType=Link\nURL=file://localhost/tmp/a%20b\n", "/tmp/a b"},
        {"other host", "[Desktop Entry]\nType=Link\nURL=file://server/tmp/a\n", ""},
        {"program on PATH", "[Desktop Entry]\nType=Application\nExec=editor %f\n", "editor"},
    };
    for (const Case& c : cases) {
        qxtest::WriteFile(dir.file("c.desktop"), c.content);
        auto resolved = ResolveShellLink(dir.file("c.desktop"));
        EXPECT_EQ(resolved ? resolved->TargetPath : std::string(), c.target) << c.name;
    }

    // A Windows link with only a relative path, in Windows notation.
    std::string relative;
    put32(relative, 0x4C);
    relative += std::string(16, '\0');
    put32(relative, 0x8 | 0x80);
    relative.resize(76, '\0');
    const std::u16string path = u"docs\\..\\a b.txt";
    put16(relative, uint16_t(path.size()));
    for (char16_t c : path)
        put16(relative, c);
    qxtest::WriteFile(dir.file("r.lnk"), relative);
    auto resolved = ResolveShellLink(dir.file("r.lnk"));
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->TargetPath, target);
}

TEST(ShellLinks, LoneSurrogatesBecomeReplacementCharacters)
{
    qxtest::TempDir dir;
    qxtest::WriteFile(dir.file("s.lnk"), windowsLink("C:\\a.txt", std::u16string(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDC00)
            + char16_t(0xD83D) + char16_t(0xDE00)));
    auto info = ResolveShellLink(dir.file("s.lnk"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->LinkDescription, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "\xF0\x9F\x98\x80");
}

TEST(ShellLinks, ApplicationEntriesGiveProgramAndArguments)
{
    qxtest::TempDir dir;
    qxtest::WriteFile(dir.file("e.desktop"), "[Desktop Entry]\nType=Application\nExec=/usr/bin/editor --new %f\nPath=/tmp\n");
    auto info = ResolveShellLink(dir.file("e.desktop"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->TargetPath, "/usr/bin/editor");
    EXPECT_EQ(info->Arguments, "--new %f");
    EXPECT_EQ(info->WorkingDirectory, "/tmp");
}

} // namespace
