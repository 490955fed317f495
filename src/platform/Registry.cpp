#include "platform/Registry.h"

#include "platform/FileWrite.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qx {
namespace {

const char* const kHeader = "REGEDIT4";
const char* const kRoot = "HKEY_CURRENT_USER";

std::string lower(std::string s)
{
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool equalNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && lower(a) == lower(b);
}

// "Software/Quorvix\\Cookies\\" -> "Software\\Quorvix\\Cookies"
std::string normalizeKey(const std::string& key)
{
    std::string out;
    for (char c : key) {
        if (c == '/')
            c = '\\';
        if (c == '\\' && (out.empty() || out.back() == '\\'))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

struct Value {
    std::string name; // empty: the default value
    RegDataType type = RegDataType::None;
    std::string text;
    int32_t integer = 0;
    std::vector<uint8_t> binary;
};

struct Key {
    std::string path; // relative to HKEY_CURRENT_USER, as first written
    std::vector<Value> values;

    Value* find(const std::string& name)
    {
        for (auto& v : values)
            if (equalNoCase(v.name, name))
                return &v;
        return nullptr;
    }
};

struct Store {
    std::vector<Key> keys;

    Key* find(const std::string& path)
    {
        for (auto& k : keys)
            if (equalNoCase(k.path, path))
                return &k;
        return nullptr;
    }

    // Creates the key and every missing parent key.
    Key& create(const std::string& path)
    {
        if (Key* k = find(path))
            return *k;
        auto slash = path.rfind('\\');
        if (slash != std::string::npos)
            create(path.substr(0, slash));
        keys.push_back(Key {path, {}});
        return keys.back();
    }
};

// --- REGEDIT4 text ---------------------------------------------------------

class ParseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::vector<uint8_t> parseHexBytes(const std::string& s, int line)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    auto skipSpace = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
    };
    skipSpace();
    while (i < s.size()) {
        if (i + 1 >= s.size() || hexDigit(s[i]) < 0 || hexDigit(s[i + 1]) < 0)
            throw ParseError("bad hexadecimal data on line " + std::to_string(line));
        out.push_back(static_cast<uint8_t>(hexDigit(s[i]) * 16 + hexDigit(s[i + 1])));
        i += 2;
        skipSpace();
        if (i < s.size()) {
            if (s[i] != ',')
                throw ParseError("bad hexadecimal data on line " + std::to_string(line));
            ++i;
            skipSpace();
        }
    }
    return out;
}

// Reads a quoted string starting at s[i] == '"'; leaves i after the closing quote.
std::string parseQuoted(const std::string& s, size_t& i, int line)
{
    std::string out;
    ++i;
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"')
            return out;
        if (c == '\\') {
            if (i >= s.size())
                break;
            out += s[i++];
        } else {
            out += c;
        }
    }
    throw ParseError("unterminated string on line " + std::to_string(line));
}

Value parseValueData(const std::string& name, const std::string& data, int line)
{
    Value v;
    v.name = name;
    if (!data.empty() && data[0] == '"') {
        size_t i = 0;
        v.type = RegDataType::String;
        v.text = parseQuoted(data, i, line);
        if (data.find_first_not_of(" \t", i) != std::string::npos)
            throw ParseError("text after a string value on line " + std::to_string(line));
    } else if (data.rfind("dword:", 0) == 0) {
        std::string digits = data.substr(6);
        if (digits.size() != 8 || !std::all_of(digits.begin(), digits.end(), [](char c) { return hexDigit(c) >= 0; }))
            throw ParseError("bad dword value on line " + std::to_string(line));
        v.type = RegDataType::Integer;
        v.integer = static_cast<int32_t>(std::strtoul(digits.c_str(), nullptr, 16));
    } else if (data.rfind("hex:", 0) == 0) {
        v.type = RegDataType::Binary;
        v.binary = parseHexBytes(data.substr(4), line);
    } else if (data.rfind("hex(1):", 0) == 0) {
        // A string that holds line breaks or other control characters.
        auto bytes = parseHexBytes(data.substr(7), line);
        if (!bytes.empty() && bytes.back() == 0)
            bytes.pop_back();
        v.type = RegDataType::String;
        v.text.assign(bytes.begin(), bytes.end());
    } else {
        throw ParseError("unknown value type on line " + std::to_string(line));
    }
    return v;
}

Store parseStore(const std::string& text)
{
    Store store;
    std::vector<std::string> lines;
    {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            std::string l = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!l.empty() && l.back() == '\r')
                l.pop_back();
            lines.push_back(l);
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    size_t n = 0;
    while (n < lines.size() && lines[n].empty())
        ++n;
    if (n >= lines.size() || lines[n] != kHeader)
        throw ParseError("the file does not start with REGEDIT4");
    Key* current = nullptr;
    for (++n; n < lines.size(); ++n) {
        int lineNo = static_cast<int>(n + 1);
        std::string l = lines[n];
        // Hexadecimal data may continue on the next lines after a backslash.
        while (!l.empty() && l.back() == '\\' && l.find("=hex") != std::string::npos) {
            l.pop_back();
            if (++n >= lines.size())
                throw ParseError("file ends inside a value on line " + std::to_string(lineNo));
            std::string next = lines[n];
            l += next.substr(next.find_first_not_of(" \t") == std::string::npos ? next.size() : next.find_first_not_of(" \t"));
        }
        if (l.empty() || l[0] == ';')
            continue;
        if (l[0] == '[') {
            if (l.back() != ']')
                throw ParseError("unterminated key name on line " + std::to_string(lineNo));
            std::string full = l.substr(1, l.size() - 2);
            std::string root = full.substr(0, full.find('\\'));
            if (!equalNoCase(root, kRoot))
                throw ParseError("key outside HKEY_CURRENT_USER on line " + std::to_string(lineNo));
            std::string path = full.size() > root.size() ? normalizeKey(full.substr(root.size() + 1)) : "";
            current = &store.create(path);
            continue;
        }
        if (!current)
            throw ParseError("value outside a key on line " + std::to_string(lineNo));
        std::string name;
        size_t i = 0;
        if (l[0] == '@') {
            i = 1;
        } else if (l[0] == '"') {
            name = parseQuoted(l, i, lineNo);
            if (name.empty())
                throw ParseError("empty value name on line " + std::to_string(lineNo));
        } else {
            throw ParseError("unexpected text on line " + std::to_string(lineNo));
        }
        if (i >= l.size() || l[i] != '=')
            throw ParseError("missing '=' on line " + std::to_string(lineNo));
        Value v = parseValueData(name, l.substr(i + 1), lineNo);
        if (Value* old = current->find(name))
            *old = v;
        else
            current->values.push_back(v);
    }
    return store;
}

std::string quote(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::string hexList(const std::string& prefix, const std::vector<uint8_t>& bytes)
{
    std::string out = prefix;
    size_t column = out.size();
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += buf;
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column > 75) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
    return out;
}

bool hasControlCharacters(const std::string& s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string formatStore(const Store& store)
{
    std::string out = std::string(kHeader) + "\n\n";
    for (const auto& key : store.keys) {
        out += "[" + std::string(kRoot) + (key.path.empty() ? "" : "\\" + key.path) + "]\n";
        // The default value comes first, as regedit writes it.
        std::vector<const Value*> ordered;
        for (const auto& v : key.values)
            if (v.name.empty())
                ordered.push_back(&v);
        for (const auto& v : key.values)
            if (!v.name.empty())
                ordered.push_back(&v);
        for (const Value* value : ordered) {
            const Value& v = *value;
            std::string line = v.name.empty() ? "@=" : quote(v.name) + "=";
            switch (v.type) {
            case RegDataType::String:
                if (hasControlCharacters(v.text)) {
                    std::vector<uint8_t> bytes(v.text.begin(), v.text.end());
                    bytes.push_back(0);
                    line = hexList(line + "hex(1):", bytes);
                } else {
                    line += quote(v.text);
                }
                break;
            case RegDataType::Integer: {
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<uint32_t>(v.integer));
                line += buf;
                break;
            }
            case RegDataType::Binary:
                line = hexList(line + "hex:", v.binary);
                break;
            case RegDataType::None:
                continue;
            }
            out += line + "\n";
        }
        out += "\n";
    }
    return out;
}

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
    Store store;
    std::optional<std::string> problem; // why the file on disk did not load
};

Cache& cache()
{
    static Cache* c = new Cache;
    return *c;
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
    c.problem.reset();
    if (!id.exists)
        return;
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        c.problem = std::string("cannot read ") + file + ": " + std::strerror(errno);
        return;
    }
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    std::fclose(f);
    try {
        c.store = parseStore(text);
    } catch (const ParseError& e) {
        c.store = Store {};
        c.problem = file + ": " + e.what();
    }
}

// Runs one change under the file lock on freshly read data and stores the result.
template <typename Change>
void modify(Change change)
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    std::string file = Registry::StoreFileName();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);

    std::string lockName = file + ".lock";
    int lockFd = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0)
        throw RegistryError("cannot open " + lockName + ": " + std::strerror(errno));
    while (::flock(lockFd, LOCK_EX) != 0 && errno == EINTR) {
    }
    struct Unlock {
        int fd;
        ~Unlock() { ::close(fd); }
    } unlock {lockFd};

    refresh(c);
    if (c.problem && c.identity.exists) {
        // Keep the file that did not load before it is replaced.
        std::filesystem::copy_file(file, file + ".bad", std::filesystem::copy_options::overwrite_existing, ec);
    }
    Store updated = c.store;
    change(updated);

    std::string temp = file + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw RegistryError("cannot create " + temp + ": " + std::strerror(errno));
    bool ok = WriteFully(fd, formatStore(updated)) && ::fsync(fd) == 0;
    int err = errno;
    ::close(fd);
    if (!ok || ::rename(temp.c_str(), file.c_str()) != 0) {
        err = ok ? errno : err;
        ::unlink(temp.c_str());
        throw RegistryError("cannot write " + file + ": " + std::strerror(err));
    }
    c.store = std::move(updated);
    c.identity = identify(file);
    c.problem.reset();
}

template <typename Read>
auto inspect(Read read)
{
    Cache& c = cache();
    std::lock_guard guard(c.lock);
    refresh(c);
    return read(c.store);
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

std::optional<std::string> Registry::LoadProblem()
{
    return inspect([](Store&) { return cache().problem; });
}

bool Registry::OpenKey(const std::string& key, bool canCreate)
{
    CloseKey();
    std::string path = normalizeKey(key);
    try {
        bool exists = inspect([&](Store& s) { return s.find(path) != nullptr; });
        if (!exists) {
            if (!canCreate) {
                lastError_ = "key " + path + " does not exist";
                return false;
            }
            modify([&](Store& s) { s.create(path); });
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
    std::string path = normalizeKey(key);
    return inspect([&](Store& s) { return s.find(path) != nullptr; });
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
        Key* k = s.find(path_);
        Value* v = k ? k->find(name) : nullptr;
        return v ? v->type : RegDataType::None;
    });
}

namespace {

Value readValue(const std::string& path, bool open, const std::string& name, RegDataType wanted)
{
    if (!open)
        throw RegistryError("no key is open");
    Value v = inspect([&](Store& s) {
        Key* k = s.find(path);
        Value* found = k ? k->find(name) : nullptr;
        return found ? *found : Value {};
    });
    std::string shown = name.empty() ? "(default)" : name;
    if (v.type == RegDataType::None)
        throw RegistryError("value " + shown + " of key " + path + " does not exist");
    if (v.type != wanted)
        throw RegistryError("invalid data type for value " + shown + " of key " + path);
    return v;
}

} // namespace

std::string Registry::ReadString(const std::string& name) const
{
    if (GetDataType(name) == RegDataType::None && open_)
        return {}; // an absent string reads as empty, as on Windows
    return readValue(path_, open_, name, RegDataType::String).text;
}

int32_t Registry::ReadInteger(const std::string& name) const
{
    return readValue(path_, open_, name, RegDataType::Integer).integer;
}

bool Registry::ReadBool(const std::string& name) const
{
    return ReadInteger(name) != 0;
}

std::vector<uint8_t> Registry::ReadBinary(const std::string& name) const
{
    return readValue(path_, open_, name, RegDataType::Binary).binary;
}

namespace {

void writeValue(const std::string& path, bool open, Value v)
{
    if (!open)
        throw RegistryError("no key is open");
    modify([&](Store& s) {
        Key& k = s.create(path);
        if (Value* old = k.find(v.name)) {
            v.name = old->name;
            *old = v;
        } else {
            k.values.push_back(v);
        }
    });
}

} // namespace

void Registry::WriteString(const std::string& name, const std::string& value)
{
    Value v;
    v.name = name;
    v.type = RegDataType::String;
    v.text = value;
    writeValue(path_, open_, v);
}

void Registry::WriteInteger(const std::string& name, int32_t value)
{
    Value v;
    v.name = name;
    v.type = RegDataType::Integer;
    v.integer = value;
    writeValue(path_, open_, v);
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
    writeValue(path_, open_, v);
}

std::vector<std::string> Registry::GetValueNames() const
{
    if (!open_)
        return {};
    return inspect([&](Store& s) {
        std::vector<std::string> names;
        if (Key* k = s.find(path_))
            for (const auto& v : k->values)
                if (!v.name.empty())
                    names.push_back(v.name);
        return names;
    });
}

std::vector<std::string> Registry::GetKeyNames() const
{
    if (!open_)
        return {};
    return inspect([&](Store& s) {
        std::vector<std::string> names;
        std::string prefix = lower(path_) + (path_.empty() ? "" : "\\");
        for (const auto& k : s.keys) {
            std::string p = lower(k.path);
            if (p.size() > prefix.size() && p.compare(0, prefix.size(), prefix) == 0
                && p.find('\\', prefix.size()) == std::string::npos)
                names.push_back(k.path.substr(prefix.size()));
        }
        return names;
    });
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
        modify([&](Store& s) {
            if (Key* k = s.find(path_))
                k->values.erase(std::remove_if(k->values.begin(), k->values.end(),
                                    [&](const Value& v) { return equalNoCase(v.name, name); }),
                    k->values.end());
        });
    } catch (const RegistryError& e) {
        lastError_ = e.what();
        return false;
    }
    return true;
}

bool Registry::DeleteKey(const std::string& key)
{
    std::string path = normalizeKey(key);
    if (path.empty() || !KeyExists(path))
        return false;
    try {
        modify([&](Store& s) {
            std::string p = lower(path);
            s.keys.erase(std::remove_if(s.keys.begin(), s.keys.end(),
                             [&](const Key& k) {
                                 std::string kp = lower(k.path);
                                 return kp == p || kp.rfind(p + "\\", 0) == 0;
                             }),
                s.keys.end());
        });
    } catch (const RegistryError& e) {
        lastError_ = e.what();
        return false;
    }
    return true;
}

} // namespace qx
