#include "tools/ToolOutputBuffer.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace {

// Colour and cursor control sequences of terminals; tools that colour their
// output whatever it goes to would otherwise show them as garbage.
void removeEscapes(QString& line)
{
    if (!line.contains(QChar(0x1b)))
        return;
    static const QRegularExpression escapes(QStringLiteral("\x1b\\[[0-9;?]*[ -/]*[@-~]"));
    line.remove(escapes);
}

} // namespace

TToolOutputBuffer::TToolOutputBuffer(int maxLines, int maxLineChars)
    : maxLines_(std::max(1, maxLines))
    , maxLineChars_(std::max(1, maxLineChars))
    // Room for the longest encoding of the characters shown.
    , maxLineBytes_(qsizetype(maxLineChars_) * 4)
{
}

void TToolOutputBuffer::keepPart(const char* data, qsizetype size)
{
    const qsizetype room = maxLineBytes_ - partial_.size();
    if (room > 0)
        partial_.append(data, std::min(room, size));
    partialLength_ += size;
}

void TToolOutputBuffer::endLine(const char* data, qsizetype size)
{
    keepPart(data, size);
    ++lines_;
    queue_.push_back({std::move(partial_), partialLength_, lines_});
    partial_ = QByteArray();
    partialLength_ = 0;
    if (queue_.size() > size_t(maxLines_)) {
        queue_.pop_front();
        ++skipped_;
    }
}

void TToolOutputBuffer::Append(const char* data, qsizetype size)
{
    const char* end = data + size;
    // Lines that the queue would push out again at once are only counted.
    qsizetype skip = qsizetype(std::count(data, end, '\n')) - maxLines_;
    const char* p = data;
    while (p < end) {
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!newline) {
            keepPart(p, end - p);
            break;
        }
        if (skip > 0) {
            --skip;
            ++lines_;
            ++skipped_;
            partial_.clear();
            partialLength_ = 0;
        } else {
            endLine(p, newline - p);
        }
        p = newline + 1;
    }
}

void TToolOutputBuffer::Finish()
{
    if (partialLength_ > 0)
        endLine(nullptr, 0);
}

std::vector<TToolOutputLine> TToolOutputBuffer::Take(int max)
{
    std::vector<TToolOutputLine> taken;
    while (!queue_.empty() && int(taken.size()) < max) {
        Raw raw = std::move(queue_.front());
        queue_.pop_front();
        TToolOutputLine line;
        line.Number = raw.Number;
        decoder_.resetState();
        line.Text = decoder_.decode(raw.Bytes);
        if (raw.Length == raw.Bytes.size() && line.Text.endsWith(QLatin1Char('\r')))
            line.Text.chop(1);
        removeEscapes(line.Text);
        if (raw.Length > raw.Bytes.size() || line.Text.size() > maxLineChars_) {
            line.Text.truncate(maxLineChars_);
            line.Cut = true;
        }
        if (line.Cut)
            line.Text += QStringLiteral(" … [řádek zkrácen, celý má %1 bajtů; celý výstup lze uložit do souboru]")
                             .arg(QLocale(QLocale::Czech).toString(raw.Length));
        taken.push_back(std::move(line));
    }
    return taken;
}
