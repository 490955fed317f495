#include "UnicodeData.h"

#include <gtest/gtest.h>

TEST(UnicodeData, NamesAndBlocks)
{
    EXPECT_EQ(CharacterName(0xE9).toStdString(), "LATIN SMALL LETTER E WITH ACUTE");
    EXPECT_EQ(CharacterName(0x1F600).toStdString(), "GRINNING FACE");
    // Characters without a name get a label instead of nothing.
    EXPECT_EQ(CharacterName(0x0A).toStdString(), "<control-000A>");
    EXPECT_EQ(CodeText(0xE9).toStdString(), "U+00E9");
    EXPECT_EQ(CodeText(0x1F600).toStdString(), "U+1F600");

    const TUnicodeBlock* latin1 = BlockOf(0xE9);
    ASSERT_NE(latin1, nullptr);
    EXPECT_EQ(latin1->Name.toStdString(), "Latin-1 Supplement");
    EXPECT_EQ(latin1->First, 0x80u);
    EXPECT_EQ(latin1->Last, 0xFFu);
    EXPECT_EQ(BlockOf(0x10FFFF + 1), nullptr);
    // Blocks are ordered and do not overlap, so the lookup can bisect.
    const QList<TUnicodeBlock>& blocks = UnicodeBlocks();
    ASSERT_GT(blocks.size(), 300);
    for (qsizetype i = 1; i < blocks.size(); ++i)
        EXPECT_GT(blocks[i].First, blocks[i - 1].Last) << blocks[i].Name.toStdString();

    // Unassigned code points and surrogates are not characters to show.
    const TUnicodeBlock* surrogates = BlockOf(0xD800);
    ASSERT_NE(surrogates, nullptr);
    EXPECT_TRUE(BlockCharacters(*surrogates).isEmpty());
    const QList<char32_t> greek = BlockCharacters(*BlockOf(0x3B1));
    EXPECT_TRUE(greek.contains(0x3B1));
    EXPECT_FALSE(greek.contains(0x378)); // unassigned in Greek and Coptic
    const QList<char32_t> basic = BlockCharacters(*BlockOf(0x41));
    EXPECT_EQ(basic.first(), 0x20u); // controls left out
    EXPECT_EQ(basic.last(), 0x7Eu);

    // A combining mark alone sits on a dotted circle.
    EXPECT_EQ(DisplayText(0x301), QString::fromUtf16(u"\u25CC\u0301"));
}

TEST(UnicodeData, Search)
{
    struct Case {
        const char* query;
        char32_t first; // 0: nothing found
    };
    const Case cases[] = {
        {"U+20AC", 0x20AC}, {"u+20ac", 0x20AC}, {"0x20AC", 0x20AC}, {"20AC", 0x20AC}, {"#8364", 0x20AC},
        {"&#8364;", 0x20AC}, {"€", 0x20AC}, {"euro sign", 0x20AC}, {"  EURO   SIGN ", 0x20AC},
        // The exactly named character before the others whose names hold the words.
        {"leftwards arrow", 0x2190}, {"e with acute", 0xC9}, {"ž", 0x17E},
        // A code that also reads as a word of names: the code first.
        {"ABC", 0xABC},
        // Nothing: an unassigned code, no such name, letters no name has.
        {"U+0378", 0}, {"xyzzyq", 0}, {"žluťoučký", 0}, {"", 0}, {"U+110000", 0},
    };
    for (const Case& c : cases) {
        const QList<char32_t> found = SearchCharacters(QString::fromUtf8(c.query), 50);
        if (!c.first) {
            EXPECT_TRUE(found.isEmpty()) << c.query;
            continue;
        }
        ASSERT_FALSE(found.isEmpty()) << c.query;
        EXPECT_EQ(found.first(), c.first) << c.query;
    }
    // Every word must be in the name; the list is cut at the limit.
    const QList<char32_t> arrows = SearchCharacters(QStringLiteral("arrow left"), 10000);
    EXPECT_TRUE(arrows.contains(0x2190));
    EXPECT_FALSE(arrows.contains(0x2192)); // RIGHTWARDS ARROW
    EXPECT_GT(arrows.size(), 20);
    EXPECT_EQ(SearchCharacters(QStringLiteral("arrow"), 7).size(), 7);
}
