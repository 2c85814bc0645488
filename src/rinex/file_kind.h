// What kind of file a path holds, told by its first bytes, and the words
// every command of the tool uses for an input of the wrong kind: a command
// names the file its own way ("OBSFILE 'x'", "x:1") and follows it with
// these words, so that the same problem reads the same everywhere.
#pragma once

#include <string>
#include <string_view>

namespace zer2ivi::rinex {

inline constexpr std::string_view kWordsMissing = "No such file or directory";
inline constexpr std::string_view kWordsDirectory = "Is a directory";
inline constexpr std::string_view kWordsEmpty = "empty file";
// Follow the kind of file ("a RINEX 3 observation file", "a Compact RINEX
// file", "a RINEX 2 navigation file").
inline constexpr std::string_view kWordsNotALog = ", not a binary observation log";
inline constexpr std::string_view kWordsNotObservations = ", not an observation file";
inline constexpr std::string_view kWordsCompact = "a Compact RINEX file";

enum class FileKind { kOther, kCompactRinex, kRinexObservation, kRinexOther };

struct FileKindOf {
    FileKind kind = FileKind::kOther;
    // Of RINEX and Compact RINEX files: "a RINEX 3 observation file", "a
    // RINEX 2 navigation file", "a Compact RINEX file".
    std::string words;
};

// The kind of the file told by its first line (gzip and Unix compress
// read through), from columns 1-9 (version), 21 (file type)
// and the label.
FileKindOf Kind_Of_File(const std::string& path);
// The same of a first line.
FileKindOf Kind_Of_First_Line(std::string_view line);

// A RINEX or Compact RINEX file by its first line.
bool Is_Rinex_File(const std::string& path);

}  // namespace zer2ivi::rinex
