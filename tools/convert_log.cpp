// How one conversion runs:
//
//   1. the inputs are opened and the log's record layout is walked;
//   2. both destinations get a temporary file in their directories, so an
//      unwritable destination stops the run before anything is converted;
//   3. the library converts the ephemeris file alone (with a log that holds
//      no epoch), without the week override, and the navigation file it
//      wrote is read back and checked;
//   4. the library converts the log alone (with an ephemeris file that holds
//      no ephemeris), under the week override when a week is given: the
//      override stays on for the rest of the process once set, which is why
//      the navigation file is always made first;
//   5. the epochs' dates and observation types are checked, the optional
//      post-processing step runs, and both temporaries are renamed.
//
// The library keeps its base week between calls: without an override the
// second call dates the epochs by the week the first took from the fourth
// ephemeris, exactly as one call with both files would.
#include "convert_log.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli_support.h"
#include "conversion_checks.h"
#include "obs_header_reader.h"
#include "rinex_names.h"
#include "temp_files.h"
#include "zeb_header_peek.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kTempPrefix = ".zer2ivi-";
constexpr size_t kPathField = sizeof(ObsSettings::zebFileName);
// A tagged ephemeris file without any ephemeris: the navigation side of an
// observation-only call writes nothing and leaves the base week alone.
constexpr const char* kNoEphemeris = "$EPHREC\n";

// Whether a call of this process has switched the library's week override
// on; nothing switches it off again.
bool gWeekOverrideOn = false;

std::string Quoted(const std::string& role, const std::string& path) {
    return role + " '" + path + "'";
}

// The library prints one internal consistency message on standard output
// when it is given a date before 1970, which only input far out of range
// produces; the checks report such input in words.  Standard output carries
// only the tool's report, so the library's goes to the null device.
class SilenceLibraryOutput {
public:
    SilenceLibraryOutput() {
        std::fflush(stdout);
#ifdef _WIN32
        const int null = _open("NUL", _O_WRONLY);
        saved_ = _dup(_fileno(stdout));
        if (saved_ >= 0 && null >= 0) _dup2(null, _fileno(stdout));
        if (null >= 0) _close(null);
#else
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        saved_ = dup(STDOUT_FILENO);
        if (saved_ >= 0 && null >= 0) dup2(null, STDOUT_FILENO);
        if (null >= 0) close(null);
#endif
    }
    ~SilenceLibraryOutput() {
        std::fflush(stdout);
        if (saved_ < 0) return;
#ifdef _WIN32
        _dup2(saved_, _fileno(stdout));
        _close(saved_);
#else
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
#endif
    }
    SilenceLibraryOutput(const SilenceLibraryOutput&) = delete;
    SilenceLibraryOutput& operator=(const SilenceLibraryOutput&) = delete;

private:
    int saved_ = -1;
};

// One Zeb_To_Rinex call; the library's message either way.
bool Call_Library(const ObsSettings& obs, const NavSettings& nav, std::string& message) {
    int32_t result = 1;
    {
        SilenceLibraryOutput silence;
        result = Zeb_To_Rinex(&obs, &nav);
    }
    char text[ZER2IVI_MESSAGE_SIZE] = {};
    Get_Error_Str(text);
    message = text;
    return result == 0;
}

// Fills both settings records; every text was checked against its field.
void Fill_Settings(ObsSettings& obs, NavSettings& nav, const HeaderTexts& texts, uint32_t types,
                   const std::string& log, const std::string& obsPath,
                   const std::string& ephemeris, const std::string& navPath,
                   std::optional<int32_t> week) {
    obs = ObsSettings{};
    nav = NavSettings{};
    obs.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    nav.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    Copy_Field(obs.zebFileName, sizeof obs.zebFileName, log);
    Copy_Field(obs.rinexObsFileName, sizeof obs.rinexObsFileName, obsPath);
    Copy_Field(obs.runBy, sizeof obs.runBy, texts.runBy);
    Copy_Field(obs.markerName, sizeof obs.markerName, texts.marker);
    Copy_Field(obs.observer, sizeof obs.observer, texts.observer);
    Copy_Field(obs.agency, sizeof obs.agency, texts.agency);
    obs.antennaHeight = texts.antennaHeight;
    obs.obsTypeMask = types;
    if (week) {
        obs.useGpsWeek = 1;
        obs.gpsWeek = *week;
    }
    Copy_Field(nav.ephemerisFileName, sizeof nav.ephemerisFileName, ephemeris);
    Copy_Field(nav.rinexNavFileName, sizeof nav.rinexNavFileName, navPath);
    Copy_Field(nav.runBy, sizeof nav.runBy, texts.runBy);
}

// Why path cannot be read as an input file; nothing when it can.
std::optional<std::string> Input_Problem(const std::string& role, const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return Quoted(role, path) + ": " + std::strerror(errno);
    if (S_ISDIR(status.st_mode)) return Quoted(role, path) + ": " + std::strerror(EISDIR);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Quoted(role, path) + ": " + std::strerror(errno);
    std::fclose(file);
    if (path.size() >= kPathField)
        return Quoted(role, path) + ": path longer than " + std::to_string(kPathField - 1) +
               " characters";
    return std::nullopt;
}

class Conversion {
public:
    explicit Conversion(const ConvertJob& job) : job_(job) {}

    ConvertResult Run() {
        if (auto error = Steps()) {
            result_.converted = false;
            result_.error = *error;
        }
        return std::move(result_);
    }

private:
    std::optional<std::string> Steps() {
        if (auto error = Check_Inputs()) return error;
        if (auto error = Stage_Outputs()) return error;
        if (auto directory = TempDirectory::Create()) scratch_.emplace(std::move(*directory));
        if (!scratch_) return std::string("cannot create a temporary directory: ") + std::strerror(errno);
        if (!job_.noNav)
            if (auto error = Navigation_Step()) return error;
        if (auto error = Observation_Step()) return error;
        if (job_.postProcess)
            if (auto error = job_.postProcess(obsTemp_)) return error;
        return Rename_Outputs();
    }

    // A check that failed: an error, or with --force a warning.
    std::optional<std::string> Check_Failed(const std::string& text) {
        if (!job_.force) return text;
        result_.warnings.push_back(text);
        return std::nullopt;
    }

    std::string Log() const { return Quoted("OBSFILE", job_.log); }
    std::string Ephemeris() const { return Quoted("EPHEMERISFILE", job_.ephemeris); }

    std::optional<std::string> Check_Inputs() {
        if (auto error = Input_Problem("OBSFILE", job_.log)) return error;
        if (!job_.noNav)
            if (auto error = Input_Problem("EPHEMERISFILE", job_.ephemeris)) return error;
        if (auto error = Scan_Zeb_Log(job_.log, log_)) return Log() + ": " + *error;
        return std::nullopt;
    }

    // A temporary file in the directory of one destination.
    std::optional<std::string> Stage(const std::optional<std::string>& given, const char* option,
                                     const char* suffix, std::string& temporary) {
        const std::string directory = given ? Directory_Of(*given) : job_.outputDirectory;
        const std::string what = given ? Quoted(option, *given) : Quoted("directory", directory);
        if (given) {
            struct stat status {};
            if (stat(given->c_str(), &status) == 0 && S_ISDIR(status.st_mode))
                return what + ": " + std::strerror(EISDIR);
        }
        const auto path = Create_Unique_File(directory, kTempPrefix, suffix);
        if (!path)
            return "cannot write in directory '" + directory + "'" +
                   (given ? " for " + what : std::string()) + ": " + std::strerror(errno);
        temporaries_.add(*path);
        if (path->size() >= kPathField)
            return what + ": path longer than " + std::to_string(kPathField - 1) + " characters";
        temporary = *path;
        return std::nullopt;
    }

    std::optional<std::string> Stage_Outputs() {
        if (auto error = Stage(job_.obsOutput, "-o", ".o", obsTemp_)) return error;
        if (!job_.noNav)
            if (auto error = Stage(job_.navOutput, "-n", ".n", navTemp_)) return error;
        return std::nullopt;
    }

    // A file in the private directory, removed on every path.
    std::string Scratch_File(const char* name) {
        std::string path = scratch_->file(name);
        scratchFiles_.add(path);
        return path;
    }

    std::optional<std::string> Write_Scratch(const char* name, const std::string& bytes,
                                             std::string& path) {
        path = Scratch_File(name);
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) return "cannot write " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }

    // Step 3: the navigation file, and the checks of its records.
    std::optional<std::string> Navigation_Step() {
        if (gWeekOverrideOn)
            return "cannot convert " + Ephemeris() +
                   ": an earlier conversion of this process switched the library's week "
                   "override on, which would date its records";
        std::string emptyLog(static_cast<size_t>(kZebHeaderSize), '\0');
        emptyLog[0] = static_cast<char>(kZebHeaderSize);
        std::string emptyLogPath;
        if (auto error = Write_Scratch("empty.zeb", emptyLog, emptyLogPath)) return error;
        ObsSettings obs;
        NavSettings nav;
        Fill_Settings(obs, nav, job_.texts, job_.types, emptyLogPath, Scratch_File("unused.o"),
                      job_.ephemeris, navTemp_, std::nullopt);
        std::string message;
        if (!Call_Library(obs, nav, message)) return message;

        std::optional<std::string> badRecord;
        const auto error = Read_Written_Nav(navTemp_, [&](int64_t index, const rinex2::GpsEphemeris& record,
                                                         const rinex2::RecordDamage& damage) {
            ++ephemerides_;
            if (badRecord) return;
            if (auto problem = Record_Problem(record, damage))
                badRecord = Ephemeris() + ": ephemeris " + std::to_string(index) +
                            " cannot be a GPS broadcast ephemeris: " + *problem;
        });
        if (error) return "cannot read back the navigation file " + *error;
        if (ephemerides_ == 0)
            return Check_Failed(Ephemeris() + " holds no ephemeris");
        if (badRecord)
            if (auto failed = Check_Failed(*badRecord)) return failed;
        if (!job_.gpsWeek && ephemerides_ < kEphemeridesForWeek)
            if (auto failed = Check_Failed(
                    Ephemeris() + " holds " + std::to_string(ephemerides_) +
                    " ephemerides: the epochs are dated by the week of the fourth; give "
                    "--gps-week"))
                return failed;
        return std::nullopt;
    }

    // Step 4: the observation file, and the checks of its epochs.
    std::optional<std::string> Observation_Step() {
        std::optional<int32_t> week = job_.gpsWeek;
        const double created = Creation_Seconds(log_.header);
        if (job_.noNav && !week) {
            week = Week_Closest_To(created, log_.firstTimeOfWeek.value_or(0.0));
            result_.warnings.push_back("GPS week " + std::to_string(*week) +
                                       " taken from the creation date of " + Log() + " (" +
                                       Gps_Time_Text(created) + "); --gps-week sets it");
        }
        std::string noEphemerisPath;
        if (auto error = Write_Scratch("none.eph", kNoEphemeris, noEphemerisPath)) return error;
        ObsSettings obs;
        NavSettings nav;
        Fill_Settings(obs, nav, job_.texts, job_.types, job_.log, obsTemp_, noEphemerisPath,
                      Scratch_File("unused.n"), week);
        gWeekOverrideOn = gWeekOverrideOn || week.has_value();
        if (!Call_Library(obs, nav, result_.message))
            return log_.refusal.empty() ? result_.message
                                        : result_.message + " (" + log_.refusal + ")";
        result_.epochs = Success_Epoch_Count(result_.message).value_or(0);

        if (log_.refusal.empty() && log_.completeEnd < log_.fileSize)
            result_.warnings.push_back(
                Log() + " ends inside a record: the " +
                std::to_string(log_.fileSize - log_.completeEnd) + " bytes from offset " +
                std::to_string(log_.completeEnd) + " on were not converted");
        if (result_.epochs == 0) return Log() + " holds no epoch";

        if (auto error = Read_Obs_Header(obsTemp_, facts_))
            return "cannot read back the observation file: " + *error;
        std::string missing;
        std::vector<std::string> typeWarnings;
        for (const std::string& type : Obs_Type_Names(job_.types)) {
            bool present = false;
            for (const std::string& written : facts_.types) present = present || written == type;
            if (present) continue;
            missing += (missing.empty() ? "" : ",") + type;
            typeWarnings.push_back("observation type " + type + " is not in " + Log());
        }
        if (facts_.types.empty())
            return "none of the requested observation types (" + missing + ") is in " + Log();
        result_.warnings.insert(result_.warnings.end(), typeWarnings.begin(), typeWarnings.end());

        const double first = Gps_Seconds(facts_.firstObs);
        const double last = Gps_Seconds(facts_.lastObs);
        if (std::fabs(first - created) > kMaxCreationDistance) {
            char days[32];
            std::snprintf(days, sizeof days, "%.1f", std::fabs(first - created) / kSecondsPerDay);
            if (auto failed = Check_Failed(
                    "the first epoch of " + Log() + " is dated " + Gps_Time_Text(first) + ", " +
                    days + " days from the log's creation (" + Gps_Time_Text(created) +
                    ")" + (job_.gpsWeek ? ": check --gps-week" : ": is " + Ephemeris() + " of the log's day?")))
                return failed;
        }
        if (!job_.noNav && ephemerides_ > 0)
            if (auto error = Check_Ephemeris_Times(first, last)) return error;
        return std::nullopt;
    }

    std::optional<std::string> Check_Ephemeris_Times(double first, double last) {
        bool near = false;
        const auto error = Read_Written_Nav(navTemp_, [&](int64_t, const rinex2::GpsEphemeris& record,
                                                         const rinex2::RecordDamage&) {
            near = near || Distance_Outside(Ephemeris_Time(record), first, last) <=
                               kMaxEphemerisDistance;
        });
        if (error) return "cannot read back the navigation file " + *error;
        if (near) return std::nullopt;
        return Check_Failed("no ephemeris of " + Ephemeris() + " lies within 6 hours of the epochs of " +
                            Log() + " (" + Gps_Time_Text(first) + " to " + Gps_Time_Text(last) + ")");
    }

    // Step 5: final names, then the renames.
    std::optional<std::string> Rename_Outputs() {
        std::string obsFinal, navFinal;
        if (!job_.obsOutput || (!job_.noNav && !job_.navOutput)) {
            const std::string station = Station_Designator(
                job_.texts.marker.empty() ? File_Stem(job_.log) : job_.texts.marker);
            const EpochTime& date = facts_.firstObs;
            const auto name = [&](char letter) {
                const std::string file = Rinex_File_Name(station, date.year, date.month, date.day, letter);
                return job_.outputDirectory == "." ? file : job_.outputDirectory + "/" + file;
            };
            if (Rinex_File_Name(station, date.year, date.month, date.day, 'o').empty())
                return "no valid date of the first epoch (" + std::to_string(date.year) + "-" +
                       std::to_string(date.month) + "-" + std::to_string(date.day) +
                       ") to name the files by";
            obsFinal = name('o');
            navFinal = name('n');
        }
        if (job_.obsOutput) obsFinal = *job_.obsOutput;
        if (job_.navOutput) navFinal = *job_.navOutput;
        if (job_.noNav) navFinal.clear();
        for (const std::string& final : {obsFinal, navFinal}) {
            if (final.empty()) continue;
            for (const std::string& input : {job_.log, job_.ephemeris})
                if (!input.empty() && Same_File(final, input))
                    return "'" + final + "' would replace the input file '" + input + "'";
        }
        if (!navFinal.empty() && Same_File(obsFinal, navFinal))
            return "both files would be named '" + obsFinal + "'";

        std::vector<StagedFile> obsFiles = {{obsTemp_, obsFinal, 0}};
        if (job_.products)
            if (auto error = Stage_Products(obsFinal, navFinal, obsFiles)) return error;

        for (const StagedFile& file : obsFiles)
            if (auto error = Replace_File(file.temporary, file.final))
                return "cannot rename " + file.temporary + " to " + file.final + ": " + *error;
        if (!navFinal.empty())
            if (auto error = Replace_File(navTemp_, navFinal))
                return "cannot rename " + navTemp_ + " to " + navFinal + ": " + *error;
        if (obsFiles.front().temporary != obsTemp_) std::remove(obsTemp_.c_str());
        temporaries_.release();

        result_.converted = true;
        obsFinal = obsFiles.front().final;
        result_.obsFile = obsFinal;
        for (const StagedFile& file : obsFiles) {
            result_.obsFiles.push_back(file.final);
            result_.productEpochs.push_back(file.epochs);
        }
        result_.navFile = navFinal;
        // The library named the observation file by its temporary name.
        const std::string temporaryName = File_Part(obsTemp_);
        std::string& message = result_.message;
        if (message.size() >= temporaryName.size() &&
            message.compare(message.size() - temporaryName.size(), temporaryName.size(),
                            temporaryName) == 0)
            message.replace(message.size() - temporaryName.size(), temporaryName.size(),
                            File_Part(obsFinal));
        return std::nullopt;
    }

    // The product options on the complete observation file: its products
    // replace it in obsFiles, and with --gzip the navigation file is staged
    // compressed under its new name.
    std::optional<std::string> Stage_Products(const std::string& obsFinal, std::string& navFinal,
                                              std::vector<StagedFile>& obsFiles) {
        const Create_Temporary create = [&](const std::string& directory) {
            auto path = Create_Unique_File(directory, kTempPrefix, ".o");
            if (path) temporaries_.add(*path);
            return path;
        };
        std::vector<StagedFile> products;
        if (auto error = cli::Stage_Products(*job_.products, obsTemp_, obsFinal, job_.log, create,
                                             products, result_.usageError))
            return error;
        for (const StagedFile& file : products)
            for (const std::string& input : {job_.log, job_.ephemeris})
                if (!input.empty() && Same_File(file.final, input))
                    return "'" + file.final + "' would replace the input file '" + input + "'";
        obsFiles = std::move(products);
        if (job_.products->gzip && !navFinal.empty()) {
            const auto packed = create(Directory_Of(navFinal));
            if (!packed) return "cannot write in directory '" + Directory_Of(navFinal) + "'";
            if (auto error = Gzip_Copy(navTemp_, *packed)) return error;
            std::remove(navTemp_.c_str());
            navTemp_ = *packed;
            navFinal = With_Gzip_Suffix(navFinal, true);
        }
        return std::nullopt;
    }

    const ConvertJob& job_;
    ConvertResult result_;
    ZebLogExtent log_;
    ObsHeaderFacts facts_;
    FilesToRemove temporaries_;
    std::optional<TempDirectory> scratch_;
    FilesToRemove scratchFiles_;  // emptied before scratch_ is removed
    std::string obsTemp_, navTemp_;
    int64_t ephemerides_ = 0;
};

}  // namespace

ConvertResult Convert_Log(const ConvertJob& job) { return Conversion(job).Run(); }

}  // namespace zer2ivi::cli
