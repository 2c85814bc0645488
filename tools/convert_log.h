// The conversion job, under the names the commands use.
#pragma once

#include "job/conversion_job.h"

namespace zer2ivi::cli {
using job::Convert_Log;
using job::ConvertJob;
using job::ConvertResult;
using job::Is_Binary_Log;
}  // namespace zer2ivi::cli
