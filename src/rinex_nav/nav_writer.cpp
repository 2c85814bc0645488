#include "rinex_nav/rinex_nav.h"
