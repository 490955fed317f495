#include "projects/IniFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qx {

namespace {

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::string_view trim(std::string_view s)
{
    auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && space(s.back()))
        s.remove_suffix(1);
    return s;
}

bool quoted(std::string_view s)
{
    return s.size() >= 2 && s.front() == '"' && s.back() == '"';
}

const std::vector<IniEntry> kNoEntries;

} // namespace

std::string IniFile::EncodeValue(std::string_view value)
{
    if (value.find_first_of("\r\n") == std::string_view::npos && !quoted(value))
        return std::string(value);
    std::string out = "\"";
    for (char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    out += '"';
    return out;
}

std::string IniFile::DecodeValue(std::string_view raw)
{
    if (!quoted(raw))
        return std::string(raw);
    std::string_view body = raw.substr(1, raw.size() - 2);
    std::string out;
    out.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '\\' && i + 1 < body.size()) {
            char next = body[i + 1];
            if (next == '\\' || next == 'r' || next == 'n') {
                out += next == '\\' ? '\\' : next == 'r' ? '\r' : '\n';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

IniFile IniFile::Parse(std::string_view text)
{
    IniFile ini;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    Section* current = nullptr;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        std::string_view head = trim(line);
        if (head.empty() || head.front() == ';')
            continue;
        if (head.front() == '[') {
            std::string_view name = head.substr(1);
            name = trim(name.substr(0, name.find(']')));
            current = &ini.obtain(name);
            continue;
        }
        size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos)
            continue;
        std::string_view key = trim(line.substr(0, eq));
        if (key.empty())
            continue;
        // First occurrence wins; a repeated key is ignored.
        auto [it, added] = current->index.try_emplace(lower(key), current->entries.size());
        if (added)
            current->entries.push_back({std::string(key), DecodeValue(line.substr(eq + 1))});
    }
    return ini;
}

std::string IniFile::Serialize() const
{
    std::string out;
    for (const Section& s : sections_) {
        out += '[';
        out += s.name;
        out += "]\r\n";
        for (const IniEntry& e : s.entries) {
            out += e.key;
            out += '=';
            out += EncodeValue(e.value);
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

const IniFile::Section* IniFile::find(std::string_view section) const
{
    auto it = index_.find(lower(section));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

IniFile::Section& IniFile::obtain(std::string_view section)
{
    auto [it, added] = index_.try_emplace(lower(section), sections_.size());
    if (added)
        sections_.push_back({std::string(section), {}, {}});
    return sections_[it->second];
}

bool IniFile::SectionExists(std::string_view section) const
{
    return find(section) != nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, const std::string& defaultValue) const
{
    const Section* s = find(section);
    if (!s)
        return defaultValue;
    auto it = s->index.find(lower(key));
    return it == s->index.end() ? defaultValue : s->entries[it->second].value;
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    std::string value = ReadString(section, key);
    std::string_view digits = trim(value);
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-')
        digits.remove_prefix(1);
    int32_t result = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size())
        return defaultValue;
    return result;
}

const std::vector<IniEntry>& IniFile::Entries(std::string_view section) const
{
    const Section* s = find(section);
    return s ? s->entries : kNoEntries;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    Section& s = obtain(section);
    auto [it, added] = s.index.try_emplace(lower(key), s.entries.size());
    if (added)
        s.entries.push_back({std::string(key), std::string(value)});
    else
        s.entries[it->second].value = value;
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, long long value)
{
    WriteString(section, key, std::to_string(value));
}

// ---------------------------------------------------------------------------
// Files

namespace {

std::string systemError(int err)
{
    return std::strerror(err);
}

void setError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

} // namespace

bool ReadTextFile(const std::string& path, size_t maxBytes, std::string& text, std::string* error)
{
    text.clear();
    // O_NONBLOCK keeps open() itself from waiting for a writer on a FIFO; the
    // regular-file check below then refuses it before anything is read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        setError(error, systemError(errno));
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer {fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        setError(error, systemError(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        setError(error, "not a regular file");
        return false;
    }
    if (st.st_size < 0 || uint64_t(st.st_size) > maxBytes) {
        setError(error, "file too large");
        return false;
    }
    // The size can change while we read (a file being written); read in
    // chunks and stop at the limit either way.
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            setError(error, systemError(errno));
            return false;
        }
        if (n == 0)
            break;
        if (text.size() + size_t(n) > maxBytes) {
            setError(error, "file too large");
            return false;
        }
        text.append(buffer, size_t(n));
    }
    return true;
}

} // namespace qx
