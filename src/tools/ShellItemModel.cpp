#include "tools/ShellItemModel.h"

#include "platform/Shell.h"
#include "tools/ExtOpenDialog.h"

#include <QDir>
#include <QLocale>

namespace {

// The extension of a name, lower-cased and with its dot; empty without one.
QString lowerExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? QString() : name.mid(dot).toLower();
}

QString exactExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? QString() : name.mid(dot);
}

// Date in the locale's short format and the time with seconds, as lists of
// files show them; the long time format's zone name is left out.
QString listTimeText(const QDateTime& time)
{
    if (!time.isValid() || time.toSecsSinceEpoch() == 0)
        return {};
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    return locale.toString(time.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(time.time(), timeFormat.trimmed());
}

} // namespace

int TShellItemModel::columnCount(const QModelIndex& parent) const
{
    return parent.column() > 0 ? 0 : ColumnCount;
}

QVariant TShellItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const names[] = {"Název", "Velikost", "Typ", "Změněno", "Atributy"};
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QFileSystemModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(names[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(section == SizeColumn || section == AttributesColumn ? Qt::AlignRight | Qt::AlignVCenter
                                                                                        : Qt::AlignLeft | Qt::AlignVCenter);
    return QFileSystemModel::headerData(section, orientation, role);
}

QVariant TShellItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() == NameColumn)
        return QFileSystemModel::data(index, role);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == SizeColumn || index.column() == AttributesColumn
                ? Qt::AlignRight | Qt::AlignVCenter
                : Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const QModelIndex name = index.sibling(index.row(), NameColumn);
    const QFileInfo info = fileInfo(name);
    switch (index.column()) {
    case SizeColumn:
        return info.isDir() ? QString() : qx::FileSizeText(info.size());
    case TypeColumn:
        // The model names types in its gathering thread and keeps them, so
        // painting never reads files.
        return QFileSystemModel::data(index, role).toString().left(80);
    case TimeColumn:
        return listTimeText(info.lastModified());
    case AttributesColumn: {
        QString letters;
        if (info.exists() && !info.isWritable())
            letters += QLatin1Char('R');
        if (info.fileName().startsWith(QLatin1Char('.')))
            letters += QLatin1Char('H');
        return letters;
    }
    default:
        return {};
    }
}

Qt::ItemFlags TShellItemModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QFileSystemModel::flags(index);
    // Renaming needs write access to the folder that holds the item.
    if (index.isValid() && index.column() == NameColumn && !isReadOnly()) {
        const QFileInfo parent(fileInfo(index).absolutePath());
        if (parent.isWritable() && fileInfo(index).absoluteFilePath() != QLatin1String("/"))
            f |= Qt::ItemIsEditable;
        else
            f &= ~Qt::ItemIsEditable;
    }
    return f;
}

bool TShellItemModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != NameColumn)
        return QFileSystemModel::setData(index, value, role);
    const QString oldName = fileName(index);
    const QString newName = value.toString();
    if (newName == oldName)
        return true;
    const QString folder = fileInfo(index).absolutePath();
    const bool bad = newName.isEmpty() || newName.contains(QLatin1Char('/')) || newName == QLatin1String(".")
        || newName == QLatin1String("..") || QFileInfo::exists(folder + QLatin1Char('/') + newName);
    if (bad || !QDir(folder).rename(oldName, newName)) {
        if (OnRenameFailed)
            OnRenameFailed(oldName, newName);
        return false;
    }
    return true;
}

TShellFilterModel::TShellFilterModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    collator_.setNumericMode(true);
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

void TShellFilterModel::Refilter()
{
    invalidateFilter();
    sort(0);
}

void TShellFilterModel::Resort()
{
    invalidate();
    sort(0);
}

bool TShellFilterModel::Accepts(const QString& fileName) const
{
    if (FilterText.isEmpty())
        return true;
    const QString ext = lowerExtension(fileName);
    return !ext.isEmpty() && FilterText.contains(ext);
}

bool TShellFilterModel::filterAcceptsRow(int row, const QModelIndex& parent) const
{
    auto* files = static_cast<QFileSystemModel*>(sourceModel());
    const QModelIndex index = files->index(row, 0, parent);
    if (files->isDir(index))
        return true;
    return Accepts(files->fileName(index));
}

int TShellFilterModel::shellOrder(const QFileInfo& a, const QFileInfo& b) const
{
    if (a.isDir() != b.isDir())
        return a.isDir() ? -1 : 1;
    return collator_.compare(a.fileName(), b.fileName());
}

bool TShellFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    auto* files = static_cast<QFileSystemModel*>(sourceModel());
    const QFileInfo a = files->fileInfo(left.sibling(left.row(), 0));
    const QFileInfo b = files->fileInfo(right.sibling(right.row(), 0));
    int result = 0;
    if (Mode == TExtOpenDialogForm::SortByName || a.isDir() != b.isDir() || (a.isDir() && b.isDir())) {
        result = shellOrder(a, b);
    } else if (Mode == TExtOpenDialogForm::SortByType) {
        result = QString::compare(lowerExtension(a.fileName()), lowerExtension(b.fileName()));
        if (result == 0)
            result = QString::compare(a.absoluteFilePath().toLower(), b.absoluteFilePath().toLower());
    } else {
        // Equal extensions count as equal: the folder's enumeration order stays.
        result = QString::compare(exactExtension(a.fileName()), exactExtension(b.fileName()));
    }
    return result < 0;
}
