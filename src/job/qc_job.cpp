#include "job/qc_job.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "job/conversion_job.h"
#include "job/temp_files.h"
#include "qc/broadcast_orbit.h"
#include "rinex/file_kind.h"

namespace zer2ivi::job {
namespace {

constexpr const char* kStandardInput = "-";

class QcRun {
public:
    explicit QcRun(const QcJob& job) : job_(job) {}

    QcJobResult Run() {
        if (auto error = Steps()) {
            result_.checked = false;
            result_.error = *error;
        }
        return std::move(result_);
    }

private:
    std::optional<std::string> Usage(std::string text) {
        result_.usageError = true;
        return text;
    }

    std::optional<std::string> Work_Directory() {
        if (work_) return std::nullopt;
        auto made = TempDirectory::Create();
        if (!made) return std::string("cannot create a temporary directory: ") + std::strerror(errno);
        work_.emplace(std::move(*made));
        return std::nullopt;
    }

    // Standard input staged in a file: the check may read it twice.
    std::optional<std::string> Stage_Standard_Input() {
        if (auto error = Work_Directory()) return error;
        observation_ = work_->file("stdin.o");
        scratch_.add(observation_);
        std::FILE* file = std::fopen(observation_.c_str(), "wb");
        if (file == nullptr) return "cannot stage standard input: " + std::string(std::strerror(errno));
        char buffer[1 << 16];
        size_t read = 0;
        bool written = true;
        while (written && (read = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
            written = std::fwrite(buffer, 1, read, file) == read;
        const bool complete = written && std::ferror(stdin) == 0;
        if (std::fclose(file) != 0 || !complete) return std::string("cannot stage standard input");
        return std::nullopt;
    }

    std::optional<std::string> Steps() {
        const bool fromStdin = job_.input == kStandardInput;
        observation_ = job_.input;
        if (fromStdin) {
            if (auto error = Stage_Standard_Input()) return error;
        } else if (auto error = Check_Input_File("INPUT", job_.input)) {
            return error;
        }
        if (job_.nav)
            if (auto error = Check_Input_File("NAV", *job_.nav)) return error;

        const bool binaryLog = !fromStdin && Is_Binary_Log(job_.input);
        const bool navIsRinex = job_.nav && rinex::Is_Rinex_File(*job_.nav);
        if (binaryLog && !job_.nav) return Usage("a binary observation file needs --nav with its ephemeris file");
        if (binaryLog && navIsRinex)
            return Usage("a binary observation file needs its ephemeris file (tagged or plain form) as --nav, "
                         "not a RINEX navigation file");
        if (!binaryLog && !rinex::Is_Rinex_File(observation_))
            return "INPUT '" + job_.input + "' is neither a RINEX file nor a binary observation file";

        std::optional<std::string> navigation;
        if (job_.nav && navIsRinex) navigation = *job_.nav;
        if (job_.nav && !navIsRinex) {
            if (auto error = Work_Directory()) return error;
            navigation = work_->file("converted.n");
            if (binaryLog) {
                if (auto error = Convert_Binary_Log(*navigation)) return error;
            } else {
                scratch_.add(*navigation);
                if (auto error = Convert_Ephemeris_File("NAV", *job_.nav, *navigation, result_.warnings))
                    return error;
            }
        }
        return Check(navigation);
    }

    // The whole conversion with every check convert makes.
    std::optional<std::string> Convert_Binary_Log(const std::string& navigation) {
        ConvertJob convert;
        convert.log = job_.input;
        convert.ephemeris = *job_.nav;
        convert.obsOutput = work_->file("converted.o");
        convert.navOutput = navigation;
        for (const std::string& file : {*convert.obsOutput, *convert.navOutput}) scratch_.add(file);
        const ConvertResult converted = Convert_Log(convert);
        result_.warnings.insert(result_.warnings.end(), converted.warnings.begin(), converted.warnings.end());
        if (!converted.converted) return converted.error;
        observation_ = *convert.obsOutput;
        return std::nullopt;
    }

    std::optional<std::string> Check(const std::optional<std::string>& navigation) {
        qc::EphemerisStore store;
        if (navigation) {
            std::string error;
            if (!store.Load(*navigation, error)) return error;
            if (store.Size() == 0) return "NAV '" + *job_.nav + "' holds no GPS ephemeris";
        }
        qc::QcRunOptions options;
        options.observationPath = observation_;
        options.inputName = job_.input == kStandardInput ? std::string("standard input") : job_.input;
        options.ephemerides = navigation ? &store : nullptr;
        options.position = job_.position;
        options.maskDegrees = job_.maskDegrees;
        options.maskGiven = job_.maskGiven;
        options.force = job_.force;
        std::string error;
        if (!qc::Run_Quality_Check(options, result_.report, error)) return error;
        result_.checked = true;
        return std::nullopt;
    }

    const QcJob& job_;
    QcJobResult result_;
    // The scratch files go before the directory that holds them.
    std::optional<TempDirectory> work_;
    FilesToRemove scratch_;
    std::string observation_;
};

}  // namespace

QcJobResult Run_Qc_Job(const QcJob& job) { return QcRun(job).Run(); }

}  // namespace zer2ivi::job
