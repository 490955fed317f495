#include "platform/ShellLinks.h"

#include "platform/FileWrite.h"

#include "platform/CharCodes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace qx {
namespace {

std::string lowerExtension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

std::string readAll(const std::string& path, size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string data(limit, '\0');
    in.read(data.data(), static_cast<std::streamsize>(limit));
    data.resize(static_cast<size_t>(in.gcount()));
    return data;
}

// --- freedesktop .desktop files -------------------------------------------

// Values of a desktop entry escape \s \n \t \r and \\. Readers drop the
// blanks around "=" and at the end of a line, so blanks there are written
// as \s; the others stay as they are.
std::string escapeDesktopValue(const std::string& v)
{
    std::string out;
    const size_t first = v.find_first_not_of(' ');
    const size_t last = v.find_last_not_of(' ');
    for (size_t i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (c == ' ' && (first == std::string::npos || i < first || i > last)) {
            out += "\\s";
            continue;
        }
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::string unescapeDesktopValue(const std::string& v)
{
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        char c = v[++i];
        out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::string percentEncodePath(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c))
            out += static_cast<char>(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The local path of a file URL; a value without "file:" is a path already.
// A file on another host has no local path (empty).
std::string fileUrlToPath(const std::string& url)
{
    if (url.rfind("file:", 0) != 0)
        return url;
    std::string p = url.substr(5);
    if (p.rfind("//", 0) == 0) { // file://host/path
        p = p.substr(2);
        const size_t slash = std::min(p.find('/'), p.size());
        const std::string host = p.substr(0, slash);
        if (!host.empty() && host != "localhost")
            return {};
        p = p.substr(slash);
    }
    std::string out;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '%' && i + 2 < p.size() && std::isxdigit(static_cast<unsigned char>(p[i + 1]))
            && std::isxdigit(static_cast<unsigned char>(p[i + 2]))) {
            out += static_cast<char>(std::stoi(p.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += p[i];
        }
    }
    return out;
}

// "/x", and the Windows forms "C:\\x", "C:/x" and "\\\\server\\share".
bool isAbsolutePath(const std::string& path)
{
    if (!path.empty() && (path[0] == '/' || path.rfind("\\\\", 0) == 0))
        return true;
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'
        && (path[2] == '\\' || path[2] == '/');
}

// A relative target lies beside the link, wherever the program runs.
std::string besideLink(const std::string& target, const std::filesystem::path& linkFolder)
{
    if (target.empty() || isAbsolutePath(target))
        return target;
    return (linkFolder / target).lexically_normal().string();
}

// The keys of a desktop entry's "[Desktop Entry]" group that shortcuts use;
// other groups, comments and lines without "=" are passed over.
struct DesktopEntry {
    std::string type, url, exec, path, comment, icon, arguments;
};

DesktopEntry parseDesktopEntry(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    bool inEntry = false;
    DesktopEntry e;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        auto eq = line.find('=');
        if (!inEntry || eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        std::string value = unescapeDesktopValue(line.substr(line.find_first_not_of(' ', eq + 1) == std::string::npos ? line.size() : line.find_first_not_of(' ', eq + 1)));
        if (key == "Type") e.type = value;
        else if (key == "URL") e.url = value;
        else if (key == "Exec") e.exec = value;
        else if (key == "Path") e.path = value;
        else if (key == "Comment") e.comment = value;
        else if (key == "Icon") e.icon = value;
        else if (key == "X-Quorvix-Arguments") e.arguments = value;
    }
    return e;
}

std::optional<TShortcutInfo> resolveDesktopEntry(const std::string& text, const std::filesystem::path& linkFolder)
{
    const DesktopEntry e = parseDesktopEntry(text);
    TShortcutInfo info;
    if (e.type == "Link") {
        info.TargetPath = besideLink(fileUrlToPath(e.url), linkFolder);
        info.Arguments = e.arguments;
    } else if (e.type == "Application") {
        auto space = e.exec.find(' ');
        info.TargetPath = e.exec.substr(0, space);
        if (space != std::string::npos)
            info.Arguments = e.exec.substr(space + 1);
    }
    if (info.TargetPath.empty())
        return std::nullopt;
    info.WorkingDirectory = e.path;
    info.LinkDescription = e.comment;
    info.IconLocation = e.icon;
    return info;
}

// --- Windows shell links ----------------------------------------------------

class LinkReader {
public:
    explicit LinkReader(const std::string& data)
        : d_(data)
    {
    }
    bool has(size_t n) const { return pos_ + n <= d_.size(); }
    uint16_t u16()
    {
        need(2);
        uint16_t v = uint8_t(d_[pos_]) | uint16_t(uint8_t(d_[pos_ + 1])) << 8;
        pos_ += 2;
        return v;
    }
    uint32_t u32(size_t at) const
    {
        if (at + 4 > d_.size())
            throw std::runtime_error("truncated");
        return uint8_t(d_[at]) | uint32_t(uint8_t(d_[at + 1])) << 8 | uint32_t(uint8_t(d_[at + 2])) << 16
            | uint32_t(uint8_t(d_[at + 3])) << 24;
    }
    void skip(size_t n)
    {
        need(n);
        pos_ += n;
    }
    size_t pos() const { return pos_; }
    void seek(size_t p) { pos_ = p; }
    std::string cString(size_t at) const
    {
        if (at >= d_.size())
            throw std::runtime_error("truncated");
        size_t end = d_.find('\0', at);
        if (end == std::string::npos)
            throw std::runtime_error("unterminated");
        return d_.substr(at, end - at);
    }
    // A NUL-terminated UTF-16 string at a position of the file.
    std::string wideCString(size_t at) const
    {
        std::vector<uint16_t> units;
        for (size_t p = at;; p += 2) {
            if (p + 2 > d_.size())
                throw std::runtime_error("unterminated");
            const uint16_t u = uint16_t(uint8_t(d_[p]) | uint16_t(uint8_t(d_[p + 1])) << 8);
            if (u == 0)
                break;
            units.push_back(u);
        }
        return utf16ToUtf8(units);
    }
    // A counted string of the string-data section: UTF-16 or the 8-bit code page.
    std::string countedString(bool unicode)
    {
        uint16_t count = u16();
        if (!unicode) {
            need(count);
            std::string s = latin1ToUtf8(d_.substr(pos_, count));
            pos_ += count;
            return s;
        }
        need(size_t(count) * 2);
        std::vector<uint16_t> units(count);
        for (uint16_t& u : units)
            u = u16();
        return utf16ToUtf8(units);
    }
    // 8-bit texts are in the writing machine's code page, which the file does
    // not name; read as Latin-1 they at least stay valid UTF-8.
    static std::string latin1ToUtf8(const std::string& s)
    {
        std::string out;
        for (unsigned char c : s)
            AppendUtf8(out, c);
        return out;
    }
    // Pairs of surrogates become one character; a surrogate without its
    // partner becomes U+FFFD, so the result is always valid UTF-8.
    static std::string utf16ToUtf8(const std::vector<uint16_t>& units)
    {
        std::string out;
        for (size_t i = 0; i < units.size(); ++i) {
            uint32_t c = units[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c < 0xE000) {
                c = 0xFFFD;
            }
            AppendUtf8(out, c);
        }
        return out;
    }

private:
    void need(size_t n) const
    {
        if (!has(n))
            throw std::runtime_error("truncated");
    }
    const std::string& d_;
    size_t pos_ = 0;
};

enum : uint32_t {
    kHasIdList = 0x1,
    kHasLinkInfo = 0x2,
    kHasName = 0x4,
    kHasRelativePath = 0x8,
    kHasWorkingDir = 0x10,
    kHasArguments = 0x20,
    kHasIconLocation = 0x40,
    kIsUnicode = 0x80,
};

std::optional<TShortcutInfo> resolveWindowsLink(const std::string& data, const std::filesystem::path& linkFolder)
{
    try {
        LinkReader r(data);
        if (r.u32(0) != 0x4C)
            return std::nullopt;
        uint32_t flags = r.u32(20);
        TShortcutInfo info;
        info.IconIndex = static_cast<int32_t>(r.u32(56));
        r.seek(76);
        if (flags & kHasIdList)
            r.skip(r.u16());
        std::string relativePath;
        if (flags & kHasLinkInfo) {
            size_t start = r.pos();
            uint32_t size = r.u32(start);
            uint32_t headerSize = r.u32(start + 4);
            uint32_t infoFlags = r.u32(start + 8);
            // Headers of 0x24 bytes and more also give the paths in UTF-16.
            const bool wide = headerSize >= 0x24;
            auto text = [&](size_t ansiField, size_t wideField) {
                return wide && r.u32(start + wideField) ? r.wideCString(start + r.u32(start + wideField))
                                                        : LinkReader::latin1ToUtf8(r.cString(start + r.u32(start + ansiField)));
            };
            const std::string suffix = text(24, 32);
            if (infoFlags & 0x2) { // the network form is preferred: share name + common suffix
                size_t share = start + r.u32(start + 20);
                const bool wideShare = r.u32(share + 8) > 0x14;
                std::string shareName = wideShare ? r.wideCString(share + r.u32(share + 20))
                                                  : LinkReader::latin1ToUtf8(r.cString(share + r.u32(share + 8)));
                info.TargetPath = shareName + (suffix.empty() ? "" : "\\" + suffix);
            } else if (infoFlags & 0x1) { // a local path: base path + common suffix
                info.TargetPath = text(16, 28) + suffix;
            }
            r.seek(start);
            r.skip(size);
        }
        bool unicode = flags & kIsUnicode;
        if (flags & kHasName)
            info.LinkDescription = r.countedString(unicode);
        if (flags & kHasRelativePath)
            relativePath = r.countedString(unicode);
        if (flags & kHasWorkingDir)
            info.WorkingDirectory = r.countedString(unicode);
        if (flags & kHasArguments)
            info.Arguments = r.countedString(unicode);
        if (flags & kHasIconLocation)
            info.IconLocation = r.countedString(unicode);
        if (info.TargetPath.empty()) {
            // Relative to the link, in Windows notation.
#ifndef _WIN32
            std::replace(relativePath.begin(), relativePath.end(), '\\', '/');
#endif
            info.TargetPath = besideLink(relativePath, linkFolder);
        }
        if (info.TargetPath.empty())
            return std::nullopt;
        return info;
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

} // namespace

std::string ShortcutExtension()
{
#ifdef _WIN32
    return ".lnk";
#else
    return ".desktop";
#endif
}

bool IsShortcutFile(const std::string& path)
{
    const std::string ext = lowerExtension(path);
    if (ext == ".lnk")
        return true;
    // Only a desktop entry of the link kind, as CreateShellLink writes it,
    // stands for another file; an application's entry or a text file that
    // merely ends in ".desktop" is a document like any other.
    return ext == ".desktop" && parseDesktopEntry(readAll(path, 1 << 20)).type == "Link";
}

void CreateShellLink(const std::string& description, const std::string& targetPath, const std::string& workingDirectory,
    int32_t iconIndex, const std::string& linkFile, const std::string& iconFile, const std::string& arguments)
{
    std::string name = std::filesystem::path(linkFile).stem().string();
    // The link must work from wherever it is opened.
    std::error_code absoluteError;
    const std::string target = std::filesystem::absolute(targetPath, absoluteError).lexically_normal().string();
    std::ostringstream out;
    out << "[Desktop Entry]\n"
        << "Version=1.0\n"
        << "Type=Link\n"
        << "Name=" << escapeDesktopValue(name) << "\n"
        << "Comment=" << escapeDesktopValue(description) << "\n"
        << "URL=" << percentEncodePath(absoluteError ? targetPath : target) << "\n"
        << "Path=" << escapeDesktopValue(workingDirectory) << "\n"
        << "Icon=" << (iconFile == targetPath ? "text-x-generic" : escapeDesktopValue(iconFile)) << "\n";
    if (!arguments.empty())
        out << "X-Quorvix-Arguments=" << escapeDesktopValue(arguments) << "\n";
    (void)iconIndex; // desktop entries name icons, they do not index them

    std::string reason;
    if (!WriteFileAtomically(linkFile, out.str(), &reason))
        throw std::runtime_error("cannot write the shortcut " + linkFile + ": " + reason);
    std::error_code ec;
    // Desktops only trust launchers that may be executed.
    std::filesystem::permissions(linkFile, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add, ec);
}

std::string CreateShortcutFile(const std::string& name, const std::string& folder, const std::string& description,
    const std::string& arguments, const std::string& targetPath)
{
    std::string link = folder + "/" + name + ShortcutExtension();
    std::string workDir = std::filesystem::path(targetPath).parent_path().string();
    CreateShellLink(description, targetPath, workDir, 0, link, targetPath, arguments);
    return link;
}

std::optional<TShortcutInfo> ResolveShellLink(const std::string& linkFile)
{
    // Shortcuts are small; a huge file is not one.
    std::string data = readAll(linkFile, 1 << 20);
    if (data.empty())
        return std::nullopt;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(linkFile, ec).parent_path();
    if (data.size() >= 4 && data[0] == 0x4C && data[1] == 0 && data[2] == 0 && data[3] == 0)
        return resolveWindowsLink(data, folder);
    return resolveDesktopEntry(data, folder);
}

std::string DesktopFolder()
{
    if (const char* d = std::getenv("XDG_DESKTOP_DIR"); d && *d)
        return d;
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    std::string config = std::getenv("XDG_CONFIG_HOME") && *std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME")
                                                                                           : std::string(home) + "/.config";
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(dirs, line)) {
        if (line.rfind("XDG_DESKTOP_DIR=", 0) != 0)
            continue;
        std::string v = line.substr(16);
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        if (v.rfind("$HOME", 0) == 0)
            v = home + v.substr(5);
        return v;
    }
    std::string fallback = std::string(home) + "/Desktop";
    std::error_code ec;
    std::filesystem::create_directories(fallback, ec);
    return ec ? std::string() : fallback;
}

} // namespace qx
