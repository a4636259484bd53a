#include "ini_file.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <system_error>

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A line break in a written name or value would start a line of its own in the file: a
// title pasted from several lines could add a section or key ahead of the real one. Each
// break (CR LF, CR or LF) becomes one blank.
// `text` itself when it holds no break (the usual case: no copy), else the copy in `buffer`.
std::string_view oneLine(std::string_view text, std::string& buffer) {
    if (text.find_first_of("\r\n") == std::string_view::npos) return text;
    buffer.clear();
    buffer.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        buffer += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return buffer;
}

} // namespace

IniFile::IniFile(std::string path) : d_path(std::move(path)) {
    std::string content;
    const int e = readWholeFile(d_path, MAX_FILE_SIZE, content);
    d_readError = e;
    if (e == EFBIG) {
        d_loadedOk = false;
        d_error = d_path + " is not a settings file: it is larger than 1 MB";
        return;
    }
    if (e != 0) {
        // A missing file is an empty one; an unreadable one is reported.
        d_loadedOk = (e == ENOENT);
        if (!d_loadedOk) d_error = "cannot read " + d_path + ": " + readErrorText(e);
        return;
    }
    parse(content);
}

void IniFile::parse(const std::string& content) {
    // Each line trimmed, and whether it starts a section.
    const auto forEachLine = [&content](auto&& take) {
        size_t pos = 0;
        while (pos < content.size()) {
            size_t end = content.find('\n', pos);
            if (end == std::string::npos) end = content.size();
            const std::string_view line = trim(std::string_view(content).substr(pos, end - pos));
            pos = end + 1;
            take(line, !line.empty() && line.front() == '[');
        }
    };
    // Counted first, so that the lines of a section are stored once rather than moved as it
    // grows.
    std::vector<std::size_t> lineCounts(1, 0);
    forEachLine([&](std::string_view, bool header) {
        if (header)
            lineCounts.push_back(0);
        else
            ++lineCounts.back();
    });
    d_sections.clear();
    d_sections.reserve(lineCounts.size());
    d_sections.push_back(Section{});
    d_sections.back().lines.reserve(lineCounts[0]);
    forEachLine([&](std::string_view line, bool header) {
        if (header) {
            size_t close = line.find(']');
            std::string_view name = close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1);
            d_sections.push_back(Section{std::string(trim(name)), {}, {}, 0, false});
            d_sections.back().lines.reserve(lineCounts[d_sections.size() - 1]);
            return;
        }
        size_t eq = line.find('=');
        if (line.empty() || line.front() == ';' || line.front() == '#' || eq == std::string_view::npos ||
            trim(line.substr(0, eq)).empty()) {
            d_sections.back().lines.push_back(Line{"", std::string(line)});
            return;
        }
        d_sections.back().lines.push_back(
            Line{std::string(trim(line.substr(0, eq))), std::string(trim(line.substr(eq + 1)))});
    });
}

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    for (const Section& s : d_sections)
        if (!s.name.empty() && equalNoCase(s.name, name)) return &s;
    return nullptr;
}

IniFile::Section& IniFile::sectionFor(std::string_view name) {
    for (Section& s : d_sections)
        if (!s.name.empty() && equalNoCase(s.name, name)) return s;
    d_sections.push_back(Section{std::string(name), {}, {}, 0, false});
    return d_sections.back();
}

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// FNV-1a of the key in ASCII lower case.
std::size_t hashNoCase(std::string_view key) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : key) h = (h ^ static_cast<unsigned char>(lowerAscii(c))) * 1099511628211ull;
    return static_cast<std::size_t>(h ^ (h >> 32));
}

} // namespace

bool IniFile::indexLine(const Section& s, std::size_t line) {
    if ((s.keys + 1) * 2 > s.hashSlots.size()) return false;
    const std::string& key = s.lines[line].key;
    const std::size_t mask = s.hashSlots.size() - 1;
    for (std::size_t i = hashNoCase(key) & mask;; i = (i + 1) & mask) {
        if (s.hashSlots[i] == 0) {
            s.hashSlots[i] = static_cast<std::uint32_t>(line + 1);
            ++s.keys;
            return true;
        }
        if (equalNoCase(s.lines[s.hashSlots[i] - 1].key, key)) return true;
    }
}

void IniFile::buildIndex(const Section& s) {
    std::size_t size = 16;
    while (size < s.lines.size() * 2 + 2) size *= 2;
    s.hashSlots.assign(size, 0);
    s.keys = 0;
    for (std::size_t i = 0; i < s.lines.size(); ++i)
        if (!s.lines[i].key.empty()) indexLine(s, i);
    s.indexed = true;
}

std::size_t IniFile::keyLine(const Section& s, std::string_view key) {
    if (!s.indexed) buildIndex(s);
    const std::size_t mask = s.hashSlots.size() - 1;
    for (std::size_t i = hashNoCase(key) & mask; s.hashSlots[i] != 0; i = (i + 1) & mask)
        if (equalNoCase(s.lines[s.hashSlots[i] - 1].key, key)) return s.hashSlots[i] - 1;
    return s.lines.size();
}

const IniFile::Line* IniFile::findLine(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (!s) return nullptr;
    const std::size_t i = keyLine(*s, key);
    return i < s->lines.size() ? &s->lines[i] : nullptr;
}

bool IniFile::sectionExists(std::string_view section) const { return findSection(section) != nullptr; }

bool IniFile::valueExists(std::string_view section, std::string_view key) const {
    return findLine(section, key) != nullptr;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
    const Line* l = findLine(section, key);
    return l ? l->value : std::string(def);
}

bool IniFile::parseInteger(std::string_view text, int& out) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int base = 10;
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

bool IniFile::parseDouble(std::string_view text, double& out) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    std::string s(text);
    if (s.find('.') == std::string::npos) {
        size_t comma = s.find(',');
        if (comma != std::string::npos && s.find(',', comma + 1) == std::string::npos) s[comma] = '.';
    }
    double v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size()) return false;
    out = v;
    return true;
}

std::string IniFile::formatDouble(double value) {
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc()) return "0";
    return std::string(buf, ptr);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int def) const {
    const Line* l = findLine(section, key);
    int v = 0;
    return l && parseInteger(l->value, v) ? v : def;
}

double IniFile::readFloat(std::string_view section, std::string_view key, double def) const {
    const Line* l = findLine(section, key);
    double v = 0;
    return l && parseDouble(l->value, v) ? v : def;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    const Line* l = findLine(section, key);
    if (!l) return def;
    int v = 0;
    if (parseInteger(l->value, v)) return v != 0;
    if (equalNoCase(trim(l->value), "true")) return true;
    if (equalNoCase(trim(l->value), "false")) return false;
    return def;
}

void IniFile::writeString(std::string_view section_, std::string_view key_, std::string_view value) {
    std::string sectionBuffer, keyBuffer, valueBuffer;
    const std::string_view section = oneLine(section_, sectionBuffer);
    const std::string_view key = oneLine(key_, keyBuffer);
    Section& s = sectionFor(section);
    const std::size_t line = keyLine(s, key);
    if (line < s.lines.size()) {
        s.lines[line].value.assign(oneLine(value, valueBuffer));
        return;
    }
    // New keys go after the last key line, before trailing blank lines.
    auto it = s.lines.end();
    while (it != s.lines.begin() && std::prev(it)->key.empty() && std::prev(it)->value.empty()) --it;
    const bool last = it == s.lines.end();
    it = s.lines.insert(it, Line{std::string(key), std::string(oneLine(value, valueBuffer))});
    // Appended, no line moves; else the lines after it do.
    if (!last || !indexLine(s, static_cast<std::size_t>(it - s.lines.begin()))) s.indexed = false;
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeFloat(std::string_view section, std::string_view key, double value) {
    writeString(section, key, formatDouble(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::eraseKey(std::string_view section, std::string_view key) {
    for (Section& s : d_sections) {
        if (s.name.empty() || !equalNoCase(s.name, section)) continue;
        std::erase_if(s.lines, [&](const Line& l) { return !l.key.empty() && equalNoCase(l.key, key); });
        s.indexed = false;
    }
}

std::string IniFile::text() const {
    std::size_t size = 0;
    for (const Section& s : d_sections) {
        size += s.name.size() + 4;
        for (const Line& l : s.lines) size += l.key.size() + l.value.size() + 2;
    }
    std::string out;
    out.reserve(size);
    bool afterNamed = false; // a blank line separates named sections, not the preamble
    for (const Section& s : d_sections) {
        if (s.name.empty() && s.lines.empty()) continue;
        if (!s.name.empty()) {
            if (afterNamed && out.size() >= 2 && out.compare(out.size() - 2, 2, "\n\n") != 0) out += '\n';
            out += '[';
            out += s.name;
            out += "]\n";
            afterNamed = true;
        }
        for (const Line& l : s.lines) {
            if (!l.key.empty()) {
                out += l.key;
                out += '=';
            }
            out += l.value;
            out += '\n';
        }
    }
    return out;
}

bool IniFile::save() { return saveAs(d_path); }

bool IniFile::saveAs(const std::string& path) { return atomicWriteFile(path, text(), &d_error); }
