#include "render_session.h"

#include "front/block_renderer.h"
#include "front/memory.h"
#include "front/player_state.h"
#include "front/song_model.h"
#include "front/sources.h"
#include "front/xm_loader.h"
#include "replay/sequencer.h"

namespace {

const char* lastError = "";

Song* load_song(const uint8_t* image, uint32_t size) {
    Song* song = static_cast<Song*>(alloc_zeroed(sizeof(Song)));
    if (song == nullptr) {
        lastError = "out of memory";
        return nullptr;
    }
    install_source(MEMORY_SOURCE, size);
    player.source.open(image);
    const bool loaded = load_module(song) != 0;
    player.source.close();
    if (loaded) return song;
    lastError = *load_error() ? load_error() : "unknown fault";
    release_song(song);
    return nullptr;
}

void free_output() {
    free_block(player.outputRing);
    free_block(player.mixAllocation);
    player.outputRing = nullptr;
    player.mixAllocation = nullptr;
    player.mixArea = nullptr;
}

// The ring and the 16-byte aligned mix area, as a playback start sets them up.
bool allocate_output() {
    player.outputRing = static_cast<int16_t*>(alloc_zeroed(RING_BYTES));
    player.mixAllocation = alloc_zeroed(MIX_ALLOCATION_BYTES);
    if (player.outputRing == nullptr || player.mixAllocation == nullptr) {
        free_output();
        lastError = "out of memory";
        return false;
    }
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(player.mixAllocation) + 15) & ~uintptr_t(15);
    player.mixArea = reinterpret_cast<float*>(aligned);
    player.fillIndex = 0;
    return true;
}

}  // namespace

Song* session_start(const uint8_t* image, uint32_t size) {
    Song* song = load_song(image, size);
    if (song == nullptr) return nullptr;
    if (!allocate_output()) {
        release_song(song);
        return nullptr;
    }
    start_song(song);
    return song;
}

const int16_t* session_render_block() {
    const int32_t block = player.fillIndex;
    fill_block();
    return player.outputRing + block * BLOCK_FRAMES * 2;
}

void session_end(Song* song) {
    free_output();
    release_song(song);
    player.song = nullptr;
}

int64_t rows_in_orders(const Song* song) {
    int64_t rows = 0;
    for (int order = 0; order < song->songLength; ++order) {
        const int32_t count = pattern_row_count(song, order);
        rows += count > 0 ? count : 1;
    }
    return rows;
}

const char* session_error() {
    return lastError;
}
