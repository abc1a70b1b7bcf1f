/* melvane_example [SECONDS]: plays the song of melvane.dll for SECONDS
 * (default 10), then stops. Exit status 0 when both calls succeeded, 2 with
 * the usage for SECONDS that is not a whole number it can wait.
 *
 * Build it against the import library of your toolchain and keep melvane.dll
 * beside the program:
 *     cl melvane_example.c melvane.lib                          (Microsoft C)
 *     gcc melvane_example.c melvane.dll.a -o melvane_example    (MinGW)
 */
#include <windows.h>

#include <stdio.h>

#include "melvane.h"

/* Sleep takes milliseconds in 32 bits. */
#define MAX_SECONDS 4294967UL

/* The number of seconds written in text, or -1 when it is not one from 0 to
 * MAX_SECONDS. */
static long seconds_of(const char* text) {
    unsigned long seconds = 0;
    if (*text == '\0') return -1;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return -1;
        seconds = seconds * 10 + (unsigned long)(*text - '0');
        if (seconds > MAX_SECONDS) return -1;
    }
    return (long)seconds;
}

int main(int argc, char** argv) {
    long seconds = argc > 1 ? seconds_of(argv[1]) : 10;
    if (argc > 2 || seconds < 0) {
        fprintf(stderr, "usage: melvane_example [SECONDS]\n"
                        "plays the song for SECONDS, a whole number from 0 to %lu (default 10)\n", MAX_SECONDS);
        return 2;
    }
    if (!melvane_play_song()) {
        printf("the song could not start: no sound output?\n");
        return 1;
    }
    printf("playing for %ld second%s\n", seconds, seconds == 1 ? "" : "s");
    /* The song plays on its own thread; the program is free meanwhile. */
    Sleep((DWORD)seconds * 1000);
    return melvane_stop_playing() ? 0 : 1;
}
