#include "ephemeris/ephemeris.h"
