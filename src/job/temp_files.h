// Temporary files and directories that the commands clean up on every path,
// also when the process is interrupted, and the replacing rename that turns
// a complete temporary file into a result file.  POSIX and Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zer2ivi::job {

// A private directory under the system's temporary directory ($TMPDIR or
// /tmp, %TEMP% on Windows), removed with its contents.  SIGINT and SIGTERM
// remove it too once it is empty: its files belong in a FilesToRemove.
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
// Nothing on failure, with errno telling why.
std::optional<std::string> Create_Unique_File(const std::string& directory,
                                              std::string_view prefix, std::string_view suffix);

// Removes the files it holds when it goes out of scope, unless released,
// and also when SIGINT or SIGTERM ends the process before that.
class FilesToRemove {
public:
    FilesToRemove() = default;
    FilesToRemove(const FilesToRemove&) = delete;
    FilesToRemove& operator=(const FilesToRemove&) = delete;
    ~FilesToRemove();

    // false when the path is too long or too many files are held for the
    // signal handler; the file is then still removed at scope end.
    bool add(const std::string& path);
    void release();

private:
    std::vector<std::string> paths_;
};

// Renames from to to, replacing a file that exists at to (rename on POSIX,
// MoveFileEx with MOVEFILE_REPLACE_EXISTING on Windows).  The reason on
// failure.
std::optional<std::string> Replace_File(const std::string& from, const std::string& to);

// Writes text to path whole or not at all: a temporary file beside it,
// renamed when complete.  The reason on failure.
std::optional<std::string> Write_File_Whole(const std::string& path, std::string_view text);

// The directory -d names, made with its parents when missing, as archive
// tools do.  The reason when it cannot be had as a directory.
std::optional<std::string> Make_Output_Directory(const std::string& directory);

// Whether a and b name the same file, also when neither exists yet
// ("x.o" and "./x.o").
bool Same_File(const std::string& a, const std::string& b);

// The directory part of a path ("." for a bare name, "/" for "/x").
std::string Directory_Of(const std::string& path);

// The file part of a path, after the last '/' (or '\\' on Windows).
std::string File_Part(const std::string& path);

}  // namespace zer2ivi::job
