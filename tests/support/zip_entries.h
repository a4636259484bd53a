#pragma once
// Reads the entries of a zip package (.xlsx, .docx) for tests, through libzip.

#include <zip.h>

#include <map>
#include <memory>
#include <string>

// Every entry of the package by name; empty when the file is not a readable zip.
inline std::map<std::string, std::string> zipEntries(const std::string& path) {
    std::map<std::string, std::string> entries;
    int error = 0;
    std::unique_ptr<zip_t, int (*)(zip_t*)> archive(zip_open(path.c_str(), ZIP_RDONLY, &error), zip_close);
    if (!archive) return entries;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
            zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0), zip_fclose);
        if (!file) continue;
        std::string data(static_cast<size_t>(st.size), '\0');
        if (zip_fread(file.get(), data.data(), st.size) != static_cast<zip_int64_t>(st.size)) continue;
        entries[st.name] = std::move(data);
    }
    return entries;
}
