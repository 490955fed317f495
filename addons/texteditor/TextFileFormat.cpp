#include "TextFileFormat.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

// Windows-1250, bytes 0x80 to 0xFF. The code page leaves 0x81, 0x83, 0x88,
// 0x90 and 0x98 undefined; they map to the C1 controls of the same number so
// that no byte is lost on the way through the editor.
constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Reverse of kCp1250 for the Basic Multilingual Plane: the byte of a
// character, 0 where the code page has none (U+0000 itself is byte 0).
const std::array<uint8_t, 0x10000>& cp1250Bytes()
{
    static const auto table = [] {
        std::array<uint8_t, 0x10000> t {};
        for (int c = 1; c < 0x80; ++c)
            t[c] = uint8_t(c);
        for (int i = 0; i < 128; ++i)
            t[kCp1250[i]] = uint8_t(0x80 + i);
        return t;
    }();
    return table;
}

const char kUtf8Bom[] = "\xEF\xBB\xBF";

bool startsWith(const QByteArray& bytes, const char* mark, int length)
{
    return bytes.size() >= length && std::memcmp(bytes.constData(), mark, length) == 0;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

QByteArray cp1250ToUtf8(const char* data, qsizetype size)
{
    QByteArray out;
    out.reserve(size + size / 8);
    for (qsizetype i = 0; i < size; ++i) {
        auto b = uint8_t(data[i]);
        if (b < 0x80)
            out.append(char(b));
        else
            appendUtf8(out, kCp1250[b - 0x80]);
    }
    return out;
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

// Decodes one UTF-8 sequence of text that is known to be valid.
char32_t nextCodePoint(const uint8_t*& p)
{
    uint8_t b = *p++;
    if (b < 0x80)
        return b;
    if (b < 0xE0) {
        char32_t c = char32_t(b & 0x1F) << 6 | (*p++ & 0x3F);
        return c;
    }
    if (b < 0xF0) {
        char32_t c = char32_t(b & 0x0F) << 12;
        c |= char32_t(*p++ & 0x3F) << 6;
        c |= *p++ & 0x3F;
        return c;
    }
    char32_t c = char32_t(b & 0x07) << 18;
    c |= char32_t(*p++ & 0x3F) << 12;
    c |= char32_t(*p++ & 0x3F) << 6;
    c |= *p++ & 0x3F;
    return c;
}

} // namespace

bool LooksLikeText(const QByteArray& head)
{
    if (startsWith(head, "\xFF\xFE", 2) || startsWith(head, "\xFE\xFF", 2))
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
            result.Utf8 = QString::fromUtf8(result.Utf8).toUtf8();
            result.Lossy = true;
        }
        break;
    }
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
        const bool big = encoding == TTextEncoding::Utf16BE;
        const int skip = startsWith(bytes, big ? "\xFE\xFF" : "\xFF\xFE", 2) ? 2 : 0;
        result.Utf8 = utf16ToUtf8(bytes.constData() + skip, bytes.size() - skip, big, result.Lossy);
        break;
    }
    case TTextEncoding::Windows1250:
        result.Utf8 = cp1250ToUtf8(bytes.constData(), bytes.size());
        break;
    }
    format.LineEnd = DetectLineEnd(result.Utf8.constData(), size_t(result.Utf8.size()), newFileLineEnd);
    return result;
}

} // namespace

TDecodedText DecodeText(const QByteArray& bytes, TLineEnd newFileLineEnd)
{
    TTextEncoding encoding;
    if (startsWith(bytes, "\xFF\xFE", 2))
        encoding = TTextEncoding::Utf16LE;
    else if (startsWith(bytes, "\xFE\xFF", 2))
        encoding = TTextEncoding::Utf16BE;
    else if (IsValidUtf8(bytes.constData(), size_t(bytes.size()))) // the mark included
        return decode(bytes, TTextEncoding::Utf8, newFileLineEnd, true);
    else
        // Not UTF-8, even if it starts with the mark: read as the legacy code
        // page, mark bytes included, so that saving gives the same bytes.
        encoding = TTextEncoding::Windows1250;
    return decode(bytes, encoding, newFileLineEnd, false);
}

TDecodedText DecodeAs(const QByteArray& bytes, TTextEncoding encoding, TLineEnd newFileLineEnd)
{
    return decode(bytes, encoding, newFileLineEnd, false);
}
bool EncodeText(const char* utf8, size_t size, const TTextFormat& format, QByteArray& out, QString* firstUnencodable)
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
        QString text = QString::fromUtf8(utf8, qsizetype(size));
        out.resize(2 + text.size() * 2);
        auto* dst = reinterpret_cast<uint8_t*>(out.data());
        dst[0] = big ? 0xFE : 0xFF;
        dst[1] = big ? 0xFF : 0xFE;
        const char16_t* src = reinterpret_cast<const char16_t*>(text.constData());
        for (qsizetype i = 0; i < text.size(); ++i) {
            uint8_t hi = uint8_t(src[i] >> 8), lo = uint8_t(src[i] & 0xFF);
            dst[2 + 2 * i] = big ? hi : lo;
            dst[3 + 2 * i] = big ? lo : hi;
        }
        return true;
    }
    case TTextEncoding::Windows1250: {
        // The text comes from the editor, which only ever holds valid UTF-8.
        const auto& table = cp1250Bytes();
        out.reserve(qsizetype(size));
        auto* p = reinterpret_cast<const uint8_t*>(utf8);
        const uint8_t* end = p + size;
        while (p < end) {
            char32_t c = nextCodePoint(p);
            uint8_t b = c < 0x10000 ? table[c] : 0;
            if (b == 0 && c != 0) {
                if (firstUnencodable)
                    *firstUnencodable = QString::fromUcs4(&c, 1);
                out.clear();
                return false;
            }
            out.append(char(b));
        }
        return true;
    }
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
        return QStringLiteral("UTF-16 LE");
    case TTextEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case TTextEncoding::Windows1250:
        return QStringLiteral("Windows-1250");
    }
    return {};
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
