#pragma once
// F1 in the script editor: asks the host to show its help on the word under
// the caret (a host function, keyword or built-in routine), through the
// host's export QXShowHelp. Without a word the help opens at its start page.
#include <QObject>
#include <QString>

class QsciScintilla;

class TScriptHelp : public QObject {
public:
    // Watches the editor's keys; like TWordCompletion it is deleted before
    // the editor.
    explicit TScriptHelp(QsciScintilla* editor);
    ~TScriptHelp() override;

    // The identifier at or directly before the caret; empty when there is none.
    QString WordAtCaret() const;
    // Shows the help for WordAtCaret.
    void Show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QsciScintilla* editor_;
};
