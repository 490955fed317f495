// Reading and writing text files: every supported format must come back
// byte for byte, and text that cannot be stored must be refused, not mangled.
#include "TextFileFormat.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>

#include <optional>
#include <string>
#include <vector>

namespace {

QByteArray bytes(const char* text, size_t size)
{
    return QByteArray(text, qsizetype(size));
}
#define B(literal) bytes(literal, sizeof(literal) - 1)

struct RoundTripCase {
    const char* name;
    QByteArray file;
    TTextEncoding encoding;
    bool bom;
    TLineEnd lineEnd;
    // What the editor sees.
    QByteArray utf8;
};

void PrintTo(const RoundTripCase& c, std::ostream* os)
{
    *os << c.name;
}

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, DecodesAndEncodesBackToTheSameBytes)
{
    const RoundTripCase& c = GetParam();
    const TDecodedText decoded = DecodeText(c.file, TLineEnd::Lf);
    EXPECT_EQ(decoded.Format.Encoding, c.encoding);
    EXPECT_EQ(decoded.Format.Bom, c.bom);
    EXPECT_EQ(decoded.Format.LineEnd, c.lineEnd);
    EXPECT_FALSE(decoded.Lossy);
    EXPECT_EQ(decoded.Utf8, c.utf8);
    QByteArray out;
    ASSERT_TRUE(EncodeText(decoded.Utf8.constData(), size_t(decoded.Utf8.size()), decoded.Format, out));
    EXPECT_EQ(out, c.file);
}

QByteArray allBytesButNul()
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    return all;
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
    ::testing::Values(
        RoundTripCase {"Utf8Lf", B("a\xC5\x99\n\xC5\xBE\n"), TTextEncoding::Utf8, false, TLineEnd::Lf,
            B("a\xC5\x99\n\xC5\xBE\n")},
        RoundTripCase {"Utf8BomCrLf", B("\xEF\xBB\xBFx\r\ny\r\n"), TTextEncoding::Utf8, true, TLineEnd::CrLf,
            B("x\r\ny\r\n")},
        RoundTripCase {"Utf8Cr", B("one\rtwo\r"), TTextEncoding::Utf8, false, TLineEnd::Cr, B("one\rtwo\r")},
        // "ř\r\n" and U+1F600 as a surrogate pair.
        RoundTripCase {"Utf16LeCrLf", B("\xFF\xFE\x59\x01\r\0\n\0\x3D\xD8\x00\xDE"), TTextEncoding::Utf16LE, true,
            TLineEnd::CrLf, B("\xC5\x99\r\n\xF0\x9F\x98\x80")},
        RoundTripCase {"Utf16BeLf", B("\xFE\xFF\x01\x59\0\n"), TTextEncoding::Utf16BE, true, TLineEnd::Lf,
            B("\xC5\x99\n")},
        // "Příliš žluťoučký kůň" in Windows-1250.
        RoundTripCase {"Windows1250", B("P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2\r\n"),
            TTextEncoding::Windows1250, false, TLineEnd::CrLf,
            B("P\xC5\x99\xC3\xADli\xC5\xA1 \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88\r\n")},
        // The same in ISO-8859-2: "š ž ť" lie where Windows-1250 has symbols.
        RoundTripCase {"Iso8859_2", B("P\xF8\xEDli\xB9 \xBElu\xBBou\xE8k\xFD k\xF9\xF2\n"),
            TTextEncoding::Iso8859_2, false, TLineEnd::Lf,
            B("P\xC5\x99\xC3\xADli\xC5\xA1 \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88\n")},
        // Letters at the same place in both code pages: the one that holds more.
        RoundTripCase {"SameInBothCodePages", B("\xE8\xF8\xEC\n"), TTextEncoding::Windows1250, false, TLineEnd::Lf,
            B("\xC4\x8D\xC5\x99\xC4\x9B\n")},
        // A mark followed by broken UTF-8: kept as legacy text, mark and all.
        RoundTripCase {"BomWithBrokenUtf8", B("\xEF\xBB\xBF\xE8\n"), TTextEncoding::Iso8859_2, false, TLineEnd::Lf,
            B("\xC4\x8F\xC5\xA5\xC5\xBC\xC4\x8D\n")},
        RoundTripCase {"Empty", QByteArray(), TTextEncoding::Utf8, false, TLineEnd::Lf, QByteArray()},
        // Mixed line ends stay exactly as they are; the majority is reported.
        RoundTripCase {"MixedLineEnds", B("a\r\nb\nc\r\nd\r"), TTextEncoding::Utf8, false, TLineEnd::CrLf,
            B("a\r\nb\nc\r\nd\r")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextFileFormat, EveryLegacyByteSurvivesALoadAndASave)
{
    // Includes the five bytes Windows-1250 leaves undefined.
    const QByteArray file = allBytesButNul() + '\xFF';
    const TDecodedText decoded = DecodeText(file, TLineEnd::Lf);
    ASSERT_EQ(decoded.Format.Encoding, TTextEncoding::Windows1250);
    QByteArray out;
    ASSERT_TRUE(EncodeText(decoded.Utf8.constData(), size_t(decoded.Utf8.size()), decoded.Format, out));
    EXPECT_EQ(out, file);
}

// Each code page through the system's converter: a sample in its language
// reads as the right letters and writes back as the same bytes.
TEST(TextFileFormat, EveryCodePageReadsAndWritesItsLanguage)
{
    const QString czech = QStringLiteral("Příliš žluťoučký kůň");
    const QString russian = QStringLiteral("Привет, мир");
    struct Case {
        TTextEncoding encoding;
        const char* name;
        QByteArray file;
        QString text;
    } cases[] = {
        {TTextEncoding::Windows1250, "Windows-1250", B("P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2"), czech},
        {TTextEncoding::Iso8859_2, "ISO-8859-2", B("P\xF8\xEDli\xB9 \xBElu\xBBou\xE8k\xFD k\xF9\xF2"), czech},
        {TTextEncoding::Ibm852, "IBM852", B("P\xFD\xA1li\xE7 \xA7lu\x9Cou\x9Fk\xEC k\x85\xE5"), czech},
        {TTextEncoding::Iso8859_1, "ISO-8859-1", B("Gr\xF6\xDF" "e \xE0"), QStringLiteral("Größe à")},
        {TTextEncoding::Iso8859_15, "ISO-8859-15", B("Gr\xF6\xDF" "e \xA4 \xBD"), QStringLiteral("Größe € œ")},
        {TTextEncoding::Windows1252, "Windows-1252", B("Gr\xF6\xDF" "e \xE0 \x80"), QStringLiteral("Größe à €")},
        {TTextEncoding::Koi8R, "KOI8-R", B("\xF0\xD2\xC9\xD7\xC5\xD4, \xCD\xC9\xD2"), russian},
        {TTextEncoding::Windows1251, "Windows-1251", B("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0"), russian},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(IsEncodingAvailable(c.encoding)) << c.name;
        EXPECT_TRUE(IsSingleByte(c.encoding));
        const TDecodedText decoded = DecodeAs(c.file, c.encoding, TLineEnd::Lf);
        EXPECT_EQ(EncodingName(decoded.Format), QString::fromLatin1(c.name));
        EXPECT_FALSE(decoded.Lossy) << c.name;
        EXPECT_EQ(QString::fromUtf8(decoded.Utf8), c.text) << c.name;
        QByteArray out;
        EXPECT_TRUE(EncodeText(decoded.Utf8.constData(), size_t(decoded.Utf8.size()), decoded.Format, out)) << c.name;
        EXPECT_EQ(out.toHex(' '), c.file.toHex(' ')) << c.name;
    }
    // Every encoding offered has a name of its own.
    QStringList names;
    for (TTextEncoding encoding : TextEncodings())
        names << EncodingName(TTextFormat {encoding, false, TLineEnd::Lf});
    names.removeDuplicates();
    EXPECT_EQ(names.size(), TextEncodings().size());
}

TEST(TextFileFormat, CodePageRefusesCharactersItCannotHold)
{
    QByteArray out;
    QString bad;
    qsizetype at = -1;
    const TTextFormat windows {TTextEncoding::Windows1250, false, TLineEnd::Lf};
    // The euro sign and Czech letters exist in the code page...
    ASSERT_TRUE(EncodeText("\xE2\x82\xAC \xC5\x99", 6, windows, out, &bad));
    EXPECT_EQ(out, B("\x80 \xF8"));
    // ...a Cyrillic letter and an emoji do not: nothing is written, and the
    // first of them is named with its place in the text.
    const QByteArray text = B("\xC5\x99\nok \xD0\x96 \xF0\x9F\x98\x80");
    EXPECT_FALSE(EncodeText(text.constData(), size_t(text.size()), windows, out, &bad, &at));
    EXPECT_EQ(bad, QString::fromUtf8("\xD0\x96"));
    EXPECT_EQ(at, 6);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_FALSE(EncodeText("\xF0\x9F\x98\x80", 4, windows, out, &bad, &at));
    EXPECT_EQ(bad, QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(at, 0);
    // ISO-8859-2 has no euro sign and no Czech quotes; the failing character
    // is found past the first block the search looks at.
    const TTextFormat latin2 {TTextEncoding::Iso8859_2, false, TLineEnd::Lf};
    const QByteArray longText = QByteArray(5000, 'a') + "\xC5\xA1\xE2\x80\x9E";
    EXPECT_FALSE(EncodeText(longText.constData(), size_t(longText.size()), latin2, out, &bad, &at));
    EXPECT_EQ(bad, QStringLiteral("„"));
    EXPECT_EQ(at, 5002);
}

TEST(TextFileFormat, BrokenUtf16IsReportedAsLossy)
{
    // A lone high surrogate, then an odd trailing byte.
    EXPECT_TRUE(DecodeText(B("\xFF\xFE\x3D\xD8\x41\x00"), TLineEnd::Lf).Lossy);
    EXPECT_TRUE(DecodeText(B("\xFF\xFE\x41\x00\x42"), TLineEnd::Lf).Lossy);
    EXPECT_FALSE(DecodeText(B("\xFF\xFE\x41\x00"), TLineEnd::Lf).Lossy);
}

// Lossy means exactly that saving the text unchanged would not give the file
// back. Files in each UTF with and without their mark and with a U+FEFF
// starting the text, a code page, and broken ones, each read in every
// encoding (as "reopen in encoding" does) and as detected.
TEST(TextFileFormat, LossyIsExactlyWhetherSavingChangesTheBytes)
{
    const QString text = QStringLiteral("ab\r\n\u010D\U0001F600");
    const QString feff = QChar(0xFEFF) + text;
    auto utf16 = [](const QString& t, bool big, bool mark) {
        QByteArray out = mark ? (big ? B("\xFE\xFF") : B("\xFF\xFE")) : QByteArray();
        for (QChar c : t) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
            out.append(big ? hi : lo).append(big ? lo : hi);
        }
        return out;
    };
    struct Sample {
        std::string name;
        QByteArray file;
        // The encoding the file is written in; nullopt for broken files.
        std::optional<TTextEncoding> written;
    };
    std::vector<Sample> samples;
    for (bool mark : {false, true}) {
        for (const QString& t : {text, feff}) {
            const std::string name = std::string(mark ? "marked " : "unmarked ") + (t == feff ? "U+FEFF " : "");
            const QByteArray utf8 = (mark ? B("\xEF\xBB\xBF") : QByteArray()) + t.toUtf8();
            samples.push_back({name + "UTF-8", utf8, TTextEncoding::Utf8});
            samples.push_back({name + "UTF-16 LE", utf16(t, false, mark), TTextEncoding::Utf16LE});
            samples.push_back({name + "UTF-16 BE", utf16(t, true, mark), TTextEncoding::Utf16BE});
        }
    }
    samples.push_back({"Windows-1250", B("P\xF8\xEDli\x9A\r\n"), TTextEncoding::Windows1250});
    samples.push_back({"every byte", allBytesButNul(), std::nullopt});
    samples.push_back({"odd UTF-16", B("\xFF\xFE" "a\0b"), std::nullopt});
    samples.push_back({"lone surrogate", B("\xFF\xFE\x3D\xD8\x41\x00"), std::nullopt});
    samples.push_back({"broken UTF-8", B("\xEF\xBB\xBF\xEF\xBB\xBF\xC5"), std::nullopt});
    samples.push_back({"empty", QByteArray(), TTextEncoding::Utf8});
    for (const Sample& sample : samples) {
        std::vector<std::pair<std::string, TDecodedText>> reads {{"detected", DecodeText(sample.file, TLineEnd::Lf)}};
        for (TTextEncoding encoding : TextEncodings())
            if (IsEncodingAvailable(encoding))
                reads.emplace_back(EncodingName({encoding, true, TLineEnd::Lf}).toStdString(),
                    DecodeAs(sample.file, encoding, TLineEnd::Lf));
        for (const auto& [how, decoded] : reads) {
            SCOPED_TRACE(sample.name + " read as " + how);
            QByteArray out;
            const bool saved = EncodeText(decoded.Utf8.constData(), size_t(decoded.Utf8.size()), decoded.Format, out);
            EXPECT_EQ(decoded.Lossy, !saved || out != sample.file) << out.toHex(' ').toStdString();
        }
        // In its own encoding every file that is not broken comes back.
        if (sample.written) {
            SCOPED_TRACE(sample.name);
            const TDecodedText decoded = DecodeAs(sample.file, *sample.written, TLineEnd::Lf);
            EXPECT_FALSE(decoded.Lossy);
            QByteArray out;
            EXPECT_TRUE(EncodeText(decoded.Utf8.constData(), size_t(decoded.Utf8.size()), decoded.Format, out));
            EXPECT_EQ(out.toHex(' '), sample.file.toHex(' '));
        }
    }
}

// A text that starts with U+FEFF is not cut: the character stays in UTF-16
// and cannot be stored in a code page (no silent drop).
TEST(TextFileFormat, LeadingFeffIsACharacterOfTheText)
{
    const QByteArray text = B("\xEF\xBB\xBFx");
    QByteArray out;
    ASSERT_TRUE(EncodeText(text.constData(), size_t(text.size()), {TTextEncoding::Utf16LE, true, TLineEnd::Lf}, out));
    EXPECT_EQ(out, B("\xFF\xFE\xFF\xFEx\0"));
    QString bad;
    qsizetype at = -1;
    EXPECT_FALSE(EncodeText(text.constData(), size_t(text.size()), {TTextEncoding::Windows1250, false, TLineEnd::Lf},
        out, &bad, &at));
    EXPECT_EQ(bad, QString(QChar(0xFEFF)));
    EXPECT_EQ(at, 0);
}

TEST(TextFileFormat, DecodeAsForcesTheEncoding)
{
    // Valid UTF-8 that the user says is the legacy code page.
    const TDecodedText legacy = DecodeAs(B("\xC5\x99"), TTextEncoding::Windows1250, TLineEnd::Lf);
    EXPECT_EQ(legacy.Utf8, B("\xC4\xB9\xE2\x84\xA2"));
    EXPECT_FALSE(legacy.Lossy);
    // Legacy bytes read as UTF-8 cannot be kept.
    const TDecodedText utf8 = DecodeAs(B("\xF8"), TTextEncoding::Utf8, TLineEnd::Lf);
    EXPECT_TRUE(utf8.Lossy);
}

TEST(TextFileFormat, StrictUtf8Validation)
{
    struct Case {
        QByteArray text;
        bool valid;
    } cases[] = {
        {B("plain ascii"), true},
        {B("\xC5\x99\xE2\x82\xAC\xF0\x9F\x98\x80"), true},
        {B("\xC0\xAF"), false},         // overlong "/"
        {B("\xE0\x80\xAF"), false},     // overlong, three bytes
        {B("\xED\xA0\x80"), false},     // surrogate
        {B("\xF4\x90\x80\x80"), false}, // above U+10FFFF
        {B("\xC5"), false},             // cut short
        {B("abcdefgh\xC5\x99xyz\x80"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidUtf8(c.text.constData(), size_t(c.text.size())), c.valid) << c.text.toHex().constData();
}

TEST(TextFileFormat, TextOrBinary)
{
    EXPECT_TRUE(LooksLikeText(B("hello\n")));
    EXPECT_TRUE(LooksLikeText(QByteArray()));
    EXPECT_FALSE(LooksLikeText(B("ELF\0\1")));
    // UTF-16 is full of zero bytes but is text.
    EXPECT_TRUE(LooksLikeText(B("\xFF\xFE" "a\0b\0")));
    // A zero byte beyond the sniffed start does not count.
    QByteArray late(kTextSniffBytes, 'x');
    late.append('\0');
    EXPECT_TRUE(LooksLikeText(late));
}

TEST(TextFileFormat, LineEndConversion)
{
    EXPECT_EQ(ConvertLineEnds(B("a\r\nb\nc\rd"), TLineEnd::Lf), B("a\nb\nc\nd"));
    EXPECT_EQ(ConvertLineEnds(B("a\r\nb\nc\rd"), TLineEnd::CrLf), B("a\r\nb\r\nc\r\nd"));
    EXPECT_EQ(DetectLineEnd("no break", 8, TLineEnd::CrLf), TLineEnd::CrLf);
}

// A file read piece by piece reads as it does whole, wherever the pieces
// cut its characters; one that is not UTF-8 is left to the whole decoding.
TEST(TextFileFormat, PiecesReadAsTheWholeFile)
{
    const QByteArray files[] = {
        B(""),
        B("ab"),
        B("\xEF\xBB\xBF" "bom\r\nline\r\n"),
        B("\xC5\x99\xE2\x82\xAC\xF0\x9F\x98\x80x\ry\r\xC5\x99"),
        B("\xC5\x99" "abc\xC5"),           // ends inside a character
        B("abc\xC5\x99\x80" "def"),        // a stray continuation byte
        B("\xEF\xBB\xBF" "a\xE0\x80\xAF"), // overlong, after the mark
    };
    for (const QByteArray& file : files) {
        const bool utf8 = IsValidUtf8(file.constData(), size_t(file.size()));
        const TDecodedText whole = DecodeText(file, TLineEnd::CrLf);
        for (qint64 piece = 1; piece <= 7; ++piece) {
            QBuffer device;
            device.setData(file);
            device.open(QIODevice::ReadOnly);
            const QByteArray first = device.read(3);
            QByteArray text;
            TTextFormat format;
            const TPieceRead read = ReadUtf8Pieces(device, first, 1 << 20, piece,
                [&text](const char* data, size_t size) { text.append(data, qsizetype(size)); }, format, TLineEnd::CrLf);
            SCOPED_TRACE(file.toHex().toStdString() + " in pieces of " + std::to_string(piece));
            ASSERT_EQ(read, utf8 ? TPieceRead::Done : TPieceRead::NotUtf8);
            if (utf8) {
                EXPECT_EQ(text, whole.Utf8);
                EXPECT_EQ(format, whole.Format);
            }
        }
    }

    QBuffer device;
    device.setData(QByteArray(100, 'x'));
    device.open(QIODevice::ReadOnly);
    TTextFormat format;
    EXPECT_EQ(ReadUtf8Pieces(device, device.read(3), 64, 16, [](const char*, size_t) {}, format, TLineEnd::Lf),
        TPieceRead::TooLarge);
}

} // namespace
