/*
 * Test host for the zer2ivi library as a host application sees it: loads the
 * library at run time, looks the two entry points up, fills one ObsSettings
 * and one NavSettings record from the command line, runs one conversion and
 * prints the result and the message.
 *
 * On Windows it loads zer2ivi.dll with LoadLibraryA and resolves
 * _Zeb_To_Rinex@8 and _Get_Error_Str@4 both by decorated name and by
 * ordinal (1 and 2); the two lookups must give the same addresses, the
 * undecorated names and ordinal 3 must not resolve, and every call is made
 * through a stub that checks that the callee removed its arguments
 * (stdcall).  HOW picks which of the two lookups the calls go through.  On
 * Linux it loads libzer2ivi.so with dlopen (HOW must be "name"), so the same
 * program gives the reference output of the Linux build.
 *
 * Output, one item per line (the library is unloaded at the end):
 *   initial message: "<Get_Error_Str right after loading>"
 *   result: <Zeb_To_Rinex result>
 *   message: "<Get_Error_Str after the call>"
 * Exit status 0 when the library was loaded and called as expected (whatever
 * the conversion's result), 1 when a check of the interface failed, 2 on a
 * usage error.
 */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zer2ivi/zer2ivi.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

typedef int32_t(ZER2IVI_CALL *ZebToRinexFn)(const ObsSettings *, const NavSettings *);
typedef void(ZER2IVI_CALL *GetErrorStrFn)(char *);

/* Get_Error_Str writes at most 256 bytes; the rest of the buffer must stay
   untouched. */
#define MESSAGE_BUFFER_SIZE 512
#define MESSAGE_GUARD_BYTE 'X'

static const char kUsage[] =
    "usage: zer2ivi_host LIBRARY HOW ZEB_FILE OBS_FILE EPHEMERIS_FILE NAV_FILE [options]\n"
    "  HOW: name (decorated names) or ordinal (ordinals 1 and 2; Windows only)\n"
    "options:\n"
    "  --run-by TEXT        runBy of both records\n"
    "  --marker TEXT        markerName\n"
    "  --observer TEXT      observer\n"
    "  --agency TEXT        agency\n"
    "  --height METRES      antennaHeight\n"
    "  --mask BITS          obsTypeMask (decimal or 0x...)\n"
    "  --week WEEK          gpsWeek\n"
    "  --use-week VALUE     useGpsWeek\n"
    "  --obs-size BYTES     structSize of ObsSettings (default 1176)\n"
    "  --nav-size BYTES     structSize of NavSettings (default 644)\n";

struct Library {
#if defined(_WIN32)
    HMODULE module;
#else
    void *handle;
#endif
    ZebToRinexFn zebToRinex;
    GetErrorStrFn getErrorStr;
};

/* Copies text into a fixed field, cut to fit and always terminated. */
static void Set_Text(char *field, size_t size, const char *text) {
    snprintf(field, size, "%s", text);
}

static int Parse_Long(const char *text, long long *value) {
    char *end = NULL;
    *value = strtoll(text, &end, 0);
    return end != text && *end == '\0';
}

static int Parse_Double(const char *text, double *value) {
    char *end = NULL;
    *value = strtod(text, &end);
    return end != text && *end == '\0';
}

#if defined(_WIN32) && defined(__i386__)

/* The calls go through these stubs, which push the arguments themselves and
   measure the stack pointer across the call: a stdcall callee removes its
   arguments, so the difference must be 0.  The stubs also call with the
   stack 4 bytes off a 16-byte boundary at the call, as Windows promises no
   more than 4-byte alignment to a DLL.  The stack pointer is put back in any
   case. */
static int32_t Call_Zeb_To_Rinex(ZebToRinexFn function, const ObsSettings *obs,
                                 const NavSettings *nav, long *stackDelta) {
    int32_t result;
    long delta;
    const void *first = obs;
    const void *second = nav;
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "andl $-16, %%esp\n\t"
        "subl $4, %%esp\n\t"
        "pushl %[second]\n\t"
        "pushl %[first]\n\t"
        "leal 8(%%esp), %[first]\n\t"
        "call *%[function]\n\t"
        "movl %%esp, %%edx\n\t"
        "subl %[first], %%edx\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(result), "=d"(delta), [first] "+D"(first), [second] "+c"(second)
        : [function] "b"(function)
        : "esi", "memory", "cc");
    *stackDelta = delta;
    return result;
}

static void Call_Get_Error_Str(GetErrorStrFn function, char *buffer, long *stackDelta) {
    long delta;
    void *argument = buffer;
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "andl $-16, %%esp\n\t"
        "subl $8, %%esp\n\t"
        "pushl %[argument]\n\t"
        "leal 4(%%esp), %[argument]\n\t"
        "call *%[function]\n\t"
        "movl %%esp, %%edx\n\t"
        "subl %[argument], %%edx\n\t"
        "movl %%esi, %%esp\n\t"
        : "=d"(delta), [argument] "+D"(argument)
        : [function] "b"(function)
        : "eax", "ecx", "esi", "memory", "cc");
    *stackDelta = delta;
}

#else

static int32_t Call_Zeb_To_Rinex(ZebToRinexFn function, const ObsSettings *obs,
                                 const NavSettings *nav, long *stackDelta) {
    *stackDelta = 0;
    return function(obs, nav);
}

static void Call_Get_Error_Str(GetErrorStrFn function, char *buffer, long *stackDelta) {
    *stackDelta = 0;
    function(buffer);
}

#endif

#if defined(_WIN32)

/* FARPROC to the entry point types, through the generic function pointer
   type so the compiler sees the conversion is meant. */
typedef void (*GenericFn)(void);

static int Load_Library(const char *path, int byOrdinal, struct Library *library) {
    HMODULE module = LoadLibraryA(path);
    if (module == NULL) {
        fprintf(stderr, "LoadLibraryA(%s) failed: error %lu\n", path,
                (unsigned long)GetLastError());
        return 0;
    }
    FARPROC convertByName = GetProcAddress(module, "_Zeb_To_Rinex@8");
    FARPROC messageByName = GetProcAddress(module, "_Get_Error_Str@4");
    FARPROC convertByOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(1));
    FARPROC messageByOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(2));
    if (convertByName == NULL || messageByName == NULL) {
        fprintf(stderr, "decorated names not exported\n");
        return 0;
    }
    if (convertByOrdinal == NULL || messageByOrdinal == NULL) {
        fprintf(stderr, "ordinals 1 and 2 not exported\n");
        return 0;
    }
    if (convertByName != convertByOrdinal || messageByName != messageByOrdinal) {
        fprintf(stderr, "names and ordinals resolve to different functions\n");
        return 0;
    }
    if (GetProcAddress(module, "Zeb_To_Rinex") != NULL ||
        GetProcAddress(module, "Get_Error_Str") != NULL ||
        GetProcAddress(module, "Zeb_To_Rinex@8") != NULL ||
        GetProcAddress(module, MAKEINTRESOURCEA(3)) != NULL) {
        fprintf(stderr, "the DLL exports more than the two decorated names\n");
        return 0;
    }
    printf("lookup: names and ordinals agree\n");
    library->module = module;
    library->zebToRinex =
        (ZebToRinexFn)(GenericFn)(byOrdinal ? convertByOrdinal : convertByName);
    library->getErrorStr =
        (GetErrorStrFn)(GenericFn)(byOrdinal ? messageByOrdinal : messageByName);
    return 1;
}

/* Unloading runs the DLL's detach; 0 when it failed. */
static int Unload_Library(struct Library *library) { return FreeLibrary(library->module) != 0; }

#else

static int Load_Library(const char *path, int byOrdinal, struct Library *library) {
    if (byOrdinal) {
        fprintf(stderr, "ordinals exist only in the Windows DLL\n");
        return 0;
    }
    void *handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == NULL) {
        fprintf(stderr, "dlopen(%s) failed: %s\n", path, dlerror());
        return 0;
    }
    void *convert = dlsym(handle, "Zeb_To_Rinex");
    void *message = dlsym(handle, "Get_Error_Str");
    if (convert == NULL || message == NULL) {
        fprintf(stderr, "Zeb_To_Rinex or Get_Error_Str not exported\n");
        return 0;
    }
    library->handle = handle;
    /* POSIX guarantees that dlsym's object pointer holds a function address. */
    memcpy(&library->zebToRinex, &convert, sizeof library->zebToRinex);
    memcpy(&library->getErrorStr, &message, sizeof library->getErrorStr);
    printf("lookup: names resolved\n");
    return 1;
}

static int Unload_Library(struct Library *library) { return dlclose(library->handle) == 0; }

#endif

/* Fetches the message into a guarded buffer and prints it; 0 when the
   interface misbehaved. */
static int Print_Message(const struct Library *library, const char *label) {
    char buffer[MESSAGE_BUFFER_SIZE];
    long stackDelta = 0;
    memset(buffer, MESSAGE_GUARD_BYTE, sizeof buffer);
    Call_Get_Error_Str(library->getErrorStr, buffer, &stackDelta);
    if (stackDelta != 0) {
        fprintf(stderr, "Get_Error_Str left the stack %ld bytes off\n", stackDelta);
        return 0;
    }
    const char *end = memchr(buffer, '\0', ZER2IVI_MESSAGE_SIZE);
    if (end == NULL) {
        fprintf(stderr, "Get_Error_Str wrote no NUL within 256 bytes\n");
        return 0;
    }
    for (size_t i = ZER2IVI_MESSAGE_SIZE; i < sizeof buffer; ++i) {
        if (buffer[i] != MESSAGE_GUARD_BYTE) {
            fprintf(stderr, "Get_Error_Str wrote past 256 bytes\n");
            return 0;
        }
    }
    printf("%s: \"%s\"\n", label, buffer);
    return 1;
}

int main(int argc, char **argv) {
    if (argc < 7) {
        fputs(kUsage, stderr);
        return 2;
    }
    const char *libraryPath = argv[1];
    int byOrdinal;
    if (strcmp(argv[2], "name") == 0) {
        byOrdinal = 0;
    } else if (strcmp(argv[2], "ordinal") == 0) {
        byOrdinal = 1;
    } else {
        fputs(kUsage, stderr);
        return 2;
    }

    static ObsSettings obs;
    static NavSettings nav;
    memset(&obs, 0, sizeof obs);
    memset(&nav, 0, sizeof nav);
    obs.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    nav.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    Set_Text(obs.zebFileName, sizeof obs.zebFileName, argv[3]);
    Set_Text(obs.rinexObsFileName, sizeof obs.rinexObsFileName, argv[4]);
    Set_Text(nav.ephemerisFileName, sizeof nav.ephemerisFileName, argv[5]);
    Set_Text(nav.rinexNavFileName, sizeof nav.rinexNavFileName, argv[6]);
    obs.obsTypeMask = OBS_C1 | OBS_L1 | OBS_L2 | OBS_D1 | OBS_P2;

    for (int i = 7; i < argc; i += 2) {
        const char *option = argv[i];
        if (i + 1 >= argc) {
            fprintf(stderr, "%s needs a value\n", option);
            return 2;
        }
        const char *value = argv[i + 1];
        long long number = 0;
        double real = 0.0;
        if (strcmp(option, "--run-by") == 0) {
            Set_Text(obs.runBy, sizeof obs.runBy, value);
            Set_Text(nav.runBy, sizeof nav.runBy, value);
        } else if (strcmp(option, "--marker") == 0) {
            Set_Text(obs.markerName, sizeof obs.markerName, value);
        } else if (strcmp(option, "--observer") == 0) {
            Set_Text(obs.observer, sizeof obs.observer, value);
        } else if (strcmp(option, "--agency") == 0) {
            Set_Text(obs.agency, sizeof obs.agency, value);
        } else if (strcmp(option, "--height") == 0 && Parse_Double(value, &real)) {
            obs.antennaHeight = real;
        } else if (strcmp(option, "--mask") == 0 && Parse_Long(value, &number) && number >= 0 &&
                   number <= 0xffffffffLL) {
            obs.obsTypeMask = (uint32_t)number;
        } else if (strcmp(option, "--week") == 0 && Parse_Long(value, &number) &&
                   number >= INT32_MIN && number <= INT32_MAX) {
            obs.gpsWeek = (int32_t)number;
        } else if (strcmp(option, "--use-week") == 0 && Parse_Long(value, &number) &&
                   number >= INT32_MIN && number <= INT32_MAX) {
            obs.useGpsWeek = (int32_t)number;
        } else if (strcmp(option, "--obs-size") == 0 && Parse_Long(value, &number) &&
                   number >= INT32_MIN && number <= INT32_MAX) {
            obs.structSize = (int32_t)number;
        } else if (strcmp(option, "--nav-size") == 0 && Parse_Long(value, &number) &&
                   number >= INT32_MIN && number <= INT32_MAX) {
            nav.structSize = (int32_t)number;
        } else {
            fprintf(stderr, "bad option or value: %s %s\n", option, value);
            return 2;
        }
    }

    struct Library library;
    if (!Load_Library(libraryPath, byOrdinal, &library)) return 1;
    if (!Print_Message(&library, "initial message")) return 1;

    /* The library only reads the records: keep copies to prove it. */
    static ObsSettings obsBefore;
    static NavSettings navBefore;
    memcpy(&obsBefore, &obs, sizeof obs);
    memcpy(&navBefore, &nav, sizeof nav);

    long stackDelta = 0;
    const int32_t result = Call_Zeb_To_Rinex(library.zebToRinex, &obs, &nav, &stackDelta);
    if (stackDelta != 0) {
        fprintf(stderr, "Zeb_To_Rinex left the stack %ld bytes off\n", stackDelta);
        return 1;
    }
    if (memcmp(&obsBefore, &obs, sizeof obs) != 0 || memcmp(&navBefore, &nav, sizeof nav) != 0) {
        fprintf(stderr, "Zeb_To_Rinex changed a settings record\n");
        return 1;
    }
    printf("result: %ld\n", (long)result);
    if (!Print_Message(&library, "message")) return 1;
    if (!Unload_Library(&library)) {
        fprintf(stderr, "unloading the library failed\n");
        return 1;
    }
    fflush(stdout);
    return 0;
}
