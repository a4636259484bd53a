#pragma once
// A private folder for one test, removed with everything in it when the test ends.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "velmora2-test-XXXXXX").string();
        char* made = ::mkdtemp(tmpl.data());
        d_path = made ? made : tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(d_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path() const { return d_path.string(); }
    std::string file(const std::string& name) const { return (d_path / name).string(); }

    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream out(file(name), std::ios::binary);
        out << content;
        return file(name);
    }

    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path d_path;
};
