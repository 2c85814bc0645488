// Counting the open descriptors of this process, for the checks that a
// conversion closes every file it opened.  No GoogleTest here: the fuzz
// harnesses use it too.
#pragma once

#include <dirent.h>

namespace zer2ivi::testing {

// Open descriptors of this process (entries of /proc/self/fd, without the
// one the listing itself uses); -1 when they cannot be listed.
inline int Open_Descriptor_Count() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(dir);
    return count - 1;
}

}  // namespace zer2ivi::testing
