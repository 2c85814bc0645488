// Temporary files and directories that the commands clean up on every path.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zer2ivi::cli {

// A private directory under $TMPDIR (or /tmp), removed with its contents.
class TempDirectory {
public:
    // Nothing when no directory could be made.
    static std::optional<TempDirectory> Create();
    TempDirectory(TempDirectory&& other) noexcept;
    TempDirectory& operator=(TempDirectory&&) = delete;
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory();

    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const;

private:
    explicit TempDirectory(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

// Creates a new empty file "<directory>/<prefix>XXXXXX<suffix>" that did not
// exist before and returns its path ("." as directory gives a bare name).
// The file gets the permissions of any new file (0666 less the umask).
std::optional<std::string> Create_Unique_File(const std::string& directory,
                                              std::string_view prefix, std::string_view suffix);

// Removes the files it holds when it goes out of scope, unless released.
class FilesToRemove {
public:
    FilesToRemove() = default;
    FilesToRemove(const FilesToRemove&) = delete;
    FilesToRemove& operator=(const FilesToRemove&) = delete;
    ~FilesToRemove();

    void add(const std::string& path) { paths_.push_back(path); }
    void release() { paths_.clear(); }

private:
    std::vector<std::string> paths_;
};

}  // namespace zer2ivi::cli
