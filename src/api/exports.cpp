// The two functions a host calls: Zeb_To_Rinex and Get_Error_Str.
#include <cstring>

#include "api/api.h"
#include "base/library_state.h"
#include "rinex_nav/rinex_nav.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {
namespace {

constexpr const char* kMsgInvalidStructureSize = "Invalid structure size";

}  // namespace
}  // namespace zer2ivi

extern "C" {

int32_t ZER2IVI_CALL Zeb_To_Rinex(const ObsSettings* obs, const NavSettings* nav) {
    using namespace zer2ivi;
    if (obs == nullptr || nav == nullptr || obs->structSize != ZER2IVI_OBS_SETTINGS_SIZE ||
        nav->structSize != ZER2IVI_NAV_SETTINGS_SIZE) {
        Set_Message(kMsgInvalidStructureSize);
        return 1;
    }
    if (obs->useGpsWeek == 1) {
        library.weekOverride = true;
        library.baseWeek = obs->gpsWeek;
    }
    // The navigation file comes first: while the week override is off it
    // settles the base week by which the observation epochs are dated.
    if (Convert_Nav(*nav) != 0) return 1;
    return Convert_Observations(*obs) != 0 ? 1 : 0;
}

void ZER2IVI_CALL Get_Error_Str(char* buffer) {
    if (buffer == nullptr) return;
    std::memcpy(buffer, zer2ivi::library.LastErrorText,
                strnlen(zer2ivi::library.LastErrorText, zer2ivi::kMessageSize - 1) + 1);
}

}  // extern "C"
