/*
 * zer2ivi: converts a receiver's binary observation log and a broadcast
 * ephemeris text file into a RINEX 2 observation file and a RINEX 2
 * navigation file.
 *
 * A host fills one ObsSettings and one NavSettings record and calls
 * Zeb_To_Rinex once per conversion; Get_Error_Str then yields the outcome
 * message (at most 255 characters and a NUL).  Calls must not overlap: the
 * library keeps one message and one GPS week state for the whole process.
 */
#ifndef ZER2IVI_ZER2IVI_H
#define ZER2IVI_ZER2IVI_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ZER2IVI_CALL __stdcall
#else
#define ZER2IVI_CALL
#endif

#if defined(_WIN32)
#define ZER2IVI_EXPORT
#elif defined(__GNUC__)
#define ZER2IVI_EXPORT __attribute__((visibility("default")))
#else
#define ZER2IVI_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Observation types (ObsTypeMask bits).  RINEX lists them as C1 L1 L2 P2 D1. */
enum {
    OBS_C1 = 1,  /* C1 pseudorange */
    OBS_L1 = 2,  /* L1 carrier phase */
    OBS_L2 = 4,  /* L2 carrier phase */
    OBS_D1 = 8,  /* D1 Doppler */
    OBS_P2 = 16  /* P2 pseudorange */
};

#define ZER2IVI_OBS_SETTINGS_SIZE 1176
#define ZER2IVI_NAV_SETTINGS_SIZE 644
#define ZER2IVI_MESSAGE_SIZE 256

#pragma pack(push, 1)

/* Settings of the observation conversion: 1176 bytes, little-endian. */
typedef struct ObsSettings {
    int32_t structSize;            /*    0: must be 1176 */
    char zebFileName[256];         /*    4: binary observation file to read */
    char rinexObsFileName[256];    /*  260: RINEX observation file to write */
    char runBy[128];               /*  516: first 20 characters used */
    char markerName[128];          /*  644: first 60 characters used */
    char observer[128];            /*  772: first 20 characters used */
    char agency[128];              /*  900: first 40 characters used */
    double antennaHeight;          /* 1028: metres */
    uint32_t obsTypeMask;          /* 1036: OBS_* bits wanted */
    int32_t gpsWeek;               /* 1040: base week when useGpsWeek is 1 */
    int32_t useGpsWeek;            /* 1044: exactly 1 switches the week override on */
    unsigned char spare[128];      /* 1048: not read */
} ObsSettings;

/* Settings of the navigation conversion: 644 bytes, little-endian. */
typedef struct NavSettings {
    int32_t structSize;            /*   0: must be 644 */
    char ephemerisFileName[256];   /*   4: ephemeris text file to read */
    char rinexNavFileName[256];    /* 260: RINEX navigation file to write */
    char runBy[128];               /* 516: first 20 characters used */
} NavSettings;

#pragma pack(pop)

#if defined(__cplusplus)
#include <cstddef>
static_assert(sizeof(ObsSettings) == 1176, "ObsSettings layout");
static_assert(offsetof(ObsSettings, structSize) == 0, "ObsSettings layout");
static_assert(offsetof(ObsSettings, zebFileName) == 4, "ObsSettings layout");
static_assert(offsetof(ObsSettings, rinexObsFileName) == 260, "ObsSettings layout");
static_assert(offsetof(ObsSettings, runBy) == 516, "ObsSettings layout");
static_assert(offsetof(ObsSettings, markerName) == 644, "ObsSettings layout");
static_assert(offsetof(ObsSettings, observer) == 772, "ObsSettings layout");
static_assert(offsetof(ObsSettings, agency) == 900, "ObsSettings layout");
static_assert(offsetof(ObsSettings, antennaHeight) == 1028, "ObsSettings layout");
static_assert(offsetof(ObsSettings, obsTypeMask) == 1036, "ObsSettings layout");
static_assert(offsetof(ObsSettings, gpsWeek) == 1040, "ObsSettings layout");
static_assert(offsetof(ObsSettings, useGpsWeek) == 1044, "ObsSettings layout");
static_assert(offsetof(ObsSettings, spare) == 1048, "ObsSettings layout");
static_assert(sizeof(NavSettings) == 644, "NavSettings layout");
static_assert(offsetof(NavSettings, structSize) == 0, "NavSettings layout");
static_assert(offsetof(NavSettings, ephemerisFileName) == 4, "NavSettings layout");
static_assert(offsetof(NavSettings, rinexNavFileName) == 260, "NavSettings layout");
static_assert(offsetof(NavSettings, runBy) == 516, "NavSettings layout");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#include <stddef.h>
_Static_assert(sizeof(ObsSettings) == 1176, "ObsSettings layout");
_Static_assert(offsetof(ObsSettings, antennaHeight) == 1028, "ObsSettings layout");
_Static_assert(offsetof(ObsSettings, spare) == 1048, "ObsSettings layout");
_Static_assert(sizeof(NavSettings) == 644, "NavSettings layout");
_Static_assert(offsetof(NavSettings, runBy) == 516, "NavSettings layout");
#endif

/*
 * Converts the ephemeris file into the RINEX navigation file, then the binary
 * observation file into the RINEX observation file.  Returns 0 when both were
 * written completely, 1 on any failure; Get_Error_Str tells which.
 * Exported on 32-bit Windows as _Zeb_To_Rinex@8 (ordinal 1).
 */
ZER2IVI_EXPORT int32_t ZER2IVI_CALL Zeb_To_Rinex(const ObsSettings *obs, const NavSettings *nav);

/*
 * Copies the last message, with its NUL, into buffer, which must hold at
 * least 256 bytes.  Exported on 32-bit Windows as _Get_Error_Str@4 (ordinal 2).
 */
ZER2IVI_EXPORT void ZER2IVI_CALL Get_Error_Str(char *buffer);

#ifdef __cplusplus
}
#endif

#endif /* ZER2IVI_ZER2IVI_H */
