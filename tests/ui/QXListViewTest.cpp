// The sidebar list control: its flat list of groups and items, the visible
// sequence of folded groups, clicks, the arrow strips, repaints, the hint,
// the keyboard and what it reports to screen readers.
#include "ui/QXListView.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

// Counts the repaints the control asks for.
class CountingListView : public TQXListView {
public:
    int repaints = 0;

protected:
    void RequestRepaint() override
    {
        ++repaints;
        TQXListView::RequestRepaint();
    }
};

class QXListViewTest : public ::testing::Test {
protected:
    CountingListView list;
    std::vector<int> selected;
    // FocusedIndex as OnSelectItem saw it.
    std::vector<int> focusedAtSelect;

    void SetUp() override
    {
        // Two strips and five full rows.
        list.resize(200, 2 * TQXListView::kStripHeight + 5 * TQXListView::kRowHeight);
        list.OnSelectItem = [this](TQXListView* sender, int index) {
            selected.push_back(index);
            focusedAtSelect.push_back(sender->FocusedIndex());
        };
    }

    // Three groups of two items: headers at 0, 3 and 6.
    void FillThreeGroups(bool expanded)
    {
        for (const char* group : {"One", "Two", "Three"}) {
            const int g = list.AddGroup(QString::fromLatin1(group), 0);
            list.AddItem(g, QStringLiteral("%1 a").arg(QLatin1String(group)), -1);
            list.AddItem(g, QStringLiteral("%1 b").arg(QLatin1String(group)), -1);
        }
        if (expanded)
            list.ExpandAll();
    }

    // The middle of a row, in control coordinates.
    static int RowY(int row) { return TQXListView::kStripHeight + 1 + row * TQXListView::kRowHeight + 10; }

    void Mouse(QEvent::Type type, QPoint pos)
    {
        QMouseEvent event(type, pos, list.mapToGlobal(pos), Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&list, &event);
    }

    void Click(QPoint pos)
    {
        Mouse(QEvent::MouseButtonPress, pos);
        Mouse(QEvent::MouseButtonRelease, pos);
    }

    // One press and release on a strip: one scroll step.
    void ScrollDown() { Click(QPoint(100, list.height() - 5)); }
    void ScrollUp() { Click(QPoint(100, 5)); }

    void Key(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&list, &event);
    }

    std::vector<QString> Captions() const
    {
        std::vector<QString> captions;
        for (int i = 0; i < list.Count(); ++i)
            captions.push_back(list.Item(i).Caption);
        return captions;
    }
};

TEST_F(QXListViewTest, ItemsJoinTheEndOfTheirGroupAndHeadersGoWithTheirChildren)
{
    const int one = list.AddGroup(QStringLiteral("One"), 1);
    const int two = list.AddGroup(QStringLiteral("Two"), 0);
    EXPECT_EQ(list.AddItem(two, QStringLiteral("t1"), -1), 2);
    EXPECT_EQ(list.AddItem(one, QStringLiteral("o1"), -1), 1);
    EXPECT_EQ(list.AddItem(one, QStringLiteral("o2"), -1), 2);
    EXPECT_EQ(list.AddItem(3, QStringLiteral("t2"), -1), 5);
    EXPECT_EQ(Captions(), (std::vector<QString> {"One", "o1", "o2", "Two", "t1", "t2"}));

    // An item is not a group: nothing is added.
    EXPECT_EQ(list.AddItem(1, QStringLiteral("x"), -1), -1);
    EXPECT_EQ(list.AddItem(99, QStringLiteral("x"), -1), -1);
    EXPECT_EQ(list.Count(), 6);

    const TQXListViewItem& group = list.Item(0);
    EXPECT_TRUE(group.IsGroup);
    EXPECT_FALSE(group.Expanded);
    EXPECT_FALSE(group.Bold);
    EXPECT_EQ(group.ImageIndex, 1);
    EXPECT_EQ(list.Item(1).Data, 0u);

    list.DeleteItem(0);
    EXPECT_EQ(Captions(), (std::vector<QString> {"Two", "t1", "t2"}));
    list.DeleteItem(2);
    EXPECT_EQ(Captions(), (std::vector<QString> {"Two", "t1"}));
    // The last group is found again after deletions: new items still go there.
    EXPECT_EQ(list.AddItem(0, QStringLiteral("t3"), -1), 2);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(QXListViewTest, ExchangeSwapsWholeItemsAndHintsAreKept)
{
    const int g = list.AddGroup(QStringLiteral("G"), -1);
    const int a = list.AddItem(g, QStringLiteral("a"), -1);
    const int b = list.AddItem(g, QStringLiteral("b"), 2);
    list.SetItemHint(a, QStringLiteral("/x/a"));
    list.SetItemSystemIcon(a);
    list.SetItemBold(b, true);
    list.ExchangeItems(a, b);
    EXPECT_EQ(list.Item(a).Caption, QStringLiteral("b"));
    EXPECT_TRUE(list.Item(a).Bold);
    EXPECT_EQ(list.Item(a).ImageIndex, 2);
    EXPECT_EQ(list.GetItemHint(b), QStringLiteral("/x/a"));
    EXPECT_TRUE(list.Item(b).UseSystemIcon);
    EXPECT_EQ(list.GetItemHint(99), QString());
}

TEST_F(QXListViewTest, CollapsedGroupsHideTheirItems)
{
    const int loose = list.AddGroup(QStringLiteral("One"), -1);
    list.AddItem(loose, QStringLiteral("a"), -1);
    list.AddGroup(QStringLiteral("Two"), -1);
    list.AddItem(2, QStringLiteral("b"), -1);
    EXPECT_EQ(list.VisibleItems(), (std::vector<int> {0, 2}));
    list.ExpandAll();
    EXPECT_EQ(list.VisibleItems(), (std::vector<int> {0, 1, 2, 3}));
    EXPECT_EQ(list.ItemAtRow(3), 3);
    EXPECT_EQ(list.ItemAtRow(4), -1);
}

TEST_F(QXListViewTest, ClicksFoldGroupsAndSelectItemsBeforeFocusing)
{
    FillThreeGroups(true);
    // Row 1 is "One a": selected, then focused.
    Click(QPoint(40, RowY(1)));
    EXPECT_EQ(selected, std::vector<int>({1}));
    EXPECT_EQ(focusedAtSelect, std::vector<int>({0}));
    EXPECT_EQ(list.FocusedIndex(), 1);

    // The header folds and unfolds without a selection; the focus does not
    // stay on the hidden item but goes to its header.
    Click(QPoint(30, RowY(0)));
    EXPECT_FALSE(list.Item(0).Expanded);
    EXPECT_EQ(list.ItemAtRow(1), 3);
    EXPECT_EQ(list.FocusedIndex(), 0);
    Click(QPoint(30, RowY(0)));
    EXPECT_TRUE(list.Item(0).Expanded);
    EXPECT_EQ(selected.size(), 1u);

    // Hits end 5 pixels past the caption; the icon's left edge is outside.
    const int captionEnd = 33 + QFontMetrics(list.font()).horizontalAdvance(QStringLiteral("One b"));
    EXPECT_EQ(list.HitTest(captionEnd + 4, RowY(2)), 2);
    EXPECT_EQ(list.HitTest(captionEnd + 6, RowY(2)), -1);
    EXPECT_EQ(list.HitTest(12, RowY(2)), -1);
    Click(QPoint(captionEnd + 8, RowY(2)));
    EXPECT_EQ(selected.size(), 1u);
    EXPECT_EQ(list.FocusedIndex(), 0);
}

TEST_F(QXListViewTest, ArrowStripsStepOverCollapsedGroupsAndStopAtTheLastItem)
{
    FillThreeGroups(false);
    ScrollDown();
    EXPECT_EQ(list.TopIndex(), 3);
    ScrollDown();
    EXPECT_EQ(list.TopIndex(), 6);
    // The last group has nothing after it: the top row stays.
    ScrollDown();
    EXPECT_EQ(list.TopIndex(), 6);
    ScrollUp();
    EXPECT_EQ(list.TopIndex(), 3);
    ScrollUp();
    EXPECT_EQ(list.TopIndex(), 0);
    ScrollUp();
    EXPECT_EQ(list.TopIndex(), 0);

    list.ExpandAll();
    for (int i = 0; i < 20; ++i)
        ScrollDown();
    EXPECT_EQ(list.TopIndex(), list.Count() - 1);
}

TEST_F(QXListViewTest, HoldingAStripRepeatsTheStep)
{
    FillThreeGroups(true);
    Mouse(QEvent::MouseButtonPress, QPoint(100, list.height() - 5));
    EXPECT_EQ(list.TopIndex(), 1);
    QElapsedTimer clock;
    clock.start();
    while (list.TopIndex() < 3 && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_GE(list.TopIndex(), 3);
    Mouse(QEvent::MouseButtonRelease, QPoint(100, list.height() - 5));
    const int top = list.TopIndex();
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(list.TopIndex(), top);
}

TEST_F(QXListViewTest, RepaintsOnlyForChangesAndOnceAfterAnUpdate)
{
    const int g = list.AddGroup(QStringLiteral("G"), -1);
    const int a = list.AddItem(g, QStringLiteral("a"), -1);
    list.repaints = 0;

    EXPECT_FALSE(list.SetItemBold(a, false));
    EXPECT_EQ(list.repaints, 0);
    EXPECT_FALSE(list.SetItemBold(a, true));
    EXPECT_EQ(list.repaints, 1);
    EXPECT_TRUE(list.SetItemBold(a, true));
    EXPECT_EQ(list.repaints, 1);

    list.BeginUpdate();
    list.BeginUpdate();
    list.Clear();
    for (int i = 0; i < 50; ++i)
        list.AddItem(list.AddGroup(QStringLiteral("g"), -1), QStringLiteral("x"), -1);
    list.ExpandAll();
    list.EndUpdate(true);
    EXPECT_EQ(list.repaints, 1);
    list.EndUpdate(true);
    EXPECT_EQ(list.repaints, 2);
    list.BeginUpdate();
    list.EndUpdate(false);
    EXPECT_EQ(list.repaints, 2);
}

TEST_F(QXListViewTest, ArrowsAreGreyedWhereNothingIsLeftToScroll)
{
    auto arrowColour = [this](bool top) {
        QImage image(list.size(), QImage::Format_RGB32);
        list.render(&image);
        const int y = top ? TQXListView::kStripHeight / 2 + 1 : list.height() - TQXListView::kStripHeight / 2;
        return image.pixel(list.width() / 2 + 1, y);
    };
    const QRgb greyed = list.palette().color(QPalette::Dark).rgb();
    const QRgb active = list.palette().color(QPalette::ButtonText).rgb();
    EXPECT_EQ(arrowColour(true), greyed);
    EXPECT_EQ(arrowColour(false), greyed);

    FillThreeGroups(true);
    EXPECT_EQ(arrowColour(true), greyed);
    EXPECT_EQ(arrowColour(false), active);
    ScrollDown();
    EXPECT_EQ(arrowColour(true), active);
}

TEST_F(QXListViewTest, HoverMarksTheItemAndShowsItsHintAfterADelay)
{
    list.show();
    const int g = list.AddGroup(QStringLiteral("G"), -1);
    list.SetItemHint(list.AddItem(g, QStringLiteral("file.txt"), -1), QStringLiteral("/somewhere/file.txt"));
    list.ExpandAll();

    Mouse(QEvent::MouseMove, QPoint(40, RowY(1)));
    EXPECT_EQ(list.HotIndex(), 1);
    EXPECT_EQ(list.cursor().shape(), Qt::PointingHandCursor);
    QWidget* hint = QXListViewHintWindow();
    EXPECT_FALSE(hint->isVisible());
    QElapsedTimer clock;
    clock.start();
    while (!hint->isVisible() && clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->property("text").toString(), QStringLiteral("/somewhere/file.txt"));
    EXPECT_EQ(hint->pos(), list.mapToGlobal(QPoint(33, 16 + 21 * 2)));

    // Off the caption: no hot item, no hint.
    Mouse(QEvent::MouseMove, QPoint(190, RowY(1)));
    EXPECT_EQ(list.HotIndex(), -1);
    EXPECT_FALSE(hint->isVisible());
    list.hide();
}

TEST_F(QXListViewTest, KeyboardMovesFoldsAndSelects)
{
    FillThreeGroups(false);
    list.SetFocusedIndex(0);
    Key(Qt::Key_Down);
    EXPECT_EQ(list.FocusedIndex(), 3);
    Key(Qt::Key_Space);
    EXPECT_TRUE(list.Item(3).Expanded);
    Key(Qt::Key_Down);
    EXPECT_EQ(list.FocusedIndex(), 4);
    Key(Qt::Key_Return);
    EXPECT_EQ(selected, std::vector<int>({4}));
    Key(Qt::Key_Left);
    EXPECT_EQ(list.FocusedIndex(), 3);
    // Up passes over the items of a folded group.
    Key(Qt::Key_Down);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    EXPECT_EQ(list.FocusedIndex(), 0);
    Key(Qt::Key_End);
    EXPECT_EQ(list.FocusedIndex(), 6);
    Key(Qt::Key_Return);
    EXPECT_TRUE(list.Item(6).Expanded);
    Key(Qt::Key_End);
    EXPECT_EQ(list.FocusedIndex(), 8);
    // The focused row is scrolled into view.
    EXPECT_GT(list.TopIndex(), 0);
    Key(Qt::Key_Home);
    EXPECT_EQ(list.FocusedIndex(), 0);
    EXPECT_EQ(list.TopIndex(), 0);
}

TEST_F(QXListViewTest, MissingFilesAreKnownAndReportedToScreenReaders)
{
    QTemporaryDir dir;
    const QString present = dir.filePath(QStringLiteral("here.txt"));
    QFile(present).open(QIODevice::WriteOnly);
    const int g = list.AddGroup(QStringLiteral("Files"), -1);
    for (const QString& path : {present, dir.filePath(QStringLiteral("gone.txt"))}) {
        const int i = list.AddItem(g, QFileInfo(path).fileName(), -1);
        list.SetItemHint(i, path);
        list.SetItemSystemIcon(i);
    }
    EXPECT_FALSE(list.IsMissingFile(1));
    EXPECT_TRUE(list.IsMissingFile(2));
    EXPECT_FALSE(list.IsMissingFile(0));

    QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(a11y, nullptr);
    EXPECT_EQ(a11y->role(), QAccessible::List);
    // Collapsed: only the header is a row.
    EXPECT_EQ(a11y->childCount(), 1);
    EXPECT_TRUE(a11y->child(0)->state().collapsed);
    list.ExpandAll();
    ASSERT_EQ(a11y->childCount(), 3);
    EXPECT_TRUE(a11y->child(0)->state().expanded);
    EXPECT_EQ(a11y->child(1)->text(QAccessible::Name), QStringLiteral("here.txt"));
    EXPECT_EQ(a11y->child(2)->text(QAccessible::Description), dir.filePath(QStringLiteral("gone.txt")));
    EXPECT_TRUE(a11y->child(2)->state().disabled);
    EXPECT_EQ(a11y->child(1)->role(), QAccessible::ListItem);
    EXPECT_EQ(a11y->indexOfChild(a11y->child(2)), 2);
}

} // namespace
