#include "platform/RegistryText.h"

#include "platform/CharCodes.h"

#include <algorithm>
#include <cstdio>

namespace qx::regtext {
namespace {

const std::string_view kHeader = "REGEDIT4";
const std::string_view kRoot = "HKEY_CURRENT_USER";
const std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20;
}


// Two hexadecimal digits at s[i], or -1.
int hexByte(std::string_view s, size_t i)
{
    if (i + 1 >= s.size() || HexDigitValue(s[i]) < 0 || HexDigitValue(s[i + 1]) < 0)
        return -1;
    return HexDigitValue(s[i]) * 16 + HexDigitValue(s[i + 1]);
}

void appendHex(std::string& out, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    out += digits[byte >> 4];
    out += digits[byte & 15];
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && NoCaseEqual {}(s.substr(0, prefix.size()), prefix);
}

// A line cannot be read; the message says why.
struct LineError {
    std::string why;
};

// --- Key lines --------------------------------------------------------------
//
// Keys are written as regedit writes them, [HKEY_CURRENT_USER\A\B]. A key's
// name cannot hold '\', so two backslashes never stand between two names; the
// writer uses them to write a control character (a line break, say) as "\\"
// and two hexadecimal digits. Three backslashes are a separator followed by
// such a character.

std::string encodeKeyPath(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (isControl(c)) {
            out += "\\\\";
            appendHex(out, static_cast<unsigned char>(c));
        } else {
            out += c;
        }
    }
    return out;
}

// The key's path, relative to HKEY_CURRENT_USER, from the text between the
// brackets of a key line.
std::string parseKeyPath(std::string_view s)
{
    std::string path;
    path.reserve(s.size());
    size_t rootEnd = std::string_view::npos; // where the first name ends in path
    bool inName = false;
    auto endName = [&] {
        if (!inName)
            return;
        if (rootEnd == std::string_view::npos)
            rootEnd = path.size();
        inName = false;
    };
    auto add = [&](char c) {
        if (!inName && !path.empty())
            path += '\\';
        path += c;
        inName = true;
    };
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\\') {
            size_t run = 1;
            while (i + run < s.size() && s[i + run] == '\\')
                ++run;
            int escaped = hexByte(s, i + run);
            if ((run == 2 || run == 3) && escaped >= 0 && escaped < 0x20) {
                if (run == 3)
                    endName();
                add(static_cast<char>(escaped));
                i += run + 2;
                continue;
            }
        }
        if (c == '\\' || c == '/')
            endName(); // empty names in between collapse, as in typed paths
        else
            add(c);
        ++i;
    }
    endName();
    if (rootEnd == std::string_view::npos || !NoCaseEqual {}(trim(std::string_view(path).substr(0, rootEnd)), kRoot))
        throw LineError {"key outside HKEY_CURRENT_USER"};
    return path.substr(std::min(rootEnd + 1, path.size()));
}

std::string parseKeyLine(std::string_view line)
{
    if (line.back() != ']')
        throw LineError {"key name without closing ']'"};
    return parseKeyPath(line.substr(1, line.size() - 2));
}

// --- Value lines ------------------------------------------------------------

// Quoted text with '\' escaping '\', '"' and, as "\x" and two hexadecimal
// digits, a control character. Any other escaped character stands for itself.
std::string quote(const std::string& s)
{
    std::string out = "\"";
    out.reserve(s.size() + 2);
    for (char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (isControl(c)) {
            out += "\\x";
            appendHex(out, static_cast<unsigned char>(c));
        } else {
            out += c;
        }
    }
    return out + '"';
}

// Reads quoted text starting at s[i] == '"'; leaves i after the closing quote.
std::string parseQuoted(std::string_view s, size_t& i)
{
    std::string out;
    ++i;
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"')
            return out;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i >= s.size())
            break;
        if (s[i] == 'x' && hexByte(s, i + 1) >= 0) {
            out += static_cast<char>(hexByte(s, i + 1));
            i += 3;
        } else {
            out += s[i++];
        }
    }
    throw LineError {"text without closing '\"'"};
}

std::vector<uint8_t> parseHexBytes(std::string_view s)
{
    std::vector<uint8_t> out;
    s = trim(s);
    size_t i = 0;
    while (i < s.size()) {
        int byte = hexByte(s, i);
        if (byte < 0)
            throw LineError {"bad hexadecimal data"};
        out.push_back(static_cast<uint8_t>(byte));
        i += 2;
        while (i < s.size() && isBlank(s[i]))
            ++i;
        if (i < s.size()) {
            if (s[i] != ',')
                throw LineError {"bad hexadecimal data"};
            ++i;
            while (i < s.size() && isBlank(s[i]))
                ++i;
            if (i >= s.size())
                throw LineError {"bad hexadecimal data"};
        }
    }
    return out;
}

Value parseValueData(std::string name, std::string_view data)
{
    Value v;
    v.name = std::move(name);
    if (!data.empty() && data[0] == '"') {
        size_t i = 0;
        v.type = RegDataType::String;
        v.text = parseQuoted(data, i);
        if (!trim(data.substr(i)).empty())
            throw LineError {"text after the closing '\"'"};
    } else if (startsWithNoCase(data, "dword:")) {
        std::string_view digits = trim(data.substr(6));
        if (digits.size() != 8 || !std::all_of(digits.begin(), digits.end(), [](char c) { return HexDigitValue(c) >= 0; }))
            throw LineError {"a dword needs eight hexadecimal digits"};
        uint32_t n = 0;
        for (char c : digits)
            n = n * 16 + static_cast<uint32_t>(HexDigitValue(c));
        v.type = RegDataType::Integer;
        v.integer = static_cast<int32_t>(n);
    } else if (startsWithNoCase(data, "hex:")) {
        v.type = RegDataType::Binary;
        v.binary = parseHexBytes(data.substr(4));
    } else if (startsWithNoCase(data, "hex(1):") || startsWithNoCase(data, "hex(2):")) {
        // A string (hex(2): one with %variables%, kept as written) given as
        // its bytes and a terminating zero.
        auto bytes = parseHexBytes(data.substr(7));
        if (!bytes.empty() && bytes.back() == 0)
            bytes.pop_back();
        v.type = RegDataType::String;
        v.text.assign(bytes.begin(), bytes.end());
    } else {
        throw LineError {"unknown type of value"};
    }
    return v;
}

std::string hexList(std::string out, const std::vector<uint8_t>& bytes)
{
    size_t column = out.size();
    for (size_t i = 0; i < bytes.size(); ++i) {
        appendHex(out, bytes[i]);
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

std::string formatValue(const Value& v)
{
    std::string line = v.name.empty() ? "@=" : quote(v.name) + "=";
    switch (v.type) {
    case RegDataType::String:
        if (std::any_of(v.text.begin(), v.text.end(), isControl)) {
            std::vector<uint8_t> bytes(v.text.begin(), v.text.end());
            bytes.push_back(0);
            return hexList(line + "hex(1):", bytes);
        }
        return line + quote(v.text);
    case RegDataType::Integer: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<uint32_t>(v.integer));
        return line + buf;
    }
    case RegDataType::Binary:
        return hexList(line + "hex:", v.binary);
    case RegDataType::None:
        break;
    }
    return {};
}

// The line as a problem report shows it: control characters as '?', cut at
// 60 bytes on a character boundary.
std::string excerpt(std::string_view line)
{
    const size_t limit = 60;
    std::string out;
    for (char c : line.substr(0, limit))
        out += isControl(c) ? '?' : c;
    if (line.size() > limit) {
        while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80)
            out.pop_back();
        if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0)
            out.pop_back();
        out += "...";
    }
    return out;
}

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    lines.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(trim(line));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

} // namespace

std::string NormalizeKey(std::string_view key)
{
    std::string out;
    out.reserve(key.size());
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

size_t NoCaseHash::operator()(std::string_view s) const noexcept
{
    uint64_t h = 14695981039346656037ull; // FNV-1a
    for (char c : s) {
        h ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
}

bool NoCaseEqual::operator()(std::string_view a, std::string_view b) const noexcept
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x != y && (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) != (y >= 'A' && y <= 'Z' ? y - 'A' + 'a' : y))
            return false;
    }
    return true;
}

// --- Key ----------------------------------------------------------------------

std::optional<size_t> Key::position(std::string_view name, NameCase match) const
{
    std::optional<size_t> first;
    auto consider = [&](size_t pos) {
        if (values_[pos].name == name)
            return true;
        if (match == NameCase::Any && (!first || pos < *first))
            first = pos;
        return false;
    };
    if (index_.empty()) {
        for (size_t pos = 0; pos < values_.size(); ++pos)
            if (NoCaseEqual {}(values_[pos].name, name) && consider(pos))
                return pos;
    } else {
        auto [from, to] = index_.equal_range(name);
        for (auto it = from; it != to; ++it)
            if (consider(it->second))
                return it->second;
    }
    return first;
}

const Value* Key::Find(std::string_view name, NameCase match) const
{
    if (name.empty())
        return default_ ? &*default_ : nullptr;
    auto pos = position(name, match);
    return pos ? &values_[*pos] : nullptr;
}

void Key::Set(Value v, NameCase match)
{
    if (v.name.empty()) {
        default_ = std::move(v);
        return;
    }
    if (auto pos = position(v.name, match)) {
        v.name = values_[*pos].name;
        values_[*pos] = std::move(v);
        return;
    }
    values_.push_back(std::move(v));
    if (!index_.empty())
        index_.emplace(values_.back().name, values_.size() - 1);
    else if (values_.size() >= kIndexFrom)
        reindex();
}

bool Key::Erase(std::string_view name, NameCase match)
{
    if (name.empty()) {
        bool had = default_.has_value();
        default_.reset();
        return had;
    }
    auto pos = position(name, match);
    if (!pos)
        return false;
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(*pos));
    reindex();
    return true;
}

void Key::reindex()
{
    index_.clear();
    if (values_.size() < kIndexFrom)
        return;
    index_.reserve(values_.size());
    for (size_t i = 0; i < values_.size(); ++i)
        index_.emplace(values_[i].name, i);
}

// --- Store --------------------------------------------------------------------

const Key* Store::Find(std::string_view path) const
{
    auto it = index_.find(path);
    return it == index_.end() ? nullptr : &keys_[it->second];
}

Key* Store::Find(std::string_view path)
{
    auto it = index_.find(path);
    return it == index_.end() ? nullptr : &keys_[it->second];
}

Key& Store::Create(const std::string& path)
{
    if (Key* k = Find(path))
        return *k;
    // The missing parents, from the nearest up (usually none), then created
    // from the top down.
    std::vector<std::string_view> missing;
    for (auto slash = path.rfind('\\'); slash != std::string::npos && slash > 0; slash = path.rfind('\\', slash - 1)) {
        std::string_view parent = std::string_view(path).substr(0, slash);
        if (Find(parent))
            break;
        missing.push_back(parent);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        keys_.emplace_back(std::string(*it));
        index_.emplace(keys_.back().Path(), keys_.size() - 1);
    }
    keys_.emplace_back(path);
    index_.emplace(path, keys_.size() - 1);
    return keys_.back();
}

bool Store::EraseTree(const std::string& path)
{
    if (!Find(path))
        return false;
    auto inTree = [&](const Key& k) {
        std::string_view kp = k.Path();
        return NoCaseEqual {}(kp.substr(0, path.size()), path) && (kp.size() == path.size() || kp[path.size()] == '\\');
    };
    keys_.erase(std::remove_if(keys_.begin(), keys_.end(), inTree), keys_.end());
    index_.clear();
    for (size_t i = 0; i < keys_.size(); ++i)
        index_.emplace(keys_[i].Path(), i);
    return true;
}

std::vector<std::string> Store::SubKeyNames(const std::string& path) const
{
    std::vector<std::string> names;
    const size_t prefix = path.empty() ? 0 : path.size() + 1;
    for (const auto& k : keys_) {
        std::string_view p = k.Path();
        if (p.size() > prefix && (path.empty() || (NoCaseEqual {}(p.substr(0, path.size()), path) && p[path.size()] == '\\'))
            && p.find('\\', prefix) == std::string_view::npos)
            names.push_back(std::string(p.substr(prefix)));
    }
    return names;
}

// --- Text -----------------------------------------------------------------------

ParseResult Parse(std::string_view text)
{
    ParseResult result;
    size_t skipped = 0;
    auto problem = [&](size_t lineNo, const std::string& why, std::string_view line) {
        if (result.problems.size() < kMaxProblems)
            result.problems.push_back("line " + std::to_string(lineNo) + ": " + why + ": " + excerpt(line));
        else
            ++skipped;
    };

    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    std::vector<std::string_view> lines = splitLines(text);

    size_t n = 0;
    while (n < lines.size() && lines[n].empty())
        ++n;
    if (n < lines.size() && lines[n] == kHeader)
        ++n;
    else if (n < lines.size())
        problem(n + 1, "the file does not start with REGEDIT4", lines[n]);

    Key* current = nullptr;
    bool inBadKey = false; // the values below a key line that could not be read go with it
    for (; n < lines.size(); ++n) {
        const size_t lineNo = n + 1;
        std::string_view line = lines[n];
        if (line.empty() || line[0] == ';')
            continue;
        try {
            if (line[0] == '[') {
                current = nullptr;
                inBadKey = true;
                current = &result.store.Create(parseKeyLine(line));
                inBadKey = false;
                continue;
            }
            // Hexadecimal data may go on over the next lines, each but the
            // last ending with '\'. Read them all first, so that a value that
            // cannot be read is skipped as a whole.
            std::string joined;
            std::string_view whole = line;
            while (!whole.empty() && whole.back() == '\\' && n + 1 < lines.size() && !lines[n + 1].empty()
                && HexDigitValue(lines[n + 1][0]) >= 0) {
                joined.append(whole.substr(0, whole.size() - 1));
                whole = lines[++n];
            }
            if (!joined.empty()) {
                joined.append(whole);
                whole = joined;
            }
            if (inBadKey)
                continue;
            if (!current)
                throw LineError {"value outside a key"};

            std::string name;
            size_t i = 0;
            if (whole[0] == '@')
                i = 1;
            else if (whole[0] == '"')
                name = parseQuoted(whole, i);
            else
                throw LineError {"neither a key nor a value"};
            while (i < whole.size() && isBlank(whole[i]))
                ++i;
            if (i >= whole.size() || whole[i] != '=')
                throw LineError {"'=' missing after the value's name"};
            ++i;
            while (i < whole.size() && isBlank(whole[i]))
                ++i;
            if (whole.back() == '\\')
                throw LineError {"the value's data is cut short"};
            current->Set(parseValueData(std::move(name), whole.substr(i)), NameCase::Exact);
        } catch (const LineError& e) {
            problem(lineNo, e.why, line);
        }
    }
    if (skipped)
        result.problems.push_back(std::to_string(skipped) + " more lines that cannot be read");
    return result;
}

std::string Format(const Store& store)
{
    std::string out = std::string(kHeader) + "\n\n";
    for (const auto& key : store.Keys()) {
        out += '[';
        out += kRoot;
        if (!key.Path().empty()) {
            out += '\\';
            out += encodeKeyPath(key.Path());
        }
        out += "]\n";
        // The default value comes first, as regedit writes it.
        if (key.DefaultValue() && key.DefaultValue()->type != RegDataType::None)
            out += formatValue(*key.DefaultValue()) + "\n";
        for (const auto& v : key.Values())
            if (v.type != RegDataType::None)
                out += formatValue(v) + "\n";
        out += "\n";
    }
    return out;
}

} // namespace qx::regtext
