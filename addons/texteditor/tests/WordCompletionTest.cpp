// What completion offers, without a window: the words found in a text, the
// keywords each language brings, and which lexer styles are comments or
// literals where no list opens by itself.
#include "FileTypes.h"
#include "ScriptSupport.h"
#include "WordCompletion.h"

#include <gtest/gtest.h>

#include <Qsci/qscilexercpp.h>
#include <Qsci/qscilexerlua.h>
#include <Qsci/qscilexerpascal.h>

#include <memory>

namespace {

QStringList collect(const QByteArray& text, const char* prefix, const std::function<bool(long)>& skip = {})
{
    QStringList words;
    CollectWords(text.constData(), long(text.size()), prefix, skip, words);
    return words;
}

TEST(WordCompletion, CollectsIdentifiersThatGoOnBeyondThePrefix)
{
    const QByteArray text = "insert_row(Insert, ins); ins9 inSide 9insert _ins x.instance";
    // Letter case ignored; the prefix itself and a word starting with a
    // digit are no candidates.
    EXPECT_EQ(collect(text, "ins"), QStringList({"insert_row", "Insert", "ins9", "inSide", "instance"}));
    EXPECT_EQ(collect(text, "_"), QStringList({"_ins"}));
    // The word being typed is left out by its offset.
    EXPECT_EQ(collect(text, "ins", [](long at) { return at == 11; }), QStringList({"insert_row", "ins9", "inSide", "instance"}));
    // The text's last word counts too.
    EXPECT_EQ(collect("a counter", "cou"), QStringList({"counter"}));
}

TEST(WordCompletion, WordsOfOtherAlphabetsAreWholeWords)
{
    // Letters outside ASCII belong to words, in any position and either
    // case; quotation marks and dashes outside ASCII separate words; a
    // broken UTF-8 sequence ends a word without harm.
    const QByteArray text = "Příliš „příjemný“ přítel—přízrak insertČ Čtení čtvrtek \xC4 příd\xC5";
    EXPECT_EQ(collect(text, "pří"), QStringList({"Příliš", "příjemný", "přítel", "přízrak", "příd"}));
    EXPECT_EQ(collect(text, "čt"), QStringList({"Čtení", "čtvrtek"}));
    EXPECT_EQ(collect(text, "ins"), QStringList({"insertČ"}));
    // Only whole words: "liš" inside "Příliš" is not one.
    EXPECT_EQ(collect(text, "liš"), QStringList());
    EXPECT_EQ(collect("x řada", ""), QStringList({"x", "řada"}));
    EXPECT_TRUE(OffersCompletion("pří", {"přítel"}, {}));
}

TEST(WordCompletion, OneEntryPerWordSortedWithoutCase)
{
    EXPECT_EQ(UniqueWords({"beta", "Alpha", "BETA", "alpha", "gamma"}), QStringList({"Alpha", "beta", "gamma"}));
    // Where case tells names apart, both spellings are names.
    EXPECT_EQ(UniqueWords({"beta", "Alpha", "BETA", "alpha", "beta"}, Qt::CaseSensitive),
        QStringList({"Alpha", "alpha", "BETA", "beta"}));
    EXPECT_TRUE(LanguageIsCaseSensitive(QStringLiteral("cpp")));
    EXPECT_FALSE(LanguageIsCaseSensitive(QStringLiteral("sql")));
    EXPECT_FALSE(LanguageIsCaseSensitive(kScriptLanguageId));
}

TEST(WordCompletion, OffersOnlyForAnUnfinishedWordThatIsNoKeyword)
{
    const QStringList keywords {"int", "class"};
    const QStringList candidates {"int_value", "classify", "counter"};
    EXPECT_TRUE(OffersCompletion("cou", candidates, keywords));
    EXPECT_TRUE(OffersCompletion("CLA", candidates, keywords));
    EXPECT_FALSE(OffersCompletion("int", candidates, keywords)); // a complete keyword
    EXPECT_FALSE(OffersCompletion("Class", candidates, keywords));
    EXPECT_FALSE(OffersCompletion("co", candidates, keywords)); // too short
    EXPECT_FALSE(OffersCompletion("counter", candidates, keywords)); // nothing goes on
}

TEST(WordCompletion, KeywordsOfEachLanguageAreItsCodeWords)
{
    struct Case {
        const char* language;
        const char* has;
        const char* hasNot; // a word of another list the lexer keeps
    } cases[] = {
        {"cpp", "namespace", "addtogroup"}, // not the documentation commands
        {"python", "lambda", ""},
        {"html", "blockquote", "elif"},     // not the Python words embedded HTML may hold
        {"sql", "select", "acc~ept"},       // not the SQL*Plus abbreviations
        {"cmake", "add_executable", ""},
        {"lua", "gsub", ""},
    };
    for (const Case& c : cases) {
        const QStringList& words = LanguageKeywords(QString::fromLatin1(c.language));
        EXPECT_TRUE(words.contains(QLatin1String(c.has))) << c.language;
        if (*c.hasNot) {
            EXPECT_FALSE(words.contains(QLatin1String(c.hasNot))) << c.language;
        }
    }
    EXPECT_TRUE(LanguageKeywords(QString()).isEmpty());
    EXPECT_TRUE(LanguageKeywords(QStringLiteral("markdown")).isEmpty());
}

TEST(WordCompletion, CommentAndStringStylesFromTheLexersOwnNames)
{
    // The script lexer: exactly the comment, string and character styles.
    TScriptLexer script(nullptr);
    const QList<int> scriptStyles {QsciLexerPascal::Comment, QsciLexerPascal::CommentParenthesis,
        QsciLexerPascal::CommentLine, QsciLexerPascal::SingleQuotedString, QsciLexerPascal::UnclosedString,
        QsciLexerPascal::Character};
    for (int style = 0; style < 64; ++style)
        EXPECT_EQ(IsCommentOrStringStyle(&script, style), scriptStyles.contains(style)) << style;

    QsciLexerCPP cpp;
    for (int style : {QsciLexerCPP::Comment, QsciLexerCPP::CommentLine, QsciLexerCPP::DoubleQuotedString,
             QsciLexerCPP::RawString, QsciLexerCPP::Regex, QsciLexerCPP::InactiveComment})
        EXPECT_TRUE(IsCommentOrStringStyle(&cpp, style)) << style;
    for (int style : {QsciLexerCPP::Default, QsciLexerCPP::Identifier, QsciLexerCPP::Keyword,
             QsciLexerCPP::PreProcessor, QsciLexerCPP::Operator})
        EXPECT_FALSE(IsCommentOrStringStyle(&cpp, style)) << style;
    // A keyword list named after strings is code.
    QsciLexerLua lua;
    EXPECT_FALSE(IsCommentOrStringStyle(&lua, QsciLexerLua::StringTableMathsFunctions));
    EXPECT_TRUE(IsCommentOrStringStyle(&lua, QsciLexerLua::LiteralString));
    EXPECT_FALSE(IsCommentOrStringStyle(nullptr, 1));
}

} // namespace
