#include "frame/FrameMenuStyle.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {

bool isEntryMenu(const QWidget* widget)
{
    return widget && widget->objectName() == QLatin1String(TFrameMenuStyle::kEntryMenu);
}

// The caption as drawn: no mnemonic marks, no shortcut column.
QString captionOf(const QStyleOptionMenuItem& item)
{
    QString text = item.text.section(QLatin1Char('\t'), 0, 0);
    return text.remove(QLatin1Char('&'));
}

} // namespace

TFrameMenuStyle::TFrameMenuStyle()
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
{
}

QSize TFrameMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
    const QWidget* widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item)
        return result;
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return {result.width(), kSeparatorHeight};
    if (isEntryMenu(widget)) {
        const int text = item->fontMetrics.horizontalAdvance(captionOf(*item));
        return {std::max(result.width(), 25 + text + 16), kEntryHeight};
    }
    return result;
}

void TFrameMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
    const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect r = item->rect;
    const QPalette& pal = item->palette;
    painter->save();
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(r, pal.button());
        painter->setPen(pal.color(QPalette::Dark));
        painter->drawLine(r.left() + 15, r.top() + 4, r.right() - 15, r.top() + 4);
        painter->setPen(pal.color(QPalette::Light));
        painter->drawLine(r.left() + 15, r.top() + 5, r.right() - 15, r.top() + 5);
    } else if (isEntryMenu(widget)) {
        const bool enabled = item->state.testFlag(State_Enabled);
        const bool selected = enabled && item->state.testFlag(State_Selected);
        painter->fillRect(r, pal.window());
        // The image's column keeps the menu colour under the selection.
        if (selected)
            painter->fillRect(QRect(r.left() + 21, r.top(), r.width() - 21, r.height()), pal.highlight());
        if (!item->icon.isNull())
            item->icon.paint(painter, QRect(r.left() + 1, r.top() + 1, 16, 16), Qt::AlignCenter,
                enabled ? QIcon::Normal : QIcon::Disabled);
        if (selected) {
            painter->setPen(pal.color(QPalette::Light));
            painter->drawLine(r.left(), r.top() + 18, r.left(), r.top());
            painter->drawLine(r.left(), r.top(), r.left() + 18, r.top());
            painter->setPen(pal.color(QPalette::Dark));
            painter->drawLine(r.left() + 18, r.top(), r.left() + 18, r.top() + 18);
            painter->drawLine(r.left() + 18, r.top() + 18, r.left() - 1, r.top() + 18);
        }
        painter->setPen(!enabled ? pal.color(QPalette::Disabled, QPalette::WindowText)
                : selected       ? pal.color(QPalette::HighlightedText)
                                 : pal.color(QPalette::WindowText));
        painter->setFont(item->font);
        painter->drawText(QRect(r.left() + 25, r.top() + 3, r.width() - 25, r.height() - 3),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, captionOf(*item));
    } else {
        painter->restore();
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    painter->restore();
}

void InstallMenuDrawing(QWidget* frame)
{
    auto* style = new TFrameMenuStyle;
    style->setParent(frame);
    for (QMenu* menu : frame->findChildren<QMenu*>())
        if (menu->style() == QApplication::style())
            menu->setStyle(style);
}
