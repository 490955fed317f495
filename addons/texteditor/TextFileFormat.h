#pragma once
// How a text file is stored on disk (character encoding, byte-order mark,
// line ends) and the conversions between those bytes and the UTF-8 text the
// editor component works on. A file is written back in the format it was
// read in, so loading and saving an unchanged document gives the same bytes.
#include <QByteArray>
#include <QString>

#include <cstddef>

enum class TTextEncoding {
    Utf8,
    Utf16LE,
    Utf16BE,
    // Legacy Central European 8-bit code page: what a file that is not valid
    // UTF-8 is taken to be. Every byte has a character (the five undefined
    // ones map to the C1 control with the same number), so any byte sequence
    // survives a load and a save unchanged.
    Windows1250,
};

enum class TLineEnd { CrLf, Lf, Cr };

struct TTextFormat {
    TTextEncoding Encoding = TTextEncoding::Utf8;
    // Only meaningful for UTF-8; UTF-16 is always written with its mark.
    bool Bom = false;
    TLineEnd LineEnd = TLineEnd::Lf;

    bool operator==(const TTextFormat&) const = default;
};

// The amount of a file looked at to tell text from binary data.
inline constexpr qsizetype kTextSniffBytes = 64 * 1024;

// Text unless the bytes contain a NUL; a UTF-16 byte-order mark makes them
// text whatever follows. head is the start of the file (kTextSniffBytes).
bool LooksLikeText(const QByteArray& head);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const char* data, size_t size);

// The line end used most often in the text (its first megabyte is enough);
// fallback when the text has no line break at all.
TLineEnd DetectLineEnd(const char* data, size_t size, TLineEnd fallback);

struct TDecodedText {
    TTextFormat Format;
    // The text in UTF-8, the mark removed. Shares the file's bytes when the
    // file is UTF-8 without a mark.
    QByteArray Utf8;
    // Some bytes were not valid in the encoding and became U+FFFD: saving the
    // text would not give the file back.
    bool Lossy = false;
};

// Reads the format from the bytes (mark, then UTF-8 validity, else
// Windows-1250) and converts them. newFileLineEnd is the line end recorded
// for a file without any line break.
TDecodedText DecodeText(const QByteArray& bytes, TLineEnd newFileLineEnd);

// Decodes the bytes as the given encoding (the mark, if present, is skipped
// and recorded). Used to reopen a file in an encoding the user chose.
TDecodedText DecodeAs(const QByteArray& bytes, TTextEncoding encoding, TLineEnd newFileLineEnd);

// Converts UTF-8 text to the bytes of the file, mark included. Fails only for
// Windows-1250 when the text holds characters the code page has no byte for;
// firstUnencodable then receives the first of them.
bool EncodeText(const char* utf8, size_t size, const TTextFormat& format, QByteArray& out,
    QString* firstUnencodable = nullptr);

// Replaces every line end of the UTF-8 text by the given one.
QByteArray ConvertLineEnds(const QByteArray& utf8, TLineEnd lineEnd);

// Display names: "UTF-8", "UTF-8 s BOM", "UTF-16 LE", "UTF-16 BE", "Windows-1250";
// "CR LF", "LF", "CR".
QString EncodingName(const TTextFormat& format);
QString LineEndName(TLineEnd lineEnd);
// The characters of a line end.
const char* LineEndChars(TLineEnd lineEnd);
