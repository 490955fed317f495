#pragma once
// The per-user settings registry: keys with subkeys, a default (unnamed) value
// and named values of type string, 32-bit integer and binary.
//
// On Linux it is one REGEDIT4 text file, $XDG_CONFIG_HOME/Quorvix/registry.reg
// (~/.config/Quorvix/registry.reg by default), whose keys are written as
// [HKEY_CURRENT_USER\Software\Quorvix\...]. Key and value names compare without
// regard to case (value names in their exact case on request). Names hold any
// character (key names all but the separators). Every write takes an exclusive
// lock on the file, re-reads it when another process changed it, applies the
// change and replaces the file atomically, so concurrent instances never lose
// each other's values and a crash never leaves a half-written file; temporary
// files of a writer that was killed are removed by the next write.
//
// A line of the file that cannot be read is left out and everything else is
// kept; LoadProblems names such lines, and the first write keeps the damaged
// file as registry.reg.bad before replacing it.
//
// Like the Windows registry class it stands in for, one object opens one key at
// a time. Paths are relative to HKEY_CURRENT_USER ("Software\\Quorvix\\Cookies");
// '/' is accepted as separator too.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace qx {

enum class RegDataType { None, String, Integer, Binary };

// Raised by reads of missing values or of values of another type, and by writes
// that could not be stored.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Registry {
public:
    Registry() = default;

    // Opens key (relative to HKEY_CURRENT_USER). With canCreate a missing key
    // is created (and stored); without it, a missing key fails. Returns false
    // on failure; LastError() tells why.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey();
    const std::string& CurrentPath() const { return path_; }
    bool KeyExists(const std::string& key) const;

    // From now on this object matches value names only in their exact case:
    // "X.txt" and "x.txt" are then two values (file names on a case-sensitive
    // file system). By default names compare without regard to case.
    void SetExactValueNames(bool exact) { exactNames_ = exact; }

    bool ValueExists(const std::string& name) const;
    RegDataType GetDataType(const std::string& name) const;

    // An empty name addresses the key's default value.
    std::string ReadString(const std::string& name) const;
    int32_t ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const;
    std::vector<uint8_t> ReadBinary(const std::string& name) const;

    // A value that cannot be stored raises RegistryError; while a batch is
    // open, its Commit does.
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value);
    void WriteBinary(const std::string& name, const std::vector<uint8_t>& value);

    // Names of the open key's values (default value excluded) and subkeys, in
    // the order they were created.
    std::vector<std::string> GetValueNames() const;
    std::vector<std::string> GetKeyNames() const;
    bool HasSubKeys() const;

    bool DeleteValue(const std::string& name);
    // Deletes a key with all its subkeys; relative to HKEY_CURRENT_USER.
    bool DeleteKey(const std::string& key);

    const std::string& LastError() const { return lastError_; }

    // The file behind the store.
    static std::string StoreFileName();
    // What could not be read when the file was last loaded: one sentence per
    // line left out, naming it, or why the file could not be read at all.
    // Empty when it loaded whole (and after a write replaced it).
    static std::vector<std::string> LoadProblems();
    // Copies a file that did not load whole to StoreFileName() + ".bad"
    // before anything replaces it; returns the copy's name, or "" when there
    // is nothing to keep or the copy failed. The first write does the same.
    static std::string KeepDamagedCopy();

private:
    std::string path_;
    bool open_ = false;
    bool exactNames_ = false;
    mutable std::string lastError_;
};

// Holds the registry writes of this process from its creation until Commit,
// then stores them all with one replacement of the file, instead of one
// rewrite each. Reads in between see the held values. Batches nest; only the
// outermost one writes. Other processes see nothing of the batch until it is
// committed, and their changes made in the meantime are kept.
class RegistryBatch {
public:
    RegistryBatch();
    // Commits when Commit was not called; a failure is then lost.
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // Writes what was held; raises RegistryError when the file could not be
    // written, and the held values are then dropped.
    void Commit();

private:
    bool done_ = false;
};

} // namespace qx
