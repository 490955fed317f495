#include "projects/ProjectOptions.h"
#include "projects/Projects.h"
#include "projects/SelectWorkspace.h"

#include "TestEnv.h"

#include <QApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(ProjectOptionsDialog, ShowsTheProjectAndEditsItsFileList)
{
    qxtest::TempDir dir;
    TProject project("Web");
    project.Description = "Site sources";
    project.DefaultDir = dir.path().string();
    project.Files = {dir.file("b.css"), dir.file("a.html")};
    TProjectOptionsForm form;
    form.Project = &project;
    form.LoadProject();
    EXPECT_EQ(form.ProjNameEdit->text(), "Web");
    EXPECT_EQ(form.ProjDescEdit->text(), "Site sources");
    EXPECT_EQ(form.DirEdit->text(), QString::fromStdString(dir.path().string()));
    EXPECT_EQ(form.Paths(), (QStringList {QString::fromStdString(dir.file("b.css")), QString::fromStdString(dir.file("a.html"))}));

    // Adding sorts by file name; a path already listed is not added twice,
    // while one differing in letter case is another file here.
    QString startDir;
    form.FilePicker = [&](const QString& start) {
        startDir = start;
        return QStringList {QString::fromStdString(dir.file("a.html")), QString::fromStdString(dir.file("C.txt")),
            QString::fromStdString(dir.file("A.html"))};
    };
    form.Button3->click();
    EXPECT_EQ(startDir, form.DirEdit->text());
    QStringList names;
    for (int i = 0; i < form.ListView->topLevelItemCount(); ++i)
        names << form.ListView->topLevelItem(i)->text(0);
    EXPECT_EQ(names, (QStringList {"A.html", "C.txt", "a.html", "b.css"}));

    EXPECT_FALSE(form.Button4->isEnabled());
    form.ListView->topLevelItem(0)->setSelected(true);
    form.ListView->topLevelItem(2)->setSelected(true);
    EXPECT_TRUE(form.Button4->isEnabled());
    form.Button4->click();
    EXPECT_EQ(form.ListView->topLevelItemCount(), 2);
    EXPECT_EQ(form.ListView->topLevelItem(0)->text(0), "C.txt");
}

// A new project has no folder until the user picks one in the tree. The tree
// moves its current item by itself when it takes the focus (to its first
// folder, "/"); that is no choice, and a folder filled in then would become
// the project's folder and the starting folder of every open dialog.
TEST(ProjectOptionsDialog, OnlyAFolderTheUserChoosesFillsTheFolderField)
{
    qxtest::TempDir dir;
    TProject project;
    TProjectOptionsForm form;
    form.Project = &project;
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTreeView* tree = form.ProjDirTree;
    tree->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(tree->hasFocus());
    QTest::qWait(200); // the folders load in the background
    EXPECT_EQ(form.DirEdit->text(), "");

    // A key that moves the current item is a choice.
    ASSERT_TRUE(tree->currentIndex().isValid());
    QTest::keyClick(tree, Qt::Key_Down);
    const auto* model = static_cast<const QFileSystemModel*>(tree->model());
    EXPECT_FALSE(form.DirEdit->text().isEmpty());
    EXPECT_EQ(form.DirEdit->text(), model->filePath(tree->currentIndex()));

    // So is a click on a folder.
    const QModelIndex folder = model->index(QString::fromStdString(dir.path().string()));
    tree->scrollTo(folder);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(folder).center());
    EXPECT_EQ(form.DirEdit->text(), QString::fromStdString(dir.path().string()));
}

// A path typed into the folder field moves the tree to it, or to the deepest
// folder of it that exists while a new folder's name is being typed; the
// field keeps what was typed.
TEST(ProjectOptionsDialog, TheTreeFollowsATypedPath)
{
    qxtest::TempDir dir;
    std::filesystem::create_directories(dir.path() / "src" / "lib");
    const QString src = QString::fromStdString((dir.path() / "src").string());
    const QString lib = src + "/lib";
    TProject project;
    TProjectOptionsForm form;
    form.Project = &project;
    form.show();
    QTreeView* tree = form.ProjDirTree;
    const auto* model = static_cast<const QFileSystemModel*>(tree->model());
    const struct {
        QString typed, shown;
    } cases[] = {{lib, lib}, {lib + "/novy", lib}, {src + "/", src}, {"relativni/cesta", src}};
    for (const auto& c : cases) {
        form.DirEdit->clear();
        QTest::keyClicks(form.DirEdit, c.typed);
        EXPECT_EQ(model->filePath(tree->currentIndex()), c.shown) << c.typed.toStdString();
        EXPECT_EQ(form.DirEdit->text(), c.typed);
    }
    // In view once the folders have loaded.
    QTest::qWait(200);
    const QRect shown = tree->visualRect(tree->currentIndex());
    EXPECT_TRUE(tree->viewport()->rect().intersects(shown))
        << shown.y() << " in " << tree->viewport()->height() << ", " << tree->isVisible();
}

TEST(ProjectOptionsDialog, OkNeedsAName)
{
    TProject project;
    TProjectOptionsForm form;
    form.Project = &project;
    form.LoadProject();
    EXPECT_EQ(form.ProjNameEdit->text(), "nový projekt");
    form.ProjNameEdit->clear();
    EXPECT_FALSE(form.Button1->isEnabled());
    form.ProjNameEdit->setText("x");
    EXPECT_TRUE(form.Button1->isEnabled());
}

TEST(SelectWorkspaceDialog, OpensOnTheDefaultOrFirstWorkspace)
{
    TProject project("P");
    TWorkspace* first = project.Workspaces.AddWorkspace("Plocha 1");
    first->Description = "first";
    TWorkspace* second = project.Workspaces.AddWorkspace("Plocha 2");
    second->Description = "second";
    second->Files = {"/w/a.c", "/w/b.c"};

    TSelectWorkspaceForm form;
    form.Project = &project;
    form.LoadProject();
    EXPECT_EQ(form.ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form.Edit1->text(), "first");

    project.SetDefaultWorkspace(second);
    form.LoadProject();
    EXPECT_EQ(form.ComboBox1->currentIndex(), 1);
    EXPECT_EQ(form.Edit1->text(), "second");
    EXPECT_EQ(form.ListView->topLevelItemCount(), 2);
    EXPECT_EQ(form.ListView->topLevelItem(1)->text(1), "/w/b.c");

    form.ComboBox1->setCurrentIndex(0);
    EXPECT_EQ(form.ListView->topLevelItemCount(), 0);

    TProject empty("E");
    form.Project = &empty;
    form.LoadProject();
    EXPECT_EQ(form.ComboBox1->count(), 0);
    EXPECT_TRUE(form.Edit1->text().isEmpty());
}

} // namespace
