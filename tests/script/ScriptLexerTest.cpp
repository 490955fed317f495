// The scanner: token classes and extents, NextToken's skipping, literal values.
#include <gtest/gtest.h>

#include "script/ScriptLexer.h"

namespace {

using qx::TQXScanner;
using qx::TQXTokenKind;
using K = TQXTokenKind;

struct ScanRow {
    const char* text;
    TQXTokenKind kind;
    int32_t length;
};

// ScanToken at position 0 of each text.
const ScanRow kScanRows[] = {
    {"", K::EndOfText, 0},
    {" \t\r\n x", K::Whitespace, 5},
    {"{ comment } x", K::Comment, 11},
    {"{ open", K::UnterminatedComment, 6},
    {"(*)", K::Comment, 3},
    {"(* a *) x", K::Comment, 7},
    {"(* open", K::UnterminatedComment, 7},
    {"(x", K::Symbol, 1},
    {"// line\r\nx", K::Comment, 9},
    {"// line\n\rx", K::Comment, 9},
    {"// line\nx", K::Comment, 8},
    {"// last line", K::UnterminatedComment, 12},
    {"/x", K::Symbol, 1},
    {"_name1 x", K::Identifier, 6},
    {"begin", K::Keyword, 5},
    {"BeGiN", K::Keyword, 5},
    {"beginning", K::Identifier, 9},
    {"123 ", K::IntegerLiteral, 3},
    {"1.5", K::RealLiteral, 3},
    {"1.2.3", K::RealLiteral, 3},
    {"12.", K::RealLiteral, 3},
    {"1e5", K::IntegerLiteral, 1},
    {"$FFg1 ", K::HexLiteral, 5},
    {"$", K::HexLiteral, 1},
    {"#65#", K::CharLiteral, 3},
    {"#$41x", K::CharLiteral, 5},
    {"#", K::CharLiteral, 1},
    {"#12ab+", K::InvalidNumber, 5},
    {"#12_", K::InvalidNumber, 4},
    {"'it' x", K::StringLiteral, 4},
    {"''", K::StringLiteral, 2},
    {"'abc\r\n'", K::UnterminatedString, 4},
    {"'abc", K::UnterminatedString, 4},
    {":=", K::Symbol, 2},
    {": =", K::Symbol, 1},
    {"<>", K::Symbol, 2},
    {"<=", K::Symbol, 2},
    {">=", K::Symbol, 2},
    {"!", K::InvalidChar, 1},
    {"}", K::InvalidChar, 1},
    {"\x7f", K::InvalidChar, 1},
    {"\xc3\xa9", K::InvalidChar, 1},
    {"\x01", K::InvalidChar, 1},
};

TEST(ScriptLexer, ScanTokenClassifiesByFirstBytes) {
    for (const ScanRow& row : kScanRows) {
        TQXScanner s(row.text);
        s.ScanToken();
        EXPECT_EQ(s.Kind, row.kind) << '"' << row.text << '"';
        EXPECT_EQ(s.Length, row.length) << '"' << row.text << '"';
        EXPECT_EQ(s.Position, 0);
    }
}

TEST(ScriptLexer, KeywordsAndSymbolsAreIdentified) {
    TQXScanner s("Downto");
    s.ScanToken();
    EXPECT_EQ(s.Keyword, qx::TQXKeyword::Downto);
    s = TQXScanner("<>");
    s.ScanToken();
    EXPECT_EQ(s.Symbol, qx::TQXSymbol::NotEqual);
    EXPECT_STREQ(qx::KeywordText(qx::TQXKeyword::Xor), "XOR");
    EXPECT_EQ(qx::FindKeyword("WITH"), qx::TQXKeyword::With);
    EXPECT_EQ(qx::FindKeyword("with"), qx::TQXKeyword::None);  // callers upper-case first
    EXPECT_EQ(qx::FindKeyword("INTEGER"), qx::TQXKeyword::None);
}

TEST(ScriptLexer, NextTokenSkipsWhitespaceAndCommentsOnly) {
    const char* text = "x { c } (*)// d\r\n:= 'a' ! #1z";
    TQXScanner s(text);
    s.ScanToken();
    std::vector<std::pair<TQXTokenKind, std::string>> seen;
    for (int i = 0; i < 8; ++i) {
        seen.emplace_back(s.Kind, s.TokenText());
        if (s.Kind == K::EndOfText) break;
        s.NextToken();
    }
    std::vector<std::pair<TQXTokenKind, std::string>> expected = {
        {K::Identifier, "x"}, {K::Symbol, ":="}, {K::StringLiteral, "'a'"}, {K::InvalidChar, "!"},
        {K::InvalidNumber, "#1z"}, {K::EndOfText, ""},
    };
    EXPECT_EQ(seen, expected);
}

TEST(ScriptLexer, SavedPositionRescansTheSameToken) {
    TQXScanner s("a := b + 1");
    s.ScanToken();
    s.NextToken();
    s.NextToken();
    const int32_t saved = s.Position;
    s.NextToken();
    s.Position = saved;
    s.ScanToken();
    EXPECT_EQ(s.TokenText(), "b");
}

TEST(ScriptLexer, TheTextEndsAtItsFirstNul) {
    const char text[] = "a\0b";
    TQXScanner s(text);
    s.ScanToken();
    s.NextToken();
    EXPECT_EQ(s.Kind, K::EndOfText);
    EXPECT_EQ(s.Position, 1);
    auto t = qx::TokenizeScript(std::string_view(text, 3));
    ASSERT_EQ(t.Tokens.size(), 2u);
    EXPECT_EQ(t.Tokens[1].Code, qx::tcEof);
}

TEST(ScriptLexer, UpperCaseTouchesAsciiLettersOnly) {
    EXPECT_EQ(qx::UpperCase("abz_AZ09\xe9\xc3\xa9"), "ABZ_AZ09\xe9\xc3\xa9");
}

TEST(ScriptLexer, NumberTextsConvertByTheirRules) {
    struct Row {
        const char* text;
        bool ok;
        int32_t value;
    } rows[] = {
        {"0", true, 0},           {"  42", true, 42},          {"-5", true, -5},
        {"+7", true, 7},          {"$10", true, 16},           {"$ff", true, 255},
        {"-$10", true, -16},      {"$FFFFFFFF", true, -1},     {"$100000000", false, 0},
        {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0},
        {"12x", false, 0},        {"", false, 0},              {"-", false, 0},
        {"$", false, 0},          {"$FG", false, 0},           {"5 ", false, 0},
        {"\t5", false, 0},
    };
    for (const Row& r : rows) {
        int32_t v = 0;
        EXPECT_EQ(qx::TextToInteger(r.text, v), r.ok) << '"' << r.text << '"';
        if (r.ok) {
            EXPECT_EQ(v, r.value) << '"' << r.text << '"';
        }
    }
    long double x = 0;
    EXPECT_TRUE(qx::TextToReal(" -1.25", x));
    EXPECT_EQ(x, -1.25L);
    EXPECT_TRUE(qx::TextToReal("12.", x));
    EXPECT_EQ(x, 12.0L);
    EXPECT_FALSE(qx::TextToReal("1.2.3", x));
    EXPECT_FALSE(qx::TextToReal("1e5", x));
    EXPECT_FALSE(qx::TextToReal(".", x));
}

TEST(ScriptLexer, LiteralValuesUseFixedValuesOnFailure) {
    EXPECT_EQ(qx::IntegerLiteralValue("2147483648"), -1);
    EXPECT_EQ(qx::HexLiteralValue("$FF"), 255);
    EXPECT_EQ(qx::HexLiteralValue("$FG"), -1);
    EXPECT_EQ(qx::RealLiteralValue("0.5"), 0.5L);
    EXPECT_EQ(qx::RealLiteralValue(std::string(5000, '9') + ".0"), -1.0L);
    EXPECT_EQ(qx::CharLiteralValue("#65"), 'A');
    EXPECT_EQ(qx::CharLiteralValue("#$41"), 'A');
    EXPECT_EQ(qx::CharLiteralValue("#321"), 'A');
    EXPECT_EQ(qx::CharLiteralValue("#"), 255);
    EXPECT_EQ(qx::CharLiteralValue("#$"), 255);
    EXPECT_EQ(qx::CharLiteralValue("#$4G"), 255);
    EXPECT_EQ(qx::CharLiteralValue("#99999999999"), 255);
}

TEST(ScriptLexer, TokenizeKeepsPositionsAndInternsNames) {
    auto t = qx::TokenizeScript("Var x: integer; {c} X := 'a''b';");
    std::vector<qx::TQXTokenCode> codes;
    for (const auto& tok : t.Tokens) codes.push_back(tok.Code);
    std::vector<qx::TQXTokenCode> expected = {qx::tcVar,  qx::tcName,      qx::tcColon,  qx::tcName,
                                              qx::tcSemicolon, qx::tcName, qx::tcAssign, qx::tcString,
                                              qx::tcString, qx::tcSemicolon, qx::tcEof};
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(t.Tokens[1].Value, t.Tokens[5].Value);  // x and X are one name
    EXPECT_EQ(t.Names[static_cast<size_t>(t.Tokens[1].Value)], "X");
    EXPECT_EQ(t.Tokens[5].Pos, 20);
    EXPECT_EQ(t.Strings[static_cast<size_t>(t.Tokens[7].Value)], "a");
    EXPECT_EQ(t.Tokens[8].Pos, 28);
}

}  // namespace
