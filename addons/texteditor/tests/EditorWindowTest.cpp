// The editor plug-in loaded into the host: its entries, the windows'
// commands and state, find, bookmarks, cookies, script errors and the
// smaller commands. Files and encodings, completion and the status bar's
// menus have test files of their own beside this one.
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


using Entries = EditorFixture;

TEST_F(Entries, DescribeTheTextAndTheScriptEditor)
{
    ASSERT_EQ(plugin->GetEntryCount(), 2);
    struct Expected {
        TQX_PluginEntry* entry;
        const char* name;
        uint32_t flags;
    } expected[] = {{TextEntry(), "Textový editor", QX_FLAG_DEFAULT_NEW}, {ScriptEntry(), "Editor skriptů", QX_FLAG_SCRIPT_EDITOR}};
    for (const Expected& e : expected) {
        EXPECT_EQ(e.entry->GetName(), QString::fromUtf8(e.name));
        EXPECT_EQ(e.entry->GetKind(), QX_KIND_FILE_DOCUMENT);
        EXPECT_EQ(e.entry->GetFlags(), e.flags);
        EXPECT_TRUE(e.entry->CanCreateFile());
        EXPECT_TRUE(e.entry->HasFilter());
        EXPECT_TRUE(e.entry->GetFilter().contains(u'|'));
        EXPECT_FALSE(e.entry->GetIcon().isNull());
    }
    const QString cpp = WriteFile("x.cpp", "int main() {}\n");
    const QString script = WriteFile("s.qx", "begin end.\n");
    const QString text = WriteFile("notes", "plain\n");
    const QString binary = WriteFile("blob", B("\x7F" "ELF\0\0\0"));
    EXPECT_EQ(TextEntry()->CanOpenFile(cpp), 2);
    EXPECT_EQ(TextEntry()->CanOpenFile(script), 1);
    EXPECT_EQ(TextEntry()->CanOpenFile(text), 1);
    EXPECT_EQ(TextEntry()->CanOpenFile(binary), 0);
    EXPECT_EQ(ScriptEntry()->CanOpenFile(script), 2);
    EXPECT_EQ(ScriptEntry()->CanOpenFile(cpp), 0);
}

// ---------------------------------------------------------------------------
// Commands, Modified and OnStateChange follow every change.

TEST_F(EditorFixture, CommandsFollowTheState)
{
    QApplication::clipboard()->clear();
    TQX_PluginWindow* window = Open(TextEntry());
    ASSERT_NE(window, nullptr);
    int notified = 0;
    auto host = window->OnStateChange;
    window->OnStateChange = [&](TQX_PluginWindow* w) {
        ++notified;
        if (host)
            host(w);
    };

    for (int code : {QXC_UNDO, QXC_REDO, QXC_UNDOLIST, QXC_REDOLIST, QXC_CUT, QXC_COPY, QXC_PASTE, QXC_SAVE,
             QXC_NEXTBOOKMARK, QXC_PREVBOOKMARK, QXC_REMOVEBOOKMARKS, QXC_SHOWERROR, QXC_BOLD, QXC_SENDMAIL})
        EXPECT_FALSE(has(window, code)) << code;
    for (int code : {QXC_SAVEAS, QXC_FIND, QXC_REPLACE, QXC_PRINT, QXC_TOGGLEBOOKMARK, QXC_RELOADSETTINGS})
        EXPECT_TRUE(has(window, code)) << code;
    EXPECT_FALSE(window->Modified);

    Type(window, QStringLiteral("hello"));
    EXPECT_TRUE(window->Modified);
    EXPECT_GT(notified, 0);
    EXPECT_TRUE(has(window, QXC_UNDO));
    EXPECT_TRUE(has(window, QXC_UNDOLIST));
    EXPECT_TRUE(has(window, QXC_SAVE));
    EXPECT_FALSE(has(window, QXC_REDO));
    EXPECT_FALSE(has(window, QXC_COPY));

    notified = 0;
    command(window, QXC_SELECTALL);
    EXPECT_TRUE(has(window, QXC_COPY));
    EXPECT_TRUE(has(window, QXC_CUT));
    EXPECT_GT(notified, 0);
    command(window, QXC_COPY);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
    EXPECT_TRUE(has(window, QXC_PASTE));
    command(window, QXC_CUT);
    EXPECT_EQ(Editor(window)->text(), QString());
    EXPECT_FALSE(has(window, QXC_COPY));
    command(window, QXC_PASTE);
    command(window, QXC_PASTE);
    EXPECT_EQ(Editor(window)->text(), QStringLiteral("hellohello"));

    // Undo back to the start: unmodified again, redo possible.
    while (has(window, QXC_UNDO))
        command(window, QXC_UNDO);
    EXPECT_EQ(Editor(window)->text(), QString());
    EXPECT_FALSE(window->Modified);
    EXPECT_FALSE(has(window, QXC_SAVE));
    EXPECT_TRUE(has(window, QXC_REDO));
    EXPECT_TRUE(has(window, QXC_REDOLIST));
    command(window, QXC_REDO);
    EXPECT_EQ(Editor(window)->text(), QStringLiteral("hello"));
    EXPECT_TRUE(window->Modified);
}

TEST_F(EditorFixture, UndoAndRedoListsNameEachStep)
{
    TQX_PluginWindow* window = Open(TextEntry());
    EXPECT_TRUE(list(window, QXC_UNDOLIST).isEmpty());
    Type(window, QStringLiteral("abc"));
    Key(window, Qt::Key_Return);
    Type(window, QStringLiteral("xyz"));
    Key(window, Qt::Key_Backspace);
    Key(window, Qt::Key_Backspace);
    Key(window, Qt::Key_Return);
    Type(window, QStringLiteral("end"));
    // A block indented by Tab.
    Editor(window)->selectAll();
    Key(window, Qt::Key_Tab);
    Editor(window)->setCursorPosition(2, 7);
    QApplication::clipboard()->setText(QStringLiteral("pasted text"));
    command(window, QXC_PASTE);

    const QStringList undo = list(window, QXC_UNDOLIST);
    ASSERT_FALSE(undo.isEmpty());
    EXPECT_EQ(undo.first(), QStringLiteral("Vložení „pasted text“"));
    EXPECT_TRUE(undo.contains(QStringLiteral("Odstranění „yz“"))) << undo.join(u" | ").toStdString();
    // Typing right after a line break joins its step, which then says so.
    EXPECT_TRUE(undo.contains(QStringLiteral("Psaní „↵end“"))) << undo.join(u" | ").toStdString();
    EXPECT_EQ(undo.at(1), QStringLiteral("Odsazení"));
    EXPECT_TRUE(undo.last().startsWith(QStringLiteral("Psaní „abc"))) << undo.join(u" | ").toStdString();

    // As many entries as the editor can undo: the host sends undo k+1 times
    // for line k.
    int undoable = 0;
    while (has(window, QXC_UNDO)) {
        command(window, QXC_UNDO);
        ++undoable;
    }
    EXPECT_EQ(undoable, undo.size());
    EXPECT_TRUE(list(window, QXC_UNDOLIST).isEmpty());
    const QStringList redo = list(window, QXC_REDOLIST);
    ASSERT_EQ(redo.size(), undo.size());
    EXPECT_EQ(redo.first(), undo.last());

    // Line 1 of the redo list: two redos.
    command(window, QXC_REDO);
    command(window, QXC_REDO);
    EXPECT_EQ(list(window, QXC_UNDOLIST).size(), 2);
    EXPECT_EQ(list(window, QXC_REDOLIST).size(), undo.size() - 2);
    // A new change drops what could be redone.
    Type(window, QStringLiteral("!"));
    EXPECT_TRUE(list(window, QXC_REDOLIST).isEmpty());
    EXPECT_FALSE(has(window, QXC_REDO));
}

TEST_F(EditorFixture, LargeDocumentsStillFollowTheState)
{
    // Above half a megabyte the steps go unnamed, so no list is offered;
    // undo itself and the command set keep working.
    QByteArray text;
    while (text.size() <= 600 * 1024)
        text += "int value_" + QByteArray::number(text.size()) + " = 0;\n";
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("large.c", text));
    EXPECT_FALSE(has(window, QXC_UNDO));
    Editor(window)->setCursorPosition(Editor(window)->lines() - 1, 0);
    Type(window, QStringLiteral("abc"));
    QTest::qWait(50);
    EXPECT_TRUE(window->Modified);
    EXPECT_TRUE(has(window, QXC_UNDO));
    EXPECT_FALSE(has(window, QXC_UNDOLIST));
    while (has(window, QXC_UNDO))
        command(window, QXC_UNDO);
    QTest::qWait(50);
    EXPECT_FALSE(window->Modified);
    EXPECT_TRUE(has(window, QXC_REDO));
    EXPECT_FALSE(has(window, QXC_REDOLIST));
    command(window, QXC_SAVE);
    EXPECT_EQ(ReadBytes(window->FileName), text);
}

// ---------------------------------------------------------------------------

struct FindDialog {
    QWidget* dialog;
    QComboBox* find;
    QComboBox* replace;
    QLabel* status;
    void option(const char* name, bool on) { dialog->findChild<QCheckBox*>(QLatin1String(name))->setChecked(on); }
    void click(const char* name) { dialog->findChild<QPushButton*>(QLatin1String(name))->click(); }
    bool focused(QComboBox* box) const { return box == dialog->focusWidget() || box->isAncestorOf(dialog->focusWidget()); }
};

FindDialog findDialog(TQX_PluginWindow* window)
{
    QWidget* dialog = window->findChild<QWidget*>(QStringLiteral("FindReplaceDialog"));
    EXPECT_NE(dialog, nullptr);
    return {dialog, dialog->findChild<QComboBox*>(QStringLiteral("findText")),
        dialog->findChild<QComboBox*>(QStringLiteral("replaceText")), dialog->findChild<QLabel*>(QStringLiteral("status"))};
}

TEST_F(EditorFixture, FindAndReplaceInOneDialog)
{
    const QString path = WriteFile("find.txt", "Alpha beta alphabet\nALPHA mail@host\n");
    TQX_PluginWindow* window = Open(TextEntry(), path);
    QsciScintilla* editor = Editor(window);
    // With nothing to find yet, Replace starts in the field of the searched text.
    command(window, QXC_REPLACE);
    FindDialog d = findDialog(window);
    ASSERT_TRUE(d.dialog->isVisible());
    EXPECT_TRUE(d.focused(d.find));

    // Whole words, any case, wrapping from the caret at the end.
    editor->setCursorPosition(1, 15);
    d.find->setCurrentText(QStringLiteral("alpha"));
    d.option("wholeWord", true);
    d.click("findNext");
    EXPECT_EQ(editor->selectedText(), QStringLiteral("Alpha"));
    EXPECT_TRUE(d.status->text().contains(QStringLiteral("od začátku")));
    d.click("findNext");
    EXPECT_EQ(editor->selectedText(), QStringLiteral("ALPHA"));
    // Without wrapping, the end is the end.
    d.option("wrapAround", false);
    d.click("findNext");
    EXPECT_TRUE(d.status->text().contains(QStringLiteral("nebyl nalezen")));

    // Replace all: whole words only, one undo step.
    command(window, QXC_REPLACE);
    EXPECT_TRUE(d.focused(d.replace));
    d.replace->setCurrentText(QStringLiteral("omega"));
    d.click("replaceAll");
    EXPECT_EQ(editor->text(), QStringLiteral("omega beta alphabet\nomega mail@host\n"));
    EXPECT_TRUE(d.status->text().contains(u'2'));
    EXPECT_TRUE(list(window, QXC_UNDOLIST).first().startsWith(QStringLiteral("Nahrazení všech výskytů")));
    command(window, QXC_UNDO);
    EXPECT_EQ(editor->text(), QStringLiteral("Alpha beta alphabet\nALPHA mail@host\n"));

    // Match case.
    d.option("wholeWord", false);
    d.option("matchCase", true);
    d.find->setCurrentText(QStringLiteral("alpha"));
    d.replace->setCurrentText(QStringLiteral("ALEF"));
    d.click("replaceAll");
    EXPECT_EQ(editor->text(), QStringLiteral("Alpha beta ALEFbet\nALPHA mail@host\n"));

    // Regular expression with groups; an empty match cannot loop forever.
    d.option("regularExpression", true);
    d.find->setCurrentText(QStringLiteral("(\\w+)@(\\w+)"));
    d.replace->setCurrentText(QStringLiteral("\\2 at \\1"));
    d.click("replaceAll");
    EXPECT_EQ(editor->text(), QStringLiteral("Alpha beta ALEFbet\nALPHA host at mail\n"));
    d.find->setCurrentText(QStringLiteral("x*"));
    d.replace->setCurrentText(QStringLiteral("-"));
    d.click("replaceAll");
    EXPECT_TRUE(editor->text().startsWith(QStringLiteral("-A-l-p-h-a-"))) << editor->text().toStdString();
    d.find->setCurrentText(QStringLiteral("(unclosed"));
    d.click("findNext");
    EXPECT_TRUE(d.status->text().contains(QStringLiteral("není platný")));

    // Replace one by one: the first click finds, the second replaces.
    editor->setText(QStringLiteral("a1 a2 a3"));
    editor->setCursorPosition(0, 0);
    d.option("regularExpression", false);
    d.find->setCurrentText(QStringLiteral("a"));
    d.replace->setCurrentText(QStringLiteral("b"));
    d.click("replace");
    EXPECT_EQ(editor->text(), QStringLiteral("a1 a2 a3"));
    d.click("replace");
    d.click("replace");
    EXPECT_EQ(editor->text(), QStringLiteral("b1 b2 a3"));
}

TEST_F(EditorFixture, BookmarksToggleCycleAndClear)
{
    QByteArray text;
    for (int i = 0; i < 12; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("marks.txt", text));
    QsciScintilla* editor = Editor(window);
    auto line = [editor] {
        int l = 0, i = 0;
        editor->getCursorPosition(&l, &i);
        return l;
    };
    for (int l : {2, 5, 8}) {
        editor->setCursorPosition(l, 0);
        command(window, QXC_TOGGLEBOOKMARK);
    }
    EXPECT_TRUE(has(window, QXC_NEXTBOOKMARK));
    EXPECT_TRUE(has(window, QXC_REMOVEBOOKMARKS));
    editor->setCursorPosition(0, 0);
    std::vector<int> visited;
    for (int i = 0; i < 4; ++i) {
        command(window, QXC_NEXTBOOKMARK);
        visited.push_back(line());
    }
    EXPECT_EQ(visited, (std::vector<int> {2, 5, 8, 2}));
    command(window, QXC_PREVBOOKMARK);
    EXPECT_EQ(line(), 8);
    // Toggling on a bookmarked line removes it.
    command(window, QXC_TOGGLEBOOKMARK);
    editor->setCursorPosition(0, 0);
    command(window, QXC_PREVBOOKMARK);
    EXPECT_EQ(line(), 5);
    command(window, QXC_REMOVEBOOKMARKS);
    EXPECT_FALSE(has(window, QXC_NEXTBOOKMARK));
    EXPECT_FALSE(has(window, QXC_REMOVEBOOKMARKS));
    command(window, QXC_NEXTBOOKMARK);
    EXPECT_EQ(line(), 5);
}

// ---------------------------------------------------------------------------

TEST_F(EditorFixture, CookieRestoresCaretScrollAndBookmarks)
{
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text += "line number " + QByteArray::number(i) + "\n";
    const QString path = WriteFile("long.txt", text);
    QPointer<TQX_PluginWindow> window = Open(TextEntry(), path);
    QsciScintilla* editor = Editor(window);
    for (int l : {10, 150}) {
        editor->setCursorPosition(l, 0);
        command(window, QXC_TOGGLEBOOKMARK);
    }
    editor->setCursorPosition(120, 3);
    editor->setFirstVisibleLine(100);
    QApplication::processEvents();
    ASSERT_EQ(editor->firstVisibleLine(), 100);
    ASSERT_TRUE(window->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window.isNull());

    // Another file has its own cookie.
    TQX_PluginWindow* other = Open(TextEntry(), WriteFile("other.txt", text));
    int line = -1, index = -1;
    Editor(other)->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 0);

    TQX_PluginWindow* reopened = Open(TextEntry(), path);
    editor = Editor(reopened);
    QTest::qWait(20);
    editor->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 120);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(editor->firstVisibleLine(), 100);
    EXPECT_TRUE(has(reopened, QXC_NEXTBOOKMARK));
    editor->setCursorPosition(0, 0);
    command(reopened, QXC_NEXTBOOKMARK);
    editor->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 10);
    command(reopened, QXC_NEXTBOOKMARK);
    editor->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 150);
}

TEST_F(EditorFixture, DamagedCookieIsIgnored)
{
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("c.txt", "a\nbcd\n"));
    QsciScintilla* editor = Editor(window);
    for (const char* cookie : {"", "garbage", "caret=x:y;top=-5;bookmarks=a,,99999,-1", "caret=1:2:3;x=-4"}) {
        editor->setCursorPosition(1, 1);
        window->LoadCookie(QString::fromLatin1(cookie));
        EXPECT_FALSE(has(window, QXC_NEXTBOOKMARK)) << cookie;
        int line = -1, index = -1;
        editor->getCursorPosition(&line, &index);
        EXPECT_EQ(line * 10 + index, 11) << cookie;
    }
    // Numbers beyond the text, however large, are clamped to it.
    struct Case {
        const char* cookie;
        int line, index;
    } cases[] = {
        {"caret=999:999;anchor=0:0", 2, 0},
        {"caret=1:9223372036854775807", 1, 3},
        {"caret=1:99999999999999999999999999;top=99999999999999999999;x=99999999999999999999", 1, 3},
        {"caret=99999999999999999999999999:0;bookmarks=99999999999999999999999", 2, 0},
        {"caret=0:1;anchor=1:18446744073709551616", 0, 1},
    };
    for (const Case& c : cases) {
        window->LoadCookie(QString::fromLatin1(c.cookie));
        int line = -1, index = -1;
        editor->getCursorPosition(&line, &index);
        EXPECT_EQ(line, c.line) << c.cookie;
        EXPECT_EQ(index, c.index) << c.cookie;
        EXPECT_LE(editor->firstVisibleLine(), 2) << c.cookie;
        EXPECT_FALSE(has(window, QXC_NEXTBOOKMARK)) << c.cookie;
    }
    // The anchor of the last one went to the end of its line.
    EXPECT_EQ(editor->selectedText(), QStringLiteral("\nbcd"));
}

// ---------------------------------------------------------------------------

TEST_F(EditorFixture, ScriptErrorMovesTheCaretAndMarksTheLine)
{
    // The engine sees "begin\r\n  foo := 1;\r\nend.\r\n": "foo" is at 9.
    const QString path = WriteFile("broken.qx", "begin\n  foo := 1;\nend.\n");
    TQX_PluginWindow* window = Open(ScriptEntry(), path);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(has(window, QXC_SHOWERROR));
    EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("language"))->property("text").toString(), QStringLiteral("Skript"));
    QsciScintilla* editor = Editor(window);
    command(window, QXC_SHOWERROR, reinterpret_cast<void*>(intptr_t(9)));
    int line = -1, index = -1;
    editor->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(index, 2);
    EXPECT_NE(editor->markersAtLine(1), 0u);
    EXPECT_EQ(editor->markersAtLine(0), 0u);

    // A second error replaces the first mark; editing clears it.
    command(window, QXC_SHOWERROR, reinterpret_cast<void*>(intptr_t(20)));
    EXPECT_EQ(editor->markersAtLine(1), 0u);
    EXPECT_NE(editor->markersAtLine(2), 0u);
    Type(window, QStringLiteral(" "));
    EXPECT_EQ(editor->markersAtLine(2), 0u);
    EXPECT_FALSE(has(window, QXC_SAVE) && !window->Modified);
}

TEST_F(EditorFixture, GoToLineShowsThePlaceAndClampsToTheText)
{
    const QString path = WriteFile("place.c", "int a;\nint main()\n{ return žx; }\n");
    TQX_PluginWindow* window = Open(TextEntry(), path);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(has(window, QXC_GOTOLINE));
    struct Case {
        int line, column;
        int expectedLine;
        char atCaret; // the character at the caret; '\n' at a line's end, 0 at the text's end
    } cases[] = {
        {3, 11, 2, 'x'},   // line and column from 1, columns in characters
        {2, 0, 1, 'i'},    // no column: the line's start
        {99, 99, 3, 0},    // beyond the text: its end
        {0, -4, 0, 'i'},
        {1, 500, 0, '\n'}, // beyond the line: its end
    };
    QsciScintilla* editor = Editor(window);
    for (const Case& c : cases) {
        TQX_TextPosition place;
        place.Line = c.line;
        place.Column = c.column;
        command(window, QXC_GOTOLINE, &place);
        int line = -1, index = -1;
        editor->getCursorPosition(&line, &index);
        EXPECT_EQ(line, c.expectedLine) << c.line << ":" << c.column;
        const long caret = editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
        EXPECT_EQ(char(editor->SendScintilla(QsciScintillaBase::SCI_GETCHARAT, caret)), c.atCaret)
            << c.line << ":" << c.column;
    }
}

// The host's symbol outline reads the text through QXC_GETTEXT and waits
// for QXNotifyTextChanged to read it again.
TEST_F(EditorFixture, HandsItsTextToTheOutlineAndReportsEveryChange)
{
    struct CountingFrame : TQX_PluginFrame {
        std::vector<TQX_PluginWindow*> changed;
        void DocumentTextChanged(TQX_PluginWindow* window) override { changed.push_back(window); }
    } frame;
    SetPluginFrame(&frame);
    struct Restore {
        ~Restore() { SetPluginFrame(nullptr); }
    } restore;

    const QString path = WriteFile("shape.c", "int area(void);\nint žluť;\n");
    TQX_PluginWindow* window = Open(TextEntry(), path);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(has(window, QXC_GETTEXT));
    TQX_DocumentText text;
    command(window, QXC_GETTEXT, &text);
    EXPECT_EQ(text.Text, QStringLiteral("int area(void);\nint žluť;\n"));
    EXPECT_EQ(text.Language, QStringLiteral("cpp"));
    EXPECT_FALSE(text.TooLong);

    // Over the limit nothing is copied; the size is the stored UTF-8 one.
    TQX_DocumentText limited;
    limited.MaxLength = 10;
    command(window, QXC_GETTEXT, &limited);
    EXPECT_TRUE(limited.TooLong);
    EXPECT_TRUE(limited.Text.isEmpty());
    EXPECT_EQ(limited.Length, 28);

    frame.changed.clear();
    Type(window, QStringLiteral("x"));
    EXPECT_FALSE(frame.changed.empty());
    EXPECT_TRUE(std::all_of(frame.changed.begin(), frame.changed.end(), [&](auto* w) { return w == window; }));
    command(window, QXC_GETTEXT, &text);
    EXPECT_TRUE(text.Text.contains(u'x'));
}

// ---------------------------------------------------------------------------

TEST_F(EditorFixture, PrintShowsAPreviewOfEveryPage)
{
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "printed line " + QByteArray::number(i) + "\n";
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("print.txt", text));
    int pages = 0;
    dialogs->Expect([&](QWidget* dialog) {
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        if (preview) {
            preview->updatePreview();
            pages = preview->pageCount();
        }
        qobject_cast<QDialog*>(dialog)->reject();
    });
    command(window, QXC_PRINT);
    EXPECT_GE(pages, 3);
}

TEST_F(EditorFixture, IndentCommandsShiftTheSelectedLines)
{
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("indent.txt", "a\nb\nc\n"));
    QsciScintilla* editor = Editor(window);
    editor->setIndentationsUseTabs(false);
    editor->setIndentationWidth(4);
    editor->setSelection(0, 0, 2, 0);
    command(window, QXC_INCINDENT);
    EXPECT_EQ(editor->text(), QStringLiteral("    a\n    b\nc\n"));
    command(window, QXC_DECINDENT);
    EXPECT_EQ(editor->text(), QStringLiteral("a\nb\nc\n"));
    EXPECT_EQ(list(window, QXC_UNDOLIST).first(), QStringLiteral("Zmenšení odsazení"));
}

TEST_F(EditorFixture, CtrlWheelZooms)
{
    TQX_PluginWindow* window = Open(TextEntry(), WriteFile("zoom.txt", "zoom\n"));
    QsciScintilla* editor = Editor(window);
    const long before = sci(editor, QsciScintillaBase::SCI_GETZOOM);
    QWidget* target = editor->viewport();
    const QPointF at(10, 10);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    EXPECT_GT(sci(editor, QsciScintillaBase::SCI_GETZOOM), before);
}

TEST_F(EditorFixture, ReloadSettingsAppliesTheSettingsFile)
{
    TQX_PluginWindow* window = Open(TextEntry());
    QsciScintilla* editor = Editor(window);
    {
        QSettings ini(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvix"), QStringLiteral("TextEditor"));
        ini.setValue(QStringLiteral("Editor/TabWidth"), 8);
        ini.setValue(QStringLiteral("Editor/UseSpaces"), false);
        ini.setValue(QStringLiteral("Editor/FontSize"), 14);
        ini.setValue(QStringLiteral("Editor/WrapLines"), true);
    }
    command(window, QXC_RELOADSETTINGS);
    EXPECT_EQ(editor->tabWidth(), 8);
    EXPECT_TRUE(editor->indentationsUseTabs());
    EXPECT_EQ(editor->wrapMode(), QsciScintilla::WrapWord);
    // Values out of range fall back to the defaults.
    {
        QSettings ini(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvix"), QStringLiteral("TextEditor"));
        ini.setValue(QStringLiteral("Editor/TabWidth"), 500);
        ini.setValue(QStringLiteral("Editor/FontSize"), QStringLiteral("nan"));
    }
    command(window, QXC_RELOADSETTINGS);
    EXPECT_EQ(editor->tabWidth(), 4);
    EXPECT_EQ(sci(editor, QsciScintillaBase::SCI_STYLEGETSIZE, QsciScintillaBase::STYLE_DEFAULT), 10);
    QFile::remove(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvix"), QStringLiteral("TextEditor")).fileName());
}

TEST_F(EditorFixture, ContextMenuEditingCommandsAreCzechAndWork)
{
    TQX_PluginWindow* window = Open(TextEntry());
    QsciScintilla* editor = Editor(window);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    // Opens the context menu and, when given an item, chooses it. Returns
    // the editing items ("-" for a separator), each followed by "*" when it
    // is enabled; paste is left out (its state depends on the clipboard).
    auto contextMenu = [editor](const QString& choose = {}) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), editor->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(editor->viewport(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList items;
        if (!menu)
            return items;
        QAction* chosen = nullptr;
        int separators = 0;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() && ++separators > 2)
                break; // the window's own commands follow
            const bool paste = action->text() == QStringLiteral("V&ložit");
            items << (action->isSeparator() ? QStringLiteral("-")
                                            : action->text() + (action->isEnabled() && !paste ? QStringLiteral("*") : QString()));
            if (action->text() == choose)
                chosen = action;
        }
        if (chosen)
            chosen->trigger();
        menu->close();
        return items;
    };
    EXPECT_EQ(contextMenu(), QStringList({"&Zpět", "&Opakovat", "-", "&Vyjmout", "&Kopírovat", "V&ložit", "O&dstranit",
                                 "-", "Vybrat v&še"}));

    editor->setText(QStringLiteral("alfa beta"));
    editor->setSelection(0, 0, 0, 4);
    const QStringList selected = contextMenu(QStringLiteral("&Vyjmout"));
    EXPECT_EQ(selected.mid(3), QStringList({"&Vyjmout*", "&Kopírovat*", "V&ložit", "O&dstranit*", "-", "Vybrat v&še*"}));
    EXPECT_EQ(editor->text(), QStringLiteral(" beta"));
    EXPECT_EQ(contextMenu(QStringLiteral("&Zpět")).value(0), QStringLiteral("&Zpět*"));
    EXPECT_EQ(editor->text(), QStringLiteral("alfa beta"));

    // A read-only document offers only what does not change it.
    editor->setReadOnly(true);
    editor->selectAll();
    EXPECT_EQ(contextMenu().mid(0, 3), QStringList({"&Kopírovat*", "-", "Vybrat v&še*"}));
    editor->setReadOnly(false);
}

} // namespace

// F1 in the script editor opens the host's help at the word under the caret,
// ahead of the host's own F1 (the help contents).
TEST_F(EditorFixture, F1ShowsHelpOnTheWordUnderTheCaret)
{
    const std::string oldProgramDir = GetProgramDirectory();
    SetProgramDirectory(QX_BIN_DIR);
    TQX_PluginWindow* window = Open(ScriptEntry());
    QsciScintilla* editor = Editor(window);
    editor->setText(QStringLiteral("begin\n  if AskUser('Dál?') then\n    Halt;\nend."));
    editor->setFocus();

    const struct {
        int line, index;
        const char* page;
        const char* anchor;
    } cases[] = {
        {1, 6, "AskUser.html", ""},   // inside the word
        {2, 8, "Halt.html", ""},      // just after it
        {1, 3, "jazyk.html", "IF"},   // a keyword
    };
    for (const auto& c : cases) {
        editor->setCursorPosition(c.line, c.index);
        QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(editor, &override);
        EXPECT_TRUE(override.isAccepted()) << "the editor claims F1 before the host's shortcut";
        Key(window, Qt::Key_F1);
        qx::help::THelpViewerForm* viewer = qx::help::THelpViewerForm::Instance();
        ASSERT_TRUE(viewer) << c.page;
        EXPECT_EQ(QFileInfo(viewer->Source().toLocalFile()).fileName(), QString::fromUtf8(c.page));
        EXPECT_EQ(viewer->Source().fragment(), QString::fromUtf8(c.anchor));
        EXPECT_TRUE(viewer->windowTitle().startsWith(QStringLiteral("Nápověda")));
    }
    delete qx::help::THelpViewerForm::Instance();
    SetProgramDirectory(oldProgramDir);
}
