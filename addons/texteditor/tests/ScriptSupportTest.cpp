// The script editor's knowledge of the script language: routine signatures
// for completion and call tips, and mapping the engine's error positions.
#include "ScriptSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ScriptSupport, SignaturesBecomeCallTips)
{
    const QList<TScriptRoutine> routines = ParseScriptSignatures({
        QStringLiteral("14 AskUser Question 8"),
        QStringLiteral("0 GetProgressBarStatus !Position 6 !Maximum 6"),
        QStringLiteral("0   CancelStatusBarMessage"),
        QStringLiteral("12 PI"),
        QStringLiteral("6 Odd X 99"),
        QStringLiteral("garbage"),
        QString(),
    });
    ASSERT_EQ(routines.size(), 5);
    EXPECT_EQ(routines[0].CallTip, QStringLiteral("AskUser(Question: STRING): BOOLEAN"));
    EXPECT_TRUE(routines[0].HasParameters);
    EXPECT_EQ(routines[1].CallTip, QStringLiteral("GetProgressBarStatus(var Position: LONGINT, var Maximum: LONGINT)"));
    EXPECT_EQ(routines[2].CallTip, QStringLiteral("CancelStatusBarMessage"));
    EXPECT_FALSE(routines[2].HasParameters);
    EXPECT_EQ(routines[3].CallTip, QStringLiteral("PI: EXTENDED"));
    EXPECT_EQ(routines[4].CallTip, QStringLiteral("Odd(X: ?): LONGINT"));
}

TEST(ScriptSupport, BuiltinsAreWellFormed)
{
    const QList<TScriptRoutine> builtins = ParseScriptSignatures(BuiltinScriptSignatures());
    EXPECT_EQ(builtins.size(), BuiltinScriptSignatures().size());
    for (const TScriptRoutine& routine : builtins)
        EXPECT_FALSE(routine.CallTip.contains(u'?')) << routine.CallTip.toStdString();
}

TEST(ScriptSupport, CompletionAndCallTipsIgnoreCase)
{
    TScriptLexer lexer(nullptr);
    TScriptApis apis(&lexer, ParseScriptSignatures({QStringLiteral("14 AskUser Question 8"),
                                 QStringLiteral("0 ShowMessage Message 8"), QStringLiteral("8 STRGET S 8 I 6")}));
    QStringList list;
    apis.updateAutoCompletionList({QStringLiteral("ask")}, list);
    EXPECT_EQ(list, QStringList {QStringLiteral("AskUser")});
    list.clear();
    apis.updateAutoCompletionList({QStringLiteral("be")}, list);
    EXPECT_EQ(list, QStringList {QStringLiteral("begin")});
    QList<int> shifts;
    EXPECT_EQ(apis.callTips({QStringLiteral("strget"), QString()}, 0, QsciScintilla::CallTipsContext, shifts),
        QStringList {QStringLiteral("STRGET(S: STRING, I: LONGINT): STRING")});
    EXPECT_TRUE(apis.callTips({QStringLiteral("nothing"), QString()}, 0, QsciScintilla::CallTipsContext, shifts).isEmpty());
}

TEST(ScriptSupport, CompletionOffersItselfOnlyForAnUnfinishedIdentifier)
{
    const QStringList candidates {QStringLiteral("begin"), QStringLiteral("ShowMessage"), QStringLiteral("then"),
        QStringLiteral("Count"), QStringLiteral("CountMax"), QStringLiteral("_tmp1")};
    struct Case {
        const char* word;
        bool offered;
    } cases[] = {
        {"beg", true},          // goes on to a keyword
        {"sho", true},          // letter case ignored
        {"Cou", true},
        {"Count", true},        // CountMax goes on
        {"_tm", true},
        {"Sh", false},          // too short
        {"begin", false},       // a complete keyword
        {"THEN", false},
        {"end", false},         // keyword, even without a longer candidate
        {"ShowMessage", false}, // nothing goes on beyond it
        {"CountMax", false},
        {"xyz", false},         // matches nothing
        {"123", false},         // a number
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OffersCompletion(QString::fromLatin1(c.word), candidates), c.offered) << c.word;
}

TEST(ScriptSupport, LexerKnowsTheScriptKeywords)
{
    TScriptLexer lexer(nullptr);
    const QStringList words = QString::fromLatin1(lexer.keywords(1)).split(u' ');
    for (const char* word : {"begin", "end", "procedure", "function", "var", "repeat", "until", "xor", "shl", "uses"})
        EXPECT_TRUE(words.contains(QLatin1String(word))) << word;
    EXPECT_EQ(lexer.keywords(2), nullptr);
}

// The engine counts bytes of the file's lines, each followed by CR LF.
TEST(ScriptSupport, ErrorPositionsMapToTheEditor)
{
    const TTextFormat utf8Lf {TTextEncoding::Utf8, false, TLineEnd::Lf};
    const TTextFormat utf8CrLf {TTextEncoding::Utf8, false, TLineEnd::CrLf};
    const TTextFormat legacy {TTextEncoding::Windows1250, false, TLineEnd::Lf};
    // "ab\nčd\n": in the engine "ab\r\nčd\r\n" (UTF-8 file) or with "č" one
    // byte (legacy file); in the editor "č" is two bytes.
    const QByteArray lf("ab\n\xC4\x8D" "d\n");
    const QByteArray crlf("ab\r\n\xC4\x8D" "d\r\n");
    struct Case {
        const QByteArray* text;
        const TTextFormat* format;
        qint64 position;
        qsizetype expected;
    } cases[] = {
        {&lf, &utf8Lf, 0, 0},
        {&lf, &utf8Lf, 1, 1},
        {&lf, &utf8Lf, 2, 2},  // the CR of the engine's line break: end of line
        {&lf, &utf8Lf, 3, 2},  // its LF: still the end of the line
        {&lf, &utf8Lf, 4, 3},  // "č"
        {&lf, &utf8Lf, 5, 3},  // inside "č": its start
        {&lf, &utf8Lf, 6, 5},  // "d"
        {&lf, &utf8Lf, 99, 7}, // past the end
        {&lf, &utf8Lf, -1, -1},
        {&crlf, &utf8CrLf, 4, 4},
        {&crlf, &utf8CrLf, 6, 6},
        {&lf, &legacy, 4, 3},
        {&lf, &legacy, 5, 5}, // "d": "č" is one byte in the file
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScriptPositionToEditor(*c.text, *c.format, c.position), c.expected)
            << c.text->toStdString() << " @" << c.position;
}

} // namespace
