// Bytes -> a RINEX 2 navigation file (plain, or gzip when the bytes are)
// -> the reader, record by record, each record stored and looked at from a
// station as the quality check does.
#include <cmath>

#include "harness_support.h"
#include "qc/broadcast_orbit.h"
#include "rinex/nav_reader.h"

using namespace zer2ivi;
using namespace zer2ivi::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ProcessTempDir& dir = ProcessTempDir::instance();
    static const std::string inputPath = dir.file("input.nav");
    Write_Bytes(inputPath, data, size);

    const int descriptorsBefore = testing::Open_Descriptor_Count();
    {
        static const qc::Site site(qc::Vector3{3633909.1016, 4425275.5033, 2799861.2736});
        rinex::NavReader reader;
        std::string error;
        if (reader.Open(inputPath, error)) {
            qc::EphemerisStore store;
            rinex::GpsEphemeris ephemeris;
            size_t records = 0;
            rinex::NavReader::Result result;
            while ((result = reader.Next(ephemeris, error)) == rinex::NavReader::Result::Record) {
                Z2I_FUZZ_CHECK(ephemeris.prn >= 1 && ephemeris.prn <= 99);
                store.Add(ephemeris);
                ++records;
                const double t = qc::Ephemeris_Time(ephemeris);
                if (std::isfinite(t)) {
                    const rinex::GpsEphemeris* nearest = store.Nearest(ephemeris.prn, t);
                    Z2I_FUZZ_CHECK(nearest != nullptr);
                    (void)qc::Look_At(*nearest, t + 60, site);
                }
            }
            Z2I_FUZZ_CHECK(store.Size() == records);
            if (result == rinex::NavReader::Result::Error)
                Z2I_FUZZ_CHECK(error.rfind(inputPath + ":", 0) == 0);
        } else {
            Z2I_FUZZ_CHECK(error.rfind(inputPath + ":", 0) == 0);
        }
    }
    Z2I_FUZZ_CHECK(testing::Open_Descriptor_Count() == descriptorsBefore);
    return 0;
}
