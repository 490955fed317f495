#include "files/ShellItemModel.h"

#include "files/ExtOpenDialog.h"
#include "platform/Shell.h"

#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLocale>
#include <QMimeDatabase>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QDirIterator>
#endif

namespace {

// Longest names kept for measuring the list's column width.
constexpr int kLongestNames = 12;
// Detail requests waiting at most; older ones are dropped (the rows have
// scrolled away) and asked again when they come back into view.
constexpr size_t kMaxDetailRequests = 4096;
// Details handed over together, or after this many milliseconds.
constexpr size_t kDetailBatch = 64;
constexpr qint64 kDetailBatchMs = 40;

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
QString listTimeText(qint64 ms)
{
    if (ms == 0)
        return {};
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(ms);
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    return locale.toString(time.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(time.time(), timeFormat.trimmed());
}

bool accepts(const QString& filterText, const QString& fileName)
{
    if (filterText.isEmpty())
        return true;
    const QString ext = lowerExtension(fileName);
    return !ext.isEmpty() && filterText.contains(ext);
}

// Sorts a listing in the dialog's modes (see TShellItemModel::Mode). The
// keys are made once per item, so a folder of 100,000 items sorts in a
// fraction of a second.
void sortItems(std::vector<TShellItemModel::Item>& items, int mode)
{
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct Key {
        size_t index;
        bool folder;
        std::optional<QCollatorSortKey> name;
        QString ext;
        QString lower;
    };
    std::vector<Key> keys;
    keys.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        Key k {i, item.Type == TShellItemModel::Folder, std::nullopt, {}, {}};
        if (k.folder || mode == TExtOpenDialogForm::SortByName) {
            // Lower-cased first: the plain (C locale) collator compares with case.
            k.name = collator.sortKey(item.Name.toLower());
        } else if (mode == TExtOpenDialogForm::SortByType) {
            k.ext = lowerExtension(item.Name);
            k.lower = item.Name.toLower();
        } else {
            k.ext = exactExtension(item.Name);
        }
        keys.push_back(std::move(k));
    }
    std::stable_sort(keys.begin(), keys.end(), [mode](const Key& a, const Key& b) {
        if (a.folder != b.folder)
            return a.folder;
        if (a.name && b.name)
            return a.name->compare(*b.name) < 0;
        const int ext = QString::compare(a.ext, b.ext);
        if (ext != 0 || mode != TExtOpenDialogForm::SortByType)
            return ext < 0;
        return QString::compare(a.lower, b.lower) < 0;
    });
    std::vector<TShellItemModel::Item> sorted;
    sorted.reserve(items.size());
    for (const Key& k : keys)
        sorted.push_back(std::move(items[k.index]));
    items.swap(sorted);
}

} // namespace

// What the model shares with its threads. The model may go away while a
// thread still reads (a slow disk): the threads then find no receiver and
// end; posted results for a model that is gone are dropped by Qt.
struct TShellListShared {
    std::mutex mutex;
    QObject* receiver = nullptr;
    // The listing that counts; an older reader stops when it sees another.
    std::atomic<int> generation {0};
    // A listing to stop early (its items so far are kept).
    std::atomic<int> cancelled {-1};
    struct DetailRequest {
        int generation;
        int seq;
        QString path;
        bool folder;
    };
    std::vector<DetailRequest> requests;
    bool detailThread = false;

    // Runs fn on the model's thread, unless the model is gone.
    template <typename Fn>
    void post(Fn fn)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (receiver)
            QMetaObject::invokeMethod(receiver, std::move(fn), Qt::QueuedConnection);
    }

    static void read(std::shared_ptr<TShellListShared> self, int generation, QString folder, QString filter, int mode,
        int firstBatchMs, int batchRows, int batchMs, std::function<void()> onRead);
    static void readDetails(std::shared_ptr<TShellListShared> self);
};

void TShellListShared::read(std::shared_ptr<TShellListShared> self, int generation, QString folder, QString filter, int mode,
    int firstBatchMs, int batchRows, int batchMs, std::function<void()> onRead)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    std::vector<TShellItemModel::Item> items;
    size_t posted = 0;
    QElapsedTimer sincePost;
    sincePost.start();
    bool cancelled = false;
    auto stale = [&] { return self->generation.load() != generation; };
    auto postBatch = [&] {
        std::vector<TShellItemModel::Item> batch(items.begin() + qsizetype(posted), items.end());
        posted = items.size();
        sincePost.restart();
        self->post([self, generation, batch = std::move(batch)]() mutable {
            if (auto* model = static_cast<TShellItemModel*>(self->receiver))
                model->takeBatch(generation, std::move(batch));
        });
    };
    auto add = [&](const QString& name, TShellItemModel::Kind kind) {
        if (kind != TShellItemModel::Folder && !accepts(filter, name))
            return;
        TShellItemModel::Item item;
        item.Name = name;
        item.Type = kind;
        item.Seq = int(items.size());
        items.push_back(std::move(item));
        if (onRead)
            onRead();
        if (sinceStart.elapsed() >= firstBatchMs
            && (items.size() - posted >= size_t(batchRows) || (sincePost.elapsed() >= batchMs && items.size() > posted)))
            postBatch();
    };
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(folder);
    const bool folderWritable = ::access(path.constData(), W_OK) == 0;
    if (DIR* dir = ::opendir(path.constData())) {
        const int fd = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            if (stale())
                break;
            if (self->cancelled.load() == generation) {
                cancelled = true;
                break;
            }
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            TShellItemModel::Kind kind = entry->d_type == DT_DIR ? TShellItemModel::Folder
                : entry->d_type == DT_REG                        ? TShellItemModel::File
                                                                 : TShellItemModel::Other;
            // Links and file systems that do not tell the type: the target decides.
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(fd, name, &st, 0) == 0)
                    kind = S_ISDIR(st.st_mode) ? TShellItemModel::Folder
                        : S_ISREG(st.st_mode)  ? TShellItemModel::File
                                               : TShellItemModel::Other;
            }
            add(QFile::decodeName(name), kind);
        }
        ::closedir(dir);
    }
#else
    const bool folderWritable = QFileInfo(folder).isWritable();
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        if (stale())
            break;
        if (self->cancelled.load() == generation) {
            cancelled = true;
            break;
        }
        it.next();
        const QFileInfo info = it.fileInfo();
        add(info.fileName(), info.isDir() ? TShellItemModel::Folder : info.isFile() ? TShellItemModel::File : TShellItemModel::Other);
    }
#endif
    if (stale())
        return;
    sortItems(items, mode);
    self->post([self, generation, items = std::move(items), cancelled, folderWritable]() mutable {
        if (auto* model = static_cast<TShellItemModel*>(self->receiver))
            model->takeSorted(generation, std::move(items), cancelled, folderWritable);
    });
}

void TShellListShared::readDetails(std::shared_ptr<TShellListShared> self)
{
    const QMimeDatabase mimes;
    const QMimeType folderType = mimes.mimeTypeForName(QStringLiteral("inode/directory"));
    std::vector<TShellItemModel::Item> done;
    int doneGeneration = -1;
    QElapsedTimer sincePost;
    sincePost.start();
    auto postDone = [&] {
        if (done.empty())
            return;
        self->post([self, generation = doneGeneration, details = std::move(done)]() mutable {
            if (auto* model = static_cast<TShellItemModel*>(self->receiver))
                model->takeDetails(generation, std::move(details));
        });
        done.clear();
        sincePost.restart();
    };
    for (;;) {
        DetailRequest request;
        {
            std::lock_guard<std::mutex> lock(self->mutex);
            // The newest request first: the rows on screen now.
            while (!self->requests.empty() && self->requests.back().generation != self->generation.load())
                self->requests.pop_back();
            if (self->requests.empty() || !self->receiver) {
                self->detailThread = false;
                break;
            }
            request = std::move(self->requests.back());
            self->requests.pop_back();
        }
        if (request.generation != doneGeneration) {
            postDone();
            doneGeneration = request.generation;
        }
        TShellItemModel::Item item;
        item.Seq = request.seq;
        item.Details = TShellItemModel::Item::DetailsRead;
        const QFileInfo info(request.path);
        item.Size = request.folder ? 0 : info.size();
        const QDateTime modified = info.lastModified();
        item.ModifiedMs = modified.isValid() ? modified.toMSecsSinceEpoch() : 0;
        item.ReadOnly = info.exists() && !qx::CanWriteFile(request.path);
        const QMimeType type = request.folder ? folderType : mimes.mimeTypeForFile(info);
        item.TypeName = type.comment().left(80);
        item.IconName = type.iconName() + QLatin1Char('|') + type.genericIconName();
        done.push_back(std::move(item));
        if (done.size() >= kDetailBatch || sincePost.elapsed() >= kDetailBatchMs)
            postDone();
    }
    postDone();
}

TShellItemModel::TShellItemModel(QObject* parent)
    : QAbstractTableModel(parent)
    , shared_(std::make_shared<TShellListShared>())
{
    shared_->receiver = this;
}

TShellItemModel::~TShellItemModel()
{
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->receiver = nullptr;
    shared_->generation++;
    shared_->requests.clear();
}

void TShellItemModel::List(const QString& folder, bool keepRows)
{
    generation_ = ++shared_->generation;
    // A re-read of the same folder keeps its names editable meanwhile.
    if (!keepRows || folder != folder_)
        folderWritable_ = false;
    folder_ = folder;
    cancelled_ = false;
    longestNames_.clear();
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->requests.clear();
    }
    if (folder.isEmpty()) {
        // The computer folder: the roots, known without a look at the disk.
        std::vector<Item> roots;
        for (const QFileInfo& drive : QDir::drives()) {
            Item item;
            item.Name = drive.absoluteFilePath();
            item.Type = Folder;
            item.Seq = int(roots.size());
            roots.push_back(item);
        }
        replaceRows(std::move(roots));
        listing_ = false;
        keepRows_ = false;
        emit Finished(false);
        return;
    }
    listing_ = true;
    keepRows_ = keepRows;
    if (!keepRows)
        replaceRows({});
    std::thread(&TShellListShared::read, shared_, generation_, folder, FilterText, Mode, FirstBatchMs, std::max(1, BatchRows),
        std::max(0, BatchMs), OnItemRead)
        .detach();
}

void TShellItemModel::Cancel()
{
    if (listing_)
        shared_->cancelled = generation_;
}

void TShellItemModel::replaceRows(std::vector<Item> rows)
{
    beginResetModel();
    items_ = std::move(rows);
    rowOfSeq_.assign(items_.size(), -1);
    for (size_t r = 0; r < items_.size(); ++r)
        if (items_[r].Seq >= 0 && size_t(items_[r].Seq) < rowOfSeq_.size())
            rowOfSeq_[size_t(items_[r].Seq)] = int(r);
    longestNames_.clear();
    noteNames(items_, 0);
    endResetModel();
}

void TShellItemModel::noteNames(const std::vector<Item>& rows, size_t from)
{
    // Keeps the longest names by length; only these are measured later.
    for (size_t i = from; i < rows.size(); ++i) {
        const QString& name = rows[i].Name;
        if (longestNames_.size() >= kLongestNames && name.size() <= longestNames_.last().size())
            continue;
        auto at = std::upper_bound(longestNames_.begin(), longestNames_.end(), name,
            [](const QString& a, const QString& b) { return a.size() > b.size(); });
        longestNames_.insert(at, name);
        if (longestNames_.size() > kLongestNames)
            longestNames_.removeLast();
    }
}

int TShellItemModel::WidestName(const QFontMetrics& metrics) const
{
    int widest = 0;
    for (const QString& name : longestNames_)
        widest = std::max(widest, metrics.horizontalAdvance(name));
    return widest;
}

void TShellItemModel::takeBatch(int generation, std::vector<Item> batch)
{
    if (generation != generation_ || batch.empty())
        return;
    if (keepRows_ && CanReplaceRows && !CanReplaceRows())
        return; // the whole listing follows in takeSorted
    if (keepRows_) {
        keepRows_ = false;
        replaceRows(std::move(batch));
    } else {
        const int first = int(items_.size());
        beginInsertRows({}, first, first + int(batch.size()) - 1);
        for (Item& item : batch) {
            if (size_t(item.Seq) >= rowOfSeq_.size())
                rowOfSeq_.resize(size_t(item.Seq) + 1, -1);
            rowOfSeq_[size_t(item.Seq)] = int(items_.size());
            items_.push_back(std::move(item));
        }
        noteNames(items_, size_t(first));
        endInsertRows();
    }
    emit Progress(int(items_.size()));
}

void TShellItemModel::takeSorted(int generation, std::vector<Item> sorted, bool cancelled, bool folderWritable)
{
    if (generation != generation_)
        return;
    if (keepRows_ && CanReplaceRows && !CanReplaceRows()) {
        waiting_ = WaitingRows {generation, std::move(sorted), cancelled, folderWritable};
        return;
    }
    waiting_.reset();
    listing_ = false;
    cancelled_ = cancelled;
    folderWritable_ = folderWritable;
    if (keepRows_ || items_.empty()) {
        keepRows_ = false;
        replaceRows(std::move(sorted));
    } else {
        // The rows shown so far are in the order read (row == Seq); the items
        // not handed over yet join at the end, then everything moves to its
        // sorted place, the selection with it.
        const int shown = int(items_.size());
        if (int(sorted.size()) > shown) {
            std::vector<Item> rest;
            for (const Item& item : sorted)
                if (item.Seq >= shown)
                    rest.push_back(item);
            std::sort(rest.begin(), rest.end(), [](const Item& a, const Item& b) { return a.Seq < b.Seq; });
            beginInsertRows({}, shown, shown + int(rest.size()) - 1);
            for (Item& item : rest)
                items_.push_back(std::move(item));
            noteNames(items_, size_t(shown));
            endInsertRows();
        }
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        // Details read meanwhile belong to the rows shown; keep them.
        for (Item& item : sorted)
            if (size_t(item.Seq) < items_.size() && items_[size_t(item.Seq)].Details != Item::NoDetails)
                item = std::move(items_[size_t(item.Seq)]);
        rowOfSeq_.assign(sorted.size(), -1);
        for (size_t r = 0; r < sorted.size(); ++r)
            rowOfSeq_[size_t(sorted[r].Seq)] = int(r);
        const QModelIndexList from = persistentIndexList();
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& index : from) {
            const int row = index.row() < int(rowOfSeq_.size()) ? rowOfSeq_[size_t(index.row())] : -1;
            to.append(row < 0 ? QModelIndex() : createIndex(row, index.column()));
        }
        items_ = std::move(sorted);
        changePersistentIndexList(from, to);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    emit Finished(cancelled);
}

void TShellItemModel::ApplyWaitingRows()
{
    if (!waiting_)
        return;
    WaitingRows w = std::move(*waiting_);
    waiting_.reset();
    takeSorted(w.generation, std::move(w.rows), w.cancelled, w.folderWritable);
}

void TShellItemModel::takeDetails(int generation, std::vector<Item> details)
{
    if (generation != generation_)
        return;
    int first = int(items_.size()), last = -1;
    for (Item& d : details) {
        if (d.Seq < 0 || size_t(d.Seq) >= rowOfSeq_.size())
            continue;
        const int row = rowOfSeq_[size_t(d.Seq)];
        if (row < 0 || size_t(row) >= items_.size())
            continue;
        Item& item = items_[size_t(row)];
        item.Details = Item::DetailsRead;
        item.Size = d.Size;
        item.ModifiedMs = d.ModifiedMs;
        item.ReadOnly = d.ReadOnly;
        item.TypeName = std::move(d.TypeName);
        item.IconName = std::move(d.IconName);
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (last >= 0)
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

void TShellItemModel::askDetails(int row) const
{
    auto& item = const_cast<Item&>(items_[size_t(row)]);
    if (item.Details != Item::NoDetails || folder_.isEmpty())
        return;
    item.Details = Item::DetailsAsked;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    auto& requests = shared_->requests;
    if (requests.size() >= kMaxDetailRequests) {
        // The oldest requests are for rows long scrolled away: forget them,
        // and let those rows ask again when they are shown.
        const size_t drop = requests.size() / 2;
        for (size_t i = 0; i < drop; ++i) {
            const int seq = requests[i].seq;
            if (requests[i].generation == generation_ && size_t(seq) < rowOfSeq_.size() && rowOfSeq_[size_t(seq)] >= 0) {
                auto& old = const_cast<Item&>(items_[size_t(rowOfSeq_[size_t(seq)])]);
                if (old.Details == Item::DetailsAsked)
                    old.Details = Item::NoDetails;
            }
        }
        requests.erase(requests.begin(), requests.begin() + qsizetype(drop));
    }
    requests.push_back({generation_, item.Seq, folder_ + item.Name, item.Type == Folder});
    if (!shared_->detailThread) {
        shared_->detailThread = true;
        std::thread(&TShellListShared::readDetails, shared_).detach();
    }
}

QIcon TShellItemModel::iconOf(const Item& item) const
{
    static const QFileIconProvider provider;
    if (item.Type == Folder || item.IconName.isEmpty()) {
        const QString key = item.Type == Folder ? QStringLiteral("|folder") : QStringLiteral("|file");
        auto it = icons_.find(key);
        if (it == icons_.end())
            it = icons_.insert(key,
                provider.icon(item.Type == Folder ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File));
        return *it;
    }
    auto it = icons_.find(item.IconName);
    if (it == icons_.end()) {
        // "name|generic name" of the type: the theme's icon for the type,
        // else for its kind, else the plain file icon.
        const QStringList names = item.IconName.split(QLatin1Char('|'));
        QIcon icon;
        for (const QString& name : names)
            if (icon.isNull() && !name.isEmpty() && QIcon::hasThemeIcon(name))
                icon = QIcon::fromTheme(name);
        if (icon.isNull())
            icon = provider.icon(QAbstractFileIconProvider::File);
        it = icons_.insert(item.IconName, icon);
    }
    return *it;
}

QString TShellItemModel::FileName(int row) const
{
    return row >= 0 && size_t(row) < items_.size() ? items_[size_t(row)].Name : QString();
}

QString TShellItemModel::FilePath(int row) const
{
    if (row < 0 || size_t(row) >= items_.size())
        return {};
    return folder_.isEmpty() ? items_[size_t(row)].Name : folder_ + items_[size_t(row)].Name;
}

bool TShellItemModel::IsFolder(int row) const
{
    return row >= 0 && size_t(row) < items_.size() && items_[size_t(row)].Type == Folder;
}

bool TShellItemModel::IsFile(int row) const
{
    return row >= 0 && size_t(row) < items_.size() && items_[size_t(row)].Type == File;
}

int TShellItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(items_.size());
}

int TShellItemModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TShellItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const names[] = {"Název", "Velikost", "Typ", "Změněno", "Atributy"};
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(names[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(section == SizeColumn || section == AttributesColumn ? Qt::AlignRight | Qt::AlignVCenter
                                                                                        : Qt::AlignLeft | Qt::AlignVCenter);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QVariant TShellItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= items_.size())
        return {};
    const Item& item = items_[size_t(index.row())];
    if (index.column() == NameColumn) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            // Names alone are known without the details: searching by the
            // typed text asks every row and must not read every file.
            return item.Name;
        case Qt::DecorationRole:
            askDetails(index.row());
            return iconOf(item);
        default:
            return {};
        }
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == SizeColumn || index.column() == AttributesColumn
                ? Qt::AlignRight | Qt::AlignVCenter
                : Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    askDetails(index.row());
    switch (index.column()) {
    case SizeColumn:
        return item.Type == Folder || item.Details != Item::DetailsRead ? QString() : qx::FileSizeText(item.Size);
    case TypeColumn:
        return item.TypeName;
    case TimeColumn:
        return listTimeText(item.ModifiedMs);
    case AttributesColumn: {
        QString letters;
        if (item.ReadOnly)
            letters += QLatin1Char('R');
        if (item.Name.startsWith(QLatin1Char('.')))
            letters += QLatin1Char('H');
        return letters;
    }
    default:
        return {};
    }
}

Qt::ItemFlags TShellItemModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    // Renaming needs write access to the folder that holds the item.
    if (index.isValid() && index.column() == NameColumn && folderWritable_ && !folder_.isEmpty())
        f |= Qt::ItemIsEditable;
    return f;
}

bool TShellItemModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != NameColumn || size_t(index.row()) >= items_.size())
        return false;
    Item& item = items_[size_t(index.row())];
    const QString oldName = item.Name;
    const QString newName = value.toString();
    if (newName == oldName)
        return true;
    const bool bad = newName.isEmpty() || newName.contains(QLatin1Char('/')) || newName == QLatin1String(".")
        || newName == QLatin1String("..") || QFileInfo::exists(folder_ + newName);
    if (bad || !QDir(folder_).rename(oldName, newName)) {
        if (OnRenameFailed)
            OnRenameFailed(oldName, newName);
        return false;
    }
    item.Name = newName;
    item.Details = Item::NoDetails;
    emit dataChanged(index.sibling(index.row(), 0), index.sibling(index.row(), ColumnCount - 1));
    emit Renamed(newName);
    return true;
}
