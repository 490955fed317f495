#pragma once
// What a running tool writes, made into lines for the output panel. Bytes
// arrive in any pieces; complete lines wait in a queue until the panel takes
// them. The queue keeps only the newest lines (a tool printing millions of
// lines costs no more than the ones that can be shown), and a line longer
// than the display limit is kept only up to it, however long it grows, so a
// megabyte without a newline neither fills the memory nor the view.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <deque>
#include <vector>

struct TToolOutputLine {
    QString Text;   // without the line end and terminal colour codes; cut lines end with a note
    qint64 Number = 0; // from 1, in the tool's whole output
    bool Cut = false;
};

class TToolOutputBuffer {
public:
    explicit TToolOutputBuffer(int maxLines = 10000, int maxLineChars = 4000);

    void Append(const char* data, qsizetype size);
    void Append(const QByteArray& bytes) { Append(bytes.constData(), bytes.size()); }
    // The tool ended: an unfinished last line becomes a line.
    void Finish();
    // Up to max of the waiting lines, oldest first.
    std::vector<TToolOutputLine> Take(int max);
    bool HasLines() const { return !queue_.empty(); }
    int QueuedLines() const { return int(queue_.size()); }

    // Complete lines seen so far.
    qint64 LineCount() const { return lines_; }
    // Lines that left the queue unshown because newer ones pushed them out.
    qint64 SkippedLines() const { return skipped_; }
    int MaxLines() const { return maxLines_; }

private:
    struct Raw {
        QByteArray Bytes; // at most the kept prefix
        qint64 Length = 0; // of the whole line, in bytes
        qint64 Number = 0;
    };
    void endLine(const char* data, qsizetype size);
    void keepPart(const char* data, qsizetype size);

    int maxLines_;
    int maxLineChars_;
    qsizetype maxLineBytes_;
    QByteArray partial_;      // the unfinished line, at most maxLineBytes_
    qint64 partialLength_ = 0; // its whole length
    std::deque<Raw> queue_;
    qint64 lines_ = 0;
    qint64 skipped_ = 0;
    QStringDecoder decoder_ {QStringDecoder::System};
};
