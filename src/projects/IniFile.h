#pragma once
// A small INI document in memory, as the project files use it, and the file
// helper that reads such text safely (platform/FileWrite.h stores it).
//
// Text form: a section is a line "[Name]" followed by one "Key=Value" line per
// key and one empty line; every line ends with CR LF. Sections and keys keep
// the order in which they were first written. Section and key names compare
// without regard to ASCII letter case; the value is everything after the first
// '=' of its line, spaces included.
//
// Reading is lenient: LF alone ends a line too, a UTF-8 byte order mark is
// skipped, spaces around section and key names are ignored, and lines that are
// empty, start with ';', have no '=' or come before the first section are
// ignored. When a key occurs twice in a section the first one counts; a section
// name that occurs twice continues the earlier section.
//
// Line breaks in values: a value is written exactly as it is, unless it
// contains CR or LF, or starts and ends with a double quote. Such a value is
// written between double quotes, with "\\" for a backslash, "\r" for CR and
// "\n" for LF. On reading, a value that starts and ends with a double quote is
// decoded that way (a backslash before any other character stays as it is).
// Files whose values hold no line breaks and are not quoted therefore read and
// write byte for byte as plain INI files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qx {

struct IniEntry {
    std::string key;
    std::string value; // decoded
};

class IniFile {
public:
    // Parses text in the form above; never fails.
    static IniFile Parse(std::string_view text);
    // The text form, CR LF line ends, values encoded as described above.
    std::string Serialize() const;

    bool SectionExists(std::string_view section) const;
    // Missing keys read as the default.
    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& defaultValue = {}) const;
    // A value that is not a decimal 32-bit integer (optionally signed,
    // surrounded by spaces) reads as the default.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // The keys of a section in file order (first occurrences only), or an empty
    // list for a missing section.
    const std::vector<IniEntry>& Entries(std::string_view section) const;

    // Sets a value, creating the section and key at the end of their lists
    // when they do not exist yet.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, long long value);

    // Value codec for one line, see above.
    static std::string EncodeValue(std::string_view value);
    static std::string DecodeValue(std::string_view raw);

private:
    struct Section {
        std::string name;
        std::vector<IniEntry> entries;
        std::unordered_map<std::string, size_t> index; // lower-case key -> entry
    };
    const Section* find(std::string_view section) const;
    Section& obtain(std::string_view section);

    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> index_; // lower-case name -> section
};

// Reads a whole regular file into text. Fails (with a reason in *error) when
// the file is missing, unreadable, not a regular file (a FIFO or device would
// block or never end) or larger than maxBytes.
bool ReadTextFile(const std::string& path, size_t maxBytes, std::string& text, std::string* error = nullptr);

} // namespace qx
