// The conversion API: fills the settings records from the request, runs
// the same conversions as the exports on a borrowed library state, and
// turns what they did into a typed error and a structured result.
#include "api/conversion.h"

#include <cstring>
#include <limits>

#include "api/api.h"
#include "base/library_state.h"
#include "gpstime/gpstime.h"
#include "rinex_nav/nav_texts.h"
#include "rinex_nav/rinex_nav.h"
#include "rinex_obs/rinex_obs.h"
#include "rinex_text/rinex_text.h"

namespace zer2ivi::api {
namespace {

// No week taken from a navigation file yet.
constexpr int32_t kNoWeek = std::numeric_limits<int32_t>::min();

// The library's state as the process left it, put back when the call ends;
// meanwhile the state is that of a library just loaded, without its
// messages on standard output.
class BorrowedState {
public:
    BorrowedState() : saved_(library) {
        const auto clock = library.utcClock;
        Reset_Library_State();
        library.utcClock = clock;
        library.printTimeCodeMessages = false;
    }
    ~BorrowedState() { library = saved_; }
    BorrowedState(const BorrowedState&) = delete;
    BorrowedState& operator=(const BorrowedState&) = delete;

    // The time code's messages so far, as a warning.
    void Report_Time_Code(std::vector<std::string>& warnings) const {
        if (library.timeCodeMessages == 0) return;
        warnings.push_back("the time code met " + std::to_string(library.timeCodeMessages) +
                           " date(s) before 1970 (\"Internal error: Bad day number\"), written "
                           "as dates in January");
    }

private:
    LibraryState saved_;
};

template <size_t N>
bool Fill(char (&field)[N], const std::string& text) {
    if (text.size() >= N || text.find('\0') != std::string::npos) return false;
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
    return true;
}

Error Invalid(const std::string& what) {
    return Error{ErrorCode::InvalidRequest, what + " does not fit its settings field", {}, -1};
}

// The dated week, as the time code reads it.
int32_t Dated_Week(int32_t week) {
    return week < kBroadcastWeekThreshold ? week + kBroadcastWeekOffset : week;
}

std::string Offset_Text(uint64_t offset) { return std::to_string(offset); }

void Fill_Extent(ObservationResult& result, const ZebLogExtent& walk, uint64_t converted,
                 bool kept) {
    LogExtent& extent = result.extent;
    extent.fileSize = walk.fileSize;
    extent.bytesConverted = converted;
    if (converted >= walk.fileSize) return;
    const std::string range = "bytes " + Offset_Text(converted) + " to " +
                              Offset_Text(walk.fileSize) + " (" +
                              Offset_Text(walk.fileSize - converted) + " bytes)";
    extent.notConvertedReason = walk.stopReason[0] != '\0' ? walk.stopReason : "not read";
    if (result.error) return;
    if (kept || walk.stop == ZebStop::CutInPosition)
        result.warnings.push_back("the log is cut short: " + range + " were not converted (" +
                                  extent.notConvertedReason + ")");
}

}  // namespace

NavigationResult Convert_Navigation(const NavigationRequest& request) {
    NavigationResult result;
    NavSettings settings{};
    settings.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    if (!Fill(settings.ephemerisFileName, request.ephemeris)) {
        result.error = Invalid("the ephemeris path");
        return result;
    }
    if (!Fill(settings.rinexNavFileName, request.output)) {
        result.error = Invalid("the navigation file's path");
        return result;
    }
    if (!Fill(settings.runBy, request.runBy)) {
        result.error = Invalid("the run-by text");
        return result;
    }
    BorrowedState state;
    library.baseWeek = kNoWeek;
    const int32_t status = Convert_Nav(settings);
    const std::string message = library.LastErrorText;
    state.Report_Time_Code(result.warnings);
    if (library.baseWeek != kNoWeek) result.datingWeek = library.baseWeek;
    if (status == 0) {
        result.message = message;
        return result;
    }
    Error& error = result.error;
    error.message = message;
    char openInput[kMessageSize];
    std::snprintf(openInput, sizeof openInput, "%s%s", "Error: Unable to open ",
                  File_Part_Of(request.ephemeris.c_str()));
    if (status == -1) {
        error.code = ErrorCode::WriteFailed;
        error.file = request.output;
    } else if (message == openInput) {
        error.code = ErrorCode::CannotOpenInput;
        error.file = request.ephemeris;
    } else if (message.rfind("Error: Unable to open ", 0) == 0) {
        error.code = ErrorCode::CannotOpenOutput;
        error.file = request.output;
    } else if (message == nav_text::kMsgEmptyFile) {
        error.code = ErrorCode::EmptyEphemeris;
        error.file = request.ephemeris;
    } else {
        error.code = ErrorCode::EphemerisRefused;
        error.file = request.ephemeris;
    }
    return result;
}

ObservationResult Convert_Observations(const ObservationRequest& request) {
    ObservationResult result;
    ObsSettings settings{};
    settings.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    const HeaderTexts& texts = request.texts;
    struct Field {
        bool filled;
        const char* what;
    };
    for (const Field& field : {Field{Fill(settings.zebFileName, request.log), "the log's path"},
                               Field{Fill(settings.rinexObsFileName, request.output),
                                     "the observation file's path"},
                               Field{Fill(settings.runBy, texts.runBy), "the run-by text"},
                               Field{Fill(settings.markerName, texts.marker), "the marker name"},
                               Field{Fill(settings.observer, texts.observer), "the observer"},
                               Field{Fill(settings.agency, texts.agency), "the agency"}}) {
        if (!field.filled) {
            result.error = Invalid(field.what);
            return result;
        }
    }
    settings.antennaHeight = texts.antennaHeight;
    settings.obsTypeMask = request.types;

    // The walk finds where the whole epochs end, before the conversion
    // reads them.
    ZebLogExtent walk;
    const ZebWalkResult walked = Zeb_Walk_Log(request.log.c_str(), walk);
    const bool cut = walked == ZebWalkResult::Walked && Zeb_Log_Is_Cut(walk);
    const uint64_t readLimit = cut && request.keepEpochsBeforeCut ? walk.completeEnd : 0;

    BorrowedState state;
    library.baseWeek = request.gpsWeek.value_or(0);
    ObsReport report;
    const int32_t status = zer2ivi::Convert_Observations(settings, readLimit, &report);
    const std::string message = library.LastErrorText;
    state.Report_Time_Code(result.warnings);

    result.logHeader = report.logHeader;
    const ObsSummary& summary = report.summary;
    if (status != 0) {
        Error& error = result.error;
        error.message = message;
        error.file = request.log;
        switch (report.failure) {
            case ObsFailure::CannotOpenOutput:
                error.code = ErrorCode::CannotOpenOutput;
                error.file = request.output;
                break;
            case ObsFailure::CannotOpenLog:
                error.code = walked == ZebWalkResult::TooShort || walked == ZebWalkResult::NotALog
                                 ? ErrorCode::NotALog
                                 : ErrorCode::CannotOpenInput;
                break;
            case ObsFailure::ScanFailed:
            case ObsFailure::ReadFailed:
                error.code = ErrorCode::DamagedLog;
                if (walked == ZebWalkResult::Walked && walk.stop != ZebStop::EndOfFile)
                    error.byteOffset = static_cast<int64_t>(walk.completeEnd);
                break;
            case ObsFailure::DiskFull:
                error.code = ErrorCode::WriteFailed;
                error.file = request.output;
                break;
            case ObsFailure::WrongStructSize:
            case ObsFailure::None:
                error.code = ErrorCode::InvalidRequest;
                break;
        }
        if (walked == ZebWalkResult::Walked) Fill_Extent(result, walk, walk.completeEnd, false);
        return result;
    }

    result.message = message;
    result.epochsWritten = report.epochsWritten;
    if (report.epochsWritten > 0) {
        result.first = {Dated_Week(summary.firstWeek), summary.firstTimeOfWeek};
        result.last = {Dated_Week(summary.lastWeek), summary.lastTimeOfWeek};
    }
    result.interval = summary.interval;
    char receiver[64];  // longer than every receiver name
    Receiver_Type_Name(receiver, summary.receiverType);
    result.receiverName = receiver;
    result.systemLetter = System_Letter(summary.satelliteSystem);
    result.approxPosition = {summary.approxX, summary.approxY, summary.approxZ};
    result.typesInLog = summary.obsTypesFound;
    result.typesWritten = summary.obsTypesFound & request.types;
    for (int number = 0; number < SATELLITE_SLOTS; ++number) {
        const SatelliteObsCount& counts = summary.satellites[number];
        if (counts.seen != 1) continue;
        char label[8];  // Satellite_Label writes at most 8 characters
        Satellite_Label(label, number);
        result.satellites.push_back({number, label, {counts.c1Count, counts.l1Count, counts.l2Count,
                                              counts.p2Count, counts.d1Count}});
    }
    if (walked == ZebWalkResult::Walked)
        Fill_Extent(result, walk, report.bytesRead, readLimit != 0);
    return result;
}

ConversionResult Convert(const NavigationRequest& navigation, ObservationRequest observations) {
    ConversionResult result;
    result.navigation = Convert_Navigation(navigation);
    if (result.navigation.error) return result;
    if (!observations.gpsWeek) observations.gpsWeek = result.navigation.datingWeek.value_or(0);
    result.observations = Convert_Observations(observations);
    return result;
}

}  // namespace zer2ivi::api
