// Closing documents, workspaces and the project: what the close query and
// the project commands build on.
#include "frame/FrameWindow.h"

#include "QX_Types.h"
#include "frame/FrameStatusBar.h"
#include "plugins/Cookies.h"
#include "plugins/PluginWindowList.h"
#include "projects/Projects.h"
#include "ui/WindowLifetime.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QPointer>

#include <vector>

namespace {

// The document windows as they are now, last to first: closing one may run
// scripts and questions that close others, so the loops below never walk
// the live list by index.
std::vector<QPointer<TQX_PluginWindow>> documentWindowsLastFirst()
{
    std::vector<QPointer<TQX_PluginWindow>> windows;
    for (int i = GetDocumentWindowCount(); i-- > 0;)
        windows.emplace_back(GetDocumentWindow(i));
    return windows;
}

// Still open: not destroyed, and not closed meanwhile (a closed window
// leaves the list at once and is destroyed later).
bool stillOpen(const QPointer<TQX_PluginWindow>& window)
{
    if (!window)
        return false;
    for (int i = 0; i < GetDocumentWindowCount(); ++i)
        if (GetDocumentWindow(i) == window)
            return true;
    return false;
}

} // namespace

// Asks the window's close query; on yes the window leaves the lists at once
// (a closed document is never found by OpenFile again) and is destroyed on
// the next turn of the message loop, or, when the close came while a
// question of the window itself was open (a script's call served inside its
// loop), the question is cancelled and the window goes once that loop has
// returned.
bool TFrameWindowForm::closeDocumentWindow(TQX_PluginWindow* window, bool saveCookie)
{
    const QPointer<TQX_PluginWindow> alive(window);
    QCloseEvent query;
    QCoreApplication::sendEvent(window, &query);
    // Gone during its own close query (a plug-in that deletes itself): closed.
    if (!alive)
        return true;
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
    QWidget* shown = subWindowOf(window);
    if (!shown)
        shown = window;
    shown->hide();
    DeleteWhenItsLoopsEnd(shown);
}

bool TFrameWindowForm::CloseDocuments()
{
    for (const QPointer<TQX_PluginWindow>& window : documentWindowsLastFirst())
        if (stillOpen(window) && !closeDocumentWindow(window, true))
            return false;
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
    for (const QPointer<TQX_PluginWindow>& window : documentWindowsLastFirst())
        if (stillOpen(window))
            closeDocumentWindow(window, false);
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
