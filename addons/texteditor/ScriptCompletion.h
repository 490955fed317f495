#pragma once
// When the script editor's completion list opens and which keys it takes.
// The list must never cost the user a keystroke: it opens by itself only
// while an identifier is being typed that some routine, keyword or word of
// the document continues (never after a complete keyword, a "." or inside a
// comment or string), and then Enter still breaks the line; Enter takes the
// chosen entry only once the user moved through the list or asked for it
// with Ctrl+Space. Tab always takes it.
#include <QObject>
#include <QString>
#include <QStringList>

class QsciScintilla;

class TScriptCompletion : public QObject {
public:
    explicit TScriptCompletion(QsciScintilla* editor);

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
    // The list on screen was asked for, or the user moved through it.
    bool requested_ = false;
    bool moved_ = false;
};
