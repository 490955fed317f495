// The notepad's RTF: what it writes reads back the same, and the RTF of other
// programs gives its text without their tables, fields or unknown words.
#include "frame/RtfText.h"

#include <gtest/gtest.h>

namespace {

using qx::RtfFormat;
using qx::RtfRun;
using qx::RtfRuns;

RtfFormat bold()
{
    RtfFormat f;
    f.bold = true;
    return f;
}

RtfFormat colored(int32_t color, bool italic = false, bool underline = false)
{
    RtfFormat f;
    f.color = color;
    f.italic = italic;
    f.underline = underline;
    return f;
}

TEST(RtfText, WrittenRunsReadBackTheSame)
{
    const RtfRuns cases[] = {
        {},
        {{"plain", {}}},
        {{"Příliš žluťoučký kůň úpěl ďábelské ódy", {}}},
        {{"a\\b {c} d", {}}},
        {{"line 1\nline 2\n\nline 4\n", {}}},
        {{"col1\tcol2", {}}},
        {{"normal ", {}}, {"tučně", bold()}, {" a ", {}}, {"červeně", colored(0xFF0000, true, true)},
            {" černá", colored(0x000000)}},
        {{"emoji 😀 and ∑ and 日本語", {}}},
        {{" leading space, digits after words: ", bold()}, {"123", colored(0x00FF00)}},
    };
    for (const RtfRuns& runs : cases) {
        const std::string rtf = qx::WriteRtf(runs, "Courier New", 10);
        EXPECT_EQ(qx::ReadRtf(rtf), runs) << rtf;
        // Word processors without Unicode see only ASCII.
        for (char c : rtf)
            EXPECT_LT(uint8_t(c), 0x80) << rtf;
    }
}

TEST(RtfText, WriterProducesStandardRtf)
{
    const std::string rtf = qx::WriteRtf({{"x", bold()}, {"č", colored(0x123456)}}, "Courier New", 10);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u);
    for (const char* part : {"{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}", "{\\colortbl ;\\red18\\green52\\blue86;}",
             "\\fs20 ", "\\b x", "\\b0 \\cf1 \\u269?"})
        EXPECT_NE(rtf.find(part), std::string::npos) << part << " in " << rtf;
    EXPECT_EQ(rtf.substr(rtf.size() - 3), "}\r\n");
}

TEST(RtfText, ForeignRtfGivesItsTextOnly)
{
    struct Case {
        const char* name;
        const char* rtf;
        const char* text;
    } cases[] = {
        {"word processor header and tables",
            "{\\rtf1\\ansi\\ansicpg1250\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset238 Calibri;}}"
            "{\\colortbl ;\\red255\\green0\\blue0;}{\\*\\generator Riched20 10.0;}{\\info{\\author Jan}}"
            "\\viewkind4\\uc1\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang1029 P\\'f8\\'edli\\'9a\\par\r\n}",
            "Příliš\n"},
        {"code page of the font", "{\\rtf1\\ansi{\\fonttbl{\\f0 A;}{\\f1\\fcharset204 B;}}\\f1 \\'c0\\f0 \\'c0}", "АÀ"},
        {"unicode with fallback", "{\\rtf1\\uc2 a\\u268\\'43\\'3fb\\uc1\\u-10179?\\u-8704?c}", "aČb😀c"},
        {"unknown words and destinations", "{\\rtf1 x\\unknownword42 y{\\*\\unknowndest hidden}z{\\pict\\pngblip 89504e47}}",
            "xyz"},
        {"field shows its result", "{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}} end}",
            "see link end"},
        {"symbols and escapes", "{\\rtf1 a\\tab b\\line c\\~d\\emdash e\\\\\\{\\}\\ldblquote f\\rdblquote}",
            "a\tb\nc\u00A0d—e\\{}“f”"},
        {"binary data is skipped", "{\\rtf1 a\\bin3 {}\\}", "a"},
        {"unclosed groups and a cut escape", "{\\rtf1 {{{abc\\'4", "abc"},
        {"plain text", "just text\r\nč", "just text\nč"},
        {"control word longer than the limit is cut", "{\\rtf1 \\aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaX}", "aaaaaaaaX"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qx::RtfPlainText(qx::ReadRtf(c.rtf)), c.text) << c.name;
}

TEST(RtfText, ForeignFormattingIsKept)
{
    const RtfRuns runs = qx::ReadRtf("{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}a{\\b b\\i c}\\ul d\\ulnone\\cf1 "
                                     "e\\plain f\\cf9 g}");
    RtfFormat boldItalic = bold();
    boldItalic.italic = true;
    RtfFormat underline;
    underline.underline = true;
    EXPECT_EQ(runs, (RtfRuns {{"a", {}}, {"b", bold()}, {"c", boldItalic}, {"d", underline}, {"e", colored(0x0000FF)},
                        {"fg", {}}}));
}

TEST(RtfText, DeepNestingAndHugeNumbersAreHarmless)
{
    std::string deep = "{\\rtf1 ";
    for (int i = 0; i < 100000; ++i)
        deep += '{';
    deep += "x";
    for (int i = 0; i < 100000; ++i)
        deep += '}';
    deep += "y}";
    EXPECT_EQ(qx::RtfPlainText(qx::ReadRtf(deep)), "xy");
    EXPECT_EQ(qx::RtfPlainText(qx::ReadRtf("{\\rtf1 \\bin99999999999 abc}")), "");
    EXPECT_EQ(qx::RtfPlainText(qx::ReadRtf("{\\rtf1 \\uc99999999999 \\u99999999999 a}")), "");
}

} // namespace
