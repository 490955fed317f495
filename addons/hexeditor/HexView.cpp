#include "HexView.h"

#include "HexDocument.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Printable bytes show as themselves (Latin-1), everything else as a dot.
QChar shownChar(uint8_t b)
{
    return (b >= 0x20 && b < 0x7F) || b >= 0xA0 ? QChar(b) : QChar(u'.');
}

} // namespace

THexView::THexView(THexDocument* document, QWidget* parent)
    : QAbstractScrollArea(parent)
    , document_(document)
{
    setObjectName(QStringLiteral("hexView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(true);
    SetFontSize(10);
}

void THexView::SetFontSize(int points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(std::clamp(points, 6, 40));
    setFont(font);
    const QFontMetrics metrics(font);
    charWidth_ = std::max(1, metrics.horizontalAdvance(u'0'));
    lineHeight_ = metrics.height() + 2;
    ascent_ = metrics.ascent() + 1;
    updateGeometry();
    updateScrollBars();
    viewport()->update();
}

void THexView::SetBytesPerRow(int bytes)
{
    const qint64 keep = cursor_;
    bytesPerRow_ = std::clamp(bytes, 4, 64);
    updateGeometry();
    updateScrollBars();
    SetCursor(keep, HasSelection());
    viewport()->update();
}

void THexView::DocumentChanged()
{
    const int digits = document_->Size() > 0xFFFFFFFFll ? 12 : 8;
    if (digits != offsetDigits_) {
        offsetDigits_ = digits;
        updateGeometry();
    }
    cursor_ = std::clamp<qint64>(cursor_, 0, std::max<qint64>(0, document_->Size() - 1));
    anchor_ = std::clamp<qint64>(anchor_, 0, std::max<qint64>(0, document_->Size() - 1));
    updateScrollBars();
    viewport()->update();
}

int THexView::rowWidth() const
{
    // Offset, gap, the bytes in hex, gap, the bytes as text, a margin.
    return (offsetDigits_ + 2 + bytesPerRow_ * 3 + 2 + bytesPerRow_ + 1) * charWidth_;
}

QSize THexView::sizeHint() const
{
    // A whole row, its text column included, beside the vertical scroll bar;
    // the host opens a document at least this wide when there is room.
    const int frame = 2 * frameWidth();
    return QSize(rowWidth() + verticalScrollBar()->sizeHint().width() + frame, 24 * lineHeight_ + frame);
}

qint64 THexView::rowCount() const
{
    return (document_->Size() + bytesPerRow_ - 1) / bytesPerRow_;
}

int THexView::visibleRows() const
{
    return std::max(1, viewport()->height() / lineHeight_);
}

void THexView::updateScrollBars()
{
    const qint64 rows = rowCount();
    const qint64 scrollable = std::max<qint64>(0, rows - visibleRows() + 1);
    rowsPerStep_ = std::max<qint64>(1, (scrollable + INT_MAX - 1) / INT_MAX);
    verticalScrollBar()->setRange(0, int(scrollable / rowsPerStep_));
    verticalScrollBar()->setPageStep(std::max(1, int(visibleRows() / rowsPerStep_)));
    const int width = rowWidth();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

qint64 THexView::TopRow() const
{
    return qint64(verticalScrollBar()->value()) * rowsPerStep_;
}

void THexView::SetTopRow(qint64 row)
{
    verticalScrollBar()->setValue(int(std::clamp<qint64>(row / rowsPerStep_, 0, verticalScrollBar()->maximum())));
}

void THexView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void THexView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void THexView::SetColumn(TColumn column)
{
    column_ = column;
    lowNibble_ = false;
    viewport()->update();
}

qint64 THexView::SelectionStart() const
{
    return std::min(anchor_, cursor_);
}

qint64 THexView::SelectionLength() const
{
    if (!HasSelection())
        return 0;
    return std::abs(cursor_ - anchor_) + 1;
}

void THexView::SetCursor(qint64 offset, bool select)
{
    const qint64 last = std::max<qint64>(0, document_->Size() - 1);
    cursor_ = std::clamp<qint64>(offset, 0, last);
    if (!select)
        anchor_ = cursor_;
    if (!select)
        selectionWhole_ = false;
    lowNibble_ = false;
    document_->BreakMerge();
    ensureVisible();
    viewport()->update();
    emit CursorMoved();
}

void THexView::Select(qint64 offset, qint64 count)
{
    const qint64 last = std::max<qint64>(0, document_->Size() - 1);
    anchor_ = std::clamp<qint64>(offset, 0, last);
    cursor_ = std::clamp<qint64>(offset + std::max<qint64>(count, 1) - 1, 0, last);
    selectionWhole_ = count >= 1 && document_->Size() > 0;
    lowNibble_ = false;
    document_->BreakMerge();
    // Show the selection from its start.
    const qint64 row = anchor_ / bytesPerRow_;
    if (row < TopRow() || row >= TopRow() + visibleRows())
        SetTopRow(row);
    viewport()->update();
    emit CursorMoved();
}

void THexView::SelectAll()
{
    if (document_->Size() > 0)
        Select(0, document_->Size());
}

void THexView::ensureVisible()
{
    const qint64 row = cursor_ / bytesPerRow_;
    const qint64 top = TopRow();
    const int rows = visibleRows();
    if (row < top)
        SetTopRow(row);
    else if (row >= top + rows)
        SetTopRow(row - rows + 1);
}

void THexView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(viewport()->rect(), pal.base());
    painter.translate(-horizontalScrollBar()->value(), 0);
    const qint64 top = TopRow();
    const int rows = visibleRows() + 1;
    const int hexX = (offsetDigits_ + 2) * charWidth_;
    const int textX = hexX + (bytesPerRow_ * 3 + 2) * charWidth_;
    const qint64 selStart = HasSelection() ? SelectionStart() : -1;
    const qint64 selEnd = HasSelection() ? selStart + SelectionLength() : -1;
    const QColor offsetColor(0x57, 0x60, 0x6a);
    const QColor changedColor(0xcf, 0x22, 0x2e);
    const QColor selection = pal.color(QPalette::Highlight).lighter(160);
    std::vector<uint8_t> row(static_cast<size_t>(bytesPerRow_));
    // Separator between the offsets and the bytes, and before the text.
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(hexX - charWidth_, 0, hexX - charWidth_, viewport()->height());
    painter.drawLine(textX - charWidth_, 0, textX - charWidth_, viewport()->height());
    for (int r = 0; r < rows; ++r) {
        const qint64 rowOffset = (top + r) * bytesPerRow_;
        if (rowOffset >= document_->Size())
            break;
        const int y = r * lineHeight_;
        const qint64 count = document_->Read(rowOffset, bytesPerRow_, row.data());
        painter.setPen(offsetColor);
        painter.drawText(0, y + ascent_, QStringLiteral("%1").arg(rowOffset, offsetDigits_, 16, QChar(u'0')).toUpper());
        for (qint64 i = 0; i < count; ++i) {
            const qint64 offset = rowOffset + i;
            const int hx = hexX + int(i) * 3 * charWidth_;
            const int tx = textX + int(i) * charWidth_;
            if (offset >= selStart && offset < selEnd) {
                painter.fillRect(hx, y, (offset + 1 < selEnd && i + 1 < count ? 3 : 2) * charWidth_, lineHeight_, selection);
                painter.fillRect(tx, y, charWidth_, lineHeight_, selection);
            }
            if (offset == cursor_) {
                // The caret: a box in the active column, an outline in the other.
                const QColor caret = pal.color(QPalette::Highlight);
                const QRect hexBox(hx + (column_ == TColumn::Hex && lowNibble_ ? charWidth_ : 0), y,
                    column_ == TColumn::Hex ? charWidth_ : 2 * charWidth_, lineHeight_);
                const QRect textBox(tx, y, charWidth_, lineHeight_);
                if (hasFocus() || column_ == TColumn::Hex)
                    painter.fillRect(column_ == TColumn::Hex ? hexBox : textBox, caret.lighter(130));
                painter.setPen(caret);
                painter.drawRect((column_ == TColumn::Hex ? textBox : hexBox).adjusted(0, 0, -1, -1));
            }
            const uint8_t b = row[size_t(i)];
            painter.setPen(document_->IsChanged(offset) ? changedColor : pal.color(QPalette::Text));
            const QChar hex[2] = {QChar(kHexDigits[b >> 4]), QChar(kHexDigits[b & 15])};
            painter.drawText(hx, y + ascent_, QString(hex, 2));
            painter.drawText(tx, y + ascent_, QString(shownChar(b)));
        }
    }
}

qint64 THexView::hitTest(const QPoint& point, TColumn* column) const
{
    const int x = point.x() + horizontalScrollBar()->value();
    const qint64 row = TopRow() + point.y() / lineHeight_;
    const int hexX = (offsetDigits_ + 2) * charWidth_;
    const int textX = hexX + (bytesPerRow_ * 3 + 2) * charWidth_;
    int index = -1;
    if (x >= hexX && x < hexX + bytesPerRow_ * 3 * charWidth_) {
        index = (x - hexX) / (3 * charWidth_);
        *column = TColumn::Hex;
    } else if (x >= textX && x < textX + bytesPerRow_ * charWidth_) {
        index = (x - textX) / charWidth_;
        *column = TColumn::Text;
    }
    if (index < 0)
        return -1;
    const qint64 offset = row * bytesPerRow_ + index;
    return offset < document_->Size() ? offset : std::max<qint64>(0, document_->Size() - 1);
}

void THexView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    TColumn column = column_;
    const qint64 offset = hitTest(event->position().toPoint(), &column);
    if (offset < 0)
        return;
    column_ = column;
    SetCursor(offset, event->modifiers() & Qt::ShiftModifier);
}

void THexView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    TColumn column = column_;
    const qint64 offset = hitTest(event->position().toPoint(), &column);
    if (offset >= 0)
        SetCursor(offset, true);
}

void THexView::typeByte(uint8_t value)
{
    if (document_->Size() == 0)
        return;
    document_->Write(cursor_, QByteArray(1, char(value)), QStringLiteral("Psaní"), true);
    emit Edited();
}

void THexView::keyPressEvent(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const qint64 page = qint64(visibleRows()) * bytesPerRow_;
    switch (event->key()) {
    case Qt::Key_Left:
        return SetCursor(cursor_ - 1, shift);
    case Qt::Key_Right:
        return SetCursor(cursor_ + 1, shift);
    case Qt::Key_Up:
        return SetCursor(cursor_ - bytesPerRow_ >= 0 ? cursor_ - bytesPerRow_ : cursor_, shift);
    case Qt::Key_Down:
        return SetCursor(cursor_ + bytesPerRow_ < document_->Size() ? cursor_ + bytesPerRow_ : cursor_, shift);
    case Qt::Key_PageUp:
        return SetCursor(cursor_ >= page ? cursor_ - page : cursor_ % bytesPerRow_, shift);
    case Qt::Key_PageDown:
        return SetCursor(std::min(cursor_ + page, document_->Size() - 1), shift);
    case Qt::Key_Home:
        return SetCursor(ctrl ? 0 : cursor_ - cursor_ % bytesPerRow_, shift);
    case Qt::Key_End:
        return SetCursor(ctrl ? document_->Size() - 1 : cursor_ - cursor_ % bytesPerRow_ + bytesPerRow_ - 1, shift);
    case Qt::Key_G:
        if (ctrl) {
            emit GoToRequested();
            return;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        SetColumn(column_ == TColumn::Hex ? TColumn::Text : TColumn::Hex);
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (ctrl || text.size() != 1 || !text[0].isPrint() || document_->Size() == 0)
        return QAbstractScrollArea::keyPressEvent(event);
    if (column_ == TColumn::Text) {
        if (text[0].unicode() > 0xFF)
            return; // the text column shows Latin-1 only
        typeByte(uint8_t(text[0].unicode()));
        advanceAfterTyping();
        return;
    }
    const int nibble = hexValue(text[0]);
    if (nibble < 0)
        return;
    const uint8_t old = document_->At(cursor_);
    const uint8_t value = lowNibble_ ? uint8_t((old & 0xF0) | nibble) : uint8_t((old & 0x0F) | (nibble << 4));
    typeByte(value);
    if (!lowNibble_) {
        lowNibble_ = true;
        viewport()->update();
        emit CursorMoved();
    } else {
        advanceAfterTyping();
    }
}

void THexView::advanceAfterTyping()
{
    // Unlike SetCursor, the undo step stays open: typing goes on in it.
    lowNibble_ = false;
    selectionWhole_ = false;
    if (cursor_ + 1 < document_->Size())
        cursor_ += 1;
    anchor_ = cursor_;
    ensureVisible();
    viewport()->update();
    emit CursorMoved();
}
