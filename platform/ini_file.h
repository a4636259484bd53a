#pragma once
// INI settings files read and written key by key, in place of the desktop's INI class.
// Section and key names compare without regard to case. Numbers are read and written in
// the C locale whatever the user's locale; a decimal comma written by another program is
// accepted on reading. Keys and sections this program does not know are kept on save.

#include "atomic_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    // No settings file comes near this; a larger file is refused unread.
    static constexpr std::size_t MAX_FILE_SIZE = 1 << 20;

    // Reads `path` if it exists; a missing, unreadable or oversized file gives an empty set
    // of keys.
    explicit IniFile(std::string path);

    const std::string& path() const { return d_path; }
    // False when the file existed but could not be read, or was larger than MAX_FILE_SIZE;
    // `error()` then says why.
    bool loadedOk() const { return d_loadedOk; }
    // The errno of the read as readWholeFile gives it (readErrorText words it): 0 when the
    // file was read, ENOENT for a missing one, which loadedOk accepts.
    int readError() const { return d_readError; }

    bool sectionExists(std::string_view section) const;
    bool valueExists(std::string_view section, std::string_view key) const;

    // Each read gives `def` when the key is missing or its text is not a number of the kind.
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    int readInteger(std::string_view section, std::string_view key, int def) const;
    double readFloat(std::string_view section, std::string_view key, double def) const;
    // Any non-zero number reads as true; "true"/"false" are accepted too.
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    // A line break in a section, key or value is written as one blank: no value can add a
    // line, a section or a key to the file.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    // Shortest text that reads back to the same double.
    void writeFloat(std::string_view section, std::string_view key, double value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void eraseKey(std::string_view section, std::string_view key);

    // Writes all sections to a temporary file beside `path`, checks write and close, then
    // renames it over the file. On failure the old file is intact and false is returned
    // with `error()` telling why. The file is replaced as atomicWriteFile does.
    bool save();
    bool saveAs(const std::string& path);
    const std::string& error() const { return d_error; }

    // Text of the whole file as save() would write it.
    std::string text() const;

    // Number parsing shared with other readers of text files (C locale, decimal comma
    // accepted). They return false on text that is not entirely a number.
    static bool parseInteger(std::string_view text, int& out);
    static bool parseDouble(std::string_view text, double& out);
    static std::string formatDouble(double value);

private:
    struct Line {
        std::string key;   // empty for a comment or blank line
        std::string value; // the value, or the raw text of a comment line
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
        // Hash table (open addressing, a power of two of slots, at most half full) of the
        // lines holding the first occurrence of each key: line number + 1, 0 for an empty
        // slot. Built at the first look-up after a change: a file of a thousand keys is read
        // and written key by key, and a look-up must cost no allocation.
        mutable std::vector<std::uint32_t> hashSlots;
        mutable std::size_t keys = 0; // slots in use
        mutable bool indexed = false;
    };

    const Section* findSection(std::string_view name) const;
    Section& sectionFor(std::string_view name);
    // Line of the key's first occurrence in s, or s.lines.size().
    static std::size_t keyLine(const Section& s, std::string_view key);
    static void buildIndex(const Section& s);
    // Adds line `line` of s to its index unless its key is there already; false when the
    // table is too full for it (the index is then to be built again).
    static bool indexLine(const Section& s, std::size_t line);
    const Line* findLine(std::string_view section, std::string_view key) const;
    void parse(const std::string& content);

    std::string d_path;
    bool d_loadedOk = true;
    int d_readError = 0;
    std::string d_error;
    std::vector<Section> d_sections; // the first may have an empty name: lines before any section
};
