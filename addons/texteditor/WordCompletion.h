#pragma once
// Word completion in both editors: when the list opens and which keys it
// takes. The list offers the words of the document and the language's
// keywords (in the script editor also the routines a script can call).
//
// The list must never cost the user a keystroke: it opens by itself only
// while an identifier is being typed that some candidate continues (never
// after a complete keyword, a "." or inside a comment or string), and then
// Enter still breaks the line; Enter takes the chosen entry only once the
// user moved through the list or asked for it with Ctrl+Space. Tab always
// takes it, Escape closes it, and typing on narrows it.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QsciLexer;
class QsciScintilla;

// Characters of an identifier typed before completion offers itself.
inline constexpr int kCompletionThreshold = 3;

// The document's words are collected from a window of this many bytes
// around the caret: the whole of any smaller document. A larger one would
// cost time at every key.
inline constexpr long kCompletionWordWindow = 2 * 1024 * 1024;

// Whether completion opens by itself for the identifier being typed: at
// least kCompletionThreshold characters, starting with a letter or "_", not
// one of keywords, and some candidate goes on beyond it (letter case
// ignored throughout).
bool OffersCompletion(const QString& word, const QStringList& candidates, const QStringList& keywords);

// Appends to words the words of the UTF-8 text that start with the UTF-8
// prefix (letter case ignored) and are longer than it. A word is a run of
// letters (of any alphabet: "příliš" is one word), digits and "_" that does
// not start with a digit. skip(offset) leaves out the word starting at that
// offset of text.
void CollectWords(const char* text, long length, const QByteArray& prefix, const std::function<bool(long)>& skip,
    QStringList& words);

// One entry per word (without regard to case: per word whatever its letter
// case, the first spelling winning), sorted without regard to case.
QStringList UniqueWords(const QStringList& words, Qt::CaseSensitivity sensitivity = Qt::CaseInsensitive);

// Whether the lexer's style colours a comment or a string or character
// literal, as the lexer describes its styles.
bool IsCommentOrStringStyle(const QsciLexer* lexer, int style);

class TWordCompletion : public QObject {
public:
    // Takes over the editor's completion; owned by the editor. It watches the
    // editor's events: whoever destroys the editor deletes this object first,
    // since Qt still sends events (the pointer leaving) while QWidget takes a
    // widget apart, and the editor is no working editor by then.
    explicit TWordCompletion(QsciScintilla* editor);
    // Takes its event filters off the editor and the list.
    ~TWordCompletion() override;

    // The language's keywords: offered with the document's words, and a
    // complete one is never completed further.
    void SetKeywords(QStringList keywords);
    // Take the document's words from code only, not from comments and
    // strings (the script editor: only names of the script count).
    void SetCodeWordsOnly(bool on) { codeWordsOnly_ = on; }
    // Whether words that differ in letter case only are different words of
    // the language (C++: "counts" beside "Counts"); they are one in the
    // script language and in others that ignore case.
    void SetCaseSensitive(bool on) { caseSensitive_ = on; }
    // Whether the list opens by itself while typing; Request always works.
    void SetAutomatic(bool on) { automatic_ = on; }
    bool Automatic() const { return automatic_; }

    // Ctrl+Space: every candidate for the word at the caret, even none typed.
    void Request();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void charAdded(int ch);
    // The identifier ending at the caret, and where it starts.
    QString wordBeforeCaret(long& start) const;
    bool inCommentOrString(long position) const;
    // Routines and keywords, and the document's own words longer than the
    // prefix, that start with it (letter case ignored).
    QStringList candidates(const QString& prefix, long wordStart) const;
    void show(const QString& prefix, const QStringList& words, bool requested);

    QsciScintilla* editor_;
    // The list's parts whose events this object watches.
    QList<QPointer<QObject>> watchedList_;
    QStringList keywords_;
    bool codeWordsOnly_ = false;
    bool caseSensitive_ = false;
    bool automatic_ = true;
    // The list on screen was asked for, or the user moved through it.
    bool requested_ = false;
    bool moved_ = false;
};
