#pragma once
// The script scanner: classifies the token that starts at a byte position of
// the script text, and the rules that give literal tokens their values.
//
// The text is a sequence of single bytes that ends at the first NUL. Positions
// are 0-based byte offsets. Names are ASCII: upper-casing maps only a..z.
//
// TokenizeScript scans a whole text once, in the order the interpreter walks
// it, so that the interpreter never scans a token twice.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

enum class TQXTokenKind : uint8_t {
    EndOfText,            // the NUL byte; length 0
    Whitespace,           // a run of space, TAB, CR and LF
    Comment,              // {...}, (*...*) or //... up to and including the line break
    Identifier,           // letter or "_", then letters, digits and "_"
    Keyword,              // an identifier whose upper-case form is a keyword
    IntegerLiteral,       // decimal digits
    RealLiteral,          // decimal digits with one "."
    HexLiteral,           // "$" followed by letters and digits
    CharLiteral,          // "#" digits, or "#$" letters and digits
    StringLiteral,        // between two apostrophes on one line
    Symbol,               // ; , . : ( ) [ ] := = <> > >= < <= + - / *
    InvalidChar,          // a byte that starts no other token; length 1
    UnterminatedString,   // an apostrophe whose line or text ends first
    UnterminatedComment,  // a comment that reaches the end of the text
    InvalidNumber,        // "#" and digits directly followed by a letter or "_"
};

// Keywords in the order of the keyword table.
enum class TQXKeyword : uint8_t {
    None, And, Begin, Case, Const, Div, Do, Downto, Else, End, For, Function, If, In, Mod,
    Not, Of, Or, Procedure, Program, Repeat, Set, Shl, Shr, Then, To, Type, Until, Uses,
    Var, While, With, Xor,
};

enum class TQXSymbol : uint8_t {
    None, Semicolon, Comma, Period, Colon, LParen, RParen, LBracket, RBracket, Assign,
    Equal, NotEqual, Greater, GreaterEqual, Less, LessEqual, Plus, Minus, Slash, Star,
};

// The scanner state. It never copies the text; the text must outlive it.
class TQXScanner {
public:
    explicit TQXScanner(const char* text = nullptr) : Text(text) {}

    TQXTokenKind Kind = TQXTokenKind::EndOfText;
    int32_t Length = 0;
    int32_t Position = 0;
    const char* Text = nullptr;  // NUL-terminated; none scans as the end of text
    TQXKeyword Keyword = TQXKeyword::None;  // set for Kind == Keyword
    TQXSymbol Symbol = TQXSymbol::None;     // set for Kind == Symbol

    // Classifies the token at Position; does not move Position.
    void ScanToken();
    // Steps past the current token and scans, skipping whitespace and comments.
    // Stops at every other token, the end of text and error tokens included.
    void NextToken();
    // The Length bytes at Position.
    std::string TokenText() const;
};

// Upper-cases the ASCII letters a..z; every other byte is unchanged.
std::string UpperCase(std::string_view s);
// The keyword whose upper-case spelling is given, or None.
TQXKeyword FindKeyword(std::string_view upper);
const char* KeywordText(TQXKeyword keyword);
const char* SymbolText(TQXSymbol symbol);

// Number texts: optional leading blanks, an optional sign, then decimal digits
// or "$" and hexadecimal digits (hexadecimal values up to $FFFFFFFF wrap into
// 32 bits). Anything left over, or a value out of range, fails.
bool TextToInteger(std::string_view text, int32_t& value);
// Optional leading blanks, an optional sign, decimal digits with at most one
// decimal point and at least one digit; no exponent.
bool TextToReal(std::string_view text, long double& value);

// Values of literal tokens from their token text (conversion failures give
// the fixed values: -1, -1.0, character 255).
int32_t IntegerLiteralValue(std::string_view tokenText);
long double RealLiteralValue(std::string_view tokenText);
int32_t HexLiteralValue(std::string_view tokenText);
uint8_t CharLiteralValue(std::string_view tokenText);

// One token of a scanned text, as the interpreter uses it: every token except
// whitespace and comments, ending with exactly one end-of-text token (tcEof).
enum TQXTokenCode : uint8_t {
    tcEof, tcName, tcInteger, tcReal, tcHex, tcChar, tcString,
    tcInvalidChar, tcUnterminatedString, tcUnterminatedComment, tcInvalidNumber,
    // symbols
    tcSemicolon, tcComma, tcPeriod, tcColon, tcLParen, tcRParen, tcLBracket, tcRBracket,
    tcAssign, tcEqual, tcNotEqual, tcGreater, tcGreaterEqual, tcLess, tcLessEqual,
    tcPlus, tcMinus, tcSlash, tcStar,
    // keywords
    tcAnd, tcBegin, tcCase, tcConst, tcDiv, tcDo, tcDownto, tcElse, tcEnd, tcFor,
    tcFunction, tcIf, tcIn, tcMod, tcNot, tcOf, tcOr, tcProcedure, tcProgram, tcRepeat,
    tcSet, tcShl, tcShr, tcThen, tcTo, tcType, tcUntil, tcUses, tcVar, tcWhile, tcWith,
    tcXor,
};

struct TQXToken {
    TQXTokenCode Code = tcEof;
    int32_t Pos = 0;
    int32_t Len = 0;
    // tcName: index into TQXTokenizedText::Names (the upper-case name);
    // tcInteger, tcHex, tcChar: the literal's value;
    // tcReal: index into Reals; tcString: index into Strings.
    int32_t Value = 0;
};

struct TQXTokenizedText {
    std::vector<TQXToken> Tokens;     // the last one is tcEof
    std::vector<std::string> Names;   // distinct upper-case names, in order of appearance
    std::vector<long double> Reals;
    std::vector<std::string> Strings; // the bytes between the apostrophes
};

// Scans text (up to its first NUL) from position 0 to its end.
TQXTokenizedText TokenizeScript(std::string_view text);

}  // namespace qx
