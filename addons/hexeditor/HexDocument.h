#pragma once
// The bytes of one file as the hex editor edits them: the file is mapped,
// never read whole, and every change lives in a small overlay of changed
// bytes until it is saved. Edits overwrite bytes in place (the size never
// changes), each edit is an undo step, and searching runs over the mapping
// and the overlay in chunks, so a file of gigabytes costs little memory.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class THexDocument {
public:
    THexDocument() = default;
    ~THexDocument();
    THexDocument(const THexDocument&) = delete;
    THexDocument& operator=(const THexDocument&) = delete;

    // Maps the file; on failure returns false with a Czech reason and keeps
    // the document as it was.
    bool Open(const QString& fileName, QString* error);
    void Close();

    qint64 Size() const { return size_; }
    bool IsOpen() const { return open_; }
    uint8_t At(qint64 offset) const;
    // Copies count bytes from offset (clipped to the end) as they are now;
    // returns how many were copied.
    qint64 Read(qint64 offset, qint64 count, uint8_t* out) const;
    QByteArray Bytes(qint64 offset, qint64 count) const;
    // The byte differs from the file on disk.
    bool IsChanged(qint64 offset) const { return overlay_.count(offset) != 0; }

    // Overwrites bytes from offset (cut at the end of the file) as one undo
    // step named label. With merge, the step continues the previous one when
    // that one ends at or covers offset (typing byte after byte).
    // Returns the number of bytes written.
    qint64 Write(qint64 offset, const QByteArray& bytes, const QString& label, bool merge = false);
    // Ends merging into the last step.
    void BreakMerge() { mergeOpen_ = false; }

    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    // Undo and redo return the offset of the step's first byte, -1 if none.
    qint64 Undo();
    qint64 Redo();
    // Names of the steps, the next one first.
    QStringList UndoLabels() const;
    QStringList RedoLabels() const;
    bool IsModified() const { return done_ != savedAt_; }

    // Offset of the first occurrence of pattern starting at or after from
    // (forward) or at or before from (backward); -1 when there is none.
    qint64 Find(const QByteArray& pattern, qint64 from, bool forward) const;

    // Writes the bytes to fileName through a temporary file renamed over it,
    // then maps the saved file; progress (done, total) is reported while it
    // writes. The old file stays as it was if anything fails.
    bool SaveTo(const QString& fileName, QString* error, const std::function<void(qint64, qint64)>& progress = {});

    // Another program has cut the file short since it was opened.
    bool IsTruncatedOnDisk() const
    {
        checkMapped();
        return mapped_ < size_ && map_;
    }

    // Bytes the document holds in memory beside the mapping.
    qint64 OverlaySize() const { return qint64(overlay_.size()); }

private:
    struct TStep {
        qint64 Offset;
        QByteArray Before;
        QByteArray After;
        QString Label;
    };
    void put(qint64 offset, uint8_t value);
    // Bytes as the file holds them; 0 beyond the end of a file that another
    // program has cut short, even when it does so during the read (reading
    // a mapping there would crash).
    void copyBase(qint64 offset, qint64 count, uint8_t* out) const;
    uint8_t base(qint64 offset) const
    {
        uint8_t byte = 0;
        copyBase(offset, 1, &byte);
        return byte;
    }
    // How much of the mapping the file still backs.
    void checkMapped() const;
    bool mapFile(const QString& fileName, QString* error);
    // Lets the process drop the mapped pages of a range it has read through.
    void releasePages(qint64 offset, qint64 count) const;

    QFile file_;
    const uint8_t* map_ = nullptr;
    QByteArray copy_; // files that cannot be mapped are read
    qint64 size_ = 0;
    mutable qint64 mapped_ = 0;
    bool open_ = false;
    std::map<qint64, uint8_t> overlay_;
    std::vector<TStep> steps_;
    size_t done_ = 0;
    size_t savedAt_ = 0;
    bool mergeOpen_ = false;
};

// "1234", "0x4D2", "4D2h" or "$4D2" as an offset; false for anything else.
bool ParseOffset(const QString& text, qint64* offset);
// "4D 5A 90", "4d5a90" or "0x4D 0x5A" as bytes; false for odd digits or other characters.
bool ParseHexBytes(const QString& text, QByteArray* bytes);
// "1,5 MB" and the like, in Czech.
QString SizeText(qint64 bytes);
