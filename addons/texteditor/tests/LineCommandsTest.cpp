// Comments and the line commands of the editor window, driven through its
// keys and its context menu on real files: each makes one undo step.
#include "EditorTestSupport.h"

#include "FileTypes.h"
#include "frame/FrameActions.h"

#include <QX_Types.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSettings>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include <map>

namespace {

void command(TQX_PluginWindow* window, uint8_t code)
{
    window->Command(code, nullptr);
    QApplication::processEvents();
}

QString lastStep(TQX_PluginWindow* window)
{
    QStringList steps;
    window->Command(QXC_UNDOLIST, &steps);
    return steps.value(0);
}

QAction* action(TQX_PluginWindow* window, const char* name)
{
    auto* found = window->findChild<QAction*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class LineCommands : public EditorFixture {
protected:
    // A window with the text, its caret and selection from (line, index)
    // to (line, index), active so that its keys work.
    QsciScintilla* open(const std::string& name, const QString& text, int l1 = 0, int i1 = 0, int l2 = -1, int i2 = 0)
    {
        window = Open(TextEntry(), WriteFile(name, text.toUtf8()));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        QsciScintilla* editor = Editor(window);
        if (l2 < 0)
            editor->setCursorPosition(l1, i1);
        else
            editor->setSelection(l1, i1, l2, i2);
        return editor;
    }
    TQX_PluginWindow* window = nullptr;
};

// What Ctrl+E makes of indented lines with a blank one between, for every
// language with a comment marker; a language missing here fails the test.
const std::map<QString, QString> kCommented {
    {"cpp", "  // x\n  //   y\n\n  // z\n"},
    {"pascal", "  // x\n  //   y\n\n  // z\n"},
    {"python", "  # x\n  #   y\n\n  # z\n"},
    {"shell", "  # x\n  #   y\n\n  # z\n"},
    {"html", "  <!-- x -->\n  <!--   y -->\n\n  <!-- z -->\n"},
    {"xml", "  <!-- x -->\n  <!--   y -->\n\n  <!-- z -->\n"},
    {"css", "  /* x */\n  /*   y */\n\n  /* z */\n"},
    {"javascript", "  // x\n  //   y\n\n  // z\n"},
    {"sql", "  -- x\n  --   y\n\n  -- z\n"},
    {"makefile", "  # x\n  #   y\n\n  # z\n"},
    {"cmake", "  # x\n  #   y\n\n  # z\n"},
    {"ini", "  # x\n  #   y\n\n  # z\n"},
    {"markdown", "  <!-- x -->\n  <!--   y -->\n\n  <!-- z -->\n"},
    {"java", "  // x\n  //   y\n\n  // z\n"},
    {"csharp", "  // x\n  //   y\n\n  // z\n"},
    {"lua", "  -- x\n  --   y\n\n  -- z\n"},
    {"perl", "  # x\n  #   y\n\n  # z\n"},
    {"ruby", "  # x\n  #   y\n\n  # z\n"},
    {"yaml", "  # x\n  #   y\n\n  # z\n"},
    {"batch", "  REM x\n  REM   y\n\n  REM z\n"},
    {"tex", "  % x\n  %   y\n\n  % z\n"},
    {"qxscript", "  // x\n  //   y\n\n  // z\n"},
};

TEST_F(LineCommands, CommentToggleForEveryLanguage)
{
    const QString plain = QStringLiteral("  x\n    y\n\n  z\n");
    for (const TLanguage& language : Languages()) {
        SCOPED_TRACE(language.Id.toStdString());
        const bool marked = !language.LineComment.isEmpty() || !language.BlockStart.isEmpty();
        const auto expected = kCommented.find(language.Id);
        ASSERT_EQ(marked, expected != kCommented.end());
        // A file the language is recognised by.
        QString name = language.Patterns.first();
        name.replace(u'*', QStringLiteral("sample"));
        TQX_PluginWindow* w = Open(language.Id == kScriptLanguageId ? ScriptEntry() : TextEntry(),
            WriteFile(name.toStdString(), plain.toUtf8()));
        QsciScintilla* editor = Editor(w);
        editor->setSelection(0, 1, 3, 1);
        action(w, "toggleLineComment")->trigger();
        if (!marked) {
            EXPECT_EQ(editor->text(), plain);
            w->close();
            continue;
        }
        EXPECT_EQ(editor->text(), expected->second);
        EXPECT_EQ(lastStep(w), QStringLiteral("Komentář"));
        action(w, "toggleLineComment")->trigger();
        EXPECT_EQ(editor->text(), plain);
        command(w, QXC_UNDO);
        EXPECT_EQ(editor->text(), expected->second);
        command(w, QXC_UNDO);
        EXPECT_EQ(editor->text(), plain);
        EXPECT_FALSE(w->Modified);
        w->close();
    }
}

TEST_F(LineCommands, CommentKeysAndBlockComments)
{
    QsciScintilla* editor = open("keys.cpp", QStringLiteral("int a;\n// int b;\nint c;\n"), 0, 2, 1, 3);
    // A partly commented selection is commented as a whole.
    Key(window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("// int a;\n// // int b;\nint c;\n"));
    Key(window, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("int a;\n// int b;\nint c;\n"));
    // Without a selection: the caret's line, and the caret stays in its text.
    editor->setCursorPosition(2, 4);
    Key(window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("int a;\n// int b;\n// int c;\n"));
    int line = 0, index = 0;
    editor->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 2);
    EXPECT_EQ(index, 7);

    // A block comment around the selection, and away again.
    editor->setText(QStringLiteral("f(a, b);\n"));
    editor->setSelection(0, 2, 0, 3);
    Key(window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("f(/* a */, b);\n"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("/* a */"));
    EXPECT_EQ(lastStep(window), QStringLiteral("Blokový komentář"));
    Key(window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("f(a, b);\n"));
    // Without a selection, the line's text.
    editor->setCursorPosition(0, 0);
    action(window, "toggleBlockComment")->trigger();
    EXPECT_EQ(editor->text(), QStringLiteral("/* f(a, b); */\n"));

    // A word that starts with the marker is no comment.
    TQX_PluginWindow* batch = Open(TextEntry(), WriteFile("run.bat", "rem one\nREMOVE two\n"));
    Editor(batch)->setSelection(0, 0, 1, 1);
    action(batch, "toggleLineComment")->trigger();
    EXPECT_EQ(Editor(batch)->text(), QStringLiteral("REM rem one\nREM REMOVE two\n"));

    // Plain text has no comments: nothing changes, no undo step.
    TQX_PluginWindow* plain = Open(TextEntry(), WriteFile("plain.txt", "text\n"));
    action(plain, "toggleLineComment")->trigger();
    action(plain, "toggleBlockComment")->trigger();
    EXPECT_EQ(Editor(plain)->text(), QStringLiteral("text\n"));
    EXPECT_FALSE(Editor(plain)->isUndoAvailable());
}

struct LineCase {
    const char* Command;
    const char* Text;
    // Selection from (line, index) to (line, index); a caret when the two
    // are the same.
    int L1, I1, L2, I2;
    const char* Expected;
    const char* Step;
};

const LineCase kLineCases[] = {
    {"duplicateLines", "a\nb\nc", 1, 0, 1, 0, "a\nb\nb\nc", "Duplikování řádků"},
    {"duplicateLines", "a\nb\nc", 0, 0, 2, 0, "a\nb\na\nb\nc", "Duplikování řádků"},
    {"deleteLines", "a\nb\nc\n", 0, 1, 1, 1, "c\n", "Odstranění řádků"},
    {"deleteLines", "a\nb", 1, 0, 1, 0, "a", "Odstranění řádků"},
    {"moveLinesUp", "a\nb\nc", 1, 0, 2, 1, "b\nc\na", "Přesun řádků nahoru"},
    {"moveLinesDown", "a\r\nb\nc", 0, 0, 0, 0, "b\r\na\nc", "Přesun řádků dolů"},
    {"joinLines", "  a  \n   b\n\n c\nd", 0, 0, 3, 1, "  a b c\nd", "Spojení řádků"},
    {"joinLines", "a\nb\nc", 0, 0, 0, 0, "a b\nc", "Spojení řádků"},
    {"sortLines", "d\nc\nb\na\n", 1, 0, 3, 1, "d\na\nb\nc\n", "Seřazení řádků"},
    {"sortLines", "file10\nfile9\nÉva\nAdam\n", 0, 0, 0, 0, "Adam\nÉva\nfile9\nfile10\n", "Seřazení řádků"},
    {"upperCase", "žluťoučký kůň", 0, 0, 0, 9, "ŽLUŤOUČKÝ kůň", "Převod na velká písmena"},
    {"lowerCase", "ABC\nDEF", 1, 1, 1, 1, "ABC\ndef", "Převod na malá písmena"},
    {"trimTrailingBlanks", "a \t\nb  \nc ", 0, 0, 0, 0, "a\nb\nc", "Odstranění mezer na koncích řádků"},
    {"trimTrailingBlanks", "a \nb \nc ", 1, 0, 2, 1, "a \nb\nc", "Odstranění mezer na koncích řádků"},
};

TEST_F(LineCommands, EachCommandIsOneUndoStep)
{
    for (const LineCase& c : kLineCases) {
        SCOPED_TRACE(std::string(c.Command) + " on " + c.Text);
        QsciScintilla* editor = open("lines.txt", QString::fromUtf8(c.Text), c.L1, c.I1, c.L2, c.I2);
        action(window, c.Command)->trigger();
        EXPECT_EQ(editor->text(), QString::fromUtf8(c.Expected));
        EXPECT_EQ(lastStep(window), QString::fromUtf8(c.Step));
        command(window, QXC_UNDO);
        EXPECT_EQ(editor->text(), QString::fromUtf8(c.Text));
        EXPECT_FALSE(window->Modified);
        window->close();
    }
}

TEST_F(LineCommands, KeysMoveAndDuplicateWithTheSelection)
{
    QsciScintilla* editor = open("move.txt", QStringLiteral("one\ntwo\nthree\n"), 0, 1, 0, 2);
    Key(window, Qt::Key_Down, Qt::AltModifier);
    Key(window, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("two\nthree\none\n"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("n"));
    // The last line does not go further down.
    Key(window, Qt::Key_Down, Qt::AltModifier);
    Key(window, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("two\none\nthree\n"));
    Key(window, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("two\none\none\nthree\n"));
    // The copy goes; the caret is then on the line after it.
    Key(window, Qt::Key_K, Qt::ControlModifier);
    Key(window, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("two\none\nTHREE\n"));
    // The last line has nothing to join but the final line break.
    Key(window, Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("two\none\nTHREE\n"));
    Key(window, Qt::Key_Up);
    Key(window, Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("two\none THREE\n"));

    // A read-only document is left alone.
    editor->setReadOnly(true);
    Key(window, Qt::Key_D, Qt::ControlModifier);
    Key(window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("two\none THREE\n"));
}

TEST_F(LineCommands, ContextMenuShowsTheCommandsWithTheirKeys)
{
    QsciScintilla* editor = open("menu.py", QStringLiteral("x = 1\n"));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), editor->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(editor->viewport(), &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QStringList comments;
    QMenu* lines = nullptr;
    for (QAction* item : menu->actions()) {
        if (item->objectName().startsWith(QStringLiteral("toggle")))
            comments << item->text() + u'=' + item->shortcut().toString() + (item->isEnabled() ? "" : " (off)");
        if (item->menu() && item->text() == QStringLiteral("Řádk&y"))
            lines = item->menu();
    }
    menu->close();
    // Python has no block comment.
    EXPECT_EQ(comments, QStringList({"Zakomentovat / odkomen&tovat řádky=Ctrl+E", "&Blokový komentář=Ctrl+Shift+E (off)"}));
    ASSERT_NE(lines, nullptr);
    QStringList items;
    for (QAction* item : lines->actions())
        items << item->text() + u'=' + item->shortcut().toString();
    EXPECT_EQ(items, QStringList({"&Duplikovat=Ctrl+D", "&Odstranit=Ctrl+K", "Přesunout na&horu=Alt+Up",
                         "Přesunout do&lů=Alt+Down", "&Spojit=Ctrl+J", "Seřadi&t=", "&Velká písmena=Ctrl+Shift+U",
                         "&Malá písmena=Ctrl+U", "Odstranit mezery na &koncích="}));
}

TEST_F(LineCommands, KeysLeaveTheFramesShortcutsAlone)
{
    TQX_PluginWindow* w = Open(TextEntry());
    QList<QKeySequence> keys;
    for (QAction* item : w->findChildren<QAction*>())
        keys += item->shortcuts();
    ASSERT_GT(keys.size(), 10);
    for (int i = 0; i < kFrameActionCount; ++i) {
        const TFrameActionDef& def = FrameActionDef(FrameAction(i));
        const QKeySequence frame = QKeySequence::fromString(QLatin1String(def.shortcut), QKeySequence::PortableText);
        if (!frame.isEmpty()) {
            EXPECT_FALSE(keys.contains(frame)) << def.name << " " << def.shortcut;
        }
    }
}

TEST_F(LineCommands, SaveOptionsTrimAndEndTheText)
{
    const QString file = WriteFile("save.txt", "a  \nb\t");
    TQX_PluginWindow* w = Open(TextEntry(), file);
    QsciScintilla* editor = Editor(w);
    // Off by default: the text is saved as it is.
    editor->append(QStringLiteral("c "));
    command(w, QXC_SAVE);
    EXPECT_EQ(ReadBytes(file), QByteArray("a  \nb\tc "));

    QSettings ini(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvix"), QStringLiteral("TextEditor"));
    ini.setValue(QStringLiteral("Editor/TrimOnSave"), true);
    ini.setValue(QStringLiteral("Editor/FinalLineBreakOnSave"), true);
    ini.sync();
    command(w, QXC_RELOADSETTINGS);
    command(w, QXC_SAVE);
    EXPECT_EQ(ReadBytes(file), QByteArray("a\nb\tc\n"));
    EXPECT_EQ(editor->text(), QStringLiteral("a\nb\tc\n"));
    EXPECT_FALSE(w->Modified);
    // One step that can be taken back.
    EXPECT_EQ(lastStep(w), QStringLiteral("Úpravy při uložení"));
    command(w, QXC_UNDO);
    EXPECT_EQ(editor->text(), QStringLiteral("a  \nb\tc "));
    QFile::remove(ini.fileName());
}

} // namespace
