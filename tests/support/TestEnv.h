#pragma once
// Per-test environment: a fresh temporary folder that serves as HOME,
// XDG_CONFIG_HOME and program directory, so no test touches the user's files.
#include <filesystem>
#include <string>

namespace qxtest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Path of a file inside the folder, as a string.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Points HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR (the program's socket)
// into a TempDir for the lifetime of the object and restores the previous
// values afterwards.
class ScopedHome {
public:
    ScopedHome();
    ~ScopedHome();
    const TempDir& dir() const { return dir_; }
    std::string configDir() const { return (dir_.path() / "config").string(); }
    std::string registryFile() const { return (dir_.path() / "config/Quorvix/registry.reg").string(); }
    // A program directory with a trailing '/'.
    std::string programDir() const { return (dir_.path() / "prog").string() + "/"; }

private:
    TempDir dir_;
    std::string oldHome_, oldConfig_, oldRuntime_;
    bool hadHome_ = false, hadConfig_ = false, hadRuntime_ = false;
};

// A full disk: a small tmpfs mounted on a fresh folder for the lifetime of
// the object. Only root may mount one (CI runs as root); elsewhere Mounted()
// is false and a test skips with SkipReason().
class FullDisk {
public:
    explicit FullDisk(int kilobytes = 64);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& SkipReason() const { return skipReason_; }
    std::string file(const std::string& name) const { return (dir_.path() / name).string(); }
    // Takes every byte left with a filler file; Free() removes it.
    void Fill();
    void Free();

private:
    TempDir dir_;
    bool mounted_ = false;
    std::string skipReason_;
};
#define QX_SKIP_WITHOUT_FULL_DISK(disk) \
    if (!(disk).Mounted())              \
    GTEST_SKIP() << (disk).SkipReason()

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
// Folder of the source tree (for fixtures).
std::string SourceDir();

} // namespace qxtest
