#include "TestEnv.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace qxtest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "qxtest-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

FullDisk::FullDisk(int kilobytes)
{
    if (::geteuid() != 0) {
        skipReason_ = "needs root to mount a small tmpfs as a full disk (CI runs as root)";
        return;
    }
    const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0777";
    if (::mount("tmpfs", dir_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        skipReason_ = std::string("cannot mount a small tmpfs as a full disk: ") + std::strerror(errno);
        return;
    }
    mounted_ = true;
}

FullDisk::~FullDisk()
{
    if (mounted_)
        ::umount2(dir_.path().c_str(), MNT_DETACH);
}

void FullDisk::Fill()
{
    const int fd = ::open(file("filler").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create the filler of the full disk");
    static const char block[4096] = {};
    // Down to single bytes: not even the tail of a page is left.
    for (size_t size = sizeof block; size > 0; size /= 2)
        while (::write(fd, block, size) == ssize_t(size)) {
        }
    ::close(fd);
}

void FullDisk::Free()
{
    ::unlink(file("filler").c_str());
}

static void saveEnv(const char* name, std::string& value, bool& had)
{
    const char* v = std::getenv(name);
    had = v != nullptr;
    if (had)
        value = v;
}

static void restoreEnv(const char* name, const std::string& value, bool had)
{
    if (had)
        setenv(name, value.c_str(), 1);
    else
        unsetenv(name);
}

ScopedHome::ScopedHome()
{
    saveEnv("HOME", oldHome_, hadHome_);
    saveEnv("XDG_CONFIG_HOME", oldConfig_, hadConfig_);
    saveEnv("XDG_RUNTIME_DIR", oldRuntime_, hadRuntime_);
    std::filesystem::create_directories(dir_.path() / "config");
    std::filesystem::create_directories(dir_.path() / "run");
    std::filesystem::permissions(dir_.path() / "run", std::filesystem::perms::owner_all);
    std::filesystem::create_directories(dir_.path() / "prog");
    setenv("HOME", dir_.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", configDir().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir_.path() / "run").c_str(), 1);
}

ScopedHome::~ScopedHome()
{
    restoreEnv("HOME", oldHome_, hadHome_);
    restoreEnv("XDG_CONFIG_HOME", oldConfig_, hadConfig_);
    restoreEnv("XDG_RUNTIME_DIR", oldRuntime_, hadRuntime_);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string SourceDir()
{
    return QX_SOURCE_DIR;
}

} // namespace qxtest
