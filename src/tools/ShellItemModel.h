#pragma once
// The models behind the open dialog's list: the file system with the
// dialog's columns, and the type filter with the dialog's sort modes.
#include <QCollator>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include <functional>

// The file system model with five columns: name, size text, type name,
// modification time and attribute letters ("R" read-only, "H" hidden).
// Renaming refuses names that clash or hold a "/" and reports failures.
class TShellItemModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;
    enum Column { NameColumn, SizeColumn, TypeColumn, TimeColumn, AttributesColumn, ColumnCount };

    // Called with the old and the new name when a rename failed.
    std::function<void(const QString&, const QString&)> OnRenameFailed;

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
};

// Filters files by the dialog's filter text (a file is listed when its
// lower-cased extension, dot included, occurs in the text; folders always
// are) and sorts in the dialog's modes: by type (folders first, then by
// extension and path, without regard to case), by name (the folder's own
// order: folders first, names as people read them) and by the system
// (folders first, extensions compared with case, equal ones keep their order).
class TShellFilterModel : public QSortFilterProxyModel {
public:
    explicit TShellFilterModel(QObject* parent);

    // Lower-cased; empty lists every file.
    QString FilterText;
    // TExtOpenDialogForm::SortMode.
    int Mode = 1;

    bool Accepts(const QString& fileName) const;
    // Applies a changed FilterText, then sorts.
    void Refilter();
    // Applies a changed Mode.
    void Resort();

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    int shellOrder(const QFileInfo& a, const QFileInfo& b) const;
    QCollator collator_;
};
