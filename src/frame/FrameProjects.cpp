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

namespace {

// Asks the window's close query; on yes the window leaves the lists at once
// (a closed document is never found by OpenFile again) and is destroyed on
// the next turn of the message loop.
bool closeDocumentWindow(TQX_PluginWindow* window, QMdiSubWindow* sub, bool saveCookie)
{
    QCloseEvent query;
    QCoreApplication::sendEvent(window, &query);
    if (!query.isAccepted())
        return false;
    if (saveCookie)
        SaveWindowCookie(window);
    RemoveDocumentWindow(window);
    if (sub) {
        sub->hide();
        sub->deleteLater();
    } else {
        window->hide();
        window->deleteLater();
    }
    return true;
}

} // namespace

bool TFrameWindowForm::CloseDocuments()
{
    for (int i = GetDocumentWindowCount(); i-- > 0;) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        if (!closeDocumentWindow(window, subWindowOf(window), true))
            return false;
    }
    return true;
}

void TFrameWindowForm::Action_WindowCloseExecute()
{
    if (TQX_PluginWindow* window = GetActiveDocumentWindow())
        closeDocumentWindow(window, subWindowOf(window), false);
}

void TFrameWindowForm::Action_WindowCloseAllExecute()
{
    // Last to first; a window that refuses stays and the others go on.
    for (int i = GetDocumentWindowCount(); i-- > 0;) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        closeDocumentWindow(window, subWindowOf(window), false);
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

void TFrameWindowForm::Action_ProjectCloseExecute()
{
    CloseProject();
}
