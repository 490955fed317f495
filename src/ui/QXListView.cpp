#include "ui/QXListView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDateTime>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <qdrawutil.h>

#include <algorithm>

namespace {

constexpr int kIconSize = 16;
// Room at the right end of a group row for its fold mark.
constexpr int kFoldMarkWidth = 14;
constexpr int kGroupIconLeft = 2;
constexpr int kGroupTextLeft = 23;
// How long a checked file existence is believed before a repaint looks again.
constexpr qint64 kExistenceLifetimeMs = 2000;
// Paths whose icons are remembered; a full cache starts over.
constexpr int kIconCacheLimit = 4096;

int iconLeft(const TQXListViewItem& item)
{
    return item.IsGroup ? kGroupIconLeft : kGroupIconLeft + TQXListView::kIndent;
}

int textLeft(const TQXListViewItem& item)
{
    return item.IsGroup ? kGroupTextLeft : kGroupTextLeft + TQXListView::kIndent;
}

QFont itemFont(const QFont& base, const TQXListViewItem& item)
{
    QFont font = base;
    font.setBold(item.IsGroup || item.Bold);
    return font;
}

// The platform's icon for a path, looked up once per path: the lookup may read
// the file to learn its type.
QIcon fileIcon(const QString& path)
{
    static QFileIconProvider provider;
    static QHash<QString, QIcon> cache;
    auto it = cache.constFind(path);
    if (it != cache.constEnd())
        return *it;
    if (cache.size() >= kIconCacheLimit)
        cache.clear();
    QIcon icon = provider.icon(QFileInfo(path));
    if (icon.isNull())
        icon = provider.icon(QAbstractFileIconProvider::File);
    cache.insert(path, icon);
    return icon;
}

QPointer<QLabel> hintWindow;

QLabel* sharedHintWindow()
{
    if (!hintWindow) {
        // One window for every list; it lives as long as the application.
        hintWindow = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        hintWindow->setObjectName(QStringLiteral("QXListViewHint"));
        hintWindow->setForegroundRole(QPalette::ToolTipText);
        hintWindow->setBackgroundRole(QPalette::ToolTipBase);
        hintWindow->setAutoFillBackground(true);
        hintWindow->setFrameStyle(QFrame::Box | QFrame::Plain);
        hintWindow->setLineWidth(1);
        hintWindow->setIndent(2);
        hintWindow->setPalette(QToolTip::palette());
        QObject::connect(qApp, &QObject::destroyed, [] { delete hintWindow.data(); });
    }
    return hintWindow;
}

} // namespace

// ---------------------------------------------------------------------------
// Accessibility: the list reports its visible sequence of items as rows.
// ---------------------------------------------------------------------------

class TQXListViewItemAccessible : public QAccessibleInterface {
public:
    TQXListViewItemAccessible(TQXListView* view, int index)
        : view_(view)
        , index_(index)
    {
    }
    bool isValid() const override { return view_ && index_ >= 0 && index_ < view_->Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        const TQXListViewItem& item = view_->Item(index_);
        switch (t) {
        case QAccessible::Name:
            return item.Caption;
        case QAccessible::Description:
            return item.Hint;
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        for (int row = 0; row < view_->RowCount(); ++row) {
            if (view_->ItemAtRow(row) == index_) {
                QRect r(0, TQXListView::kStripHeight + 1 + row * TQXListView::kRowHeight, view_->width(),
                    TQXListView::kRowHeight);
                return QRect(view_->mapToGlobal(r.topLeft()), r.size());
            }
        }
        return {};
    }
    QAccessible::Role role() const override
    {
        return isValid() && view_->Item(index_).IsGroup ? QAccessible::TreeItem : QAccessible::ListItem;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const TQXListViewItem& item = view_->Item(index_);
        s.focusable = true;
        s.selectable = !item.IsGroup;
        s.focused = view_->hasFocus() && view_->FocusedIndex() == index_;
        if (item.IsGroup) {
            s.expandable = true;
            s.expanded = item.Expanded;
            s.collapsed = !item.Expanded;
        }
        s.offscreen = rect().isNull();
        s.disabled = view_->IsMissingFile(index_);
        return s;
    }

private:
    QPointer<TQXListView> view_;
    int index_;
};

class TQXListViewAccessible : public QAccessibleWidget {
public:
    explicit TQXListViewAccessible(TQXListView* view)
        : QAccessibleWidget(view, QAccessible::List)
    {
    }
    ~TQXListViewAccessible() override
    {
        for (QAccessible::Id id : std::as_const(children_))
            QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return int(view()->VisibleItems().size()); }
    QAccessibleInterface* child(int position) const override
    {
        const std::vector<int> visible = view()->VisibleItems();
        if (position < 0 || position >= int(visible.size()))
            return nullptr;
        const int index = visible[size_t(position)];
        auto it = children_.constFind(index);
        if (it != children_.constEnd())
            return QAccessible::accessibleInterface(*it);
        auto* item = new TQXListViewItemAccessible(view(), index);
        children_.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (auto it = children_.constBegin(); it != children_.constEnd(); ++it) {
            if (QAccessible::accessibleInterface(*it) == child) {
                const std::vector<int> visible = view()->VisibleItems();
                auto pos = std::find(visible.begin(), visible.end(), it.key());
                return pos == visible.end() ? -1 : int(pos - visible.begin());
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = view()->mapFromGlobal(QPoint(x, y));
        const int row = (local.y() - TQXListView::kStripHeight - 1) / TQXListView::kRowHeight;
        if (local.y() < TQXListView::kStripHeight + 1 || row >= view()->RowCount())
            return nullptr;
        const int index = view()->ItemAtRow(row);
        if (index < 0)
            return nullptr;
        const std::vector<int> visible = view()->VisibleItems();
        auto pos = std::find(visible.begin(), visible.end(), index);
        return pos == visible.end() ? nullptr : child(int(pos - visible.begin()));
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!view()->hasFocus())
            return nullptr;
        const std::vector<int> visible = view()->VisibleItems();
        auto pos = std::find(visible.begin(), visible.end(), view()->FocusedIndex());
        return pos == visible.end() ? nullptr : child(int(pos - visible.begin()));
    }

private:
    TQXListView* view() const { return static_cast<TQXListView*>(widget()); }
    mutable QHash<int, QAccessible::Id> children_;
};

namespace {

QAccessibleInterface* listViewAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TQXListView") && object && object->isWidgetType())
        return new TQXListViewAccessible(static_cast<TQXListView*>(object));
    return nullptr;
}

} // namespace

QWidget* QXListViewHintWindow()
{
    return sharedHintWindow();
}

// ---------------------------------------------------------------------------
// The control
// ---------------------------------------------------------------------------

TQXListView::TQXListView(QWidget* parent)
    : QWidget(parent)
{
    static bool factoryInstalled = false;
    if (!factoryInstalled) {
        QAccessible::installFactory(listViewAccessibleFactory);
        factoryInstalled = true;
    }
    setObjectName(QStringLiteral("QXListView"));
    setMouseTracking(true);
    // The paint covers every pixel: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);

    scrollTimer_ = new QTimer(this);
    scrollTimer_->setObjectName(QStringLiteral("ScrollTimer"));
    scrollTimer_->setInterval(kScrollInterval);
    connect(scrollTimer_, &QTimer::timeout, this, &TQXListView::scrollStep);
    hintTimer_ = new QTimer(this);
    hintTimer_->setObjectName(QStringLiteral("HintTimer"));
    hintTimer_->setInterval(kHintDelay);
    connect(hintTimer_, &QTimer::timeout, this, &TQXListView::showHint);
}

TQXListView::~TQXListView()
{
    if (hintWindow && !hintText_.isEmpty() && hintWindow->text() == hintText_)
        hintWindow->hide();
}

void TQXListView::SetAllowFocus(bool allow)
{
    allowFocus_ = allow;
    Invalidate();
}

void TQXListView::SetImages(const QList<QIcon>& images)
{
    images_ = images;
    Invalidate();
}

// ---------------------------------------------------------------------------
// Items
// ---------------------------------------------------------------------------

int TQXListView::AddGroup(const QString& caption, int imageIndex)
{
    TQXListViewItem item;
    item.Caption = caption;
    item.ImageIndex = imageIndex;
    item.IsGroup = true;
    items_.push_back(std::move(item));
    lastGroup_ = Count() - 1;
    itemsChanged();
    return Count() - 1;
}

int TQXListView::AddItem(int groupIndex, const QString& caption, int imageIndex)
{
    if (groupIndex < 0 || groupIndex >= Count() || !items_[size_t(groupIndex)].IsGroup)
        return -1;
    // Filling the last group appends without a walk over the list.
    const int position = groupIndex == lastGroup_ ? Count() : nextGroupAfter(groupIndex);
    TQXListViewItem item;
    item.Caption = caption;
    item.ImageIndex = imageIndex;
    items_.insert(items_.begin() + position, std::move(item));
    if (position <= lastGroup_)
        ++lastGroup_;
    itemsChanged();
    return position;
}

void TQXListView::DeleteItem(int index)
{
    if (index < 0 || index >= Count())
        return;
    const int end = items_[size_t(index)].IsGroup ? nextGroupAfter(index) : index + 1;
    items_.erase(items_.begin() + index, items_.begin() + end);
    findLastGroup();
    hotIndex_ = -1;
    normalizeTopIndex();
    itemsChanged();
}

void TQXListView::Clear()
{
    items_.clear();
    lastGroup_ = -1;
    hotIndex_ = -1;
    topIndex_ = 0;
    // The hint named an item that is gone; the item under the pointer gets
    // its own when the list is filled again.
    hintTimer_->stop();
    if (hintWindow && !hintText_.isEmpty() && hintWindow->text() == hintText_)
        hintWindow->hide();
    hintText_.clear();
    itemsChanged();
}

void TQXListView::ExpandAll()
{
    for (TQXListViewItem& item : items_)
        item.Expanded = true;
    normalizeTopIndex();
    itemsChanged();
}

QString TQXListView::GetItemHint(int index) const
{
    return index >= 0 && index < Count() ? items_[size_t(index)].Hint : QString();
}

void TQXListView::SetItemHint(int index, const QString& hint)
{
    if (index < 0 || index >= Count())
        return;
    TQXListViewItem& item = items_[size_t(index)];
    item.Hint = hint;
    // The icon and the existence belong to the old path.
    item.SystemIconIndex = 0;
    item.SystemIcon = QIcon();
    item.ExistsCheckedAt = 0;
}

void TQXListView::SetItemSystemIcon(int index)
{
    if (index < 0 || index >= Count())
        return;
    items_[size_t(index)].UseSystemIcon = true;
    Invalidate();
}

bool TQXListView::SetItemBold(int index, bool bold)
{
    if (index < 0 || index >= Count())
        return false;
    TQXListViewItem& item = items_[size_t(index)];
    const bool old = item.Bold;
    if (old != bold) {
        item.Bold = bold;
        Invalidate();
    }
    return old;
}

void TQXListView::ExchangeItems(int index1, int index2)
{
    if (index1 < 0 || index2 < 0 || index1 >= Count() || index2 >= Count())
        return;
    std::swap(items_[size_t(index1)], items_[size_t(index2)]);
    findLastGroup();
    itemsChanged();
}

void TQXListView::SetFocusedIndex(int index)
{
    if (focusedIndex_ == index)
        return;
    focusedIndex_ = index;
    emit FocusedIndexChanged(index);
    notifyAccessibleFocus();
    if (allowFocus_ || hasFocus())
        Invalidate();
}

void TQXListView::SetTopIndex(int index)
{
    topIndex_ = index;
    normalizeTopIndex();
    Invalidate();
}

void TQXListView::BeginUpdate()
{
    ++updateCount_;
}

void TQXListView::EndUpdate(bool repaint)
{
    if (updateCount_ > 0)
        --updateCount_;
    // Refilled under a resting pointer: the item now there is the hot one.
    if (updateCount_ == 0 && pointer_ && hotIndex_ == -1)
        hover(*pointer_);
    if (repaint && updateCount_ == 0)
        Invalidate();
}

void TQXListView::Invalidate()
{
    if (updateCount_ > 0)
        return;
    RequestRepaint();
}

void TQXListView::RequestRepaint()
{
    update();
}

void TQXListView::itemsChanged()
{
    Invalidate();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

bool TQXListView::IsMissingFile(int index) const
{
    if (index < 0 || index >= Count())
        return false;
    const TQXListViewItem& item = items_[size_t(index)];
    if (!item.UseSystemIcon || item.Hint.isEmpty())
        return false;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (item.ExistsCheckedAt == 0 || now - item.ExistsCheckedAt > kExistenceLifetimeMs) {
        item.Exists = QFileInfo::exists(item.Hint);
        item.ExistsCheckedAt = now;
    }
    return !item.Exists;
}

// ---------------------------------------------------------------------------
// The visible sequence
// ---------------------------------------------------------------------------

int TQXListView::nextGroupAfter(int index) const
{
    for (int i = index + 1; i < Count(); ++i)
        if (items_[size_t(i)].IsGroup)
            return i;
    return Count();
}

void TQXListView::findLastGroup()
{
    lastGroup_ = groupOf(Count() - 1);
}

int TQXListView::groupOf(int index) const
{
    for (int i = index; i >= 0; --i)
        if (items_[size_t(i)].IsGroup)
            return i;
    return -1;
}

bool TQXListView::isHidden(int index) const
{
    if (index < 0 || index >= Count() || items_[size_t(index)].IsGroup)
        return false;
    const int group = groupOf(index);
    return group >= 0 && !items_[size_t(group)].Expanded;
}

int TQXListView::nextVisible(int index) const
{
    if (index < 0 || index >= Count())
        return Count();
    const TQXListViewItem& item = items_[size_t(index)];
    return item.IsGroup && !item.Expanded ? nextGroupAfter(index) : index + 1;
}

int TQXListView::previousVisible(int index) const
{
    const int i = index - 1;
    if (i < 0)
        return -1;
    return isHidden(i) ? groupOf(i) : i;
}

void TQXListView::normalizeTopIndex()
{
    if (topIndex_ >= Count() || topIndex_ < 0)
        topIndex_ = 0;
    if (isHidden(topIndex_))
        topIndex_ = groupOf(topIndex_);
}

std::vector<int> TQXListView::VisibleItems() const
{
    std::vector<int> visible;
    for (int i = 0; i < Count(); i = nextVisible(i))
        visible.push_back(i);
    return visible;
}

int TQXListView::RowCount() const
{
    return std::max(0, (height() - 2 * kStripHeight) / kRowHeight + 1);
}

int TQXListView::ItemAtRow(int row) const
{
    if (row < 0 || Count() == 0)
        return -1;
    int top = topIndex_;
    if (top >= Count() || top < 0)
        top = 0;
    if (isHidden(top))
        top = groupOf(top);
    int index = top;
    for (int r = 0; r < row && index < Count(); ++r)
        index = nextVisible(index);
    return index < Count() ? index : -1;
}

int TQXListView::HitTest(int x, int y, int* rowOut) const
{
    const int row = y >= kStripHeight ? (y - kStripHeight) / kRowHeight : -1;
    if (rowOut)
        *rowOut = row;
    const int index = ItemAtRow(row);
    if (index < 0)
        return -1;
    const TQXListViewItem& item = items_[size_t(index)];
    const QFontMetrics metrics(itemFont(font(), item));
    const int right = textLeft(item) + metrics.horizontalAdvance(item.Caption) + 5;
    return x > iconLeft(item) && x < right ? index : -1;
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

void TQXListView::drawStrip(QPainter& painter, const QRect& rect, bool up, bool enabled, bool hot, bool pressed)
{
    painter.fillRect(rect, palette().color(QPalette::Button));
    const QColor colour = palette().color(enabled ? QPalette::ButtonText : QPalette::Dark);
    const int left = rect.center().x() - 4;
    const int top = rect.center().y() - 2;
    QPolygon triangle;
    if (up)
        triangle << QPoint(left + 5, top) << QPoint(left, top + 5) << QPoint(left + 10, top + 5);
    else
        triangle << QPoint(left, top) << QPoint(left + 10, top) << QPoint(left + 5, top + 5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(triangle);
    painter.restore();
    if (hot)
        qDrawShadePanel(&painter, rect, palette(), pressed, 1);
}

const QIcon& TQXListView::systemIcon(int index)
{
    TQXListViewItem& item = items_[size_t(index)];
    if (item.SystemIconIndex == 0) {
        item.SystemIcon = fileIcon(item.Hint);
        item.SystemIconIndex = 1;
    }
    return item.SystemIcon;
}

void TQXListView::drawItem(QPainter& painter, int index, const QRect& row)
{
    const TQXListViewItem& item = items_[size_t(index)];
    const bool plain = !item.IsGroup;
    QRect text(textLeft(item), row.top(), row.width() - textLeft(item) - (plain ? kIndent : 0), row.height());

    QFont font = itemFont(this->font(), item);
    const bool hot = index == hotIndex_;
    font.setUnderline(hot);
    QColor colour = palette().color(QPalette::Text);
    if (IsMissingFile(index))
        colour = palette().color(QPalette::Disabled, QPalette::Text);
    else if (hot)
        colour = palette().color(QPalette::Link);
    painter.setFont(font);
    painter.setPen(colour);
    // A group shows at its right end whether it is folded: a chevron pointing
    // down (folded) or up, in the colour of the disabled text.
    int captionWidth = text.width();
    if (item.IsGroup) {
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = QRect(row.right() - kFoldMarkWidth, row.top() + (row.height() - 9) / 2, 9, 9);
        arrow.palette.setColor(QPalette::ButtonText, palette().color(QPalette::Disabled, QPalette::Text));
        arrow.state &= ~QStyle::State_Enabled;
        style()->drawPrimitive(item.Expanded ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow,
            &painter, this);
        captionWidth = std::max(0, captionWidth - kFoldMarkWidth - 4);
    }
    const QString caption = QFontMetrics(font).elidedText(item.Caption, Qt::ElideRight, captionWidth);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);

    const QRect icon(iconLeft(item), row.top() + 2, kIconSize, kIconSize);
    if (item.UseSystemIcon) {
        if (!item.Hint.isEmpty())
            systemIcon(index).paint(&painter, icon, Qt::AlignCenter,
                IsMissingFile(index) ? QIcon::Disabled : QIcon::Normal);
    } else if (item.ImageIndex >= 0 && item.ImageIndex < images_.size()) {
        images_[item.ImageIndex].paint(&painter, icon);
    }

    if ((allowFocus_ || hasFocus()) && index == focusedIndex_) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = text.adjusted(-2, 0, 0, 0);
        option.state |= QStyle::State_KeyboardFocusChange;
        option.backgroundColor = palette().color(QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TQXListView::paintEvent(QPaintEvent*)
{
    if (updateCount_ > 0)
        return;
    QPainter painter(this);
    const int w = width(), h = height();
    drawStrip(painter, QRect(0, 0, w, kStripHeight), true, topIndex_ > 0, topArrowHot_, topArrowPressed_);

    normalizeTopIndex();
    const QRect area(0, kStripHeight + 1, w, std::max(0, h - 2 * kStripHeight));
    // The line between the top strip and the first row.
    painter.fillRect(QRect(0, kStripHeight, w, 1), palette().color(QPalette::Base));
    painter.save();
    painter.setClipRect(area);
    int index = Count() > 0 ? topIndex_ : Count();
    for (int r = 0; r < RowCount(); ++r) {
        const QRect row(0, area.top() + r * kRowHeight, w, kRowHeight);
        painter.fillRect(row, palette().color(QPalette::Base));
        if (index < Count()) {
            drawItem(painter, index, row);
            index = nextVisible(index);
        }
    }
    painter.restore();

    drawStrip(painter, QRect(0, h - kStripHeight, w, kStripHeight), false, topIndex_ < Count() - 1,
        bottomArrowHot_, bottomArrowPressed_);
}

// ---------------------------------------------------------------------------
// Mouse
// ---------------------------------------------------------------------------

void TQXListView::mousePressEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    const int h = height();
    topArrowPressed_ = topArrowHot_ = y < kStripHeight;
    bottomArrowPressed_ = bottomArrowHot_ = y > h - kStripHeight;
    scrollTimer_->start();
    scrollStep();
    if (y >= kStripHeight && y <= h - kStripHeight) {
        const int hit = HitTest(x, y);
        if (hit >= 0) {
            if (items_[size_t(hit)].IsGroup) {
                toggleGroup(hit);
            } else {
                if (OnSelectItem)
                    OnSelectItem(this, hit);
                // The handler may have refilled the list.
                if (hit < Count())
                    setFocusedItem(hit);
            }
        }
    }
    Invalidate();
}

void TQXListView::mouseReleaseEvent(QMouseEvent*)
{
    topArrowHot_ = bottomArrowHot_ = topArrowPressed_ = bottomArrowPressed_ = false;
    hotIndex_ = -1;
    scrollTimer_->stop();
    Invalidate();
}

void TQXListView::mouseMoveEvent(QMouseEvent* event)
{
    pointer_ = event->position().toPoint();
    hover(*pointer_);
}

void TQXListView::hover(const QPoint& pos)
{
    const int h = height();
    const bool overTop = pos.y() < kStripHeight;
    const bool overBottom = pos.y() > h - kStripHeight;
    if (overTop != topArrowHot_ || overBottom != bottomArrowHot_) {
        topArrowHot_ = overTop;
        bottomArrowHot_ = overBottom;
        Invalidate();
    }
    if (overTop || overBottom) {
        if (hotIndex_ != -1)
            clearHot();
        return;
    }
    int row = 0;
    const int hit = HitTest(pos.x(), pos.y(), &row);
    if (hit < 0) {
        if (hotIndex_ != -1)
            clearHot();
        return;
    }
    if (hit == hotIndex_)
        return;
    hotIndex_ = hit;
    setCursor(Qt::PointingHandCursor);
    hintText_ = items_[size_t(hit)].Hint;
    hintPos_ = mapToGlobal(QPoint(33, kStripHeight + kRowHeight * (row + 1)));
    if (hintWindow)
        hintWindow->hide();
    hintTimer_->start();
    Invalidate();
}

void TQXListView::clearHot()
{
    hotIndex_ = -1;
    unsetCursor();
    if (hintWindow)
        hintWindow->hide();
    hintTimer_->stop();
    Invalidate();
}

void TQXListView::leaveEvent(QEvent*)
{
    pointer_.reset();
    topArrowHot_ = bottomArrowHot_ = topArrowPressed_ = bottomArrowPressed_ = false;
    scrollTimer_->stop();
    clearHot();
}

void TQXListView::showHint()
{
    hintTimer_->stop();
    if (hintText_.isEmpty())
        return;
    QLabel* hint = sharedHintWindow();
    hint->setFont(font());
    hint->setText(hintText_);
    const QFontMetrics metrics(font());
    hint->resize(metrics.horizontalAdvance(hintText_) + 6, metrics.height() + 4);
    hint->move(hintPos_);
    hint->show();
    hint->raise();
}

void TQXListView::scrollStep()
{
    const int old = topIndex_;
    if (topArrowHot_ && topArrowPressed_) {
        --topIndex_;
        normalizeTopIndex();
    } else if (bottomArrowHot_ && bottomArrowPressed_) {
        normalizeTopIndex();
        const TQXListViewItem* top = Count() > 0 ? &items_[size_t(topIndex_)] : nullptr;
        if (top && top->IsGroup && !top->Expanded) {
            const int next = nextGroupAfter(topIndex_);
            if (next < Count())
                topIndex_ = next;
        } else {
            ++topIndex_;
        }
        normalizeTopIndex();
        // Scrolling stops when the last item is the top row.
        if (topIndex_ < old)
            topIndex_ = old;
    } else {
        return;
    }
    if (topIndex_ != old)
        Invalidate();
}

void TQXListView::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) {
        event->ignore();
        return;
    }
    const int old = topIndex_;
    const std::vector<int> visible = VisibleItems();
    normalizeTopIndex();
    auto pos = std::find(visible.begin(), visible.end(), topIndex_);
    if (pos != visible.end()) {
        // Three rows per notch, as list views scroll; never past the last item.
        const long target = std::clamp<long>(long(pos - visible.begin()) - 3L * steps, 0L, long(visible.size()) - 1);
        topIndex_ = visible[size_t(target)];
    }
    if (topIndex_ != old)
        Invalidate();
    event->accept();
}

// ---------------------------------------------------------------------------
// Keyboard and focus
// ---------------------------------------------------------------------------

void TQXListView::setFocusedItem(int index)
{
    SetFocusedIndex(index);
}

void TQXListView::toggleGroup(int index)
{
    TQXListViewItem& group = items_[size_t(index)];
    group.Expanded = !group.Expanded;
    // The focus does not stay on a row that has gone.
    if (isHidden(focusedIndex_))
        setFocusedItem(index);
    normalizeTopIndex();
    itemsChanged();
}

void TQXListView::scrollTo(int index)
{
    const std::vector<int> visible = VisibleItems();
    auto at = std::find(visible.begin(), visible.end(), index);
    normalizeTopIndex();
    auto top = std::find(visible.begin(), visible.end(), topIndex_);
    if (at == visible.end() || top == visible.end())
        return;
    const int fullRows = std::max(1, (height() - 2 * kStripHeight) / kRowHeight);
    const int old = topIndex_;
    if (at < top)
        topIndex_ = *at;
    else if (at - top >= fullRows)
        topIndex_ = *(at - fullRows + 1);
    if (topIndex_ != old)
        Invalidate();
}

void TQXListView::keyPressEvent(QKeyEvent* event)
{
    if (Count() == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    int focused = focusedIndex_;
    if (focused < 0 || focused >= Count() || isHidden(focused))
        focused = focused >= 0 && focused < Count() ? groupOf(focused) : topIndex_;
    if (focused < 0)
        focused = 0;
    const TQXListViewItem& item = items_[size_t(focused)];
    const int page = std::max(1, (height() - 2 * kStripHeight) / kRowHeight - 1);
    int target = focused;
    switch (event->key()) {
    case Qt::Key_Up:
        target = std::max(0, previousVisible(focused));
        break;
    case Qt::Key_Down:
        if (nextVisible(focused) < Count())
            target = nextVisible(focused);
        break;
    case Qt::Key_PageUp:
        for (int i = 0; i < page && previousVisible(target) >= 0; ++i)
            target = previousVisible(target);
        break;
    case Qt::Key_PageDown:
        for (int i = 0; i < page && nextVisible(target) < Count(); ++i)
            target = nextVisible(target);
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = previousVisible(Count());
        break;
    case Qt::Key_Left:
        if (item.IsGroup && item.Expanded) {
            toggleGroup(focused);
        } else if (!item.IsGroup && groupOf(focused) >= 0) {
            target = groupOf(focused);
        }
        break;
    case Qt::Key_Right:
        if (item.IsGroup && !item.Expanded)
            toggleGroup(focused);
        else if (item.IsGroup && nextVisible(focused) < Count() && !items_[size_t(focused + 1)].IsGroup)
            target = focused + 1;
        break;
    case Qt::Key_Space:
        if (item.IsGroup)
            toggleGroup(focused);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (item.IsGroup) {
            toggleGroup(focused);
        } else {
            if (OnSelectItem)
                OnSelectItem(this, focused);
            if (focused < Count())
                setFocusedItem(focused);
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (target != focusedIndex_)
        setFocusedItem(target);
    scrollTo(target);
    Invalidate();
    event->accept();
}

void TQXListView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (Count() > 0 && (focusedIndex_ < 0 || focusedIndex_ >= Count() || isHidden(focusedIndex_))) {
        normalizeTopIndex();
        setFocusedItem(topIndex_);
    }
    notifyAccessibleFocus();
    Invalidate();
}

void TQXListView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    Invalidate();
}

void TQXListView::notifyAccessibleFocus()
{
    if (!QAccessible::isActive() || !hasFocus())
        return;
    const std::vector<int> visible = VisibleItems();
    auto pos = std::find(visible.begin(), visible.end(), focusedIndex_);
    if (pos == visible.end())
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(int(pos - visible.begin()));
    QAccessible::updateAccessibility(&event);
}

QSize TQXListView::sizeHint() const
{
    return QSize(200, 2 * kStripHeight + 12 * kRowHeight);
}

QSize TQXListView::minimumSizeHint() const
{
    return QSize(80, 2 * kStripHeight + kRowHeight);
}
