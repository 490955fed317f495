#include "HexDocument.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// Files that cannot be mapped (special files, some network file systems) are
// read into memory up to this size.
constexpr qint64 kMaxCopy = qint64(256) << 20;
// Searching and saving go through the file in pieces of this size.
constexpr qint64 kChunk = qint64(4) << 20;

} // namespace

THexDocument::~THexDocument()
{
    Close();
}

void THexDocument::Close()
{
    if (map_)
        file_.unmap(const_cast<uint8_t*>(map_));
    map_ = nullptr;
    file_.close();
    copy_.clear();
    size_ = mapped_ = 0;
    open_ = false;
    overlay_.clear();
    steps_.clear();
    done_ = savedAt_ = 0;
    mergeOpen_ = false;
}

bool THexDocument::mapFile(const QString& fileName, QString* error)
{
    const QString shown = QFileInfo(fileName).fileName();
    QFileInfo info(fileName);
    if (!info.exists()) {
        *error = QStringLiteral("Soubor „%1“ neexistuje.").arg(shown);
        return false;
    }
    if (info.isDir()) {
        *error = QStringLiteral("„%1“ je složka, ne soubor.").arg(shown);
        return false;
    }
    file_.setFileName(fileName);
    if (!file_.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Soubor „%1“ nelze otevřít: %2").arg(shown, file_.errorString());
        return false;
    }
    size_ = file_.size();
    if (size_ > 0)
        map_ = file_.map(0, size_);
    if (!map_ && size_ > 0) {
        if (size_ > kMaxCopy) {
            *error = QStringLiteral("Soubor „%1“ nelze namapovat do paměti: %2").arg(shown, file_.errorString());
            file_.close();
            return false;
        }
        copy_ = file_.readAll();
        if (copy_.size() != size_) {
            *error = QStringLiteral("Soubor „%1“ nelze přečíst: %2").arg(shown, file_.errorString());
            copy_.clear();
            file_.close();
            return false;
        }
    }
    mapped_ = size_;
    open_ = true;
    return true;
}

void THexDocument::checkMapped() const
{
    // The pages of a mapping beyond the end of its file cannot be read: a
    // program that truncates the file in place would crash this one. The
    // size is checked before every access; a file replaced by renaming
    // keeps its old content in the mapping and needs nothing.
#ifdef Q_OS_UNIX
    struct stat info;
    if (map_ && fstat(file_.handle(), &info) == 0)
        mapped_ = std::min<qint64>(size_, info.st_size);
#endif
}

bool THexDocument::Open(const QString& fileName, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    THexDocument probe;
    // Check the new file before the current one is let go.
    if (!probe.mapFile(fileName, error))
        return false;
    probe.Close();
    Close();
    return mapFile(fileName, error);
}

uint8_t THexDocument::At(qint64 offset) const
{
    if (offset < 0 || offset >= size_)
        return 0;
    checkMapped();
    auto it = overlay_.find(offset);
    return it != overlay_.end() ? it->second : base(offset);
}

void THexDocument::releasePages(qint64 offset, qint64 count) const
{
    // A pass over the whole file (searching, saving) would leave every page
    // it touched resident in this process; the pages stay in the system's
    // file cache, only this process lets go of them. The range is widened
    // to whole 2 MB blocks, which the system may map as one: a block only
    // partly released stays resident. Releasing a little more than was read
    // costs nothing: the mapping is read-only and pages come back on access.
#ifdef Q_OS_UNIX
    if (!map_ || count <= 0)
        return;
    constexpr qint64 kBlock = qint64(2) << 20;
    static const qint64 page = sysconf(_SC_PAGESIZE);
    const qint64 end = (size_ + page - 1) / page * page;
    const qint64 first = offset / kBlock * kBlock;
    const qint64 last = std::min(end, (offset + count + kBlock - 1) / kBlock * kBlock);
    if (last > first)
        madvise(const_cast<uint8_t*>(map_) + first, size_t(last - first), MADV_DONTNEED);
#else
    Q_UNUSED(offset);
    Q_UNUSED(count);
#endif
}

qint64 THexDocument::Read(qint64 offset, qint64 count, uint8_t* out) const
{
    if (offset < 0 || offset >= size_ || count <= 0)
        return 0;
    count = std::min(count, size_ - offset);
    if (map_) {
        checkMapped();
        const qint64 backed = std::clamp<qint64>(mapped_ - offset, 0, count);
        std::memcpy(out, map_ + offset, size_t(backed));
        std::memset(out + backed, 0, size_t(count - backed));
    } else {
        std::memcpy(out, copy_.constData() + offset, size_t(count));
    }
    for (auto it = overlay_.lower_bound(offset); it != overlay_.end() && it->first < offset + count; ++it)
        out[it->first - offset] = it->second;
    return count;
}

QByteArray THexDocument::Bytes(qint64 offset, qint64 count) const
{
    if (offset < 0 || offset >= size_ || count <= 0)
        return {};
    QByteArray bytes(int(std::min(count, size_ - offset)), Qt::Uninitialized);
    Read(offset, bytes.size(), reinterpret_cast<uint8_t*>(bytes.data()));
    return bytes;
}

void THexDocument::put(qint64 offset, uint8_t value)
{
    // Bytes put back to what the file holds leave the overlay, so undoing
    // everything leaves no memory behind.
    if (value == base(offset))
        overlay_.erase(offset);
    else
        overlay_[offset] = value;
}

qint64 THexDocument::Write(qint64 offset, const QByteArray& bytes, const QString& label, bool merge)
{
    if (offset < 0 || offset >= size_ || bytes.isEmpty())
        return 0;
    const qint64 count = std::min<qint64>(bytes.size(), size_ - offset);
    const QByteArray after = bytes.left(count);
    const QByteArray before = Bytes(offset, count);
    // A redo history ends with a new edit.
    if (done_ < steps_.size()) {
        steps_.erase(steps_.begin() + qsizetype(done_), steps_.end());
        if (savedAt_ > done_)
            savedAt_ = size_t(-1); // the saved state can no longer be reached
        mergeOpen_ = false;
    }
    for (qint64 i = 0; i < count; ++i)
        put(offset + i, uint8_t(after[i]));
    TStep* last = done_ > 0 && mergeOpen_ && merge && savedAt_ != done_ ? &steps_[done_ - 1] : nullptr;
    if (last && last->Label == label && offset >= last->Offset && offset <= last->Offset + last->After.size()
        && offset + count >= last->Offset + last->After.size()) {
        // The step grows: bytes already in it keep their first "before".
        const qint64 overlap = last->Offset + last->After.size() - offset;
        last->After = last->After.left(offset - last->Offset) + after;
        last->Before += before.mid(overlap);
    } else {
        steps_.push_back({offset, before, after, label});
        ++done_;
    }
    mergeOpen_ = merge;
    return count;
}

qint64 THexDocument::Undo()
{
    if (!CanUndo())
        return -1;
    checkMapped();
    const TStep& step = steps_[--done_];
    for (qsizetype i = 0; i < step.Before.size(); ++i)
        put(step.Offset + i, uint8_t(step.Before[i]));
    mergeOpen_ = false;
    return step.Offset;
}

qint64 THexDocument::Redo()
{
    if (!CanRedo())
        return -1;
    checkMapped();
    const TStep& step = steps_[done_++];
    for (qsizetype i = 0; i < step.After.size(); ++i)
        put(step.Offset + i, uint8_t(step.After[i]));
    mergeOpen_ = false;
    return step.Offset;
}

QStringList THexDocument::UndoLabels() const
{
    QStringList labels;
    for (size_t i = done_; i-- > 0;)
        labels << steps_[i].Label;
    return labels;
}

QStringList THexDocument::RedoLabels() const
{
    QStringList labels;
    for (size_t i = done_; i < steps_.size(); ++i)
        labels << steps_[i].Label;
    return labels;
}

qint64 THexDocument::Find(const QByteArray& pattern, qint64 from, bool forward) const
{
    const qint64 m = pattern.size();
    if (m == 0 || m > size_ || m > kChunk / 2)
        return -1;
    std::vector<uint8_t> buffer(size_t(std::min(size_, kChunk)));
    const auto* first = reinterpret_cast<const uint8_t*>(pattern.constData());
    const std::boyer_moore_horspool_searcher searcher(first, first + m);
    if (forward) {
        for (qint64 start = std::max<qint64>(from, 0); start + m <= size_;) {
            const qint64 got = Read(start, qint64(buffer.size()), buffer.data());
            auto hit = std::search(buffer.data(), buffer.data() + got, searcher);
            releasePages(start, got);
            if (hit != buffer.data() + got)
                return start + (hit - buffer.data());
            if (start + got >= size_)
                break;
            start += got - (m - 1);
        }
        return -1;
    }
    // Backward: the last occurrence that starts at or before from.
    qint64 end = std::min(size_, from + m);
    while (end >= m) {
        const qint64 start = std::max<qint64>(0, end - qint64(buffer.size()));
        const qint64 got = Read(start, end - start, buffer.data());
        auto hit = std::find_end(buffer.data(), buffer.data() + got, first, first + m);
        releasePages(start, got);
        if (hit != buffer.data() + got)
            return start + (hit - buffer.data());
        if (start == 0)
            break;
        end = start + m - 1;
    }
    return -1;
}

bool THexDocument::SaveTo(const QString& fileName, QString* error, const std::function<void(qint64, qint64)>& progress)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const QString shown = QFileInfo(fileName).fileName();
    {
        QSaveFile out(fileName);
        if (!out.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("Soubor „%1“ nelze uložit: %2").arg(shown, out.errorString());
            return false;
        }
        std::vector<uint8_t> buffer(size_t(std::min(std::max<qint64>(size_, 1), kChunk)));
        for (qint64 offset = 0; offset < size_;) {
            const qint64 got = Read(offset, qint64(buffer.size()), buffer.data());
            releasePages(offset, got);
            if (out.write(reinterpret_cast<const char*>(buffer.data()), got) != got) {
                *error = QStringLiteral("Soubor „%1“ nelze uložit: %2").arg(shown, out.errorString());
                out.cancelWriting();
                return false;
            }
            offset += got;
            if (progress)
                progress(offset, size_);
        }
        if (!out.commit()) {
            *error = QStringLiteral("Soubor „%1“ nelze uložit: %2").arg(shown, out.errorString());
            return false;
        }
    }
    // The saved file is the new base; the undo steps stay and still apply
    // to it, byte for byte.
    std::vector<TStep> steps = std::move(steps_);
    const size_t done = done_;
    Close();
    if (!mapFile(fileName, error)) {
        *error = QStringLiteral("Soubor byl uložen, ale nelze jej znovu otevřít: ") + *error;
        return false;
    }
    steps_ = std::move(steps);
    done_ = savedAt_ = done;
    return true;
}

bool ParseOffset(const QString& input, qint64* offset)
{
    QString text = input.trimmed();
    int base = 10;
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        text = text.mid(2), base = 16;
    } else if (text.startsWith(u'$')) {
        text = text.mid(1), base = 16;
    } else if (text.endsWith(u'h', Qt::CaseInsensitive)) {
        text.chop(1), base = 16;
    }
    if (text.isEmpty())
        return false;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, base);
    if (!ok || value < 0)
        return false;
    *offset = value;
    return true;
}

bool ParseHexBytes(const QString& input, QByteArray* bytes)
{
    QString digits;
    for (const QString& part : input.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts)) {
        QString p = part;
        if (p.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
            p = p.mid(2);
        digits += p;
    }
    if (digits.isEmpty() || digits.size() % 2)
        return false;
    QByteArray result;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        bool ok = false;
        const int value = digits.mid(i, 2).toInt(&ok, 16);
        if (!ok || digits[i] == u'+' || digits[i] == u'-')
            return false;
        result.append(char(value));
    }
    *bytes = result;
    return true;
}

QString SizeText(qint64 bytes)
{
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes);
    int unit = -1;
    while (value >= 1024 && unit < 3)
        value /= 1024, ++unit;
    return czech.toString(value, 'f', value < 10 ? 1 : 0) + u' ' + QLatin1String(units[unit]);
}
