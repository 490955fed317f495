#include "TextFileFormat.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The single-byte code pages: the converter's name for each, the name shown
// to the user, and what the code page is for.
struct TCodePage {
    TTextEncoding Encoding;
    const char* Converter;
    const char* Shown;
    const char* Description;
};

constexpr TCodePage kCodePages[] = {
    {TTextEncoding::Windows1250, "windows-1250", "Windows-1250", "středoevropské"},
    {TTextEncoding::Iso8859_2, "ISO-8859-2", "ISO-8859-2", "středoevropské"},
    {TTextEncoding::Ibm852, "IBM852", "IBM852", "středoevropské (DOS)"},
    {TTextEncoding::Windows1252, "windows-1252", "Windows-1252", "západoevropské"},
    {TTextEncoding::Iso8859_1, "ISO-8859-1", "ISO-8859-1", "západoevropské"},
    {TTextEncoding::Iso8859_15, "ISO-8859-15", "ISO-8859-15", "západoevropské s eurem"},
    {TTextEncoding::Windows1251, "windows-1251", "Windows-1251", "cyrilice"},
    {TTextEncoding::Koi8R, "KOI8-R", "KOI8-R", "cyrilice"},
};

const TCodePage* codePage(TTextEncoding encoding)
{
    for (const TCodePage& page : kCodePages)
        if (page.Encoding == encoding)
            return &page;
    return nullptr;
}

const char kUtf8Bom[] = "\xEF\xBB\xBF";

// UTF-8 text as a string. QString::fromUtf8 drops a U+FEFF at the start as a
// byte-order mark, but the file's mark is gone before the text gets here: a
// U+FEFF that remains is a character of the text.
QString textFromUtf8(const char* utf8, qsizetype size)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8, size));
}

bool startsWith(const QByteArray& bytes, const char* mark, int length)
{
    return bytes.size() >= length && std::memcmp(bytes.constData(), mark, length) == 0;
}

// Decodes bytes of a single-byte code page. Lossy when a byte has no
// character in it, or when the character would not be written back as the
// same byte: what the editor shows must save as the file it came from.
QByteArray codePageToUtf8(const TCodePage& page, const QByteArray& bytes, bool& lossy)
{
    QStringDecoder decoder(page.Converter, QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) {
        lossy = true;
        return QString(bytes.size(), QChar::ReplacementCharacter).toUtf8();
    }
    const QString text = decoder.decode(bytes);
    lossy = decoder.hasError();
    if (!lossy) {
        QStringEncoder encoder(page.Converter, QStringConverter::Flag::Stateless);
        const QByteArray back = encoder.encode(text);
        lossy = back != bytes || encoder.hasError();
    }
    return text.toUtf8();
}

QByteArray utf16ToUtf8(const char* data, qsizetype size, bool bigEndian, bool& lossy)
{
    const qsizetype units = size / 2;
    QString text(units, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(text.data());
    auto* src = reinterpret_cast<const uint8_t*>(data);
    for (qsizetype i = 0; i < units; ++i)
        dst[i] = bigEndian ? char16_t(src[2 * i] << 8 | src[2 * i + 1]) : char16_t(src[2 * i + 1] << 8 | src[2 * i]);
    // A surrogate without its partner has no UTF-8 form; the conversion
    // below turns it into U+FFFD.
    for (qsizetype i = 0; i < units && !lossy; ++i) {
        if (QChar::isHighSurrogate(dst[i]) && i + 1 < units && QChar::isLowSurrogate(dst[i + 1]))
            ++i;
        else if (QChar::isSurrogate(dst[i]))
            lossy = true;
    }
    QByteArray out = text.toUtf8();
    // An odd trailing byte cannot be a UTF-16 unit; keep a trace of it.
    if (size % 2) {
        out.append("\xEF\xBF\xBD");
        lossy = true;
    }
    return out;
}

} // namespace

bool LooksLikeText(const QByteArray& head)
{
    if (HasUtf16Mark(head))
        return true;
    return std::memchr(head.constData(), 0, std::min(head.size(), kTextSniffBytes)) == nullptr;
}

bool IsValidUtf8(const char* data, size_t size)
{
    auto* p = reinterpret_cast<const uint8_t*>(data);
    const uint8_t* end = p + size;
    while (p < end) {
        // Runs of ASCII, eight bytes at a time: the common case for source code.
        while (end - p >= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p >= end)
            break;
        uint8_t b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int length;
        char32_t min;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, min = 0x10000;
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        char32_t c = b & (0xFF >> (length + 1));
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            c = c << 6 | (p[i] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        p += length;
    }
    return true;
}

TLineEnd DetectLineEnd(const char* data, size_t size, TLineEnd fallback)
{
    const size_t limit = std::min<size_t>(size, 1024 * 1024);
    size_t crlf = 0, lf = 0, cr = 0;
    for (size_t i = 0; i < limit; ++i) {
        if (data[i] == '\n') {
            ++lf;
        } else if (data[i] == '\r') {
            if (i + 1 < size && data[i + 1] == '\n')
                ++crlf, ++i;
            else
                ++cr;
        }
    }
    if (crlf == 0 && lf == 0 && cr == 0)
        return fallback;
    if (crlf >= lf && crlf >= cr)
        return TLineEnd::CrLf;
    return lf >= cr ? TLineEnd::Lf : TLineEnd::Cr;
}

namespace {

TDecodedText decode(const QByteArray& bytes, TTextEncoding encoding, TLineEnd newFileLineEnd, bool knownValid)
{
    TDecodedText result;
    TTextFormat& format = result.Format;
    format.Encoding = encoding;
    switch (encoding) {
    case TTextEncoding::Utf8: {
        format.Bom = startsWith(bytes, kUtf8Bom, 3);
        result.Utf8 = format.Bom ? bytes.sliced(3) : bytes;
        if (!knownValid && !IsValidUtf8(result.Utf8.constData(), size_t(result.Utf8.size()))) {
            result.Utf8 = textFromUtf8(result.Utf8.constData(), result.Utf8.size()).toUtf8();
            result.Lossy = true;
        }
        break;
    }
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
        const bool big = encoding == TTextEncoding::Utf16BE;
        format.Bom = startsWith(bytes, big ? "\xFE\xFF" : "\xFF\xFE", 2);
        const int skip = format.Bom ? 2 : 0;
        result.Utf8 = utf16ToUtf8(bytes.constData() + skip, bytes.size() - skip, big, result.Lossy);
        break;
    }
    default:
        result.Utf8 = codePageToUtf8(*codePage(encoding), bytes, result.Lossy);
        break;
    }
    format.LineEnd = DetectLineEnd(result.Utf8.constData(), size_t(result.Utf8.size()), newFileLineEnd);
    return result;
}

} // namespace

const QList<TTextEncoding>& TextEncodings()
{
    static const QList<TTextEncoding> all = [] {
        QList<TTextEncoding> list {TTextEncoding::Utf8, TTextEncoding::Utf16LE, TTextEncoding::Utf16BE};
        for (const TCodePage& page : kCodePages)
            list << page.Encoding;
        return list;
    }();
    return all;
}

bool IsSingleByte(TTextEncoding encoding)
{
    return codePage(encoding) != nullptr;
}

bool IsEncodingAvailable(TTextEncoding encoding)
{
    const TCodePage* page = codePage(encoding);
    return !page || QStringDecoder(page->Converter).isValid();
}

QString EncodingDescription(TTextEncoding encoding)
{
    const TCodePage* page = codePage(encoding);
    return page ? QString::fromUtf8(page->Description) : QString();
}

TTextEncoding LegacyEncodingOf(const QByteArray& bytes)
{
    bool seen[256] = {};
    for (char c : bytes)
        seen[static_cast<unsigned char>(c)] = true;
    for (int b = 0x80; b <= 0x9F; ++b)
        if (seen[b])
            return TTextEncoding::Windows1250;
    // The bytes of 0xA0 to 0xBF the text holds, each once: whether any of
    // them reads differently in the two code pages.
    QByteArray upper;
    for (int b = 0xA0; b <= 0xBF; ++b)
        if (seen[b])
            upper.append(char(b));
    TTextEncoding chosen = TTextEncoding::Windows1250;
    if (!upper.isEmpty()) {
        QStringDecoder windows(codePage(TTextEncoding::Windows1250)->Converter);
        QStringDecoder latin2(codePage(TTextEncoding::Iso8859_2)->Converter);
        if (windows.isValid() && latin2.isValid() && QString(windows.decode(upper)) != QString(latin2.decode(upper)))
            chosen = TTextEncoding::Iso8859_2;
    }
    // Without the converters only ISO-8859-1 is at hand; it keeps every byte.
    return IsEncodingAvailable(chosen) ? chosen : TTextEncoding::Iso8859_1;
}

TDecodedText DecodeText(const QByteArray& bytes, TLineEnd newFileLineEnd)
{
    if (startsWith(bytes, "\xFF\xFE", 2))
        return decode(bytes, TTextEncoding::Utf16LE, newFileLineEnd, false);
    if (startsWith(bytes, "\xFE\xFF", 2))
        return decode(bytes, TTextEncoding::Utf16BE, newFileLineEnd, false);
    if (IsValidUtf8(bytes.constData(), size_t(bytes.size()))) // the mark included
        return decode(bytes, TTextEncoding::Utf8, newFileLineEnd, true);
    // Not UTF-8, even if it starts with the mark: read as a code page, mark
    // bytes included, so that saving gives the same bytes.
    TDecodedText text = decode(bytes, LegacyEncodingOf(bytes), newFileLineEnd, false);
    // A byte the chosen code page has no character for: ISO-8859-2 has one
    // for every byte.
    if (text.Lossy && text.Format.Encoding != TTextEncoding::Iso8859_2 && IsEncodingAvailable(TTextEncoding::Iso8859_2))
        text = decode(bytes, TTextEncoding::Iso8859_2, newFileLineEnd, false);
    return text;
}

bool HasUtf16Mark(const QByteArray& head)
{
    return startsWith(head, "\xFF\xFE", 2) || startsWith(head, "\xFE\xFF", 2);
}

namespace {

// The bytes at the end of data that start a character the data ends before
// finishing; 0 when the last character is whole (or the bytes are no UTF-8,
// which the validation finds).
size_t cutCharacter(const char* data, size_t size)
{
    for (size_t back = 1; back <= std::min<size_t>(3, size); ++back) {
        const auto b = uint8_t(data[size - back]);
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte: the lead is further back
        const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

} // namespace

TPieceRead ReadUtf8Pieces(QIODevice& device, const QByteArray& first, qint64 limit, qint64 pieceSize,
    const std::function<void(const char*, size_t)>& take, TTextFormat& format, TLineEnd newFileLineEnd)
{
    format = TTextFormat {};
    format.Bom = startsWith(first, kUtf8Bom, 3);
    // DetectLineEnd looks at the first megabyte and the byte after it.
    constexpr qsizetype kLineEndSpan = 1024 * 1024 + 1;
    QByteArray start;
    QByteArray buffer = first;
    qsizetype from = format.Bom ? 3 : 0;
    qint64 total = first.size();
    if (total > limit)
        return TPieceRead::TooLarge;
    for (;;) {
        const char* data = buffer.constData() + from;
        const size_t size = size_t(buffer.size() - from);
        const size_t whole = size - cutCharacter(data, size);
        if (!IsValidUtf8(data, whole))
            return TPieceRead::NotUtf8;
        if (start.size() < kLineEndSpan)
            start.append(data, std::min<qsizetype>(qsizetype(whole), kLineEndSpan - start.size()));
        if (whole > 0)
            take(data, whole);
        // The cut character moves to the front; the next piece follows it.
        const qsizetype kept = qsizetype(size - whole);
        std::memmove(buffer.data(), data + whole, size_t(kept));
        buffer.resize(kept + pieceSize);
        const qint64 got = device.read(buffer.data() + kept, pieceSize);
        if (got < 0)
            return TPieceRead::ReadError;
        buffer.resize(kept + got);
        from = 0;
        if (got == 0) {
            if (kept > 0)
                return TPieceRead::NotUtf8; // the file ends inside a character
            break;
        }
        total += got;
        if (total > limit)
            return TPieceRead::TooLarge;
    }
    format.LineEnd = DetectLineEnd(start.constData(), size_t(start.size()), newFileLineEnd);
    return TPieceRead::Done;
}

TDecodedText DecodeAs(const QByteArray& bytes, TTextEncoding encoding, TLineEnd newFileLineEnd)
{
    return decode(bytes, encoding, newFileLineEnd, false);
}

bool EncodeText(const char* utf8, size_t size, const TTextFormat& format, QByteArray& out, QString* firstUnencodable,
    qsizetype* unencodableAt)
{
    out.clear();
    switch (format.Encoding) {
    case TTextEncoding::Utf8:
        out.reserve(qsizetype(size) + 3);
        if (format.Bom)
            out.append(kUtf8Bom, 3);
        out.append(utf8, qsizetype(size));
        return true;
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
        const bool big = format.Encoding == TTextEncoding::Utf16BE;
        const QString text = textFromUtf8(utf8, qsizetype(size));
        const qsizetype mark = format.Bom ? 2 : 0;
        out.resize(mark + text.size() * 2);
        auto* dst = reinterpret_cast<uint8_t*>(out.data());
        if (format.Bom) {
            dst[0] = big ? 0xFE : 0xFF;
            dst[1] = big ? 0xFF : 0xFE;
        }
        const char16_t* src = reinterpret_cast<const char16_t*>(text.constData());
        for (qsizetype i = 0; i < text.size(); ++i) {
            uint8_t hi = uint8_t(src[i] >> 8), lo = uint8_t(src[i] & 0xFF);
            dst[mark + 2 * i] = big ? hi : lo;
            dst[mark + 1 + 2 * i] = big ? lo : hi;
        }
        return true;
    }
    default:
        break;
    }
    const TCodePage* page = codePage(format.Encoding);
    QStringEncoder encoder(page->Converter, QStringConverter::Flag::Stateless);
    const QString text = textFromUtf8(utf8, qsizetype(size));
    if (encoder.isValid()) {
        out = encoder.encode(text);
        if (!encoder.hasError())
            return true;
    }
    out.clear();
    // The converter only says that some character could not be converted.
    // Find the first: a block at a time, then within the failing block one
    // character at a time.
    auto converts = [page](QStringView piece) {
        QStringEncoder single(page->Converter, QStringConverter::Flag::Stateless);
        // The conversion runs when the result is taken.
        const QByteArray bytes = single.encode(piece);
        return single.isValid() && !single.hasError();
    };
    constexpr qsizetype kBlock = 4096;
    qsizetype offset = 0;
    for (qsizetype block = 0; block < text.size();) {
        qsizetype blockEnd = std::min(block + kBlock, text.size());
        if (blockEnd < text.size() && text[blockEnd - 1].isHighSurrogate())
            ++blockEnd;
        const QStringView piece = QStringView(text).sliced(block, blockEnd - block);
        if (converts(piece)) {
            offset += piece.toUtf8().size();
            block = blockEnd;
            continue;
        }
        for (qsizetype i = block; i < blockEnd;) {
            const qsizetype length = text[i].isHighSurrogate() && i + 1 < blockEnd ? 2 : 1;
            const QStringView character = QStringView(text).sliced(i, length);
            if (!converts(character)) {
                if (firstUnencodable)
                    *firstUnencodable = character.toString();
                if (unencodableAt)
                    *unencodableAt = offset;
                return false;
            }
            offset += character.toUtf8().size();
            i += length;
        }
        break;
    }
    return false;
}

QByteArray ConvertLineEnds(const QByteArray& utf8, TLineEnd lineEnd)
{
    const char* eol = LineEndChars(lineEnd);
    QByteArray out;
    out.reserve(utf8.size() + utf8.size() / 32);
    const char* p = utf8.constData();
    const char* end = p + utf8.size();
    while (p < end) {
        if (*p == '\r') {
            out.append(eol);
            p += (p + 1 < end && p[1] == '\n') ? 2 : 1;
        } else if (*p == '\n') {
            out.append(eol);
            ++p;
        } else {
            out.append(*p++);
        }
    }
    return out;
}

QString EncodingName(const TTextFormat& format)
{
    switch (format.Encoding) {
    case TTextEncoding::Utf8:
        return format.Bom ? QStringLiteral("UTF-8 s BOM") : QStringLiteral("UTF-8");
    case TTextEncoding::Utf16LE:
        return format.Bom ? QStringLiteral("UTF-16 LE") : QStringLiteral("UTF-16 LE bez BOM");
    case TTextEncoding::Utf16BE:
        return format.Bom ? QStringLiteral("UTF-16 BE") : QStringLiteral("UTF-16 BE bez BOM");
    default:
        break;
    }
    return QString::fromLatin1(codePage(format.Encoding)->Shown);
}

std::optional<TTextEncoding> CodePageByName(const QString& name)
{
    for (const TCodePage& page : kCodePages)
        if (name == QLatin1String(page.Shown))
            return page.Encoding;
    return std::nullopt;
}

QString LineEndName(TLineEnd lineEnd)
{
    switch (lineEnd) {
    case TLineEnd::CrLf:
        return QStringLiteral("CR LF");
    case TLineEnd::Lf:
        return QStringLiteral("LF");
    case TLineEnd::Cr:
        return QStringLiteral("CR");
    }
    return {};
}

const char* LineEndChars(TLineEnd lineEnd)
{
    switch (lineEnd) {
    case TLineEnd::CrLf:
        return "\r\n";
    case TLineEnd::Cr:
        return "\r";
    case TLineEnd::Lf:
        break;
    }
    return "\n";
}
