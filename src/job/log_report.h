// What the RINEX observation header of a binary log will say, from the
// result of its conversion, as the text and the JSON object inspect prints:
// receiver, channels, epochs, first and last epoch (calendar dates only when
// the week is known), interval, types, per-satellite counts, position.
#pragma once

#include <string>

#include "api/conversion.h"

namespace zer2ivi::job {

std::string Log_Report_Text(const std::string& file, const api::ObservationResult& result, bool weekKnown);
std::string Log_Report_Json(const std::string& file, const api::ObservationResult& result, bool weekKnown);

}  // namespace zer2ivi::job
