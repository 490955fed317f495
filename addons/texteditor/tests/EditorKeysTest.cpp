// The keyboard of the host around the text editor: the frame's shortcuts
// come before the editor's own key map, Alt chords type nothing, and a save
// pressed right after a keystroke saves that keystroke.
#include "AddonFrame.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "frame/SaveActionShortcuts.h"
#include "platform/Registry.h"
#include "plugins/PluginWindowList.h"

#include <QApplication>
#include <QTest>

namespace {

class EditorKeys : public AddonFrameFixture {
protected:
    static QWidget* EditorOf(TQX_PluginWindow* window)
    {
        auto* editor = window->findChild<QWidget*>(QStringLiteral("editor"));
        EXPECT_NE(editor, nullptr);
        editor->setFocus();
        return editor;
    }
    static void ClosePopups()
    {
        while (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            QApplication::processEvents();
        }
    }
};

TEST_F(EditorKeys, FrameShortcutsAltChordsAndASaveRightAfterTyping)
{
    {
        // Ctrl+T, which the editor binds to swapping two lines, for the next window.
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kShortcutsKey, true));
        reg.WriteInteger("Action_WindowNext", 0x4054);
    }
    StartFrame({QX_TEXTEDITOR_PLUGIN});
    frame->activateWindow();
    ASSERT_TRUE(WaitFor([this] { return frame->isActiveWindow(); }));
    const QString first = WriteFile("one.txt", "line 1\nline 2\n");
    const QString second = WriteFile("two.txt", "a\nb\n");
    TQX_PluginWindow* one = Open(first);
    TQX_PluginWindow* two = Open(second);
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    ASSERT_EQ(GetActiveDocumentWindow(), two);

    QWidget* editor = EditorOf(two);
    QTest::keyClick(editor, Qt::Key_Down);
    QTest::keyClick(editor, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(GetActiveDocumentWindow(), one);
    EXPECT_FALSE(two->Modified);

    // Alt chords: a menu opens where one has the letter, no letter is typed.
    editor = EditorOf(one);
    for (Qt::Key key : {Qt::Key_X, Qt::Key_N, Qt::Key_S}) {
        QTest::keyClick(editor, key, Qt::AltModifier);
        ClosePopups();
        editor->setFocus();
    }
    EXPECT_FALSE(one->Modified);

    // The keystroke and the save follow each other with no update between.
    QTest::keyClick(editor, Qt::Key_Q);
    QTest::keyClick(editor, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadBytes(first), QByteArray("qline 1\nline 2\n"));
    EXPECT_EQ(ReadBytes(second), QByteArray("a\nb\n"));
}

} // namespace
