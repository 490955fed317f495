#pragma once
// Choosing scripts: TSelectScriptForm lists the script files of the scripts
// directory; ChooseFilesToOpen is the open dialog of the script commands and
// of the script function SelectFiles.
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

// An open dialog over filter ("Description|patterns|..." pairs) starting in
// initialDir; the first filter is preselected when selectFirst is set or
// there are fewer than two, otherwise the second. True when confirmed, with
// the chosen files' full paths in files. Modal to its owner only.
bool ChooseFilesToOpen(QWidget* owner, const QString& caption, const QString& filter, bool selectFirst,
    const QString& initialDir, QStringList& files);
