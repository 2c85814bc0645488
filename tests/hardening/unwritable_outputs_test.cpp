// Output paths that cannot be written: in a missing directory, in a
// read-only directory, below a regular file, and /dev/full, for the
// navigation and the observation file.  Each gives its conversion's
// message and result, and leaves no descriptor open.
#include <sys/stat.h>

#include <fstream>

#include "hardening/hardening_support.h"

namespace zer2ivi::testing {
namespace {

enum class Place { MissingDirectory, ReadOnlyDirectory, BelowAFile, IsADirectory, DeviceFull };
enum class Output { Navigation, Observation };

struct UnwritableCase {
    const char* name;
    Output output;
    Place place;
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const UnwritableCase& c, std::ostream* os) { *os << c.name; }

class UnwritableOutputTest : public ::testing::TestWithParam<UnwritableCase> {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(&Fixed_Utc);
        std::vector<TestEpoch> epochs;
        // Enough lines that a stream buffer alone cannot hide the failure.
        for (int i = 0; i < 400; ++i) {
            epochs.push_back({345600.0 + i, C1_Satellites(12)});
        }
        Write_Zeb(dir.file("in.zeb"), epochs);
        std::string ephemerides;
        for (int prn = 1; prn <= 8; ++prn) ephemerides += Plain_Ephemeris(prn);
        Write_File(dir.file("in.eph"), ephemerides);
    }
    void TearDown() override {
        Set_Utc_Clock(nullptr);
        chmod(dir.file("readonly").c_str(), 0700);
    }

    // The unwritable path; empty when the place cannot be made unwritable
    // here (the reason in skipReason).
    std::string Unwritable_Path(Place place, const std::string& name) {
        switch (place) {
            case Place::MissingDirectory:
                return dir.file("missing") + "/" + name;
            case Place::ReadOnlyDirectory: {
                const std::string readOnly = dir.file("readonly");
                mkdir(readOnly.c_str(), 0500);
                const std::string probe = readOnly + "/probe";
                if (std::FILE* f = std::fopen(probe.c_str(), "w")) {
                    std::fclose(f);
                    std::remove(probe.c_str());
                    skipReason =
                        "a read-only directory is writable for this user (root ignores "
                        "directory permissions); BelowAFile covers an unwritable path instead";
                    return "";
                }
                return readOnly + "/" + name;
            }
            case Place::BelowAFile:
                Write_File(dir.file("plainfile"), "x");
                return dir.file("plainfile") + "/" + name;
            case Place::IsADirectory:
                mkdir(dir.file(name).c_str(), 0700);
                return dir.file(name);
            case Place::DeviceFull:
                return "/dev/full";
        }
        return "";
    }

    TempDir dir;
    std::string skipReason;
};

TEST_P(UnwritableOutputTest, RightMessageAndResultNoDescriptorLeft) {
    const UnwritableCase& c = GetParam();
    if (c.place == Place::DeviceFull && access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "/dev/full is not available here";
    }
    const std::string path =
        Unwritable_Path(c.place, c.output == Output::Navigation ? "out.nav" : "out.obs");
    if (path.empty()) GTEST_SKIP() << skipReason;

    Conversion conversion(dir);
    if (c.output == Output::Navigation) {
        Copy_Text(conversion.nav->rinexNavFileName, path);
    } else {
        Copy_Text(conversion.obs->rinexObsFileName, path);
    }
    const int descriptors = Open_Descriptor_Count();
    EXPECT_EQ(conversion.run(), 1);
    EXPECT_EQ(Open_Descriptor_Count(), descriptors);

    const bool full = c.place == Place::DeviceFull;
    if (c.output == Output::Navigation) {
        EXPECT_EQ(conversion.message(), full ? "Disk is full.  Could not finish writing the NAV file"
                                             : "Error: Unable to open " + path.substr(path.rfind('\\') + 1));
        // The observation conversion is not attempted.
        EXPECT_FALSE(std::ifstream(dir.file("out.obs")).good());
    } else {
        EXPECT_EQ(conversion.message(), full ? "ERROR: Disk full. Can not finish writing RINEX file."
                                             : "ERROR: Could not open: " + path);
        // The navigation file was written completely before.
        EXPECT_EQ(Read_Lines(dir.file("out.nav")).size(), 3u + 8u * 8u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothOutputs, UnwritableOutputTest,
    ::testing::Values(
        UnwritableCase{"NavInMissingDirectory", Output::Navigation, Place::MissingDirectory},
        UnwritableCase{"NavInReadOnlyDirectory", Output::Navigation, Place::ReadOnlyDirectory},
        UnwritableCase{"NavBelowAFile", Output::Navigation, Place::BelowAFile},
        UnwritableCase{"NavIsADirectory", Output::Navigation, Place::IsADirectory},
        UnwritableCase{"NavOnDeviceFull", Output::Navigation, Place::DeviceFull},
        UnwritableCase{"ObsInMissingDirectory", Output::Observation, Place::MissingDirectory},
        UnwritableCase{"ObsInReadOnlyDirectory", Output::Observation, Place::ReadOnlyDirectory},
        UnwritableCase{"ObsBelowAFile", Output::Observation, Place::BelowAFile},
        UnwritableCase{"ObsIsADirectory", Output::Observation, Place::IsADirectory},
        UnwritableCase{"ObsOnDeviceFull", Output::Observation, Place::DeviceFull}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

struct DirectoryInputCase {
    const char* name;
    bool ephemeris;  // else the binary observation file
    const char* message;
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const DirectoryInputCase& c, std::ostream* os) { *os << c.name; }

class DirectoryInputTest : public ::testing::TestWithParam<DirectoryInputCase> {
protected:
    void SetUp() override { Reset_Library_State(); }
    TempDir dir;
};

// A directory opens for reading on some systems, but every read of it
// fails: the conversion must end with its message, not read on forever.
TEST_P(DirectoryInputTest, UnreadableInputEndsTheConversion) {
    const DirectoryInputCase& c = GetParam();
    Write_Zeb(dir.file("in.zeb"), {{345600.0, C1_Satellites(3)}});
    Write_File(dir.file("in.eph"), Plain_Ephemeris(4));
    const std::string input = dir.file("input-directory");
    ASSERT_EQ(mkdir(input.c_str(), 0700), 0);
    Conversion conversion(dir);
    if (c.ephemeris) {
        Copy_Text(conversion.nav->ephemerisFileName, input);
    } else {
        Copy_Text(conversion.obs->zebFileName, input);
    }
    const int descriptors = Open_Descriptor_Count();
    EXPECT_EQ(conversion.run(), 1);
    EXPECT_EQ(Open_Descriptor_Count(), descriptors);
    const std::string message = conversion.message();
    EXPECT_TRUE(message == c.message || message == std::string(c.message) + input ||
                message == "Error: Unable to open " + input)
        << message;
}

INSTANTIATE_TEST_SUITE_P(
    BothInputs, DirectoryInputTest,
    ::testing::Values(DirectoryInputCase{"Ephemeris", true, "Empty ephemeris file"},
                      DirectoryInputCase{"Observations", false, "ERROR: Could not open: "}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace zer2ivi::testing
