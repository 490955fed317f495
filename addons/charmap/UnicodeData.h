#pragma once
// What the character map knows about Unicode, from the system's ICU library:
// the blocks, the characters' names, and the search by name or code. Qt
// carries no character names; ICU's are the Unicode Character Database's.
#include <QList>
#include <QString>

struct TUnicodeBlock {
    // ICU's block code, kept in the settings.
    int Code = 0;
    // The block's English name as Unicode gives it: "Latin-1 Supplement".
    QString Name;
    char32_t First = 0;
    char32_t Last = 0;
};

// Every block of the Unicode version ICU knows, in code point order.
const QList<TUnicodeBlock>& UnicodeBlocks();
// The block that holds the code point; null outside any block.
const TUnicodeBlock* BlockOf(char32_t code);

// The assigned characters of a block, in code point order (unassigned code
// points, surrogates and control characters left out).
QList<char32_t> BlockCharacters(const TUnicodeBlock& block);

// The character's name ("LATIN SMALL LETTER E WITH ACUTE"); control
// characters and others without a name get ICU's label ("<control-000A>").
QString CharacterName(char32_t code);
// "U+00E9".
QString CodeText(char32_t code);
// The text that shows the character alone: combining marks sit on a dotted
// circle, control characters show their control picture where there is one.
QString DisplayText(char32_t code);

// Characters for what the user typed, best first, at most limit of them:
// a code ("U+20AC", "0x20ac", "20AC", "#8364" decimal), a single character
// ("€"), and every character whose name has a word starting with each word
// of the query
// ("euro", "arrow left"), an exactly named one first. Empty query: none.
QList<char32_t> SearchCharacters(const QString& query, int limit);
