#include "UnicodeData.h"

#include <QRegularExpression>

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <optional>

namespace {

constexpr char32_t kLastCode = 0x10FFFF;

bool assigned(char32_t code)
{
    return u_isdefined(UChar32(code)) && !U_IS_SURROGATE(code);
}

QList<TUnicodeBlock> buildBlocks()
{
    QList<TUnicodeBlock> blocks;
    int current = UBLOCK_NO_BLOCK;
    for (char32_t code = 0; code <= kLastCode; ++code) {
        const int block = int(ublock_getCode(UChar32(code)));
        if (block == current) {
            if (block != UBLOCK_NO_BLOCK)
                blocks.last().Last = code;
            continue;
        }
        current = block;
        if (block == UBLOCK_NO_BLOCK)
            continue;
        const char* name = u_getPropertyValueName(UCHAR_BLOCK, block, U_LONG_PROPERTY_NAME);
        QString text = QString::fromLatin1(name ? name : "?");
        text.replace(u'_', u' ');
        // ICU's property names write "Latin_1_Supplement" for "Latin-1 Supplement".
        text.replace(QStringLiteral("Latin 1"), QStringLiteral("Latin-1"));
        blocks.append({block, text, code, code});
    }
    return blocks;
}

QString upperWords(const QString& text)
{
    return text.simplified().toUpper();
}

// A code the query spells out, if it is one.
std::optional<char32_t> codeOf(const QString& query)
{
    static const QRegularExpression hex(QStringLiteral("^(?:U\\+|0X|\\\\U)?([0-9A-F]{1,6})$"));
    static const QRegularExpression decimal(QStringLiteral("^(?:#|&#)([0-9]{1,7});?$"));
    const QString text = query.trimmed().toUpper();
    bool ok = false;
    uint value = 0;
    if (const auto m = decimal.match(text); m.hasMatch())
        value = m.captured(1).toUInt(&ok, 10);
    else if (const auto m = hex.match(text); m.hasMatch())
        value = m.captured(1).toUInt(&ok, 16);
    if (!ok || value > kLastCode)
        return std::nullopt;
    return char32_t(value);
}

struct TNameSearch {
    QList<QByteArray> Words;
    QByteArray Whole;
    QList<char32_t>* Found;
    char32_t Exact = 0;
    bool HasExact = false;
    int Limit = 0;
};

UBool matchName(void* context, UChar32 code, UCharNameChoice, const char* name, int32_t length)
{
    auto* search = static_cast<TNameSearch*>(context);
    const QByteArray text = QByteArray::fromRawData(name, length);
    // Every word of the query starts a word of the name: "arrow left" finds
    // LEFTWARDS ARROW, "e acute" does not find A WITH ACUTE through LETTER.
    for (const QByteArray& word : search->Words) {
        bool found = false;
        for (qsizetype at = text.indexOf(word); at >= 0 && !found; at = text.indexOf(word, at + 1))
            found = at == 0 || text[at - 1] == ' ' || text[at - 1] == '-';
        if (!found)
            return true;
    }
    if (text == search->Whole) {
        search->Exact = char32_t(code);
        search->HasExact = true;
        return true;
    }
    search->Found->append(char32_t(code));
    // One more than asked for, so that the exact name still finds its place.
    return search->Found->size() <= search->Limit;
}

} // namespace

const QList<TUnicodeBlock>& UnicodeBlocks()
{
    static const QList<TUnicodeBlock> blocks = buildBlocks();
    return blocks;
}

const TUnicodeBlock* BlockOf(char32_t code)
{
    const QList<TUnicodeBlock>& blocks = UnicodeBlocks();
    const auto it = std::upper_bound(blocks.begin(), blocks.end(), code,
        [](char32_t c, const TUnicodeBlock& block) { return c < block.First; });
    if (it == blocks.begin())
        return nullptr;
    const TUnicodeBlock& block = *(it - 1);
    return code <= block.Last ? &block : nullptr;
}

QList<char32_t> BlockCharacters(const TUnicodeBlock& block)
{
    // Control characters are not text to insert; a search still finds them.
    QList<char32_t> codes;
    for (char32_t code = block.First; code <= block.Last; ++code)
        if (assigned(code) && u_charType(UChar32(code)) != U_CONTROL_CHAR)
            codes.append(code);
    return codes;
}

QString CharacterName(char32_t code)
{
    char buffer[256];
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = u_charName(UChar32(code), U_UNICODE_CHAR_NAME, buffer, sizeof buffer, &error);
    if (U_FAILURE(error) || length <= 0) {
        error = U_ZERO_ERROR;
        length = u_charName(UChar32(code), U_EXTENDED_CHAR_NAME, buffer, sizeof buffer, &error);
    }
    if (U_FAILURE(error) || length <= 0)
        return QString();
    return QString::fromLatin1(buffer, std::min<int32_t>(length, sizeof buffer - 1));
}

QString CodeText(char32_t code)
{
    return QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
}

QString DisplayText(char32_t code)
{
    const int category = u_charType(UChar32(code));
    if (code < 0x20)
        return QString(QChar(char16_t(0x2400 + code)));
    if (code == 0x7F)
        return QString(QChar(char16_t(0x2421)));
    const char32_t one[] = {code};
    const QString text = QString::fromUcs4(one, 1);
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_COMBINING_SPACING_MARK)
        return QString(QChar(char16_t(0x25CC))) + text;
    return text;
}

QList<char32_t> SearchCharacters(const QString& query, int limit)
{
    QList<char32_t> result;
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty() || limit <= 0)
        return result;
    if (const std::optional<char32_t> code = codeOf(trimmed); code && assigned(*code))
        result.append(*code);
    const QList<uint> ucs4 = trimmed.toUcs4();
    if (ucs4.size() == 1 && assigned(ucs4[0]) && !result.contains(char32_t(ucs4[0])))
        result.append(char32_t(ucs4[0]));

    // Names are upper-case ASCII; a query with other letters names nothing.
    const QString words = upperWords(trimmed);
    bool ascii = true;
    for (QChar c : words)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        QList<char32_t> found;
        TNameSearch search;
        search.Whole = words.toLatin1();
        for (const QString& word : words.split(u' ', Qt::SkipEmptyParts))
            search.Words.append(word.toLatin1());
        search.Found = &found;
        search.Limit = limit;
        UErrorCode error = U_ZERO_ERROR;
        u_enumCharNames(0, UChar32(kLastCode) + 1, matchName, &search, U_UNICODE_CHAR_NAME, &error);
        if (search.HasExact && !result.contains(search.Exact))
            result.append(search.Exact);
        for (char32_t code : found)
            if (!result.contains(code))
                result.append(code);
    }
    if (result.size() > limit)
        result.resize(limit);
    return result;
}
