// The whole Zeb_To_Rinex call.  The input chooses the settings and holds
// both input files:
//   byte  0      flags: bit 0 wrong ObsSettings size, bit 1 wrong
//                NavSettings size (both only together with bit 7),
//                bits 2-3 useGpsWeek (0, 1, 2, -1)
//   bytes 1-4    obsTypeMask (all 32 bits)
//   bytes 5-8    gpsWeek
//   bytes 9-16   antennaHeight (IEEE bits)
//   5 texts      runBy, markerName, observer, agency of ObsSettings and
//                runBy of NavSettings: a length byte, then that many bytes
//                of text (length % 129; 128 fills the whole field without
//                a NUL)
//   2 bytes      length of the ephemeris file, then its bytes
//   the rest     the binary observation file
// Both settings records live in heap blocks of exactly their size, so a
// read past the end of an unterminated last field is caught.
#include <cstring>
#include <memory>

#include "base/library_state.h"
#include "harness_support.h"
#include "zer2ivi/zer2ivi.h"

using namespace zer2ivi;
using namespace zer2ivi::fuzz;

namespace {

template <size_t N>
void Fill_Text(InputReader& in, char (&field)[N]) {
    const size_t length = in.byte() % (N + 1);
    const uint8_t* bytes = nullptr;
    const size_t taken = in.take(length, &bytes);
    std::memset(field, 0, N);
    if (taken > 0) std::memcpy(field, bytes, taken);
    if (length == N) {
        // Unterminated: the rest of the field is filled, without any NUL.
        for (size_t i = 0; i < N; ++i)
            if (field[i] == '\0') field[i] = 'x';
    }
}

template <size_t N>
void Set_Path(char (&field)[N], const std::string& path) {
    std::memset(field, 0, N);
    std::memcpy(field, path.data(), path.size() < N - 1 ? path.size() : N - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ProcessTempDir& dir = ProcessTempDir::instance();
    static const std::string ephemerisPath = dir.file("input.eph");
    static const std::string zebPath = dir.file("input.zeb");
    static const std::string navPath = dir.file("output.nav");
    static const std::string obsPath = dir.file("output.obs");

    Reset_Library_State();
    InputReader in(data, size);
    auto obs = std::make_unique<ObsSettings>();
    auto nav = std::make_unique<NavSettings>();
    std::memset(obs.get(), 0, sizeof *obs);
    std::memset(nav.get(), 0, sizeof *nav);

    const uint8_t flags = in.byte();
    const bool wrongSizes = (flags & 0x80) != 0;
    obs->structSize = (wrongSizes && (flags & 1)) ? 1175 : ZER2IVI_OBS_SETTINGS_SIZE;
    nav->structSize = (wrongSizes && (flags & 2)) ? 645 : ZER2IVI_NAV_SETTINGS_SIZE;
    static constexpr int32_t kUseGpsWeek[4] = {0, 1, 2, -1};
    obs->useGpsWeek = kUseGpsWeek[(flags >> 2) & 3];
    obs->obsTypeMask = in.u32();
    obs->gpsWeek = static_cast<int32_t>(in.u32());
    obs->antennaHeight = in.f64();
    Fill_Text(in, obs->runBy);
    Fill_Text(in, obs->markerName);
    Fill_Text(in, obs->observer);
    Fill_Text(in, obs->agency);
    Fill_Text(in, nav->runBy);

    size_t ephemerisSize = in.byte();
    ephemerisSize |= size_t{in.byte()} << 8;
    const uint8_t* ephemeris = nullptr;
    ephemerisSize = in.take(ephemerisSize, &ephemeris);
    Write_Bytes(ephemerisPath, ephemeris, ephemerisSize);
    Write_Bytes(zebPath, in.rest(), in.rest_size());

    Set_Path(obs->zebFileName, zebPath);
    Set_Path(obs->rinexObsFileName, obsPath);
    Set_Path(nav->ephemerisFileName, ephemerisPath);
    Set_Path(nav->rinexNavFileName, navPath);

    const int descriptorsBefore = Open_Descriptor_Count();
    const int32_t result = Zeb_To_Rinex(obs.get(), nav.get());
    Z2I_FUZZ_CHECK(Open_Descriptor_Count() == descriptorsBefore);

    char message[ZER2IVI_MESSAGE_SIZE + 1];
    std::memset(message, 0x7f, sizeof message);
    Get_Error_Str(message);
    Z2I_FUZZ_CHECK(Message_Is_Terminated(message, ZER2IVI_MESSAGE_SIZE));
    Z2I_FUZZ_CHECK(result == 0 || result == 1);
    const bool success = std::strncmp(message, "SUCCESS: ", 9) == 0;
    Z2I_FUZZ_CHECK((result == 0) == success);
    if (wrongSizes && (flags & 3) != 0) {
        Z2I_FUZZ_CHECK(result == 1 && std::strcmp(message, "Invalid structure size") == 0);
    }
    unlink(navPath.c_str());
    unlink(obsPath.c_str());
    return 0;
}
