#pragma once
// The model behind the open dialog's list: the items of one folder with the
// dialog's five columns, filtered by its type filter and sorted in its modes.
//
// Nothing here waits on the disk in the GUI thread. A reading thread lists
// the folder and hands the items over in batches (shown as they come, in
// the order read), then the whole listing sorted; a second thread reads a
// row's details (size, type, time, attributes, icon) once a view first asks
// for them, so only the rows on screen cost a look at their files.
#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct TShellListShared;

class TShellItemModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, TypeColumn, TimeColumn, AttributesColumn, ColumnCount };
    // What a listed item is: a folder (a link to one counts), a regular file
    // (or a link to one), or anything else (a device, a socket, a broken link).
    enum Kind : quint8 { Folder, File, Other };

    // One listed item. The details are filled when a view first shows it.
    struct Item {
        QString Name;
        Kind Type = File;
        // Position in the order read, which identifies the item in a listing.
        int Seq = 0;
        enum DetailState : quint8 { NoDetails, DetailsAsked, DetailsRead } Details = NoDetails;
        bool ReadOnly = false;
        qint64 Size = 0;
        qint64 ModifiedMs = 0;
        QString TypeName;
        QString IconName;
    };

    explicit TShellItemModel(QObject* parent = nullptr);
    ~TShellItemModel() override;

    // The type filter, lower-cased: a file is listed when its lower-cased
    // extension, dot included, occurs in it; empty lists every file. Folders
    // are always listed.
    QString FilterText;
    // TExtOpenDialogForm::SortMode: 0 the system's (folders first, files by
    // extension with case, equal ones in the order read), 1 by type (folders
    // first, files by lower-cased extension, then name), 2 by name (folders
    // first, names as people read them).
    int Mode = 1;

    // Starts listing folder (a path ending with "/"; empty for the computer
    // folder, which lists "/" at once). With keepRows the rows shown stay
    // until the new listing's first rows arrive (a re-read of the folder).
    void List(const QString& folder, bool keepRows = false);
    // Stops reading; what was read so far is sorted and stays listed.
    void Cancel();
    // True from List until the listing is complete or cancelled.
    bool Listing() const { return listing_; }
    bool Cancelled() const { return cancelled_; }
    QString FolderPath() const { return folder_; }

    QString FileName(int row) const;
    QString FilePath(int row) const;
    bool IsFolder(int row) const;
    bool IsFile(int row) const;
    const Item& ItemAt(int row) const { return items_[size_t(row)]; }
    // The widest name's text width in pixels for the font given, as far as
    // the rows listed so far go (the longest names are measured).
    int WidestName(const QFontMetrics& metrics) const;

    // Nothing is handed over in the first FirstBatchMs milliseconds, so a
    // listing read by then arrives in one piece, sorted. After that a batch
    // goes every BatchMs milliseconds, or sooner when BatchRows items wait.
    int FirstBatchMs = 100;
    int BatchRows = 20000;
    int BatchMs = 100;
    // Called in the reading thread after each item read; tests slow the
    // reading down or watch where it runs.
    std::function<void()> OnItemRead;
    // Called with the old and the new name when a rename failed.
    std::function<void(const QString&, const QString&)> OnRenameFailed;
    // Asked before a re-read replaces the rows shown: false while a view
    // edits a name, as replacing the rows would close its editor. The rows
    // then wait for ApplyWaitingRows.
    std::function<bool()> CanReplaceRows;
    // Puts a re-read that waited for an editor in place.
    void ApplyWaitingRows();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    // While reading: the number of items read so far.
    void Progress(int itemsRead);
    // The listing is complete (or was cancelled); every row is in place.
    void Finished(bool cancelled);
    // A rename succeeded.
    void Renamed(const QString& newName);

private:
    friend struct TShellListShared;
    void takeBatch(int generation, std::vector<Item> batch);
    void takeSorted(int generation, std::vector<Item> sorted, bool cancelled, bool folderWritable);
    void takeDetails(int generation, std::vector<Item> details);
    void replaceRows(std::vector<Item> rows);
    void noteNames(const std::vector<Item>& rows, size_t from);
    void askDetails(int row) const;
    QIcon iconOf(const Item& item) const;

    std::shared_ptr<TShellListShared> shared_;
    std::vector<Item> items_;
    // Row of each item by its Seq, for details that arrive after a re-sort.
    std::vector<int> rowOfSeq_;
    QString folder_;
    int generation_ = 0;
    bool listing_ = false;
    bool cancelled_ = false;
    bool keepRows_ = false;
    bool folderWritable_ = false;
    // A finished re-read held back while a name was being edited.
    struct WaitingRows {
        int generation = 0;
        std::vector<Item> rows;
        bool cancelled = false;
        bool folderWritable = false;
    };
    std::optional<WaitingRows> waiting_;
    // The longest names listed, measured when the list's width is needed.
    QStringList longestNames_;
    mutable QHash<QString, QIcon> icons_;
};
