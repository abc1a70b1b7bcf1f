// Windows tests of the music library, one case per run:
//     melvane_host_tests CASE [ARGS...]
// The export cases load melvane.dll by name, as a host does. The other
// source kinds are reached through start_playback, linked into this program
// from the same sources as the library. A case prints what it checks and
// exits 0 when everything held, 1 otherwise. Cases that play write their
// sound to the capture file of the Wine audio configuration; the calling
// script compares it with the native renderer's output.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "check.h"
#include "windows/builtin_song.h"
#include "song/memory.h"
#include "windows/player.h"
#include "render/player_state.h"
#include "song/song_model.h"
#include "melvane.h"

namespace {

double now_seconds() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) / double(frequency.QuadPart);
}

// ---------------------------------------------------------------- the DLL

MelvanePlaySong dllPlay;
MelvaneStopPlaying dllStop;

template <typename Routine>
Routine find_routine(HMODULE library, const char* name) {
    return reinterpret_cast<Routine>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

bool load_dll() {
    HMODULE library = LoadLibraryA("melvane.dll");
    if (library == nullptr) {
        check(false, "melvane.dll loads by name");
        return false;
    }
    dllPlay = find_routine<MelvanePlaySong>(library, MELVANE_PLAY_SONG_NAME);
    dllStop = find_routine<MelvaneStopPlaying>(library, MELVANE_STOP_PLAYING_NAME);
    check(dllPlay != nullptr && dllStop != nullptr, "both exports are found by their names");
    return dllPlay != nullptr && dllStop != nullptr;
}

// ------------------------------------------------------------ the capture

// Size of the capture file that the sound is written to; 0 while absent.
uint64_t file_size(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Polls until the capture holds at least `bytes`; false after `limit` seconds.
bool wait_for_capture(const char* path, uint64_t bytes, double limit) {
    const double start = now_seconds();
    while (file_size(path) < bytes) {
        if (now_seconds() - start > limit) return false;
        Sleep(10);
    }
    return true;
}

const uint64_t SECOND_BYTES = 176400;
const double CAPTURE_LIMIT = 120.0;  // seconds: generous for a loaded machine

// Plays until the capture has grown by `seconds` of sound.
bool play_on(const char* capture, double seconds) {
    const uint64_t target = file_size(capture) + uint64_t(seconds * SECOND_BYTES);
    const bool grew = wait_for_capture(capture, target, CAPTURE_LIMIT);
    check(grew, "the device plays on");
    return grew;
}

// --------------------------------------------------------- process gauges

DWORD handle_count() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

SIZE_T private_bytes() {
    PROCESS_MEMORY_COUNTERS_EX counters;
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters.PrivateUsage;
}

int thread_count() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self) count += 1;
    CloseHandle(snapshot);
    return count;
}

// A thread that has returned may linger a moment in the process's list.
bool threads_settle_to(int expected) {
    const double start = now_seconds();
    while (thread_count() > expected) {
        if (now_seconds() - start > 30.0) return false;
        Sleep(10);
    }
    return true;
}

// Nothing loaded, no device, no feeder, every block given back.
bool idle() {
    return player.loadedSong == nullptr && !output_device_open() && player.feederRunning.load() == 0 &&
           memory_counters().blocks == 0;
}

// ----------------------------------------------------------------- cases

int case_stop_idle() {
    if (!load_dll()) return 1;
    check(dllStop() == 0, "_stop_playing@0 with nothing playing returns 0");
    check(dllStop() == 0, "and again");
    return 0;
}

// capture PATH SECONDS: play the built-in song until the capture holds
// SECONDS of sound, then stop.
int case_capture(const char* capture, double seconds) {
    if (!load_dll()) return 1;
    check(dllPlay() != 0, "_play_song@0 returns nonzero");
    play_on(capture, seconds);
    check(dllStop() != 0, "_stop_playing@0 after playing returns nonzero");
    check(dllStop() == 0, "a second stop returns 0");
    return 0;
}

// restart PATH SECONDS: play, play again while playing, stop. The device is
// closed and opened again by the restart, which starts the capture afresh,
// so the capture ends up holding the second playback only.
int case_restart(const char* capture, double seconds) {
    if (!load_dll()) return 1;
    check(dllPlay() != 0, "_play_song@0 returns nonzero");
    play_on(capture, seconds);
    const uint64_t first = file_size(capture);
    check(dllPlay() != 0, "_play_song@0 while playing returns nonzero");
    check(file_size(capture) < first, "the restart reopened the device");
    // The second playback runs longer than the first, so nothing of the
    // first can be left in the capture.
    check(wait_for_capture(capture, 2 * first, CAPTURE_LIMIT), "the device plays on");
    check(dllStop() != 0, "_stop_playing@0 returns nonzero");
    return 0;
}

// A stop right after the start waits for the feeder, yet returns at once.
int case_stop_prompt() {
    if (!load_dll()) return 1;
    double slowest = 0;
    for (int i = 0; i < 20; ++i) {
        if (dllPlay() == 0) {
            check(false, "_play_song@0 returns nonzero");
            return 1;
        }
        const double start = now_seconds();
        const int stopped = dllStop();
        const double took = now_seconds() - start;
        if (took > slowest) slowest = took;
        if (stopped == 0) check(false, "_stop_playing@0 right after the start returns nonzero");
    }
    printf("slowest stop right after a start: %.1f ms\n", slowest * 1000.0);
    // The feeder only has to notice the request: far below a second, even on a busy machine.
    check(slowest < 3.0, "the stop returns promptly");
    // The same, inside: after the stop nothing the feeder uses is left.
    bool started = true, stoppedClean = true;
    for (int i = 0; i < 20 && started && stoppedClean; ++i) {
        started = start_playback(BUILTIN_SONG, BUILTIN_SONG_SIZE, SOURCE_MEMORY) != 0;
        start_playback(nullptr, 0, SOURCE_RESOURCE);
        stoppedClean = idle();
    }
    check(started, "start_playback from memory returns nonzero");
    check(stoppedClean, "after a stop right after the start: no feeder, device closed, all freed");
    return 0;
}

// 200 starts and stops leave no thread, handle or memory behind.
int case_cycles() {
    if (!load_dll()) return 1;
    // The first cycles load the audio drivers and their threads.
    for (int i = 0; i < 5; ++i) {
        dllPlay();
        dllStop();
    }
    threads_settle_to(1);
    const int threadsBefore = thread_count();
    const DWORD handlesBefore = handle_count();
    const SIZE_T bytesBefore = private_bytes();
    int played = 0;
    int stopped = 0;
    for (int i = 0; i < 200; ++i) {
        played += dllPlay() != 0;
        stopped += dllStop() != 0;
    }
    check(played == 200, "every start returns nonzero");
    check(stopped == 200, "every stop returns nonzero");
    check(threads_settle_to(threadsBefore), "no thread is left");
    const DWORD handlesAfter = handle_count();
    const SIZE_T bytesAfter = private_bytes();
    printf("handles %lu -> %lu, private bytes %lu -> %lu, threads %d -> %d\n",
           static_cast<unsigned long>(handlesBefore), static_cast<unsigned long>(handlesAfter),
           static_cast<unsigned long>(bytesBefore), static_cast<unsigned long>(bytesAfter), threadsBefore,
           thread_count());
    // One leaked handle or ring per cycle would show as 200 handles or 70 MB.
    check(handlesAfter <= handlesBefore + 20, "the handle count stays flat");
    check(bytesAfter <= bytesBefore + 4 * 1024 * 1024, "private bytes stay flat");
    return 0;
}

// Copies the built-in song with one field changed.
uint8_t brokenImage[16384];

const uint8_t* broken_song(uint32_t offset, const void* bytes, uint32_t count) {
    memcpy(brokenImage, BUILTIN_SONG, BUILTIN_SONG_SIZE);
    memcpy(brokenImage + offset, bytes, count);
    return brokenImage;
}

// Offset of the first instrument's header in the built-in song.
uint32_t first_instrument_offset() {
    uint32_t position = 60 + 276;
    const uint16_t patterns = uint16_t(BUILTIN_SONG[70] | BUILTIN_SONG[71] << 8);
    for (int p = 0; p < patterns; ++p) {
        const uint32_t packed = BUILTIN_SONG[position + 7] | BUILTIN_SONG[position + 8] << 8;
        position += 9 + packed;
    }
    return position;
}

// Writes a file into the case's folder; returns its full name.
const char* write_file(const char* folder, const char* name, const void* bytes, DWORD count) {
    static char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", folder, name);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    char line[300];
    snprintf(line, sizeof line, "the file \"%s\" is written", name);
    // Otherwise the failed start that follows would prove nothing.
    check(WriteFile(file, bytes, count, &written, nullptr) && written == count, line);
    CloseHandle(file);
    return path;
}

void expect_failed_start(const void* module, uintptr_t sizeOrHandle, uint8_t kind, const char* what) {
    const int32_t result = start_playback(module, sizeOrHandle, kind);
    char line[200];
    snprintf(line, sizeof line, "%s: result 0 and Idle", what);
    check(result == 0 && idle(), line);
}

// load_failure DIR: modules that do not load give 0 and leave the player
// Idle, through each kind; DIR is a folder the case may write to.
int case_load_failure(const char* folder) {
    const uint16_t channels33 = 33;
    const uint16_t bpm0 = 0;
    const uint16_t bpmNegative = 0x8000;
    const uint16_t samples17 = 17;
    expect_failed_start("Nope, not a module", 18, SOURCE_MEMORY, "memory: a wrong signature");
    expect_failed_start(BUILTIN_SONG, 3, SOURCE_MEMORY, "memory: an image cut to 3 bytes");
    expect_failed_start(broken_song(68, &channels33, 2), BUILTIN_SONG_SIZE, SOURCE_MEMORY, "memory: 33 channels");
    expect_failed_start(broken_song(78, &bpm0, 2), BUILTIN_SONG_SIZE, SOURCE_MEMORY, "memory: BPM 0");
    expect_failed_start(broken_song(78, &bpmNegative, 2), BUILTIN_SONG_SIZE, SOURCE_MEMORY, "memory: BPM 32768");
    // The loader fails here after it has allocated the patterns.
    expect_failed_start(broken_song(first_instrument_offset() + 27, &samples17, 2), BUILTIN_SONG_SIZE, SOURCE_MEMORY,
                        "memory: an instrument with 17 samples");

    char missing[MAX_PATH];
    snprintf(missing, sizeof missing, "%s\\no such module.xm", folder);
    expect_failed_start(missing, 0, SOURCE_FILE, "file: a file that does not exist");
    expect_failed_start(write_file(folder, "not a module.xm", "Extra bytes, no module", 22), 0, SOURCE_FILE,
                        "file: a file that is no module");
    expect_failed_start(write_file(folder, "33 channels.xm", broken_song(68, &channels33, 2), BUILTIN_SONG_SIZE), 0,
                        SOURCE_FILE, "file: 33 channels");

    const uintptr_t self = reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr));
    expect_failed_start("NO_SUCH_RESOURCE", self, SOURCE_RESOURCE, "resource: a name that does not exist");
    expect_failed_start(MAKEINTRESOURCEA(999), self, SOURCE_RESOURCE, "resource: a number that does not exist");
    expect_failed_start("NOT_A_MODULE", self, SOURCE_RESOURCE, "resource: a resource that is no module");
    expect_failed_start(BUILTIN_SONG, BUILTIN_SONG_SIZE, 7, "an unknown kind");
    // After all that a good module still plays.
    check(start_playback(BUILTIN_SONG, BUILTIN_SONG_SIZE, SOURCE_MEMORY) != 0, "the built-in song then plays");
    check(start_playback(nullptr, 0, SOURCE_RESOURCE) != 0, "and stops");
    check(idle(), "and the player is Idle again");
    return 0;
}

// Plays the started module until the capture holds `seconds` more, then stops.
void play_then_stop(const char* capture, double seconds) {
    play_on(capture, seconds);
    check(start_playback(nullptr, 0, SOURCE_RESOURCE) != 0, "the stop returns nonzero");
    check(idle(), "the player is Idle");
}

// resource PATH SECONDS: plays the RCDATA module "TEST_SONG" of this program.
int case_resource(const char* capture, double seconds) {
    HMODULE self = GetModuleHandleA(nullptr);
    check(start_playback("TEST_SONG", reinterpret_cast<uintptr_t>(self), SOURCE_RESOURCE) != 0,
          "start_playback with the resource kind returns nonzero");
    check(activeSource.handle == 0, "the resource is freed after the load");
    play_then_stop(capture, seconds);
    return 0;
}

// file CAPTURE SECONDS MODULE: plays a module file.
int case_file(const char* capture, double seconds, const char* module) {
    check(start_playback(module, 0, SOURCE_FILE) != 0, "start_playback with the file kind returns nonzero");
    // The file must be closed after the load: opening it without sharing works.
    HANDLE again = CreateFileA(module, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    check(again != INVALID_HANDLE_VALUE, "the module file is closed after the load");
    if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
    play_then_stop(capture, seconds);
    return 0;
}

// The device's byte count mapped to ring blocks, across its 2^32 wrap.
int case_ring_math() {
    RingTracker tracker = {0, 0};
    bool ok = true;
    // 353600 k + 3536 b + x bytes: block b.
    for (uint32_t k = 0; k < 3; ++k)
        for (uint32_t b = 0; b < 100; b += 33)
            for (uint32_t x = 0; x < 3536; x += 3535) {
                if (track_ring_block(&tracker, 353600 * k + 3536 * b + x) != int32_t(b)) ok = false;
            }
    check(ok, "a count of 353600k + 3536b + x bytes is block b");

    // Follow the count in steps of one block up to and past 2^32.
    tracker = {0, 0};
    uint32_t bytes = 0;
    int32_t expected = 0;
    ok = true;
    const uint64_t total = (uint64_t(1) << 32) + 3536 * 250;
    for (uint64_t played = 0; played <= total; played += 3536 * 7) {
        bytes = uint32_t(played);
        expected = int32_t((played / 4) % 88400 / 884);
        if (track_ring_block(&tracker, bytes) != expected) {
            ok = false;
            printf("at %llu bytes: block %d expected\n", static_cast<unsigned long long>(played), expected);
            break;
        }
    }
    check(ok, "the block follows the played sound across the count's wrap");
    // Right after the wrap the raw count alone would name another block.
    const uint64_t after = (uint64_t(1) << 32) + 3536 * 10;
    check(int32_t((uint32_t(after) / 4) % 88400 / 884) != int32_t((after / 4) % 88400 / 884),
          "(the raw count is wrong after the wrap)");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* name = argc > 1 ? argv[1] : "";
    const char* capture = argc > 2 ? argv[2] : "";
    const double seconds = argc > 3 ? atof(argv[3]) : 0.0;
    int status = 2;
    if (strcmp(name, "stop_idle") == 0)
        status = case_stop_idle();
    else if (strcmp(name, "capture") == 0)
        status = case_capture(capture, seconds);
    else if (strcmp(name, "restart") == 0)
        status = case_restart(capture, seconds);
    else if (strcmp(name, "stop_prompt") == 0)
        status = case_stop_prompt();
    else if (strcmp(name, "cycles") == 0)
        status = case_cycles();
    else if (strcmp(name, "load_failure") == 0)
        status = case_load_failure(capture);
    else if (strcmp(name, "resource") == 0)
        status = case_resource(capture, seconds);
    else if (strcmp(name, "file") == 0 && argc > 4)
        status = case_file(capture, seconds, argv[4]);
    else if (strcmp(name, "ring_math") == 0)
        status = case_ring_math();
    else
        printf("unknown case: %s\n", name);
    if (status == 2) return 2;
    return failures == 0 && status == 0 ? 0 : 1;
}
