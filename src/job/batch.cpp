#include "job/batch.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "gpstime/gpstime.h"
#include "job/conversion_checks.h"
#include "job/temp_files.h"
#include "job/worker_processes.h"
#include "rinex_names/rinex_names.h"
#include "zebfile/zebfile.h"

namespace zer2ivi::job {
namespace {

// One report line: a key, a blank, the value with '%', CR and LF written
// as %25, %0D and %0A, so that any file name or message fits one line.
constexpr const char* kKeyConverted = "converted";
constexpr const char* kKeyEpochs = "epochs";
constexpr const char* kKeyFile = "file";
constexpr const char* kKeyError = "error";
constexpr const char* kKeyUsage = "usage-error";
constexpr const char* kKeyEnd = "end";

std::string Escaped(const std::string& value) {
    std::string text;
    for (char c : value) {
        if (c == '%') text += "%25";
        else if (c == '\n') text += "%0A";
        else if (c == '\r') text += "%0D";
        else text += c;
    }
    return text;
}

std::optional<std::string> Unescaped(const std::string& text) {
    std::string value;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            value += text[i];
            continue;
        }
        const std::string code = text.substr(i + 1, 2);
        if (code == "25") value += '%';
        else if (code == "0A") value += '\n';
        else if (code == "0D") value += '\r';
        else return std::nullopt;
        i += 2;
    }
    return value;
}

}  // namespace

std::optional<LogSpan> Log_Span(const std::string& log, std::optional<int32_t> gpsWeek) {
    ZebLogExtent walk;
    if (Zeb_Walk_Log(log.c_str(), walk) != ZebWalkResult::Walked || !walk.hasFirstTimeOfWeek)
        return std::nullopt;
    const int32_t week = gpsWeek ? *gpsWeek
                                 : Week_Closest_To(Creation_Seconds(walk.header), walk.firstTimeOfWeek);
    const int32_t dated = week < kBroadcastWeekThreshold ? week + kBroadcastWeekOffset : week;
    LogSpan span;
    span.first = dated * kSecondsPerWeek + walk.firstTimeOfWeek;
    span.last = (dated + walk.weekRollovers) * kSecondsPerWeek + walk.lastTimeOfWeek;
    const auto day = First_Epoch_Day(log, gpsWeek);
    if (!day) return std::nullopt;
    span.firstDay = *day;
    return span;
}

std::optional<std::pair<size_t, size_t>> Name_Clash(const std::vector<PlannedInput>& inputs,
                                                    std::optional<double> pieceSeconds) {
    for (size_t a = 0; a < inputs.size(); ++a) {
        for (size_t b = a + 1; b < inputs.size(); ++b) {
            const PlannedInput& x = inputs[a];
            const PlannedInput& y = inputs[b];
            if (x.station != y.station || !x.span || !y.span) continue;
            if (!pieceSeconds) {
                if (x.span->firstDay == y.span->firstDay) return std::make_pair(a, b);
                continue;
            }
            // Pieces begin at whole multiples of their length.
            const auto piece = [&](double t) { return std::floor(t / *pieceSeconds); };
            if (piece(x.span->first) <= piece(y.span->last) &&
                piece(y.span->first) <= piece(x.span->last))
                return std::make_pair(a, b);
        }
    }
    return std::nullopt;
}

WorkerReport Report_Of(const ConvertResult& result, bool withProducts) {
    WorkerReport report;
    report.converted = result.converted;
    report.error = result.error;
    report.usageError = result.usageError;
    if (!result.converted) return report;
    report.epochs = result.epochs;
    if (withProducts) {
        report.epochs = 0;
        for (size_t epochs : result.productEpochs) report.epochs += static_cast<int64_t>(epochs);
    }
    report.files = result.obsFiles;
    if (!result.navFile.empty()) report.files.push_back(result.navFile);
    return report;
}

std::optional<std::string> Write_Worker_Report(const std::string& path, const WorkerReport& report) {
    std::string text;
    text += std::string(kKeyConverted) + " " + (report.converted ? "1" : "0") + "\n";
    text += std::string(kKeyEpochs) + " " + std::to_string(report.epochs) + "\n";
    for (const std::string& file : report.files) text += std::string(kKeyFile) + " " + Escaped(file) + "\n";
    if (!report.error.empty()) text += std::string(kKeyError) + " " + Escaped(report.error) + "\n";
    if (report.usageError) text += std::string(kKeyUsage) + " 1\n";
    text += std::string(kKeyEnd) + "\n";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return "cannot write the report " + path;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) return "cannot write the report " + path;
    return std::nullopt;
}

std::optional<WorkerReport> Read_Worker_Report(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    WorkerReport report;
    std::string line;
    bool ended = false;
    while (std::getline(in, line)) {
        if (ended) return std::nullopt;
        const size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const auto value = Unescaped(blank == std::string::npos ? "" : line.substr(blank + 1));
        if (!value) return std::nullopt;
        if (key == kKeyConverted) {
            report.converted = *value == "1";
        } else if (key == kKeyEpochs) {
            char* end = nullptr;
            report.epochs = std::strtoll(value->c_str(), &end, 10);
            if (value->empty() || *end != '\0') return std::nullopt;
        } else if (key == kKeyFile) {
            report.files.push_back(*value);
        } else if (key == kKeyError) {
            report.error = *value;
        } else if (key == kKeyUsage) {
            report.usageError = *value == "1";
        } else if (key == kKeyEnd) {
            ended = true;
        } else {
            return std::nullopt;
        }
    }
    if (!ended) return std::nullopt;
    return report;
}

std::optional<std::string> Batch_Name_Clash(const std::vector<BatchItem>& items, const std::string& marker,
                                            std::optional<int32_t> gpsWeek, std::optional<double> pieceSeconds,
                                            const std::string& directory) {
    std::vector<PlannedInput> planned;
    for (const BatchItem& item : items)
        planned.push_back({item.log, names::Station_Designator(marker.empty() ? names::File_Stem(item.log) : marker),
                           Log_Span(item.log, gpsWeek)});
    const auto clash = Name_Clash(planned, pieceSeconds);
    if (!clash) return std::nullopt;
    return "'" + items[clash->first].log + "' and '" + items[clash->second].log +
           "' would write files of the same names in '" + directory + "' (station " +
           planned[clash->first].station + (pieceSeconds ? ", pieces of the same time)" : ", same day)");
}

std::optional<std::string> Run_Batch(const BatchRun& run, std::vector<BatchItem>& items) {
    auto scratch = TempDirectory::Create();
    if (!scratch) return std::string("cannot make a temporary directory");
    const auto outputOf = [&](size_t i) { return scratch->file("out" + std::to_string(i)); };
    const auto errorsOf = [&](size_t i) { return scratch->file("err" + std::to_string(i)); };
    const auto reportOf = [&](size_t i) { return scratch->file("report" + std::to_string(i)); };
    FilesToRemove scratchFiles;
    WorkerPool pool;
    size_t next = 0, done = 0;
    int64_t epochs = 0;
    if (run.progress) run.progress(0, 0);
    while (done < items.size()) {
        while (next < items.size() && pool.running() < run.workers) {
            BatchItem& item = items[next];
            std::vector<std::string> argv = {run.program, "convert", item.log};
            if (!item.ephemeris.empty()) argv.push_back(item.ephemeris);
            for (const std::string& word : {std::string("--directory"), run.directory,
                                            std::string("--report-file"), reportOf(next)})
                argv.push_back(word);
            for (const std::string& file : {outputOf(next), errorsOf(next), reportOf(next)})
                scratchFiles.add(file);
            argv.insert(argv.end(), run.options.begin(), run.options.end());
            if (auto error = pool.start(next, run.program, argv, outputOf(next), errorsOf(next))) {
                item.exitCode = 1;
                item.error = *error;
                ++done;
            }
            ++next;
        }
        const auto finished = pool.wait();
        if (!finished) continue;
        BatchItem& item = items[finished->job];
        item.exitCode = finished->exitCode;
        if (const auto report = Read_Worker_Report(reportOf(finished->job))) {
            item.outputs = report->files;
            item.error = report->error;
            if (report->converted) item.epochs = report->epochs;
        } else if (item.exitCode == 0) {
            item.exitCode = 1;
            item.error = "the worker left no report";
        }
        if (item.exitCode == 0 && item.epochs > 0) epochs += item.epochs;
        ++done;
        if (run.progress) run.progress(done, epochs);
    }
    return std::nullopt;
}

}  // namespace zer2ivi::job
