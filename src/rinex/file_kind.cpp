#include "rinex/file_kind.h"

#include <zlib.h>

#include <string_view>

#include "crinex/compact_text.h"
#include "rinex/obs_labels.h"

namespace zer2ivi::rinex {
namespace {

constexpr size_t kLabelColumn = 60;

bool Has_Label(std::string_view line, std::string_view label) {
    return line.size() >= kLabelColumn + label.size() && line.substr(kLabelColumn, label.size()) == label;
}

}  // namespace

bool Is_Rinex_File(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char buffer[256] = {};
    const bool read = gzgets(file, buffer, sizeof buffer) != nullptr;
    gzclose(file);
    const std::string_view line = read ? std::string_view(buffer) : std::string_view();
    return Has_Label(line, kLabelVersionType) || Has_Label(line, crinex::kLabelCompactVersion);
}

}  // namespace zer2ivi::rinex
