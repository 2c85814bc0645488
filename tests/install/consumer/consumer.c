/*
 * A C program built against an installed zer2ivi, the way a host would use
 * it: through find_package(zer2ivi) or pkg-config.
 *
 * usage: consumer                          checks the structure size refusal
 *        consumer OBSFILE EPHFILE OBS NAV  also converts
 */
#include <stdio.h>
#include <string.h>

#include <zer2ivi/zer2ivi.h>

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
    memset(&obs, 0, sizeof obs);
    memset(&nav, 0, sizeof nav);
    obs.structSize = ZER2IVI_OBS_SETTINGS_SIZE - 1;
    nav.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    if (Zeb_To_Rinex(&obs, &nav) != 1) {
        fprintf(stderr, "consumer: a wrong structure size was accepted\n");
        return 1;
    }
    Get_Error_Str(message);
    if (strcmp(message, "Invalid structure size") != 0) {
        fprintf(stderr, "consumer: unexpected message '%s'\n", message);
        return 1;
    }
    printf("%s\n", message);
    if (argc != 5) return 0;

    obs.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    obs.obsTypeMask = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;
    if (!copy_text(obs.zebFileName, sizeof obs.zebFileName, argv[1]) ||
        !copy_text(nav.ephemerisFileName, sizeof nav.ephemerisFileName, argv[2]) ||
        !copy_text(obs.rinexObsFileName, sizeof obs.rinexObsFileName, argv[3]) ||
        !copy_text(nav.rinexNavFileName, sizeof nav.rinexNavFileName, argv[4])) {
        fprintf(stderr, "consumer: path too long\n");
        return 1;
    }
    if (Zeb_To_Rinex(&obs, &nav) != 0) {
        Get_Error_Str(message);
        fprintf(stderr, "consumer: %s\n", message);
        return 1;
    }
    Get_Error_Str(message);
    printf("%s\n", message);
    return 0;
}
