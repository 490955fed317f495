#include "WordCompletion.h"

#include "Sci.h"

#include <QEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPalette>
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

// What a byte is to a word: ASCII letters and "_" start one, digits go on
// one, bytes >= 0x80 begin or continue a character outside ASCII (a letter
// of a word or a separator, as the decoded character says), everything else
// separates words.
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

// The character outside ASCII whose UTF-8 form starts at bytes[at] and its
// length in bytes; a broken sequence counts as one byte of U+FFFD.
char32_t decodeUtf8(const unsigned char* bytes, long at, long length, int& size)
{
    const unsigned char lead = bytes[at];
    size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (size == 1 || at + size > length) {
        size = 1;
        return U'\uFFFD';
    }
    char32_t c = lead & (0x3F >> (size - 1));
    for (int i = 1; i < size; ++i) {
        if ((bytes[at + i] & 0xC0) != 0x80) {
            size = 1;
            return U'\uFFFD';
        }
        c = (c << 6) | (bytes[at + i] & 0x3F);
    }
    return c;
}

// The size in bytes of the character at at.
int characterSize(const unsigned char* bytes, long at, long length)
{
    int size = 1;
    if (bytes[at] >= 0x80)
        decodeUtf8(bytes, at, length, size);
    return size;
}

// Whether a character outside ASCII belongs to a word: letters, digits and
// the marks that accents are made of in decomposed text.
bool isWordCharacter(char32_t c)
{
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

// The size of the word character that ends just before at (0 when what
// ends there separates words); digits count.
int wordCharBefore(const unsigned char* bytes, long at)
{
    if (at <= 0)
        return 0;
    if (bytes[at - 1] < 0x80)
        return kCharClasses[bytes[at - 1]] != kSeparator ? 1 : 0;
    long lead = at - 1;
    while (lead > 0 && at - lead < 4 && (bytes[lead] & 0xC0) == 0x80)
        --lead;
    int size = 0;
    const char32_t c = decodeUtf8(bytes, lead, at, size);
    return lead + size == at && isWordCharacter(c) ? int(at - lead) : 0;
}

// The end of the word character starting at at (digits count), or at
// itself when the character there separates words.
long wordCharAt(const unsigned char* bytes, long at, long length)
{
    if (kCharClasses[bytes[at]] != kForeign)
        return kCharClasses[bytes[at]] == kSeparator ? at : at + 1;
    int size = 0;
    const char32_t c = decodeUtf8(bytes, at, length, size);
    return isWordCharacter(c) ? at + size : at;
}

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
    const QString prefixText = QString::fromUtf8(prefix);
    // Each spelling once: a name used a thousand times is compared once.
    std::unordered_set<std::string_view> seen;
    // Whether the word of size bytes at start begins with the prefix and
    // goes on beyond it (letter case ignored). Most words are ASCII and
    // compared bytewise; others through their letters.
    auto continuesPrefix = [&](long start, long size, bool foreign) {
        if (size <= prefixSize)
            return false;
        if (!foreign)
            return qstrnicmp(text + start, prefix.constData(), prefixSize) == 0;
        const QString word = QString::fromUtf8(text + start, size);
        return word.size() > prefixText.size() && word.startsWith(prefixText, Qt::CaseInsensitive);
    };
    // The word from start, when it is a candidate; returns where it ends
    // (start itself when no word starts there).
    auto take = [&](long start) {
        long end = start;
        bool foreign = false;
        for (long next; end < length && (next = wordCharAt(bytes, end, length)) > end; end = next)
            foreign = foreign || kCharClasses[bytes[end]] == kForeign;
        const long size = end - start;
        if (size > 0 && kCharClasses[bytes[start]] != kDigit && continuesPrefix(start, size, foreign) &&
            !(skip && skip(start)) && seen.insert(std::string_view(text + start, size_t(size))).second)
            words << QString::fromUtf8(text + start, size);
        return end;
    };
    if (prefixSize == 0) {
        for (long i = 0; i < length;) {
            const long end = take(i);
            i = end > i ? end : i + characterSize(bytes, i, length);
        }
        return;
    }
    // With a prefix only words starting with its first letter count: the
    // search jumps from one such letter to the next (in either case, in
    // the order of the text) instead of looking at every byte; a key typed
    // in a document of megabytes costs little more than in a small one.
    // For a letter outside ASCII the jump goes to the first byte of its
    // UTF-8 form and the word is checked there.
    const QString first = prefixText.left(1);
    const char lower = first.toLower().toUtf8().at(0);
    const char upper = first.toUpper().toUtf8().at(0);
    auto next = [&](char c, long from) {
        const void* found = from < length ? std::memchr(text + from, c, size_t(length - from)) : nullptr;
        return found ? long(static_cast<const char*>(found) - text) : length;
    };
    long atLower = next(lower, 0);
    long atUpper = lower == upper ? length : next(upper, 0);
    while (atLower < length || atUpper < length) {
        const long at = std::min(atLower, atUpper);
        // Only the first letter of a word.
        const long after = std::max(at + 1, wordCharBefore(bytes, at) ? at + 1 : take(at));
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

TWordCompletion::~TWordCompletion()
{
    editor_->removeEventFilter(this);
    for (const QPointer<QObject>& watched : std::as_const(watchedList_))
        if (watched)
            watched->removeEventFilter(this);
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
    if (ch > 0x7F ? !isWordCharacter(char32_t(ch)) : !isIdentifierChar(char(ch)))
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
    const auto* text = reinterpret_cast<const unsigned char*>(bytes.constData());
    long at = long(bytes.size());
    while (const int size = wordCharBefore(text, at))
        at -= size;
    start = from + at;
    // A word longer than what was read is not completed.
    if (at == 0 && from > lineStart)
        return QString();
    return QString::fromUtf8(bytes.constData() + at, bytes.size() - at);
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
    const auto* unsignedText = reinterpret_cast<const unsigned char*>(text);
    if (from > 0) {
        while (first < last && (unsignedText[first] & 0xC0) == 0x80)
            ++first;
        for (long end; first < last && (end = wordCharAt(unsignedText, first, last)) > first;)
            first = end;
    }
    if (to < length)
        while (const int size = last > first ? wordCharBefore(unsignedText, last) : 0)
            last -= size;
    // Words in comments and strings are not names of a script; only the
    // styled part of the text says where those are.
    const long styled = codeWordsOnly_ && lexer ? Sci(editor_, QsciScintillaBase::SCI_GETENDSTYLED) : 0;
    const long base = from + first;
    CollectWords(text + first, last - first, prefix.toUtf8(),
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
    // The list is a widget of its own: it takes the text's colours, so that a
    // dark scheme does not get a white list, and clicks in it count as using it.
    // Style 0 is the plain text of every lexer and of a text without one.
    const auto colour = [this](unsigned int message) {
        const long bgr = Sci(editor_, message, 0);
        return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    };
    const QColor paper = colour(QsciScintillaBase::SCI_STYLEGETBACK);
    const QColor text = colour(QsciScintillaBase::SCI_STYLEGETFORE);
    for (QListWidget* box : editor_->findChildren<QListWidget*>()) {
        QPalette palette = box->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Base, paper);
            palette.setColor(group, QPalette::Window, paper);
            palette.setColor(group, QPalette::Text, text);
        }
        box->setPalette(palette);
        if (box->viewport() && !watchedList_.contains(box->viewport())) {
            box->viewport()->installEventFilter(this);
            watchedList_ << box->viewport();
        }
    }
}
