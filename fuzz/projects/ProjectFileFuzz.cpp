// Feeds arbitrary bytes to ReadProjectFile as the content of a project file.
// Besides not crashing, hanging or leaking, every file that loads must be a
// fixed point of writing: writing the project, reading that text and writing
// again gives the same text, so a save never changes what a load gave.
//
// Run: fuzz_project_file -dict=fuzz/projects/project.dict NEW_CORPUS_DIR tests/projects/fixtures
#include "projects/Projects.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// A temporary file that is unlinked at once, so no run leaves one behind; it
// stays reachable through /proc/self/fd.
int tempFile(std::string& path)
{
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/qx-fuzz-project-XXXXXX";
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        std::perror("mkstemp");
        std::abort();
    }
    ::unlink(name.c_str());
    path = "/proc/self/fd/" + std::to_string(fd);
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::string path;
    static const int fd = tempFile(path);
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        std::abort();

    std::unique_ptr<TProject> project = ReadProjectFile(path);
    if (!project)
        return 0;
    if (project->FileName != path || project->Workspaces.GetWorkspaceCount() > kMaxProjectWorkspaces)
        std::abort();

    std::string written = ProjectToText(*project);
    std::unique_ptr<TProject> again = ProjectFromText(written, path);
    if (!again || ProjectToText(*again) != written) {
        std::fprintf(stderr, "save and load changed the project:\n%s\n", written.c_str());
        std::abort();
    }
    return 0;
}
