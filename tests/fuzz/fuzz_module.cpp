// Loads arbitrary bytes as a module through the memory source and, when the
// load succeeds, renders until every order's rows have been played or a cap
// on frames is reached. Checks that the allocator ends where it began and that
// no block runs more ticks than it has frames.
#include <cstdint>
#include <cstdlib>

#include "render/block_renderer.h"
#include "song/memory.h"
#include "render/player_state.h"
#include "song/song_model.h"
#include "support/render_session.h"

namespace {

const int MAX_BLOCKS = 150;  // about three seconds of audio

int64_t rowsToPlay = 0;
int ticksInBlock = 0;

void count_rows(const Song*, int32_t tick) {
    if (tick == 0) --rowsToPlay;
    ++ticksInBlock;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    const uint64_t blocksBefore = memory_counters().blocks;
    Song* song = session_start(data, uint32_t(size));
    if (song != nullptr) {
        rowsToPlay = rows_in_orders(song);
        set_tick_observer(count_rows);
        for (int block = 0; block < MAX_BLOCKS && rowsToPlay > 0; ++block) {
            ticksInBlock = 0;
            session_render_block();
            // Every tick lasts at least one frame: render time stays linear in the frames.
            if (ticksInBlock > BLOCK_FRAMES + 1) std::abort();
        }
        set_tick_observer(nullptr);
        session_end(song);
    }
    if (memory_counters().blocks != blocksBefore) std::abort();  // a leak
    return 0;
}
