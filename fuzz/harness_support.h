// Shared by the fuzz harnesses.  Every harness source defines
// LLVMFuzzerTestOneInput only, so the same file links into a libFuzzer
// target (clang, -fsanitize=fuzzer) and into a plain replay program
// (replay_main.cpp) that the ordinary test suite runs over the checked-in
// corpus and the regression inputs.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/open_descriptors.h"

namespace zer2ivi::fuzz {

// Stops the run with a message naming the broken property: libFuzzer and
// the replay program both treat the abort as a finding.
[[noreturn]] inline void Fail_Check(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: harness check failed: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

#define Z2I_FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::zer2ivi::fuzz::Fail_Check(#condition, __FILE__, __LINE__))

// A private directory for the files of this process, removed at exit.
class ProcessTempDir {
public:
    static const ProcessTempDir& instance() {
        static ProcessTempDir dir;
        return dir;
    }
    std::string file(const char* name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

    ~ProcessTempDir() {
        DIR* dir = opendir(path_.c_str());
        if (dir != nullptr) {
            while (dirent* entry = readdir(dir)) {
                if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                    continue;
                unlink((path_ + "/" + entry->d_name).c_str());
            }
            closedir(dir);
        }
        rmdir(path_.c_str());
    }
    ProcessTempDir(const ProcessTempDir&) = delete;
    ProcessTempDir& operator=(const ProcessTempDir&) = delete;

private:
    ProcessTempDir() {
        // Memory-backed when the system has it: the harnesses write a file
        // per execution.
        const char* base = std::getenv("TMPDIR");
        if (base == nullptr || *base == '\0') base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/zer2ivi-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    std::string path_;
};

// Writes the bytes as the whole content of path.
inline void Write_Bytes(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    Z2I_FUZZ_CHECK(out != nullptr);
    if (size > 0) Z2I_FUZZ_CHECK(std::fwrite(data, 1, size, out) == size);
    Z2I_FUZZ_CHECK(std::fclose(out) == 0);
}

using testing::Open_Descriptor_Count;

// The message buffer always holds a NUL within its 256 bytes.
inline bool Message_Is_Terminated(const char* message, size_t capacity) {
    return std::memchr(message, '\0', capacity) != nullptr;
}

// Reads little-endian values off the front of the input; past its end
// every value is zero.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    uint32_t u32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= uint32_t{byte()} << (8 * i);
        return value;
    }
    uint64_t u64() {
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i) value |= uint64_t{byte()} << (8 * i);
        return value;
    }
    double f64() {
        const uint64_t bits = u64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // Up to count bytes (fewer at the end of the input).
    size_t take(size_t count, const uint8_t** bytes) {
        const size_t left = size_ - position_;
        const size_t taken = count < left ? count : left;
        *bytes = data_ + position_;
        position_ += taken;
        return taken;
    }
    const uint8_t* rest() const { return data_ + position_; }
    size_t rest_size() const { return size_ - position_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

}  // namespace zer2ivi::fuzz

// The time code reports an inconsistent date on standard output; with
// hostile times that would flood the fuzzer's log, so under libFuzzer
// standard output is discarded (the replay program keeps it).
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::perror("freopen");
    return 0;
}
