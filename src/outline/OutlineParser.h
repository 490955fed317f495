#pragma once
// The symbols of a document (functions, classes with their members, structs,
// enums, namespaces, macros, Markdown headings...), read by Universal Ctags
// (Debian package universal-ctags) run as a separate program on a temporary
// copy of the text. Qt Core only: it runs on a worker thread and owns no
// widget.
#include <QByteArray>
#include <QString>

#include <atomic>
#include <vector>

// One symbol. The list keeps the order of the document: a parent comes before
// its members.
struct TOutlineSymbol {
    QString Name;
    // The parser's kind, in English as ctags names it: "function", "class",
    // "member", "section"...
    QString Kind;
    // The parameter list of a function or macro, "(int a, int b)"; may be empty.
    QString Signature;
    int Line = 0;    // from 1
    int EndLine = 0; // last line of the body; 0 when not known
    int Parent = -1; // index of the enclosing symbol, -1 at the top level
};

// How one run of the parser ended.
enum class TOutlineStatus {
    Ok,             // Symbols holds what was found (possibly nothing)
    NoLanguage,     // the parser knows no language for the document
    ProgramMissing, // no Universal Ctags on the system
    Failed,         // the parser did not run or ended with an error (Error)
    TimedOut,       // the parser ran longer than kOutlineTimeLimitMs and was stopped
    Cancelled,      // the caller's cancel flag was set
};

// What one run of the parser gave.
struct TOutlineResult {
    TOutlineStatus Status = TOutlineStatus::Ok;
    std::vector<TOutlineSymbol> Symbols;
    // More symbols than kMaxOutlineSymbols: the list ends there.
    bool Truncated = false;
    QString Error;
};

struct TOutlineRequest {
    QString Text;
    // The document's language as the document names it ("cpp", "python"...).
    QString Language;
    // The document's file; its suffix guides the parser when Language is
    // unknown. May be empty.
    QString FileName;
    // The parser program; empty: Universal Ctags found on PATH.
    QString Program;
};

// A list longer than this is cut: a tree of more entries helps nobody and
// costs the GUI thread time to fill.
inline constexpr int kMaxOutlineSymbols = 10000;
// A parser still running after this long is stopped.
inline constexpr int kOutlineTimeLimitMs = 30000;

// The ctags language name (its --language-force value) for a document's
// language name, case ignored; "cpp" becomes "C" for a file ending in ".c".
// A name ctags itself uses ("Go", "Rust") passes through. Empty when unknown.
QString CtagsLanguage(const QString& language, const QString& fileName);

// Builds the symbol list from ctags' JSON lines (--output-format=json, one
// object per line). A symbol's parent is the symbol named by its scope;
// lines that are not tags or cannot be read are skipped.
std::vector<TOutlineSymbol> ParseCtagsJson(const QByteArray& output, bool* truncated = nullptr);

// The Universal Ctags program to run: program when it is one, else the
// first of ctags-universal, universal-ctags and ctags on PATH that is one;
// empty when there is none. The answer for a path is remembered.
QString FindCtagsProgram(const QString& program = QString());

// Runs the parser on the request and waits for it, checking cancel every
// few milliseconds (the parser is killed when it is set). Any thread.
TOutlineResult RunOutlineParser(const TOutlineRequest& request, const std::atomic_bool& cancel);
