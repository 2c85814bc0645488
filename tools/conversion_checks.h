// The job's checks of an ephemeris file, under the names the commands use.
#pragma once

#include "job/conversion_checks.h"

namespace zer2ivi::cli {
using job::Read_Written_Nav;
using job::Record_Problem;
}  // namespace zer2ivi::cli
