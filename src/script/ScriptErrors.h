#pragma once
// Error codes of script runs and their texts (the texts the executing-script
// window shows by code, Czech as the user sees them).
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

enum TQXScriptError : uint16_t {
    seNone = 0,
    seReadProperty = 1,          // never raised
    seWriteProperty = 2,         // never raised
    seUnknownIdentifier = 3,
    seIdentifierExpected = 4,
    seSemicolonExpected = 5,
    seBeginExpected = 6,
    seDuplicateIdentifier = 7,
    seUnexpectedEnd = 8,
    seColonExpected = 9,         // its text says ','
    seSyntaxError = 10,
    seBadString = 11,
    seBadStatement = 12,
    seAssignmentExpected = 13,
    seTypeMismatch = 14,
    seBadExpression = 15,
    seLParenExpected = 16,
    seRParenExpected = 17,
    seVariableExpected = 18,
    seCommaExpected = 19,        // its text says '.'
    seThenExpected = 20,
    sePeriodExpected = 21,
    seBadParameter = 22,
    seToExpected = 23,
    seDoExpected = 24,
    seRangeError = 25,
    seOfExpected = 26,
    seEndExpected = 27,
    seIndexOutOfRange = 28,
    seLBracketExpected = 29,
    seRBracketExpected = 30,

    // Faults that end a run. They lie above the language's codes (0..30) and
    // the texts 31 and 32 of the executing-script window's table.
    seIntegerDivisionByZero = 100,  // DIV or MOD by zero
    seRealDivisionByZero = 101,     // "/" by zero
    seRealOverflow = 102,           // a real result or store beyond its type's range
    seStackOverflow = 103,          // recursion or nesting deeper than the thread's stack allows
    seOutOfMemory = 104,            // a text or array beyond the size limits (TQXValueLimits)
    seHostException = 105,          // a hook or external routine threw an exception

    seInterrupted = 65535,          // the run was stopped from outside
};

// The text of an error code; an empty text for a code without one.
std::string ScriptErrorText(uint16_t code);

// The line and column of a position in a script's text (the lines as the
// interpreter reads them, each ended by CR LF, positions counted from 0).
// Both are counted from 1; the column counts characters when the line is
// UTF-8 and bytes otherwise (a file in a one-byte code page). A position on
// a line break is the end of its line; one before the text is its start and
// one past it the end of the last line.
struct TScriptPlace {
    int Line = 1;
    int Column = 1;
};
TScriptPlace ScriptPlaceOf(const std::vector<std::string>& lines, int32_t position);

// An error as one line in the form of compilers, which editors and the tool
// output panel follow to the place:
// "FILE:LINE:COLUMN: error CODE at POSITION: TEXT".
std::string ScriptErrorReport(const std::string& file, const std::vector<std::string>& lines, uint16_t code,
                              int32_t position);

}  // namespace qx
