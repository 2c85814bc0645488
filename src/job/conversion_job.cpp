// How one conversion runs:
//
//   1. the inputs are opened and the log's records are walked;
//   2. both destinations get a temporary file in their directories, so an
//      unwritable destination stops the run before anything is converted;
//   3. the navigation file is converted and read back for the checks of its
//      records; the week of its fourth ephemeris dates the epochs unless a
//      week is given;
//   4. the observation file is converted with that week as an option of the
//      call (the library's process state is not touched), and the dates and
//      types are checked from the call's result;
//   5. the post-processing step and the products run on the complete
//      files, then every file is renamed.
#include "job/conversion_job.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gpstime/gpstime.h"
#include "job/conversion_checks.h"
#include "job/temp_files.h"
#include "job/user_values.h"
#include "rinex/file_kind.h"
#include "rinex_names/rinex_names.h"
#include "rinex_nav/rinex_nav.h"
#include "zebfile/zebfile.h"

namespace zer2ivi::job {
namespace {

constexpr const char* kTempPrefix = ".zer2ivi-";
constexpr size_t kPathField = sizeof(ObsSettings::zebFileName);

std::string Quoted(const std::string& role, const std::string& path) {
    return role + " '" + path + "'";
}

// Why a walked file is no log; nothing when it is one.  A RINEX file is
// named as such.
std::optional<std::string> Walk_Problem(const std::string& path, ZebWalkResult walked, const ZebLogExtent& extent) {
    if (walked == ZebWalkResult::TooShort || walked == ZebWalkResult::NotALog) {
        const rinex::FileKindOf kind = rinex::Kind_Of_File(path);
        if (kind.kind == rinex::FileKind::kRinexOther) return kind.words + std::string(rinex::kWordsNotObservations);
        if (kind.kind != rinex::FileKind::kOther) return kind.words + std::string(rinex::kWordsNotALog);
    }
    switch (walked) {
        case ZebWalkResult::Walked: return std::nullopt;
        case ZebWalkResult::Unreadable: return std::string(std::strerror(errno));
        case ZebWalkResult::TooShort:
            return "not a binary observation log: " + std::to_string(extent.fileSize) +
                   " bytes, shorter than its 202-byte header";
        case ZebWalkResult::NotALog:
            return "not a binary observation log: header size word " +
                   std::to_string(extent.header.headerSize) + " instead of 202";
    }
    return std::nullopt;
}

// The calendar day of a GPS time as the time code dates it in the file.
CalendarDay Day_Of(const api::GpsTime& time) {
    int32_t hour = 0, minute = 0, month = 0, day = 0, year = 0;
    double second = 0.0;
    Gps_To_Calendar(time.week, time.secondsOfWeek, hour, minute, second, month, day, year);
    return {year, month, day};
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
        if (auto error = Check_Input_File("OBSFILE", job_.log)) return error;
        if (!job_.noNav)
            if (auto error = Check_Input_File("EPHEMERISFILE", job_.ephemeris)) return error;
        if (auto error = Walk_Problem(job_.log, Zeb_Walk_Log(job_.log.c_str(), walk_), walk_))
            return Log() + ": " + *error;
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

    // Step 3: the navigation file, and the checks of its records.
    std::optional<std::string> Navigation_Step() {
        const api::NavigationResult navigation =
            api::Convert_Navigation({job_.ephemeris, navTemp_, job_.texts.runBy});
        if (navigation.error) return navigation.error.message;
        datingWeek_ = navigation.datingWeek;

        const NavigationRecords read = Check_Navigation_Records(navTemp_, "EPHEMERISFILE", job_.ephemeris);
        if (read.error) return read.error;
        ephemerides_ = read.ephemerides;
        const std::optional<std::string>& badRecord = read.badRecord;
        if (ephemerides_ == 0) return Check_Failed(Ephemeris() + " holds no ephemeris");
        if (badRecord)
            if (auto failed = Check_Failed(*badRecord)) return failed;
        if (!job_.gpsWeek && ephemerides_ < kEphemeridesForWeek)
            if (auto failed = Check_Failed(
                    Ephemeris() + " holds " + std::to_string(ephemerides_) +
                    " ephemerides: the epochs are dated by the week of the fourth; give "
                    "--gps-week"))
                return failed;
        for (const std::string& warning : navigation.warnings)
            result_.warnings.push_back(Ephemeris() + ": " + warning);
        return std::nullopt;
    }

    // The week of the first epoch: given, else the navigation file's, else
    // (no navigation file) the one nearest the log's creation.
    std::optional<int32_t> Dating_Week(double created) {
        if (job_.gpsWeek) return job_.gpsWeek;
        if (!job_.noNav) return datingWeek_.value_or(0);
        const int32_t week =
            Week_Closest_To(created, walk_.hasFirstTimeOfWeek ? walk_.firstTimeOfWeek : 0.0);
        result_.warnings.push_back("GPS week " + std::to_string(week) +
                                   " taken from the creation date of " + Log() + " (" +
                                   Gps_Time_Text(created) + "); --gps-week sets it");
        return week;
    }

    // Step 4: the observation file, and the checks of its epochs.
    std::optional<std::string> Observation_Step() {
        const double created = Creation_Seconds(walk_.header);
        api::ObservationRequest request;
        request.log = job_.log;
        request.output = obsTemp_;
        request.types = job_.types;
        request.texts = job_.texts;
        request.gpsWeek = Dating_Week(created);
        request.keepEpochsBeforeCut = job_.keepEpochsBeforeCut;
        result_.observations = api::Convert_Observations(request);
        const api::ObservationResult& observations = result_.observations;
        if (observations.error) {
            const std::string reason = observations.extent.notConvertedReason;
            return reason.empty() ? observations.error.message
                                  : observations.error.message + " (" + reason + ")";
        }
        result_.epochs = observations.epochsWritten;
        const api::LogExtent& extent = observations.extent;
        if (extent.bytesConverted < extent.fileSize)
            result_.warnings.push_back(
                Log() + " is cut short: bytes " + std::to_string(extent.bytesConverted) + " to " +
                std::to_string(extent.fileSize) + " (" +
                std::to_string(extent.fileSize - extent.bytesConverted) +
                " bytes) were not converted (" + extent.notConvertedReason + ")");
        if (result_.epochs == 0) return Log() + " holds no epoch";

        std::string missing;
        std::vector<std::string> typeWarnings;
        for (const ObsTypeName& type : kObsTypeNames) {
            if ((job_.types & type.bit) == 0 || (observations.typesWritten & type.bit) != 0)
                continue;
            missing += (missing.empty() ? "" : ",") + std::string(type.name);
            typeWarnings.push_back("observation type " + std::string(type.name) + " is not in " +
                                   Log());
        }
        if (observations.typesWritten == 0)
            return "none of the requested observation types (" + missing + ") is in " + Log();
        if (job_.typesNamed)
            result_.warnings.insert(result_.warnings.end(), typeWarnings.begin(),
                                    typeWarnings.end());

        const double first = observations.first.gpsSeconds();
        const double last = observations.last.gpsSeconds();
        if (std::fabs(first - created) > kMaxCreationDistance) {
            char days[32];
            std::snprintf(days, sizeof days, "%.1f", std::fabs(first - created) / kSecondsPerDay);
            if (auto failed = Check_Failed(
                    "the first epoch of " + Log() + " is dated " + Gps_Time_Text(first) + ", " +
                    days + " days from the log's creation (" + Gps_Time_Text(created) + ")" +
                    (job_.gpsWeek ? ": check --gps-week"
                                  : ": is " + Ephemeris() + " of the log's day?")))
                return failed;
        }
        if (!job_.noNav && ephemerides_ > 0)
            if (auto error = Check_Ephemeris_Times(first, last)) return error;
        return std::nullopt;
    }

    std::optional<std::string> Check_Ephemeris_Times(double first, double last) {
        bool near = false;
        const auto error = Read_Written_Nav(navTemp_, [&](int64_t, const rinex::GpsEphemeris& record,
                                                         const rinex::RecordDamage&) {
            near = near || Distance_Outside(Ephemeris_Time(record), first, last) <=
                               kMaxEphemerisDistance;
        });
        if (error) return "cannot read back the navigation file " + *error;
        if (near) return std::nullopt;
        return Check_Failed("no ephemeris of " + Ephemeris() + " lies within 6 hours of the epochs of " +
                            Log() + " (" + Gps_Time_Text(first) + " to " + Gps_Time_Text(last) + ")");
    }

    std::optional<std::string> Replaces_An_Input(const std::string& final) const {
        for (const std::string& input : {job_.log, job_.ephemeris})
            if (!input.empty() && Same_File(final, input))
                return "'" + final + "' would replace the input file '" + input + "'";
        return std::nullopt;
    }

    // Step 5: final names, products, then the renames.
    std::optional<std::string> Rename_Outputs() {
        std::string obsFinal, navFinal;
        if (!job_.obsOutput || (!job_.noNav && !job_.navOutput)) {
            const CalendarDay date = Day_Of(result_.observations.first);
            const auto name = [&](char letter) {
                const std::string file = job_.names ? job_.names(job_.texts.marker, job_.log, date.year,
                                                                 date.month, date.day, letter)
                                                    : std::string();
                if (file.empty()) return file;
                return job_.outputDirectory == "." ? file : job_.outputDirectory + "/" + file;
            };
            obsFinal = name('o');
            navFinal = name('n');
            if (obsFinal.empty())
                return "no valid date of the first epoch (" + std::to_string(date.year) + "-" +
                       std::to_string(date.month) + "-" + std::to_string(date.day) +
                       ") to name the files by";
        }
        if (job_.obsOutput) obsFinal = *job_.obsOutput;
        if (job_.navOutput) navFinal = *job_.navOutput;
        if (job_.noNav) navFinal.clear();
        for (const std::string& final : {obsFinal, navFinal})
            if (!final.empty())
                if (auto error = Replaces_An_Input(final)) return error;
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
        result_.obsFile = obsFiles.front().final;
        for (const StagedFile& file : obsFiles) {
            result_.obsFiles.push_back(file.final);
            result_.productEpochs.push_back(file.epochs);
        }
        result_.navFile = navFinal;
        return std::nullopt;
    }

    // The products of the complete observation file replace it in
    // obsFiles; with gzip the navigation file is staged compressed under
    // its new name.
    std::optional<std::string> Stage_Products(const std::string& obsFinal, std::string& navFinal,
                                              std::vector<StagedFile>& obsFiles) {
        const ProductStep& step = *job_.products;
        const CreateTemporary create = [&](const std::string& directory) {
            auto path = Create_Unique_File(directory, kTempPrefix, ".o");
            if (path) temporaries_.add(*path);
            return path;
        };
        std::vector<StagedFile> products;
        if (auto error = step.stage(obsTemp_, obsFinal, job_.log, create, products,
                                    result_.usageError, result_.warnings))
            return error;
        for (const StagedFile& file : products)
            if (auto error = Replaces_An_Input(file.final)) return error;
        obsFiles = std::move(products);
        if (step.navigation3 && !navFinal.empty()) {
            {
                Nav3Options options;
                options.runBy = job_.texts.runBy.c_str();
                const Nav3Result written =
                    Ephemeris_To_Nav3(job_.ephemeris.c_str(), navTemp_.c_str(), options);
                if (written.status != 0) return written.message;
                if (!written.message.empty()) result_.warnings.push_back(written.message);
            }
            if (!job_.navOutput && !obsFiles.empty())
                if (auto name = names::Navigation_Long_Name(File_Part(obsFiles.front().final)))
                    navFinal = Directory_Of(navFinal) == "."
                                   ? *name
                                   : Directory_Of(navFinal) + "/" + *name;
        }
        if (step.gzip && !navFinal.empty()) {
            const auto packed = create(Directory_Of(navFinal));
            if (!packed) return "cannot write in directory '" + Directory_Of(navFinal) + "'";
            if (auto error = step.gzip(navTemp_, *packed)) return error;
            std::remove(navTemp_.c_str());
            navTemp_ = *packed;
            navFinal = step.gzipName(navFinal);
        }
        return std::nullopt;
    }

    const ConvertJob& job_;
    ConvertResult result_;
    ZebLogExtent walk_;
    FilesToRemove temporaries_;
    std::string obsTemp_, navTemp_;
    std::optional<int32_t> datingWeek_;
    int64_t ephemerides_ = 0;
};

}  // namespace

std::optional<std::string> Check_Input_File(const std::string& role, const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return Quoted(role, path) + ": " + (errno == ENOENT ? std::string(rinex::kWordsMissing) : std::strerror(errno));
    if (S_ISDIR(status.st_mode)) return Quoted(role, path) + ": " + std::string(rinex::kWordsDirectory);
    if (S_ISREG(status.st_mode) && status.st_size == 0) return Quoted(role, path) + ": " + std::string(rinex::kWordsEmpty);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Quoted(role, path) + ": " + std::strerror(errno);
    std::fclose(file);
    if (path.size() >= kPathField)
        return Quoted(role, path) + ": path longer than " + std::to_string(kPathField - 1) +
               " characters";
    return std::nullopt;
}

std::string Ephemeris_Beside(const std::string& log, const std::string& suffix) {
    const size_t slash = log.find_last_of("/\\");
    const size_t dot = log.find_last_of('.');
    const size_t stemEnd = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                               ? dot
                               : log.size();
    return log.substr(0, stemEnd) + suffix;
}

NavigationRecords Check_Navigation_Records(const std::string& navPath, const std::string& role,
                                           const std::string& ephemeris) {
    NavigationRecords read;
    const auto error = Read_Written_Nav(navPath, [&](int64_t index, const rinex::GpsEphemeris& record,
                                                    const rinex::RecordDamage& damage) {
        ++read.ephemerides;
        if (read.badRecord) return;
        if (auto problem = Record_Problem(record, damage))
            read.badRecord = Quoted(role, ephemeris) + ": ephemeris " + std::to_string(index) +
                             " cannot be a GPS broadcast ephemeris: " + *problem;
    });
    if (error) read.error = "cannot read back the navigation file " + *error;
    return read;
}

std::optional<std::string> Convert_Ephemeris_File(const std::string& role, const std::string& ephemeris,
                                                  const std::string& output, std::vector<std::string>& warnings) {
    if (auto error = Check_Input_File(role, ephemeris)) return error;
    const api::NavigationResult navigation = api::Convert_Navigation({ephemeris, output, std::string()});
    if (navigation.error) return navigation.error.message;
    const NavigationRecords read = Check_Navigation_Records(output, role, ephemeris);
    if (read.error) return read.error;
    if (read.ephemerides == 0) return Quoted(role, ephemeris) + " holds no ephemeris";
    if (read.badRecord) return read.badRecord;
    for (const std::string& warning : navigation.warnings)
        warnings.push_back(Quoted(role, ephemeris) + ": " + warning);
    return std::nullopt;
}

ConvertResult Convert_Log(const ConvertJob& job) { return Conversion(job).Run(); }

LogFacts Inspect_Log(const std::string& log, std::optional<int32_t> gpsWeek) {
    LogFacts facts;
    if (auto error = Check_Input_File("OBSFILE", log)) {
        facts.error = *error;
        return facts;
    }
    ZebLogExtent walk;
    if (auto error = Walk_Problem(log, Zeb_Walk_Log(log.c_str(), walk), walk)) {
        facts.error = Quoted("OBSFILE", log) + ": " + *error;
        return facts;
    }
    auto directory = TempDirectory::Create();
    if (!directory) {
        facts.error = std::string("cannot create a temporary directory: ") + std::strerror(errno);
        return facts;
    }
    FilesToRemove scratch;
    const std::string output = directory->file("inspect.o");
    scratch.add(output);
    api::ObservationRequest request;
    request.log = log;
    request.output = output;
    request.gpsWeek = gpsWeek;
    request.keepEpochsBeforeCut = true;
    facts.observations = api::Convert_Observations(request);
    if (facts.observations.error) {
        const std::string reason = facts.observations.extent.notConvertedReason;
        facts.error = Quoted("OBSFILE", log) + ": " + facts.observations.error.message +
                      (reason.empty() ? "" : " (" + reason + ")");
    }
    return facts;
}

bool Is_Binary_Log(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    unsigned char bytes[kZebHeaderSize];
    const bool whole = std::fread(bytes, 1, sizeof bytes, file) == sizeof bytes;
    std::fclose(file);
    if (!whole) return false;
    ZebHeader header{};
    Decode_Zeb_Header(bytes, header);
    return header.headerSize == kZebHeaderSize;
}

std::optional<CalendarDay> First_Epoch_Day(const std::string& log, std::optional<int32_t> gpsWeek) {
    ZebLogExtent walk;
    if (Zeb_Walk_Log(log.c_str(), walk) != ZebWalkResult::Walked || !walk.hasFirstTimeOfWeek)
        return std::nullopt;
    const int32_t week = gpsWeek ? *gpsWeek
                                 : Week_Closest_To(Creation_Seconds(walk.header), walk.firstTimeOfWeek);
    return Day_Of({week, walk.firstTimeOfWeek});
}

}  // namespace zer2ivi::job
