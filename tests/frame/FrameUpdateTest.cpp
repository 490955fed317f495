// The update cycle, command routing, window commands and the status bar.
#include "FrameFixture.h"

#include "QX_Types.h"
#include "frame/FrameStatusBar.h"
#include "frame/KeyIndicators.h"
#include "kernel/Logging.h"
#include "plugins/PluginWindowList.h"
#include "ui/UndoRedoSelection.h"

#include <QListWidget>
#include <QMdiSubWindow>
#include <QEvent>
#include <QStatusTipEvent>
#include <QTimer>
#include <QCoreApplication>

namespace {

class FrameUpdateTest : public FrameFixture {
protected:
    std::string a, b;

    void SetUp() override
    {
        FrameFixture::SetUp();
        a = InstallProbe("a.so", "entry=1,Alpha,0,0,2:.a\n");
        b = InstallProbe("b.so", "entry=1,Beta,0,0,2:.b\n");
        StartFrame();
    }

    TQX_PluginWindow* Open(const std::string& name)
    {
        TQX_PluginWindow* window = frame->OpenFile(MakeFile(name), TFrameWindowForm::DefaultEntryID());
        EXPECT_NE(window, nullptr);
        FlushUpdate();
        return window;
    }

    QString Panel(int index) const { return frame->StatusBarPanels()->PanelText(index); }
    QTimer* Timer(const char* name) const { return frame->findChild<QTimer*>(QLatin1String(name)); }
};

TEST_F(FrameUpdateTest, WithoutDocumentsTheDocumentCommandsAreOff)
{
    for (int i = 0; i < kFrameActionCount; ++i) {
        const TFrameActionDef& def = FrameActionDef(FrameAction(i));
        if (def.code != kNoCommand) {
            EXPECT_FALSE(Act(def.id)->isEnabled()) << def.name;
        }
    }
    for (FrameAction id : {FrameAction::FileSaveAll, FrameAction::FileProperties, FrameAction::FileSendDesktop,
             FrameAction::WindowClose, FrameAction::WindowCascade, FrameAction::WindowNext, FrameAction::DocsAddCurrFile})
        EXPECT_FALSE(Act(id)->isEnabled()) << FrameActionDef(id).name;
    EXPECT_EQ(Panel(TFrameStatusBar::DocumentPanel), QStringLiteral(" (žádný dokument)"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorvix 2"));
}

TEST_F(FrameUpdateTest, AWindowThatAcceptsOnlySaveEnablesExactlySaveAndSaveAll)
{
    TQX_PluginWindow* window = Open("doc.a");
    window->Commands.Clear();
    window->Commands.Set(QXC_SAVE);
    window->NotifyStateChange();
    FlushUpdate();
    for (int i = 0; i < kFrameActionCount; ++i) {
        const TFrameActionDef& def = FrameActionDef(FrameAction(i));
        if (def.code != kNoCommand && def.id != FrameAction::FileSendMailRecipient) {
            EXPECT_EQ(Act(def.id)->isEnabled(), def.code == QXC_SAVE) << def.name;
        }
    }
    EXPECT_TRUE(Act(FrameAction::FileSaveAll)->isEnabled());
    // A named document can always be mailed, as an attachment.
    EXPECT_TRUE(Act(FrameAction::FileSendMailRecipient)->isEnabled());
    EXPECT_TRUE(Act(FrameAction::FileProperties)->isEnabled());
    EXPECT_EQ(Panel(TFrameStatusBar::DocumentPanel), QStringLiteral(" doc.a"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorvix 2 - doc.a"));
    EXPECT_TRUE(Act(FrameAction::DocsAddCurrFile)->isEnabled());

    window->Modified = true;
    window->NotifyStateChange();
    FlushUpdate();
    EXPECT_EQ(Panel(TFrameStatusBar::DocumentPanel), QStringLiteral(" doc.a (*)"));
}

TEST_F(FrameUpdateTest, SaveAllReachesOnlyTheWindowsThatAcceptSave)
{
    Open("one.a");
    TQX_PluginWindow* second = Open("two.b"); // active
    second->Commands.Clear();
    second->NotifyStateChange();
    FlushUpdate();
    EXPECT_FALSE(Act(FrameAction::FileSave)->isEnabled());
    EXPECT_TRUE(Act(FrameAction::FileSaveAll)->isEnabled());

    Act(FrameAction::FileSaveAll)->trigger();
    EXPECT_EQ(CountLines(ProbeLog(a), "command 24"), 1);
    EXPECT_EQ(CountLines(ProbeLog(b), "command 24"), 0);
    // Run directly (as scripts do), Save goes to the active window whatever
    // its set says: the window decides.
    frame->Action_FileSaveExecute();
    EXPECT_EQ(CountLines(ProbeLog(b), "command 24"), 1);
}

TEST_F(FrameUpdateTest, ABurstOfStateChangesCostsOneUpdate)
{
    TQX_PluginWindow* window = Open("doc.a");
    const int before = frame->UpdateCount();
    for (int i = 0; i < 10000; ++i)
        window->NotifyStateChange();
    Spin(400);
    EXPECT_EQ(frame->UpdateCount(), before + 1);
}

TEST_F(FrameUpdateTest, TitleAndPanelsAreWrittenOnlyWhenTheyChange)
{
    TQX_PluginWindow* window = Open("doc.a");
    int titleWrites = 0;
    struct Counter : QObject {
        int* n;
        explicit Counter(int* count) : n(count) { }
        bool eventFilter(QObject*, QEvent* e) override
        {
            *n += e->type() == QEvent::WindowTitleChange;
            return false;
        }
    } counter(&titleWrites);
    frame->installEventFilter(&counter);
    TStatusPanel* panel = frame->StatusBarPanels()->PanelAt(TFrameStatusBar::DocumentPanel);
    const int panelWrites = panel->TextWrites();

    window->NotifyStateChange();
    FlushUpdate();
    EXPECT_EQ(titleWrites, 0);
    EXPECT_EQ(panel->TextWrites(), panelWrites);

    window->Modified = true;
    window->NotifyStateChange();
    FlushUpdate();
    EXPECT_EQ(panel->TextWrites(), panelWrites + 1);
    frame->removeEventFilter(&counter);
}

TEST_F(FrameUpdateTest, AMaximizedWindowAddsItsCaptionToTheTitle)
{
    TQX_PluginWindow* window = Open("doc.a");
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    ASSERT_NE(sub, nullptr);
    sub->showMaximized();
    FlushUpdate();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorvix 2 - doc.a - [doc.a]"));
    sub->showNormal();
    FlushUpdate();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Quorvix 2 - doc.a"));
}

TEST_F(FrameUpdateTest, ClosingAWindowRemovesItAndRefreshes)
{
    Open("doc.a");
    Act(FrameAction::WindowClose)->trigger();
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    FlushUpdate();
    EXPECT_EQ(Panel(TFrameStatusBar::DocumentPanel), QStringLiteral(" (žádný dokument)"));
    EXPECT_FALSE(Act(FrameAction::WindowClose)->isEnabled());
    EXPECT_EQ(CountLines(ProbeLog(a), "destroyed 0"), 1);
}

TEST_F(FrameUpdateTest, CloseAllSkipsAWindowThatRefusesAndClosesTheOthers)
{
    Open("one.a");
    TQX_PluginWindow* keeps = Open("two.b");
    Open("three.a");
    RefuseClose(keeps);
    Act(FrameAction::WindowCloseAll)->trigger();
    ASSERT_EQ(GetDocumentWindowCount(), 1);
    EXPECT_EQ(GetDocumentWindow(0), keeps);
}

TEST_F(FrameUpdateTest, WindowCommandsFollowTheNumberOfWindows)
{
    Open("one.a");
    EXPECT_TRUE(Act(FrameAction::WindowCascade)->isEnabled());
    EXPECT_FALSE(Act(FrameAction::WindowNext)->isEnabled());
    Open("two.a");
    EXPECT_TRUE(Act(FrameAction::WindowNext)->isEnabled());
    TQX_PluginWindow* active = GetActiveDocumentWindow();
    Act(FrameAction::WindowNext)->trigger();
    EXPECT_NE(GetActiveDocumentWindow(), active);
}

TEST_F(FrameUpdateTest, ProgressIsClampedAndResetsItself)
{
    struct Case {
        int position, maximum, shownPosition, shownMaximum;
        bool resetArmed;
    } cases[] = {
        {7, 5, 5, 5, true},
        {-3, 10, 0, 10, true},
        {2, -4, 0, 0, false},
        {3, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        frame->ResetProgressBar();
        frame->SetProgressBarStatus(c.position, c.maximum);
        int position = -1, maximum = -1;
        frame->GetProgressBarStatus(position, maximum);
        EXPECT_EQ(position, c.shownPosition) << c.position << "/" << c.maximum;
        EXPECT_EQ(maximum, c.shownMaximum) << c.position << "/" << c.maximum;
        EXPECT_EQ(Timer("_ProgressBarResetTimer")->isActive(), c.resetArmed) << c.position << "/" << c.maximum;
    }
}

TEST(ProgressPanel, FillWidthRoundsHalvesToEven)
{
    struct Case {
        int position, maximum, width, fill;
    } cases[] = {
        {5, 5, 100, 94}, {0, 10, 100, 0}, {1, 2, 100, 47}, {1, 4, 8, 0}, {3, 4, 8, 2}, {1, 3, 100, 31}, {4, 0, 100, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TFrameStatusBar::ProgressFillWidth(c.position, c.maximum, c.width), c.fill)
            << c.position << "/" << c.maximum << " of " << c.width;
}

TEST_F(FrameUpdateTest, StatusMessagesReplaceEachOtherAndWarningsDoNotExtendThem)
{
    TFrameStatusBar* bar = frame->StatusBarPanels();
    QTimer* timer = Timer("SwitchStatusBarTimer");
    frame->SetStatusBarMessage(QStringLiteral("first"));
    Spin(400);
    const int beforeSecond = timer->remainingTime();
    frame->SetStatusBarMessage(QStringLiteral("second"));
    // The second message gets its full 5 s.
    EXPECT_GT(timer->remainingTime(), beforeSecond + 100);
    EXPECT_EQ(bar->SimpleMessage(), QStringLiteral("second"));
    EXPECT_TRUE(bar->font().bold());

    Spin(300);
    const int left = timer->remainingTime();
    frame->CheckPositiveResult(false, QStringLiteral("warning"));
    EXPECT_LE(timer->remainingTime(), left);
    EXPECT_EQ(bar->SimpleMessage(), QStringLiteral("warning"));
    bool logged = false;
    for (const std::string& line : GetEventLogLines())
        logged |= line.find("Server\\FrameWindow: CheckPositiveResult: Smart assertion failed. Message: [warning]")
            != std::string::npos;
    EXPECT_TRUE(logged);

    frame->CancelStatusBarMessage();
    EXPECT_FALSE(bar->SimpleMessageShown());
    EXPECT_FALSE(bar->font().bold());
    EXPECT_FALSE(timer->isActive());
    frame->CheckPositiveResult(true, QStringLiteral("fine"));
    EXPECT_FALSE(bar->SimpleMessageShown());
}

TEST_F(FrameUpdateTest, HintsGoToTheirPanelWithoutHidingThePanels)
{
    QStatusTipEvent tip(QStringLiteral("Uložit dokument"));
    QCoreApplication::sendEvent(frame.get(), &tip);
    EXPECT_EQ(Panel(TFrameStatusBar::HintPanel), QStringLiteral(" Uložit dokument"));
    EXPECT_FALSE(frame->StatusBarPanels()->SimpleMessageShown());
    EXPECT_TRUE(frame->StatusBarPanels()->currentMessage().isEmpty());
}

// A document window of the test itself: it lists three undo steps and
// records the commands it gets.
class StepsWindow : public TQX_PluginWindow {
public:
    std::vector<int> received;
    void Command(uint8_t code, void* param) override
    {
        received.push_back(code);
        if (code == QXC_UNDOLIST)
            *static_cast<QStringList*>(param) = {QStringLiteral("typing"), QStringLiteral("delete"), QStringLiteral("paste")};
    }
};

TEST_F(FrameUpdateTest, UndoListAsksTheWindowAndUndoesUpToTheChosenStep)
{
    auto* window = new StepsWindow;
    window->OnDestroyNotify = [](TQX_PluginWindow* w) { RemoveDocumentWindow(w); };
    AddDocumentWindow(window);
    frame->AttachDocumentWindow(window);

    // Without the list command in its set the window is not asked.
    window->Commands.Set(QXC_UNDO);
    frame->ShowUndoRedoList(true);
    EXPECT_TRUE(window->received.empty());
    EXPECT_EQ(frame->findChild<TUndoRedoSelectionForm*>(), nullptr);

    window->Commands.Set(QXC_UNDOLIST);
    frame->ShowUndoRedoList(true);
    auto* popup = frame->findChild<TUndoRedoSelectionForm*>();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->ListBox->count(), 3);
    popup->Choose(1);
    EXPECT_EQ(window->received, (std::vector<int> {QXC_UNDOLIST, QXC_UNDO, QXC_UNDO}));
}

TEST(KeyIndicators, TextShowsTheLockKeysThatAreOn)
{
    EXPECT_STREQ(LockKeyIndicatorText({false, false}), "");
    EXPECT_STREQ(LockKeyIndicatorText({true, false}), "NUM ");
    EXPECT_STREQ(LockKeyIndicatorText({false, true}), "CAP");
    EXPECT_STREQ(LockKeyIndicatorText({true, true}), "NUM CAP");
}

} // namespace
