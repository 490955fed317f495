// Host functions: projects and workspaces.
//
// Project number n is the project file proj<n+1>.ini of the projects
// directory; a function given a number loads that project as an object of
// its own and releases it afterwards. Numbers outside 0 .. count-1, and files
// that do not load, give the function's failure value.
#include "scripting/HostFunctions.h"

#include "frame/FrameStrings.h"
#include "frame/FrameWindow.h"
#include "kernel/Kernel.h"
#include "kernel/Settings.h"
#include "projects/Projects.h"

namespace qx::host {

namespace {

const char* const kModule = "Server\\Scripting";

std::unique_ptr<TProject> loadProject(int32_t number)
{
    const std::string dir = GetProjectsDir();
    if (number < 0 || number >= GetProjectCount(dir))
        return nullptr;
    return LoadProjectByIndex(dir, number);
}

TProject* currentProject()
{
    TFrameWindowForm* frame = FrameWindow();
    return frame ? frame->CurrentProject() : nullptr;
}

bool writeProject(TProject& project, const std::string& path)
{
    std::string error;
    if (WriteProjectFile(path, project, &error))
        return true;
    ReportKernelWarning(kModule, std::nullopt, error);
    return false;
}

// Adds a workspace and writes the project; on a failed write the workspace
// is taken out again. The new workspace's number, or -1.
int32_t addWorkspace(TProject& project, const TScriptHostCall& c, int nameArg)
{
    TWorkspace* workspace = project.Workspaces.AddWorkspace(c.Text(nameArg));
    workspace->Description = c.Text(nameArg + 1);
    if (!writeProject(project, project.FileName)) {
        project.Workspaces.RemoveWorkspace(workspace);
        return -1;
    }
    return project.Workspaces.IndexOfWorkspace(workspace);
}

// The workspace's name, description and file count into var arguments
// first .. first+2; FALSE when there is no such workspace.
void workspaceInfo(const TScriptHostCall& c, TWorkspace* workspace, int first)
{
    if (!workspace)
        return;
    StoreString(c.Var(first), workspace->Name());
    StoreString(c.Var(first + 1), workspace->Description);
    StoreInteger(c.Var(first + 2), int32_t(workspace->Files.size()));
    c.ReturnBoolean(true);
}

void workspaceFile(const TScriptHostCall& c, TWorkspace* workspace, int32_t file)
{
    if (workspace && file >= 0 && size_t(file) < workspace->Files.size())
        c.ReturnText(workspace->Files[size_t(file)]);
}

// The frame's save-workspace command, so that the current workspace lists
// the documents open now.
void storeOpenDocuments()
{
    if (TFrameWindowForm* frame = FrameWindow())
        frame->Action_ProjectSaveWorkspaceExecute();
}

} // namespace

void AddProjectFunctions(HostFunctionMap& map)
{
    map["GetProjectCount"] = [](const TScriptHostCall& c) { c.ReturnInteger(GetProjectCount(GetProjectsDir())); };
    map["GetProjectInfo"] = [](const TScriptHostCall& c) {
        std::unique_ptr<TProject> project = loadProject(c.Integer(0));
        if (!project)
            return;
        StoreString(c.Var(1), project->FileName);
        StoreString(c.Var(2), project->Name());
        StoreString(c.Var(3), project->Description);
        c.ReturnBoolean(true);
    };
    map["GetCurrentProject"] = [](const TScriptHostCall& c) {
        int32_t number = -1;
        if (TProject* project = currentProject()) {
            const QString current = QString::fromStdString(project->FileName);
            const std::string dir = GetProjectsDir();
            const int count = GetProjectCount(dir);
            for (int i = 0; i < count && number < 0; ++i)
                if (QString::fromStdString(ProjectFilePath(dir, i + 1)).compare(current, Qt::CaseInsensitive) == 0)
                    number = i;
        }
        c.ReturnInteger(number);
    };
    map["IsProjectOpened"] = [](const TScriptHostCall& c) { c.ReturnBoolean(currentProject() != nullptr); };
    map["OpenProject"] = [](const TScriptHostCall& c) {
        TFrameWindowForm* frame = FrameWindow();
        std::unique_ptr<TProject> project = frame ? loadProject(c.Integer(0)) : nullptr;
        c.ReturnBoolean(project && frame->OpenProject(std::move(project)));
    };
    map["CloseProject"] = [](const TScriptHostCall& c) {
        TFrameWindowForm* frame = FrameWindow();
        c.ReturnBoolean(frame && frame->CloseProject());
    };
    map["CreateProject"] = [](const TScriptHostCall& c) {
        TProject project(c.Text(0));
        project.Description = c.Text(1);
        project.Workspaces.AddWorkspace(
            MakeUniqueWorkspaceName(project, FrameText(FrameString::WorkspaceBaseName).toStdString()));
        const std::string dir = GetProjectsDir();
        c.ReturnInteger(writeProject(project, NewProjectFileName(dir)) ? GetProjectCount(dir) - 1 : -1);
    };
    map["EnumProjectFiles"] = [](const TScriptHostCall& c) {
        std::unique_ptr<TProject> project = loadProject(c.Integer(0));
        if (!project)
            return;
        QStringList files;
        for (const std::string& f : project->Files)
            files.append(QString::fromStdString(f));
        StoreTexts(c.Var(1), files);
        c.ReturnBoolean(true);
    };
    map["SetProjectFiles"] = [](const TScriptHostCall& c) {
        std::unique_ptr<TProject> project = loadProject(c.Integer(0));
        if (!project)
            return;
        project->Files.clear();
        for (const QString& f : ArrayTexts(c.Var(1)))
            project->Files.push_back(f.toStdString());
        c.ReturnBoolean(writeProject(*project, project->FileName));
    };
    map["GetWorkspaceCount"] = [](const TScriptHostCall& c) {
        TProject* project = currentProject();
        c.ReturnInteger(project ? project->Workspaces.GetWorkspaceCount() : 0);
    };
    map["GetWorkspaceCountEx"] = [](const TScriptHostCall& c) {
        std::unique_ptr<TProject> project = loadProject(c.Integer(0));
        c.ReturnInteger(project ? project->Workspaces.GetWorkspaceCount() : 0);
    };
    map["GetCurrentWorkspace"] = [](const TScriptHostCall& c) {
        TFrameWindowForm* frame = FrameWindow();
        TProject* project = currentProject();
        c.ReturnInteger(project && frame->CurrentWorkspace()
                ? project->Workspaces.IndexOfWorkspace(frame->CurrentWorkspace())
                : -1);
    };
    map["OpenWorkspace"] = [](const TScriptHostCall& c) {
        TProject* project = currentProject();
        TWorkspace* workspace = project ? project->Workspaces.GetWorkspace(c.Integer(0)) : nullptr;
        c.ReturnBoolean(workspace && FrameWindow()->OpenWorkspace(workspace));
    };
    map["CloseWorkspace"] = [](const TScriptHostCall& c) {
        TFrameWindowForm* frame = FrameWindow();
        c.ReturnBoolean(frame && frame->CloseWorkspace());
    };
    map["CreateWorkspace"] = [](const TScriptHostCall& c) {
        TProject* project = currentProject();
        if (!project) {
            c.ReturnInteger(-1);
            return;
        }
        const int32_t number = addWorkspace(*project, c, 0);
        FrameWindow()->UpdateProjectActions();
        c.ReturnInteger(number);
    };
    map["CreateWorkspaceEx"] = [](const TScriptHostCall& c) {
        std::unique_ptr<TProject> project = loadProject(c.Integer(0));
        c.ReturnInteger(project ? addWorkspace(*project, c, 1) : -1);
    };
    map["GetWorkspaceFile"] = [](const TScriptHostCall& c) {
        storeOpenDocuments();
        TProject* project = currentProject();
        workspaceFile(c, project ? project->Workspaces.GetWorkspace(c.Integer(0)) : nullptr, c.Integer(1));
    };
    map["GetWorkspaceFileEx"] = [](const TScriptHostCall& c) {
        std::unique_ptr<TProject> project = loadProject(c.Integer(0));
        workspaceFile(c, project ? project->Workspaces.GetWorkspace(c.Integer(1)) : nullptr, c.Integer(2));
    };
    map["GetWorkspaceInfo"] = [](const TScriptHostCall& c) {
        storeOpenDocuments();
        TProject* project = currentProject();
        workspaceInfo(c, project ? project->Workspaces.GetWorkspace(c.Integer(0)) : nullptr, 1);
    };
    map["GetWorkspaceInfoEx"] = [](const TScriptHostCall& c) {
        std::unique_ptr<TProject> project = loadProject(c.Integer(0));
        workspaceInfo(c, project ? project->Workspaces.GetWorkspace(c.Integer(1)) : nullptr, 2);
    };
}

} // namespace qx::host
