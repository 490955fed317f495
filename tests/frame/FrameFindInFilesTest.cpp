// Find in files from the frame: the command and its key, the dialog with the
// active document's folder, the results panel and opening a result at its line.
#include "ModalAnswers.h"

#include "QX_Types.h"
#include "plugins/PluginWindowList.h"
#include "search/FindInFilesDialog.h"
#include "search/FindInFilesPanel.h"
#include "tools/ExternalTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/ButtonEdits.h"

namespace {

class FrameFindInFilesTest : public AnsweredFrameFixture {
protected:
    std::string probe;
    void SetUp() override
    {
        AnsweredFrameFixture::SetUp();
        probe = InstallProbe("probe.so", "entry=1,Text,0,0,2\n");
    }
};

TEST_F(FrameFindInFilesTest, SearchesTheActiveDocumentsFolderAndOpensAResultAtItsLine)
{
    StartFrame();
    QAction* command = Act(FrameAction::EditFindInFiles);
    EXPECT_EQ(command->shortcut().toString(QKeySequence::PortableText), QStringLiteral("Ctrl+Shift+F"));
    for (QAction* other : frame->ActionList()) {
        if (other != command) {
            EXPECT_NE(other->shortcut(), command->shortcut()) << other->objectName().toStdString();
        }
    }
    EXPECT_TRUE(command->isEnabled());

    const QString first = MakeFile("src/a.txt", "one\ntwo needle\n");
    const QString second = MakeFile("src/sub/b.txt", "needle NEEDLE\n");
    MakeFile("src/c.log", "needle\n");
    MakeFile("src/.git/d.txt", "needle\n");
    const QString folder = FolderOfFile(first);
    TQX_PluginWindow* window = frame->OpenFile(first, TFrameWindowForm::DefaultEntryID());
    ASSERT_NE(window, nullptr);
    window->Commands.Set(QXC_GOTOLINE);

    // A bad expression is refused with its reason and the dialog stays with
    // what was typed; the corrected search starts.
    QString offered;
    modal.answers.push_back([&](QWidget* w) {
        auto* form = qobject_cast<TFindInFilesForm*>(w);
        ASSERT_NE(form, nullptr);
        offered = form->FolderEdit->text();
        form->TextCombo->setCurrentText(QStringLiteral("need(le"));
        form->PatternsCombo->setCurrentText(QStringLiteral("*.txt"));
        form->RegexCheck->setChecked(true);
        // Clicked after this answer returns: the refusal is a dialog of its own.
        QTimer::singleShot(0, form->FindButton, &QPushButton::click);
    });
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::Ok));
    modal.answers.push_back([&](QWidget* w) {
        auto* form = qobject_cast<TFindInFilesForm*>(w);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->PatternsCombo->currentText(), QStringLiteral("*.txt"));
        form->TextCombo->setCurrentText(QStringLiteral("need(le)?"));
        form->FindButton->click();
    });
    command->trigger();
    ASSERT_GE(modal.shown.size(), 3u);
    EXPECT_EQ(modal.shown[0], QStringLiteral("Hledat v souborech"));
    EXPECT_EQ(modal.shown[1],
        QStringLiteral("Hledat v souborech|Chybný regulární výraz na pozici 8: chybí uzavírací závorka )."));
    EXPECT_EQ(QDir::fromNativeSeparators(offered), folder);

    TFindInFilesPanel* panel = frame->FindInFilesPanel();
    EXPECT_EQ(panel->objectName(), QStringLiteral("FindInFilesToolWindow"));
    EXPECT_TRUE(panel->isVisible());
    ASSERT_TRUE(WaitFor([&] { return !panel->IsRunning(); }));
    ASSERT_EQ(panel->ResultCount(), 2);
    EXPECT_EQ(panel->ResultText(0), QStringLiteral("a.txt:2: two needle"));
    EXPECT_EQ(panel->ResultText(1), QStringLiteral("sub/b.txt:1: needle NEEDLE"));
    EXPECT_TRUE(panel->StatusText().contains(QStringLiteral("shod: 2 v souborech: 2"))) << panel->StatusText().toStdString();

    // The search is remembered for the next time.
    const TFindInFilesSettings stored = TFindInFilesSettings::Load();
    EXPECT_EQ(stored.Text, QStringLiteral("need(le)?"));
    EXPECT_EQ(stored.Patterns, QStringLiteral("*.txt"));
    EXPECT_EQ(stored.Folder, folder);
    EXPECT_TRUE(stored.RegularExpression);

    // A click opens the other file at its match; Enter goes to the first
    // line's match in the document already open.
    QListView* view = panel->ResultView();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
    ASSERT_EQ(GetDocumentWindowCount(), 2);
    EXPECT_EQ(GetActiveDocumentWindow()->FileName, second);
    view->setCurrentIndex(view->model()->index(0, 0));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 36 2:5"), 1);
    EXPECT_EQ(GetDocumentWindowCount(), 2);
    EXPECT_EQ(GetActiveDocumentWindow(), window);
}

} // namespace
