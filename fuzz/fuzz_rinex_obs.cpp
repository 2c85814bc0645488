// Bytes -> an observation file (RINEX 2, 3 or 4, or Compact RINEX; plain,
// or gzip when the bytes are) -> the reader, epoch by epoch (some inputs
// skipping the start, as a window does), with every loss-of-lock
// digit set the way decimation sets it, and the product header counted
// from the epochs.
#include "harness_support.h"
#include "products/header_counts.h"
#include "rinex/obs_reader.h"

using namespace zer2ivi;
using namespace zer2ivi::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ProcessTempDir& dir = ProcessTempDir::instance();
    static const std::string inputPath = dir.file("input.obs");
    Write_Bytes(inputPath, data, size);

    const int descriptorsBefore = testing::Open_Descriptor_Count();
    {
        static rinex::ObsEpoch epoch;  // large: made once
        static products::HeaderCounts counts;
        counts.reset();
        rinex::ObsReader reader;
        if (reader.open(inputPath)) {
            // The last byte's bits 0 and 2 skip what comes before a time
            // inside the seeds' spans (those of RINEX 2, or those of RINEX 3
            // and Compact RINEX 3), the way a time window starts.
            const unsigned last = size > 0 ? data[size - 1] : 0u;
            if ((last & 1u) != 0)
                reader.skipBefore(*rinex::Parse_Iso8601("2004-06-10T00:00:30"));
            else if ((last & 4u) != 0)
                reader.skipBefore(*rinex::Parse_Iso8601("2022-03-04T00:00:30"));
            rinex::ObsReader::Status status;
            while ((status = reader.next(epoch)) == rinex::ObsReader::Status::kEpoch) {
                Z2I_FUZZ_CHECK(!epoch.text().empty());
                Z2I_FUZZ_CHECK(epoch.typeCount <= rinex::kMaxObsTypes);
                Z2I_FUZZ_CHECK(epoch.order == rinex::TimeOrder::kForward ||
                               (epoch.isObservationEpoch() && !reader.firstOrderProblem().empty()));
                const size_t before = epoch.text().size();
                size_t set = 0;
                for (size_t s = 0; s < epoch.satelliteCount(); ++s)
                    for (size_t t = 0; t < epoch.typeCount; ++t)
                        if (epoch.value(s, t).present) {
                            epoch.setLossOfLock(s, t);
                            Z2I_FUZZ_CHECK(epoch.value(s, t).lli & 1u);
                            ++set;
                        }
                Z2I_FUZZ_CHECK(epoch.text().size() >= before);
                Z2I_FUZZ_CHECK(set > 0 || epoch.text().size() == before);
                counts.add(epoch);
            }
            if (status == rinex::ObsReader::Status::kError) {
                Z2I_FUZZ_CHECK(reader.error().rfind(inputPath + ":", 0) == 0);
                Z2I_FUZZ_CHECK(!reader.endedShort() || reader.shortAtLine() > 0);
            } else {
                Z2I_FUZZ_CHECK(reader.error().empty());
                const std::string header =
                    products::Product_Header(reader.header().lines, counts, std::nullopt, "\n");
                Z2I_FUZZ_CHECK(header.find("END OF HEADER") != std::string::npos);
            }
        } else {
            Z2I_FUZZ_CHECK(reader.error().rfind(inputPath + ":", 0) == 0);
        }
    }
    Z2I_FUZZ_CHECK(testing::Open_Descriptor_Count() == descriptorsBefore);
    return 0;
}
