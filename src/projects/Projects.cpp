#include "projects/Projects.h"

#include "projects/IniFile.h"
#include "platform/FileWrite.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>
#include <utility>

namespace {

// Section and key names of the project file, in the order they are written.
constexpr const char* kSecOwner = "Owner";
constexpr const char* kKeyApp = "App";
constexpr const char* kSecGeneral = "General";
constexpr const char* kKeyName = "Name";
constexpr const char* kKeyDescription = "Description";
constexpr const char* kKeyDefaultDir = "DefaultDir";
constexpr const char* kKeyDefaultWorkspace = "DefaultWorkspace";
constexpr const char* kKeyVersion = "Version";
constexpr const char* kFileVersion = "1.00";
constexpr const char* kSecFiles = "Files";
constexpr const char* kKeyCount = "Count";
constexpr const char* kSecWorkspaces = "Workspaces";
constexpr const char* kSecWorkspacePrefix = "Workspace";
constexpr const char* kKeyWorkspaceFiles = "Files";
constexpr const char* kKeyFilePrefix = "File";

constexpr const char* kDefaultWorkspaceName = "default";

// Message for a failed write: file name, then the system's reason.
constexpr const char* kMsgCannotWrite = "Soubor projektu %s nelze uložit: %s";

std::string format2(std::string_view pattern, const std::string& a, const std::string& b)
{
    std::string out(pattern);
    size_t at = out.find("%s");
    out.replace(at, 2, a);
    at = out.find("%s", at + a.size());
    out.replace(at, 2, b);
    return out;
}

std::string numbered(const char* prefix, long long n)
{
    return prefix + std::to_string(n);
}

// The number N of a key "File<N>" as written for N (ASCII case ignored), or -1.
// A lookup of "File" + N for every N up to the count would take minutes for a
// count of a billion; scanning the keys that exist gives the same entries.
long long fileKeyNumber(std::string_view key)
{
    constexpr std::string_view prefix = "file";
    if (key.size() <= prefix.size() || key.size() > prefix.size() + 10)
        return -1;
    for (size_t i = 0; i < prefix.size(); ++i)
        if ((key[i] | 0x20) != prefix[i])
            return -1;
    std::string_view digits = key.substr(prefix.size());
    if (digits.front() == '0')
        return -1;
    long long n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// File1 ... File<count> of a section, in number order, empty entries skipped.
std::vector<std::string> readFileList(const qx::IniFile& ini, const std::string& section, int count)
{
    std::vector<std::pair<long long, const std::string*>> found;
    if (count <= 0)
        return {};
    for (const qx::IniEntry& entry : ini.Entries(section)) {
        long long n = fileKeyNumber(entry.key);
        if (n >= 1 && n <= count && !entry.value.empty())
            found.emplace_back(n, &entry.value);
    }
    // Keys are unique within a section, so the numbers are too.
    std::sort(found.begin(), found.end());
    std::vector<std::string> files;
    files.reserve(found.size());
    for (const auto& f : found)
        files.push_back(*f.second);
    return files;
}

void writeFileList(qx::IniFile& ini, const std::string& section, const char* countKey,
                   const std::vector<std::string>& files)
{
    ini.WriteInteger(section, countKey, (long long)files.size());
    for (size_t i = 0; i < files.size(); ++i)
        ini.WriteString(section, numbered(kKeyFilePrefix, (long long)i + 1), files[i]);
}

bool entryExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

} // namespace

// ---------------------------------------------------------------------------
// Objects

TWorkspace::TWorkspace(const std::string& name) : name_(name.empty() ? kDefaultWorkspaceName : name) {}

void TWorkspace::SetName(const std::string& name)
{
    if (!name.empty() && name != name_)
        name_ = name;
}

TWorkspace* TWorkspaces::GetWorkspace(int index) const
{
    if (index < 0 || index >= GetWorkspaceCount())
        return nullptr;
    return items_[size_t(index)].get();
}

TWorkspace* TWorkspaces::AddWorkspace(const std::string& name)
{
    items_.push_back(std::make_unique<TWorkspace>(name));
    return items_.back().get();
}

TWorkspace* TWorkspaces::FindWorkspace(const std::string& name) const
{
    for (const auto& w : items_)
        if (w->Name() == name)
            return w.get();
    return nullptr;
}

bool TWorkspaces::RemoveWorkspace(TWorkspace* workspace)
{
    int index = IndexOfWorkspace(workspace);
    if (index < 0)
        return false;
    // The project must not keep pointing at a workspace that no longer exists.
    if (owner_ && owner_->defaultWorkspace_ == workspace)
        owner_->defaultWorkspace_ = nullptr;
    items_.erase(items_.begin() + index);
    return true;
}

int TWorkspaces::IndexOfWorkspace(const TWorkspace* workspace) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == workspace)
            return int(i);
    return -1;
}

TProject::TProject(const std::string& name) : name_(name) {}

void TProject::SetName(const std::string& name)
{
    if (!name.empty() && name != name_)
        name_ = name;
}

bool TProject::SetDefaultWorkspace(TWorkspace* workspace)
{
    if (workspace && Workspaces.IndexOfWorkspace(workspace) < 0)
        return false;
    defaultWorkspace_ = workspace;
    return true;
}

std::string MakeUniqueWorkspaceName(const TProject& project, const std::string& base)
{
    std::unordered_set<std::string> taken;
    for (int i = 0; i < project.Workspaces.GetWorkspaceCount(); ++i)
        taken.insert(project.Workspaces.GetWorkspace(i)->Name());
    // At most count + 1 candidates: each workspace blocks one number.
    for (long long n = 1;; ++n) {
        std::string candidate = base + " " + std::to_string(n);
        if (!taken.count(candidate))
            return candidate;
    }
}

// ---------------------------------------------------------------------------
// Project file

std::unique_ptr<TProject> ProjectFromText(std::string_view text, const std::string& fileName)
{
    qx::IniFile ini = qx::IniFile::Parse(text);
    if (ini.ReadString(kSecOwner, kKeyApp) != kProjectOwner)
        return nullptr;

    // Every counted workspace is created, even without a section of its own,
    // so a huge count has to be refused rather than followed.
    int workspaceCount = ini.ReadInteger(kSecWorkspaces, kKeyCount, 0);
    if (workspaceCount > kMaxProjectWorkspaces)
        return nullptr;

    auto project = std::make_unique<TProject>();
    project->SetName(ini.ReadString(kSecGeneral, kKeyName));
    project->Description = ini.ReadString(kSecGeneral, kKeyDescription);
    project->DefaultDir = ini.ReadString(kSecGeneral, kKeyDefaultDir);
    project->FileName = fileName;
    project->Files = readFileList(ini, kSecFiles, ini.ReadInteger(kSecFiles, kKeyCount, 0));

    for (int j = 1; j <= workspaceCount; ++j) {
        std::string section = numbered(kSecWorkspacePrefix, j);
        TWorkspace* ws = project->Workspaces.AddWorkspace(kDefaultWorkspaceName);
        ws->SetName(ini.ReadString(section, kKeyName));
        ws->Description = ini.ReadString(section, kKeyDescription);
        ws->Files = readFileList(ini, section, ini.ReadInteger(section, kKeyWorkspaceFiles, 0));
    }

    std::string defaultName = ini.ReadString(kSecGeneral, kKeyDefaultWorkspace);
    if (!defaultName.empty())
        project->SetDefaultWorkspace(project->Workspaces.FindWorkspace(defaultName));
    return project;
}

std::string ProjectToText(const TProject& project)
{
    qx::IniFile ini;
    ini.WriteString(kSecOwner, kKeyApp, kProjectOwner);
    ini.WriteString(kSecGeneral, kKeyName, project.Name());
    ini.WriteString(kSecGeneral, kKeyDescription, project.Description);
    ini.WriteString(kSecGeneral, kKeyDefaultDir, project.DefaultDir);
    const TWorkspace* def = project.DefaultWorkspace();
    ini.WriteString(kSecGeneral, kKeyDefaultWorkspace, def ? def->Name() : std::string());
    ini.WriteString(kSecGeneral, kKeyVersion, kFileVersion);
    writeFileList(ini, kSecFiles, kKeyCount, project.Files);

    const TWorkspaces& list = project.Workspaces;
    ini.WriteInteger(kSecWorkspaces, kKeyCount, list.GetWorkspaceCount());
    for (int j = 0; j < list.GetWorkspaceCount(); ++j) {
        const TWorkspace* ws = list.GetWorkspace(j);
        std::string section = numbered(kSecWorkspacePrefix, j + 1);
        ini.WriteString(section, kKeyName, ws->Name());
        ini.WriteString(section, kKeyDescription, ws->Description);
        writeFileList(ini, section, kKeyWorkspaceFiles, ws->Files);
    }
    return ini.Serialize();
}

std::unique_ptr<TProject> ReadProjectFile(const std::string& path)
{
    std::string text;
    // Any failure to read (missing, unreadable, not a file, too large) makes the
    // file read as empty, which carries no owner stamp.
    if (!qx::ReadTextFile(path, kMaxProjectFileBytes, text))
        return nullptr;
    return ProjectFromText(text, path);
}

bool WriteProjectFile(const std::string& path, TProject& project, std::string* error)
{
    std::string reason;
    if (!qx::WriteFileAtomically(path, ProjectToText(project), &reason)) {
        if (error)
            *error = format2(kMsgCannotWrite, path, reason);
        return false;
    }
    project.FileName = path;
    return true;
}

// ---------------------------------------------------------------------------
// Projects directory

std::string ProjectFilePath(const std::string& projectsDir, long long number)
{
    std::string dir = projectsDir;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir + "proj" + std::to_string(number) + ".ini";
}

std::string NewProjectFileName(const std::string& projectsDir)
{
    for (long long n = 1;; ++n) {
        std::string path = ProjectFilePath(projectsDir, n);
        if (!entryExists(path))
            return path;
    }
}

int GetProjectCount(const std::string& projectsDir)
{
    int count = 0;
    while (entryExists(ProjectFilePath(projectsDir, count + 1)))
        ++count;
    return count;
}

std::unique_ptr<TProject> LoadProjectByIndex(const std::string& projectsDir, int index)
{
    if (index < 0)
        return nullptr;
    return ReadProjectFile(ProjectFilePath(projectsDir, (long long)index + 1));
}
