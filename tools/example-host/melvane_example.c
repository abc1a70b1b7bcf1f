/* melvane_example [SECONDS]: plays the song of melvane.dll for SECONDS
 * (default 10), then stops. Exit status 0 when both calls succeeded.
 *
 * Build it against the import library of your toolchain and keep melvane.dll
 * beside the program:
 *     cl melvane_example.c melvane.lib                          (Microsoft C)
 *     gcc melvane_example.c melvane.dll.a -o melvane_example    (MinGW)
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "melvane.h"

int main(int argc, char** argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 10;
    if (seconds < 0) seconds = 0;
    if (!melvane_play_song()) {
        printf("the song could not start: no sound output?\n");
        return 1;
    }
    printf("playing for %d seconds\n", seconds);
    /* The song plays on its own thread; the program is free meanwhile. */
    Sleep((DWORD)seconds * 1000);
    return melvane_stop_playing() ? 0 : 1;
}
