// The rich-text editor in a frame: which editor "Otevřít" picks, the
// frame's format, edit and save commands on a selection, the undo list, the
// cookie and find/replace.
#include "AddonFrame.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "platform/FileWrite.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "ui/ColorSelector.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QTest>
#include <QToolButton>

#include <cerrno>
#include <filesystem>

namespace {

const char* kPage = "<html><body><p>Hello world and more</p><p>Second paragraph</p></body></html>";

class RichTextFrame : public AddonFrameFixture {
protected:
    void SetUp() override
    {
        std::vector<std::string> libraries {QX_RICHTEXT_PLUGIN};
#ifdef QX_TEXTEDITOR_PLUGIN
        libraries.push_back(QX_TEXTEDITOR_PLUGIN);
#endif
        StartFrame(libraries);
        rich = Entry(QStringLiteral("Formátovaný text"));
        ASSERT_NE(rich, nullptr);
    }

    TQX_PluginWindow* OpenRich(const QString& fileName) { return Open(fileName, rich->ID); }

    static QTextEdit* Editor(TQX_PluginWindow* window) { return window->findChild<QTextEdit*>(QStringLiteral("editor")); }

    // Selects the characters from..to of the document.
    static void Select(TQX_PluginWindow* window, int from, int to)
    {
        QTextCursor cursor(Editor(window)->document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        Editor(window)->setTextCursor(cursor);
        QApplication::processEvents();
    }

    // The window's undo or redo steps, the next one first, joined by "|".
    static std::string Steps(TQX_PluginWindow* window, uint8_t code)
    {
        QStringList steps;
        window->Command(code, &steps);
        return steps.join(u'|').toStdString();
    }

    static QTextCharFormat FormatAt(const QTextDocument& document, int position)
    {
        QTextCursor cursor(const_cast<QTextDocument*>(&document));
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }

    TQX_PluginEntry* rich = nullptr;
};

#ifdef QX_TEXTEDITOR_PLUGIN
TEST_F(RichTextFrame, OpenGivesHtmlAndMarkdownToTheTextEditorAndTheChoiceToTheUser)
{
    TQX_PluginEntry* text = Entry(QStringLiteral("Textový editor"));
    ASSERT_NE(text, nullptr);
    for (const char* name : {"page.html", "notes.md"}) {
        const QString file = WriteFile(name, "x\n");
        EXPECT_EQ(rich->CanOpenFile(file), 1) << name;
        TQX_PluginWindow* window = Open(file);
        ASSERT_NE(window, nullptr) << name;
        EXPECT_EQ(window->EntryID, text->ID) << name;
    }
}
#endif

TEST_F(RichTextFrame, FormatCommandsOnASelectionAreSavedAsHtml)
{
    const QString file = WriteFile("page.html", kPage);
    TQX_PluginWindow* window = OpenRich(file);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetActiveDocumentWindow(), window);
    EXPECT_FALSE(Enabled(FrameAction::FileSave));
    using A = FrameAction;
    for (FrameAction action : {A::FormatBold, A::FormatItalic, A::FormatUnderline, A::FormatLeftAlign,
             A::FormatCenterAlign, A::FormatRightAlign, A::FormatNoAlign, A::FormatNumBullets, A::FormatBullets,
             A::FormatIncIndent, A::FormatDecIndent, A::FormatBgColor, A::FormatTextColor, A::EditFind, A::EditReplace,
             A::FilePrint, A::FileSaveAs, A::FileSendMailRecipient, A::EditSelectAll})
        EXPECT_TRUE(Enabled(action)) << int(action);

    // Bold and italic by the keys, underline by the host's command.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    Editor(window)->setFocus();
    Select(window, 6, 11); // "world"
    QTest::keyClick(Editor(window), Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(Editor(window), Qt::Key_I, Qt::ControlModifier);
    ASSERT_TRUE(Trigger(FrameAction::FormatUnderline));
    // The text colour from the host's colour selector.
    const QColor chosen = TColorSelectorForm::Palette().at(5);
    modal.answers.push_back([](QWidget* dialog) {
        auto* selector = qobject_cast<TColorSelectorForm*>(dialog);
        ASSERT_NE(selector, nullptr);
        selector->Buttons.at(5)->click();
    });
    ASSERT_TRUE(Trigger(FrameAction::FormatTextColor));
    ASSERT_TRUE(Trigger(FrameAction::FormatCenterAlign));
    // The second paragraph becomes a numbered list.
    Select(window, 25, 25);
    ASSERT_TRUE(Trigger(FrameAction::FormatNumBullets));
    EXPECT_TRUE(window->Modified);
    EXPECT_TRUE(Enabled(FrameAction::FileSave));
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_FALSE(window->Modified);

    QTextDocument saved;
    saved.setHtml(QString::fromUtf8(ReadBytes(file)));
    ASSERT_EQ(saved.toPlainText(), QStringLiteral("Hello world and more\nSecond paragraph"));
    const QTextCharFormat world = FormatAt(saved, 6);
    EXPECT_EQ(world.fontWeight(), QFont::Bold);
    EXPECT_TRUE(world.fontItalic());
    EXPECT_TRUE(world.fontUnderline());
    EXPECT_EQ(world.foreground().color(), chosen);
    // Only the selection: the words around it stay plain.
    EXPECT_EQ(FormatAt(saved, 0).fontWeight(), QFont::Normal);
    EXPECT_FALSE(FormatAt(saved, 12).fontItalic());
    EXPECT_EQ(saved.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    ASSERT_NE(saved.lastBlock().textList(), nullptr);
    EXPECT_EQ(saved.lastBlock().textList()->format().style(), QTextListFormat::ListDecimal);
}

TEST_F(RichTextFrame, ListsIndentAndAlignmentToggle)
{
    TQX_PluginWindow* window = OpenRich(WriteFile("page.html", kPage));
    ASSERT_NE(window, nullptr);
    QTextDocument* document = Editor(window)->document();
    Select(window, 0, 25); // both paragraphs
    ASSERT_TRUE(Trigger(FrameAction::FormatBullets));
    ASSERT_NE(document->begin().textList(), nullptr);
    EXPECT_EQ(document->begin().textList(), document->lastBlock().textList());
    EXPECT_EQ(document->begin().textList()->format().style(), QTextListFormat::ListDisc);
    ASSERT_TRUE(Trigger(FrameAction::FormatNumBullets));
    EXPECT_EQ(document->begin().textList()->format().style(), QTextListFormat::ListDecimal);
    ASSERT_TRUE(Trigger(FrameAction::FormatIncIndent));
    EXPECT_EQ(document->begin().textList()->format().indent(), 2);
    ASSERT_TRUE(Trigger(FrameAction::FormatDecIndent));
    ASSERT_TRUE(Trigger(FrameAction::FormatDecIndent));
    EXPECT_EQ(document->begin().textList(), nullptr);
    ASSERT_TRUE(Trigger(FrameAction::FormatIncIndent));
    EXPECT_EQ(document->begin().blockFormat().indent(), 1);
    ASSERT_TRUE(Trigger(FrameAction::FormatRightAlign));
    EXPECT_EQ(document->lastBlock().blockFormat().alignment() & Qt::AlignRight, Qt::AlignRight);
    ASSERT_TRUE(Trigger(FrameAction::FormatNoAlign));
    EXPECT_FALSE(document->lastBlock().blockFormat().hasProperty(QTextFormat::BlockAlignment));
}

TEST_F(RichTextFrame, UndoListNamesEachStepAndTheFrameUndoesThem)
{
    TQX_PluginWindow* window = OpenRich(WriteFile("page.html", kPage));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->Commands.Contains(QXC_UNDOLIST));
    Select(window, 0, 5);
    ASSERT_TRUE(Trigger(FrameAction::FormatBold));
    ASSERT_TRUE(Trigger(FrameAction::FormatItalic));
    ASSERT_TRUE(Trigger(FrameAction::FormatCenterAlign));
    const QString text = QStringLiteral("€");
    window->Command(QXC_INSERTTEXT, const_cast<char16_t*>(reinterpret_cast<const char16_t*>(text.utf16())));
    EXPECT_EQ(Steps(window, QXC_UNDOLIST),
        "Vložení znaku|Zarovnání na střed|Kurzíva|Tučné písmo");
    EXPECT_TRUE(Editor(window)->toPlainText().startsWith(QStringLiteral("€ world")));

    ASSERT_TRUE(Trigger(FrameAction::EditUndo));
    ASSERT_TRUE(Trigger(FrameAction::EditUndo));
    EXPECT_EQ(Steps(window, QXC_UNDOLIST), "Kurzíva|Tučné písmo");
    EXPECT_EQ(Steps(window, QXC_REDOLIST), "Zarovnání na střed|Vložení znaku");
    EXPECT_TRUE(Editor(window)->toPlainText().startsWith(QStringLiteral("Hello")));
    ASSERT_TRUE(Trigger(FrameAction::EditRedo));
    EXPECT_EQ(Steps(window, QXC_REDOLIST), "Vložení znaku");
    // A new step drops what could have been redone.
    Select(window, 12, 15);
    ASSERT_TRUE(Trigger(FrameAction::FormatUnderline));
    EXPECT_EQ(Steps(window, QXC_UNDOLIST), "Podtržení|Zarovnání na střed|Kurzíva|Tučné písmo");
    EXPECT_FALSE(window->Commands.Contains(QXC_REDOLIST));
}

TEST_F(RichTextFrame, MarkdownIsSavedAndWhatItCannotKeepIsAskedFirst)
{
    const QString file = WriteFile("notes.md", "# Notes\n\nplain words here\n");
    TQX_PluginWindow* window = OpenRich(file);
    ASSERT_NE(window, nullptr);
    Select(window, 6, 11); // "plain"
    ASSERT_TRUE(Trigger(FrameAction::FormatBold));
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_EQ(ReadBytes(file), QByteArray("# Notes\n\n**plain** words here\n"));

    // Underline has no Markdown: the user is asked, and "Ne" keeps the file.
    Select(window, 12, 17);
    ASSERT_TRUE(Trigger(FrameAction::FormatUnderline));
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::No));
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_EQ(ReadBytes(file), QByteArray("# Notes\n\n**plain** words here\n"));
    EXPECT_TRUE(window->Modified);
}

// A write that fails (as on a full disk or a failing device) leaves the file
// as it was, and the user reads why, with the file's name.
TEST_F(RichTextFrame, AFailedSaveKeepsTheFileAndSaysWhy)
{
    const QString file = WriteFile("dopis.md", "# Dopis\n\npůvodní text\n");
    TQX_PluginWindow* window = OpenRich(file);
    ASSERT_NE(window, nullptr);
    Select(window, 6, 13); // "původní"
    ASSERT_TRUE(Trigger(FrameAction::FormatBold));
    struct Reset {
        ~Reset() { qx::FailFileWritesForTesting(0); }
    } reset;
    qx::FailFileWritesForTesting(ENOSPC);
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::Ok));
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_TRUE(modal.shown[0].contains(QStringLiteral("/dopis.md“"))) << modal.shown[0].toStdString();
    EXPECT_TRUE(modal.shown[0].contains(QStringLiteral("na disku není volné místo"))) << modal.shown[0].toStdString();
    EXPECT_EQ(ReadBytes(file), QByteArray("# Dopis\n\npůvodní text\n"));
    EXPECT_TRUE(window->Modified);
    qx::FailFileWritesForTesting(0);
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_EQ(ReadBytes(file), QByteArray("# Dopis\n\n**původní** text\n"));
}

TEST_F(RichTextFrame, NewDocumentIsSavedAsOpenDocumentText)
{
    TQX_PluginWindow* window = rich->Launch(QString());
    ASSERT_NE(window, nullptr);
    QApplication::processEvents();
    Editor(window)->insertPlainText(QStringLiteral("Dopis"));
    const QString target = QString::fromStdString(home.dir().file("dopis.odt"));
    modal.answers.push_back(ModalAnswers::File(target));
    ASSERT_TRUE(Trigger(FrameAction::FileSave));
    EXPECT_TRUE(ReadBytes(target).startsWith("PK"));
    EXPECT_EQ(window->FileName, target);
    EXPECT_FALSE(window->Modified);
}

TEST_F(RichTextFrame, MailSavesFirstAndAttachesTheFile)
{
    // A mail client that records what it was asked to send.
    const std::string bin = home.dir().file("bin");
    std::filesystem::create_directories(bin);
    const std::string record = home.dir().file("mail.txt");
    // It stays running, as where it runs the mail client and waits for it.
    qxtest::WriteFile(bin + "/xdg-email", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" + record
            + ".part'\nmv '" + record + ".part' '" + record + "'\nsleep 20\ntouch '" + record + ".end'\n");
    std::filesystem::permissions(bin + "/xdg-email", std::filesystem::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin) + ':' + path);

    const QString file = WriteFile("page.html", kPage);
    TQX_PluginWindow* window = OpenRich(file);
    ASSERT_NE(window, nullptr);
    Select(window, 0, 5);
    ASSERT_TRUE(Trigger(FrameAction::FormatBold));
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::Yes));
    ASSERT_TRUE(Trigger(FrameAction::FileSendMailRecipient));
    qputenv("PATH", path);
    // Handed over without waiting for the client, which is still open.
    EXPECT_FALSE(std::filesystem::exists(record + ".end"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(record); }, 5000));

    EXPECT_FALSE(window->Modified);
    EXPECT_TRUE(ReadBytes(file).contains("font-weight:700")) << ReadBytes(file).toStdString();
    const QString sent = QString::fromUtf8(ReadBytes(QString::fromStdString(record)));
    EXPECT_TRUE(sent.startsWith(QStringLiteral("--subject\npage.html\n--body\nHello world and more\n"))) << sent.toStdString();
    EXPECT_TRUE(sent.endsWith(QStringLiteral("--attach\n") + file + u'\n')) << sent.toStdString();
}

TEST_F(RichTextFrame, CaretComesBackFromTheCookie)
{
    const QString file = WriteFile("page.html", kPage);
    TQX_PluginWindow* window = OpenRich(file);
    ASSERT_NE(window, nullptr);
    Select(window, 6, 11);
    ASSERT_TRUE(Trigger(FrameAction::WindowClose));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(GetDocumentWindowCount(), 0);

    TQX_PluginWindow* again = OpenRich(file);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Editor(again)->textCursor().selectedText(), QStringLiteral("world"));
}

TEST_F(RichTextFrame, ReplaceAllIsOneUndoStep)
{
    TQX_PluginWindow* window = OpenRich(WriteFile("page.html", kPage));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Trigger(FrameAction::EditReplace));
    QWidget* dialog = window->findChild<QDialog*>(QStringLiteral("RichFindDialog"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Nahradit"));
    // Finding goes round past the end and says so.
    auto* status = dialog->findChild<QLabel*>(QStringLiteral("FindStatus"));
    dialog->findChild<QLineEdit*>(QStringLiteral("FindEdit"))->setText(QStringLiteral("Second"));
    Select(window, 30, 30);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Najít &další"))
                button->click();
        EXPECT_EQ(Editor(window)->textCursor().selectedText(), QStringLiteral("Second"));
        EXPECT_EQ(status->text(), QStringLiteral("Hledání pokračovalo od začátku dokumentu."));
    }
    dialog->findChild<QLineEdit*>(QStringLiteral("FindEdit"))->setText(QStringLiteral("o"));
    dialog->findChild<QLineEdit*>(QStringLiteral("ReplaceEdit"))->setText(QStringLiteral("0"));
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Nahradit &vše"))
            button->click();
    EXPECT_EQ(Editor(window)->toPlainText(), QStringLiteral("Hell0 w0rld and m0re\nSec0nd paragraph"));
    EXPECT_EQ(Steps(window, QXC_UNDOLIST), "Nahrazení všech výskytů");
    ASSERT_TRUE(Trigger(FrameAction::EditUndo));
    EXPECT_EQ(Editor(window)->toPlainText(), QStringLiteral("Hello world and more\nSecond paragraph"));
}

} // namespace
