// Shared test helpers: a private temporary directory per test, whole-file
// reading and writing, line splitting for byte-for-byte comparisons, the
// fixed creation date of the header tests and settings text fields.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace zer2ivi::testing {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zer2ivi-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string Read_File(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Write_File(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

// Lines of a text without their LF; a last line without LF is kept too.
inline std::vector<std::string> Split_Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline std::vector<std::string> Read_Lines(const std::string& path) {
    return Split_Lines(Read_File(path));
}

// 6 December 2026, 16:33 UTC: the clock the header tests fix.
inline std::tm Fixed_Utc() {
    std::tm utc{};
    utc.tm_year = 126;
    utc.tm_mon = 11;
    utc.tm_mday = 6;
    utc.tm_hour = 16;
    utc.tm_min = 33;
    return utc;
}

// Puts text into a settings text field, cut to the field, the rest zero (a
// text as long as the field has no NUL).
template <size_t N>
void Copy_Text(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

}  // namespace zer2ivi::testing
