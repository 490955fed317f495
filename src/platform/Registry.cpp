#include "platform/Registry.h"

#include "platform/FileWrite.h"
#include "platform/RegistryText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qx {
namespace {

using regtext::Key;
using regtext::NameCase;
using regtext::Store;
using regtext::Value;

// --- The file and its process-wide cache ------------------------------------

struct FileIdentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime {};
    bool operator==(const FileIdentity& o) const
    {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size
            && mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

FileIdentity identify(const std::string& file)
{
    FileIdentity id;
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        id.exists = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtime = st.st_mtim;
    }
    return id;
}

struct Cache {
    std::mutex lock;
    std::string file;
    FileIdentity identity;
    bool loaded = false;
    Store store;                       // the file as loaded, held writes applied
    std::vector<std::string> problems; // what of the file on disk could not be read
    bool unreadable = false;           // the file exists but could not be read at all
    bool damagedKept = false;          // the .bad copy of the loaded file exists
    int batchDepth = 0;
    std::vector<std::function<void(Store&)>> held; // writes of the open batch
};

Cache& cache()
{
    static Cache* c = new Cache;
    return *c;
}

bool readWholeFile(const std::string& file, std::string& text, std::string& error)
{
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    bool ok = !std::ferror(f);
    if (!ok)
        error = std::strerror(errno);
    std::fclose(f);
    return ok;
}

// Brings the cache up to date with the file. Called with the cache locked.
void refresh(Cache& c)
{
    std::string file = Registry::StoreFileName();
    FileIdentity id = identify(file);
    if (c.loaded && c.file == file && c.identity == id)
        return;
    c.file = file;
    c.identity = id;
    c.loaded = true;
    c.store = Store {};
    c.problems.clear();
    c.unreadable = false;
    c.damagedKept = false;
    if (id.exists) {
        std::string text, error;
        if (readWholeFile(file, text, error)) {
            auto parsed = regtext::Parse(text);
            c.store = std::move(parsed.store);
            c.problems = std::move(parsed.problems);
        } else {
            c.unreadable = true;
            c.problems = {"the file cannot be read: " + error};
        }
    }
    for (const auto& change : c.held)
        change(c.store);
}

// The exclusive lock that every writer of the file holds.
class FileLock {
public:
    explicit FileLock(const std::string& file)
    {
        std::string name = file + ".lock";
        fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw RegistryError("cannot open " + name + ": " + std::strerror(errno));
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FileLock() { ::close(fd_); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

// Keeps the loaded file as ".bad" when it did not load whole. Called with the
// cache and the file locked, after refresh.
std::string keepDamaged(Cache& c)
{
    std::string bad = c.file + ".bad";
    if (c.problems.empty() || c.unreadable || !c.identity.exists)
        return {};
    if (!c.damagedKept) {
        std::error_code ec;
        std::filesystem::copy_file(c.file, bad, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec)
            return {};
        c.damagedKept = true;
    }
    return bad;
}

// Earlier versions named a writer's temporary file "registry.reg.tmp<pid>";
// one that a killed writer left is removed (the atomic writer removes those
// of its own naming itself). Called with the file locked.
void removeOldTemporaries(const std::string& file)
{
    std::filesystem::path path(file);
    std::string prefix = path.filename().string() + ".tmp";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), ec)) {
        std::string name = entry.path().filename().string();
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0
            && name.find_first_not_of("0123456789", prefix.size()) == std::string::npos)
            std::filesystem::remove(entry.path(), ec);
    }
}

// Applies change under the file lock to freshly read data and replaces the
// file with the result. Called with the cache locked.
void writeLocked(Cache& c, const std::function<void(Store&)>& change)
{
    std::string file = Registry::StoreFileName();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    FileLock lock(file);

    refresh(c);
    if (c.unreadable)
        throw RegistryError(file + " is left as it is: " + c.problems.front());
    keepDamaged(c);
    removeOldTemporaries(file);
    Store updated = c.store;
    change(updated);

    AtomicFileWriter writer(file, 0600);
    if (!writer.Open() || !writer.Write(regtext::Format(updated)) || !writer.Commit())
        throw RegistryError("cannot write " + file + ": " + writer.Reason());
    c.store = std::move(updated);
    c.identity = identify(file);
    c.problems.clear();
    c.damagedKept = false;
    c.held.clear();
}

// Runs one change: stored at once, or held while a batch is open.
void modify(std::function<void(Store&)> change)
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    if (c.batchDepth > 0) {
        refresh(c);
        change(c.store);
        c.held.push_back(std::move(change));
        return;
    }
    writeLocked(c, change);
}

template <typename Read>
auto inspect(Read read)
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    refresh(c);
    return read(c.store);
}

NameCase nameCase(bool exact)
{
    return exact ? NameCase::Exact : NameCase::Any;
}

} // namespace

std::string Registry::StoreFileName()
{
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.config";
    else
        base = ".config";
    return base + "/Quorvix/registry.reg";
}

std::vector<std::string> Registry::LoadProblems()
{
    return inspect([](Store&) { return cache().problems; });
}

std::string Registry::KeepDamagedCopy()
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    refresh(c);
    if (c.problems.empty() || c.unreadable)
        return {};
    try {
        FileLock lock(c.file);
        refresh(c);
        return keepDamaged(c);
    } catch (const RegistryError&) {
        return {};
    }
}

bool Registry::OpenKey(const std::string& key, bool canCreate)
{
    CloseKey();
    std::string path = regtext::NormalizeKey(key);
    try {
        bool exists = inspect([&](Store& s) { return s.Find(path) != nullptr; });
        if (!exists) {
            if (!canCreate) {
                lastError_ = "key " + path + " does not exist";
                return false;
            }
            modify([path](Store& s) { s.Create(path); });
        }
    } catch (const RegistryError& e) {
        lastError_ = e.what();
        return false;
    }
    path_ = path;
    open_ = true;
    return true;
}

void Registry::CloseKey()
{
    open_ = false;
    path_.clear();
}

bool Registry::KeyExists(const std::string& key) const
{
    std::string path = regtext::NormalizeKey(key);
    return inspect([&](Store& s) { return s.Find(path) != nullptr; });
}

bool Registry::ValueExists(const std::string& name) const
{
    return GetDataType(name) != RegDataType::None;
}

RegDataType Registry::GetDataType(const std::string& name) const
{
    if (!open_)
        return RegDataType::None;
    return inspect([&](Store& s) {
        const Key* k = s.Find(path_);
        const Value* v = k ? k->Find(name, nameCase(exactNames_)) : nullptr;
        return v ? v->type : RegDataType::None;
    });
}

namespace {

Value readValue(const std::string& path, bool open, bool exact, const std::string& name, RegDataType wanted)
{
    if (!open)
        throw RegistryError("no key is open");
    Value v = inspect([&](Store& s) {
        const Key* k = s.Find(path);
        const Value* found = k ? k->Find(name, nameCase(exact)) : nullptr;
        return found ? *found : Value {};
    });
    std::string shown = name.empty() ? "(default)" : name;
    if (v.type == RegDataType::None)
        throw RegistryError("value " + shown + " of key " + path + " does not exist");
    if (v.type != wanted)
        throw RegistryError("invalid data type for value " + shown + " of key " + path);
    return v;
}

void writeValue(const std::string& path, bool open, bool exact, Value v)
{
    if (!open)
        throw RegistryError("no key is open");
    modify([path, exact, v = std::move(v)](Store& s) { s.Create(path).Set(v, nameCase(exact)); });
}

} // namespace

std::string Registry::ReadString(const std::string& name) const
{
    if (GetDataType(name) == RegDataType::None && open_)
        return {}; // an absent string reads as empty, as on Windows
    return readValue(path_, open_, exactNames_, name, RegDataType::String).text;
}

int32_t Registry::ReadInteger(const std::string& name) const
{
    return readValue(path_, open_, exactNames_, name, RegDataType::Integer).integer;
}

bool Registry::ReadBool(const std::string& name) const
{
    return ReadInteger(name) != 0;
}

std::vector<uint8_t> Registry::ReadBinary(const std::string& name) const
{
    return readValue(path_, open_, exactNames_, name, RegDataType::Binary).binary;
}

void Registry::WriteString(const std::string& name, const std::string& value)
{
    Value v;
    v.name = name;
    v.type = RegDataType::String;
    v.text = value;
    writeValue(path_, open_, exactNames_, std::move(v));
}

void Registry::WriteInteger(const std::string& name, int32_t value)
{
    Value v;
    v.name = name;
    v.type = RegDataType::Integer;
    v.integer = value;
    writeValue(path_, open_, exactNames_, std::move(v));
}

void Registry::WriteBool(const std::string& name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void Registry::WriteBinary(const std::string& name, const std::vector<uint8_t>& value)
{
    Value v;
    v.name = name;
    v.type = RegDataType::Binary;
    v.binary = value;
    writeValue(path_, open_, exactNames_, std::move(v));
}

std::vector<std::string> Registry::GetValueNames() const
{
    if (!open_)
        return {};
    return inspect([&](Store& s) {
        std::vector<std::string> names;
        if (const Key* k = s.Find(path_))
            for (const auto& v : k->Values())
                names.push_back(v.name);
        return names;
    });
}

std::vector<std::string> Registry::GetKeyNames() const
{
    if (!open_)
        return {};
    return inspect([&](Store& s) { return s.SubKeyNames(path_); });
}

bool Registry::HasSubKeys() const
{
    return !GetKeyNames().empty();
}

bool Registry::DeleteValue(const std::string& name)
{
    if (!open_ || !ValueExists(name))
        return false;
    try {
        modify([path = path_, name, exact = exactNames_](Store& s) {
            if (Key* k = s.Find(path))
                k->Erase(name, nameCase(exact));
        });
    } catch (const RegistryError& e) {
        lastError_ = e.what();
        return false;
    }
    return true;
}

bool Registry::DeleteKey(const std::string& key)
{
    std::string path = regtext::NormalizeKey(key);
    if (path.empty() || !KeyExists(path))
        return false;
    try {
        modify([path](Store& s) { s.EraseTree(path); });
    } catch (const RegistryError& e) {
        lastError_ = e.what();
        return false;
    }
    return true;
}

RegistryBatch::RegistryBatch()
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    ++c.batchDepth;
}

RegistryBatch::~RegistryBatch()
{
    try {
        Commit();
    } catch (...) {
    }
}

void RegistryBatch::Commit()
{
    if (done_)
        return;
    done_ = true;
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    if (--c.batchDepth > 0 || c.held.empty())
        return;
    try {
        writeLocked(c, [](Store&) { });
    } catch (...) {
        c.held.clear();
        c.loaded = false; // the next read sees the file as it is
        throw;
    }
}

} // namespace qx
