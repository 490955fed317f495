#include "script/ScriptLexer.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

namespace qx {

namespace {

// The keyword table, in the order of TQXKeyword (index 0 is None).
const char* const kKeywords[] = {
    "", "AND", "BEGIN", "CASE", "CONST", "DIV", "DO", "DOWNTO", "ELSE", "END", "FOR",
    "FUNCTION", "IF", "IN", "MOD", "NOT", "OF", "OR", "PROCEDURE", "PROGRAM", "REPEAT",
    "SET", "SHL", "SHR", "THEN", "TO", "TYPE", "UNTIL", "USES", "VAR", "WHILE", "WITH", "XOR",
};
constexpr int kKeywordCount = sizeof(kKeywords) / sizeof(kKeywords[0]);

const char* const kSymbols[] = {
    "", ";", ",", ".", ":", "(", ")", "[", "]", ":=", "=", "<>", ">", ">=", "<", "<=",
    "+", "-", "/", "*",
};

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(unsigned char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct ScanResult {
    TQXTokenKind kind;
    int32_t length;
    TQXKeyword keyword = TQXKeyword::None;
    TQXSymbol symbol = TQXSymbol::None;
};

ScanResult Symbol(TQXSymbol s, int32_t len) { return {TQXTokenKind::Symbol, len, TQXKeyword::None, s}; }

// Classifies the token at t[pos]. t is NUL-terminated.
ScanResult Scan(const char* t, int32_t pos) {
    const char* p = t + pos;
    const unsigned char c = static_cast<unsigned char>(*p);
    int32_t n = 0;
    switch (c) {
    case 0:
        return {TQXTokenKind::EndOfText, 0};
    case ' ': case '\t': case '\r': case '\n':
        while (IsBlank(static_cast<unsigned char>(p[n]))) ++n;
        return {TQXTokenKind::Whitespace, n};
    case '{':  // brace comment, no nesting
        n = 1;
        while (p[n] && p[n] != '}') ++n;
        if (!p[n]) return {TQXTokenKind::UnterminatedComment, n};
        return {TQXTokenKind::Comment, n + 1};
    case '(':
        if (p[1] != '*') return Symbol(TQXSymbol::LParen, 1);
        // The search for "*)" starts at the "*" of "(*", so "(*)" is complete.
        n = 1;
        while (p[n] && !(p[n] == '*' && p[n + 1] == ')')) ++n;
        if (!p[n]) return {TQXTokenKind::UnterminatedComment, n};
        return {TQXTokenKind::Comment, n + 2};
    case '/':
        if (p[1] != '/') return Symbol(TQXSymbol::Slash, 1);
        // Up to the line break, which belongs to the comment together with a
        // LF right after its CR or a CR right after its LF.
        n = 2;
        while (p[n] && p[n] != '\r' && p[n] != '\n') ++n;
        if (!p[n]) return {TQXTokenKind::UnterminatedComment, n};
        if ((p[n] == '\r' && p[n + 1] == '\n') || (p[n] == '\n' && p[n + 1] == '\r')) return {TQXTokenKind::Comment, n + 2};
        return {TQXTokenKind::Comment, n + 1};
    case '$':  // hexadecimal literal; the conversion judges the letters
        n = 1;
        while (IsLetter(p[n]) || IsDigit(p[n])) ++n;
        return {TQXTokenKind::HexLiteral, n};
    case '#':
        if (p[1] == '$') {
            n = 2;
            while (IsLetter(p[n]) || IsDigit(p[n])) ++n;
            return {TQXTokenKind::CharLiteral, n};
        }
        n = 1;
        while (IsDigit(p[n])) ++n;
        if (IsLetter(p[n]) || p[n] == '_') {
            // The whole name-like tail belongs to the bad number.
            while (IsNameChar(p[n])) ++n;
            return {TQXTokenKind::InvalidNumber, n};
        }
        return {TQXTokenKind::CharLiteral, n};
    case '\'':
        n = 1;
        while (p[n] && p[n] != '\'' && p[n] != '\r' && p[n] != '\n') ++n;
        if (p[n] != '\'') return {TQXTokenKind::UnterminatedString, n};
        return {TQXTokenKind::StringLiteral, n + 1};
    case ':':
        return p[1] == '=' ? Symbol(TQXSymbol::Assign, 2) : Symbol(TQXSymbol::Colon, 1);
    case '<':
        if (p[1] == '=') return Symbol(TQXSymbol::LessEqual, 2);
        if (p[1] == '>') return Symbol(TQXSymbol::NotEqual, 2);
        return Symbol(TQXSymbol::Less, 1);
    case '>':
        return p[1] == '=' ? Symbol(TQXSymbol::GreaterEqual, 2) : Symbol(TQXSymbol::Greater, 1);
    case '=': return Symbol(TQXSymbol::Equal, 1);
    case ';': return Symbol(TQXSymbol::Semicolon, 1);
    case ',': return Symbol(TQXSymbol::Comma, 1);
    case '.': return Symbol(TQXSymbol::Period, 1);
    case ')': return Symbol(TQXSymbol::RParen, 1);
    case '[': return Symbol(TQXSymbol::LBracket, 1);
    case ']': return Symbol(TQXSymbol::RBracket, 1);
    case '+': return Symbol(TQXSymbol::Plus, 1);
    case '-': return Symbol(TQXSymbol::Minus, 1);
    case '*': return Symbol(TQXSymbol::Star, 1);
    default:
        break;
    }
    if (IsLetter(c) || c == '_') {
        n = 1;
        while (IsNameChar(p[n])) ++n;
        TQXKeyword kw = FindKeyword(UpperCase(std::string_view(p, n)));
        if (kw != TQXKeyword::None) return {TQXTokenKind::Keyword, n, kw};
        return {TQXTokenKind::Identifier, n};
    }
    if (IsDigit(c)) {
        // Directly after a digit the first "." belongs to the number; a second ends it.
        bool real = false;
        n = 1;
        for (;;) {
            if (IsDigit(p[n])) ++n;
            else if (p[n] == '.' && !real) { real = true; ++n; }
            else break;
        }
        return {real ? TQXTokenKind::RealLiteral : TQXTokenKind::IntegerLiteral, n};
    }
    return {TQXTokenKind::InvalidChar, 1};
}

const char kEmptyText[] = "";

}  // namespace

void TQXScanner::ScanToken() {
    ScanResult r = Scan(Text ? Text : kEmptyText, Text ? Position : 0);
    Kind = r.kind;
    Length = r.length;
    Keyword = r.keyword;
    Symbol = r.symbol;
}

void TQXScanner::NextToken() {
    do {
        Position += Length;
        ScanToken();
    } while (Kind == TQXTokenKind::Whitespace || Kind == TQXTokenKind::Comment);
}

std::string TQXScanner::TokenText() const {
    if (!Text) return {};
    return std::string(Text + Position, static_cast<size_t>(Length));
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& ch : r)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return r;
}

TQXKeyword FindKeyword(std::string_view upper) {
    static const std::unordered_map<std::string_view, TQXKeyword> table = [] {
        std::unordered_map<std::string_view, TQXKeyword> m;
        for (int i = 1; i < kKeywordCount; ++i) m.emplace(kKeywords[i], static_cast<TQXKeyword>(i));
        return m;
    }();
    if (upper.size() < 2 || upper.size() > 9) return TQXKeyword::None;
    auto it = table.find(upper);
    return it == table.end() ? TQXKeyword::None : it->second;
}

const char* KeywordText(TQXKeyword keyword) { return kKeywords[static_cast<int>(keyword)]; }
const char* SymbolText(TQXSymbol symbol) { return kSymbols[static_cast<int>(symbol)]; }

bool TextToInteger(std::string_view s, int32_t& value) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i < s.size() && s[i] == '$') {
        ++i;
        if (i == s.size()) return false;
        uint64_t v = 0;
        for (; i < s.size(); ++i) {
            char ch = s[i];
            int d;
            if (ch >= '0' && ch <= '9') d = ch - '0';
            else if (ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
            else if (ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
            else return false;
            v = v * 16 + static_cast<uint64_t>(d);
            if (v > 0xFFFFFFFFull) return false;
        }
        uint32_t u = static_cast<uint32_t>(v);
        if (negative) u = 0u - u;
        value = static_cast<int32_t>(u);
        return true;
    }
    if (i == s.size()) return false;
    uint64_t v = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i])) return false;
        v = v * 10 + static_cast<uint64_t>(s[i] - '0');
        if (v > 2147483648ull) return false;
    }
    if (!negative && v > 2147483647ull) return false;
    value = negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : static_cast<int32_t>(v);
    return true;
}

bool TextToReal(std::string_view s, long double& value) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool point = false, digit = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) digit = true;
        else if (s[i] == '.' && !point) point = true;
        else return false;
    }
    if (!digit) return false;
    // The checked text is a plain decimal number, which strtold reads exactly.
    std::string text(s.substr(start));
    long double v = std::strtold(text.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

int32_t IntegerLiteralValue(std::string_view tokenText) {
    int32_t v;
    return TextToInteger(tokenText, v) ? v : -1;
}

long double RealLiteralValue(std::string_view tokenText) {
    long double v;
    return TextToReal(tokenText, v) ? v : -1.0L;
}

int32_t HexLiteralValue(std::string_view tokenText) { return IntegerLiteralValue(tokenText); }

uint8_t CharLiteralValue(std::string_view tokenText) {
    std::string_view number = tokenText.substr(1);  // after "#"; "#$41" leaves "$41"
    if (number.empty()) return 255;
    // Only digits ("#" form) or "$" and hexadecimal digits ("#$" form) reach here.
    int32_t v;
    if (!TextToInteger(number, v)) return 255;
    return static_cast<uint8_t>(v & 0xFF);
}

TQXTokenizedText TokenizeScript(std::string_view source) {
    TQXTokenizedText out;
    // The text ends at its first NUL; the scanner needs the terminator.
    size_t nul = source.find('\0');
    std::string text(nul == std::string_view::npos ? source : source.substr(0, nul));
    std::unordered_map<std::string, int32_t> names;
    out.Tokens.reserve(text.size() / 3 + 1);

    int32_t pos = 0;
    for (;;) {
        ScanResult r = Scan(text.c_str(), pos);
        if (r.kind == TQXTokenKind::Whitespace || r.kind == TQXTokenKind::Comment) {
            pos += r.length;
            continue;
        }
        TQXToken tok;
        tok.Pos = pos;
        tok.Len = r.length;
        std::string_view tt(text.data() + pos, static_cast<size_t>(r.length));
        switch (r.kind) {
        case TQXTokenKind::EndOfText: tok.Code = tcEof; break;
        case TQXTokenKind::Identifier: {
            tok.Code = tcName;
            auto [it, added] = names.emplace(UpperCase(tt), static_cast<int32_t>(out.Names.size()));
            if (added) out.Names.push_back(it->first);
            tok.Value = it->second;
            break;
        }
        case TQXTokenKind::Keyword:
            tok.Code = static_cast<TQXTokenCode>(tcAnd + static_cast<int>(r.keyword) - static_cast<int>(TQXKeyword::And));
            break;
        case TQXTokenKind::Symbol:
            tok.Code = static_cast<TQXTokenCode>(tcSemicolon + static_cast<int>(r.symbol) - static_cast<int>(TQXSymbol::Semicolon));
            break;
        case TQXTokenKind::IntegerLiteral: tok.Code = tcInteger; tok.Value = IntegerLiteralValue(tt); break;
        case TQXTokenKind::HexLiteral: tok.Code = tcHex; tok.Value = HexLiteralValue(tt); break;
        case TQXTokenKind::CharLiteral: tok.Code = tcChar; tok.Value = CharLiteralValue(tt); break;
        case TQXTokenKind::RealLiteral:
            tok.Code = tcReal;
            tok.Value = static_cast<int32_t>(out.Reals.size());
            out.Reals.push_back(RealLiteralValue(tt));
            break;
        case TQXTokenKind::StringLiteral:
            tok.Code = tcString;
            tok.Value = static_cast<int32_t>(out.Strings.size());
            out.Strings.emplace_back(tt.substr(1, tt.size() - 2));
            break;
        case TQXTokenKind::InvalidChar: tok.Code = tcInvalidChar; break;
        case TQXTokenKind::UnterminatedString: tok.Code = tcUnterminatedString; break;
        case TQXTokenKind::UnterminatedComment: tok.Code = tcUnterminatedComment; break;
        case TQXTokenKind::InvalidNumber: tok.Code = tcInvalidNumber; break;
        default: break;
        }
        out.Tokens.push_back(tok);
        if (tok.Code == tcEof) break;
        pos += r.length;
    }
    return out;
}

}  // namespace qx
