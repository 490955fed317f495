// The text editor plug-in loaded, unloaded and loaded again in one process,
// as a test or another host may do. This program does not link the editing
// component itself, as the host program does not: the plug-in brings it.
#include "AddonFrame.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

namespace {

class EditorReload : public AddonFrameFixture {
protected:
    // Types at the start of the document, as a user would.
    static void TypeAtStart(TQX_PluginWindow* window, const char* text)
    {
        auto* editor = window->findChild<QWidget*>(QStringLiteral("editor"));
        ASSERT_NE(editor, nullptr);
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClicks(editor, QString::fromLatin1(text));
    }
};

TEST_F(EditorReload, EditsAndSavesAfterEveryReload)
{
    // With accessibility on, Qt asks every registered factory about every
    // widget: one left behind by an unloaded library would be called.
    QAccessible::setActive(true);
    StartFrame({QX_TEXTEDITOR_PLUGIN});
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const QString text = WriteFile("notes" + std::to_string(round) + ".txt", "line\n");
        TQX_PluginWindow* window = Open(text);
        ASSERT_NE(window, nullptr);
        TypeAtStart(window, "abc ");
        EXPECT_TRUE(Trigger(FrameAction::EditFind));
        EXPECT_TRUE(Trigger(FrameAction::FileSave));
        EXPECT_EQ(ReadBytes(text), QByteArray("abc line\n"));
        // The print preview is a modal dialog: cancelled by the fixture.
        EXPECT_TRUE(Trigger(FrameAction::FilePrint));

        // The script editor completes a built-in routine.
        const QString scriptFile = WriteFile("run" + std::to_string(round) + ".qx", "begin\nend.\n");
        TQX_PluginWindow* script = Open(scriptFile);
        ASSERT_NE(script, nullptr);
        TypeAtStart(script, "strg");
        QTest::keyClick(script->findChild<QWidget*>(QStringLiteral("editor")), Qt::Key_Tab);
        script->Command(QXC_SAVE, nullptr);
        EXPECT_FALSE(script->Modified);
        EXPECT_TRUE(ReadBytes(scriptFile).startsWith("STRGET")) << ReadBytes(scriptFile).toStdString();

        EXPECT_TRUE(window->close());
        EXPECT_TRUE(script->close());
        RestartFrame();
        QApplication::processEvents();
    }
    QAccessible::setActive(false);
}

} // namespace
