#pragma once
// TExternalToolSetupForm ("Nastavit externí nástroje"): the list of external
// tools, read from the registry when the dialog is made, with buttons to add,
// edit, remove and reorder them. The dialog owns its list; the caller takes
// it after OK (Tools()) and Cancel simply drops it.
#include "tools/ExternalTools.h"

#include <QDialog>
#include <QIcon>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TEditExternalToolForm;

class TExternalToolSetupForm : public QDialog {
    Q_OBJECT
public:
    // The images are the tree's: the root's (the setup) and every tool's.
    explicit TExternalToolSetupForm(
        QWidget* owner = nullptr, const QIcon& setupImage = QIcon(), const QIcon& toolImage = QIcon());

    const std::vector<TExternalTool>& Tools() const { return tools_; }
    // Runs the edit dialog; true when it closed with OK. The default runs it
    // modally; tests fill it in instead.
    std::function<bool(TEditExternalToolForm& form)> OnRunEditor;

    // The tool the selected node stands for, or -1 (the root or nothing).
    int SelectedTool() const;
    void SelectTool(int index);

    QLabel* Label1 = nullptr;
    QTreeWidget* TreeView = nullptr;
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // Cancel
    QPushButton* Button3 = nullptr; // add
    QPushButton* Button4 = nullptr; // edit
    QPushButton* Button5 = nullptr; // remove
    QToolButton* BitBtn2 = nullptr; // move up
    QToolButton* BitBtn1 = nullptr; // move down

private:
    void rebuildTree(int select);
    void updateButtons();
    void addClick();
    void editClick();
    void removeClick();
    void moveClick(int delta);

    QIcon setupImage_;
    QIcon toolImage_;
    std::vector<TExternalTool> tools_;
    QTreeWidgetItem* root_ = nullptr;
};
