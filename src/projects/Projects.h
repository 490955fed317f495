#pragma once
// Projects and workspaces, and the project files that store them.
//
// A project groups documents under a name, a description and a default
// working directory; its workspaces are named sets of documents that are open
// together. Each project lives in its own file "proj<N>.ini" (N from 1) in the
// projects directory, an INI text (see projects/IniFile.h for the exact text
// form and how values with line breaks are stored):
//
//   [Owner]      App=Quorvix 2
//   [General]    Name, Description, DefaultDir, DefaultWorkspace (a workspace
//                name, empty for none), Version=1.00 (written, never read)
//   [Files]      Count, File1 ... FileN
//   [Workspaces] Count
//   [Workspace1] ... [WorkspaceM]: Name, Description, Files (a count),
//                File1 ... FileK
//
// Everything here is plain data with no user interface; the frame owns the
// open project and keeps its DefaultWorkspace equal to the workspace in use.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Stamp in [Owner] App; a file with any other stamp (letter case included)
// belongs to another program and is not loaded.
inline constexpr const char* kProjectOwner = "Quorvix 2";

// Refusal limits for damaged or foreign files. A real project file is a few
// kilobytes; without these a wrongly chosen file (a disk image, a log) or a
// count of a billion workspaces would exhaust memory or keep the program busy
// for minutes. Files beyond them load as null, like a foreign file.
inline constexpr size_t kMaxProjectFileBytes = 16 * 1024 * 1024;
inline constexpr int kMaxProjectWorkspaces = 10000;

class TProject;

class TWorkspace {
public:
    // An empty name gives the workspace the name "default".
    explicit TWorkspace(const std::string& name);

    const std::string& Name() const { return name_; }
    // Changes the name only to a text that is not empty and differs from it.
    void SetName(const std::string& name);

    std::string Description;
    // Full paths of the workspace's documents, in order. The frame may store an
    // empty path for an unnamed document; the project file drops it on loading.
    std::vector<std::string> Files;

private:
    std::string name_;
};

// The ordered workspaces of a project; owns them. Pointers to a workspace stay
// valid until it is removed or the collection is destroyed.
class TWorkspaces {
public:
    TWorkspaces() = default;
    TWorkspaces(const TWorkspaces&) = delete;
    TWorkspaces& operator=(const TWorkspaces&) = delete;

    int GetWorkspaceCount() const { return int(items_.size()); }
    // The workspace at a 0-based position; null when the position is out of range.
    TWorkspace* GetWorkspace(int index) const;
    // Appends a new workspace with that name ("default" when empty).
    TWorkspace* AddWorkspace(const std::string& name);
    // The first workspace whose name equals name exactly (case included), or null.
    TWorkspace* FindWorkspace(const std::string& name) const;
    // Removes and destroys a workspace of this collection; returns false (and
    // does nothing) for any other pointer. When the collection belongs to a
    // project whose DefaultWorkspace is this workspace, that becomes null.
    bool RemoveWorkspace(TWorkspace* workspace);
    // Position of the workspace, or -1 when it is not in the collection.
    int IndexOfWorkspace(const TWorkspace* workspace) const;

private:
    friend class TProject;
    explicit TWorkspaces(TProject* owner) : owner_(owner) {}

    TProject* owner_ = nullptr;
    std::vector<std::unique_ptr<TWorkspace>> items_;
};

class TProject {
public:
    // The name may be empty here (a new project before its dialog).
    explicit TProject(const std::string& name = {});
    TProject(const TProject&) = delete;
    TProject& operator=(const TProject&) = delete;

    const std::string& Name() const { return name_; }
    // Changes the name only to a text that is not empty and differs from it.
    void SetName(const std::string& name);

    std::string Description;
    std::string DefaultDir;
    // The file the project was loaded from or last written to successfully.
    std::string FileName;
    // Full paths of the documents that belong to the project, in order.
    std::vector<std::string> Files;
    TWorkspaces Workspaces {this};

    // The workspace opened with the project, or null. Only a workspace of this
    // project (or null) is accepted; SetDefaultWorkspace returns false otherwise.
    TWorkspace* DefaultWorkspace() const { return defaultWorkspace_; }
    bool SetDefaultWorkspace(TWorkspace* workspace);

private:
    friend class TWorkspaces;
    std::string name_;
    TWorkspace* defaultWorkspace_ = nullptr;
};

// base + " " + the smallest N from 1 up that no workspace of the project has
// as its name ("Plocha" gives "Plocha 1", "Plocha 2", ...).
std::string MakeUniqueWorkspaceName(const TProject& project, const std::string& base);

// Loads a project file. Null when the file is missing, unreadable, not a
// regular file, larger than kMaxProjectFileBytes, stamped by another program or
// counting more than kMaxProjectWorkspaces workspaces. Within a file that
// loads: counts that are not numbers read as 0, negative counts as 0, missing
// keys as empty texts, empty file entries are skipped, a workspace without a
// name is named "default", and a DefaultWorkspace that names no workspace
// leaves DefaultWorkspace null. FileName becomes path.
std::unique_ptr<TProject> ReadProjectFile(const std::string& path);

// Writes the project file at path, replacing it as a whole and never leaving
// it half-written (see platform/FileWrite.h). On success the project's FileName
// becomes path. On failure the earlier file is intact, FileName is unchanged,
// the result is false and *error holds a message for the user that names the
// file and the system's reason.
[[nodiscard]] bool WriteProjectFile(const std::string& path, TProject& project, std::string* error = nullptr);

// The two halves of reading and writing, on text: ProjectFromText applies the
// rules of ReadProjectFile (except the file size) and sets FileName to fileName.
std::unique_ptr<TProject> ProjectFromText(std::string_view text, const std::string& fileName);
std::string ProjectToText(const TProject& project);

// The projects directory is passed in by the caller (GetProjectsDir() in the
// program); a missing trailing '/' is added. A file counts as present when a
// directory entry of that name exists, even a broken link.

// projectsDir + "proj" + number + ".ini".
std::string ProjectFilePath(const std::string& projectsDir, long long number);
// The first projN.ini, N from 1, that does not exist.
std::string NewProjectFileName(const std::string& projectsDir);
// How many of proj1.ini, proj2.ini, ... exist before the first missing one.
int GetProjectCount(const std::string& projectsDir);
// ReadProjectFile of project number index + 1; null for a negative index.
std::unique_ptr<TProject> LoadProjectByIndex(const std::string& projectsDir, int index);
