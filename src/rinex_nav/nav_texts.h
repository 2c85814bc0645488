// Every fixed text of the navigation side in one place: the header labels
// and fields, the line formats and the messages of the conversion.
// Internal to this folder.
#pragma once

#include <cstdint>

namespace zer2ivi::nav_text {

// Header.
inline constexpr const char* kVersion = "     2";
inline constexpr const char* kFileType = "NAVIGATION DATA";
inline constexpr const char* kLabelVersionType = "RINEX VERSION / TYPE";
inline constexpr const char* kProgram = "DID2ARE Beta";
inline constexpr const char* kLabelRunBy = "PGM / RUN BY / DATE";
inline constexpr const char* kLabelEndOfHeader = "END OF HEADER";

// Header of version 3.04 files.
inline constexpr const char* kVersion3 = "     3.04";
inline constexpr const char* kFileType3 = "N: GNSS NAV DATA";
inline constexpr const char* kSystem3 = "G: GPS";

// Record: the clock line starts with the PRN and the epoch (two-digit year)
// as "%2d%3d%3d%3d%3d%3d%5.1lf" prints them.
// Orbit lines begin with this many blanks.
inline constexpr int kOrbitIndent = 3;
// Version 3: "Gnn yyyy mm dd hh mm ss" (A1,I2.2,1X,I4,5(1X,I2.2)), orbit
// lines indented by four; the transmission time when it is not known.
inline constexpr int kOrbitIndent3 = 4;
inline constexpr int32_t kLastTwoDigitPrn = 99;
inline constexpr double kUnknownTransmissionTime = 0.9999e9;

// The first line of a tagged ephemeris file begins so, byte for byte.
inline constexpr const char* kTaggedFileMark = "$EPHREC";

// Messages.
inline constexpr const char* kMsgWrongStructSize =
    "Wrong version of software, incorrect structure size.";
inline constexpr const char* kMsgUnableToOpen = "Error: Unable to open %s";
inline constexpr const char* kMsgNotEnoughMemory = "Not enough memory";
inline constexpr const char* kMsgEmptyFile = "Empty ephemeris file";
inline constexpr const char* kMsgDiskFull = "Disk is full.  Could not finish writing the NAV file";
inline constexpr const char* kMsgWrote = "Wrote %d ephemeris records";
inline constexpr const char* kMsgSkippedPrn = "left out %d ephemeris records whose PRN is not 1 to 99";
inline constexpr const char* kMsgCannotReplace = "Error: Unable to write %s";

}  // namespace zer2ivi::nav_text
