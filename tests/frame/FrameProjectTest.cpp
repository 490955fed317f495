// Projects and workspaces in the frame: the Project menu commands, the three
// list submenus, and how workspaces store and reopen the open documents.
// Documents are opened by the probe plug-in; the dialogs the commands show
// are answered by the test.
#include "FrameFixture.h"
#include "ModalAnswers.h"

#include "QX_Types.h"
#include "kernel/Settings.h"
#include "plugins/PluginWindowList.h"
#include "projects/ProjectOptions.h"
#include "projects/Projects.h"
#include "projects/SelectWorkspace.h"

#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

#include <deque>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class FrameProjectTest : public FrameFixture, protected ModalAnswers {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
        StartFrame();
        StartAnswering();
    }

    void TearDown() override
    {
        StopAnswering();
        FrameFixture::TearDown();
    }

    // The file names of the document windows, in list order.
    static QStringList OpenDocuments()
    {
        QStringList names;
        for (int i = 0; i < GetDocumentWindowCount(); ++i)
            names.append(GetDocumentWindow(i)->FileName);
        return names;
    }

    static std::vector<std::string> Paths(const QStringList& files)
    {
        std::vector<std::string> paths;
        for (const QString& f : files)
            paths.push_back(f.toStdString());
        return paths;
    }

    // Writes a project with these workspaces (name and files) as the next
    // project file of the projects directory; returns its path.
    std::string WriteProject(const std::string& name,
        const std::vector<std::pair<std::string, QStringList>>& workspaces, int defaultWorkspace = -1)
    {
        TProject project(name);
        project.Description = name + " description";
        for (const auto& [wsName, files] : workspaces)
            project.Workspaces.AddWorkspace(wsName)->Files = Paths(files);
        if (defaultWorkspace >= 0)
            project.SetDefaultWorkspace(project.Workspaces.GetWorkspace(defaultWorkspace));
        fs::create_directories(GetProjectsDir());
        const std::string path = NewProjectFileName(GetProjectsDir());
        EXPECT_TRUE(WriteProjectFile(path, project));
        return path;
    }

    void Open(const std::string& path)
    {
        ASSERT_TRUE(frame->OpenProject(ReadProjectFile(path)));
        FlushUpdate();
    }

    // Opens a submenu as the user does (which rebuilds it) and closes it again.
    QMenu* ShowMenu(const char* name)
    {
        auto* menu = frame->findChild<QMenu*>(QLatin1String(name));
        EXPECT_NE(menu, nullptr) << name;
        menu->popup(QPoint(0, 0));
        WaitFor([menu] { return menu->isVisible(); }, 2000);
        menu->hide();
        return menu;
    }

    // The list items of a submenu (after its title, separator and placeholder).
    static QList<QAction*> ListItems(QMenu* menu) { return menu->actions().mid(3); }
    static bool PlaceholderVisible(QMenu* menu) { return menu->actions().at(2)->isVisible(); }

    static std::vector<QString> Captions(QMenu* menu)
    {
        std::vector<QString> captions;
        for (QAction* a : ListItems(menu))
            captions.push_back(a->text());
        return captions;
    }

    QString CurrentWorkspaceName() const
    {
        TWorkspace* w = frame->CurrentWorkspace();
        return w ? QString::fromStdString(w->Name()) : QString();
    }

    // Runs a command and waits until every queued answer was used.
    void Run(FrameAction id)
    {
        Act(id)->trigger();
        FlushUpdate();
        EXPECT_TRUE(answers.empty()) << FrameActionDef(id).name << ": a dialog did not appear";
    }

    // Destroys the windows (refusing ones included) and forgets the project
    // without saving it.
    void DropEverything()
    {
        for (QMdiSubWindow* sub : frame->DocumentArea()->subWindowList())
            delete sub;
        for (int i = GetDocumentWindowCount(); i-- > 0;)
            delete GetDocumentWindow(i);
        frame->SetCurrentProject(nullptr);
        FlushUpdate();
    }
};

TEST_F(FrameProjectTest, WorkspacesStoreTheOpenDocumentsAndReopenThem)
{
    const QString a = MakeFile("a.txt"), b = MakeFile("b.txt"), c = MakeFile("c.txt"), d = MakeFile("d.txt");
    const std::string path = WriteProject("Work", {{"One", {a, b}}, {"Two", {c}}});
    Open(path);
    EXPECT_EQ(CurrentWorkspaceName(), QStringLiteral("One"));
    EXPECT_EQ(OpenDocuments(), (QStringList {a, b}));

    // A document opened in One belongs to it after the switch to Two.
    frame->OpenFile(d, TFrameWindowForm::DefaultEntryID());
    QMenu* list = ShowMenu("MenuProjectOpenRecentWorkspace");
    ASSERT_EQ(Captions(list), (std::vector<QString> {"One", "Two"}));
    EXPECT_TRUE(ListItems(list)[0]->isChecked());
    EXPECT_FALSE(ListItems(list)[1]->isChecked());
    ListItems(list)[1]->trigger();
    FlushUpdate();
    EXPECT_EQ(CurrentWorkspaceName(), QStringLiteral("Two"));
    EXPECT_EQ(frame->CurrentProject()->DefaultWorkspace(), frame->CurrentWorkspace());
    EXPECT_EQ(OpenDocuments(), (QStringList {c}));

    // Back to One through the workspace dialog.
    answers.push_back([](QWidget* w) {
        auto* form = qobject_cast<TSelectWorkspaceForm*>(w);
        ASSERT_NE(form, nullptr);
        form->ComboBox1->setCurrentIndex(0);
        form->accept();
    });
    Run(FrameAction::ProjectOpenWorkspace);
    EXPECT_EQ(OpenDocuments(), (QStringList {a, b, d}));

    // Closing the project writes both workspaces and the one in use.
    ASSERT_TRUE(frame->CloseProject());
    FlushUpdate();
    EXPECT_EQ(frame->CurrentProject(), nullptr);
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    std::unique_ptr<TProject> saved = ReadProjectFile(path);
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(saved->Workspaces.GetWorkspaceCount(), 2);
    EXPECT_EQ(saved->Workspaces.GetWorkspace(0)->Files, Paths({a, b, d}));
    EXPECT_EQ(saved->Workspaces.GetWorkspace(1)->Files, Paths({c}));

    // Reopened, the project starts in the workspace it was left in.
    Open(path);
    EXPECT_EQ(CurrentWorkspaceName(), QStringLiteral("One"));
    EXPECT_EQ(OpenDocuments(), (QStringList {a, b, d}));
}

TEST_F(FrameProjectTest, ADocumentThatRefusesToCloseStopsTheSwitch)
{
    const QString a = MakeFile("a.txt"), b = MakeFile("b.txt"), c = MakeFile("c.txt");
    struct Case {
        const char* what;
        int refusing; // position of the refusing window
        QStringList left;
    };
    // Windows close from the last; those closed before the refusal stay closed.
    const Case cases[] = {{"last refuses", 1, {a, b}}, {"first refuses", 0, {a}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const std::string path = WriteProject("Work", {{"One", {a, b}}, {"Two", {c}}});
        Open(path);
        ASSERT_EQ(GetDocumentWindowCount(), 2);
        RefuseClose(GetDocumentWindow(k.refusing));

        EXPECT_FALSE(frame->OpenWorkspace(frame->CurrentProject()->Workspaces.GetWorkspace(1)));
        FlushUpdate();
        EXPECT_EQ(CurrentWorkspaceName(), QStringLiteral("One"));
        EXPECT_EQ(OpenDocuments(), k.left);

        // Opening another project is refused as well; this one stays.
        const std::string other = WriteProject("Other", {{"X", {}}});
        EXPECT_FALSE(frame->OpenProject(ReadProjectFile(other)));
        EXPECT_EQ(frame->CurrentProject()->FileName, path);
        EXPECT_FALSE(frame->CloseProject());
        EXPECT_NE(frame->CurrentProject(), nullptr);

        // The next case starts without windows or project.
        DropEverything();
        fs::remove_all(GetProjectsDir());
    }
}

TEST_F(FrameProjectTest, OpeningTheCurrentProjectAgainChangesNothing)
{
    const QString a = MakeFile("a.txt");
    const std::string path = WriteProject("Work", {{"One", {a}}});
    Open(path);
    TProject* current = frame->CurrentProject();
    auto again = ReadProjectFile(path);
    // The same file named in another letter case counts as the same project.
    again->FileName = QString::fromStdString(path).toUpper().toStdString();
    EXPECT_TRUE(frame->OpenProject(std::move(again)));
    EXPECT_EQ(frame->CurrentProject(), current);
    EXPECT_EQ(OpenDocuments(), (QStringList {a}));
}

TEST_F(FrameProjectTest, NewProjectIsWrittenAndOpenedOnYes)
{
    const QString a = MakeFile("a.txt");
    struct Case {
        const char* what;
        bool accept;
        QMessageBox::StandardButton open;
        bool written, opened;
    };
    const Case cases[] = {
        {"cancelled", false, QMessageBox::No, false, false},
        {"written, not opened", true, QMessageBox::No, true, false},
        {"written and opened", true, QMessageBox::Yes, true, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        fs::remove_all(GetProjectsDir());
        shown.clear();
        const QString dir = QString::fromStdString(home.dir().file("work"));
        fs::create_directories(dir.toStdString());
        answers.push_back([&](QWidget* w) {
            auto* form = qobject_cast<TProjectOptionsForm*>(w);
            ASSERT_NE(form, nullptr);
            // The directory tree fills itself in the background and moves its
            // selection (and DirEdit) while it does; the user types after that.
            Spin(300);
            form->ProjNameEdit->setText(QStringLiteral("Kniha"));
            form->ProjDescEdit->setText(QStringLiteral("Psaní"));
            form->DirEdit->setText(dir);
            form->AddFiles({a});
            if (k.accept)
                form->accept();
            else
                form->reject();
        });
        if (k.accept)
            answers.push_back(Button(k.open));
        Run(FrameAction::ProjectNew);

        const std::string file = GetProjectsDir() + "proj1.ini";
        ASSERT_EQ(fs::exists(file), k.written);
        if (k.written) {
            EXPECT_EQ(shown.back(), QStringLiteral("Quorvix 2|Quorvix 2 vytvořil nový projekt s názvem Kniha. "
                                                   "Chcete nyní tento projekt otevřít?"));
            auto saved = ReadProjectFile(file);
            ASSERT_NE(saved, nullptr);
            EXPECT_EQ(saved->Name(), "Kniha");
            EXPECT_EQ(saved->Description, "Psaní");
            EXPECT_EQ(saved->DefaultDir, dir.toStdString());
            EXPECT_EQ(saved->Files, Paths({a}));
            ASSERT_EQ(saved->Workspaces.GetWorkspaceCount(), 1);
            EXPECT_EQ(saved->Workspaces.GetWorkspace(0)->Name(), "Plocha 1");
        }
        ASSERT_EQ(frame->CurrentProject() != nullptr, k.opened);
        if (k.opened) {
            EXPECT_EQ(frame->CurrentProject()->FileName, file);
            EXPECT_EQ(CurrentWorkspaceName(), QStringLiteral("Plocha 1"));
            EXPECT_EQ(frame->InitialDir(), dir);
            EXPECT_TRUE(Act(FrameAction::ProjectDeleteWorkspace)->isEnabled());
        }
    }
}

TEST_F(FrameProjectTest, NewWorkspaceTakesAUniqueNameAndStartsEmpty)
{
    const QString a = MakeFile("a.txt");
    const std::string path = WriteProject("Work", {{"Plocha 1", {a}}});
    Open(path);

    // Cancelled: nothing changes. The proposal is the first free number.
    QString proposal;
    answers.push_back([&](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        proposal = dialog->textValue();
        EXPECT_EQ(dialog->labelText(), QStringLiteral("Vložte jméno nové plochy:"));
        dialog->reject();
    });
    Run(FrameAction::ProjectNewWorkspace);
    EXPECT_EQ(proposal, QStringLiteral("Plocha 2"));
    EXPECT_EQ(shown.back(), QStringLiteral("Vytvořit plochu"));
    EXPECT_EQ(frame->CurrentProject()->Workspaces.GetWorkspaceCount(), 1);

    // A name in use is refused (exact case); another letter case is a new name.
    answers.push_back(Text(QStringLiteral("Plocha 1")));
    answers.push_back(Button(QMessageBox::Ok));
    Run(FrameAction::ProjectNewWorkspace);
    EXPECT_EQ(shown.back(),
        QStringLiteral("Quorvix 2|Plocha s názvem Plocha 1 už v projektu existuje. Musíte zadat unikátní název."));
    EXPECT_EQ(frame->CurrentProject()->Workspaces.GetWorkspaceCount(), 1);
    EXPECT_EQ(OpenDocuments(), (QStringList {a}));

    answers.push_back(Text(QStringLiteral("plocha 1")));
    Run(FrameAction::ProjectNewWorkspace);
    EXPECT_EQ(CurrentWorkspaceName(), QStringLiteral("plocha 1"));
    EXPECT_EQ(GetDocumentWindowCount(), 0);
    // The workspace left kept its document.
    EXPECT_EQ(frame->CurrentProject()->Workspaces.GetWorkspace(0)->Files, Paths({a}));
}

TEST_F(FrameProjectTest, DeletingTheWorkspaceWritesTheProjectAndClosesItsDocuments)
{
    const QString a = MakeFile("a.txt"), b = MakeFile("b.txt");
    struct Case {
        const char* what;
        QMessageBox::StandardButton answer;
        bool refuse;
        bool deleted;
        QStringList left;
    };
    const Case cases[] = {
        {"kept on No", QMessageBox::No, false, false, {a, b}},
        {"deleted", QMessageBox::Yes, false, true, {}},
        // Closing goes from the last window: the first one refusing stays
        // open as a loose document, the other is closed.
        {"deleted, one refuses", QMessageBox::Yes, true, true, {a}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const std::string path = WriteProject("Work", {{"Keep", {}}, {"Gone", {a, b}}}, 1);
        Open(path);
        ASSERT_EQ(CurrentWorkspaceName(), QStringLiteral("Gone"));
        if (k.refuse)
            RefuseClose(GetDocumentWindow(0));
        shown.clear();
        answers.push_back(Button(k.answer));
        Run(FrameAction::ProjectDeleteWorkspace);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], QStringLiteral("Quorvix 2|Opravdu chcete odstranit plochu s názvem Gone?"));
        EXPECT_EQ(OpenDocuments(), k.left);
        TProject* project = frame->CurrentProject();
        EXPECT_EQ(project->Workspaces.GetWorkspaceCount(), k.deleted ? 1 : 2);
        if (k.deleted) {
            EXPECT_EQ(frame->CurrentWorkspace(), nullptr);
            EXPECT_EQ(project->DefaultWorkspace(), nullptr);
            EXPECT_FALSE(Act(FrameAction::ProjectDeleteWorkspace)->isEnabled());
            auto saved = ReadProjectFile(path);
            ASSERT_NE(saved, nullptr);
            ASSERT_EQ(saved->Workspaces.GetWorkspaceCount(), 1);
            EXPECT_EQ(saved->Workspaces.GetWorkspace(0)->Name(), "Keep");
            EXPECT_EQ(saved->DefaultWorkspace(), nullptr);
        } else {
            EXPECT_EQ(CurrentWorkspaceName(), QStringLiteral("Gone"));
        }
        DropEverything();
        fs::remove_all(GetProjectsDir());
    }
}

TEST_F(FrameProjectTest, ListSubmenusAndToolbarDropdownsFollowTheProjects)
{
    // Nothing yet: every list shows only its placeholder.
    for (const char* name : {"MenuProjectOpenRecent", "MenuProjectOpenRecentWorkspace", "MenuProjectOpenDocument"}) {
        QMenu* menu = ShowMenu(name);
        EXPECT_TRUE(ListItems(menu).isEmpty()) << name;
        EXPECT_TRUE(PlaceholderVisible(menu)) << name;
    }

    const QString a = MakeFile("a.txt");
    WriteProject("First", {{"W", {}}});
    const std::string second = WriteProject("Second", {{"V", {}}});
    QMenu* projects = ShowMenu("MenuProjectOpenRecent");
    ASSERT_EQ(Captions(projects), (std::vector<QString> {"First", "Second"}));
    EXPECT_EQ(ListItems(projects)[1]->statusTip(), QStringLiteral("Second description"));
    EXPECT_FALSE(PlaceholderVisible(projects));

    // Rebuilt on each showing, never doubled.
    projects = ShowMenu("MenuProjectOpenRecent");
    ASSERT_EQ(ListItems(projects).size(), 2);
    ListItems(projects)[1]->trigger();
    FlushUpdate();
    ASSERT_NE(frame->CurrentProject(), nullptr);
    EXPECT_EQ(frame->CurrentProject()->FileName, second);

    // The documents list shows the project's files under the project's name.
    frame->CurrentProject()->Files = Paths({a});
    QMenu* documents = ShowMenu("MenuProjectOpenDocument");
    ASSERT_EQ(Captions(documents), (std::vector<QString> {"a.txt"}));
    EXPECT_EQ(ListItems(documents)[0]->statusTip(), a);
    auto* title = documents->actions()[0];
    ASSERT_NE(title, nullptr);
    bool titled = false;
    for (QLabel* label : documents->findChildren<QLabel*>())
        titled |= label->text() == QStringLiteral("Projekt 'Second'");
    EXPECT_TRUE(titled);
    ListItems(documents)[0]->trigger();
    EXPECT_EQ(OpenDocuments(), (QStringList {a}));

    // The toolbar drop-downs show the same lists.
    for (const char* button : {"ToolbarButtonProjectOpen", "ToolbarButtonProjectOpenWorkspace",
             "ToolbarButtonProjectOpenDocument"}) {
        auto* tool = frame->findChild<QToolButton*>(QLatin1String(button));
        ASSERT_NE(tool, nullptr) << button;
        ASSERT_NE(tool->menu(), nullptr) << button;
    }
    EXPECT_EQ(frame->findChild<QToolButton*>(QStringLiteral("ToolbarButtonProjectOpenWorkspace"))->menu(),
        frame->findChild<QMenu*>(QStringLiteral("MenuProjectOpenRecentWorkspace")));

    // A damaged file in the row keeps its place; its click reports it.
    qxtest::WriteFile(GetProjectsDir() + "proj3.ini", "[Owner]\r\nApp=Other\r\n");
    projects = ShowMenu("MenuProjectOpenRecent");
    ASSERT_EQ(Captions(projects), (std::vector<QString> {"First", "Second", "proj3.ini"}));
    shown.clear();
    answers.push_back(Button(QMessageBox::Ok));
    ListItems(projects)[2]->trigger();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], QStringLiteral("Quorvix 2|Quorvix 2 nemůže otevřít projekt. Soubor nebyl nalezen, není "
                                       "přístupný nebo nebyl určen pro tuto verzi programu."));
    EXPECT_EQ(frame->CurrentProject()->FileName, second);
}

} // namespace
