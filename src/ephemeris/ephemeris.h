// Ephemeris text file readers: the tagged form ("$EPHREC" first line,
// "GpsEph { ... }" blocks of tagged lines) and the plain form (six lines of
// bare numbers per ephemeris), both read into EphemerisRecord.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace zer2ivi {

// One satellite's broadcast ephemeris, values in the units RINEX states them.
struct EphemerisRecord {
    int32_t prn;
    int32_t week;
    int32_t aux1;
    double tgd;
    int32_t iodc;
    int32_t aux2;
    double af2;
    double af1;
    double af0;
    int32_t iode;
    double deltaN;
    double m0;
    double ecc;
    double sqrtA;
    int32_t toe;
    double cic;
    double crc;
    double cis;
    double crs;
    double cuc;
    double cus;
    double omega0;
    double omega;
    double i0;
    double omegaDot;
    double idot;
};

inline constexpr int kTaggedWordSize = 32;     // 31 characters and the NUL
inline constexpr int kTaggedValueSize = 256;   // 255 characters and the NUL
inline constexpr int kTaggedMaxValues = 15;
inline constexpr int kTaggedMaxLines = 32;
inline constexpr int kBlockLineSize = 256;
// A line is read in pieces of at most this many characters; the rest of a
// longer line arrives as the following line or lines.
inline constexpr int kTextPieceLength = 254;
inline constexpr int kTextFileBufferSize = 8192;

// One stored line of a tagged block.
struct TaggedLine {
    char tag[kTaggedWordSize];
    int16_t valueCount;
    int16_t used;
    char values[kTaggedMaxValues][kTaggedValueSize];
};

// One block of the tagged form.
struct TaggedBlock {
    char name[kTaggedWordSize];
    int32_t lineCount;
    TaggedLine lines[kTaggedMaxLines];
};

// The readers' library-wide working area: the block being read and the line
// buffer of Read_Block.  Each Read_Block call overwrites both.
struct EphemerisReaderArea {
    TaggedBlock taggedBlock;
    char blockLineBuffer[kBlockLineSize];
};
extern EphemerisReaderArea ephemerisReaders;

// A text file read as a Windows text-mode stream reads it, on every
// platform: a CR right before an LF is dropped, a Ctrl-Z (0x1A) ends the
// file, and the end-of-file indicator is set only by a read that meets the
// end.  A read error ends the file like its end does.  The characters come
// through a buffer of its own, so a CR can look at the character after it
// without pushing anything back into the stream.
struct TextFile {
    std::FILE* stream = nullptr;
    // The end-of-file indicator: set by a read that met the end.
    bool endOfFile = false;
    // No more characters will come from the stream (end, error or Ctrl-Z).
    bool sourceEnded = false;
    size_t position = 0;
    size_t filled = 0;
    // No CR and no Ctrl-Z stands in the buffer before this index (from
    // position on); 0 when not yet looked for since the last refill.
    size_t plainUntil = 0;
    unsigned char buffer[kTextFileBufferSize];
};

// Opens a file for reading as text; false when it cannot be opened.
bool Text_Open(TextFile& file, const char* path);
// Closes the file if it is open; safe to call twice.
void Text_Close(TextFile& file);
// Next character, or EOF (and the end-of-file indicator set).
int Text_Get_Char(TextFile& file);

// Reads one line, or the next piece of an over-long one, without its line
// feed into buffer (which holds maxCharacters + 1).  At most maxCharacters
// are stored; a line feed right after a full piece belongs to it.  Returns
// the number of characters stored, or -1 when the end of the file is met
// before any character.
int Read_Text_Line(TextFile& file, char* buffer, int maxCharacters);

// Reads one line (at most kTextPieceLength characters) and converts its
// values, separated by runs of spaces, commas and tabs, into the
// destinations by the format's conversions:
//   %d, %ld  int32_t*  leading decimal digits as atoi reads them, saturated;
//                      a value that begins with a point stops the scan
//   %lf, %le double*   as strtod reads the value
//   %f, %e   float*    the same in single precision
//   %c       char*     the value's first character
//   %s       char*     the value as text (destination: kBlockLineSize)
//   %S       char*     the rest of the line as it stands (kBlockLineSize);
//                      ends the scan
//   %l before a % or the end of the format reads as %ld.
// Returns the number of values stored; -1 at the end of the file (nothing
// stored) or on an unknown conversion.
int Scan_Line(TextFile& file, const char* format, ...);

// Finds the next block header line and reads its block into block.
// 0 a block was read, 1 nothing usable yet (read on), -1 end of file.
int Read_Block(TextFile& file, TaggedBlock& block);

// Converts the values of the first unused line whose tag matches (without
// regard to case) as the standard formatted scan does: %d and %ld store an
// int32_t (saturated), %lf a double; the scan stops at the first value that
// does not convert.  -1 when there is no such line, else the number of
// values stored; the line is marked used.
int Get_Tagged_Values(const char* tag, TaggedBlock& block, const char* format, ...);

// The record sources: 0 an ephemeris was read into record, -1 end of file.
// The tagged source is called with the file positioned after its first line.
int Next_Tagged_Ephemeris(TextFile& file, EphemerisRecord& record);
int Next_Plain_Ephemeris(TextFile& file, EphemerisRecord& record);

}  // namespace zer2ivi
