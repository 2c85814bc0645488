#include "job/temp_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zer2ivi::job {
namespace {

constexpr size_t kNameLetters = 6;
constexpr int kCreateAttempts = 100;

std::string Random_Letters() {
    static std::mt19937_64 generator = [] {
        std::random_device device;
        const auto now = static_cast<uint64_t>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        return std::mt19937_64(device() ^ now);
    }();
    constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string letters;
    for (size_t i = 0; i < kNameLetters; ++i)
        letters.push_back(kAlphabet[static_cast<size_t>(generator() % kAlphabet.size())]);
    return letters;
}

bool Is_Separator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

// The files and directories a signal handler removes: fixed storage, since
// the handler may neither allocate nor lock.  Files go first, so that the
// directories are empty when their turn comes.
constexpr size_t kSignalSlots = 16;
constexpr size_t kSignalPathSize = 4096;
constexpr std::sig_atomic_t kSlotFree = 0, kSlotFile = 1, kSlotDirectory = 2;
std::array<std::array<char, kSignalPathSize>, kSignalSlots> gSignalPaths{};
volatile std::sig_atomic_t gSignalSlot[kSignalSlots] = {};

extern "C" void Remove_On_Signal(int signalNumber) {
    for (const std::sig_atomic_t kind : {kSlotFile, kSlotDirectory}) {
        for (size_t i = 0; i < kSignalSlots; ++i) {
            if (gSignalSlot[i] != kind) continue;
#ifdef _WIN32
            if (kind == kSlotDirectory) _rmdir(gSignalPaths[i].data());
            else std::remove(gSignalPaths[i].data());
#else
            std::remove(gSignalPaths[i].data());
#endif
        }
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void Install_Signal_Handlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    std::signal(SIGINT, Remove_On_Signal);
    std::signal(SIGTERM, Remove_On_Signal);
}

bool Register_For_Signals(const std::string& path, std::sig_atomic_t kind) {
    if (path.size() >= kSignalPathSize) return false;
    for (size_t i = 0; i < kSignalSlots; ++i) {
        if (gSignalSlot[i] != kSlotFree) continue;
        std::memcpy(gSignalPaths[i].data(), path.c_str(), path.size() + 1);
        gSignalSlot[i] = kind;
        Install_Signal_Handlers();
        return true;
    }
    return false;
}

void Unregister_For_Signals(const std::string& path) {
    for (size_t i = 0; i < kSignalSlots; ++i)
        if (gSignalSlot[i] != kSlotFree && path == gSignalPaths[i].data()) gSignalSlot[i] = kSlotFree;
}

}  // namespace

std::optional<TempDirectory> TempDirectory::Create() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) return std::nullopt;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const fs::path candidate = base / ("zer2ivi-" + Random_Letters());
        if (fs::create_directory(candidate, error)) {
            fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, error);
            Register_For_Signals(candidate.string(), kSlotDirectory);
            return TempDirectory(candidate.string());
        }
        if (error) return std::nullopt;
    }
    return std::nullopt;
}

TempDirectory::TempDirectory(TempDirectory&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

TempDirectory::~TempDirectory() {
    if (path_.empty()) return;
    Unregister_For_Signals(path_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDirectory::file(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::optional<std::string> Create_Unique_File(const std::string& directory,
                                              std::string_view prefix, std::string_view suffix) {
    const std::string start = directory == "." ? std::string() : directory + "/";
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const std::string path = start + std::string(prefix) + Random_Letters() + std::string(suffix);
#ifdef _WIN32
        const int descriptor =
            _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
        if (descriptor >= 0) {
#ifdef _WIN32
            _close(descriptor);
#else
            close(descriptor);
#endif
            return path;
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

bool FilesToRemove::add(const std::string& path) {
    paths_.push_back(path);
    return Register_For_Signals(path, kSlotFile);
}

void FilesToRemove::release() {
    for (const std::string& path : paths_) Unregister_For_Signals(path);
    paths_.clear();
}

FilesToRemove::~FilesToRemove() {
    for (const std::string& path : paths_) {
        Unregister_For_Signals(path);
        std::remove(path.c_str());
    }
}

std::optional<std::string> Write_File_Whole(const std::string& path, std::string_view text) {
    const std::string directory = Directory_Of(path);
    const auto temporary = Create_Unique_File(directory, ".zer2ivi-", ".tmp");
    if (!temporary) return "cannot create a file in '" + directory + "': " + std::strerror(errno);
    FilesToRemove cleanup;
    cleanup.add(*temporary);
    std::FILE* out = std::fopen(temporary->c_str(), "wb");
    if (out == nullptr) return "cannot write '" + *temporary + "': " + std::strerror(errno);
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) return "cannot write '" + path + "' (disk full?)";
    if (auto reason = Replace_File(*temporary, path)) return "cannot write '" + path + "': " + *reason;
    cleanup.release();
    return std::nullopt;
}

std::optional<std::string> Replace_File(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return std::nullopt;
    const DWORD code = GetLastError();
    char text[256] = {};
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, sizeof text, nullptr) == 0)
        std::snprintf(text, sizeof text, "Windows error %lu", static_cast<unsigned long>(code));
    std::string reason = text;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    return reason;
#else
    if (std::rename(from.c_str(), to.c_str()) == 0) return std::nullopt;
    return std::string(std::strerror(errno));
#endif
}

std::optional<std::string> Make_Output_Directory(const std::string& directory) {
    std::error_code made;
    std::filesystem::create_directories(directory, made);
    if (std::filesystem::is_directory(directory)) return std::nullopt;
    std::string reason = "-d '" + directory + "' is not a directory";
    if (made) reason += ": " + made.message();
    return reason;
}

bool Same_File(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
    // weakly_canonical leaves a relative path relative when no part of it
    // exists ("x.o" but "/cwd/x.o" for "./x.o"): make both absolute first.
    const fs::path canonicalA = fs::weakly_canonical(fs::absolute(a, error), error);
    if (error) return false;
    const fs::path canonicalB = fs::weakly_canonical(fs::absolute(b, error), error);
    return !error && canonicalA == canonicalB;
}

std::string Directory_Of(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && !Is_Separator(path[end - 1])) --end;
    if (end == 0) return ".";
    const size_t slash = end - 1;
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string File_Part(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && !Is_Separator(path[end - 1])) --end;
    return path.substr(end);
}

}  // namespace zer2ivi::job
