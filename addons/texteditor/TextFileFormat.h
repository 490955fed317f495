#pragma once
// How a text file is stored on disk (character encoding, byte-order mark,
// line ends) and the conversions between those bytes and the UTF-8 text the
// editor component works on. A file is written back in the format it was
// read in, so loading and saving an unchanged document gives the same bytes.
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <functional>
#include <optional>

class QIODevice;

enum class TTextEncoding {
    Utf8,
    Utf16LE,
    Utf16BE,
    // Single-byte code pages, converted by the system's converters (ICU
    // behind Qt's string converters).
    Iso8859_1,
    Iso8859_2,
    Iso8859_15,
    Windows1250,
    Windows1251,
    Windows1252,
    Ibm852,
    Koi8R,
};

// Every encoding the editor offers, in menu order.
const QList<TTextEncoding>& TextEncodings();
// One byte per character: positions in the file are character counts.
bool IsSingleByte(TTextEncoding encoding);
// Whether the converter for the encoding is present (single-byte code pages
// other than ISO-8859-1 need ICU).
bool IsEncodingAvailable(TTextEncoding encoding);
// What the code page is for, in Czech ("středoevropské"); empty for UTF.
QString EncodingDescription(TTextEncoding encoding);

enum class TLineEnd { CrLf, Lf, Cr };

struct TTextFormat {
    TTextEncoding Encoding = TTextEncoding::Utf8;
    // The byte-order mark at the start of the file (UTF-8 and UTF-16; the
    // code pages have none). A file is written back with a mark only when it
    // had one, so that the bytes stay as they were.
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
    // Saving the text unchanged in Format would not give the same bytes:
    // some were not valid in the encoding (they became U+FFFD), or a
    // character would not be written back as the bytes it came from.
    bool Lossy = false;
};

// Reads the format from the bytes: a UTF-16 mark, else valid UTF-8 (with or
// without its mark), else a single-byte code page (see LegacyEncodingOf).
// newFileLineEnd is the line end recorded for a file without any line break.
TDecodedText DecodeText(const QByteArray& bytes, TLineEnd newFileLineEnd);

// The code page taken for bytes that are not UTF-8. Czech text is usually
// Windows-1250 or ISO-8859-2; the two agree on most letters but place
// "š ž ť ś ź Š Ž Ť Ś Ź" differently: Windows-1250 between 0x80 and 0x9F,
// where ISO-8859-2 has only control codes that no text holds, ISO-8859-2
// between 0xA0 and 0xBF, where Windows-1250 has mostly symbols. So a byte of
// 0x80 to 0x9F means Windows-1250; else bytes that read differently in the
// two mean ISO-8859-2; text that reads the same in both is Windows-1250, the
// code page that holds more characters a user may type later („“ – €).
TTextEncoding LegacyEncodingOf(const QByteArray& bytes);

// Whether the bytes start with a UTF-16 byte-order mark.
bool HasUtf16Mark(const QByteArray& head);

enum class TPieceRead { Done, NotUtf8, ReadError, TooLarge };

// Reads a UTF-8 file piece by piece and hands its text (the mark removed) to
// take, so that the file's bytes are never held whole beside the copy take
// makes. first is what was read from the start of the file (at least 3 bytes
// unless the file is shorter); the rest comes from device in pieces of
// pieceSize bytes, a character cut by the end of a piece going with the next
// one. The result is the same as DecodeText's for a valid UTF-8 file: format
// gets the mark and the line end. Stops at the first piece that is not valid
// UTF-8 (NotUtf8: what take got is to be dropped and the file decoded whole),
// at a read error, or when the file grows past limit bytes.
TPieceRead ReadUtf8Pieces(QIODevice& device, const QByteArray& first, qint64 limit, qint64 pieceSize,
    const std::function<void(const char*, size_t)>& take, TTextFormat& format, TLineEnd newFileLineEnd);

// Decodes the bytes as the given encoding (the mark, if present, is skipped
// and recorded). Used to reopen a file in an encoding the user chose.
TDecodedText DecodeAs(const QByteArray& bytes, TTextEncoding encoding, TLineEnd newFileLineEnd);

// Converts UTF-8 text to the bytes of the file, mark included. Fails only for
// a single-byte code page when the text holds a character the code page has
// no byte for; nothing is written then (a file never mixes encodings), and
// firstUnencodable and unencodableAt (its offset in the UTF-8 text) tell the
// first such character.
bool EncodeText(const char* utf8, size_t size, const TTextFormat& format, QByteArray& out,
    QString* firstUnencodable = nullptr, qsizetype* unencodableAt = nullptr);

// Replaces every line end of the UTF-8 text by the given one.
QByteArray ConvertLineEnds(const QByteArray& utf8, TLineEnd lineEnd);

// Display names: "UTF-8", "UTF-8 s BOM", "UTF-16 LE", "UTF-16 BE" (with
// "bez BOM" for a file without its mark), the code page's name ("ISO-8859-2", "Windows-1250", "IBM852"...); "CR LF", "LF", "CR".
QString EncodingName(const TTextFormat& format);
// The single-byte code page shown under this name; nullopt for any other.
std::optional<TTextEncoding> CodePageByName(const QString& name);
QString LineEndName(TLineEnd lineEnd);
// The characters of a line end.
const char* LineEndChars(TLineEnd lineEnd);
