#include "textio/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <zlib.h>

namespace zer2ivi::textio {
namespace {

constexpr size_t kPlainBuffer = 1 << 20;
constexpr unsigned kZlibBuffer = 1u << 18;

FILE* As_File(void* file) { return static_cast<FILE*>(file); }
gzFile As_Gz(void* file) { return static_cast<gzFile>(file); }

}  // namespace

OutputFile::~OutputFile() {
    close();
    removeStaged();
}

void OutputFile::removeStaged() {
    if (!final_.empty()) std::remove(path_.c_str());
    final_.clear();
}

bool OutputFile::openStaged(const std::string& finalPath, bool gzip) {
    close();
    removeStaged();
    error_.clear();
    std::string temporary = finalPath + ".partXXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        path_ = finalPath;
        return fail(std::strerror(errno));
    }
    path_ = temporary;
    final_ = finalPath;
    if (gzip) {
        gzFile file = gzdopen(descriptor, "wb");
        if (file == nullptr) {
            ::close(descriptor);
            return fail("cannot be created");
        }
        gzbuffer(file, kZlibBuffer);
        packed_ = file;
    } else {
        FILE* file = fdopen(descriptor, "wb");
        if (file == nullptr) {
            ::close(descriptor);
            return fail(std::strerror(errno));
        }
        std::setvbuf(file, nullptr, _IOFBF, kPlainBuffer);
        plain_ = file;
    }
    return true;
}

bool OutputFile::commit() {
    if (final_.empty()) return fail("not staged");
    if (!close()) {
        removeStaged();
        return false;
    }
    if (std::rename(path_.c_str(), final_.c_str()) != 0) {
        const int code = errno;
        removeStaged();
        error_ = final_ + ": " + std::strerror(code);
        return false;
    }
    final_.clear();
    return true;
}

bool OutputFile::fail(const char* what) {
    if (error_.empty()) error_ = (final_.empty() ? path_ : final_) + ": " + what;
    return false;
}

bool OutputFile::open(const std::string& path, bool gzip) {
    close();
    removeStaged();
    path_ = path;
    error_.clear();
    errno = 0;
    if (gzip) {
        gzFile file = gzopen(path.c_str(), "wb");
        if (file == nullptr) return fail(errno != 0 ? std::strerror(errno) : "cannot be created");
        gzbuffer(file, kZlibBuffer);
        packed_ = file;
    } else {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return fail(std::strerror(errno));
        std::setvbuf(file, nullptr, _IOFBF, kPlainBuffer);
        plain_ = file;
    }
    return true;
}

bool OutputFile::write(std::string_view bytes) {
    if (!error_.empty()) return false;
    if (plain_ != nullptr) {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), As_File(plain_)) != bytes.size())
            return fail(errno != 0 ? std::strerror(errno) : "write failed");
        return true;
    }
    if (packed_ != nullptr) {
        while (!bytes.empty()) {
            const auto chunk = static_cast<unsigned>(
                std::min<size_t>(bytes.size(), std::numeric_limits<int>::max() / 2));
            if (gzwrite(As_Gz(packed_), bytes.data(), chunk) != static_cast<int>(chunk)) {
                int code = 0;
                const char* reason = gzerror(As_Gz(packed_), &code);
                return fail(code == Z_ERRNO ? std::strerror(errno) : reason);
            }
            bytes.remove_prefix(chunk);
        }
        return true;
    }
    return fail("not open");
}

bool OutputFile::close() {
    bool ok = error_.empty();
    if (plain_ != nullptr) {
        errno = 0;
        if (std::fclose(As_File(plain_)) != 0 && ok) ok = fail(std::strerror(errno));
        plain_ = nullptr;
    }
    if (packed_ != nullptr) {
        errno = 0;
        const int result = gzclose_w(As_Gz(packed_));
        if (result != Z_OK && ok)
            ok = fail(result == Z_ERRNO ? std::strerror(errno) : "compression failed");
        packed_ = nullptr;
    }
    return ok;
}

bool Copy_File(const std::string& path, const std::function<bool(std::string_view)>& write, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::array<char, 1 << 16> buffer{};
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got > 0 && !write(std::string_view(buffer.data(), got))) {
            ok = false;
            break;
        }
        if (got < buffer.size()) {
            if (std::ferror(file)) {
                error = path + ": read error";
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    return ok;
}

}  // namespace zer2ivi::textio
