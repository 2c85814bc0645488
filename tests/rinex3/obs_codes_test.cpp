// The code tables between versions 2 and 3: the mapping each way, the
// preference order where several version 3 codes compete, and that every
// code mapped up comes back down to itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rinex3/rinex3.h"

namespace zer2ivi::rinex3 {
namespace {

struct Mapping {
    char system;
    const char* version2;
    const char* version3;
};

// The documented mapping, row by row.
const Mapping kDocumented[] = {
    {'G', "C1", "C1C"}, {'G', "P1", "C1W"}, {'G', "L1", "L1C"}, {'G', "D1", "D1C"},
    {'G', "S1", "S1C"}, {'G', "P2", "C2W"}, {'G', "L2", "L2W"}, {'G', "D2", "D2W"},
    {'G', "S2", "S2W"}, {'G', "C2", "C2L"}, {'G', "C5", "C5X"}, {'G', "L5", "L5X"},
    {'G', "D5", "D5X"}, {'G', "S5", "S5X"},
    {'R', "C1", "C1C"}, {'R', "P1", "C1P"}, {'R', "L1", "L1C"}, {'R', "P2", "C2P"},
    {'R', "L2", "L2P"}, {'R', "C2", "C2C"},
    {'E', "C1", "C1X"}, {'E', "L5", "L5X"}, {'E', "C7", "C7X"}, {'E', "S8", "S8X"},
    {'S', "C1", "C1C"}, {'S', "L5", "L5X"},
};

TEST(Version3Code, TheDocumentedMapping) {
    for (const Mapping& m : kDocumented) {
        const auto code = Version3_Code(m.system, m.version2);
        ASSERT_TRUE(code.has_value()) << m.system << " " << m.version2;
        EXPECT_EQ(*code, m.version3) << m.system << " " << m.version2;
    }
    struct Missing {
        char system;
        const char* version2;
    };
    const Missing missing[] = {{'G', "C7"}, {'R', "C5"}, {'S', "P1"}, {'C', "C1"}, {'G', "c1"},
                               {'G', "C1C"}, {'G', ""}};
    for (const Missing& m : missing)
        EXPECT_FALSE(Version3_Code(m.system, m.version2).has_value()) << m.system << m.version2;
}

TEST(Version2Selection, EveryCodeMappedUpComesBackDown) {
    for (char system : std::string("GRES")) {
        for (const char* version2 : {"C1", "P1", "L1", "D1", "S1", "C2", "P2", "L2", "D2", "S2",
                                     "C5", "L5", "D5", "S5", "C6", "L6", "C7", "L7", "C8", "L8"}) {
            const auto code = Version3_Code(system, version2);
            if (!code) continue;
            const Version2Selection back = Select_Version2_Codes(system, {std::string(*code)});
            ASSERT_EQ(back.picks.size(), 1u) << system << version2;
            EXPECT_EQ(back.picks[0].version2, version2) << system << " " << *code;
            EXPECT_TRUE(back.dropped.empty()) << system << version2;
        }
    }
}

TEST(Version2Selection, PreferenceWithinASystemAndBand) {
    struct Case {
        const char* name;
        char system;
        std::vector<std::string> version3;
        std::vector<std::string> picks;  // "P1=C1W", in the order of the table
        std::vector<std::string> dropped;
    };
    const Case cases[] = {
        {"receiver with C/A and P(Y)", 'G',
         {"C1C", "L1C", "D1C", "S1C", "C1W", "C2W", "L2W", "S2W"},
         {"C1=C1C", "P1=C1W", "L1=L1C", "D1=D1C", "S1=S1C", "P2=C2W", "L2=L2W", "S2=S2W"},
         {}},
        {"L2 phase: W before L", 'G', {"L2L", "L2W"}, {"L2=L2W"}, {"L2L"}},
        {"L2 phase: L before X", 'G', {"L2X", "L2L"}, {"L2=L2L"}, {"L2X"}},
        {"L2 phase without P(Y)", 'G', {"L2X"}, {"L2=L2X"}, {}},
        {"C2: L before X before S", 'G', {"C2S", "C2X"}, {"C2=C2X"}, {"C2S"}},
        {"P1 from P when W is missing", 'G', {"C1P", "C1Y"}, {"P1=C1P"}, {"C1Y"}},
        {"L1C civil signal has no version 2 code", 'G', {"C1L", "C1C"}, {"C1=C1C"}, {"C1L"}},
        {"GLONASS", 'R', {"C1C", "C1P", "L1C", "C2C", "C2P", "L2P"},
         {"C1=C1C", "P1=C1P", "L1=L1C", "C2=C2C", "P2=C2P", "L2=L2P"}, {}},
        {"GLONASS L2 from C/A when P is missing", 'R', {"L2C"}, {"L2=L2C"}, {}},
        {"Galileo E1: X before C", 'E', {"C1C", "C1X"}, {"C1=C1X"}, {"C1C"}},
        {"SBAS L5", 'S', {"C5I", "L5I"}, {"C5=C5I", "L5=L5I"}, {}},
        {"BeiDou has no version 2 codes", 'C', {"C2I", "L2I"}, {}, {"C2I", "L2I"}},
        {"nothing given", 'G', {}, {}, {}},
    };
    for (const Case& c : cases) {
        const Version2Selection selection = Select_Version2_Codes(c.system, c.version3);
        std::vector<std::string> picks;
        for (const Version2Pick& pick : selection.picks)
            picks.push_back(pick.version2 + "=" + pick.version3);
        EXPECT_EQ(picks, c.picks) << c.name;
        EXPECT_EQ(selection.dropped, c.dropped) << c.name;
    }
}

}  // namespace
}  // namespace zer2ivi::rinex3
