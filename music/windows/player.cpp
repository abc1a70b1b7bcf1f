// The library's two exports, the waveform output over one looping ring, and
// the feeder thread that keeps the ring rendered ahead of the device.
#include "windows/player.h"

#include <windows.h>
#include <mmsystem.h>

#include "render/block_renderer.h"
#include "windows/builtin_song.h"
#include "song/memory.h"
#include "render/player_state.h"
#include "song/song_model.h"
#include "song/sources.h"
#include "windows/sources_win.h"
#include "song/xm_loader.h"
#include "render/fp_environment.h"

namespace {

// The ring's one wave header and the device: they belong to the Windows
// side of the player, so they live here rather than in PlayerState.
WAVEHDR ringHeader;
HWAVEOUT device;

const DWORD LOOP_FOREVER = 0xFFFFFFFFu;

// This library, when it is one (DllMain tells); null when the player is
// linked into a program.
HMODULE libraryModule;

// The 32-bit entry points cannot count on a 16-byte aligned stack from
// their caller.
#if defined(__i386__)
#define ENTRY_POINT __attribute__((force_align_arg_pointer))
#else
#define ENTRY_POINT
#endif

// A reference to this library for the feeder, so that a host that unloads
// it right after stopping playback cannot pull the code from under the
// feeder's last instructions. Null when the player is not a library.
HMODULE hold_library() {
    if (libraryModule == nullptr) return nullptr;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(libraryModule, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryA(path);
}

ENTRY_POINT DWORD WINAPI feeder_thread(LPVOID heldLibrary) {
    // feederRunning was raised for this thread by start_playback.
    enter_render_fp();
    RingTracker tracker = {0, 0};
    for (;;) {
        MMTIME time;
        time.wType = TIME_BYTES;
        time.u.cb = tracker.lastBytes;  // a failed query then reads as no progress
        waveOutGetPosition(device, &time, sizeof time);
        uint32_t bytes = time.u.cb;
        if (time.wType == TIME_SAMPLES) bytes = time.u.sample * 4;
        const int32_t playing = track_ring_block(&tracker, bytes);
        for (;;) {
            Sleep(2);
            if (player.fillIndex == playing) break;
            fill_block();
        }
        if (player.stopRequested.load() != 0) break;
    }
    player.feederRunning.fetch_sub(1);
    // From here the library may only be unloaded by this call, which does
    // not return into it.
    if (heldLibrary != nullptr) FreeLibraryAndExitThread(static_cast<HMODULE>(heldLibrary), 0);
    return 0;
}

int32_t in_render_fp(const void* module, uintptr_t sizeOrHandle, uint8_t kind) {
    const FpEnvironment callers = enter_render_fp();
    const int32_t result = start_playback(module, sizeOrHandle, kind);
    leave_render_fp(callers);
    return result;
}

bool open_device() {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) return true;
    device = nullptr;
    return false;
}

void close_device() {
    waveOutClose(device);
    device = nullptr;
}

// The ring as one endlessly looping buffer, prepared for the device.
void prepare_ring_header() {
    ringHeader.lpData = reinterpret_cast<LPSTR>(player.outputRing);
    ringHeader.dwBufferLength = RING_BYTES;
    ringHeader.dwBytesRecorded = 0;
    ringHeader.dwUser = 0;
    ringHeader.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    ringHeader.dwLoops = LOOP_FOREVER;
    ringHeader.lpNext = nullptr;
    ringHeader.reserved = 0;
    waveOutPrepareHeader(device, &ringHeader, sizeof ringHeader);
}

bool start_feeder() {
    player.stopRequested.store(0);
    // The feeder counts as running before it exists, so that a stop right
    // after this start waits for it instead of freeing what it will use.
    player.feederRunning.fetch_add(1);
    HMODULE held = hold_library();
    HANDLE thread = CreateThread(nullptr, 0, feeder_thread, held, 0, nullptr);
    if (thread == nullptr) {
        player.feederRunning.fetch_sub(1);
        if (held != nullptr) FreeLibrary(held);
        return false;
    }
    CloseHandle(thread);
    return true;
}

}  // namespace

int32_t track_ring_block(RingTracker* tracker, uint32_t bytes) {
    const uint32_t advance = bytes - tracker->lastBytes;  // modulo 2^32
    tracker->lastBytes = bytes;
    tracker->ringOffset = (tracker->ringOffset + advance % RING_BYTES) % RING_BYTES;
    return int32_t(tracker->ringOffset / 4 / BLOCK_FRAMES);
}

bool output_device_open() { return device != nullptr; }

void stop_output() {
    player.stopRequested.fetch_add(1);
    do {
        Sleep(2);
    } while (player.feederRunning.load() != 0);
    player.fillIndex = 0;
    // The device must give the looping header back before it can be
    // unprepared: a header still playing refuses to unprepare.
    waveOutReset(device);
    if (ringHeader.lpData != nullptr) {
        waveOutUnprepareHeader(device, &ringHeader, sizeof ringHeader);
        ringHeader.dwFlags &= ~DWORD(WHDR_PREPARED);
    }
    close_device();
    ringHeader.lpData = nullptr;
    free_output();
}

int32_t free_song() {
    Song* song = player.loadedSong;
    if (song == nullptr) return 0;
    player.loadedSong = nullptr;
    stop_output();
    player.song = nullptr;
    release_song(song);
    return 1;
}

int32_t start_playback(const void* module, uintptr_t sizeOrHandle, uint8_t kind) {
    const int32_t released = free_song();
    if (module == nullptr) return released;

    const ModuleSource* table = source_for_kind(kind);
    if (table == nullptr || !open_device()) return 0;
    Song* song = load_song_from(*table, module, sizeOrHandle);
    if (song == nullptr) {
        close_device();
        return 0;
    }
    player.loadedSong = song;
    start_song(song);

    // From here a failure tears everything down through free_song, which
    // finds no feeder and frees whatever was allocated.
    if (!allocate_output()) {
        free_song();
        return 0;
    }
    prepare_ring_header();
    render_blocks(RING_BLOCKS);  // from block 0 round to block 0
    waveOutWrite(device, &ringHeader, sizeof ringHeader);
    return start_feeder() ? 1 : 0;
}

extern "C" {

// Both run in the floating-point modes rendering needs and give the caller
// its own back.
ENTRY_POINT int __stdcall play_song(void) { return in_render_fp(BUILTIN_SONG, BUILTIN_SONG_SIZE, SOURCE_MEMORY); }

ENTRY_POINT int __stdcall stop_playing(void) { return in_render_fp(nullptr, 0, SOURCE_RESOURCE); }

// Loading only notes the library's handle; a host stops playback before
// unloading.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) libraryModule = instance;
    return TRUE;
}

}  // extern "C"
