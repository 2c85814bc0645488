// Bytes -> a binary observation file -> the whole observation conversion:
// open, pre-scan, header and one block per epoch, into a file of the
// process's temporary directory.
#include <cstring>

#include "api/api.h"
#include "base/library_state.h"
#include "harness_support.h"

using namespace zer2ivi;
using namespace zer2ivi::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ProcessTempDir& dir = ProcessTempDir::instance();
    static const std::string inputPath = dir.file("input.zeb");
    static const std::string outputPath = dir.file("output.obs");

    Reset_Library_State();
    library.baseWeek = 1300;
    Write_Bytes(inputPath, data, size);

    ObsSettings settings{};
    settings.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    std::strncpy(settings.zebFileName, inputPath.c_str(), sizeof settings.zebFileName - 1);
    std::strncpy(settings.rinexObsFileName, outputPath.c_str(),
                 sizeof settings.rinexObsFileName - 1);
    std::strncpy(settings.runBy, "fuzz", sizeof settings.runBy - 1);
    std::strncpy(settings.markerName, "MARKER", sizeof settings.markerName - 1);
    std::strncpy(settings.observer, "OBSERVER", sizeof settings.observer - 1);
    std::strncpy(settings.agency, "AGENCY", sizeof settings.agency - 1);
    settings.antennaHeight = 1.5;
    settings.obsTypeMask = OBS_C1 | OBS_L1 | OBS_L2 | OBS_D1 | OBS_P2;

    const int descriptorsBefore = Open_Descriptor_Count();
    const int32_t result = Convert_Observations(settings);
    Z2I_FUZZ_CHECK(Open_Descriptor_Count() == descriptorsBefore);

    Z2I_FUZZ_CHECK(result == 0 || result == 1);
    Z2I_FUZZ_CHECK(Message_Is_Terminated(library.LastErrorText, sizeof library.LastErrorText));
    const bool success = std::strncmp(library.LastErrorText, "SUCCESS: ", 9) == 0;
    Z2I_FUZZ_CHECK((result == 0) == success);
    return 0;
}
