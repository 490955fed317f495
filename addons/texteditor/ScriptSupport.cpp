#include "ScriptSupport.h"

#include "WordCompletion.h"

#include <QRegularExpression>

namespace {

// Reserved words of the script language and the names of its types and
// constants, lower case: the Pascal lexer compares lower-cased words.
const char kLexerWords[] =
    "and begin case const div do downto else end for function if in mod not of or procedure program repeat set "
    "shl shr then to type until uses var while with xor "
    "byte shortint char word smallint cardinal longint integer string real single double extended comp boolean "
    "array true false result";

QString typeName(const QString& code)
{
    static const char* const names[] = {"", "BYTE", "SHORTINT", "WORD", "SMALLINT", "CARDINAL", "LONGINT", "CHAR",
        "STRING", "REAL", "SINGLE", "DOUBLE", "EXTENDED", "COMP", "BOOLEAN", "", "ARRAY"};
    bool ok = false;
    const int n = code.toInt(&ok);
    if (!ok || n < 0 || n >= int(std::size(names)) || !*names[n])
        return QStringLiteral("?");
    return QString::fromLatin1(names[n]);
}

// Byte length of one character in the file's encoding.
int encodedLength(char32_t c, TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Utf8:
        return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE:
        return c < 0x10000 ? 2 : 4;
    default:
        // The single-byte code pages.
        return 1;
    }
}

// Length in bytes of a UTF-8 sequence from its first byte.
int utf8Length(unsigned char b)
{
    return b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

char32_t utf8CodePoint(const char* p, int length)
{
    auto* u = reinterpret_cast<const unsigned char*>(p);
    if (length == 1)
        return u[0];
    char32_t c = u[0] & (0xFF >> (length + 1));
    for (int i = 1; i < length; ++i)
        c = c << 6 | (u[i] & 0x3F);
    return c;
}

} // namespace

TScriptLexer::TScriptLexer(QObject* parent)
    : QsciLexerPascal(parent)
{
}

const char* TScriptLexer::keywords(int set) const
{
    return set == 1 ? kLexerWords : nullptr;
}

const QStringList& ScriptKeywords()
{
    static const QStringList words = [] {
        QStringList list;
        for (const QString& w : QString::fromLatin1(kLexerWords).split(u' ', Qt::SkipEmptyParts))
            list << w.toUpper();
        return list;
    }();
    return words;
}

const QStringList& BuiltinScriptSignatures()
{
    static const QStringList signatures {
        QStringLiteral("7 STRGET S 8 I 6"),
        QStringLiteral("0 STRSET C 7 I 6 !S 8"),
        QStringLiteral("1 ORD C 7"),
        QStringLiteral("7 CHR B 1"),
        QStringLiteral("6 STRTOINT S 8 I 6"),
        QStringLiteral("8 INTTOSTR I 6"),
        QStringLiteral("8 UPPERCASE S 8"),
        QStringLiteral("8 COPY S 8 I1 6 I2 6"),
        QStringLiteral("0 DELETE !S 8 I1 6 I2 6"),
        QStringLiteral("0 INSERT S1 8 !S 8 I1 6"),
        QStringLiteral("6 POS S1 8 S2 8"),
        QStringLiteral("0 SETARRAYLENGTH !ARR 16 I 6"),
        QStringLiteral("6 GETARRAYLENGTH !ARR 16"),
        QStringLiteral("6 LENGTH S 8"),
        QStringLiteral("12 SIN S 12"),
        QStringLiteral("12 COS S 12"),
        QStringLiteral("6 ROUND S 12"),
        QStringLiteral("6 TRUNC S 12"),
        QStringLiteral("12 PI"),
    };
    return signatures;
}

QList<TScriptRoutine> ParseScriptSignatures(const QStringList& lines)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QList<TScriptRoutine> routines;
    for (const QString& line : lines) {
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        if (words.size() < 2)
            continue;
        TScriptRoutine routine;
        routine.Name = words[1];
        QStringList params;
        for (qsizetype i = 2; i + 1 < words.size(); i += 2) {
            QString name = words[i];
            const bool byReference = name.startsWith(u'!');
            if (byReference)
                name.remove(0, 1);
            params << (byReference ? QStringLiteral("var ") : QString()) + name + QStringLiteral(": ") +
                    typeName(words[i + 1]);
        }
        routine.HasParameters = !params.isEmpty();
        routine.CallTip = routine.Name;
        if (routine.HasParameters)
            routine.CallTip += u'(' + params.join(QStringLiteral(", ")) + u')';
        if (words[0] != u"0")
            routine.CallTip += QStringLiteral(": ") + typeName(words[0]);
        routines << routine;
    }
    return routines;
}

bool OffersCompletion(const QString& word, const QStringList& candidates)
{
    return OffersCompletion(word, candidates, ScriptKeywords());
}

TScriptApis::TScriptApis(QsciLexer* lexer, QList<TScriptRoutine> routines)
    : QsciAbstractAPIs(lexer)
    , routines_(std::move(routines))
{
}

void TScriptApis::updateAutoCompletionList(const QStringList& context, QStringList& list)
{
    const QString prefix = context.isEmpty() ? QString() : context.last();
    QStringList found;
    for (const TScriptRoutine& routine : routines_)
        if (routine.Name.startsWith(prefix, Qt::CaseInsensitive))
            found << routine.Name;
    for (const QString& keyword : ScriptKeywords())
        if (keyword.startsWith(prefix, Qt::CaseInsensitive))
            found << keyword.toLower();
    found.removeDuplicates();
    found.sort(Qt::CaseInsensitive);
    list += found;
}

QStringList TScriptApis::callTips(const QStringList& context, int, QsciScintilla::CallTipsStyle, QList<int>& shifts)
{
    // The last word of the context is the empty one after "("; the routine's
    // name is the word before it.
    if (context.size() < 2)
        return {};
    const QString& name = context[context.size() - 2];
    QStringList tips;
    for (const TScriptRoutine& routine : routines_) {
        if (routine.HasParameters && routine.Name.compare(name, Qt::CaseInsensitive) == 0) {
            tips << routine.CallTip;
            shifts << 0;
        }
    }
    return tips;
}

qsizetype ScriptPositionToEditor(const QByteArray& utf8Text, const TTextFormat& format, qint64 scriptPosition)
{
    if (scriptPosition < 0)
        return -1;
    const char* d = utf8Text.constData();
    const qsizetype n = utf8Text.size();
    qint64 remaining = scriptPosition;
    qsizetype lineStart = 0;
    for (;;) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < n && d[lineEnd] != '\r' && d[lineEnd] != '\n')
            ++lineEnd;
        // Walk the line's characters, counting their bytes in the file.
        qsizetype at = lineStart;
        qint64 bytes = 0;
        while (at < lineEnd) {
            const int length = std::min<qsizetype>(utf8Length(static_cast<unsigned char>(d[at])), lineEnd - at);
            const int width = encodedLength(utf8CodePoint(d + at, length), format.Encoding);
            if (bytes + width > remaining)
                return at;
            bytes += width;
            at += length;
        }
        // The position is on this line's CR LF, or the text ends here.
        if (remaining < bytes + 2 || lineEnd >= n)
            return lineEnd;
        remaining -= bytes + 2;
        lineStart = lineEnd + ((d[lineEnd] == '\r' && lineEnd + 1 < n && d[lineEnd + 1] == '\n') ? 2 : 1);
    }
}
