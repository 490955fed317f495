// The editor windows' files: every format saved byte for byte, bad files,
// closing, saving and Save As, a full disk, and changes made on the disk.
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

} // namespace
