// The editor plug-in loaded into the host: its entries, the windows'
// commands and state, and files saved byte for byte.
#include "EditorTestSupport.h"

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

QByteArray bytes(const char* text, size_t size)
{
    return QByteArray(text, qsizetype(size));
}
#define B(literal) bytes(literal, sizeof(literal) - 1)

void command(TQX_PluginWindow* window, uint8_t code, void* param = nullptr)
{
    window->Command(code, param);
    QApplication::processEvents();
}

bool has(TQX_PluginWindow* window, int code)
{
    return window->Commands.Contains(code);
}

long sci(QsciScintilla* editor, unsigned int message, long w = 0, long l = 0)
{
    return editor->SendScintilla(message, static_cast<unsigned long>(w), l);
}

QStringList list(TQX_PluginWindow* window, uint8_t code)
{
    QStringList steps {QStringLiteral("stale")};
    window->Command(code, &steps);
    return steps;
}

// ---------------------------------------------------------------------------

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
// Files of every format come back unchanged, and edits keep the format.

struct FileCase {
    const char* name;
    QByteArray original;
    // The file after typing "ž" and Enter at the start of the document.
    QByteArray edited;
    const char* encoding;
    const char* lineEnd;
};

void PrintTo(const FileCase& c, std::ostream* os)
{
    *os << c.name;
}

class FileFormats : public EditorFixture, public ::testing::WithParamInterface<FileCase> {};

TEST_P(FileFormats, SaveKeepsEncodingAndLineEnds)
{
    const FileCase& c = GetParam();
    const QString path = WriteFile(std::string("doc-") + c.name + ".txt", c.original);
    TQX_PluginWindow* window = Open(TextEntry(), path);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->FileName, path);
    EXPECT_FALSE(window->Modified);
    EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("encoding"))->property("text").toString(),
        QString::fromUtf8(c.encoding));
    EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("lineEnd"))->property("text").toString(),
        QString::fromUtf8(c.lineEnd));

    // An edit undone by hand still counts as a change; saving it writes the
    // same bytes.
    Type(window, QStringLiteral("q"));
    Key(window, Qt::Key_Backspace);
    EXPECT_TRUE(window->Modified);
    command(window, QXC_SAVE);
    EXPECT_FALSE(window->Modified);
    EXPECT_EQ(ReadBytes(path), c.original);

    Editor(window)->setCursorPosition(0, 0);
    Type(window, QStringLiteral("ž"));
    Key(window, Qt::Key_Return);
    command(window, QXC_SAVE);
    EXPECT_EQ(ReadBytes(path).toHex(' '), c.edited.toHex(' '));

    // Opened again, the saved file reads as the same text in the same format.
    const QString text = Editor(window)->text();
    delete window;
    TQX_PluginWindow* again = Open(TextEntry(), path);
    EXPECT_EQ(Editor(again)->text(), text);
    EXPECT_EQ(again->findChild<QWidget*>(QStringLiteral("encoding"))->property("text").toString(),
        QString::fromUtf8(c.encoding));
    EXPECT_EQ(again->findChild<QWidget*>(QStringLiteral("lineEnd"))->property("text").toString(),
        QString::fromUtf8(c.lineEnd));
}

INSTANTIATE_TEST_SUITE_P(Editor, FileFormats,
    ::testing::Values(
        FileCase {"Utf8Lf", B("první\ndruhý\n"), B("ž\nprvní\ndruhý\n"), "UTF-8", "LF"},
        FileCase {"Utf8BomCrLf", B("\xEF\xBB\xBF" "a\r\nb\r\n"), B("\xEF\xBB\xBF\xC5\xBE\r\na\r\nb\r\n"), "UTF-8 s BOM",
            "CR LF"},
        FileCase {"Utf8NoFinalBreak", B("end"), B("\xC5\xBE\nend"), "UTF-8", "LF"},
        FileCase {"Utf16LeCrLf", B("\xFF\xFE" "a\0\r\0\n\0"), B("\xFF\xFE\x7E\x01\r\0\n\0" "a\0\r\0\n\0"), "UTF-16 LE",
            "CR LF"},
        FileCase {"Utf16BeLf", B("\xFE\xFF\0a\0\n"), B("\xFE\xFF\x01\x7E\0\n\0a\0\n"), "UTF-16 BE", "LF"},
        FileCase {"Windows1250Cr", B("\xE8\r"), B("\x9E\r\xE8\r"), "Windows-1250", "CR"},
        // "šč" in ISO-8859-2, recognised by its "š".
        FileCase {"Iso8859_2Lf", B("\xB9\xE8\n"), B("\xBE\n\xB9\xE8\n"), "ISO-8859-2", "LF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorFixture, UnencodableCharacterOffersUtf8)
{
    const QString path = WriteFile("legacy.txt", B("\xE8\n"));
    TQX_PluginWindow* window = Open(TextEntry(), path);
    Editor(window)->setCursorPosition(0, 1);
    Type(window, QStringLiteral("Ж"));
    dialogs->ExpectButton(QStringLiteral("Ano"));
    command(window, QXC_SAVE);
    ASSERT_EQ(dialogs->Texts.size(), 1);
    EXPECT_TRUE(dialogs->Texts[0].contains(QStringLiteral("Windows-1250"))) << dialogs->Texts[0].toStdString();
    EXPECT_EQ(ReadBytes(path), B("\xC4\x8D\xD0\x96\n"));
    EXPECT_FALSE(window->Modified);

    // Declining leaves the file alone and the document unsaved.
    const QString other = WriteFile("legacy2.txt", B("\xE8\n"));
    TQX_PluginWindow* second = Open(TextEntry(), other);
    Type(second, QStringLiteral("Ж"));
    dialogs->ExpectButton(QStringLiteral("Ne"));
    command(second, QXC_SAVE);
    EXPECT_EQ(ReadBytes(other), B("\xE8\n"));
    EXPECT_TRUE(second->Modified);
}

TEST_F(EditorFixture, BadFilesGetAMessageAndChangeNothing)
{
    // Binary data: the user is asked first.
    const QString binary = WriteFile("blob.dat", B("\x01\x02\0\x03"));
    dialogs->ExpectButton(QStringLiteral("Ne"));
    TQX_PluginWindow* refused = Open(TextEntry(), binary);
    ASSERT_NE(refused, nullptr);
    EXPECT_TRUE(refused->FileName.isEmpty());
    EXPECT_EQ(Editor(refused)->length(), 0);

    // Accepted, the bytes survive a save, zero bytes included.
    dialogs->ExpectButton(QStringLiteral("Ano"));
    TQX_PluginWindow* opened = Open(TextEntry(), binary);
    EXPECT_EQ(opened->FileName, binary);
    Type(opened, QStringLiteral("x"));
    Key(opened, Qt::Key_Backspace);
    command(opened, QXC_SAVE);
    EXPECT_EQ(ReadBytes(binary), B("\x01\x02\0\x03"));

    // Too large: refused without reading it.
    const QString huge = WriteFile("huge.txt", QByteArray());
    ASSERT_TRUE(QFile::resize(huge, (qint64(1) << 30) + 1));
    dialogs->ExpectButton(QStringLiteral("OK"));
    TQX_PluginWindow* tooBig = Open(TextEntry(), huge);
    EXPECT_TRUE(tooBig->FileName.isEmpty());
    EXPECT_TRUE(dialogs->Texts.last().contains(QStringLiteral("příliš velký"))) << dialogs->Texts.last().toStdString();

    // Broken UTF-16: shown, but read-only so that saving cannot damage it.
    const QString broken = WriteFile("broken.txt", B("\xFF\xFE" "a\0\x3D\xD8" "b\0"));
    dialogs->ExpectButton(QStringLiteral("OK"));
    TQX_PluginWindow* lossy = Open(TextEntry(), broken);
    EXPECT_TRUE(Editor(lossy)->isReadOnly());
    EXPECT_FALSE(has(lossy, QXC_PASTE));
    EXPECT_FALSE(has(lossy, QXC_REPLACE));
    Type(lossy, QStringLiteral("zzz"));
    EXPECT_FALSE(lossy->Modified);

    // A missing file.
    dialogs->ExpectButton(QStringLiteral("OK"));
    TQX_PluginWindow* missing = Open(TextEntry(), QString::fromStdString(home.dir().file("nope.txt")));
    EXPECT_TRUE(missing->FileName.isEmpty());
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

TEST_F(EditorFixture, CloseQueryAsksWhetherToSave)
{
    const QString path = WriteFile("close.txt", "original\n");
    QPointer<TQX_PluginWindow> window = Open(TextEntry(), path);
    Type(window, QStringLiteral("changed "));

    dialogs->ExpectButton(QStringLiteral("Storno"));
    EXPECT_FALSE(window->close());
    QApplication::processEvents();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(dialogs->Texts.last().contains(QStringLiteral("close.txt")));
    EXPECT_TRUE(dialogs->Texts.last().contains(QStringLiteral("Chcete změny uložit?")));

    dialogs->ExpectButton(QStringLiteral("Ne"));
    EXPECT_TRUE(window->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(ReadBytes(path), QByteArray("original\n"));

    // (The cookie put the caret where it was; go to the start.)
    QPointer<TQX_PluginWindow> again = Open(TextEntry(), path);
    Editor(again)->setCursorPosition(0, 0);
    Type(again, QStringLiteral("saved "));
    dialogs->ExpectButton(QStringLiteral("Ano"));
    EXPECT_TRUE(again->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(again.isNull());
    EXPECT_EQ(ReadBytes(path), QByteArray("saved original\n"));

    // An unchanged document closes without a question.
    QPointer<TQX_PluginWindow> clean = Open(TextEntry(), path);
    EXPECT_TRUE(clean->close());
}

TEST_F(EditorFixture, SaveAsNamesTheDocument)
{
    TQX_PluginWindow* window = Open(TextEntry());
    Type(window, QStringLiteral("int x;"));
    int notified = 0;
    window->OnStateChange = [&](TQX_PluginWindow*) { ++notified; };
    const QString target = QString::fromStdString(home.dir().file("named.cpp"));
    dialogs->Expect([&](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        // The name goes into the name field itself: selectFile() leaves that
        // field alone while it has the keyboard focus, and whether it has it
        // depends on when the window system activated the dialog.
        files->setDirectory(QFileInfo(target).absolutePath());
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QFileInfo(target).fileName());
        static_cast<QDialog*>(files)->accept();
    });
    command(window, QXC_SAVE);
    EXPECT_EQ(window->FileName, target);
    EXPECT_FALSE(window->Modified);
    EXPECT_GT(notified, 0);
    EXPECT_EQ(ReadBytes(target), QByteArray("int x;"));
    // Named ".cpp" now: highlighted as C++.
    EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("language"))->property("text").toString(), QStringLiteral("C/C++"));
}

// Save As of a new script starts in the folder the host's script menus list;
// of a new text, in the user's home.
TEST_F(EditorFixture, SaveAsOfANewScriptProposesTheScriptsFolder)
{
    const QString scripts = QString::fromStdString(GetScriptsDir());
    ASSERT_TRUE(QDir().mkpath(scripts));
    struct Case {
        TQX_PluginEntry* entry;
        QString folder;
    } cases[] = {{ScriptEntry(), scripts}, {TextEntry(), QDir::homePath()}};
    for (const Case& c : cases) {
        TQX_PluginWindow* window = Open(c.entry);
        QString proposed;
        dialogs->Expect([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            ASSERT_NE(files, nullptr);
            proposed = files->directory().absolutePath();
            files->reject();
        });
        command(window, QXC_SAVEAS);
        EXPECT_EQ(dialogs->Pending(), 0);
        EXPECT_EQ(QFileInfo(proposed).canonicalFilePath(), QFileInfo(c.folder).canonicalFilePath())
            << c.folder.toStdString();
        EXPECT_TRUE(window->FileName.isEmpty());
    }
}

TEST_F(EditorFixture, SaveReplacesTheFileAtomically)
{
    namespace fs = std::filesystem;
    const fs::path dir = home.dir().path() / "atomic";
    fs::create_directory(dir);
    const QString real = QString::fromStdString((dir / "real.txt").string());
    {
        QFile f(real);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("one\n");
    }
    fs::permissions(real.toStdString(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.txt", dir / "link.txt");

    TQX_PluginWindow* window = Open(TextEntry(), QString::fromStdString((dir / "link.txt").string()));
    Type(window, QStringLiteral("zero "));
    command(window, QXC_SAVE);
    EXPECT_EQ(ReadBytes(real), QByteArray("zero one\n"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(fs::status(real.toStdString()).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Nothing left beside the file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

    // A save that cannot be written says so and keeps the document unsaved.
    fs::remove_all(dir);
    Type(window, QStringLiteral("more "));
    dialogs->ExpectButton(QStringLiteral("OK"));
    command(window, QXC_SAVE);
    EXPECT_TRUE(dialogs->Texts.last().contains(QStringLiteral("nelze uložit"))) << dialogs->Texts.last().toStdString();
    EXPECT_TRUE(window->Modified);
    EXPECT_TRUE(has(window, QXC_SAVE));
}

// On a full disk the save fails, says so in Czech with the file's name and
// the reason, and the file on the disk keeps its old text (small and larger
// writes alike); once there is room again the save goes through.
TEST_F(EditorFixture, SaveOntoAFullDiskKeepsTheOldFile)
{
    qxtest::FullDisk disk;
    QX_SKIP_WITHOUT_FULL_DISK(disk);
    const QString path = QString::fromStdString(disk.file("plný.txt"));
    const QByteArray old(3000, 'o');
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
    }
    TQX_PluginWindow* window = Open(TextEntry(), path);
    disk.Fill();
    for (int size : {100, 16000}) {
        Editor(window)->setText(QString(size - 1, QLatin1Char('n')));
        Type(window, QStringLiteral("n"));
        dialogs->ExpectButton(QStringLiteral("OK"));
        command(window, QXC_SAVE);
        ASSERT_FALSE(dialogs->Texts.isEmpty());
        const QString message = dialogs->Texts.last();
        EXPECT_TRUE(message.contains(QStringLiteral("plný.txt“"))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("na disku není volné místo"))) << message.toStdString();
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_TRUE(window->Modified);
    }
    disk.Free();
    command(window, QXC_SAVE);
    EXPECT_EQ(ReadBytes(path), QByteArray(16000, 'n'));
    EXPECT_FALSE(window->Modified);
}

// ---------------------------------------------------------------------------

class DiskChanges : public EditorFixture {
protected:
    // Another top-level window takes the activation, then the editor gets it
    // back, as when the user returns from another program.
    void Reactivate(TQX_PluginWindow* window)
    {
        QWidget other;
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::qWait(50);
    }

    // Rewrites the file with another size, so the change is visible at once.
    void Rewrite(const QString& path, const QByteArray& content)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
};

TEST_F(DiskChanges, NoticedWhenTheWindowIsActivated)
{
    const QString path = WriteFile("watched.txt", "first\nsecond\n");
    TQX_PluginWindow* window = Open(TextEntry(), path);
    Reactivate(window);
    EXPECT_TRUE(dialogs->Texts.isEmpty());

    Rewrite(path, "first\nsecond\nthird line\n");
    dialogs->ExpectButton(QStringLiteral("Ano"));
    Reactivate(window);
    ASSERT_EQ(dialogs->Texts.size(), 1);
    EXPECT_TRUE(dialogs->Texts[0].contains(QStringLiteral("změněn jiným programem")));
    EXPECT_EQ(Editor(window)->text(), QStringLiteral("first\nsecond\nthird line\n"));
    EXPECT_FALSE(window->Modified);

    // Kept text over a changed file: still unsaved, and asked only once.
    Type(window, QStringLiteral("mine "));
    Rewrite(path, "theirs\n");
    dialogs->ExpectButton(QStringLiteral("Ne"));
    Reactivate(window);
    EXPECT_TRUE(Editor(window)->text().startsWith(QStringLiteral("mine first")));
    EXPECT_TRUE(window->Modified);
    Reactivate(window);
    EXPECT_EQ(dialogs->Texts.size(), 2);
    // The user chose to keep the text: saving needs no second question.
    command(window, QXC_SAVE);
    EXPECT_EQ(dialogs->Texts.size(), 2);
    EXPECT_EQ(ReadBytes(path), QByteArray("mine first\nsecond\nthird line\n"));

    // A change the window has not seen yet (saving a background document):
    // asked before it is overwritten.
    Rewrite(path, "changed again\n");
    Type(window, QStringLiteral("x"));
    dialogs->ExpectButton(QStringLiteral("Ne"));
    command(window, QXC_SAVE);
    EXPECT_TRUE(dialogs->Texts.last().contains(QStringLiteral("přepsat"))) << dialogs->Texts.last().toStdString();
    EXPECT_EQ(ReadBytes(path), QByteArray("changed again\n"));
    dialogs->ExpectButton(QStringLiteral("Ano"));
    command(window, QXC_SAVE);
    EXPECT_EQ(ReadBytes(path), QByteArray("mine xfirst\nsecond\nthird line\n"));

    // A deleted file: the text stays and counts as unsaved.
    QFile::remove(path);
    dialogs->ExpectButton(QStringLiteral("OK"));
    Reactivate(window);
    EXPECT_TRUE(dialogs->Texts.last().contains(QStringLiteral("smazán")));
    EXPECT_TRUE(window->Modified);
    command(window, QXC_SAVE);
    EXPECT_EQ(ReadBytes(path), QByteArray("mine xfirst\nsecond\nthird line\n"));
}

TEST_F(DiskChanges, NoticedWhenItsDocumentBecomesTheCurrentOne)
{
    // In the host's document area the frame stays active; switching
    // documents is what activates a window.
    QWidget frame;
    auto* area = new QMdiArea(&frame);
    frame.resize(800, 600);
    area->resize(800, 600);
    const QString path = WriteFile("first.txt", "one\n");
    TQX_PluginWindow* first = Open(TextEntry(), path);
    TQX_PluginWindow* second = Open(TextEntry(), WriteFile("second.txt", "two\n"));
    QMdiSubWindow* firstSub = area->addSubWindow(first);
    QMdiSubWindow* secondSub = area->addSubWindow(second);
    frame.show();
    firstSub->show();
    secondSub->show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    area->setActiveSubWindow(firstSub);
    QTest::qWait(20);
    area->setActiveSubWindow(secondSub);
    QTest::qWait(20);
    EXPECT_TRUE(dialogs->Texts.isEmpty());

    Rewrite(path, "one and more\n");
    dialogs->ExpectButton(QStringLiteral("Ano"));
    area->setActiveSubWindow(firstSub);
    QTest::qWait(50);
    EXPECT_EQ(dialogs->Texts.size(), 1);
    EXPECT_EQ(Editor(first)->text(), QStringLiteral("one and more\n"));
    // The windows belong to the test's document area, not to the host.
    delete firstSub;
    delete secondSub;
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

// ---------------------------------------------------------------------------
// The status bar's menus, go to line and the settings dialog.

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
