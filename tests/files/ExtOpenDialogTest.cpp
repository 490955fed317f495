// The program's own open dialog on real folders: filters, sort modes, what
// OK gives, typed names and patterns, new folders, renaming and what the
// dialog remembers.
#include "files/ExtOpenDialog.h"
#include "files/ShellItemModel.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "projects/Projects.h"

#include "TestEnv.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>

namespace {

namespace fs = std::filesystem;

bool waitFor(const std::function<bool()>& done, int milliseconds = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class ExtOpenDialogTest : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    QString folder;
    // Texts of the message boxes the dialog showed; each is closed at once.
    QStringList boxes;
    QTimer boxCloser;

    void SetUp() override
    {
        SetProgramDirectory(home.programDir());
        InitEventLog("test");
        LoadSettings();
        folder = QString::fromStdString(home.dir().file("files"));
        fs::create_directories(folder.toStdString() + "/sub");
        for (const char* name : {"readme", "notes.ini", "b.TXT", "a.txt", "c.Ini"})
            qxtest::WriteFile(folder.toStdString() + "/" + name, "x");
        boxCloser.setInterval(10);
        QObject::connect(&boxCloser, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    boxes.append(box->text());
                    box->done(QMessageBox::Ok);
                }
        });
        boxCloser.start();
    }

    // Shows the dialog and waits until its first folder is listed.
    void Show(TExtOpenDialogForm& dialog, const QString& filter, bool selectFirst, const QString& start)
    {
        dialog.Request = {filter, selectFirst, start};
        dialog.show();
        ASSERT_TRUE(waitFor([&] { return dialog.FolderLoaded(); }));
    }
    // Waits until the list shows exactly these names.
    static bool Lists(TExtOpenDialogForm& dialog, const QStringList& names)
    {
        return waitFor([&] { return dialog.ListedNames() == names; }, 3000);
    }
    // Starts renaming the file with F2 in the list and types the new name;
    // the editor, or null when none opened.
    static QLineEdit* TypeNewName(TExtOpenDialogForm& dialog, const QString& file, const QString& typed)
    {
        dialog.activateWindow();
        dialog.SelectNames({file});
        dialog.ListView->setFocus();
        QTest::keyClick(dialog.ListView, Qt::Key_F2);
        auto* editor = dialog.ListView->viewport()->findChild<QLineEdit*>();
        // Keys go where the focus is, as a user's would: the window may
        // become active only now on a busy machine.
        if (!editor || !waitFor([&] { return QApplication::focusWidget() == editor; }))
            return nullptr;
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, typed);
        return editor;
    }
};

TEST_F(ExtOpenDialogTest, FiltersListFoldersAndMatchingFilesAndTypedPatternsChangeThem)
{
    TExtOpenDialogForm dialog;
    Show(dialog, QStringLiteral("Všechny soubory (*.*)|*.*|Projekty (*.ini)|*.ini"), false, folder);
    // The second filter is chosen: every folder, only files whose extension
    // occurs in "projekty (*.ini)"; a file without extension is hidden.
    EXPECT_EQ(dialog.ComboBox1->currentText(), "Projekty (*.ini)");
    EXPECT_EQ(dialog.FilterText(), "projekty (*.ini)");
    EXPECT_TRUE(Lists(dialog, {"sub", "c.Ini", "notes.ini"})) << dialog.ListedNames().join(',').toStdString();
    EXPECT_EQ(dialog.StatusLabel->text(), dialog.CurrentPath() + " (projekty (*.ini))");

    // "*.*" typed with nothing selected shows every file again; the dialog stays.
    dialog.Edit1->setText("*.*");
    dialog.ButtonOkClick();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.FilterText(), "");
    EXPECT_TRUE(Lists(dialog, {"sub", "readme", "c.Ini", "notes.ini", "a.txt", "b.TXT"}));
    EXPECT_EQ(dialog.StatusLabel->text(), dialog.CurrentPath() + "*.*");

    // A typed pattern loses its asterisks and filters by what is left.
    dialog.Edit1->setText("*.TXT");
    dialog.ButtonOkClick();
    EXPECT_EQ(dialog.FilterText(), ".txt");
    EXPECT_TRUE(Lists(dialog, {"sub", "a.txt", "b.TXT"}));

    // Choosing the first filter clears the filter.
    dialog.ComboBox1->setCurrentIndex(0);
    emit dialog.ComboBox1->activated(0);
    EXPECT_EQ(dialog.FilterText(), "");

    // With the first filter preselected, and a filter string without its last bar.
    TExtOpenDialogForm first;
    Show(first, QStringLiteral("Všechny soubory (*.*)|*.*|Texty|*.txt"), true, folder);
    EXPECT_EQ(first.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(first.ComboBox1->count(), 2);
    EXPECT_EQ(first.FilterText(), "");
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(ExtOpenDialogTest, SortModesOrderFoldersAndFiles)
{
    qxtest::WriteFile(folder.toStdString() + "/Zeta", "x");
    fs::create_directories(folder.toStdString() + "/alpha");
    TExtOpenDialogForm dialog;
    Show(dialog, QString(), true, folder);
    struct Case {
        TExtOpenDialogForm::SortMode mode;
        QStringList names;
    };
    const Case cases[] = {
        // Folders first, then by lower-cased extension, then by lower-cased name.
        {TExtOpenDialogForm::SortByType, {"alpha", "sub", "readme", "Zeta", "c.Ini", "notes.ini", "a.txt", "b.TXT"}},
        // Folders first, then names as people read them.
        {TExtOpenDialogForm::SortByName, {"alpha", "sub", "a.txt", "b.TXT", "c.Ini", "notes.ini", "readme", "Zeta"}},
    };
    for (const Case& c : cases) {
        dialog.SetSortMode(c.mode);
        EXPECT_TRUE(Lists(dialog, c.names)) << int(c.mode) << ": " << dialog.ListedNames().join(',').toStdString();
    }
    // The system's order compares extensions with case: ".Ini" < ".TXT" < ".ini" < ".txt".
    dialog.SetSortMode(TExtOpenDialogForm::SortBySystem);
    ASSERT_TRUE(waitFor([&] { return dialog.FolderLoaded(); }));
    const QStringList system = dialog.ListedNames();
    ASSERT_EQ(system.size(), 8);
    EXPECT_EQ(system.mid(0, 2), QStringList({"alpha", "sub"}));
    EXPECT_LT(system.indexOf("c.Ini"), system.indexOf("b.TXT"));
    EXPECT_LT(system.indexOf("b.TXT"), system.indexOf("notes.ini"));
    EXPECT_LT(system.indexOf("notes.ini"), system.indexOf("a.txt"));
    EXPECT_TRUE(dialog.MenuSortByDefault->isChecked());
    EXPECT_FALSE(dialog.MenuSortByType->isChecked());
}

TEST_F(ExtOpenDialogTest, OkGivesTheSelectedFilesTheFolderAndTheEntry)
{
    TExtOpenDialogForm dialog;
    Show(dialog, QStringLiteral("Všechny soubory (*.*)|*.*"), true, folder);
    ASSERT_TRUE(Lists(dialog, {"sub", "readme", "c.Ini", "notes.ini", "a.txt", "b.TXT"}));
    // A folder and two files: the two files, in list order.
    dialog.SelectNames({"sub", "notes.ini", "a.txt"});
    ASSERT_TRUE(waitFor([&] { return dialog.Edit1->text() == "\"notes.ini\" \"a.txt\""; }));
    dialog.ButtonOkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ResultList, QStringList({folder + "/notes.ini", folder + "/a.txt"}));
    EXPECT_EQ(dialog.ResultFolder, folder + "/");
    EXPECT_EQ(dialog.SelectedEntry(), nullptr);
    EXPECT_EQ(dialog.ComboBox2->itemText(0), "(vybrat automaticky)");
    EXPECT_TRUE(boxes.isEmpty());
    // The folder is offered among the places next time.
    EXPECT_EQ(TExtOpenDialogForm::RecentFolders(), QStringList {folder + "/"});
    TExtOpenDialogForm again;
    Show(again, QString(), true, QString());
    EXPECT_FALSE(again.Panel5->findItems("files", Qt::MatchExactly).isEmpty());
}

TEST_F(ExtOpenDialogTest, PlacesOfferTheCurrentProjectsFolder)
{
    TProject project("Web");
    project.DefaultDir = folder.toStdString();
    TExtOpenDialogForm::SetCurrentProjectSource([&] { return &project; });
    TExtOpenDialogForm dialog;
    Show(dialog, QString(), true, QString());
    TExtOpenDialogForm::SetCurrentProjectSource(nullptr);
    const QList<QListWidgetItem*> places = dialog.Panel5->findItems("Projekt", Qt::MatchExactly);
    ASSERT_EQ(places.size(), 1);
    EXPECT_EQ(places[0]->toolTip(), "Výchozí složka projektu Web: " + folder);

    TExtOpenDialogForm without;
    Show(without, QString(), true, QString());
    EXPECT_TRUE(without.Panel5->findItems("Projekt", Qt::MatchExactly).isEmpty());
}

TEST_F(ExtOpenDialogTest, TypedNamesOpenFilesEnterFoldersOrAreReported)
{
    struct Case {
        const char* typed;
        bool accepted;
        QStringList files; // relative to the folder
        const char* folderAfter; // relative; null when the folder stays
        int messages;
    };
    const Case cases[] = {
        {"a.txt", true, {"a.txt"}, nullptr, 0},
        {"\"a.txt\" \"sub/../readme\"", true, {"a.txt", "readme"}, nullptr, 0},
        {"sub", false, {}, "sub/", 0},
        {"missing.txt", false, {}, nullptr, 1},
        {"\"a.txt\" \"missing.txt\"", false, {}, nullptr, 1},
    };
    for (const Case& c : cases) {
        boxes.clear();
        TExtOpenDialogForm dialog;
        Show(dialog, QString(), true, folder);
        dialog.Edit1->setText(QString::fromUtf8(c.typed));
        dialog.ButtonOkClick();
        ASSERT_TRUE(waitFor([&] { return boxes.size() == c.messages; }));
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.typed;
        QStringList expected;
        for (const QString& f : c.files)
            expected << folder + "/" + f;
        EXPECT_EQ(dialog.ResultList, expected) << c.typed;
        EXPECT_EQ(dialog.CurrentPath(), folder + "/" + (c.folderAfter ? c.folderAfter : "")) << c.typed;
    }
    // Nothing selected, nothing typed: the dialog asks for a file and stays.
    boxes.clear();
    TExtOpenDialogForm dialog;
    Show(dialog, QString(), true, folder);
    dialog.ButtonOkClick();
    ASSERT_TRUE(waitFor([&] { return boxes.size() == 1; }));
    EXPECT_EQ(boxes.first(), "Musíte vybrat nějaký soubor.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(ExtOpenDialogTest, AReReadArrivingDuringARenameWaitsForTheEditor)
{
    TExtOpenDialogForm dialog;
    Show(dialog, QString(), true, folder);
    QLineEdit* editor = TypeNewName(dialog, "b.TXT", "prejmenovany.txt");
    ASSERT_NE(editor, nullptr);

    // A re-read (as after another rename, or F5) finishes while the name is
    // being typed: the editor and its text stay.
    qxtest::WriteFile(folder.toStdString() + "/novy.txt", "x");
    auto* shell = qobject_cast<TShellItemModel*>(dialog.ListView->model());
    ASSERT_NE(shell, nullptr);
    shell->List(shell->FolderPath(), true);
    waitFor([] { return false; }, 400);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->text(), "prejmenovany.txt");

    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/prejmenovany.txt"); }));
    EXPECT_TRUE(Lists(dialog, {"sub", "readme", "c.Ini", "notes.ini", "a.txt", "novy.txt", "prejmenovany.txt"}))
        << dialog.ListedNames().join(',').toStdString();
}

TEST_F(ExtOpenDialogTest, FoldersNewFoldersRenamingAndGoingUp)
{
    TExtOpenDialogForm dialog;
    Show(dialog, QString(), true, folder);
    QDir(folder).mkdir("Nová složka");
    QDir(folder).mkdir("Nová složka (2)");
    EXPECT_EQ(dialog.CreateNewFolder(), folder + "/Nová složka (3)");
    EXPECT_TRUE(QFileInfo(folder + "/Nová složka (3)").isDir());

    // Renaming goes through the list's model; a clash is refused and reported.
    ASSERT_TRUE(Lists(dialog, {"Nová složka", "Nová složka (2)", "Nová složka (3)", "sub", "readme", "c.Ini",
                                  "notes.ini", "a.txt", "b.TXT"}));
    QAbstractItemModel* model = dialog.ListView->model();
    const QModelIndex root = dialog.ListView->rootIndex();
    auto rowOf = [&](const QString& name) {
        for (int r = 0; r < model->rowCount(root); ++r)
            if (model->index(r, 0, root).data().toString() == name)
                return model->index(r, 0, root);
        return QModelIndex();
    };
    ASSERT_TRUE(rowOf("a.txt").flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(model->setData(rowOf("a.txt"), "renamed.txt"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/renamed.txt"));
    EXPECT_FALSE(model->setData(rowOf("readme"), "notes.ini"));
    ASSERT_TRUE(waitFor([&] { return boxes.size() == 1; }));
    EXPECT_TRUE(boxes.first().contains("readme"));
    EXPECT_EQ(qxtest::ReadFile(folder.toStdString() + "/notes.ini"), "x");

    // F2 in the list renames the current item; Return ends the rename and
    // leaves the dialog open. (The folder is read again after a rename.)
    ASSERT_TRUE(waitFor([&] { return dialog.FolderLoaded(); }));
    QLineEdit* editor = TypeNewName(dialog, "b.TXT", "klavesnice.txt");
    ASSERT_NE(editor, nullptr);
    // The editor's Return also travels up to the list, as the editor leaves
    // it unhandled; there it must neither choose the file nor press OK.
    QTest::keyClick(dialog.ListView, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/klavesnice.txt"); }));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    // Up to the parent, with the folder we came from selected.
    dialog.GoUp();
    EXPECT_EQ(dialog.CurrentPath(), QFileInfo(folder).absolutePath() + "/");
    // "/" lies below the computer folder, which has nothing above it and
    // where no folder can be created.
    ASSERT_TRUE(dialog.GoToFolder("/"));
    dialog.GoUp();
    EXPECT_EQ(dialog.CurrentPath(), "");
    EXPECT_EQ(dialog.DirTree->currentText(), "Počítač");
    dialog.GoUp();
    EXPECT_EQ(dialog.CurrentPath(), "");
    EXPECT_EQ(dialog.CreateNewFolder(), "");
    ASSERT_TRUE(waitFor([&] { return boxes.size() == 2; }));
    EXPECT_EQ(boxes.last(), "Zde není možné složku vytvořit.");
    EXPECT_FALSE(dialog.GoToFolder(folder + "/a-file-is-no-folder"));
}

TEST_F(ExtOpenDialogTest, AMissingStartFolderStartsInTheComputerAndTheViewIsRemembered)
{
    {
        TExtOpenDialogForm dialog;
        Show(dialog, QString(), true, folder + "/gone");
        EXPECT_EQ(dialog.CurrentPath(), "");
        EXPECT_TRUE(Lists(dialog, {"/"}));
        EXPECT_EQ(dialog.CurrentView(), TExtOpenDialogForm::List);
        dialog.ToolButton8->click();
        EXPECT_EQ(dialog.CurrentView(), TExtOpenDialogForm::Details);
        EXPECT_TRUE(dialog.DetailsView->isVisible());
        dialog.reject();
    }
    TExtOpenDialogForm dialog;
    Show(dialog, QString(), true, folder);
    EXPECT_EQ(dialog.CurrentView(), TExtOpenDialogForm::Details);
    EXPECT_TRUE(dialog.ToolButton8->isChecked());
    EXPECT_FALSE(dialog.ToolButton6->isChecked());
    EXPECT_TRUE(dialog.DetailsView->isVisible());
    // The details columns, with Czech headers and the size text.
    QAbstractItemModel* model = dialog.DetailsView->model();
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, QStringList({"Název", "Velikost", "Typ", "Změněno", "Atributy"}));
}

// A folder is read in a thread of its own and shows in batches while it is
// read, in the order read; once complete it is sorted, the selection moving
// with its rows. Esc stops the reading and keeps what was read (sorted); the
// next Esc closes the dialog. Details are read only for the rows on screen.
TEST_F(ExtOpenDialogTest, AFolderIsReadInTheBackgroundInBatchesAndEscStopsIt)
{
    const QString big = QString::fromStdString(home.dir().file("big"));
    fs::create_directories(big.toStdString() + "/adresar");
    for (int i = 0; i < 300; ++i)
        qxtest::WriteFile(QStringLiteral("%1/f%2.txt").arg(big).arg(i, 4, 10, QLatin1Char('0')).toStdString(), "x");
    TExtOpenDialogForm dialog;
    Show(dialog, QString(), true, folder);
    dialog.SetView(TExtOpenDialogForm::Details);
    TShellItemModel* model = dialog.Model();
    model->FirstBatchMs = 0;
    model->BatchRows = 20;
    model->BatchMs = 1000000;
    // The reader stops after its 100th item until the gate opens; on the GUI
    // thread it would stop the test there for 10 s and fail below.
    QThread* gui = QThread::currentThread();
    std::atomic<bool> readOnGui {false};
    std::atomic<int> read {0};
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    model->OnItemRead = [&] {
        if (QThread::currentThread() == gui)
            readOnGui = true;
        if (++read == 100) {
            std::unique_lock<std::mutex> lock(mutex);
            opened.wait_for(lock, std::chrono::seconds(10), [&] { return open; });
        }
    };
    auto release = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        opened.notify_all();
    };
    int batches = 0;
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { ++batches; });
    ASSERT_TRUE(dialog.GoToFolder(big));
    EXPECT_TRUE(dialog.Listing());
    EXPECT_FALSE(dialog.FolderLoaded());
    // Four batches of 20 are shown while the reader waits at its 100th item.
    EXPECT_TRUE(waitFor([&] { return model->rowCount() == 80; }));
    EXPECT_EQ(batches, 4);
    EXPECT_TRUE(dialog.Listing());
    EXPECT_TRUE(dialog.ProgressLabel->isVisible());
    EXPECT_FALSE(readOnGui);
    const QString chosen = model->FileName(50);
    dialog.ListView->selectionModel()->select(model->index(50, 0), QItemSelectionModel::ClearAndSelect);

    // Esc stops the reading; the dialog stays.
    dialog.activateWindow();
    dialog.DetailsView->setFocus();
    QTest::keyClick(dialog.DetailsView, Qt::Key_Escape);
    release();
    ASSERT_TRUE(waitFor([&] { return dialog.FolderLoaded(); }));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(model->Cancelled());
    EXPECT_GE(model->rowCount(), 100);
    EXPECT_LT(model->rowCount(), 110);
    QStringList sorted = dialog.ListedNames();
    const bool folderRead = sorted.removeAll("adresar") == 1;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(dialog.ListedNames(), folderRead ? QStringList {"adresar"} + sorted : sorted);
    ASSERT_EQ(dialog.ListView->selectionModel()->selectedIndexes().size(), 1);
    EXPECT_EQ(model->FileName(dialog.ListView->selectionModel()->selectedIndexes().first().row()), chosen);
    EXPECT_TRUE(dialog.ProgressLabel->text().contains("přerušeno"));

    // Read again in full: the folder first, every file, details only for
    // the rows on screen.
    model->OnItemRead = {};
    dialog.GoToFolder(big);
    ASSERT_TRUE(waitFor([&] { return dialog.FolderLoaded(); }));
    EXPECT_FALSE(model->Cancelled());
    EXPECT_FALSE(dialog.ProgressLabel->isVisible());
    ASSERT_EQ(model->rowCount(), 301);
    EXPECT_EQ(model->FileName(0), "adresar");
    EXPECT_EQ(model->FileName(300), "f0299.txt");
    EXPECT_TRUE(waitFor([&] {
        return model->index(1, TShellItemModel::SizeColumn).data().toString() == "1 B"
            && model->ItemAt(1).Details == TShellItemModel::Item::DetailsRead;
    }));
    EXPECT_EQ(model->ItemAt(300).Details, TShellItemModel::Item::NoDetails);

    // With nothing under way, Esc closes the dialog.
    QTest::keyClick(dialog.DetailsView, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(ExtOpenFilter, SplitsDescriptionsAndMasks)
{
    using Pairs = QList<QPair<QString, QString>>;
    EXPECT_EQ(SplitOpenFilter("A (*.*)|*.*|B|*.b|"), Pairs({{"A (*.*)", "*.*"}, {"B", "*.b"}}));
    EXPECT_EQ(SplitOpenFilter("A (*.*)|*.*|B|*.b"), Pairs({{"A (*.*)", "*.*"}, {"B", "*.b"}}));
    EXPECT_EQ(SplitOpenFilter(""), Pairs());
}

} // namespace

