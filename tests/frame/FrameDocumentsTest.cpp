// The documents panel in the frame: the stored list and style, the two
// groups, the bold active document, clicks, the five Docs commands and the
// arrange and style dialogs. Documents are opened by the probe plug-in; the
// dialogs are answered by the test.
#include "FrameFixture.h"
#include "ModalAnswers.h"

#include "QX_Types.h"
#include "files/ExtOpenDialog.h"
#include "frame/ArrangeDocs.h"
#include "frame/CustomizeDocs.h"
#include "frame/FrameDocuments.h"
#include "frame/RecentFiles.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "plugins/PluginWindowList.h"
#include "ui/QXListView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(DocumentsText, LinesSplitAtEveryBreakAndAreWrittenWithCrLf)
{
    struct Case {
        const char* name;
        std::string stored;
        QStringList paths;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"CR LF", "/a\r\n/b\r\n", {"/a", "/b"}},
        {"LF only, no final break", "/a\n/b", {"/a", "/b"}},
        {"lone CR", "/a\r/b\r", {"/a", "/b"}},
        {"empty line in the middle", "/a\r\n\r\n/b\r\n", {"/a", "", "/b"}},
        {"NUL ends the text", std::string("/a\r\n/b\0/c\r\n", 12), {"/a", "/b"}},
        {"UTF-8", "/tmp/Žluťoučký kůň.txt\r\n", {QStringLiteral("/tmp/Žluťoučký kůň.txt")}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitDocumentsText(c.stored), c.paths) << c.name;
        EXPECT_EQ(SplitDocumentsText(JoinDocumentsText(c.paths)), c.paths) << c.name;
    }
    EXPECT_EQ(JoinDocumentsText({"/a", "/b"}), "/a\r\n/b\r\n");
    EXPECT_EQ(JoinDocumentsText({}), "");
}

class FrameDocumentsTest : public FrameFixture, protected ModalAnswers {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    }

    void TearDown() override
    {
        StopAnswering();
        FrameFixture::TearDown();
    }

    void Start()
    {
        StartFrame();
        StartAnswering();
    }

    TQXListView* List() const { return frame->DocQXListView(); }

    // The panel's rows, headers included; bold items are marked with "*".
    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < List()->Count(); ++i)
            rows.append(List()->Item(i).Caption + (List()->Item(i).Bold ? QStringLiteral("*") : QString()));
        return rows;
    }

    static void Store(const char* key, const std::function<void(qx::Registry&)>& write)
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        write(reg);
    }

    static std::string StoredDocs()
    {
        qx::Registry reg;
        return reg.OpenKey(kDocumentsKey, false) && reg.ValueExists("Docs") ? reg.ReadString("Docs") : "<none>";
    }

    // Clicks the caption of the list item at index, which must be on screen.
    static void ClickItem(TQXListView* list, int index)
    {
        for (int row = 0; row < list->RowCount(); ++row) {
            if (list->ItemAtRow(row) != index)
                continue;
            const QPoint pos(40, TQXListView::kStripHeight + 1 + row * TQXListView::kRowHeight + 10);
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, pos, list->mapToGlobal(pos), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(list, &event);
            }
            return;
        }
        ADD_FAILURE() << "item " << index << " is not on screen";
    }

    void ShowPanel()
    {
        frame->DocumentsToolbar()->show();
        List()->resize(200, 400);
        QCoreApplication::processEvents();
    }

    void Run(FrameAction id)
    {
        Act(id)->trigger();
        FlushUpdate();
        EXPECT_TRUE(answers.empty()) << FrameActionDef(id).name << ": a dialog did not appear";
    }

    QString EventLog() const
    {
        return QString::fromStdString(qxtest::ReadFile(GetEventLogFileName()));
    }
};

TEST_F(FrameDocumentsTest, StoredListAndStyleFillThePanelAndAreWrittenBack)
{
    Store(kDocumentsKey, [](qx::Registry& r) { r.WriteString("Docs", "/x/a.txt\n/x/b.txt"); });
    Store(kDocumentStyleKey, [](qx::Registry& r) { r.WriteInteger("DocStyleIndex", 2); });
    Start();
    EXPECT_EQ(frame->DocumentsList(), QStringList({"/x/a.txt", "/x/b.txt"}));
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "a.txt", "b.txt", "Historie"}));
    EXPECT_EQ(List()->Item(0).ImageIndex, 5);
    EXPECT_EQ(List()->Item(3).ImageIndex, 4);
    EXPECT_EQ(List()->GetItemHint(2), QStringLiteral("/x/b.txt"));
    EXPECT_TRUE(List()->Item(2).UseSystemIcon);
    EXPECT_TRUE(List()->Item(0).Expanded);
    EXPECT_TRUE(Act(FrameAction::DocsClear)->isEnabled());
    EXPECT_TRUE(Act(FrameAction::DocsArrange)->isEnabled());

    frame->SaveDocuments();
    EXPECT_EQ(StoredDocs(), "/x/a.txt\r\n/x/b.txt\r\n");

    // The script API replaces the list; the panel follows.
    frame->SetDocumentsList({});
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "Historie"}));
    EXPECT_FALSE(Act(FrameAction::DocsClear)->isEnabled());
    EXPECT_FALSE(Act(FrameAction::DocsArrange)->isEnabled());
    frame->SaveDocuments();
    EXPECT_EQ(StoredDocs(), "");
    qx::Registry reg;
    ASSERT_TRUE(reg.OpenKey(kDocumentStyleKey, false));
    EXPECT_EQ(reg.ReadInteger("DocStyleIndex"), 2);
}

TEST_F(FrameDocumentsTest, BrokenStoredValuesAreReportedAndWhatWasReadIsShown)
{
    struct Case {
        const char* name;
        std::function<void(qx::Registry&)> docs, style;
        bool warned;
        QStringList rows;
    };
    const Case cases[] = {
        {"style of another type", [](qx::Registry& r) { r.WriteString("Docs", "/x/a.txt\r\n"); },
            [](qx::Registry& r) { r.WriteString("DocStyleIndex", "2"); }, true, {"Dokumenty", "a.txt", "Historie"}},
        {"list of another type", [](qx::Registry& r) { r.WriteInteger("Docs", 7); },
            [](qx::Registry& r) { r.WriteInteger("DocStyleIndex", 2); }, true, {"Dokumenty", "Historie"}},
        {"unknown style", [](qx::Registry& r) { r.WriteString("Docs", ""); },
            [](qx::Registry& r) { r.WriteInteger("DocStyleIndex", 9); }, false, {"Dokumenty", "Historie"}},
    };
    for (const Case& c : cases) {
        InitEventLog("test"); // a fresh log for each case
        Store(kDocumentsKey, c.docs);
        Store(kDocumentStyleKey, c.style);
        Start();
        EXPECT_EQ(EventLog().contains(QStringLiteral("LoadDocuments: Unable to load document list.")), c.warned)
            << c.name;
        EXPECT_EQ(frame->DocumentStyleIndex(), 0) << c.name;
        EXPECT_EQ(List()->Item(0).ImageIndex, 1) << c.name;
        EXPECT_EQ(Rows(), c.rows) << c.name;
        StopAnswering();
        DestroyFrame();
    }
}

TEST_F(FrameDocumentsTest, AStoreThatCannotBeWrittenIsReportedAndTheListStays)
{
    Start();
    frame->SetDocumentsList({"/x/a.txt"});
    // A folder where the store's file should be: nothing can be written.
    fs::remove(home.registryFile());
    fs::create_directories(home.registryFile());
    frame->SaveDocuments();
    EXPECT_TRUE(EventLog().contains(QStringLiteral("SaveDocuments: Unable to save document list.")));
    EXPECT_EQ(frame->DocumentsList(), QStringList({"/x/a.txt"}));
    fs::remove(home.registryFile());
}

TEST_F(FrameDocumentsTest, AddingKeepsOneEntryPerDocumentNewestFirstAndIsSavedSoon)
{
    Start();
    const QString a = MakeFile("a.txt"), b = MakeFile("b.txt"), upperB = MakeFile("B.txt");
    // A path differing only in case that names the same file, as on a file
    // system that ignores case.
    const QString upperA = QString::fromStdString(home.dir().file("A.txt"));
    fs::create_symlink(a.toStdString(), upperA.toStdString());

    for (const QString& path : {a, b, a, upperA, b, upperB})
        frame->AddDocument(path);
    EXPECT_EQ(frame->DocumentsList(), QStringList({upperB, b, a}));
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "B.txt", "b.txt", "a.txt", "Historie"}));

    // Written a few seconds after the change, not only at closing.
    auto* timer = frame->findChild<QTimer*>(QStringLiteral("_SaveDocumentsTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_GE(timer->interval(), 1000);
    EXPECT_EQ(StoredDocs(), "<none>");
    timer->setInterval(1);
    timer->start();
    ASSERT_TRUE(WaitFor([] { return StoredDocs() != "<none>"; }));
    EXPECT_EQ(StoredDocs(), JoinDocumentsText({upperB, b, a}));
}

TEST_F(FrameDocumentsTest, HistoryFollowsTheRecentFilesAndTheActiveDocumentIsBoldWhileShown)
{
    Start();
    const QString a = MakeFile("a.txt"), b = MakeFile("b.txt");
    frame->AddDocument(a);
    // Without a document there is nothing to add.
    EXPECT_FALSE(Act(FrameAction::DocsAddCurrFile)->isEnabled());
    Act(FrameAction::DocsAddCurrFile)->trigger();
    EXPECT_EQ(frame->DocumentsList(), QStringList({a}));

    ASSERT_NE(frame->OpenFile(a, TFrameWindowForm::DefaultEntryID()), nullptr);
    FlushUpdate();
    ASSERT_NE(frame->OpenFile(b, TFrameWindowForm::DefaultEntryID()), nullptr);
    FlushUpdate();
    // The panel is hidden: no bold flags.
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "a.txt", "Historie", "b.txt", "a.txt"}));

    ShowPanel();
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "a.txt", "Historie", "b.txt*", "a.txt"}));
    Run(FrameAction::DocsAddCurrFile);
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "b.txt*", "a.txt", "Historie", "b.txt*", "a.txt"}));

    // Switching documents while the panel is hidden changes nothing there;
    // showing it again marks the active document.
    frame->DocumentsToolbar()->hide();
    QMdiArea* area = frame->DocumentArea();
    area->setActiveSubWindow(area->subWindowList().first());
    FlushUpdate();
    EXPECT_EQ(GetActiveDocumentWindow()->FileName, a);
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "b.txt*", "a.txt", "Historie", "b.txt*", "a.txt"}));
    ShowPanel();
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "b.txt", "a.txt*", "Historie", "b.txt", "a.txt*"}));
}

TEST_F(FrameDocumentsTest, ARelativeNameJoinsTheHistoryAsAFullPath)
{
    Start();
    const QString a = MakeFile("a.txt");
    const QString before = QDir::currentPath();
    QDir::setCurrent(QFileInfo(a).absolutePath());
    TQX_PluginWindow* window = frame->OpenFile(QStringLiteral("a.txt"), TFrameWindowForm::DefaultEntryID());
    QDir::setCurrent(before);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(frame->RecentFiles().Items(), QStringList({a}));
    EXPECT_EQ(List()->GetItemHint(2), a);
}

TEST_F(FrameDocumentsTest, ShowingThePanelLeavesTheFocusAndARefillKeepsTheHintOnTheFileUnderThePointer)
{
    Start();
    frame->SetDocumentsList({QStringLiteral("/x/a.txt"), QStringLiteral("/x/b.txt")});
    frame->activateWindow();
    ASSERT_TRUE(WaitFor([this] { return frame->isActiveWindow(); }));
    frame->DocumentArea()->setFocus();
    ShowPanel();
    EXPECT_FALSE(List()->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), frame->DocumentArea());

    // The pointer rests on the first file; its hint comes.
    const QPoint pos(40, TQXListView::kStripHeight + 1 + 1 * TQXListView::kRowHeight + 10);
    QMouseEvent move(QEvent::MouseMove, pos, List()->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(List(), &move);
    auto* hint = qobject_cast<QLabel*>(QXListViewHintWindow());
    ASSERT_TRUE(WaitFor([hint] { return hint->isVisible(); }));
    EXPECT_EQ(hint->text(), QStringLiteral("/x/a.txt"));

    // A file added at the top moves a.txt down: the hint names the file now
    // under the pointer, not the one that was there.
    frame->AddDocument(QStringLiteral("/x/c.txt"));
    ASSERT_EQ(List()->GetItemHint(1), QStringLiteral("/x/c.txt"));
    EXPECT_TRUE(WaitFor([hint] { return hint->isVisible() && hint->text() == QLatin1String("/x/c.txt"); }))
        << hint->text().toStdString();
}

TEST_F(FrameDocumentsTest, ClickingAFileOpensItAndAMissingOneLeadsToTheMissingFileQuestion)
{
    Start();
    const QString a = MakeFile("a.txt");
    const QString gone = QString::fromStdString(home.dir().file("gone.txt"));
    frame->SetDocumentsList({a, gone});
    ShowPanel();

    ClickItem(List(), 1);
    ASSERT_TRUE(WaitFor([] { return GetDocumentWindowCount() == 1; }));
    EXPECT_EQ(GetDocumentWindow(0)->FileName, a);
    EXPECT_TRUE(messages.empty());

    EXPECT_TRUE(List()->IsMissingFile(2));
    ClickItem(List(), 2);
    ASSERT_TRUE(WaitFor([this] { return !messages.empty(); }));
    EXPECT_TRUE(messages[0].contains(gone));
    EXPECT_EQ(GetDocumentWindowCount(), 1);

    // Refilling the list keeps its scroll position.
    List()->SetTopIndex(2);
    frame->RebuildDocumentList();
    EXPECT_EQ(List()->TopIndex(), 2);
    List()->SetTopIndex(0);

    // A header only folds.
    ClickItem(List(), 0);
    EXPECT_FALSE(List()->Item(0).Expanded);
    Spin(50);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(FrameDocumentsTest, ClearAsksWithNoAsDefaultAndKeepsTheHistory)
{
    Start();
    const QString a = MakeFile("a.txt");
    frame->AddDocument(a);
    frame->RecentFiles().Add(a);
    const QString question = QStringLiteral("Quorvix 2|Chystáte se vymazat obsah složky Dokumenty. Tato operace nemůže "
                                            "být vrácena zpět. Chcete pokračovat?");

    answers.push_back([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        box->button(QMessageBox::No)->click();
    });
    Run(FrameAction::DocsClear);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], question);
    EXPECT_EQ(frame->DocumentsList(), QStringList({a}));

    answers.push_back(Button(QMessageBox::Yes));
    Run(FrameAction::DocsClear);
    EXPECT_TRUE(frame->DocumentsList().isEmpty());
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "Historie", "a.txt"}));
    EXPECT_FALSE(Act(FrameAction::DocsClear)->isEnabled());
}

TEST_F(FrameDocumentsTest, AddFilePutsEveryChosenFileOnTopInTurn)
{
    Start();
    const QString a = MakeFile("a.txt"), b = MakeFile("b.txt"), c = MakeFile("c.txt");
    frame->AddDocument(b);
    answers.push_back([this](QWidget* w) {
        auto* dialog = qobject_cast<TExtOpenDialogForm*>(w);
        if (!dialog) {
            ADD_FAILURE() << "not the program's open dialog";
            static_cast<QDialog*>(w)->reject();
            return;
        }
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Otevřít dokument nebo dokumenty"));
        EXPECT_EQ(dialog->CurrentPath().toStdString(), home.dir().path().string() + "/");
        dialog->Edit1->setText(QStringLiteral("\"a.txt\" \"b.txt\" \"c.txt\""));
        dialog->ButtonOkClick();
    });
    frame->SetInitialDir(QString::fromStdString(home.dir().path().string()));
    Run(FrameAction::DocsAddFile);
    // b was there already and keeps its place.
    EXPECT_EQ(frame->DocumentsList(), QStringList({c, a, b}));
    EXPECT_EQ(List()->UpdateCount(), 0);
    int position = -1, maximum = -1;
    frame->GetProgressBarStatus(position, maximum);
    EXPECT_EQ(maximum, 0);

    // Cancelled: nothing changes, and the panel is not left frozen.
    Run(FrameAction::DocsAddFile);
    EXPECT_EQ(frame->DocumentsList(), QStringList({c, a, b}));
    EXPECT_EQ(List()->UpdateCount(), 0);
}

TEST_F(FrameDocumentsTest, ArrangeTakesTheDialogsListOnlyOnOk)
{
    Start();
    frame->SetDocumentsList({"/x/a", "/x/b", "/x/c"});
    auto arrange = [](bool ok) {
        return [ok](QWidget* w) {
            auto* form = qobject_cast<TArrangeDocsForm*>(w);
            ASSERT_NE(form, nullptr);
            ClickItem(form->QXListView1, 1);
            form->Button5->click();
            (ok ? form->Button1 : form->Button2)->click();
        };
    };
    answers.push_back(arrange(false));
    Run(FrameAction::DocsArrange);
    EXPECT_EQ(shown.back(), QStringLiteral("Uspořádat dokumenty"));
    EXPECT_EQ(frame->DocumentsList(), QStringList({"/x/a", "/x/b", "/x/c"}));
    answers.push_back(arrange(true));
    Run(FrameAction::DocsArrange);
    EXPECT_EQ(frame->DocumentsList(), QStringList({"/x/b", "/x/a", "/x/c"}));
    EXPECT_EQ(Rows(), QStringList({"Dokumenty", "b", "a", "c", "Historie"}));
}

TEST_F(FrameDocumentsTest, ArrangeDialogButtonsFollowTheChosenFile)
{
    TArrangeDocsForm form({"/x/a", "/x/b", "/x/c"}, nullptr);
    form.show();
    TQXListView* list = form.QXListView1;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Uspořádat dokumenty"));
    EXPECT_GE(form.minimumWidth(), 350);
    EXPECT_GE(form.minimumHeight(), 350);
    EXPECT_TRUE(list->AllowFocus());
    EXPECT_FALSE(form.Button3->isEnabled());
    EXPECT_FALSE(form.Button4->isEnabled());
    EXPECT_FALSE(form.Button5->isEnabled());

    struct Step {
        const char* name;
        std::function<void()> act;
        QStringList documents;
        int focused;
        bool remove, up, down;
    };
    const Step steps[] = {
        {"last chosen", [&] { ClickItem(list, 3); }, {"/x/a", "/x/b", "/x/c"}, 3, true, true, false},
        {"moved up", [&] { form.Button4->click(); }, {"/x/a", "/x/c", "/x/b"}, 2, true, true, true},
        {"moved up to the top", [&] { form.Button4->click(); }, {"/x/c", "/x/a", "/x/b"}, 1, true, false, true},
        {"moved down", [&] { form.Button5->click(); }, {"/x/a", "/x/c", "/x/b"}, 2, true, true, true},
        {"last removed", [&] { ClickItem(list, 3); form.Button3->click(); }, {"/x/a", "/x/c"}, 2, true, true, false},
        {"first removed", [&] { ClickItem(list, 1); form.Button3->click(); }, {"/x/c"}, 1, true, false, false},
        // Folding the group hides the chosen file: the header is chosen instead.
        {"group folded", [&] { ClickItem(list, 0); }, {"/x/c"}, 0, false, false, false},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(form.Documents(), s.documents) << s.name;
        EXPECT_EQ(list->FocusedIndex(), s.focused) << s.name;
        EXPECT_EQ(form.Button3->isEnabled(), s.remove) << s.name;
        EXPECT_EQ(form.Button4->isEnabled(), s.up) << s.name;
        EXPECT_EQ(form.Button5->isEnabled(), s.down) << s.name;
        QStringList rows;
        for (int i = 1; i < list->Count(); ++i)
            rows.append(list->GetItemHint(i));
        EXPECT_EQ(rows, s.documents) << s.name;
    }
}

TEST_F(FrameDocumentsTest, CustomizeStoresTheChosenStyleOnOk)
{
    Start();
    auto choose = [](int style, bool ok) {
        return [style, ok](QWidget* w) {
            auto* form = qobject_cast<TCustomizeDocsForm*>(w);
            ASSERT_NE(form, nullptr);
            EXPECT_EQ(form->ComboBox->count(), 3);
            EXPECT_EQ(form->ComboBox->itemText(1), QStringLiteral("Styl 'Červené knihy'"));
            form->ComboBox->setCurrentIndex(style);
            EXPECT_EQ(form->StyleIndex(), style);
            (ok ? form->Button1 : form->Button2)->click();
        };
    };
    answers.push_back(choose(1, false));
    Run(FrameAction::DocsCustomize);
    EXPECT_EQ(shown.back(), QStringLiteral("Upravit vzhled"));
    EXPECT_EQ(frame->DocumentStyleIndex(), 0);
    EXPECT_EQ(List()->Item(0).ImageIndex, 1);

    answers.push_back(choose(2, true));
    Run(FrameAction::DocsCustomize);
    EXPECT_EQ(frame->DocumentStyleIndex(), 2);
    EXPECT_EQ(List()->Item(0).ImageIndex, 5);
    EXPECT_EQ(List()->Item(1).ImageIndex, 4);
}

TEST(CustomizeDocsForm, PreviewsShowThePicturesOfTheChosenStyle)
{
    // Six plain colours stand for the pictures.
    QList<QIcon> images;
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta, Qt::yellow};
    for (const QColor& colour : colours) {
        QPixmap pixmap(16, 16);
        pixmap.fill(colour);
        images.append(QIcon(pixmap));
    }
    TCustomizeDocsForm form(1, images, nullptr);
    auto shows = [](QWidget* box) { return box->grab().toImage().pixelColor(5, 5); };
    EXPECT_EQ(form.ComboBox->currentIndex(), 1);
    EXPECT_EQ(shows(form.PaintBox1), QColor(Qt::cyan));
    EXPECT_EQ(shows(form.PaintBox2), QColor(Qt::blue));
    form.ComboBox->setCurrentIndex(2);
    EXPECT_EQ(shows(form.PaintBox1), QColor(Qt::yellow));
    EXPECT_EQ(shows(form.PaintBox2), QColor(Qt::magenta));
    // Outside the 16 pixel picture the box shows the button face.
    EXPECT_EQ(form.PaintBox1->grab().toImage().pixelColor(17, 17), form.palette().color(QPalette::Button));
    EXPECT_EQ(form.PaintBox1->size(), QSize(18, 18));
}

} // namespace
