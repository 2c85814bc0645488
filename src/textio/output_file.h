// A file being written, plain or gzip-compressed through zlib.  Closing
// reports whether everything reached the file.  Either at its path (the
// caller owns the temporary name and the rename), or staged: under a
// temporary name beside its destination, renamed into place by commit()
// and removed on every other path (all or nothing).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zer2ivi::textio {

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Truncates or creates path; false with error() set.
    bool open(const std::string& path, bool gzip);
    // A new file beside finalPath; false with error() set.
    bool openStaged(const std::string& finalPath, bool gzip);
    // Staged: closes and renames into place; false with error() set (and
    // the temporary file removed).
    bool commit();
    bool write(std::string_view bytes);
    // false with error() set when a write or the close failed.
    bool close();
    const std::string& error() const { return error_; }
    bool isOpen() const { return plain_ != nullptr || packed_ != nullptr; }

private:
    bool fail(const char* what);
    void removeStaged();
    std::string path_;
    std::string final_;  // staged: the destination; path_ is the temporary name
    std::string error_;
    void* plain_ = nullptr;   // FILE*
    void* packed_ = nullptr;  // gzFile
};

// Copies a whole plain file to an open output (anything with write(bytes)
// and error()); false with error set.
bool Copy_File(const std::string& path, const std::function<bool(std::string_view)>& write, std::string& error);

template <class Output>
bool Append_File(Output& output, const std::string& path, std::string& error) {
    bool failedWrite = false;
    const bool ok = Copy_File(
        path,
        [&](std::string_view bytes) {
            failedWrite = !output.write(bytes);
            return !failedWrite;
        },
        error);
    if (failedWrite) error = output.error();
    return ok;
}

}  // namespace zer2ivi::textio
