// The three forms of a quality check report: a text summary of one screen,
// one JSON object with the same numbers (schema in the README), and a
// self-contained HTML page with inline SVG plots.  Each is built whole in
// memory: the plots are thinned, so even a day at 1 Hz stays small.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "qc/qc_run.h"

namespace zer2ivi::qc {

std::string Text_Summary(const QcReport& report);
std::string Json_Report(const QcReport& report);
std::string Html_Report(const QcReport& report);

// The sentence the reports give about elevations ("mask 10 deg ...", or why
// there are none).
std::string Elevation_Note(const QcReport& report);
// "code 1 P1 else C1, code 2 P2 (per observation), with L1 and L2".
std::string Codes_Text(const QcReport& report);
// One column of the codes used per satellite: a code's name and where its
// count of usable epochs is kept.
struct Code_Column {
    std::string name;
    std::array<int64_t, kMaxCodeChoices> SatelliteFigures::*counts;
    size_t index;
    int64_t count(const SatelliteFigures& s) const { return (s.*counts)[index]; }
};
// Codes 1, codes 2 and, when there is a choice, phases 1 ("P1 C1 P2 C2",
// "C1W C1C C2W C2L C2X C2S L1C L1W").
std::vector<Code_Column> Code_Columns(const CodeChoices& choices);
// "7200 s missing (step 7230 s)", or "backward jump of 3600 s".
std::string Gap_Text(const Gap& gap, double interval);

}  // namespace zer2ivi::qc
