// melvane-play [SECONDS]: plays the built-in song of melvane.dll for SECONDS
// (default 10), then stops. Prints how long _play_song@0 took to return (the
// two-second prefill), the process's CPU use while the song played (the
// feeder thread's work, as a percentage of one core) and how long the stop
// took. Exit status 0 when both calls reported success.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "melvane.h"

namespace {

double seconds_since(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

// User plus kernel time of this process, in seconds.
double process_cpu_seconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return double(k.QuadPart + u.QuadPart) * 1e-7;
}

// GetProcAddress's generic result, as the routine it is.
template <typename Routine>
Routine find_routine(HMODULE library, const char* name) {
    return reinterpret_cast<Routine>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 10.0;
    if (seconds < 0) seconds = 0;

    HMODULE library = LoadLibraryA("melvane.dll");
    if (library == nullptr) {
        printf("melvane.dll could not be loaded\n");
        return 2;
    }
    MelvanePlaySong play = find_routine<MelvanePlaySong>(library, MELVANE_PLAY_SONG_NAME);
    MelvaneStopPlaying stop = find_routine<MelvaneStopPlaying>(library, MELVANE_STOP_PLAYING_NAME);
    if (play == nullptr || stop == nullptr) {
        printf("melvane.dll lacks its exports\n");
        return 2;
    }

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const int played = play();
    const double prefill = seconds_since(start);
    printf("_play_song@0 returned %d after %.1f ms\n", played, prefill * 1000.0);
    if (!played) printf("no sound output could be opened\n");
    fflush(stdout);

    const double cpuBefore = process_cpu_seconds();
    QueryPerformanceCounter(&start);
    Sleep(DWORD(seconds * 1000.0));
    const double wall = seconds_since(start);
    const double cpu = process_cpu_seconds() - cpuBefore;
    if (played && wall > 0)
        printf("CPU while playing: %.2f%% of one core over %.1f s\n", 100.0 * cpu / wall, wall);

    QueryPerformanceCounter(&start);
    const int stopped = stop();
    printf("_stop_playing@0 returned %d after %.1f ms\n", stopped, seconds_since(start) * 1000.0);
    FreeLibrary(library);
    return played && stopped ? 0 : 1;
}
