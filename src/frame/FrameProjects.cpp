// Closing documents, workspaces and the project: what the close query and
// the project commands build on.
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "frame/FrameStatusBar.h"
#include "plugins/Cookies.h"
#include "plugins/PluginWindowList.h"
#include "projects/Projects.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiSubWindow>

// Asks the window's close query; on yes the window leaves the lists at once
// (a closed document is never found by OpenFile again) and is destroyed on
// the next turn of the message loop.
bool TFrameWindowForm::closeDocumentWindow(TQX_PluginWindow* window, bool saveCookie)
{
    QCloseEvent query;
    QCoreApplication::sendEvent(window, &query);
    if (!query.isAccepted())
        return false;
    if (saveCookie)
        SaveWindowCookie(window);
    discardDocumentWindow(window);
    return true;
}

void TFrameWindowForm::discardDocumentWindow(TQX_PluginWindow* window)
{
    RemoveDocumentWindow(window);
    if (QMdiSubWindow* sub = subWindowOf(window)) {
        sub->hide();
        sub->deleteLater();
    } else {
        window->hide();
        window->deleteLater();
    }
}

bool TFrameWindowForm::CloseDocuments()
{
    for (int i = GetDocumentWindowCount(); i-- > 0;) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        if (!closeDocumentWindow(window, true))
            return false;
    }
    return true;
}

void TFrameWindowForm::Action_WindowCloseExecute()
{
    if (TQX_PluginWindow* window = GetActiveDocumentWindow())
        closeDocumentWindow(window, false);
}

void TFrameWindowForm::Action_WindowCloseAllExecute()
{
    // Last to first; a window that refuses stays and the others go on.
    for (int i = GetDocumentWindowCount(); i-- > 0;) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        closeDocumentWindow(window, false);
    }
}

void TFrameWindowForm::StoreWorkspaceFiles(TWorkspace* workspace)
{
    workspace->Files.clear();
    for (int i = 0; i < GetDocumentWindowCount(); ++i)
        workspace->Files.push_back(GetDocumentWindow(i)->FileName.toStdString());
}

void TFrameWindowForm::SaveProject()
{
    if (!project_ || !workspace_)
        return;
    StoreWorkspaceFiles(workspace_);
    std::string error;
    if (!WriteProjectFile(project_->FileName, *project_, &error))
        CheckPositiveResult(false, QString::fromStdString(error));
}

bool TFrameWindowForm::CloseWorkspace()
{
    SaveProject();
    const bool closed = CloseDocuments();
    if (closed) {
        workspace_ = nullptr;
        if (project_)
            project_->SetDefaultWorkspace(nullptr);
    }
    RequestToolbarUpdate();
    UpdateProjectActions();
    return closed;
}

bool TFrameWindowForm::CloseProject()
{
    if (project_)
        SaveProject();
    if (!CloseWorkspace())
        return false;
    project_.reset();
    workspace_ = nullptr;
    RequestToolbarUpdate();
    UpdateProjectActions();
    return true;
}

bool TFrameWindowForm::OpenProject(std::unique_ptr<TProject> project)
{
    if (!project)
        return false;
    if (project_
        && QString::fromStdString(project_->FileName)
                .compare(QString::fromStdString(project->FileName), Qt::CaseInsensitive)
            == 0)
        return true;
    // The project in use, or without one the loose documents, go first.
    if (project_ ? !CloseProject() : !CloseWorkspace())
        return false;
    project_ = std::move(project);
    workspace_ = nullptr;
    if (!project_->DefaultDir.empty())
        SetInitialDir(QString::fromStdString(project_->DefaultDir));
    TWorkspace* workspace = project_->DefaultWorkspace();
    if (!workspace)
        workspace = project_->Workspaces.GetWorkspace(0);
    if (workspace)
        OpenWorkspace(workspace);
    RequestToolbarUpdate();
    UpdateProjectActions();
    return true;
}

bool TFrameWindowForm::OpenWorkspace(TWorkspace* workspace)
{
    if (!workspace)
        return false;
    if (workspace == workspace_)
        return true;
    if (workspace_)
        StoreWorkspaceFiles(workspace_);
    if (!CloseWorkspace())
        return false;
    // A copy: opening a document may run code that stores the workspace.
    const std::vector<std::string> files = workspace->Files;
    const int count = int(files.size());
    try {
        for (int i = 0; i < count; ++i) {
            SetProgressBarStatus(i + 1, count);
            OpenFile(QString::fromStdString(files[size_t(i)]), DefaultEntryID());
        }
    } catch (...) {
        ResetProgressBar();
        throw;
    }
    ResetProgressBar();
    SetCurrentWorkspace(workspace);
    RequestToolbarUpdate();
    UpdateProjectActions();
    return true;
}

void TFrameWindowForm::SetCurrentProject(std::unique_ptr<TProject> project)
{
    project_ = std::move(project);
    workspace_ = nullptr;
}

void TFrameWindowForm::SetCurrentWorkspace(TWorkspace* workspace)
{
    workspace_ = workspace;
    if (project_)
        project_->SetDefaultWorkspace(workspace);
}

void TFrameWindowForm::Action_ProjectSaveExecute()
{
    SaveProject();
}

void TFrameWindowForm::Action_ProjectSaveWorkspaceExecute()
{
    // Memory only: the file is written by SaveProject.
    if (project_ && workspace_)
        StoreWorkspaceFiles(workspace_);
}

void TFrameWindowForm::Action_ProjectCloseExecute()
{
    CloseProject();
}
