// Completion in both editors: the host's script functions, the document's
// words and the language's keywords, never taking a key meant for the text.
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

TEST_F(EditorFixture, ScriptEditorCompletesHostFunctions)
{
    THostApiProviders providers;
    providers.ScriptTokens = [] {
        return QStringList {QStringLiteral("14 AskUser Question 8"), QStringLiteral("0 ShowMessage Message 8")};
    };
    SetHostApiProviders(providers);
    TQX_PluginWindow* window = Open(ScriptEntry());
    SetHostApiProviders({});
    QsciScintilla* editor = Editor(window);
    editor->setFocus();

    Type(window, QStringLiteral("begin Ask"));
    ASSERT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Tab);
    EXPECT_EQ(editor->text(), QStringLiteral("begin AskUser"));
    Type(window, QStringLiteral("("));
    EXPECT_TRUE(editor->isCallTipActive());
    Key(window, Qt::Key_Escape);

    // The built-in routines are there too, whatever the host lists.
    Type(window, QStringLiteral("); strg"));
    ASSERT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Tab);
    EXPECT_TRUE(editor->text().endsWith(QStringLiteral("STRGET")));
}

// Completion never takes a key the user meant for the text: a whole script
// typed line by line, Enter after each, comes out exactly as typed, while
// the list opens where an identifier goes on and takes Enter once used.
TEST_F(EditorFixture, TypedScriptComesOutExactlyAsTyped)
{
    THostApiProviders providers;
    providers.ScriptTokens = [] {
        return QStringList {QStringLiteral("14 AskUser Question 8"), QStringLiteral("0 ShowMessage Message 8")};
    };
    SetHostApiProviders(providers);
    TQX_PluginWindow* window = Open(ScriptEntry());
    SetHostApiProviders({});
    QsciScintilla* editor = Editor(window);
    // Indentation is the user's own here; auto-indent would add to it.
    editor->setAutoIndent(false);
    editor->setFocus();

    const QStringList lines {
        QStringLiteral("var"),
        QStringLiteral("  Count, CountMax: INTEGER;"),
        QStringLiteral("begin"),
        QStringLiteral("  CountMax := 3; { show the count }"),
        QStringLiteral("  Count := 0;"),
        QStringLiteral("  repeat"),
        QStringLiteral("    Count := Count + 1"),
        QStringLiteral("  until CountMax < Count"),
        QStringLiteral("  if AskUser('Show the count?') then"),
        QStringLiteral("    ShowMessage(IntToStr(Count))"),
        QStringLiteral("end."),
    };
    // Where the list is open at the end of a line; Enter must still break it.
    int openAtEnter = 0;
    for (const QString& line : lines) {
        Type(window, line);
        if (editor->isListActive())
            ++openAtEnter;
        // Never after a complete keyword or a ".".
        if (line.endsWith(u'.') || line.endsWith(QStringLiteral("then")) || line.endsWith(QStringLiteral("begin"))) {
            EXPECT_FALSE(editor->isListActive()) << line.toStdString();
        }
        Key(window, Qt::Key_Return);
        EXPECT_FALSE(editor->isListActive()) << line.toStdString();
    }
    EXPECT_EQ(editor->text(), lines.join(u'\n') + u'\n');
    // "Count" goes on to "CountMax": the list was there and let Enter pass.
    EXPECT_EQ(openAtEnter, 1);

    // Typing inside a string or comment opens nothing.
    Type(window, QStringLiteral("{ Cou"));
    EXPECT_FALSE(editor->isListActive());
    Type(window, QStringLiteral(" }"));
    Key(window, Qt::Key_Return);

    // Moving through the list makes Enter take the entry.
    Type(window, QStringLiteral("Cou"));
    ASSERT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Down);
    Key(window, Qt::Key_Return);
    EXPECT_TRUE(editor->text().endsWith(QStringLiteral("\nCountMax"))) << editor->text().toStdString();
    // Home with an unused list moves the caret, not the list.
    Type(window, QStringLiteral(" := Cou"));
    ASSERT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Home);
    EXPECT_FALSE(editor->isListActive());
    EXPECT_EQ(editor->SendScintilla(QsciScintillaBase::SCI_GETCOLUMN, editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS)), 0);

    // Ctrl+Space asks for the list, also with nothing typed; Enter takes it.
    Key(window, Qt::Key_End);
    Key(window, Qt::Key_Return);
    Key(window, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(editor->isListActive());
    Type(window, QStringLiteral("showm"));
    Key(window, Qt::Key_Return);
    EXPECT_TRUE(editor->text().endsWith(QStringLiteral("\nShowMessage"))) << editor->text().toStdString();
}

// The text editor completes with the document's words and the language's
// keywords by the script editor's rules: a C++ function typed line by line
// comes out exactly as typed, the list opening where a word goes on but not
// in strings and comments, after a complete keyword or with Ctrl+Space
// asked for.
TEST_F(EditorFixture, TextEditorCompletesWordsAndKeywords)
{
    const QString path = WriteFile("count.cpp", "static int counter_total = 0;\n");
    TQX_PluginWindow* window = Open(TextEntry(), path);
    QsciScintilla* editor = Editor(window);
    editor->setAutoIndent(false);
    editor->setFocus();
    Key(window, Qt::Key_End, Qt::ControlModifier);

    const QStringList lines {
        QStringLiteral("int main()"),
        QStringLiteral("{"),
        QStringLiteral("    int counter = counter_total;"),
        QStringLiteral("    const char* text = \"cou\"; // cou"),
        QStringLiteral("    counter_total += counter"),
        QStringLiteral("    return counter;"),
        QStringLiteral("}"),
    };
    int openAtEnter = 0;
    for (const QString& line : lines) {
        Type(window, line);
        if (editor->isListActive())
            ++openAtEnter;
        // Never after a complete keyword, in a string or in a comment.
        if (line.endsWith(QStringLiteral("cou")) || line.endsWith(u';')) {
            EXPECT_FALSE(editor->isListActive()) << line.toStdString();
        }
        Key(window, Qt::Key_Return);
        EXPECT_FALSE(editor->isListActive()) << line.toStdString();
    }
    EXPECT_EQ(editor->text(), QStringLiteral("static int counter_total = 0;\n") + lines.join(u'\n') + u'\n');
    // "counter" goes on to "counter_total": the list was there and let Enter pass.
    EXPECT_EQ(openAtEnter, 1);

    // A keyword of the language; Tab takes it.
    Type(window, QStringLiteral("cla"));
    ASSERT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Tab);
    EXPECT_TRUE(editor->text().endsWith(QStringLiteral("\nclass"))) << editor->text().toStdString();
    // Escape closes the list and keeps the text.
    Type(window, QStringLiteral(" cou"));
    ASSERT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Escape);
    EXPECT_FALSE(editor->isListActive());
    EXPECT_TRUE(editor->text().endsWith(QStringLiteral("\nclass cou")));
    // In a comment the list comes when asked for, and Enter then takes it.
    Key(window, Qt::Key_Return);
    Type(window, QStringLiteral("// cou"));
    EXPECT_FALSE(editor->isListActive());
    Key(window, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Return);
    EXPECT_TRUE(editor->text().endsWith(QStringLiteral("\n// counter"))) << editor->text().toStdString();

    // With the automatic list turned off in the settings, only Ctrl+Space
    // opens it.
    QSettings ini(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvix"), QStringLiteral("TextEditor"));
    ini.setValue(QStringLiteral("Editor/AutoCompletion"), false);
    ini.sync();
    command(window, QXC_RELOADSETTINGS);
    Key(window, Qt::Key_Return);
    Type(window, QStringLiteral("cou"));
    EXPECT_FALSE(editor->isListActive());
    Key(window, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Escape);
    QFile::remove(ini.fileName());

    // The command is in the context menu with its key.
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 20), editor->viewport()->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(editor->viewport(), &menuEvent);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* complete = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().remove(u'&') == QStringLiteral("Doplnit slovo"))
            complete = action;
    menu->close();
    ASSERT_NE(complete, nullptr);
    EXPECT_EQ(complete->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Space));
}

// In a document of many megabytes the words come from around the caret, so
// that a key costs the same wherever it is typed.
TEST_F(EditorFixture, CompletionInALargeDocumentLooksAroundTheCaret)
{
    QByteArray text = "farthest_word = 1;\n";
    while (text.size() < 3 * kCompletionWordWindow)
        text += "value = value + 1;\n";
    text += "nearest_word = 2;\n";
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("large.c", text));
    QsciScintilla* editor = Editor(window);
    editor->setFocus();
    Key(window, Qt::Key_End, Qt::ControlModifier);
    Type(window, QStringLiteral("far"));
    EXPECT_FALSE(editor->isListActive());
    Key(window, Qt::Key_Return);
    Type(window, QStringLiteral("nea"));
    EXPECT_TRUE(editor->isListActive());
    Key(window, Qt::Key_Tab);
    EXPECT_TRUE(editor->text().endsWith(QStringLiteral("\nnearest_word")));
    // At the start, the word at the start.
    Key(window, Qt::Key_Home, Qt::ControlModifier);
    Key(window, Qt::Key_Return);
    Key(window, Qt::Key_Up);
    Type(window, QStringLiteral("far"));
    EXPECT_TRUE(editor->isListActive());
}

} // namespace
