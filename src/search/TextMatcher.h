#pragma once
// What find in files looks for in a file's bytes: a fixed text or a regular
// expression (PCRE2 syntax, as the editors' regex search), with or without
// regard to case, optionally only as a whole word. Subjects are UTF-8; bytes
// that are not valid UTF-8 (a file in another encoding) never match a
// non-ASCII character but do not stop the search.
//
// One matcher serves one thread at a time: it keeps its match data.
#include <cstddef>
#include <memory>
#include <string>

struct TTextMatchOptions {
    std::string Text; // UTF-8
    bool RegularExpression = false;
    bool MatchCase = false;
    // A match may not have a letter, digit or underscore right before or
    // after it.
    bool WholeWord = false;
};

class TTextMatcher {
public:
    TTextMatcher();
    ~TTextMatcher();
    TTextMatcher(const TTextMatcher&) = delete;
    TTextMatcher& operator=(const TTextMatcher&) = delete;

    // Prepares the search. False for an empty text or a regular expression
    // that does not compile, with the reason in Czech in error (a regular
    // expression's with the character position, from 1).
    bool Compile(const TTextMatchOptions& options, std::string& error);

    // The first match in subject[offset, length): its start and end byte
    // offsets in subject. Lookbehinds and word boundaries see the bytes
    // before offset; a line end is '\n' (a '\r' before it is not part of the
    // line for '$'). False when there is none, or when the expression gave up
    // on this subject (see GaveUp).
    bool Find(const char* subject, size_t length, size_t offset, size_t& start, size_t& end);

    // True when the last Find failed because a regular expression hit the
    // library's limits (catastrophic backtracking), not for want of a match.
    bool LastFindGaveUp() const { return lastGaveUp_; }

private:
    struct Pcre;
    std::unique_ptr<Pcre> pcre_;
    std::string literal_; // the plain byte search, when no expression is needed
    bool lastGaveUp_ = false;
};
