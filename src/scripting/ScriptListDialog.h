#pragma once
// The list dialog of the script functions ShowListDialog and
// ShowCheckListDialog: a prompt, a picture and a read-only list, optionally
// with check boxes. OK is enabled only while an item is selected.
#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QTreeWidget;

class TScriptListDialogForm : public QDialog {
    Q_OBJECT
public:
    explicit TScriptListDialogForm(QWidget* owner = nullptr);

    QLabel* Label1 = nullptr;       // the prompt, word-wrapped
    QLabel* Image1 = nullptr;
    QTreeWidget* ListView = nullptr;
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // Cancel

    // One item per line, each with an unchecked check box when checkBoxes.
    void SetLines(const QStringList& lines, bool checkBoxes);
    // The selected item's position, or -1.
    int SelectedIndex() const;
    bool IsChecked(int index) const;
    void SetChecked(int index, bool checked);

private:
    void listViewSelectItem();
};
