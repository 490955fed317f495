#pragma once
// The workspace selection dialog: one of the open project's workspaces with
// its description and documents. After OK the caller takes the workspace at
// ComboBox1's position.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class TProject;

class TSelectWorkspaceForm : public QDialog {
    Q_OBJECT
public:
    explicit TSelectWorkspaceForm(QWidget* owner = nullptr);

    TProject* Project = nullptr;

    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QTreeWidget* ListView = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    // Fills the list of workspaces from Project (done on show).
    void LoadProject();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showWorkspace(int index);
};
