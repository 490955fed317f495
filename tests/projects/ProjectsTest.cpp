#include "projects/Projects.h"
#include "platform/FileWrite.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

using qxtest::ReadFile;
using qxtest::SourceDir;
using qxtest::TempDir;
using qxtest::WriteFile;

namespace {

std::string fixture(const std::string& name)
{
    return SourceDir() + "/tests/projects/fixtures/" + name;
}

std::string join(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& s : items)
        out += (out.empty() ? "" : ",") + s;
    return out;
}

// name|description|dir|files|workspace(description)[files];...|default
std::string describe(const TProject* p)
{
    if (!p)
        return "null";
    std::string out = p->Name() + "|" + p->Description + "|" + p->DefaultDir + "|" + join(p->Files) + "|";
    for (int i = 0; i < p->Workspaces.GetWorkspaceCount(); ++i) {
        const TWorkspace* w = p->Workspaces.GetWorkspace(i);
        out += (i ? ";" : "") + w->Name() + "(" + w->Description + ")[" + join(w->Files) + "]";
    }
    return out + "|" + (p->DefaultWorkspace() ? p->DefaultWorkspace()->Name() : "-");
}

// ---------------------------------------------------------------------------
// Objects

TEST(ProjectModel, NamesAreNeverSetEmpty)
{
    TProject project;
    EXPECT_EQ(project.Name(), "");
    project.SetName("A");
    project.SetName("");
    EXPECT_EQ(project.Name(), "A");

    TWorkspace workspace("");
    EXPECT_EQ(workspace.Name(), "default");
    workspace.SetName("");
    EXPECT_EQ(workspace.Name(), "default");
    workspace.SetName("W");
    EXPECT_EQ(workspace.Name(), "W");
}

TEST(ProjectModel, WorkspaceCollectionFindsByExactNameAndPosition)
{
    TProject project;
    TWorkspaces& list = project.Workspaces;
    TWorkspace* a = list.AddWorkspace("");
    TWorkspace* b = list.AddWorkspace("x");
    TWorkspace* c = list.AddWorkspace("X");
    TWorkspace* d = list.AddWorkspace("x");
    EXPECT_EQ(a->Name(), "default");
    EXPECT_EQ(list.FindWorkspace("x"), b);
    EXPECT_EQ(list.FindWorkspace("X"), c);
    EXPECT_EQ(list.FindWorkspace("y"), nullptr);
    EXPECT_EQ(list.IndexOfWorkspace(d), 3);
    EXPECT_EQ(list.GetWorkspace(-1), nullptr);
    EXPECT_EQ(list.GetWorkspace(4), nullptr);

    TWorkspace stranger("x");
    EXPECT_FALSE(list.RemoveWorkspace(&stranger));
    EXPECT_FALSE(list.RemoveWorkspace(nullptr));
    EXPECT_EQ(list.IndexOfWorkspace(&stranger), -1);
    EXPECT_TRUE(list.RemoveWorkspace(b));
    EXPECT_EQ(list.GetWorkspaceCount(), 3);
    EXPECT_EQ(list.GetWorkspace(1), c);
    EXPECT_EQ(list.FindWorkspace("x"), d);
}

TEST(ProjectModel, DefaultWorkspaceIsAlwaysOneOfTheProjectsOwn)
{
    TProject project;
    TWorkspace* first = project.Workspaces.AddWorkspace("one");
    TWorkspace* second = project.Workspaces.AddWorkspace("two");
    TProject other;
    TWorkspace* foreign = other.Workspaces.AddWorkspace("one");

    EXPECT_FALSE(project.SetDefaultWorkspace(foreign));
    EXPECT_EQ(project.DefaultWorkspace(), nullptr);
    EXPECT_TRUE(project.SetDefaultWorkspace(second));
    EXPECT_TRUE(project.Workspaces.RemoveWorkspace(first));
    EXPECT_EQ(project.DefaultWorkspace(), second);
    // Removing the default workspace must not leave a dangling reference.
    EXPECT_TRUE(project.Workspaces.RemoveWorkspace(second));
    EXPECT_EQ(project.DefaultWorkspace(), nullptr);
}

TEST(ProjectModel, MakeUniqueWorkspaceNameTakesTheSmallestFreeNumber)
{
    struct Case {
        std::vector<std::string> existing;
        const char* expected;
    } cases[] = {
        {{}, "Plocha 1"},
        {{"Plocha 1", "Plocha 2"}, "Plocha 3"},
        {{"Plocha 3", "Plocha 1"}, "Plocha 2"},
        {{"plocha 1", "Plocha1", "Plocha 01"}, "Plocha 1"},
    };
    for (const Case& c : cases) {
        TProject project;
        for (const std::string& name : c.existing)
            project.Workspaces.AddWorkspace(name);
        EXPECT_EQ(MakeUniqueWorkspaceName(project, "Plocha"), c.expected) << join(c.existing);
    }
}

// ---------------------------------------------------------------------------
// Reading fixtures

const std::string kGood = "Web|Site sources; a=b|/w/|/w/a.html,/w/b.css|"
                          "Plocha 1()[/w/a.html];Plocha 2(CSS work)[/w/b.css,/w/a.html]|Plocha 2";
const std::string kGoodWorkspaces = "Plocha 1()[/w/a.html];Plocha 2(CSS work)[/w/b.css,/w/a.html]";

struct FixtureCase {
    const char* file;
    std::string expected;
};

class ProjectFixture : public testing::TestWithParam<FixtureCase> {};

TEST_P(ProjectFixture, LoadsAsExpected)
{
    std::string path = fixture(GetParam().file);
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    std::unique_ptr<TProject> project = ReadProjectFile(path);
    EXPECT_EQ(describe(project.get()), GetParam().expected);
    if (project) {
        EXPECT_EQ(project->FileName, path);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ProjectFixture, testing::Values(
    FixtureCase {"good-full.ini", kGood},
    FixtureCase {"owner-other-case.ini", "null"},
    FixtureCase {"owner-missing.ini", "null"},
    FixtureCase {"general-missing.ini", "|||/w/a.html,/w/b.css|" + kGoodWorkspaces + "|-"},
    FixtureCase {"files-gap.ini", "Web|Site sources; a=b|/w/|/w/b.css|" + kGoodWorkspaces + "|Plocha 2"},
    FixtureCase {"files-count-not-number.ini", "Web|Site sources; a=b|/w/||" + kGoodWorkspaces + "|Plocha 2"},
    FixtureCase {"files-count-negative.ini", "Web|Site sources; a=b|/w/||" + kGoodWorkspaces + "|Plocha 2"},
    FixtureCase {"files-count-overflow.ini", "Web|Site sources; a=b|/w/||" + kGoodWorkspaces + "|Plocha 2"},
    FixtureCase {"files-count-billion.ini", kGood},
    FixtureCase {"files-count-too-small.ini", "Web|Site sources; a=b|/w/|/w/a.html|" + kGoodWorkspaces + "|Plocha 2"},
    FixtureCase {"workspaces-count-billion.ini", "null"},
    FixtureCase {"workspaces-count-negative.ini", "Web|Site sources; a=b|/w/|/w/a.html,/w/b.css||-"},
    FixtureCase {"workspace-name-empty.ini", "Web|Site sources; a=b|/w/|/w/a.html,/w/b.css|"
                                             "default()[/w/a.html];Plocha 2(CSS work)[/w/b.css,/w/a.html]|Plocha 2"},
    FixtureCase {"workspace-section-missing.ini", "Web|Site sources; a=b|/w/|/w/a.html,/w/b.css|"
                                                  + kGoodWorkspaces + ";default()[]|Plocha 2"},
    FixtureCase {"workspace-files-count-missing.ini", "Web|Site sources; a=b|/w/|/w/a.html,/w/b.css|"
                                                      "Plocha 1()[/w/a.html];Plocha 2(CSS work)[]|Plocha 2"},
    FixtureCase {"default-workspace-other-case.ini", "Web|Site sources; a=b|/w/|/w/a.html,/w/b.css|" + kGoodWorkspaces + "|-"},
    FixtureCase {"line-ends-lf.ini", kGood},
    FixtureCase {"names-other-case.ini", kGood},
    FixtureCase {"key-repeated.ini", kGood},
    FixtureCase {"noise-lines.ini", kGood},
    FixtureCase {"key-before-sections.ini", kGood}),
    [](const testing::TestParamInfo<FixtureCase>& info) {
        std::string name = info.param.file;
        for (char& c : name)
            if (!isalnum((unsigned char)c))
                c = '_';
        return name;
    });

TEST(ProjectFile, RefusesWhatCannotBeAProjectFile)
{
    TempDir dir;
    EXPECT_EQ(ReadProjectFile(dir.file("missing.ini")), nullptr);
    EXPECT_EQ(ReadProjectFile(dir.path().string()), nullptr);
    ASSERT_EQ(::mkfifo(dir.file("fifo.ini").c_str(), 0600), 0);
    EXPECT_EQ(ReadProjectFile(dir.file("fifo.ini")), nullptr);
    EXPECT_EQ(ReadProjectFile("/dev/zero"), nullptr);
}

TEST(ProjectFile, RefusesFilesAboveTheSizeLimit)
{
    TempDir dir;
    std::string head = "[Owner]\r\nApp=Quorvix 2\r\n[General]\r\nName=Big\r\n;";
    std::string text = head + std::string(kMaxProjectFileBytes - head.size(), 'x');
    WriteFile(dir.file("limit.ini"), text);
    std::unique_ptr<TProject> atLimit = ReadProjectFile(dir.file("limit.ini"));
    ASSERT_NE(atLimit, nullptr);
    EXPECT_EQ(atLimit->Name(), "Big");

    WriteFile(dir.file("over.ini"), text + "x");
    EXPECT_EQ(ReadProjectFile(dir.file("over.ini")), nullptr);
}

TEST(ProjectFile, RefusesWorkspaceCountsAboveTheLimit)
{
    std::string head = "[Owner]\r\nApp=Quorvix 2\r\n[Workspaces]\r\nCount=";
    std::unique_ptr<TProject> atLimit = ProjectFromText(head + std::to_string(kMaxProjectWorkspaces), "p");
    ASSERT_NE(atLimit, nullptr);
    EXPECT_EQ(atLimit->Workspaces.GetWorkspaceCount(), kMaxProjectWorkspaces);
    EXPECT_EQ(atLimit->Workspaces.GetWorkspace(kMaxProjectWorkspaces - 1)->Name(), "default");
    EXPECT_EQ(ProjectFromText(head + std::to_string(kMaxProjectWorkspaces + 1), "p"), nullptr);
}

TEST(ProjectFile, SurvivesBinaryGarbage)
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string garbage(size_t(random() % 3000), '\0');
        for (char& c : garbage)
            c = char(random() % 8 == 0 ? "[]=\r\n"[random() % 5] : random());
        EXPECT_EQ(ProjectFromText(garbage, "p"), nullptr);
        // With a valid stamp the rest still loads as far as it makes sense.
        std::unique_ptr<TProject> stamped = ProjectFromText("[Owner]\nApp=Quorvix 2\n" + garbage, "p");
        ASSERT_NE(stamped, nullptr);
        EXPECT_LE(stamped->Workspaces.GetWorkspaceCount(), kMaxProjectWorkspaces);
    }
}

// ---------------------------------------------------------------------------
// Writing

TEST(ProjectFile, WritesTheFixtureByteForByte)
{
    TempDir dir;
    std::unique_ptr<TProject> project = ReadProjectFile(fixture("good-full.ini"));
    ASSERT_NE(project, nullptr);
    std::string path = dir.file("proj1.ini");
    ASSERT_TRUE(WriteProjectFile(path, *project));
    EXPECT_EQ(project->FileName, path);
    EXPECT_EQ(ReadFile(path), ReadFile(fixture("good-full.ini")));
}

TEST(ProjectFile, ProjectWithoutWorkspacesWritesEmptyValuesAndCountZero)
{
    TempDir dir;
    std::string path = dir.file("p.ini");
    // Longer earlier content must be replaced, not overwritten in part.
    WriteFile(path, std::string(5000, 'z'));
    TProject project("Empty");
    ASSERT_TRUE(WriteProjectFile(path, project));
    EXPECT_EQ(ReadFile(path),
              "[Owner]\r\nApp=Quorvix 2\r\n\r\n"
              "[General]\r\nName=Empty\r\nDescription=\r\nDefaultDir=\r\nDefaultWorkspace=\r\nVersion=1.00\r\n\r\n"
              "[Files]\r\nCount=0\r\n\r\n"
              "[Workspaces]\r\nCount=0\r\n\r\n");
    EXPECT_EQ(describe(ReadProjectFile(path).get()), "Empty|||||-");
}

TEST(ProjectFile, EmptyWorkspaceEntriesAreWrittenAndSkippedOnLoading)
{
    TempDir dir;
    TProject project("P");
    TWorkspace* ws = project.Workspaces.AddWorkspace("W");
    ws->Files = {"/a", "", "/c"};
    project.SetDefaultWorkspace(ws);
    ASSERT_TRUE(WriteProjectFile(dir.file("p.ini"), project));
    EXPECT_NE(ReadFile(dir.file("p.ini")).find("Files=3\r\nFile1=/a\r\nFile2=\r\nFile3=/c\r\n"), std::string::npos);
    EXPECT_EQ(describe(ReadProjectFile(dir.file("p.ini")).get()), "P||||W()[/a,/c]|W");
}

TEST(ProjectFile, EveryTextSurvivesSaveAndLoad)
{
    const std::string values[] = {
        "first line\r\nsecond line", "a\nb", "a\rb", "\n", "\"quoted\"", "\"", "C:\\new\\dir", "trailing\\",
        "  spaces  ", "a=b", "[Workspace1]", "\xC4\x9B\xC5\xA1\xC4\x8D UTF-8", "\"\\n\"", "; not a comment",
    };
    TempDir dir;
    for (const std::string& v : values) {
        TProject project(v);
        project.Description = v;
        project.DefaultDir = v;
        project.Files = {v, "/plain"};
        TWorkspace* ws = project.Workspaces.AddWorkspace(v);
        ws->Description = v;
        ws->Files = {"/plain", v};
        project.Workspaces.AddWorkspace("other");
        project.SetDefaultWorkspace(ws);
        std::string path = dir.file("p.ini");
        ASSERT_TRUE(WriteProjectFile(path, project));
        std::unique_ptr<TProject> back = ReadProjectFile(path);
        EXPECT_EQ(describe(back.get()), describe(&project)) << ReadFile(path);
    }
}

// Lowers the process's file size limit, so that writing more fails with EFBIG
// (a full disk in miniature, which works for root too).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
};

TEST(ProjectFile, FailedWriteKeepsTheOldFileAndSaysWhy)
{
    TempDir dir;
    std::string path = dir.file("proj1.ini");
    TProject project("Old");
    ASSERT_TRUE(WriteProjectFile(path, project));
    std::string before = ReadFile(path);

    project.SetName("New");
    project.Description = std::string(4096, 'd');
    project.FileName = "unchanged";
    std::string error;
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(WriteProjectFile(path, project, &error));
    }
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(project.FileName, "unchanged");
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(qx::FileErrorText(EFBIG)), std::string::npos) << error;
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    EXPECT_FALSE(WriteProjectFile(dir.file("missing/proj1.ini"), project, &error));
    EXPECT_NE(error.find(dir.file("missing/proj1.ini")), std::string::npos) << error;
}

// ---------------------------------------------------------------------------
// Projects directory

TEST(ProjectsDirectory, CountsAnUnbrokenRowAndFillsTheFirstGap)
{
    struct Case {
        std::vector<int> present;
        int count;
        int next;
    } cases[] = {
        {{}, 0, 1}, {{1, 2, 4}, 2, 3}, {{2, 3}, 0, 1}, {{1, 2, 3}, 3, 4},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (int n : c.present)
            WriteFile(ProjectFilePath(dir.path().string(), n), "");
        for (std::string projectsDir : {dir.path().string() + "/", dir.path().string()}) {
            EXPECT_EQ(GetProjectCount(projectsDir), c.count);
            EXPECT_EQ(NewProjectFileName(projectsDir), dir.path().string() + "/proj" + std::to_string(c.next) + ".ini");
        }
    }
}

TEST(ProjectsDirectory, BrokenLinkHoldsItsNumber)
{
    TempDir dir;
    std::string projectsDir = dir.path().string() + "/";
    WriteFile(projectsDir + "proj1.ini", "");
    std::filesystem::create_symlink("nowhere.ini", projectsDir + "proj2.ini");
    EXPECT_EQ(GetProjectCount(projectsDir), 2);
    EXPECT_EQ(NewProjectFileName(projectsDir), projectsDir + "proj3.ini");
    EXPECT_EQ(LoadProjectByIndex(projectsDir, 1), nullptr);
}

TEST(ProjectsDirectory, LoadProjectByIndexReadsNumberIndexPlusOne)
{
    TempDir dir;
    std::string projectsDir = dir.path().string() + "/";
    TProject first("First"), second("Second");
    ASSERT_TRUE(WriteProjectFile(NewProjectFileName(projectsDir), first));
    ASSERT_TRUE(WriteProjectFile(NewProjectFileName(projectsDir), second));
    WriteFile(projectsDir + "proj3.ini", "[Owner]\r\nApp=Another Editor\r\n");

    std::unique_ptr<TProject> loaded = LoadProjectByIndex(projectsDir, 1);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Name(), "Second");
    EXPECT_EQ(loaded->FileName, projectsDir + "proj2.ini");
    EXPECT_EQ(LoadProjectByIndex(projectsDir, 2), nullptr);
    EXPECT_EQ(LoadProjectByIndex(projectsDir, 3), nullptr);
    EXPECT_EQ(LoadProjectByIndex(projectsDir, -1), nullptr);
    EXPECT_EQ(LoadProjectByIndex(projectsDir, 2147483647), nullptr);
}

} // namespace
