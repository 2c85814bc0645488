// Runs the two exports over a fixed set of inputs and keeps everything they
// produce, so that two builds of the library can be compared byte for byte:
//
//   export_snapshot WORKDIR SOURCE_DIR
//
// WORKDIR receives the inputs (copied under short names, since the messages
// name them), and for every call RUN.o, RUN.n and RUN.msg (the result, the
// message and whatever the library printed on standard output).  The
// header dates come from a fixed clock.  The inputs are the real logs and
// ephemeris files, the examples, the seed corpora of the readers, cuts of
// the real logs, and the seed corpus of the whole call, in five week modes:
// no override, override, a call after an override (the week state stays on
// for the process), a week before 1970, and useGpsWeek 2.  Prints the number of calls.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/library_state.h"
#include "rinex_text/rinex_text.h"
#include "zer2ivi/zer2ivi.h"

namespace fs = std::filesystem;

namespace {

std::tm Fixed_Clock() {
    std::tm time{};
    time.tm_year = 126;
    time.tm_mon = 11;
    time.tm_mday = 7;
    time.tm_hour = 19;
    time.tm_min = 20;
    time.tm_sec = 5;
    return time;
}

std::string Read_All(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write_All(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <size_t N>
void Set_Text(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

struct Settings {
    ObsSettings obs;
    NavSettings nav;
};

Settings Plain_Settings(const std::string& zeb, const std::string& eph) {
    Settings s;
    std::memset(&s, 0, sizeof s);
    s.obs.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    s.nav.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    Set_Text(s.obs.zebFileName, zeb);
    Set_Text(s.nav.ephemerisFileName, eph);
    Set_Text(s.obs.runBy, "snapshot");
    Set_Text(s.nav.runBy, "snapshot");
    Set_Text(s.obs.markerName, "MARK");
    Set_Text(s.obs.observer, "OBSERVER");
    Set_Text(s.obs.agency, "AGENCY");
    s.obs.antennaHeight = 1.2345;
    s.obs.obsTypeMask = 0x1f;
    return s;
}

// The seed format of the whole-call harness: flags, mask, week, antenna
// height, five length-prefixed texts, the ephemeris file, then the log.
struct FuzzReader {
    const std::string& data;
    size_t position = 0;
    uint8_t byte() { return position < data.size() ? static_cast<uint8_t>(data[position++]) : 0; }
    uint32_t u32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= uint32_t{byte()} << (8 * i);
        return value;
    }
    std::string take(size_t count) {
        const size_t left = data.size() - position;
        const size_t taken = count < left ? count : left;
        std::string bytes = data.substr(position, taken);
        position += taken;
        return bytes;
    }
    template <size_t N>
    void text(char (&field)[N]) {
        const size_t length = byte() % (N + 1);
        const std::string bytes = take(length);
        std::memset(field, 0, N);
        std::memcpy(field, bytes.data(), bytes.size());
        if (length == N)
            for (size_t i = 0; i < N; ++i)
                if (field[i] == '\0') field[i] = 'x';
    }
};

Settings Fuzz_Settings(const std::string& seed, const std::string& zeb, const std::string& eph) {
    Settings s;
    std::memset(&s, 0, sizeof s);
    FuzzReader in{seed};
    const uint8_t flags = in.byte();
    const bool wrongSizes = (flags & 0x80) != 0;
    s.obs.structSize = (wrongSizes && (flags & 1)) ? 1175 : ZER2IVI_OBS_SETTINGS_SIZE;
    s.nav.structSize = (wrongSizes && (flags & 2)) ? 645 : ZER2IVI_NAV_SETTINGS_SIZE;
    static constexpr int32_t kUseGpsWeek[4] = {0, 1, 2, -1};
    s.obs.useGpsWeek = kUseGpsWeek[(flags >> 2) & 3];
    s.obs.obsTypeMask = in.u32();
    s.obs.gpsWeek = static_cast<int32_t>(in.u32());
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= uint64_t{in.byte()} << (8 * i);
    std::memcpy(&s.obs.antennaHeight, &bits, sizeof bits);
    in.text(s.obs.runBy);
    in.text(s.obs.markerName);
    in.text(s.obs.observer);
    in.text(s.obs.agency);
    in.text(s.nav.runBy);
    size_t ephemerisSize = in.byte();
    ephemerisSize |= size_t{in.byte()} << 8;
    Write_All(eph, in.take(ephemerisSize));
    Write_All(zeb, in.take(seed.size()));
    Set_Text(s.obs.zebFileName, zeb);
    Set_Text(s.nav.ephemerisFileName, eph);
    return s;
}

int gRuns = 0;

// One call under the name RUN: its files, its message, its printed text.
void Run(Settings s, const std::string& run) {
    Set_Text(s.obs.rinexObsFileName, run + ".o");
    Set_Text(s.nav.rinexNavFileName, run + ".n");
    std::fflush(stdout);
    if (std::freopen((run + ".msg").c_str(), "w", stdout) == nullptr) return;
    const int32_t result = Zeb_To_Rinex(&s.obs, &s.nav);
    char message[ZER2IVI_MESSAGE_SIZE];
    Get_Error_Str(message);
    std::printf("\nresult %d\nmessage %s\n", static_cast<int>(result), message);
    std::fflush(stdout);
    ++gRuns;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: export_snapshot WORKDIR SOURCE_DIR\n");
        return 2;
    }
    const fs::path work = fs::absolute(argv[1]);
    const fs::path source = fs::absolute(argv[2]);
    fs::create_directories(work);
    fs::current_path(work);

    std::vector<fs::path> logs = {source / "examples/bahr1620.zeb",
                                  source / "tests/data/real/07590920.zeb",
                                  source / "tests/data/real/bahr1620.zeb"};
    std::vector<fs::path> ephemerides = {source / "examples/bahr1620.tagged.eph",
                                         source / "examples/bahr1620.plain.eph",
                                         source / "tests/data/real/07590920.tagged.eph",
                                         source / "tests/data/real/07590920.plain.eph"};
    for (const char* corpus : {"fuzz/corpus/fuzz_observations", "fuzz/corpus/fuzz_plain",
                               "fuzz/corpus/fuzz_tagged"}) {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(source / corpus))
            if (entry.path().filename().string()[0] != '.') files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        auto& into = std::strstr(corpus, "observations") != nullptr ? logs : ephemerides;
        into.insert(into.end(), files.begin(), files.end());
    }

    // The inputs under short names: the logs, cuts of the two real logs
    // (inside the header, inside a position record, inside a measurement
    // block, one byte short), an empty file and a missing one.
    std::vector<std::string> logNames, ephemerisNames;
    for (size_t i = 0; i < logs.size(); ++i) {
        logNames.push_back("log" + std::to_string(i) + ".zeb");
        Write_All(logNames.back(), Read_All(logs[i]));
    }
    for (size_t i = 1; i < 3; ++i) {
        const std::string whole = Read_All(logs[i]);
        for (size_t cut : {size_t{100}, size_t{202 + 30}, whole.size() / 2, whole.size() - 1}) {
            logNames.push_back("cut" + std::to_string(i) + "_" + std::to_string(cut) + ".zeb");
            Write_All(logNames.back(), whole.substr(0, cut));
        }
    }
    logNames.push_back("empty.zeb");
    Write_All("empty.zeb", "");
    logNames.push_back("missing.zeb");
    for (size_t i = 0; i < ephemerides.size(); ++i) {
        ephemerisNames.push_back("eph" + std::to_string(i) + ".eph");
        Write_All(ephemerisNames.back(), Read_All(ephemerides[i]));
    }
    ephemerisNames.push_back("empty.eph");
    Write_All("empty.eph", "");
    ephemerisNames.push_back("missing.eph");

    zer2ivi::Set_Utc_Clock(Fixed_Clock);
    for (size_t z = 0; z < logNames.size(); ++z) {
        for (size_t e = 0; e < ephemerisNames.size(); ++e) {
            const std::string base = "z" + std::to_string(z) + "e" + std::to_string(e);
            const Settings plain = Plain_Settings(logNames[z], ephemerisNames[e]);
            zer2ivi::Reset_Library_State();
            zer2ivi::Set_Utc_Clock(Fixed_Clock);
            Run(plain, base + "_plain");

            Settings week = plain;
            week.obs.useGpsWeek = 1;
            week.obs.gpsWeek = 1620;
            zer2ivi::Reset_Library_State();
            zer2ivi::Set_Utc_Clock(Fixed_Clock);
            Run(week, base + "_week");
            // The override stays on for the rest of the process.
            Run(plain, base + "_after");

            // Weeks far before 1970: the time code's message on standard
            // output.
            Settings early = plain;
            early.obs.useGpsWeek = 1;
            early.obs.gpsWeek = -5000;
            zer2ivi::Reset_Library_State();
            zer2ivi::Set_Utc_Clock(Fixed_Clock);
            Run(early, base + "_early");

            Settings two = plain;
            two.obs.useGpsWeek = 2;
            two.obs.gpsWeek = 99;
            zer2ivi::Reset_Library_State();
            zer2ivi::Set_Utc_Clock(Fixed_Clock);
            Run(two, base + "_two");
        }
    }

    std::vector<fs::path> seeds;
    for (const auto& entry : fs::directory_iterator(source / "fuzz/corpus/fuzz_zeb_to_rinex"))
        seeds.push_back(entry.path());
    std::sort(seeds.begin(), seeds.end());
    for (size_t i = 0; i < seeds.size(); ++i) {
        const std::string name = "seed" + std::to_string(i);
        zer2ivi::Reset_Library_State();
        zer2ivi::Set_Utc_Clock(Fixed_Clock);
        Run(Fuzz_Settings(Read_All(seeds[i]), name + ".zeb", name + ".eph"), name);
    }
    std::fflush(stdout);
    std::FILE* terminal = std::fopen("runs.txt", "w");
    if (terminal == nullptr) return 1;
    std::fprintf(terminal, "%d\n", gRuns);
    std::fclose(terminal);
    return 0;
}
