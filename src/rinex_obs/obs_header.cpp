// The RINEX 2 observation header: seventeen kinds of line in a fixed order,
// built from the host's settings, the pre-scan summary and the observation
// types to be written.  Content fills columns 1 to 60, the label follows.
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

#include "rinex_obs/rinex_obs.h"

namespace zer2ivi {
namespace {

constexpr const char* kLabelVersionType = "RINEX VERSION / TYPE";
constexpr const char* kLabelComment = "COMMENT";
constexpr const char* kLabelPgmRunByDate = "PGM / RUN BY / DATE";
constexpr const char* kLabelMarkerName = "MARKER NAME";
constexpr const char* kLabelObserverAgency = "OBSERVER / AGENCY";
constexpr const char* kLabelReceiver = "REC # / TYPE / VERS";
constexpr const char* kLabelAntenna = "ANT # / TYPE";
constexpr const char* kLabelApproxPosition = "APPROX POSITION XYZ";
constexpr const char* kLabelAntennaDelta = "ANTENNA: DELTA H/E/N";
constexpr const char* kLabelTypesOfObserv = "# / TYPES OF OBSERV";
constexpr const char* kLabelInterval = "INTERVAL";
constexpr const char* kLabelFirstObs = "TIME OF FIRST OBS";
constexpr const char* kLabelLastObs = "TIME OF LAST OBS";
constexpr const char* kLabelSatelliteCount = "# OF SATELLITES";
constexpr const char* kLabelPrnObsCount = "PRN / # OF OBS";
constexpr const char* kLabelEndOfHeader = "END OF HEADER";

constexpr const char* kTextVersion = "     2";
constexpr const char* kTextObservationData = "OBSERVATION DATA";
constexpr const char* kTextSystemComment = "BLANK OR G = GPS, R = GLONASS, T = TRANSIT, M = MIXED";
constexpr const char* kTextProgram = "DID2ARE Beta";
// The one header line written from a constant as it stands (label from
// column 61, without its line end: the line writer adds it).
constexpr const char* kLineWavelengthFactors =
    "     1     1                                                WAVELENGTH FACT L1/2";
constexpr const char* kLetterGps = "G";
constexpr const char* kLetterGlonass = "R";
constexpr const char* kLetterMixed = "M";
constexpr const char* kSatellitePrefix = "   ";

constexpr int kCountWidth = 6;
constexpr int kDateFieldWidth = 6;
constexpr int kSecondsWidth = 12;
constexpr int kSecondsPrecision = 6;
constexpr int kPositionWidth = 14;
constexpr int kPositionPrecision = 2;
constexpr int kDeltaWidth = 14;
constexpr int kDeltaPrecision = 3;
constexpr int kReceiverNameSize = 21;
constexpr int kDateTextSize = 20;
constexpr int kLabelSize = 8;
constexpr int kAntennaNameSize = 21;

constexpr const char* kGenericReceiver = "Some Generic Rcv";
// Receiver names by type code; codes without a name are generic.
constexpr const char* kReceiverNames[] = {
    nullptr,                 // 0
    "Leica 9200\\9400",      // 1
    "Ashtech",               // 2
    "Trimble 4000",          // 3
    "NovAtel",               // 4
    "Motorola",              // 5
    "Originally RINEX",      // 6
    nullptr,                 // 7
    "NavSymm",               // 8
    "Rockwell PLGR",         // 9
    "Canadian Marconi",      // 10
    nullptr,                 // 11
    nullptr,                 // 12
    "Leica SR 9500",         // 13
    "Rockwell Jupiter",      // 14
    "Trimble SV6",           // 15
    "ZUZEVO Data Resample",  // 16
    "Ashtech GPS/GLN",       // 17
    "UKOA Data",             // 18
};
constexpr int32_t kReceiverCodes = static_cast<int32_t>(std::size(kReceiverNames));


// The interval rounded to whole seconds: the integer part of interval + 0.5,
// held within the range of the six-column integer field's type.
int32_t Rounded_Interval(double interval) {
    const double rounded = std::floor(interval + 0.5);
    if (rounded >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(rounded);
}

// Every header line but the constant one.
bool Write_Line(std::FILE* stream, LineBuilder& line, const char* label) {
    return Write_Header_Line(stream, line, label);
}

void Add_Time(LineBuilder& line, int32_t year, int32_t month, int32_t day, int32_t hour,
              int32_t minute, double second) {
    line.integer(year, kDateFieldWidth)
        .integer(month, kDateFieldWidth)
        .integer(day, kDateFieldWidth)
        .integer(hour, kDateFieldWidth)
        .integer(minute, kDateFieldWidth)
        .fixed(second, kSecondsWidth, kSecondsPrecision);
}

}  // namespace

const char* System_Letter(int32_t satelliteSystem) {
    if (satelliteSystem == SYSTEM_GPS) return kLetterGps;
    if (satelliteSystem == SYSTEM_GLONASS) return kLetterGlonass;
    return kLetterMixed;
}

void Antenna_Type_Name(char* destination, int32_t /*antennaType*/) { destination[0] = '\0'; }

int Selected_Obs_Types(uint32_t obsTypes, const ObsType* (&selected)[kObsTypeCount]) {
    int count = 0;
    for (const ObsType& type : kObsTypes) {
        if ((obsTypes & type.bit) != 0) selected[count++] = &type;
    }
    return count;
}

void Receiver_Type_Name(char* destination, int32_t receiverType) {
    const char* name = kGenericReceiver;
    if (receiverType >= 0 && receiverType < kReceiverCodes && kReceiverNames[receiverType] != nullptr) {
        name = kReceiverNames[receiverType];
    }
    std::memcpy(destination, name, std::strlen(name) + 1);
}

int32_t Write_Obs_Header(std::FILE* stream, const ObsSettings& settings,
                         const ObsSummary& summary, uint32_t obsTypes) {
    const ObsType* selected[kObsTypeCount];
    const int32_t selectedCount = Selected_Obs_Types(obsTypes, selected);

    {
        LineBuilder line;
        line.field(kTextVersion, 20)
            .field(kTextObservationData, 20)
            .field(System_Letter(summary.satelliteSystem), 20);
        if (!Write_Line(stream, line, kLabelVersionType)) return 1;
    }
    {
        LineBuilder line;
        line.field(kTextSystemComment, 60);
        if (!Write_Line(stream, line, kLabelComment)) return 1;
    }
    {
        char date[kDateTextSize];
        Rinex_Date_Text(date);
        LineBuilder line;
        line.field(kTextProgram, 20).field(settings.runBy, 20).field(date, 20);
        if (!Write_Line(stream, line, kLabelPgmRunByDate)) return 1;
    }
    {
        LineBuilder line;
        line.field(settings.markerName, 60);
        if (!Write_Line(stream, line, kLabelMarkerName)) return 1;
    }
    {
        LineBuilder line;
        line.field(settings.observer, 20).field(settings.agency, 40);
        if (!Write_Line(stream, line, kLabelObserverAgency)) return 1;
    }
    {
        char receiver[kReceiverNameSize];
        Receiver_Type_Name(receiver, summary.receiverType);
        LineBuilder line;
        line.field("", 20).field(receiver, 20).field("", 20);
        if (!Write_Line(stream, line, kLabelReceiver)) return 1;
    }
    {
        char antenna[kAntennaNameSize];
        Antenna_Type_Name(antenna, summary.antennaType);
        LineBuilder line;
        line.field("", 20).field(antenna, 20).field("", 20);
        if (!Write_Line(stream, line, kLabelAntenna)) return 1;
    }
    {
        LineBuilder line;
        line.fixed(summary.approxX, kPositionWidth, kPositionPrecision)
            .fixed(summary.approxY, kPositionWidth, kPositionPrecision)
            .fixed(summary.approxZ, kPositionWidth, kPositionPrecision);
        if (!Write_Line(stream, line, kLabelApproxPosition)) return 1;
    }
    {
        LineBuilder line;
        line.fixed(settings.antennaHeight, kDeltaWidth, kDeltaPrecision)
            .fixed(0.0, kDeltaWidth, kDeltaPrecision)
            .fixed(0.0, kDeltaWidth, kDeltaPrecision);
        if (!Write_Line(stream, line, kLabelAntennaDelta)) return 1;
    }
    {
        LineBuilder line;
        line.text(kLineWavelengthFactors);
        if (!line.write_to(stream)) return 1;
    }
    {
        LineBuilder line;
        line.integer(selectedCount, kCountWidth);
        for (int32_t i = 0; i < selectedCount; ++i) line.text(selected[i]->label);
        if (!Write_Line(stream, line, kLabelTypesOfObserv)) return 1;
    }
    if (summary.interval >= 1.0) {
        LineBuilder line;
        line.integer(Rounded_Interval(summary.interval), kCountWidth);
        if (!Write_Line(stream, line, kLabelInterval)) return 1;
    }
    {
        LineBuilder line;
        Add_Time(line, summary.firstYear, summary.firstMonth, summary.firstDay, summary.firstHour,
                 summary.firstMinute, summary.firstSecond);
        if (!Write_Line(stream, line, kLabelFirstObs)) return 1;
    }
    {
        LineBuilder line;
        Add_Time(line, summary.lastYear, summary.lastMonth, summary.lastDay, summary.lastHour,
                 summary.lastMinute, summary.lastSecond);
        if (!Write_Line(stream, line, kLabelLastObs)) return 1;
    }
    {
        LineBuilder line;
        line.integer(summary.satelliteCount, kCountWidth);
        if (!Write_Line(stream, line, kLabelSatelliteCount)) return 1;
    }
    for (int number = 0; number < SATELLITE_SLOTS; ++number) {
        const SatelliteObsCount& counts = summary.satellites[number];
        if (counts.seen == 0) continue;
        char label[kLabelSize];
        Satellite_Label(label, number);
        LineBuilder line;
        line.text(kSatellitePrefix).text(label);
        for (int32_t i = 0; i < selectedCount; ++i) {
            line.integer(counts.*selected[i]->count, kCountWidth);
        }
        if (!Write_Line(stream, line, kLabelPrnObsCount)) return 1;
    }
    {
        LineBuilder line;
        if (!Write_Line(stream, line, kLabelEndOfHeader)) return 1;
    }
    return 0;
}

}  // namespace zer2ivi
