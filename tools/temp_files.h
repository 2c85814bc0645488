// The job's temporary files, under the names the commands use.
#pragma once

#include "job/temp_files.h"

namespace zer2ivi::cli {
using job::Create_Unique_File;
using job::Directory_Of;
using job::File_Part;
using job::FilesToRemove;
using job::Replace_File;
using job::Same_File;
using job::TempDirectory;
}  // namespace zer2ivi::cli
