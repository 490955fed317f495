#pragma once
// Find and replace in a rich-text document: a modeless dialog over the
// editor, searching forward from the caret and round past the end.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

class TRichFindDialog : public QDialog {
public:
    TRichFindDialog(QTextEdit* editor, QWidget* parent);

    // Shows the dialog for finding or, with replace, for replacing; the
    // selected text (one line of it) becomes the search text.
    void Open(bool replace);
    // Selects the next match after the caret; false when there is none.
    bool FindNext();
    // Replaces the selected match and finds the next one.
    void ReplaceOne();
    // Replaces every match as one undo step; the number replaced.
    int ReplaceAll();

    QLineEdit* FindEdit() const { return find_; }
    QLineEdit* ReplaceEdit() const { return replace_; }

    // Called before the dialog changes the text, with the undo step's name.
    std::function<void(const QString&)> OnEdit;

private:
    bool matchesSelection() const;
    int flags() const;

    QTextEdit* editor_;
    QLineEdit* find_;
    QLineEdit* replace_;
    QLabel* replaceLabel_;
    QCheckBox* case_;
    QCheckBox* words_;
    QLabel* status_;
    QPushButton* next_;
    QPushButton* replaceOne_;
    QPushButton* replaceAll_;
};
