#include "zebfile/zebfile.h"
