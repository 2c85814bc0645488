// The tool's names for the RINEX name builder of the toolkit
// (rinex_names/rinex_names.h).
#pragma once

#include "rinex_names/rinex_names.h"

namespace zer2ivi::cli {

using names::Day_Of_Year;
using names::File_Stem;
using names::kStationFiller;
using names::Rinex_File_Name;
using names::Station_Designator;

}  // namespace zer2ivi::cli
