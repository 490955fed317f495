#include "search/TextMatcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstring>

namespace {

// Czech texts for the compile errors people make while typing; the rest get
// the general text with the library's error number.
struct ErrorText {
    int code;
    const char* text;
};
const ErrorText kErrorTexts[] = {
    {PCRE2_ERROR_END_BACKSLASH, "výraz končí zpětným lomítkem"},
    {PCRE2_ERROR_UNKNOWN_ESCAPE, "neznámá sekvence se zpětným lomítkem"},
    {PCRE2_ERROR_QUANTIFIER_OUT_OF_ORDER, "čísla v {} jsou v obráceném pořadí"},
    {PCRE2_ERROR_QUANTIFIER_TOO_BIG, "příliš velké číslo v {}"},
    {PCRE2_ERROR_MISSING_SQUARE_BRACKET, "chybí uzavírací závorka ]"},
    {PCRE2_ERROR_ESCAPE_INVALID_IN_CLASS, "sekvence se zpětným lomítkem nemůže být ve třídě znaků"},
    {PCRE2_ERROR_CLASS_RANGE_ORDER, "rozsah ve třídě znaků je obrácený"},
    {PCRE2_ERROR_CLASS_INVALID_RANGE, "neplatný rozsah ve třídě znaků"},
    {PCRE2_ERROR_QUANTIFIER_INVALID, "opakování nenásleduje nic, co lze opakovat"},
    {PCRE2_ERROR_INVALID_AFTER_PARENS_QUERY, "neznámá konstrukce po (?"},
    {PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS, "chybí uzavírací závorka )"},
    {PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS, "přebývá uzavírací závorka )"},
    {PCRE2_ERROR_BAD_SUBPATTERN_REFERENCE, "odkaz na neexistující skupinu"},
    {PCRE2_ERROR_ZERO_RELATIVE_REFERENCE, "odkaz na neexistující skupinu"},
    {PCRE2_ERROR_BAD_RELATIVE_REFERENCE, "odkaz na neexistující skupinu"},
    {PCRE2_ERROR_MISSING_COMMENT_CLOSING, "chybí konec komentáře (?#...)"},
    {PCRE2_ERROR_LOOKBEHIND_NOT_FIXED_LENGTH, "výraz v (?<=...) nebo (?<!...) nemá pevnou délku"},
    {PCRE2_ERROR_UNKNOWN_POSIX_CLASS, "neznámá třída znaků [:...:]"},
    {PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP, "příliš mnoho vnořených závorek"},
    {PCRE2_ERROR_PATTERN_TOO_LARGE, "výraz je příliš dlouhý"},
};

std::string compileErrorText(int code)
{
    for (const ErrorText& e : kErrorTexts)
        if (e.code == code)
            return e.text;
    return "chyba č. " + std::to_string(code);
}

// Characters from the start of text to offset: UTF-8 lead bytes, each
// invalid byte counting as one.
size_t characterCount(const std::string& text, size_t offset)
{
    size_t count = 0;
    for (size_t i = 0; i < offset && i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++count;
    return count;
}

// The text as a pattern that matches it literally: every ASCII character
// that is not a letter or digit is escaped, which PCRE2 always reads as the
// character itself.
std::string escapedLiteral(const std::string& text)
{
    std::string pattern;
    pattern.reserve(text.size() * 2);
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80 && !((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')))
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

} // namespace

struct TTextMatcher::Pcre {
    pcre2_code* code = nullptr;
    pcre2_match_data* data = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;

    ~Pcre()
    {
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
        pcre2_match_data_free(data);
        pcre2_code_free(code);
    }
};

TTextMatcher::TTextMatcher() = default;
TTextMatcher::~TTextMatcher() = default;

bool TTextMatcher::Compile(const TTextMatchOptions& options, std::string& error)
{
    pcre_.reset();
    literal_.clear();
    if (options.Text.empty()) {
        error = "Zadejte hledaný text.";
        return false;
    }
    // A plain byte search is the fastest and needs no expression.
    if (!options.RegularExpression && options.MatchCase && !options.WholeWord) {
        literal_ = options.Text;
        return true;
    }

    std::string pattern = options.RegularExpression ? options.Text : escapedLiteral(options.Text);
    uint32_t extra = 0;
    if (options.WholeWord) {
        // A literal must not touch a word character on either side; an
        // expression gets a word boundary at both ends, which the library
        // adds without reading the expression's own text.
        if (options.RegularExpression)
            extra |= PCRE2_EXTRA_MATCH_WORD;
        else
            pattern = "(?<!\\w)(?:" + pattern + ")(?!\\w)";
    }
    // '^' and '$' at every line; "\r\n" ends a line for '$' as '\n' does;
    // \w and the case rules know every letter, not only the ASCII ones.
    uint32_t flags = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_UCP | PCRE2_MULTILINE;
    if (!options.MatchCase)
        flags |= PCRE2_CASELESS;

    auto pcre = std::make_unique<Pcre>();
    pcre2_compile_context* compileContext = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(compileContext, PCRE2_NEWLINE_ANYCRLF);
    pcre2_set_compile_extra_options(compileContext, extra);
    int code = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), flags, &code,
        &errorOffset, compileContext);
    pcre2_compile_context_free(compileContext);
    if (!pcre->code) {
        error = "Chybný regulární výraz";
        if (options.RegularExpression)
            error += " na pozici " + std::to_string(characterCount(pattern, errorOffset) + 1);
        error += ": " + compileErrorText(code) + ".";
        return false;
    }
    // Without the just-in-time compiler (not built for every processor) the
    // interpreter runs the same expression, only slower.
    pcre2_jit_compile(pcre->code, PCRE2_JIT_COMPLETE);
    pcre->data = pcre2_match_data_create_from_pattern(pcre->code, nullptr);
    pcre->context = pcre2_match_context_create(nullptr);
    // Deeply nested expressions need more than the default 32 KiB of JIT stack.
    pcre->stack = pcre2_jit_stack_create(32 * 1024, 4 * 1024 * 1024, nullptr);
    if (pcre->stack)
        pcre2_jit_stack_assign(pcre->context, nullptr, pcre->stack);
    pcre_ = std::move(pcre);
    return true;
}

bool TTextMatcher::Find(const char* subject, size_t length, size_t offset, size_t& start, size_t& end)
{
    lastGaveUp_ = false;
    if (offset > length)
        return false;
    if (!pcre_) {
        if (literal_.empty() || length - offset < literal_.size())
            return false;
        const void* hit = memmem(subject + offset, length - offset, literal_.data(), literal_.size());
        if (!hit)
            return false;
        start = size_t(static_cast<const char*>(hit) - subject);
        end = start + literal_.size();
        return true;
    }
    const int rc = pcre2_match(pcre_->code, reinterpret_cast<PCRE2_SPTR>(subject), length, offset, 0, pcre_->data,
        pcre_->context);
    if (rc < 0) {
        // No match, or the expression gave up (match, depth or heap limit,
        // JIT stack): the caller may try smaller subjects.
        lastGaveUp_ = rc != PCRE2_ERROR_NOMATCH;
        return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(pcre_->data);
    start = ovector[0];
    end = ovector[1];
    // \K in a lookbehind can end a match before its start.
    if (end < start)
        end = start;
    return true;
}
