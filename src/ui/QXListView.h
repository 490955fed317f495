#pragma once
// TQXListView: a self-drawn list in the manner of a sidebar. Items are kept in
// one flat list; a group header owns the items that follow it up to the next
// header, and a collapsed group's items take no rows. Each row is 21 pixels
// high and shows a small icon and a caption; the row under the mouse is drawn
// like a link. Instead of a scroll bar, two 16 pixel arrow strips at the top
// and bottom edges scroll the list while a mouse button is held on them (and
// the wheel scrolls it too).
//
// Every index an operation takes or returns is a position in the flat list,
// headers included. Operations that change items repaint, except between
// BeginUpdate and EndUpdate; an owner wraps bulk changes in the pair.
//
// Keyboard: with the focus in the list, Up/Down/Home/End/PgUp/PgDn move the
// focused item over the visible rows, Enter selects a plain item (as a click
// does) or folds a group, Space and Left/Right fold and unfold groups.
#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QTimer;

struct TQXListViewItem {
    bool Bold = false;
    QString Caption;
    bool Expanded = false;
    // Hover text; for file items the full path, also used to find the icon.
    QString Hint;
    int ImageIndex = -1;
    bool IsGroup = false;
    // The system icon of Hint, looked up once when the item is first drawn:
    // SystemIconIndex is 0 until then and 1 afterwards, SystemIcon holds it.
    int SystemIconIndex = 0;
    bool UseSystemIcon = false;
    QIcon SystemIcon;
    // For the owner; 0 when created, carried along by ExchangeItems.
    quintptr Data = 0;
    // Whether the file of a system-icon item exists, as last checked (when
    // the row was drawn; ms since the epoch, 0 for never).
    mutable qint64 ExistsCheckedAt = 0;
    mutable bool Exists = true;
};

class TQXListView : public QWidget {
    Q_OBJECT
public:
    // The geometry of the control, in pixels.
    static constexpr int kRowHeight = 21;
    static constexpr int kStripHeight = 16;
    static constexpr int kIndent = 10;
    static constexpr int kScrollInterval = 50;
    static constexpr int kHintDelay = 750;

    explicit TQXListView(QWidget* parent = nullptr);
    ~TQXListView() override;

    // When on, the focused item is drawn with a focus rectangle (it always is
    // while the list has the keyboard focus).
    bool AllowFocus() const { return allowFocus_; }
    void SetAllowFocus(bool allow);
    // The images ImageIndex refers to.
    const QList<QIcon>& Images() const { return images_; }
    void SetImages(const QList<QIcon>& images);
    // Raised when a plain item is clicked (or Enter is pressed on it), before
    // it becomes the focused item.
    std::function<void(TQXListView* sender, int itemIndex)> OnSelectItem;

    // Appends a group header (collapsed, not bold) and returns its index.
    int AddGroup(const QString& caption, int imageIndex);
    // Inserts a plain item at the end of the group's children and returns its
    // index; -1, adding nothing, when groupIndex is not a group header.
    int AddItem(int groupIndex, const QString& caption, int imageIndex);
    // Deletes the item; a group header goes with all its children.
    void DeleteItem(int index);
    void Clear();
    int Count() const { return int(items_.size()); }
    // Expands every group.
    void ExpandAll();
    // The item at index (must be valid).
    const TQXListViewItem& Item(int index) const { return items_[size_t(index)]; }
    QString GetItemHint(int index) const;
    void SetItemHint(int index, const QString& hint);
    void SetItemSystemIcon(int index);
    // Returns the previous flag; repaints only when it changes.
    bool SetItemBold(int index, bool bold);
    void ExchangeItems(int index1, int index2);
    int FocusedIndex() const { return focusedIndex_; }
    void SetFocusedIndex(int index);
    int TopIndex() const { return topIndex_; }
    // Makes index the first row (a hidden item's group header; 0 when out of
    // range) and repaints.
    void SetTopIndex(int index);
    int HotIndex() const { return hotIndex_; }
    void BeginUpdate();
    void EndUpdate(bool repaint);
    int UpdateCount() const { return updateCount_; }

    // The item drawn in visible row `row` (from 0), or -1.
    int ItemAtRow(int row) const;
    // The item hit at (x, y) in control coordinates, or -1; row receives the
    // row number of y.
    int HitTest(int x, int y, int* row = nullptr) const;
    // Indexes of the items that take rows, in order, from the first item.
    std::vector<int> VisibleItems() const;
    // The rows that fit in the control, the last one possibly cut.
    int RowCount() const;
    // True when a file item's path is known not to exist (drawn greyed).
    bool IsMissingFile(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The focused item changed (by a click, the keyboard or SetFocusedIndex).
    void FocusedIndexChanged(int index);

protected:
    // Asks for a repaint; does nothing while an update is open.
    void Invalidate();
    // Where the repaint goes; tests count the calls.
    virtual void RequestRepaint();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void normalizeTopIndex();
    // The next item after index in the visible sequence, or Count().
    int nextVisible(int index) const;
    int previousVisible(int index) const;
    int nextGroupAfter(int index) const;
    int groupOf(int index) const;
    void findLastGroup();
    bool isHidden(int index) const;
    void scrollStep();
    void scrollTo(int index);
    void clearHot();
    // The item under the pointer at pos becomes the hot one, with its hint.
    void hover(const QPoint& pos);
    void showHint();
    void setFocusedItem(int index);
    void toggleGroup(int index);
    void drawStrip(QPainter& painter, const QRect& rect, bool up, bool enabled, bool hot, bool pressed);
    void drawItem(QPainter& painter, int index, const QRect& row);
    const QIcon& systemIcon(int index);
    void itemsChanged();
    void notifyAccessibleFocus();

    std::vector<TQXListViewItem> items_;
    QList<QIcon> images_;
    bool allowFocus_ = false;
    int focusedIndex_ = 0;
    int topIndex_ = 0;
    int hotIndex_ = -1;
    bool topArrowHot_ = false, bottomArrowHot_ = false;
    bool topArrowPressed_ = false, bottomArrowPressed_ = false;
    QTimer* scrollTimer_ = nullptr;
    QTimer* hintTimer_ = nullptr;
    QPoint hintPos_;
    QString hintText_;
    // Where the pointer last moved over the list; unset once it left.
    std::optional<QPoint> pointer_;
    int updateCount_ = 0;
    // The index of the last group header, -1 for none.
    int lastGroup_ = -1;
};

// The shared hint window of all list controls, created hidden on first use
// (tests look at its text and visibility).
QWidget* QXListViewHintWindow();
