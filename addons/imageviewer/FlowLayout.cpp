#include "FlowLayout.h"

#include <QWidget>

#include <algorithm>

TFlowLayout::TFlowLayout(QWidget* parent)
    : QLayout(parent)
{
}

TFlowLayout::~TFlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void TFlowLayout::addItem(QLayoutItem* item)
{
    items_.append(item);
}

int TFlowLayout::count() const
{
    return int(items_.size());
}

QLayoutItem* TFlowLayout::itemAt(int index) const
{
    return index >= 0 && index < items_.size() ? items_[index] : nullptr;
}

QLayoutItem* TFlowLayout::takeAt(int index)
{
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int TFlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize TFlowLayout::sizeHint() const
{
    int width = 0, height = 0, shown = 0;
    for (const QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        width += hint.width();
        height = std::max(height, hint.height());
        ++shown;
    }
    const QMargins m = contentsMargins();
    return QSize(width + std::max(0, shown - 1) * spacing() + m.left() + m.right(), height + m.top() + m.bottom());
}

QSize TFlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : items_)
        if (!item->isEmpty())
            size = size.expandedTo(item->sizeHint());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void TFlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int TFlowLayout::arrange(const QRect& rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(0, spacing());
    int x = area.x(), y = area.y(), lineHeight = 0;
    for (QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        if (x > area.x() && x + hint.width() > area.right() + 1) {
            x = area.x();
            y += lineHeight;
            lineHeight = 0;
        }
        if (place)
            item->setGeometry(QRect(QPoint(x, y), QSize(std::min(hint.width(), area.width()), hint.height())));
        x += hint.width() + gap;
        lineHeight = std::max(lineHeight, hint.height());
    }
    const QMargins m = contentsMargins();
    return y + lineHeight - rect.y() + m.bottom();
}
