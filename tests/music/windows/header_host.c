/* A C host linked against the import library through melvane.h: it plays
 * the built-in song until the capture holds five seconds of sound, then stops.
 *     melvane_header_host CAPTURE
 * Exit 0 when the three results are as promised. */
#include <windows.h>

#include <stdio.h>

#include "melvane.h"

static unsigned long long capture_size(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

int main(int argc, char** argv) {
    int idle, played, stopped, waited = 0;
    idle = melvane_stop_playing();
    played = melvane_play_song();
    /* Poll for five seconds of sound (more than the ring), for two minutes at most. */
    while (argc > 1 && capture_size(argv[1]) < 5 * 176400 && waited < 120000) {
        Sleep(10);
        waited += 10;
    }
    stopped = melvane_stop_playing();
    printf("stop while idle %d, play %d, stop %d\n", idle, played, stopped);
    return idle == 0 && played != 0 && stopped != 0 ? 0 : 1;
}
