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
