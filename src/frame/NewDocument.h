#pragma once
// The new-document dialog: its first page creates a document with an entry
// that can create files; its second page opens a file with an entry the user
// picks from the entries listed by how well they open it.
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TFrameWindowForm;
class TQX_PluginEntry;

class TNewDocumentForm : public QDialog {
    Q_OBJECT
public:
    enum Page { NewPage = 0, OpenPage = 1 };
    // The dialog's texts, by index.
    enum Text { NoSummary, CreateSummary, ChooseCreator, ChooseOpener, OpenSummary };
    static QString NewDocumentStrings(Text index);

    // path: the file for the second page (empty on the first).
    TNewDocumentForm(TFrameWindowForm* frame, Page page, const QString& path);

    // Shows the dialog modally (or hands it to the test presenter).
    int Run();
    // Tests answer the dialog instead of a user.
    static void SetPresenter(std::function<int(TNewDocumentForm&)> presenter);

    QTabWidget* PageControl = nullptr;
    QTreeWidget* NewDocumentListView = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* FileNameEdit = nullptr;
    QPushButton* Button3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QTreeWidget* OpenDocumentListView = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* CreateButton = nullptr;
    QPushButton* CancelButton = nullptr;

    // Rebuilds the open list for the path and the three check boxes.
    void RebuildOpenList();
    // The "&Vytvořit" button.
    void CreateButtonClick();

private:
    QTreeWidgetItem* addRow(QTreeWidget* list, TQX_PluginEntry* entry);
    TQX_PluginEntry* rowEntry(QTreeWidgetItem* row, const char* listName) const;
    void browse();
    void updateSummaries();

    TFrameWindowForm* frame_;
};
