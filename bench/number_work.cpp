// The number work of a navigation conversion alone, in memory: every value
// of a plain ephemeris file read with the ephemeris reader's own decimal
// reading, and every field of the navigation records made with the D19.12
// formatter of the writer.  No file is read or written while it is timed,
// so the figure is what the conversion spends on numbers however fast its
// reading and writing of lines become.
//
//   z2i_bench_numbers PLAIN_FILE RUNS RESULT_FILE
//
// Prints the medians and writes "<parse seconds> <format seconds>" (median
// CPU time of RUNS repetitions) into RESULT_FILE for the benchmark.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "numbers/numbers.h"
#include "rinex_nav/rinex_nav.h"

namespace {

using zer2ivi::Leading_Int32_In;
using zer2ivi::Read_Double_In;

double Cpu_Seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// One value of the file: where its text stands and whether the reader
// takes it as an integer (the plain form's integer columns).
struct Token {
    const char* begin;
    const char* end;
    bool integer;
};

// The six lines of a plain ephemeris hold 26 values; these are integers.
constexpr bool kIntegerColumns[26] = {true,  true,  true,  false, true,  true,  false,
                                      false, false, true,  false, false, false, false,
                                      false, false, false, true,  false, false, false,
                                      false, false, false, false, false};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PLAIN_FILE RUNS RESULT_FILE\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    const int runs = std::max(1, std::atoi(argv[2]));

    std::vector<Token> tokens;
    for (size_t i = 0; i < text.size();) {
        while (i < text.size() && std::strchr(" ,\t\r\n", text[i]) != nullptr) ++i;
        const size_t start = i;
        while (i < text.size() && std::strchr(" ,\t\r\n", text[i]) == nullptr) ++i;
        if (i > start) {
            tokens.push_back({text.data() + start, text.data() + i,
                              kIntegerColumns[tokens.size() % 26]});
        }
    }
    const size_t records = tokens.size() / 26;
    std::vector<double> values(tokens.size());
    // The 28 number fields of a navigation record in the order the writer
    // makes them, by column of the plain form (-1: a spare field written as
    // zero, -2: the week).
    constexpr int kFields[28] = {8,  7,  6,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                 20, 21, 22, 23, 24, 25, -1, -2, -1, -1, -1, 3,  4,  17};
    constexpr size_t kFieldCount = sizeof kFields / sizeof kFields[0];
    std::vector<char> output(records * kFieldCount * 19 + 20);

    std::vector<double> parseTimes;
    std::vector<double> formatTimes;
    for (int run = 0; run < runs; ++run) {
        const double start = Cpu_Seconds();
        for (size_t t = 0; t < tokens.size(); ++t) {
            const Token& token = tokens[t];
            values[t] = token.integer ? Leading_Int32_In(token.begin, token.end)
                                      : Read_Double_In(token.begin, token.end, nullptr);
        }
        const double parsed = Cpu_Seconds();
        char* field = output.data();
        for (size_t r = 0; r < records; ++r) {
            const double* record = values.data() + r * 26;
            for (const int column : kFields) {
                const double value = column >= 0 ? record[column] : column == -2 ? record[1] : 0.0;
                zer2ivi::Format_Rinex_Value(field, value);
                field += 19;
            }
        }
        const double formatted = Cpu_Seconds();
        parseTimes.push_back(parsed - start);
        formatTimes.push_back(formatted - parsed);
    }
    const double parse = Median(parseTimes);
    const double format = Median(formatTimes);
    std::FILE* result = std::fopen(argv[3], "w");
    if (result == nullptr) return 1;
    std::fprintf(result, "%.9f %.9f\n", parse, format);
    // Something of the output is used, so no work can be left out.
    std::fprintf(result, "%c\n", output[records * kFieldCount * 19 / 2 + 5]);
    return std::fclose(result) == 0 ? 0 : 1;
}
