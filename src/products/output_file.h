// A file being written, plain or gzip-compressed through zlib.  Closing
// reports whether everything reached the file.
#pragma once

#include <string>
#include <string_view>

namespace zer2ivi::products {

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Truncates or creates path; false with error() set.
    bool open(const std::string& path, bool gzip);
    bool write(std::string_view bytes);
    // false with error() set when a write or the close failed.
    bool close();
    const std::string& error() const { return error_; }
    bool isOpen() const { return plain_ != nullptr || packed_ != nullptr; }

private:
    bool fail(const char* what);
    std::string path_;
    std::string error_;
    void* plain_ = nullptr;   // FILE*
    void* packed_ = nullptr;  // gzFile
};

// Copies a whole plain file to an open output; false with error set.
bool Append_File(OutputFile& output, const std::string& path, std::string& error);

}  // namespace zer2ivi::products
