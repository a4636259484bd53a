#pragma once
// The fuzz input as a file, for the readers that take a path: one file per process, written
// again for every input, in memory where the system has a tmpfs.

#include "atomic_file.h"
#include "trevan_error.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

inline std::string fuzzInputFile(const std::uint8_t* data, std::size_t size, const char* name) {
    struct File {
        std::string path;
        ~File() { std::remove(path.c_str()); }
    };
    static const File file{(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") +
                           std::string("/velmora2-fuzz-") + std::to_string(getpid()) + "-" + name};
    std::ofstream(file.path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file.path;
}

// A file of this process for what a target writes, removed first (the writers keep the keys
// of a file they write over).
inline std::string fuzzScratchFile(const char* name) {
    const std::string path = (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") +
                             std::string("/velmora2-fuzz-") + std::to_string(getpid()) + "-" + name;
    std::remove(path.c_str());
    return path;
}

inline std::string fuzzFileText(const std::string& path) {
    std::string text;
    if (readWholeFile(path, std::size_t(1) << 24, text) != 0) std::abort();
    return text;
}

// The round-trip oracle of the settings files: `write` the object read from the input into one
// file, read that back and write it into a second; both must hold the same text. Aborts (the
// fuzzer's failure) when a write fails or the texts differ.
template <typename Write, typename Reread>
void requireSameWhenWrittenTwice(Write write, Reread rereadAndWrite) {
    const std::string first = fuzzScratchFile("first.ini");
    const std::string second = fuzzScratchFile("second.ini");
    if (!write(first) || !rereadAndWrite(first, second) || fuzzFileText(first) != fuzzFileText(second)) std::abort();
    std::remove(first.c_str());
    std::remove(second.c_str());
}

// The error stack is global: emptied after each input so that it cannot grow.
inline void dropErrors() { get_error_text(); }
