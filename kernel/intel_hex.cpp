#include "intel_hex.h"

#include "atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads `digits` hex digits at pos; -1 when they are missing or not hex.
long readHex(std::string_view line, size_t pos, int digits) {
    if (pos + static_cast<size_t>(digits) > line.size()) return -1;
    long value = 0;
    for (int i = 0; i < digits; ++i) {
        int d = hexDigit(line[pos + static_cast<size_t>(i)]);
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return value;
}

void append(std::string* messages, const std::string& text) {
    if (messages) *messages += text;
}

std::string lineError(int lineNumber, const char* what) {
    char text[96];
    std::snprintf(text, sizeof text, "Error loading file: %s in line %d\n", what, lineNumber);
    return text;
}

// Adds [address, address + count) to the segments: it extends the last segment when it
// continues it within MAX_SEGMENT bytes on the same side of EXTERNAL_MEMORY.
void addSegment(std::vector<HexSegment>& segments, std::uint32_t address, std::uint32_t count) {
    while (count > 0) {
        std::uint32_t piece = count;
        if (address < HexImage::EXTERNAL_MEMORY && address + piece > HexImage::EXTERNAL_MEMORY)
            piece = HexImage::EXTERNAL_MEMORY - address;
        if (!segments.empty()) {
            HexSegment& last = segments.back();
            const bool sameSide = (last.address < HexImage::EXTERNAL_MEMORY) == (address < HexImage::EXTERNAL_MEMORY);
            if (last.address + last.length == address && last.length + piece <= HexImage::MAX_SEGMENT && sameSide) {
                last.length += piece;
                address += piece;
                count -= piece;
                continue;
            }
        }
        segments.push_back({address, piece});
        address += piece;
        count -= piece;
    }
}

} // namespace

bool HexImage::hasExternalSegments() const {
    for (const HexSegment& s : d_segments) {
        if (s.address >= EXTERNAL_MEMORY) return true;
    }
    return false;
}

int LoadHexText(HexImage& image, std::string_view text, std::string* messages) {
    auto loaded = std::make_unique<HexImage>();
    bool spaced = false;
    std::uint64_t base = 0; // from the last extended address record
    int total = 0;
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] != ':') {
            append(messages, lineError(lineNumber, "no record"));
            return 0;
        }
        if (line.size() > 1 && line[1] == ' ') spaced = true;
        const size_t countAt = spaced ? 2 : 1, addressAt = spaced ? 5 : 3, typeAt = spaced ? 10 : 7,
                     dataAt = spaced ? 13 : 9;
        if (spaced && (line.size() < dataAt || line[4] != ' ' || line[9] != ' ' || line[12] != ' ')) {
            append(messages, lineError(lineNumber, "bad record"));
            return 0;
        }
        const long count = readHex(line, countAt, 2);
        const long address = readHex(line, addressAt, 4);
        const long type = readHex(line, typeAt, 2);
        if (count < 0 || address < 0 || type < 0) {
            append(messages, lineError(lineNumber, "bad record"));
            return 0;
        }
        unsigned char data[255];
        unsigned sum = static_cast<unsigned>(count + (address >> 8) + (address & 0xFF) + type);
        for (long i = 0; i < count; ++i) {
            long byte = readHex(line, dataAt + static_cast<size_t>(2 * i), 2);
            if (byte < 0) {
                append(messages, lineError(lineNumber, "bad data"));
                return 0;
            }
            data[i] = static_cast<unsigned char>(byte);
            sum += static_cast<unsigned>(byte);
        }
        size_t checksumAt = dataAt + static_cast<size_t>(2 * count);
        if (spaced && checksumAt < line.size() && line[checksumAt] == ' ') ++checksumAt;
        const long checksum = readHex(line, checksumAt, 2);
        std::string_view rest = line.substr(std::min(line.size(), checksumAt + 2));
        if (checksum < 0 || rest.find_first_not_of(" \t") != std::string_view::npos) {
            append(messages, lineError(lineNumber, "bad record length"));
            return 0;
        }
        if (((sum + static_cast<unsigned>(checksum)) & 0xFF) != 0) {
            append(messages, lineError(lineNumber, "bad checksum"));
            return 0;
        }
        switch (type) {
        case 0: {
            const std::uint64_t end = base + static_cast<std::uint64_t>(address) + static_cast<std::uint64_t>(count);
            if (end > HexImage::SIZE) {
                append(messages, "Error loading file: address out of range\n");
                return 0;
            }
            const auto at = static_cast<std::uint32_t>(base + static_cast<std::uint64_t>(address));
            for (long i = 0; i < count; ++i) loaded->d_data[at + static_cast<std::uint32_t>(i)] = data[i];
            addSegment(loaded->d_segments, at, static_cast<std::uint32_t>(count));
            total += static_cast<int>(count);
            break;
        }
        case 1: image = *loaded; return total;
        case 2:
        case 4:
            if (count != 2) {
                append(messages, lineError(lineNumber, "bad address record"));
                return 0;
            }
            base = static_cast<std::uint64_t>(data[0] << 8 | data[1]) << (type == 2 ? 4 : 16);
            break;
        default: // start addresses (3, 5) and unknown types carry nothing to load
            break;
        }
    }
    append(messages, "Error loading file: no end-of-file record\n");
    return 0;
}

int LoadHexFile(HexImage& image, const char* path, std::string* messages, std::string* reason) {
    std::string content;
    const int e = path ? readWholeFile(path, HexImage::MAX_FILE_SIZE, content) : ENOENT;
    if (e == EFBIG) {
        char text[512];
        std::snprintf(text, sizeof text, "Error loading file: %s is larger than 16 MB\n", path);
        append(messages, text);
        if (reason) *reason = "larger than 16 MB";
        return 0;
    }
    if (e != 0) {
        char text[512];
        std::snprintf(text, sizeof text,
                      "Can't open %s file.\nPlease make sure that the file exist in the specified location\n",
                      path ? path : "");
        append(messages, text);
        if (reason) *reason = readErrorText(e);
        return 0;
    }
    std::string own;
    const int loaded = LoadHexText(image, content, &own);
    append(messages, own);
    if (loaded == 0 && reason) {
        // The last line says why, after the common prefix.
        const std::string prefix = "Error loading file: ";
        std::string last = own.substr(own.rfind('\n', own.size() - 2) + 1);
        if (!last.empty() && last.back() == '\n') last.pop_back();
        if (last.compare(0, prefix.size(), prefix) == 0) last.erase(0, prefix.size());
        *reason = last;
    }
    return loaded;
}
