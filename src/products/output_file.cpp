#include "products/output_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <zlib.h>

namespace zer2ivi::products {
namespace {

constexpr size_t kPlainBuffer = 1 << 20;
constexpr unsigned kZlibBuffer = 1u << 18;

FILE* As_File(void* file) { return static_cast<FILE*>(file); }
gzFile As_Gz(void* file) { return static_cast<gzFile>(file); }

}  // namespace

OutputFile::~OutputFile() { close(); }

bool OutputFile::fail(const char* what) {
    if (error_.empty()) error_ = path_ + ": " + what;
    return false;
}

bool OutputFile::open(const std::string& path, bool gzip) {
    close();
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

bool Append_File(OutputFile& output, const std::string& path, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::array<char, 1 << 16> buffer{};
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got > 0 && !output.write(std::string_view(buffer.data(), got))) {
            error = output.error();
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

}  // namespace zer2ivi::products
