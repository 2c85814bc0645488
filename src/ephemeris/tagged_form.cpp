// The tagged form of the ephemeris file: after a "$EPHREC" first line,
// brace-delimited "GpsEph" blocks whose lines each hold a tag and values.
#include <array>
#include <bit>
#include <cstdarg>
#include <cstring>

#include "ephemeris/ephemeris.h"
#include "ephemeris/ephemeris_layout.h"
#include "ephemeris/word_scan.h"
#include "numbers/numbers.h"

namespace zer2ivi {
namespace {

constexpr const char* kBlockNameEphemeris = "GpsEph";

// A header line has fewer than this many characters before its "{".
constexpr int kHeaderPrefixLimit = 16;
constexpr char kQuote = '"';
constexpr char kQuotedBlank = '`';
// The values of a line take part in a scan as far as they fit, each with a
// blank after it, in a text of this size.
constexpr size_t kJoinBufferSize = 512;

bool Is_Blank(char c) { return c == ' ' || c == '\t'; }

char Lower_Ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Equal_Ignoring_Case(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (Lower_Ascii(*a) != Lower_Ascii(*b)) return false;
    }
    return *a == *b;
}

// The "{" of a block header line, or nullptr: fewer than 16 characters
// before the first "{", at least one of them a space or tab and at least
// one neither.  A line end before any brace makes no header.
char* Header_Brace(char* line) {
    bool blank = false;
    bool other = false;
    for (int i = 0; i < kHeaderPrefixLimit; ++i) {
        const char c = line[i];
        if (c == '{') return (blank && other) ? line + i : nullptr;
        if (c == '\0' || c == '\n' || c == '\r') return nullptr;
        if (Is_Blank(c)) {
            blank = true;
        } else {
            other = true;
        }
    }
    return nullptr;
}

// Copies the word starting at text into holder (size bytes), cut to fit;
// returns the first character after the word.
const char* Copy_Word(const char* text, char* holder, size_t size) {
    size_t length = 0;
    // Every blank and the NUL lie at or below the space character.
    for (;; ++length) {
        const char c = text[length];
        if (static_cast<unsigned char>(c) > ' ') continue;
        if (c == '\0' || Is_White(c)) break;
    }
    const size_t kept = length < size ? length : size - 1;
    std::memcpy(holder, text, kept);
    holder[kept] = '\0';
    return text + length;
}

const char* Skip_White(const char* p) {
    while (Is_White(*p)) ++p;
    return p;
}

enum class LineOutcome { Stored, Skipped, EndOfBlock };

// The kinds of character the quick split of a block line tells apart.
enum CharKind : unsigned char { kOrdinary, kWhite, kSpecial, kLineEnd };

constexpr std::array<unsigned char, 256> Make_Char_Kinds() {
    std::array<unsigned char, 256> kinds{};
    for (int c = 0; c < 256; ++c) {
        const char character = static_cast<char>(c);
        kinds[static_cast<size_t>(c)] = character == '\0' ? kLineEnd
                                        : Is_White(character) ? kWhite
                                        : (character == ';' || character == '}' || character == kQuote)
                                            ? kSpecial
                                            : kOrdinary;
    }
    return kinds;
}
constexpr std::array<unsigned char, 256> kCharKinds = Make_Char_Kinds();

unsigned char Kind_Of(const unsigned char* p) { return kCharKinds[*p]; }

// The first character at or after p that is not ordinary (a blank, a
// comment, a brace, a quote or the NUL).  Where the processor has SSE2 and
// the buffer has 16 characters left, 16 are looked at together.
const unsigned char* Word_End(const unsigned char* p, const unsigned char* bufferEnd) {
#if defined(ZER2IVI_SSE2)
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i fromTab = _mm_set1_epi8(4);  // \t \n \v \f \r
    const __m128i semicolon = _mm_set1_epi8(';');
    const __m128i brace = _mm_set1_epi8('}');
    const __m128i quote = _mm_set1_epi8(kQuote);
    const __m128i zero = _mm_setzero_si128();
    while (bufferEnd - p >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // c - '\t' at most 4, unsigned: one of the five control blanks.
        const __m128i control =
            _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(chunk, tab), fromTab), zero);
        const __m128i stops = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, blank), control),
                         _mm_or_si128(_mm_cmpeq_epi8(chunk, semicolon),
                                      _mm_cmpeq_epi8(chunk, brace))),
            _mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, zero)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(stops));
        if (mask != 0) return p + std::countr_zero(mask);
        p += 16;
    }
#else
    (void)bufferEnd;
#endif
    while (Kind_Of(p) == kOrdinary) ++p;
    return p;
}

// Copies the word [word, end) into holder (size bytes), cut to fit.  A
// short word is moved as one block of 32 characters when the line buffer
// has them (bufferEnd), which is cheaper than a copy of any length.
void Store_Word(char* holder, size_t size, const unsigned char* word, const unsigned char* end,
                const unsigned char* bufferEnd) {
    constexpr size_t kBlock = 32;
    static_assert(kTaggedWordSize >= static_cast<int>(kBlock));
    const auto length = static_cast<size_t>(end - word);
    const size_t kept = length < size ? length : size - 1;
#if defined(ZER2IVI_BLOCK_COPIES)
    if (kept < kBlock && static_cast<size_t>(bufferEnd - word) >= kBlock) {
        std::memcpy(holder, word, kBlock);
        holder[kept] = '\0';
        return;
    }
#else
    (void)bufferEnd;
#endif
    std::memcpy(holder, word, kept);
    holder[kept] = '\0';
}

// The quick way for a line without a comment, a brace or a quote: its words
// split at blanks and stored, exactly as the full rules below store them.
// false when the line holds such a character (nothing counted; the full
// rules then treat the line afresh).
bool Quick_Split(const char* text, const char* bufferEnd, TaggedLine& stored, LineOutcome& outcome) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = reinterpret_cast<const unsigned char*>(bufferEnd);
    int words = 0;
    for (;;) {
        while (Kind_Of(p) == kWhite) ++p;
        if (Kind_Of(p) == kLineEnd) break;
        if (Kind_Of(p) == kSpecial) return false;
        const unsigned char* word = p;
        p = Word_End(p, end);
        // Words after the fifteenth value are not kept, but the rest of the
        // line is still looked through for a brace.
        if (words == 0) {
            Store_Word(stored.tag, sizeof stored.tag, word, p, end);
        } else if (words <= kTaggedMaxValues) {
            Store_Word(stored.values[words - 1], sizeof stored.values[words - 1], word, p, end);
        }
        if (words <= kTaggedMaxValues) ++words;
    }
    if (words == 0) {
        outcome = LineOutcome::Skipped;
        return true;
    }
    stored.valueCount = static_cast<int16_t>(words - 1);
    stored.used = 0;
    outcome = LineOutcome::Stored;
    return true;
}

// Applies the comment, brace and quote rules to one block line and stores
// its words.  The line is changed in place.
LineOutcome Treat_Block_Line(char* line, const char* bufferEnd, TaggedBlock& block) {
    LineOutcome quick = LineOutcome::Skipped;
    if (Quick_Split(line, bufferEnd, block.lines[block.lineCount], quick)) {
        if (quick == LineOutcome::Stored) ++block.lineCount;
        return quick;
    }
    bool quoted = false;
    for (char* p = line;; ++p) {
        // Outside quotes only a comment, a brace or a quote matters.
        if (!quoted) p += std::strcspn(p, ";}\"");
        if (*p == '\0') break;
        if (*p == ';') {
            *p = '\0';
            break;
        }
        if (*p == '}') return LineOutcome::EndOfBlock;
        if (*p == kQuote) {
            quoted = !quoted;
        } else if (*p == ' ' && quoted) {
            *p = kQuotedBlank;
        }
    }
    const char* p = Skip_White(line);
    if (*p == '\0') return LineOutcome::Skipped;
    TaggedLine& stored = block.lines[block.lineCount];
    p = Skip_White(Copy_Word(p, stored.tag, sizeof stored.tag));
    int16_t values = 0;
    while (*p != '\0' && values < kTaggedMaxValues) {
        p = Skip_White(Copy_Word(p, stored.values[values], sizeof stored.values[values]));
        ++values;
    }
    stored.valueCount = values;
    stored.used = 0;
    ++block.lineCount;
    return LineOutcome::Stored;
}

// The length of a value holder's text when it ends with a NUL before the
// holder's last character and holds no quote; false otherwise.
bool Plain_Value_Length(const char* value, size_t& length) {
#if defined(ZER2IVI_SSE2)
    // The holder's 256 characters are looked at 16 at a time up to the
    // first NUL or quote.
    static_assert(kTaggedValueSize % 16 == 0);
    const __m128i zero = _mm_setzero_si128();
    const __m128i quote = _mm_set1_epi8(kQuote);
    for (size_t offset = 0; offset < kTaggedValueSize; offset += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value + offset));
        const auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, zero), _mm_cmpeq_epi8(chunk, quote))));
        if (mask == 0) continue;
        length = offset + static_cast<size_t>(std::countr_zero(mask));
        return length < kTaggedValueSize - 1 && value[length] == '\0';
    }
    return false;
#else
    length = strnlen(value, kTaggedValueSize - 1);
    return length < kTaggedValueSize - 1 && std::memchr(value, kQuote, length) == nullptr;
#endif
}

// The values of one stored line as the standard formatted scan meets them
// in "v1 v2 ... " (each value without its double quotes and followed by one
// blank, as many as fit the join buffer).  No value holds a blank, so no
// conversion reaches from one value into the next; a conversion may stop
// inside a value, and the next one goes on from there.
class ValueCursor {
public:
    explicit ValueCursor(const TaggedLine& line)
        : line_(line),
          count_(line.valueCount < kTaggedMaxValues ? line.valueCount : kTaggedMaxValues) {}

    // The next characters to convert, blanks and used-up values passed
    // over; false when nothing is left.
    bool next(const char*& cursor, const char*& limit) {
        for (;;) {
            while (cursor_ != limit_ && Is_White(*cursor_)) ++cursor_;
            if (cursor_ != limit_) break;
            if (index_ >= count_ || !load(index_++)) return false;
        }
        cursor = cursor_;
        limit = limit_;
        return true;
    }
    void advance(const char* to) { cursor_ = to; }

private:
    // Makes value v the current text; false when it no longer fits the join
    // buffer (it and the values after it then take no part).
    bool load(int16_t v) {
        const char* value = line_.values[v];
        // A value that fills its holder may lack its NUL; it is copied, as
        // is a value with quotes.
        size_t length = 0;
        if (Plain_Value_Length(value, length)) {
            if (!join(length)) return false;
            cursor_ = value;
            limit_ = value + length;
            return true;
        }
        length = strnlen(value, kTaggedValueSize - 1);
        size_t kept = 0;
        for (size_t i = 0; i < length; ++i) {
            if (value[i] != kQuote) unquoted_[kept++] = value[i];
        }
        if (!join(kept)) return false;
        unquoted_[kept] = '\0';
        cursor_ = unquoted_;
        limit_ = unquoted_ + kept;
        return true;
    }

    // Counts a value of this many characters and its blank into the join
    // buffer; false when they do not fit.
    bool join(size_t length) {
        if (joined_ + length + 1 >= kJoinBufferSize) {
            count_ = index_;
            return false;
        }
        joined_ += length + 1;
        return true;
    }

    const TaggedLine& line_;
    int16_t count_ = 0;
    int16_t index_ = 0;
    size_t joined_ = 0;
    const char* cursor_ = nullptr;
    const char* limit_ = nullptr;
    char unquoted_[kTaggedValueSize];
};

// Where the values of a scan go: the destinations of a format (the
// variable arguments of Get_Tagged_Values) or the record members of one
// line of the ephemeris layout.  next() moves to the next conversion and
// tells its kind; false when there is none left or it is one the scan does
// not know (the scan then ends).
enum class ValueKind { Integer, Real };

class FormatDestinations {
public:
    FormatDestinations(const char* format, va_list& args) : format_(format), args_(args) {}
    bool next(ValueKind& kind) {
        while (*format_ != '\0' && *format_ != '%') ++format_;
        if (*format_ == '\0') return false;
        ++format_;
        bool isLong = false;
        if (*format_ == 'l') {
            isLong = true;
            ++format_;
        }
        const char letter = *format_;
        if (letter == '\0') return false;
        ++format_;
        if (letter == 'd') {
            kind = ValueKind::Integer;
            return true;
        }
        if (letter == 'f' && isLong) {
            kind = ValueKind::Real;
            return true;
        }
        return false;
    }
    void store(int32_t value) { *va_arg(args_, int32_t*) = value; }
    void store(double value) { *va_arg(args_, double*) = value; }

private:
    const char* format_;
    va_list& args_;
};

class FieldDestinations {
public:
    FieldDestinations(const EphemerisLine& line, EphemerisRecord& record)
        : line_(line), record_(record) {}
    bool next(ValueKind& kind) {
        if (index_ >= line_.fieldCount) return false;
        current_ = &line_.fields[index_++];
        kind = current_->is_integer() ? ValueKind::Integer : ValueKind::Real;
        return true;
    }
    void store(int32_t value) { record_.*current_->integer = value; }
    void store(double value) { record_.*current_->real = value; }

private:
    const EphemerisLine& line_;
    EphemerisRecord& record_;
    int index_ = 0;
    const EphemerisField* current_ = nullptr;
};

// The standard formatted scan of the line's values into the destinations,
// integers into int32_t saturated.  Stops at the first value that does not
// convert; values that end before the first conversion give 0.
template <typename Destinations>
int Scan_Values(const TaggedLine& line, Destinations& destinations) {
    ValueCursor values(line);
    int count = 0;
    ValueKind kind = ValueKind::Integer;
    while (destinations.next(kind)) {
        const char* cursor = nullptr;
        const char* limit = nullptr;
        if (!values.next(cursor, limit)) return count;
        if (kind == ValueKind::Integer) {
            // The value ends with a NUL where its characters end.
            int32_t value = 0;
            if (!Scan_Int32(cursor, value)) return count;
            destinations.store(value);
        } else {
            // The formatted scan's reading, not strtod's: "1e" is 1 and
            // takes the "e", "0x" alone is no number.
            double value = 0.0;
            const char* end = nullptr;
            if (!Scan_Formatted_Double(cursor, limit, value, end)) return count;
            destinations.store(value);
            cursor = end;
        }
        values.advance(cursor);
        ++count;
    }
    return count;
}

// The first unused line of the block whose tag matches (without regard to
// case), or nullptr.
TaggedLine* Find_Line(const char* tag, TaggedBlock& block) {
    for (int32_t i = 0; i < block.lineCount && i < kTaggedMaxLines; ++i) {
        TaggedLine& candidate = block.lines[i];
        if (candidate.used == 0 && Equal_Ignoring_Case(candidate.tag, tag)) return &candidate;
    }
    return nullptr;
}

// Get_Tagged_Values for one line of the ephemeris layout.
int Get_Tagged_Fields(const EphemerisLine& layout, TaggedBlock& block, EphemerisRecord& record) {
    TaggedLine* found = Find_Line(layout.tag, block);
    if (found == nullptr) return -1;
    FieldDestinations destinations(layout, record);
    const int count = Scan_Values(*found, destinations);
    found->used = 1;
    return count;
}

}  // namespace

EphemerisReaderArea ephemerisReaders;

int Read_Block(TextFile& file, TaggedBlock& block) {
    char* line = ephemerisReaders.blockLineBuffer;
    char* brace = nullptr;
    while (brace == nullptr) {
        if (Read_Text_Line(file, line, kTextPieceLength) < 0) break;
        brace = Header_Brace(line);
    }
    // Also a header line that ended the file without a line end: such a
    // block holds one line at most and can never make an ephemeris.
    if (file.endOfFile) return -1;
    if (brace == nullptr) return 1;
    const char* name = Skip_White(line);
    Copy_Word(name, block.name, sizeof block.name);
    block.lineCount = 0;
    // The rest of the header line after its "{" is the block's first line.
    const char* bufferEnd = line + kBlockLineSize;
    if (Treat_Block_Line(brace + 1, bufferEnd, block) == LineOutcome::EndOfBlock) return 0;
    while (block.lineCount < kTaggedMaxLines) {
        // A last line without a line end is stored like any other.
        if (Read_Text_Line(file, line, kTextPieceLength) < 0) return 0;
        if (Treat_Block_Line(line, bufferEnd, block) == LineOutcome::EndOfBlock) return 0;
    }
    return 0;
}

int Get_Tagged_Values(const char* tag, TaggedBlock& block, const char* format, ...) {
    TaggedLine* found = Find_Line(tag, block);
    if (found == nullptr) return -1;
    va_list args;
    va_start(args, format);
    FormatDestinations destinations(format, args);
    const int count = Scan_Values(*found, destinations);
    va_end(args);
    found->used = 1;
    return count;
}

int Next_Tagged_Ephemeris(TextFile& file, EphemerisRecord& record) {
    TaggedBlock& block = ephemerisReaders.taggedBlock;
    for (;;) {
        const int read = Read_Block(file, block);
        if (read < 0) return -1;
        if (read > 0) continue;
        if (!Equal_Ignoring_Case(block.name, kBlockNameEphemeris)) continue;
        // A block that lacks a line or a value is skipped; the record may
        // then hold a mix of old and new values, which is never used.
        bool complete = true;
        for (const EphemerisLine& line : kEphemerisLines) {
            if (Get_Tagged_Fields(line, block, record) != line.fieldCount) {
                complete = false;
                break;
            }
        }
        if (complete) return 0;
    }
}

}  // namespace zer2ivi
