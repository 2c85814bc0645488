// The three forms of a quality check report: a text summary of one screen,
// one JSON object with the same numbers (schema in the README), and a
// self-contained HTML page with inline SVG plots.  Each is built whole in
// memory: the plots are thinned, so even a day at 1 Hz stays small.
#pragma once

#include <string>

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
// "7200 s missing (step 7230 s)", or "backward jump of 3600 s".
std::string Gap_Text(const Gap& gap, double interval);

}  // namespace zer2ivi::qc
