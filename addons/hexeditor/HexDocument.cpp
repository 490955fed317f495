#include "HexDocument.h"

#include <QX_PluginHelpers.h>

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <csetjmp>
#include <csignal>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>

namespace {

// Files that cannot be mapped (special files, some network file systems) are
// read into memory up to this size.
constexpr qint64 kMaxCopy = qint64(256) << 20;
// Searching and saving go through the file in pieces of this size.
constexpr qint64 kChunk = qint64(4) << 20;

#ifdef Q_OS_UNIX
// Another program may cut the file short at any moment, also between a check
// of its size and the read of the mapping: a page past the new end raises
// SIGBUS, which would end the whole host. Reads of a mapping therefore run
// under a guard that turns that signal into a failed read. The handler is in
// place while any document holds a mapping, and is taken away again before
// the plug-in can be unloaded.
thread_local sigjmp_buf* t_busGuard = nullptr;
std::mutex g_busLock;
int g_busUsers = 0;
struct sigaction g_busPrevious;

void onBusError(int number, siginfo_t* info, void* context)
{
    if (sigjmp_buf* guard = t_busGuard) {
        t_busGuard = nullptr;
        siglongjmp(*guard, 1);
    }
    // Not a read of a mapping: what was there before decides.
    if (g_busPrevious.sa_flags & SA_SIGINFO) {
        g_busPrevious.sa_sigaction(number, info, context);
    } else if (g_busPrevious.sa_handler != SIG_DFL && g_busPrevious.sa_handler != SIG_IGN) {
        g_busPrevious.sa_handler(number);
    } else {
        // Returning runs the faulting instruction again, now under the
        // default action: the process ends as it would have without us.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigaction(SIGBUS, &fallback, nullptr);
    }
}

void holdBusGuard()
{
    std::lock_guard lock(g_busLock);
    if (g_busUsers++ > 0)
        return;
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    // SA_NODEFER: the jump out of the handler leaves the signal unblocked.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_busPrevious);
}

void releaseBusGuard()
{
    std::lock_guard lock(g_busLock);
    if (--g_busUsers == 0)
        sigaction(SIGBUS, &g_busPrevious, nullptr);
}

// Copies count bytes of a mapping; false when the file no longer backs all
// of them (out is then partly written).
bool guardedCopy(uint8_t* out, const uint8_t* from, size_t count)
{
    sigjmp_buf guard;
    if (sigsetjmp(guard, 0) != 0)
        return false;
    t_busGuard = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(out, from, count);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t_busGuard = nullptr;
    return true;
}
#endif

} // namespace

THexDocument::~THexDocument()
{
    Close();
}

void THexDocument::Close()
{
    if (map_) {
        file_.unmap(const_cast<uint8_t*>(map_));
#ifdef Q_OS_UNIX
        releaseBusGuard();
#endif
    }
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
#ifdef Q_OS_UNIX
    if (map_)
        holdBusGuard();
#endif
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

void THexDocument::copyBase(qint64 offset, qint64 count, uint8_t* out) const
{
    if (!map_) {
        std::memcpy(out, copy_.constData() + offset, size_t(count));
        return;
    }
    // The size check and the read are not one step: a file cut short in
    // between fails the read, and the size is checked again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        checkMapped();
        const qint64 backed = std::clamp<qint64>(mapped_ - offset, 0, count);
#ifdef Q_OS_UNIX
        const bool copied = guardedCopy(out, map_ + offset, size_t(backed));
#else
        std::memcpy(out, map_ + offset, size_t(backed));
        const bool copied = true;
#endif
        if (copied) {
            std::memset(out + backed, 0, size_t(count - backed));
            return;
        }
    }
    // Cut and grown again over and over: what cannot be read reads as 00.
    std::memset(out, 0, size_t(count));
}

qint64 THexDocument::Read(qint64 offset, qint64 count, uint8_t* out) const
{
    if (offset < 0 || offset >= size_ || count <= 0)
        return 0;
    count = std::min(count, size_ - offset);
    copyBase(offset, count, out);
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
    // Whole or not at all: a failed save (a full disk) leaves the old file
    // as it was.
    qint64 offset = 0;
    QString reason;
    const bool saved = QX_SaveFileFrom(fileName, [&](char* buffer, int64_t capacity) -> int64_t {
        const qint64 got = Read(offset, std::min<qint64>(capacity, kChunk), reinterpret_cast<uint8_t*>(buffer));
        releasePages(offset, got);
        offset += got;
        if (progress && got > 0)
            progress(offset, size_);
        return got;
    }, &reason);
    if (!saved) {
        *error = QX_SaveFailedText(shown, reason);
        return false;
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
