// The status bar's menus, go to line and the settings dialog.
#include "EditorTestSupport.h"
#include "EditorWindowTestHelpers.h"

#include "WordCompletion.h"
#include "help/HelpViewer.h"
#include "kernel/Settings.h"
#include "plugins/ExportsDef.h"
#include "plugins/PluginFrame.h"
#include "plugins/PluginManagement.h"

#include <QX_Types.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QMenu>
#include <QSpinBox>
#include <QToolButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QWheelEvent>

#include <Qsci/qsciscintilla.h>

#include <algorithm>

#include <filesystem>

namespace {


// The action with this text in the menu of a status bar button; a path
// "Submenu/Item" reaches into a submenu.
QAction* statusAction(TQX_PluginWindow* window, const char* button, const QString& path)
{
    auto* tool = window->findChild<QToolButton*>(QLatin1String(button));
    if (!tool || !tool->menu())
        return nullptr;
    emit tool->menu()->aboutToShow();
    QMenu* menu = tool->menu();
    const QStringList parts = path.split(u'/');
    for (qsizetype i = 0; i < parts.size() && menu; ++i) {
        QMenu* next = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || action->text().remove(u'&') != parts[i])
                continue;
            if (i + 1 == parts.size())
                return action;
            next = action->menu();
            break;
        }
        menu = next;
    }
    return nullptr;
}

TEST_F(EditorFixture, StatusBarMenusChangeTheFormat)
{
    const QString path = WriteFile("format.txt", "a\nb\n");
    TQX_PluginWindow* window = Open(TextEntry(), path);
    QsciScintilla* editor = Editor(window);

    // Stored as UTF-16 from now on: a change to save, nothing to undo.
    QAction* utf16 = statusAction(window, "encoding", QStringLiteral("Uložit v kódování/UTF-16 LE"));
    ASSERT_NE(utf16, nullptr);
    utf16->trigger();
    EXPECT_TRUE(window->Modified);
    EXPECT_TRUE(has(window, QXC_SAVE));
    EXPECT_FALSE(has(window, QXC_UNDO));
    command(window, QXC_SAVE);
    EXPECT_EQ(ReadBytes(path), B("\xFF\xFE" "a\0\n\0b\0\n\0"));

    // Line ends converted as one undoable step, from a menu wide enough for
    // its title.
    QMenu* lineEnds = window->findChild<QToolButton*>(QStringLiteral("lineEnd"))->menu();
    lineEnds->popup(QPoint());
    QFont bold = lineEnds->font();
    bold.setBold(true);
    EXPECT_GT(lineEnds->width(), QFontMetrics(bold).horizontalAdvance(QStringLiteral("Převést konce řádků na")));
    lineEnds->hide();
    statusAction(window, "lineEnd", QStringLiteral("CR LF"))->trigger();
    EXPECT_EQ(editor->text(), QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(list(window, QXC_UNDOLIST).first(), QStringLiteral("Převod konců řádků na CR LF"));
    Type(window, QStringLiteral("x"));
    Key(window, Qt::Key_Return);
    command(window, QXC_SAVE);
    EXPECT_EQ(ReadBytes(path), B("\xFF\xFE" "x\0\r\0\n\0" "a\0\r\0\n\0b\0\r\0\n\0"));

    // Read again as another encoding.
    const QString legacy = WriteFile("reopen.txt", "\xC5\x99\n");
    TQX_PluginWindow* second = Open(TextEntry(), legacy);
    EXPECT_EQ(Editor(second)->text(), QStringLiteral("ř\n"));
    statusAction(second, "encoding", QStringLiteral("Znovu načíst v kódování/Windows-1250 – středoevropské"))->trigger();
    EXPECT_EQ(Editor(second)->text(), QStringLiteral("Ĺ™\n"));
    EXPECT_FALSE(second->Modified);

    // A KOI8-R file, taken for a Central European code page, read again as
    // KOI8-R: the letters come right and an edit is saved in KOI8-R.
    const QString russian = WriteFile("ru.txt", B("\xF0\xD2\xC9\xD7\xC5\xD4\n"));
    TQX_PluginWindow* third = Open(TextEntry(), russian);
    EXPECT_NE(Editor(third)->text(), QStringLiteral("Привет\n"));
    statusAction(third, "encoding", QStringLiteral("Znovu načíst v kódování/KOI8-R – cyrilice"))->trigger();
    EXPECT_EQ(Editor(third)->text(), QStringLiteral("Привет\n"));
    EXPECT_FALSE(third->Modified);
    Editor(third)->setCursorPosition(0, 6);
    Type(third, QStringLiteral("!"));
    command(third, QXC_SAVE);
    EXPECT_EQ(ReadBytes(russian), B("\xF0\xD2\xC9\xD7\xC5\xD4!\n"));
    // A code page that cannot hold the text is refused when it is chosen.
    dialogs->ExpectButton(QStringLiteral("OK"));
    statusAction(third, "encoding", QStringLiteral("Uložit v kódování/ISO-8859-2 – středoevropské"))->trigger();
    EXPECT_TRUE(dialogs->Texts.last().contains(QStringLiteral("„П“ na řádku 1"))) << dialogs->Texts.last().toStdString();
    EXPECT_EQ(third->findChild<QToolButton*>(QStringLiteral("encoding"))->text(), QStringLiteral("KOI8-R"));
    EXPECT_FALSE(third->Modified);
    // Opened again, the file is read in the code page chosen for it, the
    // caret where it was.
    Editor(third)->setCursorPosition(0, 3);
    QPointer<TQX_PluginWindow> closing = third;
    ASSERT_TRUE(third->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(closing.isNull());
    TQX_PluginWindow* again = Open(TextEntry(), russian);
    EXPECT_EQ(Editor(again)->text(), QStringLiteral("Привет!\n"));
    EXPECT_EQ(again->findChild<QToolButton*>(QStringLiteral("encoding"))->text(), QStringLiteral("KOI8-R"));
    int line = -1, index = -1;
    Editor(again)->getCursorPosition(&line, &index);
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(again->Modified);

    // Highlighting chosen by hand.
    statusAction(second, "language", QStringLiteral("Python"))->trigger();
    EXPECT_EQ(second->findChild<QToolButton*>(QStringLiteral("language"))->text(), QStringLiteral("Python"));
    EXPECT_NE(Editor(second)->lexer(), nullptr);
    statusAction(second, "language", QStringLiteral("Prostý text"))->trigger();
    EXPECT_EQ(Editor(second)->lexer(), nullptr);
}

TEST_F(EditorFixture, GoToLineAndSettingsDialogs)
{
    QByteArray text;
    for (int i = 0; i < 50; ++i)
        text += "line\n";
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("goto.txt", text));
    TQX_PluginWindow* other = Open(TextEntry());
    QsciScintilla* editor = Editor(window);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    editor->setFocus();

    dialogs->Expect([](QWidget* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->intMaximum(), 51);
        input->setIntValue(30);
        input->accept();
    });
    Key(window, Qt::Key_G, Qt::ControlModifier);
    int line = -1, index = -1;
    editor->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 29);

    // Ctrl+Shift+Z redoes like Ctrl+Y.
    Type(window, QStringLiteral("xy"));
    Key(window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor->text(line), QStringLiteral("line\n"));
    Key(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor->text(line), QStringLiteral("xyline\n"));

    // The settings dialog, from the context menu, reaches every editor window.
    const QString ini =
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvix"), QStringLiteral("TextEditor")).fileName();
    QFile::remove(ini);
    dialogs->Expect([](QWidget* dialog) {
        dialog->findChild<QSpinBox*>(QStringLiteral("tabWidth"))->setValue(6);
        dialog->findChild<QCheckBox*>(QStringLiteral("useSpaces"))->setChecked(false);
        dialog->findChild<QCheckBox*>(QStringLiteral("detectIndentation"))->setChecked(false);
        dialog->findChild<QCheckBox*>(QStringLiteral("autoCompletion"))->setChecked(false);
        qobject_cast<QDialog*>(dialog)->accept();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 20), editor->viewport()->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(editor->viewport(), &menuEvent);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* settings = nullptr;
    QAction* goToLine = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text().remove(u'&') == QStringLiteral("Nastavení editoru…"))
            settings = action;
        if (action->text().remove(u'&') == QStringLiteral("Přejít na řádek…"))
            goToLine = action;
    }
    ASSERT_NE(settings, nullptr);
    // Go to line is in the menu with its key.
    ASSERT_NE(goToLine, nullptr);
    EXPECT_EQ(goToLine->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    menu->close();
    settings->trigger();
    EXPECT_EQ(editor->tabWidth(), 6);
    EXPECT_TRUE(editor->indentationsUseTabs());
    EXPECT_EQ(Editor(other)->tabWidth(), 6);
    EXPECT_TRUE(Editor(other)->indentationsUseTabs());
    // The completion list no longer opens by itself ("lin" goes on to "line").
    Key(window, Qt::Key_End);
    Key(window, Qt::Key_Return);
    Type(window, QStringLiteral("lin"));
    EXPECT_FALSE(editor->isListActive());
    QFile::remove(ini);
}

} // namespace
