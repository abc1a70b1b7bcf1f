// melvane-play [SECONDS]: plays the built-in song of melvane.dll for SECONDS
// (default 10), then stops. Prints how long _play_song@0 took to return (the
// two-second prefill), the CPU use of the library's feeder thread and of the
// whole process while the song played (as percentages of one core) and how
// long the stop took. Exit status 0 when both calls reported success.
#include <windows.h>
#include <tlhelp32.h>

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

double cpu_seconds(const FILETIME& kernel, const FILETIME& user) {
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return double(k.QuadPart + u.QuadPart) * 1e-7;
}

// User plus kernel time of this process, in seconds.
double process_cpu_seconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return cpu_seconds(kernel, user);
}

double thread_cpu_seconds(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0.0;
    return cpu_seconds(kernel, user);
}

// The thread of this process whose start routine lies inside the library:
// the feeder. Null when there is none.
HANDLE find_library_thread(HMODULE library) {
    typedef LONG(WINAPI * QueryThread)(HANDLE, int, PVOID, ULONG, PULONG);
    const int THREAD_START_ADDRESS = 9;  // ThreadQuerySetWin32StartAddress
    QueryThread query = reinterpret_cast<QueryThread>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    const char* base = reinterpret_cast<const char*>(library);
    const IMAGE_NT_HEADERS* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const char* end = base + headers->OptionalHeader.SizeOfImage;
    HANDLE found = nullptr;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more && !found; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId() || query == nullptr) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (thread == nullptr) continue;
        const char* start = nullptr;
        query(thread, THREAD_START_ADDRESS, &start, sizeof start, nullptr);
        if (start >= base && start < end) {
            found = thread;
        } else {
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
    return found;
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

    HANDLE feeder = played ? find_library_thread(library) : nullptr;
    const double feederBefore = feeder ? thread_cpu_seconds(feeder) : 0.0;
    const double cpuBefore = process_cpu_seconds();
    QueryPerformanceCounter(&start);
    Sleep(DWORD(seconds * 1000.0));
    const double wall = seconds_since(start);
    const double cpu = process_cpu_seconds() - cpuBefore;
    if (played && wall > 0) {
        if (feeder) {
            const double feederCpu = thread_cpu_seconds(feeder) - feederBefore;
            printf("feeder thread CPU while playing: %.2f%% of one core\n", 100.0 * feederCpu / wall);
        }
        printf("process CPU while playing: %.2f%% of one core over %.1f s\n", 100.0 * cpu / wall, wall);
    }

    QueryPerformanceCounter(&start);
    const int stopped = stop();
    printf("_stop_playing@0 returned %d after %.1f ms\n", stopped, seconds_since(start) * 1000.0);
    if (feeder) CloseHandle(feeder);
    FreeLibrary(library);
    return played && stopped ? 0 : 1;
}
