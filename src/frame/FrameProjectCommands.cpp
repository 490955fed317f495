// The Project menu: creating, opening and setting up projects, the workspace
// commands, and the three list submenus (projects of the projects directory,
// workspaces of the open project, documents of the open project) that the
// menu and the project toolbar's drop-downs share.
#include "frame/FrameWindow.h"

#include "files/ExtOpenDialog.h"
#include "frame/FrameStrings.h"
#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "projects/ProjectOptions.h"
#include "projects/Projects.h"
#include "projects/SelectWorkspace.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QWidgetAction>

namespace {

// The list submenus begin with the title item, a separator and the "(není)"
// placeholder; the items of the list follow them.
constexpr int kFixedListItems = 3;

QString toQ(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string fromQ(const QString& text)
{
    return text.toStdString();
}

// A question with the buttons Yes and No; true for Yes.
bool askYesNo(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kApplicationTitle), text,
        QMessageBox::Yes | QMessageBox::No, owner);
    box.setObjectName(QStringLiteral("ProjectQuestion"));
    return box.exec() == QMessageBox::Yes;
}

void showError(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("ProjectError"));
    box.exec();
}

// Removes the items built for the list and returns the placeholder.
QAction* clearListSubmenu(QMenu* menu)
{
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = kFixedListItems; i < items.size(); ++i) {
        menu->removeAction(items[i]);
        items[i]->deleteLater();
    }
    return items.size() >= kFixedListItems ? items[kFixedListItems - 1] : nullptr;
}

// The caption label of the list submenu's title item.
void setListTitle(QMenu* menu, const QString& title)
{
    const QList<QAction*> items = menu->actions();
    auto* item = items.isEmpty() ? nullptr : qobject_cast<QWidgetAction*>(items.first());
    if (!item || !item->defaultWidget())
        return;
    const QList<QLabel*> labels = item->defaultWidget()->findChildren<QLabel*>();
    if (!labels.isEmpty())
        labels.last()->setText(QString(title).remove(QLatin1Char('&')));
}

// Takes the dialog's file list over into files, in the dialog's order.
void takeDialogFiles(const TProjectOptionsForm& form, std::vector<std::string>& files)
{
    files.clear();
    for (const QString& path : form.Paths())
        files.push_back(fromQ(path));
}

std::string projectsDir()
{
    return GetProjectsDir();
}

} // namespace

void TFrameWindowForm::createProjectCommands()
{
    // The toolbar's split buttons show these same menus as their drop-downs,
    // so a rebuild on showing serves the menu and the drop-down alike.
    connect(openProjectSubmenu_, &QMenu::aboutToShow, this, &TFrameWindowForm::rebuildProjectListMenu);
    connect(openWorkspaceSubmenu_, &QMenu::aboutToShow, this, &TFrameWindowForm::rebuildWorkspaceListMenu);
    connect(openProjectDocumentSubmenu_, &QMenu::aboutToShow, this, &TFrameWindowForm::rebuildProjectDocumentMenu);
}

// ---------------------------------------------------------------------------
// List submenus
// ---------------------------------------------------------------------------

void TFrameWindowForm::rebuildProjectListMenu()
{
    QMenu* menu = openProjectSubmenu_;
    QAction* none = clearListSubmenu(menu);
    const std::string dir = projectsDir();
    const int count = GetProjectCount(dir);
    for (int i = 0; i < count; ++i) {
        // Loaded only for its name and description, released at once. A file
        // that does not load keeps its place under its file name, so that the
        // numbering of the items matches the files; its click reports it.
        std::unique_ptr<TProject> project = LoadProjectByIndex(dir, i);
        const QString caption = project ? toQ(project->Name())
                                        : QFileInfo(toQ(ProjectFilePath(dir, i + 1))).fileName();
        QAction* item = menu->addAction(caption);
        item->setObjectName(QStringLiteral("ProjectListItem"));
        item->setData(i);
        if (project)
            item->setStatusTip(toQ(project->Description));
        connect(item, &QAction::triggered, this, [this, i] { ProjectListItemClick(i); });
    }
    if (none)
        none->setVisible(count == 0);
}

void TFrameWindowForm::rebuildWorkspaceListMenu()
{
    QMenu* menu = openWorkspaceSubmenu_;
    QAction* none = clearListSubmenu(menu);
    const int count = project_ ? project_->Workspaces.GetWorkspaceCount() : 0;
    for (int i = 0; i < count; ++i) {
        TWorkspace* workspace = project_->Workspaces.GetWorkspace(i);
        QAction* item = menu->addAction(toQ(workspace->Name()));
        item->setObjectName(QStringLiteral("WorkspaceListItem"));
        item->setData(i);
        item->setStatusTip(toQ(workspace->Description));
        item->setCheckable(true);
        item->setChecked(workspace == project_->DefaultWorkspace());
        connect(item, &QAction::triggered, this, [this, i] { WorkspaceListItemClick(i); });
    }
    if (none)
        none->setVisible(count == 0);
}

void TFrameWindowForm::rebuildProjectDocumentMenu()
{
    QMenu* menu = openProjectDocumentSubmenu_;
    QAction* none = clearListSubmenu(menu);
    setListTitle(menu, project_ ? FrameText(FrameString::ProjectDocumentsTitle).arg(toQ(project_->Name()))
                                : FrameText(FrameString::NoProjectOpen));
    const std::vector<std::string> files = project_ ? project_->Files : std::vector<std::string>();
    for (size_t i = 0; i < files.size(); ++i) {
        const QString path = toQ(files[i]);
        QAction* item = menu->addAction(QFileInfo(path).fileName());
        item->setObjectName(QStringLiteral("ProjectDocumentItem"));
        item->setData(int(i));
        item->setStatusTip(path);
        connect(item, &QAction::triggered, this, [this, path] { ProjectDocumentItemClick(path); });
    }
    if (none)
        none->setVisible(files.empty());
}

void TFrameWindowForm::ProjectListItemClick(int index)
{
    std::unique_ptr<TProject> project = LoadProjectByIndex(projectsDir(), index);
    if (!project) {
        showError(this, FrameText(FrameString::ProjectListItemFailed));
        return;
    }
    OpenProject(std::move(project));
}

void TFrameWindowForm::WorkspaceListItemClick(int index)
{
    if (!project_)
        return;
    if (TWorkspace* workspace = project_->Workspaces.GetWorkspace(index))
        OpenWorkspace(workspace);
}

void TFrameWindowForm::ProjectDocumentItemClick(const QString& path)
{
    OpenFile(path, DefaultEntryID());
}

// ---------------------------------------------------------------------------
// Project commands
// ---------------------------------------------------------------------------

void TFrameWindowForm::Action_ProjectNewExecute()
{
    auto project = std::make_unique<TProject>();
    {
        TProjectOptionsForm form(this);
        form.Project = project.get();
        if (form.exec() != QDialog::Accepted)
            return;
        project->SetName(fromQ(form.ProjNameEdit->text()));
        project->Description = fromQ(form.ProjDescEdit->text());
        project->DefaultDir = fromQ(form.DirEdit->text());
        takeDialogFiles(form, project->Files);
    }
    project->Workspaces.AddWorkspace(
        MakeUniqueWorkspaceName(*project, fromQ(FrameText(FrameString::WorkspaceBaseName))));

    // A first project finds no projects directory yet.
    const std::string dir = projectsDir();
    QDir().mkpath(toQ(dir));
    std::string error;
    if (!WriteProjectFile(NewProjectFileName(dir), *project, &error)) {
        // A project without its file could not be saved later either.
        showError(this, toQ(error));
        return;
    }
    if (askYesNo(this, FrameText(FrameString::OpenNewProject).arg(toQ(project->Name()))))
        OpenProject(std::move(project));
}

void TFrameWindowForm::Action_ProjectOpenExecute()
{
    // The projects directory, not the frame's initial directory, which stays.
    TExtOpenChoice choice;
    if (!ShowExtOpenDialog(this, {FrameText(FrameString::ProjectFilter), false, toQ(projectsDir())}, choice)
        || choice.Files.isEmpty())
        return;
    const QString file = choice.Files.first();
    std::unique_ptr<TProject> project = ReadProjectFile(fromQ(file));
    if (!project) {
        showError(this, FrameText(FrameString::ProjectOpenFailed).arg(QFileInfo(file).fileName()));
        return;
    }
    OpenProject(std::move(project));
}

void TFrameWindowForm::Action_ProjectSetupExecute()
{
    if (!project_)
        return;
    TProjectOptionsForm form(this);
    form.Project = project_.get();
    // The name of an existing project stays; the field shows it greyed.
    form.ProjNameEdit->setReadOnly(true);
    QPalette palette = form.ProjNameEdit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    form.ProjNameEdit->setPalette(palette);
    if (form.exec() != QDialog::Accepted)
        return;
    project_->Description = fromQ(form.ProjDescEdit->text());
    project_->DefaultDir = fromQ(form.DirEdit->text());
    takeDialogFiles(form, project_->Files);
    UpdateProjectActions();
    RequestToolbarUpdate();
}

void TFrameWindowForm::Action_ProjectNewWorkspaceExecute()
{
    if (!project_)
        return;
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("NewWorkspaceQuery"));
    dialog.setWindowTitle(FrameText(FrameString::NewWorkspaceCaption));
    dialog.setLabelText(FrameText(FrameString::NewWorkspacePrompt));
    dialog.setTextValue(toQ(MakeUniqueWorkspaceName(*project_, fromQ(FrameText(FrameString::WorkspaceBaseName)))));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string name = fromQ(dialog.textValue());
    // An empty name becomes "default", which must be unique as well.
    const std::string effective = name.empty() ? std::string("default") : name;
    if (project_->Workspaces.FindWorkspace(effective)) {
        showError(this, FrameText(FrameString::DuplicateWorkspace).arg(toQ(effective)));
        return;
    }
    OpenWorkspace(project_->Workspaces.AddWorkspace(name));
}

void TFrameWindowForm::Action_ProjectOpenWorkspaceExecute()
{
    if (!project_ || !project_->DefaultWorkspace())
        return;
    StoreWorkspaceFiles(project_->DefaultWorkspace());
    TSelectWorkspaceForm form(this);
    form.Project = project_.get();
    if (form.exec() != QDialog::Accepted)
        return;
    if (TWorkspace* workspace = project_->Workspaces.GetWorkspace(form.ComboBox1->currentIndex()))
        OpenWorkspace(workspace);
}

void TFrameWindowForm::Action_ProjectDeleteWorkspaceExecute()
{
    if (!project_ || !workspace_)
        return;
    if (!askYesNo(this, FrameText(FrameString::DeleteWorkspace).arg(toQ(workspace_->Name()))))
        return;
    TWorkspace* doomed = workspace_;
    workspace_ = nullptr;
    project_->SetDefaultWorkspace(nullptr);
    project_->Workspaces.RemoveWorkspace(doomed);
    std::string error;
    if (!WriteProjectFile(project_->FileName, *project_, &error))
        CheckPositiveResult(false, toQ(error));
    // A document that refuses stays open, without a workspace.
    CloseDocuments();
    RequestToolbarUpdate();
    UpdateProjectActions();
}
