/*
 * A minimal host of the public library, the yardstick for the command-line
 * tool: it fills the two settings records straight from its arguments and
 * calls Zeb_To_Rinex once.
 *
 * usage: reference_convert OBSFILE EPHFILE RINEX_OBS RINEX_NAV RUN_BY MARKER
 *          OBSERVER AGENCY ANTENNA_HEIGHT TYPE_MASK USE_GPS_WEEK GPS_WEEK
 * Prints the library's message; exits with Zeb_To_Rinex's result.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zer2ivi/zer2ivi.h"

static int copy_text(char *field, size_t size, const char *text) {
    size_t length = strlen(text);
    if (length >= size) return 0;
    memcpy(field, text, length + 1);
    return 1;
}

int main(int argc, char **argv) {
    ObsSettings obs;
    NavSettings nav;
    char message[ZER2IVI_MESSAGE_SIZE];
    int32_t result;
    if (argc != 13) {
        fprintf(stderr, "usage: reference_convert OBSFILE EPHFILE RINEX_OBS RINEX_NAV RUN_BY "
                        "MARKER OBSERVER AGENCY ANTENNA_HEIGHT TYPE_MASK USE_GPS_WEEK GPS_WEEK\n");
        return 2;
    }
    memset(&obs, 0, sizeof obs);
    memset(&nav, 0, sizeof nav);
    obs.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    nav.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    if (!copy_text(obs.zebFileName, sizeof obs.zebFileName, argv[1]) ||
        !copy_text(nav.ephemerisFileName, sizeof nav.ephemerisFileName, argv[2]) ||
        !copy_text(obs.rinexObsFileName, sizeof obs.rinexObsFileName, argv[3]) ||
        !copy_text(nav.rinexNavFileName, sizeof nav.rinexNavFileName, argv[4]) ||
        !copy_text(obs.runBy, sizeof obs.runBy, argv[5]) ||
        !copy_text(nav.runBy, sizeof nav.runBy, argv[5]) ||
        !copy_text(obs.markerName, sizeof obs.markerName, argv[6]) ||
        !copy_text(obs.observer, sizeof obs.observer, argv[7]) ||
        !copy_text(obs.agency, sizeof obs.agency, argv[8])) {
        fprintf(stderr, "reference_convert: argument too long\n");
        return 2;
    }
    obs.antennaHeight = strtod(argv[9], NULL);
    obs.obsTypeMask = (uint32_t)strtoul(argv[10], NULL, 10);
    obs.useGpsWeek = (int32_t)strtol(argv[11], NULL, 10);
    obs.gpsWeek = (int32_t)strtol(argv[12], NULL, 10);
    result = Zeb_To_Rinex(&obs, &nav);
    Get_Error_Str(message);
    printf("%s\n", message);
    return (int)result;
}
