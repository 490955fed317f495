#pragma once
// Choosing scripts: TSelectScriptForm lists the script files of the scripts
// directory.
#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class TSelectScriptForm : public QDialog {
    Q_OBJECT
public:
    // Lists every "*.qx" file of the scripts directory, sorted by name
    // without regard to case.
    explicit TSelectScriptForm(QWidget* owner = nullptr);

    QLabel* Label1 = nullptr;
    QTreeWidget* ListView = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit1 = nullptr;     // full path of the selected script
    QPushButton* Button1 = nullptr; // OK, enabled while a script is selected
    QPushButton* Button2 = nullptr;

private:
    void listViewSelectItem();
};

// The script files of the scripts directory: the names of the entries that
// match "*.qx" and are files, in the order the directory lists them.
QStringList ScriptFileNames();
