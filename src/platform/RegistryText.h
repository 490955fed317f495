#pragma once
// The settings registry as data, and its REGEDIT4 text: what the registry file
// holds, how it is read and how it is written. No files and no locks here (see
// Registry.h); the fuzz target and the benchmark use this directly.
//
// Key paths are relative to HKEY_CURRENT_USER, with '\' between the names of
// the keys; a key's name holds any character but the separators '\' and '/'.
// Value names hold any character at all. Key paths compare without regard to
// (ASCII) case. Value names do too, unless a lookup asks for the exact case:
// then "X.txt" and "x.txt" are two values of one key.
#include "platform/Registry.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qx::regtext {

struct Value {
    std::string name; // empty: the default value
    RegDataType type = RegDataType::None;
    std::string text;
    int32_t integer = 0;
    std::vector<uint8_t> binary;

    bool operator==(const Value&) const = default;
};

enum class NameCase { Any, Exact };

// Hashing and comparing names without regard to ASCII case, without making
// lower-case copies; lookups take string views.
struct NoCaseHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept;
};
struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

class Key {
public:
    explicit Key(std::string path) : path_(std::move(path)) { }

    const std::string& Path() const { return path_; }
    // The named values in the order they were created; the default value apart.
    const std::vector<Value>& Values() const { return values_; }
    const std::optional<Value>& DefaultValue() const { return default_; }

    // The value of that name (the default value for ""), or null. With Any the
    // value of exactly that name is preferred, else the first one that differs
    // only in case.
    const Value* Find(std::string_view name, NameCase match) const;
    // Stores v under its name, replacing the value Find gives (whose name is
    // kept) or adding a new one.
    void Set(Value v, NameCase match);
    bool Erase(std::string_view name, NameCase match);

    bool operator==(const Key& o) const { return path_ == o.path_ && values_ == o.values_ && default_ == o.default_; }

private:
    // Keys with few values are searched in order; larger ones (cookies, one
    // per file) get an index: name -> positions in values_.
    static constexpr size_t kIndexFrom = 16;
    std::string path_;
    std::vector<Value> values_;
    std::optional<Value> default_;
    std::unordered_multimap<std::string, size_t, NoCaseHash, NoCaseEqual> index_;

    std::optional<size_t> position(std::string_view name, NameCase match) const;
    void reindex();
};

class Store {
public:
    // Keys in the order they were created; a parent always before its subkeys.
    const std::deque<Key>& Keys() const { return keys_; }
    const Key* Find(std::string_view path) const;
    Key* Find(std::string_view path);
    // The key, created with every missing parent if needed. Paths are given
    // as NormalizeKey leaves them. A reference stays valid until EraseTree.
    Key& Create(const std::string& path);
    // Removes the key and all its subkeys; false when it does not exist.
    bool EraseTree(const std::string& path);
    // Names of the direct subkeys of path, in creation order.
    std::vector<std::string> SubKeyNames(const std::string& path) const;

    bool operator==(const Store& o) const { return keys_ == o.keys_; }

private:
    std::deque<Key> keys_;
    std::unordered_map<std::string, size_t, NoCaseHash, NoCaseEqual> index_; // path -> position
};

// "Software/Quorvix\\Cookies\\" -> "Software\\Quorvix\\Cookies"
std::string NormalizeKey(std::string_view key);

struct ParseResult {
    Store store;
    // One sentence per line that could not be read and was left out, naming
    // the line ("line 7: unterminated string: ..."); at most kMaxProblems, then
    // one sentence that counts the rest.
    std::vector<std::string> problems;
};
inline constexpr size_t kMaxProblems = 20;

// Reads REGEDIT4 text as people write it too: a UTF-8 byte order mark, CR LF
// or LF, blank lines, blanks around '=' and at the ends of lines, comment
// lines starting with ';', hex(1) and hex(2) strings. A line that cannot be read costs only
// itself (and, for a key line, the values below it); the rest is kept.
ParseResult Parse(std::string_view text);

// The text of the store; Parse(Format(s)).store == s for every store built
// through Create and Set with typed values.
std::string Format(const Store& store);

} // namespace qx::regtext
