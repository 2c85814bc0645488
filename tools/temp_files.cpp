#include "temp_files.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace zer2ivi::cli {

std::optional<TempDirectory> TempDirectory::Create() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = (base != nullptr && base[0] != '\0') ? base : "/tmp";
    pattern += "/zer2ivi-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    return TempDirectory(pattern);
}

TempDirectory::TempDirectory(TempDirectory&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

TempDirectory::~TempDirectory() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDirectory::file(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::optional<std::string> Create_Unique_File(const std::string& directory,
                                              std::string_view prefix, std::string_view suffix) {
    std::string pattern = directory == "." ? std::string() : directory + "/";
    pattern += prefix;
    pattern += "XXXXXX";
    pattern += suffix;
    const int descriptor = mkstemps(pattern.data(), static_cast<int>(suffix.size()));
    if (descriptor < 0) return std::nullopt;
    // mkstemps makes the file private (0600); give it the permissions that
    // any newly created file gets, since it may become a result file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, static_cast<mode_t>(0666 & ~mask));
    close(descriptor);
    return pattern;
}

FilesToRemove::~FilesToRemove() {
    for (const std::string& path : paths_) std::remove(path.c_str());
}

}  // namespace zer2ivi::cli
