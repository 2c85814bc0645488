// What the benchmark programs share: their children, their files, medians,
// and the conversion of a log through the public exports.  Each program
// defines Die (its own name in front of the message).
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::bench {

[[noreturn]] void Die(const std::string& what);

inline constexpr uint32_t kAllTypes = OBS_C1 | OBS_L1 | OBS_L2 | OBS_D1 | OBS_P2;

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

inline long long File_Size(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return -1;
    return static_cast<long long>(info.st_size);
}

// The directory of the running program (the other benchmark programs sit
// beside it).
inline std::string Self_Directory() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string text(path);
    const size_t slash = text.rfind('/');
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

// Runs a program and waits for it; its exit status, and its resource use.
inline int Run_Child(const std::vector<std::string>& args, rusage* usage, bool quiet = false) {
    const pid_t pid = fork();
    if (pid < 0) Die("fork failed");
    if (pid == 0) {
        if (quiet) {
            const int devnull = open("/dev/null", O_WRONLY);
            if (devnull >= 0) {
                dup2(devnull, STDOUT_FILENO);
                dup2(devnull, STDERR_FILENO);
            }
        }
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage local{};
    if (wait4(pid, &status, 0, usage != nullptr ? usage : &local) < 0) Die("wait4 failed");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

template <size_t N>
void Copy_Text(char (&field)[N], const std::string& text) {
    std::snprintf(field, N, "%s", text.c_str());
}

// One Zeb_To_Rinex call with the benchmark's settings (all five types, the
// week 2190); the library's message into *message.
inline bool Convert(const std::string& zeb, const std::string& obs, const std::string& ephemerides,
                    const std::string& nav, std::string* message) {
    ObsSettings obsSettings{};
    NavSettings navSettings{};
    obsSettings.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    Copy_Text(obsSettings.zebFileName, zeb);
    Copy_Text(obsSettings.rinexObsFileName, obs);
    Copy_Text(obsSettings.runBy, "z2i_bench");
    Copy_Text(obsSettings.markerName, "BENCH");
    Copy_Text(obsSettings.observer, "bench");
    Copy_Text(obsSettings.agency, "zer2ivi");
    obsSettings.antennaHeight = 1.5;
    obsSettings.obsTypeMask = kAllTypes;
    obsSettings.gpsWeek = 2190;
    obsSettings.useGpsWeek = 1;
    navSettings.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    Copy_Text(navSettings.ephemerisFileName, ephemerides);
    Copy_Text(navSettings.rinexNavFileName, nav);
    Copy_Text(navSettings.runBy, "z2i_bench");
    const int32_t result = Zeb_To_Rinex(&obsSettings, &navSettings);
    if (message != nullptr) {
        char text[ZER2IVI_MESSAGE_SIZE];
        Get_Error_Str(text);
        *message = text;
    }
    return result == 0;
}

inline void Convert_Or_Die(const std::string& zeb, const std::string& obs,
                           const std::string& ephemerides, const std::string& nav) {
    std::string message;
    if (!Convert(zeb, obs, ephemerides, nav, &message)) Die("conversion failed: " + message);
}

}  // namespace zer2ivi::bench
