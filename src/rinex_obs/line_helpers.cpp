#include "rinex_obs/rinex_obs.h"
