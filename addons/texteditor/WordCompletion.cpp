#include "WordCompletion.h"

#include "Sci.h"

#include <QEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QSet>

#include <Qsci/qsciabstractapis.h>
#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string_view>
#include <unordered_set>

namespace {

// An identifier longer than this is not completed; it bounds what is read
// back from the caret at each key.
constexpr long kLongestWord = 1024;

constexpr bool isIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A byte of a character outside ASCII: a letter of a word that is not an
// identifier.
bool isForeign(char c)
{
    return static_cast<unsigned char>(c) >= 0x80;
}

// What a byte is to a word: ASCII letters and "_" start one, digits go on
// one, bytes of characters outside ASCII belong to a word that is not an
// identifier, everything else separates words.
enum TCharClass : unsigned char { kSeparator, kLetter, kDigit, kForeign };

constexpr std::array<TCharClass, 256> charClasses()
{
    std::array<TCharClass, 256> classes {};
    for (int c = 0; c < 256; ++c)
        classes[size_t(c)] = c >= 0x80 ? kForeign
            : (c >= '0' && c <= '9')   ? kDigit
            : isIdentifierChar(char(c)) ? kLetter
                                        : kSeparator;
    return classes;
}

constexpr std::array<TCharClass, 256> kCharClasses = charClasses();

} // namespace

bool OffersCompletion(const QString& word, const QStringList& candidates, const QStringList& keywords)
{
    if (word.size() < kCompletionThreshold || !(word[0].isLetter() || word[0] == u'_'))
        return false;
    for (const QString& keyword : keywords)
        if (keyword.compare(word, Qt::CaseInsensitive) == 0)
            return false;
    for (const QString& candidate : candidates)
        if (candidate.size() > word.size() && candidate.startsWith(word, Qt::CaseInsensitive))
            return true;
    return false;
}

void CollectWords(const char* text, long length, const QByteArray& prefix, const std::function<bool(long)>& skip,
    QStringList& words)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const long prefixSize = long(prefix.size());
    // Each spelling once: a name used a thousand times is compared once.
    std::unordered_set<std::string_view> seen;
    // The word from start, when it is a candidate.
    auto take = [&](long start) {
        long end = start;
        bool foreign = false;
        for (; end < length && kCharClasses[bytes[end]] != kSeparator; ++end)
            foreign = foreign || kCharClasses[bytes[end]] == kForeign;
        const long size = end - start;
        if (size > prefixSize && !foreign && kCharClasses[bytes[start]] != kDigit &&
            qstrnicmp(text + start, prefix.constData(), prefixSize) == 0 && !(skip && skip(start)) &&
            seen.insert(std::string_view(text + start, size_t(size))).second)
            words << QString::fromLatin1(text + start, size);
        return end;
    };
    if (prefixSize == 0) {
        for (long i = 0; i < length;) {
            while (i < length && kCharClasses[bytes[i]] == kSeparator)
                ++i;
            if (i < length)
                i = take(i);
        }
        return;
    }
    // With a prefix only words starting with its first letter count: the
    // search jumps from one such letter to the next (in either case, in
    // the order of the text) instead of looking at every byte; a key typed
    // in a document of megabytes costs little more than in a small one.
    const char lower = char(std::tolower(static_cast<unsigned char>(prefix[0])));
    const char upper = char(std::toupper(static_cast<unsigned char>(prefix[0])));
    auto next = [&](char c, long from) {
        const void* found = from < length ? std::memchr(text + from, c, size_t(length - from)) : nullptr;
        return found ? long(static_cast<const char*>(found) - text) : length;
    };
    long atLower = next(lower, 0);
    long atUpper = lower == upper ? length : next(upper, 0);
    while (atLower < length || atUpper < length) {
        const long at = std::min(atLower, atUpper);
        // Only the first letter of a word.
        const long after = at > 0 && kCharClasses[bytes[at - 1]] != kSeparator ? at + 1 : take(at);
        if (atLower < after)
            atLower = next(lower, after);
        if (atUpper < after)
            atUpper = lower == upper ? length : next(upper, after);
    }
}

QStringList UniqueWords(const QStringList& words, Qt::CaseSensitivity sensitivity)
{
    QStringList unique;
    QSet<QString> seen;
    for (const QString& word : words) {
        const QString key = sensitivity == Qt::CaseSensitive ? word : word.toLower();
        if (!seen.contains(key)) {
            seen.insert(key);
            unique << word;
        }
    }
    // Spellings of one word in a fixed order: capitals first.
    std::sort(unique.begin(), unique.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return unique;
}

bool IsCommentOrStringStyle(const QsciLexer* lexer, int style)
{
    if (!lexer)
        return false;
    // Every lexer names its styles ("C++ comment", "Double-quoted string",
    // "Single-quoted here document"...); a style list per lexer would have
    // to follow each of them. A few keyword styles mention strings or
    // characters too ("String, table and maths functions", "Hide command
    // character"): those are code.
    const QString name = lexer->description(style).toLower();
    if (name.contains(u"comment") || name.contains(u"regular expression") || name.contains(u"here document"))
        return true;
    return (name.contains(u"string") || name.contains(u"character")) && !name.contains(u"function") &&
        !name.contains(u"command");
}

TWordCompletion::TWordCompletion(QsciScintilla* editor)
    : QObject(editor)
    , editor_(editor)
{
    // The component's own rules would open the list after a "." and take
    // Enter from it; this object decides instead.
    editor_->setAutoCompletionSource(QsciScintilla::AcsNone);
    editor_->setAutoCompletionCaseSensitivity(false);
    editor_->setAutoCompletionReplaceWord(true);
    editor_->installEventFilter(this);
    // Connected after the component's own handler, which indents new lines
    // and shows call tips first.
    connect(editor_, &QsciScintillaBase::SCN_CHARADDED, this, &TWordCompletion::charAdded);
}

void TWordCompletion::SetKeywords(QStringList keywords)
{
    keywords_ = std::move(keywords);
}

void TWordCompletion::Request()
{
    if (editor_->isListActive())
        editor_->cancelList();
    long start = 0;
    const QString word = wordBeforeCaret(start);
    show(word, candidates(word, start), true);
}

bool TWordCompletion::eventFilter(QObject* watched, QEvent* event)
{
    if (!editor_->isListActive())
        return false;
    if (watched != editor_) {
        // A click in the list picks an entry as the arrow keys do.
        if (event->type() == QEvent::MouseButtonPress)
            moved_ = true;
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        moved_ = true;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Home:
    case Qt::Key_End:
        // A list that opened by itself and was not used: the key does what
        // it does without a list.
        if (!requested_ && !moved_)
            editor_->cancelList();
        break;
    default:
        break;
    }
    return false;
}

void TWordCompletion::charAdded(int ch)
{
    if (Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONSTART) != Sci(editor_, QsciScintillaBase::SCI_GETSELECTIONEND))
        return;
    const bool active = editor_->isListActive();
    // A list asked for follows the typing as the component does.
    if (active && requested_)
        return;
    // Anything but a letter of an identifier: the component closes the list
    // when the word no longer matches, and nothing opens.
    if (ch > 0x7F || !isIdentifierChar(char(ch)))
        return;
    if (!active && !automatic_)
        return;
    long start = 0;
    const QString word = wordBeforeCaret(start);
    // Most keys end here: the word is too short to offer anything.
    if (word.size() < kCompletionThreshold) {
        if (active)
            editor_->cancelList();
        return;
    }
    const QStringList words = inCommentOrString(start) ? QStringList() : candidates(word, start);
    const bool offered = OffersCompletion(word, words, keywords_);
    if (active && !offered)
        editor_->cancelList();
    else if (!active && offered)
        show(word, words, false);
}

QString TWordCompletion::wordBeforeCaret(long& start) const
{
    const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
    const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, caret);
    const long lineStart = Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, line);
    const long from = std::max(lineStart, caret - kLongestWord - 1);
    const QByteArray bytes = SciTextRange(editor_, from, caret);
    const char* text = bytes.constData();
    long at = long(bytes.size());
    while (at > 0 && isIdentifierChar(text[at - 1]))
        --at;
    start = from + at;
    if (at > 0 && isForeign(text[at - 1]))
        return QString();
    if (at == 0 && from > lineStart)
        return QString();
    return QString::fromLatin1(text + at, bytes.size() - at);
}

bool TWordCompletion::inCommentOrString(long position) const
{
    QsciLexer* lexer = editor_->lexer();
    if (!lexer)
        return false;
    // The lexer styles the text when it is drawn; what was just typed may
    // not be styled yet.
    const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, position);
    const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
    Sci(editor_, QsciScintillaBase::SCI_COLOURISE, Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, line), caret);
    return IsCommentOrStringStyle(lexer, int(Sci(editor_, QsciScintillaBase::SCI_GETSTYLEAT, position)));
}

QStringList TWordCompletion::candidates(const QString& prefix, long wordStart) const
{
    QStringList words;
    QsciLexer* lexer = editor_->lexer();
    if (lexer)
        if (QsciAbstractAPIs* apis = lexer->apis())
            apis->updateAutoCompletionList(QStringList {prefix}, words);

    // The window around the caret, inside the document.
    const long length = SciLength(editor_);
    const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
    const long from = std::clamp(caret - kCompletionWordWindow / 2, 0L, std::max(0L, length - kCompletionWordWindow));
    const long to = std::min(length, from + kCompletionWordWindow);
    const QByteArray bytes = SciTextRange(editor_, from, to);
    const char* text = bytes.constData();
    // A word cut by the window's edges is not one of the document's words.
    long first = 0, last = long(bytes.size());
    if (from > 0)
        while (first < last && (isIdentifierChar(text[first]) || isForeign(text[first])))
            ++first;
    if (to < length)
        while (last > first && (isIdentifierChar(text[last - 1]) || isForeign(text[last - 1])))
            --last;
    // Words in comments and strings are not names of a script; only the
    // styled part of the text says where those are.
    const long styled = codeWordsOnly_ && lexer ? Sci(editor_, QsciScintillaBase::SCI_GETENDSTYLED) : 0;
    const long base = from + first;
    CollectWords(text + first, last - first, prefix.toLatin1(),
        [&](long offset) {
            const long at = base + offset;
            return at == wordStart ||
                (at < styled && IsCommentOrStringStyle(lexer, int(Sci(editor_, QsciScintillaBase::SCI_GETSTYLEAT, at))));
        },
        words);

    for (const QString& keyword : keywords_)
        if (keyword.size() > prefix.size() && keyword.startsWith(prefix, Qt::CaseInsensitive))
            words << keyword;
    // One entry per name (whatever its letter case where the language
    // ignores case: the routine's own spelling first).
    return UniqueWords(words, caseSensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

void TWordCompletion::show(const QString& prefix, const QStringList& words, bool requested)
{
    if (words.isEmpty())
        return;
    requested_ = requested;
    moved_ = false;
    const char separator = '\x03';
    Sci(editor_, QsciScintillaBase::SCI_AUTOCSETSEPARATOR, separator);
    Sci(editor_, QsciScintillaBase::SCI_AUTOCSETCHOOSESINGLE, 0);
    // A lexer may have set the component's own case rule; the list matches
    // what is typed whatever its case, as the candidates were chosen.
    Sci(editor_, QsciScintillaBase::SCI_AUTOCSETIGNORECASE, 1);
    const QByteArray list = words.join(QChar(separator)).toUtf8();
    SciText(editor_, QsciScintillaBase::SCI_AUTOCSHOW, long(prefix.toUtf8().size()), list.constData());
    // The list is a widget of its own; clicks in it count as using it.
    for (QListWidget* box : editor_->findChildren<QListWidget*>())
        if (box->viewport())
            box->viewport()->installEventFilter(this);
}
