// A playback start whose allocations fail, one request number after the
// other: each start must return 0 and leave nothing behind (no block, no open
// device, no feeder), and a start with nothing failing must then play.
#include <windows.h>

#include <cstdio>

#include "failing_memory.h"
#include "check.h"
#include "windows/builtin_song.h"
#include "song/memory.h"
#include "windows/player.h"
#include "render/player_state.h"

namespace {

bool idle() {
    return player.loadedSong == nullptr && !output_device_open() && player.feederRunning.load() == 0 &&
           memory_counters().blocks == 0;
}

}  // namespace

int main() {
    fail_allocations_from(0);
    if (start_playback(BUILTIN_SONG, BUILTIN_SONG_SIZE, SOURCE_MEMORY) == 0) {
        printf("no sound output could be opened: nothing to test\n");
        return 77;
    }
    const uint32_t needed = allocation_requests();
    check(start_playback(nullptr, 0, SOURCE_RESOURCE) != 0 && idle(), "a full start and stop leave nothing behind");
    check(needed >= 3, "a start allocates the song, its parts, the ring and the mix area");

    int clean = 0;
    for (uint32_t request = 1; request <= needed; ++request) {
        fail_allocations_from(request);
        const int32_t result = start_playback(BUILTIN_SONG, BUILTIN_SONG_SIZE, SOURCE_MEMORY);
        if (result == 0 && idle())
            ++clean;
        else
            printf("allocation %u of %u failing: result %d, %u blocks left\n", request, needed, result,
                   memory_counters().blocks);
    }
    char line[120];
    snprintf(line, sizeof line, "each of the %u allocations failing gives 0 and leaves the player Idle", needed);
    check(clean == int(needed), line);

    fail_allocations_from(0);
    check(start_playback(BUILTIN_SONG, BUILTIN_SONG_SIZE, SOURCE_MEMORY) != 0, "the song then plays");
    check(start_playback(nullptr, 0, SOURCE_RESOURCE) != 0 && idle(), "and stops");
    return failures == 0 ? 0 : 1;
}
