#pragma once
// The find and replace dialog of one editor window: find forwards or
// backwards, replace one match or all of them, with match case, whole
// words, regular expressions (ECMAScript syntax, "\1" in the replacement
// for a group) and wrapping at the end of the document. It stays open
// beside the document while the user works.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QsciScintilla;
class TUndoSteps;

class TFindReplaceDialog : public QDialog {
public:
    TFindReplaceDialog(QsciScintilla* editor, TUndoSteps* steps, QWidget* parent);

    // Shows the dialog with the selected text (one line of it) as the text to
    // find; with replace the replacement field gets the focus.
    void Open(bool replace);
    // The next match in the dialog's direction (or against it); false when
    // there is none. Usable while the dialog is hidden (F3).
    bool FindNext(bool reverse = false);
    // Replaces the selected match and selects the next one.
    bool ReplaceCurrent();
    // Replaces every match in the document as one undo step; the count.
    int ReplaceAll();

private:
    struct TPattern {
        QByteArray Text;
        int Flags = 0;
        bool Regex = false;
    };
    bool pattern(TPattern& p);
    // Searches [from, to) (backwards when from > to); the match or -1.
    long search(const TPattern& p, long from, long to, long& matchEnd);
    void remember(QComboBox* box);
    void say(const QString& text);

    QsciScintilla* editor_;
    TUndoSteps* steps_;
    QComboBox* find_;
    QComboBox* replace_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QCheckBox* regex_;
    QCheckBox* wrap_;
    QCheckBox* backwards_;
    QLabel* status_;
};
