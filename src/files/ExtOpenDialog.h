#pragma once
// The host's own open dialog: browses the file system (with a "computer"
// folder above "/" that lists the roots), lets the user pick several files,
// filter them by type, rename items, create folders and choose the plug-in
// entry that shall open the chosen files.
//
// Every place that asks the user for files to open calls ShowExtOpenDialog.
#include <QAbstractItemModel>
#include <QDialog>
#include <QStringList>

#include <functional>

class QAbstractItemView;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QAction;
class QStackedWidget;
class QStatusBar;
class QToolButton;
class QPushButton;
class QTreeView;
class QTimer;
class TProject;
class TQX_PluginEntry;
class TShellItemModel;

// What a caller asks of the dialog.
struct TExtOpenRequest {
    // "Description|mask|Description|mask|..."; the last "|" may be missing.
    QString Filter;
    // True: the first filter is chosen at start; false: the second when
    // there are at least two.
    bool SelectFirst = true;
    // The folder to start in; the computer folder when empty or missing.
    QString InitialDir;
};

// What the dialog gave after OK.
struct TExtOpenChoice {
    // Full paths of the chosen files, in the order of the file-name field.
    QStringList Files;
    // The folder they were chosen in, with a trailing "/".
    QString Folder;
    // The open-with choice; null for "(vybrat automaticky)".
    TQX_PluginEntry* Entry = nullptr;
    // The type filter chosen last, counted from 1.
    int FilterIndex = 1;
};

class TExtOpenDialogForm : public QDialog {
    Q_OBJECT
public:
    // Sort modes of the list.
    enum SortMode { SortBySystem = 0, SortByType = 1, SortByName = 2 };
    // View buttons, in their order on the dialog.
    enum View { LargeIcons = 0, SmallIcons = 1, List = 2, Details = 3 };
    // Places every dialog offers, followed by the project's folder (when a
    // project with an existing default folder is open) and recent folders.
    enum Place { PlaceDesktop, PlaceComputer, PlaceHome, PlaceDocuments, PlacePrograms, PlaceProgramFolder };

    explicit TExtOpenDialogForm(QWidget* owner = nullptr);
    ~TExtOpenDialogForm() override;

    // Inputs, set before the dialog is shown.
    TExtOpenRequest Request;

    // Outputs, valid after the dialog closed with OK.
    QStringList ResultList;
    QString ResultFolder;
    // The entry of ComboBox2, null for item 0.
    TQX_PluginEntry* SelectedEntry() const;

    // The folder shown: a path ending with "/", or empty for the computer folder.
    QString CurrentPath() const { return currentPath_; }
    // The active type filter, lower-cased; empty for all files.
    QString FilterText() const;
    // Goes to an existing folder (the computer folder for an empty path).
    // False, with nothing changed, for a path that is not a folder.
    bool GoToFolder(const QString& path);
    // One level up: the parent folder, the computer folder above "/", a beep
    // in the computer folder.
    void GoUp();
    // Creates "Nová složka" (or the first free "Nová složka (n)") in the
    // current folder; returns its path, or empty after showing the error.
    QString CreateNewFolder();
    void SetView(View view);
    View CurrentView() const;
    void SetSortMode(SortMode mode);
    SortMode CurrentSortMode() const;
    // Selects the listed items with these names (exactly) in the current folder.
    void SelectNames(const QStringList& names);
    // The names the list shows now, in list order.
    QStringList ListedNames() const;
    // True once the current folder has been read (or its reading stopped).
    bool FolderLoaded() const { return loaded_; }
    // True while the current folder is read; Esc stops it (CancelListing),
    // keeping what was read so far.
    bool Listing() const;
    void CancelListing();
    // The list's model, read in the background.
    TShellItemModel* Model() const { return model_; }
    // The OK button's work: accepts the chosen files, applies a typed filter
    // or folder, or tells the user to choose a file.
    void ButtonOkClick();
    // Recently used folders, most recent first.
    static QStringList RecentFolders();
    // The project whose default folder the places offer (the main window's
    // current one); the main window sets it while it exists.
    static void SetCurrentProjectSource(std::function<TProject*()> source);

    // Components, named as on the form.
    QListWidget* Panel5 = nullptr;          // places
    QLabel* Label1 = nullptr;
    QComboBox* DirTree = nullptr;           // the current folder and its parents
    QToolButton* ToolButton1 = nullptr;     // one level up
    QToolButton* ToolButton3 = nullptr;     // new folder
    QToolButton* ToolButton5 = nullptr;     // large icons
    QToolButton* ToolButton7 = nullptr;     // small icons
    QToolButton* ToolButton6 = nullptr;     // list
    QToolButton* ToolButton8 = nullptr;     // details
    QStackedWidget* ViewStack = nullptr;
    QListView* ListView = nullptr;          // icon and list views
    QTreeView* DetailsView = nullptr;       // details view
    QLabel* Label2 = nullptr;
    QLineEdit* Edit1 = nullptr;             // file names or a typed filter
    QLabel* Label3 = nullptr;
    QComboBox* ComboBox1 = nullptr;         // type filters
    QLabel* Label4 = nullptr;
    QComboBox* ComboBox2 = nullptr;         // opening entry
    QPushButton* Button1 = nullptr;         // OK
    QPushButton* Button2 = nullptr;         // Cancel
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusLabel = nullptr;
    QLabel* ProgressLabel = nullptr;        // the listing under way
    QMenu* PopupMenu = nullptr;
    QAction* MenuSelect = nullptr;
    QAction* MenuOpen = nullptr;
    QAction* MenuRename = nullptr;
    QAction* MenuSortByName = nullptr;
    QAction* MenuSortByType = nullptr;
    QAction* MenuSortByDefault = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum StringIndex { ChooseFile, NewFolder, NewFolderNumbered, CannotCreateFolder, RenameFailed, NotFound };
    static QString Strings(StringIndex index);

    QAbstractItemView* activeView() const;
    QModelIndexList selectedRows() const;
    QString pathOf(const QModelIndex& proxyIndex) const;
    bool isFolder(const QModelIndex& proxyIndex) const;
    QString selectionText(bool realNames) const;
    void selectionChanged();
    void itemActivated(const QModelIndex& index);
    void applyTypedText(const QString& text);
    void applyFilterIndex(int index);
    void setFilterText(const QString& text);
    void updateStatus();
    void rebuildDirTree();
    void rebuildPlaces();
    void placeClicked(int row);
    void openSelected();
    void renameSelected();
    void rereadFolder();
    void startListing(bool keepRows);
    void listingFinished(bool cancelled);
    void fitListGrid();
    void showPopup(const QPoint& pos);
    void loadPlacement();
    void savePlacement();
    void addRecentFolder(const QString& folder);

    TShellItemModel* model_ = nullptr;
    QButtonGroup* viewButtons_ = nullptr;
    QTimer* editTimer_ = nullptr;
    QStringList filterMasks_;
    QString currentPath_;
    QString writtenText_;
    // Names to select once the folder is read.
    QStringList pendingSelection_;
    bool loaded_ = false;
    bool shown_ = false;
};

// Shows the dialog modally (to its owner only, so a script's progress window
// stays usable) and fills choice on OK. Returns whether the user confirmed.
bool ShowExtOpenDialog(QWidget* owner, const TExtOpenRequest& request, TExtOpenChoice& choice);

// Splits a filter string into (description, mask) pairs.
QList<QPair<QString, QString>> SplitOpenFilter(const QString& filter);
