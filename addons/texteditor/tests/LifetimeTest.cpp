// Document windows of the text editor closed in the frame at awkward moments:
// with the pointer over the text, and while one of their own questions or
// dialogs is open (a script's host call is served inside that question's
// loop and closes the window).
#include "AddonFrame.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "plugins/PluginWindowList.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QFile>
#include <QInputDialog>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

namespace {

class EditorLifetime : public AddonFrameFixture {
protected:
    void SetUp() override { StartFrame({QX_TEXTEDITOR_PLUGIN}); }

    static QWidget* Text(TQX_PluginWindow* window)
    {
        auto* editor = window->findChild<QAbstractScrollArea*>(QStringLiteral("editor"));
        return editor ? editor->viewport() : nullptr;
    }

    // Moves the pointer over the window's text and clicks there.
    static void ClickText(TQX_PluginWindow* window)
    {
        QWidget* text = Text(window);
        ASSERT_NE(text, nullptr);
        QTest::mouseMove(text, QPoint(40, 20));
        QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, QPoint(40, 20));
        QTest::mouseMove(text, QPoint(42, 22));
        QApplication::processEvents();
    }

    TQX_PluginWindow* OpenNew(const std::string& name, const QByteArray& text = "one\ntwo\nthree\n")
    {
        TQX_PluginWindow* window = Open(WriteFile(name, text));
        EXPECT_NE(window, nullptr);
        return window;
    }

    // Runs the event loop until every closed window is destroyed.
    static bool AllGone(const std::vector<QPointer<TQX_PluginWindow>>& windows)
    {
        return WaitFor([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return std::all_of(windows.begin(), windows.end(), [](const auto& w) { return w.isNull(); });
        });
    }
};

// Closing a document under the pointer: Qt tells the widgets under it that
// the pointer left while they are taken apart, and nothing that watches the
// text's events may touch the half-destroyed editor then.
TEST_F(EditorLifetime, ClosedUnderThePointer)
{
    frame->activateWindow();
    std::vector<QPointer<TQX_PluginWindow>> windows;
    for (const char* name : {"a.c", "b.c", "c.c"})
        windows.emplace_back(OpenNew(name));
    ASSERT_TRUE(std::all_of(windows.begin(), windows.end(), [](const auto& w) { return !w.isNull(); }));
    for (const auto& window : windows) {
        ClickText(window);
        // A list of words open at the time.
        QTest::keyClick(Text(window)->parentWidget(), Qt::Key_Space, Qt::ControlModifier);
    }

    // The current one maximised, its text clicked, then closed by the command.
    auto* sub = qobject_cast<QMdiSubWindow*>(windows.back()->parentWidget());
    ASSERT_NE(sub, nullptr);
    sub->showMaximized();
    ClickText(windows.back());
    EXPECT_TRUE(Trigger(FrameAction::WindowClose));
    EXPECT_TRUE(AllGone({windows.back()}));

    // Full-screen mode closes the others first.
    ClickText(windows[1]);
    EXPECT_TRUE(Trigger(FrameAction::ViewFullscreen));
    EXPECT_TRUE(AllGone(windows));
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    Trigger(FrameAction::ViewFullscreen);
}

// A document window taken apart while visible with the pointer over its text,
// as when the frame's document area goes with its windows.
TEST_F(EditorLifetime, DestroyedWhileShownUnderThePointer)
{
    QPointer<TQX_PluginWindow> window = OpenNew("shown.c");
    ASSERT_TRUE(window);
    ClickText(window);
    QTest::keyClick(Text(window)->parentWidget(), Qt::Key_Space, Qt::ControlModifier);
    RemoveDocumentWindow(window);
    delete window->parentWidget();
    EXPECT_TRUE(window.isNull());
}

// A script's Menu_WindowClose is served inside whatever loop runs: here
// inside the loop of a question or dialog of the window itself. The window
// goes only after that loop has returned (the question cancelled), and the
// code that asked finishes on a whole window.
class ClosedFromItsOwnQuestion : public EditorLifetime,
                                 public ::testing::WithParamInterface<const char*> {
};

TEST_P(ClosedFromItsOwnQuestion, GoesAfterTheQuestion)
{
    const std::string how = GetParam();
    QPointer<TQX_PluginWindow> other = OpenNew("other.txt");
    const QString path = WriteFile("changed.txt", "first\nsecond\n");
    QPointer<TQX_PluginWindow> window = Open(path);
    ASSERT_TRUE(window && other);
    QString seen;
    modal.answers.push_back([&](QWidget* dialog) {
        seen = dialog->objectName();
        // What a script's call does, served inside this dialog's loop.
        frame->Action(how == "close all" ? FrameAction::WindowCloseAll : FrameAction::WindowClose)->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    if (how == "go to line") {
        window->findChild<QAction*>(QStringLiteral("goToLine"))->trigger();
    } else {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("changed by another program\n");
        file.close();
        // The user comes back to the document: it looks at its file.
        frame->DocumentArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(other->parentWidget()));
        frame->DocumentArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
    }
    EXPECT_TRUE(AllGone({window}));
    EXPECT_EQ(seen, how == "go to line" ? QStringLiteral("GoToLineDialog") : QStringLiteral("EditorQuestion"));
    EXPECT_EQ(GetDocumentWindowCount(), how == "close all" ? 0 : 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Editor, ClosedFromItsOwnQuestion, ::testing::Values("reload", "go to line", "close all"));

// Closing all while one window's close query is open and a script closes
// the others meanwhile: the loop goes on over the windows still open.
TEST_F(EditorLifetime, CloseAllWhileAScriptClosesOthers)
{
    std::vector<QPointer<TQX_PluginWindow>> windows;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        windows.emplace_back(OpenNew(name));
    // The last one (closed first) has unsaved text: its close query asks.
    windows.back()->setFocus();
    QTest::keyClicks(Text(windows.back())->parentWidget(), QStringLiteral("new "));
    ASSERT_TRUE(windows.back()->Modified);
    modal.answers.push_back([&](QWidget* box) {
        // A script closes the two before it while the question is open.
        for (int i : {2, 1}) {
            auto* sub = qobject_cast<QMdiSubWindow*>(windows[size_t(i)]->parentWidget());
            frame->DocumentArea()->setActiveSubWindow(sub);
            frame->Action(FrameAction::WindowClose)->trigger();
        }
        ModalAnswers::Button(QMessageBox::No)(box);
    });
    frame->Action(FrameAction::WindowCloseAll)->trigger();
    EXPECT_TRUE(AllGone(windows));
    EXPECT_EQ(GetDocumentWindowCount(), 0);
}

} // namespace
