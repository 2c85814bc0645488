/*
 * A complete host of the zer2ivi library: converts one binary observation
 * log and one ephemeris file into a RINEX observation file and a RINEX
 * navigation file, and prints the library's message.
 *
 *   host OBSFILE EPHEMERISFILE RINEX_OBS RINEX_NAV [GPS_WEEK]
 *
 * Build against an installed library (see README.md):
 *   cc host.c -o host $(pkg-config --cflags --libs zer2ivi)
 * Exit status: 0 converted, 1 the conversion failed, 2 wrong arguments.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <zer2ivi/zer2ivi.h>

/* Copies text into a fixed field; 0 when it does not fit with its NUL. */
static int set_text(char *field, size_t size, const char *text) {
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

    if (argc != 5 && argc != 6) {
        fprintf(stderr, "usage: host OBSFILE EPHEMERISFILE RINEX_OBS RINEX_NAV [GPS_WEEK]\n");
        return 2;
    }
    memset(&obs, 0, sizeof obs);
    memset(&nav, 0, sizeof nav);
    obs.structSize = ZER2IVI_OBS_SETTINGS_SIZE; /* 1176 */
    nav.structSize = ZER2IVI_NAV_SETTINGS_SIZE; /* 644 */
    if (!set_text(obs.zebFileName, sizeof obs.zebFileName, argv[1]) ||
        !set_text(nav.ephemerisFileName, sizeof nav.ephemerisFileName, argv[2]) ||
        !set_text(obs.rinexObsFileName, sizeof obs.rinexObsFileName, argv[3]) ||
        !set_text(nav.rinexNavFileName, sizeof nav.rinexNavFileName, argv[4])) {
        fprintf(stderr, "host: a path is longer than 255 characters\n");
        return 2;
    }
    /* Header texts: the library uses the first 20 (run-by, observer),
     * 40 (agency) or 60 (marker) characters. */
    set_text(obs.runBy, sizeof obs.runBy, "example host");
    set_text(nav.runBy, sizeof nav.runBy, "example host");
    set_text(obs.markerName, sizeof obs.markerName, "EXAMPLE");
    obs.antennaHeight = 0.0;
    obs.obsTypeMask = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;
    if (argc == 6) {
        /* Dates the epochs by this week; without it the library takes the
         * week of the fourth ephemeris.  Once set, the override stays on
         * for the rest of the process. */
        obs.useGpsWeek = 1;
        obs.gpsWeek = (int32_t)strtol(argv[5], NULL, 10);
    }

    result = Zeb_To_Rinex(&obs, &nav); /* 0 success, 1 failure */
    Get_Error_Str(message);            /* the outcome, either way */
    printf("%s\n", message);
    return result == 0 ? 0 : 1;
}
