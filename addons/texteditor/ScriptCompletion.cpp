#include "ScriptCompletion.h"

#include "Sci.h"
#include "ScriptSupport.h"

#include <QEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QSet>

#include <Qsci/qsciabstractapis.h>
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>

namespace {

// Words of the document are looked for in documents up to this size; in
// larger ones the scan would cost time at every key.
constexpr long kDocumentWordsLimit = 2 * 1024 * 1024;

bool isIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A byte of a character outside ASCII: a letter of a word that is not an
// identifier of the script language.
bool isForeign(char c)
{
    return static_cast<unsigned char>(c) >= 0x80;
}

bool isCommentOrString(long style)
{
    switch (style) {
    case QsciLexerPascal::Comment:
    case QsciLexerPascal::CommentParenthesis:
    case QsciLexerPascal::CommentLine:
    case QsciLexerPascal::SingleQuotedString:
    case QsciLexerPascal::UnclosedString:
    case QsciLexerPascal::Character:
        return true;
    default:
        return false;
    }
}

} // namespace

TScriptCompletion::TScriptCompletion(QsciScintilla* editor)
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
    connect(editor_, &QsciScintillaBase::SCN_CHARADDED, this, &TScriptCompletion::charAdded);
}

void TScriptCompletion::Request()
{
    if (editor_->isListActive())
        editor_->cancelList();
    long start = 0;
    const QString word = wordBeforeCaret(start);
    show(word, candidates(word, start), true);
}

bool TScriptCompletion::eventFilter(QObject* watched, QEvent* event)
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

void TScriptCompletion::charAdded(int ch)
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
    long start = 0;
    const QString word = wordBeforeCaret(start);
    const bool offered = !word.isEmpty() && !inCommentOrString(start) && OffersCompletion(word, candidates(word, start));
    if (active && !offered)
        editor_->cancelList();
    else if (!active && offered)
        show(word, candidates(word, start), false);
}

QString TScriptCompletion::wordBeforeCaret(long& start) const
{
    const char* text = SciCharacters(editor_);
    const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
    start = caret;
    while (start > 0 && isIdentifierChar(text[start - 1]))
        --start;
    if (start > 0 && isForeign(text[start - 1]))
        return QString();
    return QString::fromLatin1(text + start, caret - start);
}

bool TScriptCompletion::inCommentOrString(long position) const
{
    if (!qobject_cast<QsciLexerPascal*>(editor_->lexer()))
        return false;
    // The lexer styles the text when it is drawn; what was just typed may
    // not be styled yet.
    const long line = Sci(editor_, QsciScintillaBase::SCI_LINEFROMPOSITION, position);
    const long caret = Sci(editor_, QsciScintillaBase::SCI_GETCURRENTPOS);
    Sci(editor_, QsciScintillaBase::SCI_COLOURISE, Sci(editor_, QsciScintillaBase::SCI_POSITIONFROMLINE, line), caret);
    return isCommentOrString(Sci(editor_, QsciScintillaBase::SCI_GETSTYLEAT, position));
}

QStringList TScriptCompletion::candidates(const QString& prefix, long wordStart) const
{
    QStringList words;
    if (QsciLexer* lexer = editor_->lexer())
        if (QsciAbstractAPIs* apis = lexer->apis())
            apis->updateAutoCompletionList(QStringList {prefix}, words);
    const long length = SciLength(editor_);
    if (length <= kDocumentWordsLimit) {
        // Words in comments and strings are not names of the script; only
        // the styled part of the text says where those are.
        const bool styles = qobject_cast<QsciLexerPascal*>(editor_->lexer()) != nullptr;
        const long styled = Sci(editor_, QsciScintillaBase::SCI_GETENDSTYLED);
        const char* text = SciCharacters(editor_);
        const QByteArray p = prefix.toLatin1();
        for (long i = 0; i < length;) {
            if (!isIdentifierChar(text[i]) && !isForeign(text[i])) {
                ++i;
                continue;
            }
            long end = i;
            bool foreign = false;
            while (end < length && (isIdentifierChar(text[end]) || isForeign(text[end]))) {
                foreign = foreign || isForeign(text[end]);
                ++end;
            }
            const long size = end - i;
            if (!foreign && i != wordStart && size > p.size() && !(text[i] >= '0' && text[i] <= '9') &&
                qstrnicmp(text + i, p.constData(), p.size()) == 0 &&
                !(styles && i < styled && isCommentOrString(Sci(editor_, QsciScintillaBase::SCI_GETSTYLEAT, i))))
                words << QString::fromLatin1(text + i, size);
            i = end;
        }
    }
    // One entry per name whatever its letter case, the routine's own
    // spelling first.
    QStringList unique;
    QSet<QString> seen;
    for (const QString& word : std::as_const(words))
        if (!seen.contains(word.toLower())) {
            seen.insert(word.toLower());
            unique << word;
        }
    unique.sort(Qt::CaseInsensitive);
    return unique;
}

void TScriptCompletion::show(const QString& prefix, const QStringList& words, bool requested)
{
    if (words.isEmpty())
        return;
    requested_ = requested;
    moved_ = false;
    const char separator = '\x03';
    Sci(editor_, QsciScintillaBase::SCI_AUTOCSETSEPARATOR, separator);
    Sci(editor_, QsciScintillaBase::SCI_AUTOCSETCHOOSESINGLE, 0);
    const QByteArray list = words.join(QChar(separator)).toUtf8();
    SciText(editor_, QsciScintillaBase::SCI_AUTOCSHOW, long(prefix.toUtf8().size()), list.constData());
    // The list is a widget of its own; clicks in it count as using it.
    for (QListWidget* box : editor_->findChildren<QListWidget*>())
        if (box->viewport())
            box->viewport()->installEventFilter(this);
}
