#pragma once
// The project options dialog: name, description, default directory and file
// list of a new or of the open project. It changes nothing in the project;
// after OK the caller reads ProjNameEdit, ProjDescEdit, DirEdit and Paths().
#include <QDialog>
#include <functional>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class QTreeWidget;
class TProject;

class TProjectOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TProjectOptionsForm(QWidget* owner = nullptr);

    // The project shown; set before showing (not owned).
    TProject* Project = nullptr;

    QTreeView* ProjDirTree = nullptr;
    QLineEdit* DirEdit = nullptr;
    QLineEdit* ProjNameEdit = nullptr;
    QLineEdit* ProjDescEdit = nullptr;
    QTreeWidget* ListView = nullptr;
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // Cancel
    QPushButton* Button3 = nullptr; // Add
    QPushButton* Button4 = nullptr; // Remove

    // Fills the controls from Project (done on show).
    void LoadProject();
    // Adds files not yet listed and sorts the list by file name.
    void AddFiles(const QStringList& paths);
    void RemoveSelected();
    // The full paths of all lines, in list order.
    QStringList Paths() const;

    // Tests pick files instead of the file dialog.
    std::function<QStringList(const QString& startDir)> FilePicker;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void selectDirectory(const QString& dir);
    // Makes the deepest existing folder of an absolute path the tree's
    // current folder.
    void showFolderInTree(const QString& path);
    QFileSystemModel* dirModel_ = nullptr;
    // The tree keeps the folder the program moved to in view while the
    // folders around it load.
    bool followCurrent_ = false;
};
