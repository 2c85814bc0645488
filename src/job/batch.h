// What a driver of many conversions needs beside the job: the files each
// input will get, checked for clashes before any work starts, and the
// report a worker process leaves for the driver (a small file of
// "key value" lines, never a sentence to parse).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "job/conversion_job.h"

namespace zer2ivi::job {

// The epochs of a log as GPS seconds, known before any conversion: dated
// in the given week, else in the week that puts the first epoch nearest the
// log's creation time.
struct LogSpan {
    CalendarDay firstDay;
    double first = 0.0, last = 0.0;
};
std::optional<LogSpan> Log_Span(const std::string& log, std::optional<int32_t> gpsWeek);

struct PlannedInput {
    std::string log;
    std::string station;          // designator of its conventional names
    std::optional<LogSpan> span;  // nothing: the log cannot be dated (its job will fail)
};

// The first two inputs (by index) whose files would get the same names in
// one directory: the same station and first day, or with pieces of
// pieceSeconds, the same station and a piece of time in common.
std::optional<std::pair<size_t, size_t>> Name_Clash(const std::vector<PlannedInput>& inputs,
                                                    std::optional<double> pieceSeconds);

// What one worker's job gave.
struct WorkerReport {
    bool converted = false;
    int64_t epochs = 0;          // of the products when there are products
    std::vector<std::string> files;
    std::string error;
    bool usageError = false;
};

WorkerReport Report_Of(const ConvertResult& result, bool withProducts);

// Writes the report to path; the reason when it cannot be written.
std::optional<std::string> Write_Worker_Report(const std::string& path, const WorkerReport& report);

// Reads a report; nothing when the file is missing or not a whole report.
std::optional<WorkerReport> Read_Worker_Report(const std::string& path);

// One input of a batch run and what became of it.
struct BatchItem {
    std::string log;
    std::string ephemeris;  // empty with --no-nav
    int exitCode = -1;
    std::string error;
    std::vector<std::string> outputs;
    int64_t epochs = -1;    // converted epochs when it succeeded
};

struct BatchRun {
    std::string program;      // the tool itself, run as "PROGRAM convert ..."
    std::string directory;    // -d of every conversion
    std::vector<std::string> options;  // further options of every conversion
    unsigned workers = 1;
    // Called after each item ends: items done, epochs converted so far.
    std::function<void(size_t done, int64_t epochs)> progress;
};

// Why the files of two items would get the same names in directory (the
// station from marker, else from each log's name; the day, or with pieces
// of pieceSeconds their times), naming both; nothing when none would.
std::optional<std::string> Batch_Name_Clash(const std::vector<BatchItem>& items, const std::string& marker,
                                            std::optional<int32_t> gpsWeek, std::optional<double> pieceSeconds,
                                            const std::string& directory);

// Runs one worker process per item, at most run.workers at a time, each
// reporting through a result file in a private directory; fills in every
// item.  The error text when the run cannot start at all.
std::optional<std::string> Run_Batch(const BatchRun& run, std::vector<BatchItem>& items);

}  // namespace zer2ivi::job
