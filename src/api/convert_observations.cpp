// The observation conversion: one binary observation file into one RINEX 2
// observation file.  Pre-scan, header, then one epoch block per epoch read,
// each given the epoch before it and its GPS week; exactly one final
// message.  The output stream is always closed before the binary file.
#include <cstdio>
#include <cstring>
#include <limits>

#include "api/api.h"
#include "base/output_file.h"
#include "base/library_state.h"
#include "gpstime/gpstime.h"
#include "rinex_obs/rinex_obs.h"
#include "zebfile/zebfile.h"

namespace zer2ivi {
namespace {

constexpr const char* kMsgWrongStructSize = "Wrong version of software, incorrect structure size.";
constexpr const char* kMsgCouldNotOpen = "ERROR: Could not open: %s";
constexpr const char* kMsgProblemScanning = "ERROR: Problem scanning: %s";
constexpr const char* kMsgDiskFull = "ERROR: Disk full. Can not finish writing RINEX file.";
constexpr const char* kMsgSuccess = "SUCCESS: Wrote %d epochs to RINEX file %s";

constexpr int kZebStreamBufferSize = 256;
constexpr size_t kPathFieldSize = sizeof(ObsSettings{}.zebFileName);

// The binary file, closed on every path.  Declared before the output, so
// that leaving the conversion by any path closes the output first.
class InputFile {
public:
    InputFile() = default;
    ~InputFile() { close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool open(const char* path) {
        file_ = Zeb_Open(path, kZebStreamBufferSize);
        return file_ != nullptr;
    }
    ZebFile* get() const { return file_; }
    void close() {
        if (file_ != nullptr) Zeb_Close(file_);
        file_ = nullptr;
    }

private:
    ZebFile* file_ = nullptr;
};

}  // namespace

int32_t Convert_Observations(const ObsSettings& settings, uint64_t readLimit, ObsReport* report) {
    ObsReport scratch;
    ObsReport& out = report != nullptr ? *report : scratch;
    out = ObsReport{};
    const auto fail = [&out](ObsFailure failure) {
        out.failure = failure;
        return 1;
    };
    int32_t rolloverCount = 0;
    int32_t& epochsWritten = out.epochsWritten;
    ObsSummary& summary = out.summary;

    if (settings.structSize != ZER2IVI_OBS_SETTINGS_SIZE) {
        Set_Message(kMsgWrongStructSize);
        return fail(ObsFailure::WrongStructSize);
    }

    const FieldText<kPathFieldSize> outputPath(settings.rinexObsFileName);
    const FieldText<kPathFieldSize> zebPath(settings.zebFileName);

    // The input outlives the output: destructors run in reverse order.
    InputFile input;
    OutputFile output;
    if (!output.open(outputPath.text)) {
        Format_Message(kMsgCouldNotOpen, File_Part_Of(outputPath.text));
        return fail(ObsFailure::CannotOpenOutput);
    }
    output.take_large_buffer();

    if (!input.open(zebPath.text)) {
        // Replaces the reader's message; the output stays behind, empty.
        Format_Message(kMsgCouldNotOpen, File_Part_Of(zebPath.text));
        return fail(ObsFailure::CannotOpenLog);
    }
    input.get()->readLimit = readLimit;
    out.bytesRead = input.get()->offset;
    out.logHeader = input.get()->header;

    if (Prescan_Observations(input.get(), summary) != 0) {
        Format_Message(kMsgProblemScanning, File_Part_Of(zebPath.text));
        return fail(ObsFailure::ScanFailed);
    }

    const uint32_t obsTypes = settings.obsTypeMask & summary.obsTypesFound;

    if (Write_Obs_Header(output.stream(), settings, summary, obsTypes) != 0) {
        Set_Message(kMsgDiskFull);
        return fail(ObsFailure::DiskFull);
    }

    PositionRecord position{};
    MeasurementRecord measurements[EPOCH_CAPACITY]{};
    PositionRecord previousPosition{};
    MeasurementRecord previousMeasurements[EPOCH_CAPACITY]{};

    for (;;) {
        const int status = Zeb_Read_Epoch(input.get(), position, measurements);
        if (status == -1) break;
        if (status != 0) {
            // The reader's message, naming the full path, stands.
            return fail(ObsFailure::ReadFailed);
        }
        out.bytesRead = input.get()->offset;
        if (Week_Rolled_Over(previousPosition.timeOfWeek, position.timeOfWeek)) {
            rolloverCount = Add_Weeks(rolloverCount, 1);
        }
        if (Write_Obs_Epoch(output.stream(), position, measurements, previousPosition,
                            previousMeasurements, obsTypes,
                            Add_Weeks(library.baseWeek, rolloverCount)) != 0) {
            Set_Message(kMsgDiskFull);
            return fail(ObsFailure::DiskFull);
        }
        // The whole epoch, also the slots beyond its count.
        previousPosition = position;
        std::memcpy(previousMeasurements, measurements, sizeof measurements);
        if (epochsWritten < std::numeric_limits<int32_t>::max()) ++epochsWritten;
    }

    // Lines still in the stream buffer reach the disk only now: a failure
    // here means the file is incomplete.
    const bool complete = output.close();
    input.close();
    if (!complete) {
        Set_Message(kMsgDiskFull);
        return fail(ObsFailure::DiskFull);
    }
    Format_Message(kMsgSuccess, epochsWritten, File_Part_Of(outputPath.text));
    return 0;
}

}  // namespace zer2ivi
