/* A host built in the MSVC ABI with no SDK and no C library: it declares the
 * few system routines it calls, has its own entry point and links against
 * melvane.lib through melvane.h. It plays the built-in song until the capture
 * holds five seconds of sound, then stops. It builds as C and as C++.
 *     melvane_msvc_host CAPTURE
 * Exit status 0 when the three results are as promised; otherwise bit 1: the
 * stop while idle returned nonzero, bit 2: the play failed, bit 4: the stop
 * after playing returned 0. */
#include "melvane.h"

typedef struct {
    unsigned long attributes;
    unsigned long times[6];
    unsigned long sizeHigh;
    unsigned long sizeLow;
} FileAttributes;

#ifdef __cplusplus
#define C_NAME extern "C"
#else
#define C_NAME
#endif

C_NAME __declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);
C_NAME __declspec(dllimport) int __stdcall GetFileAttributesExA(const char* path, int level, FileAttributes* data);
C_NAME __declspec(dllimport) char* __stdcall GetCommandLineA(void);
C_NAME __declspec(dllimport) void __stdcall ExitProcess(unsigned int status);

static const unsigned long FIVE_SECONDS = 5 * 176400;

/* The first argument of the command line, ended in place. */
static const char* first_argument(char* line) {
    char end = ' ';
    if (*line == '"') {
        for (++line; *line && *line != '"'; ++line) {}
        if (*line) ++line;
    } else {
        while (*line && *line != ' ') ++line;
    }
    while (*line == ' ') ++line;
    if (*line == '"') {
        end = '"';
        ++line;
    }
    char* argument = line;
    while (*line && *line != end) ++line;
    *line = 0;
    return argument;
}

static int capture_is_short(const char* path) {
    FileAttributes data;
    if (!GetFileAttributesExA(path, 0, &data)) return 1;
    return data.sizeHigh == 0 && data.sizeLow < FIVE_SECONDS;
}

C_NAME void __stdcall start(void) {
    const char* capture = first_argument(GetCommandLineA());
    int waited = 0;
    unsigned int status = 0;
    if (melvane_stop_playing() != 0) status |= 1;
    if (melvane_play_song() == 0) status |= 2;
    /* Poll for more than the ring's worth of sound, for two minutes at most. */
    while (*capture && capture_is_short(capture) && waited < 120000) {
        Sleep(10);
        waited += 10;
    }
    if (melvane_stop_playing() == 0) status |= 4;
    ExitProcess(status);
}
