#pragma once
// The fuzz input as a file, for the readers that take a path: one file per process, written
// again for every input, in memory where the system has a tmpfs.

#include "trevan_error.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
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

// The error stack is global: emptied after each input so that it cannot grow.
inline void dropErrors() { get_error_text(); }
