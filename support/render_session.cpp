#include "support/render_session.h"

#include "render/block_renderer.h"
#include "song/memory.h"
#include "render/player_state.h"
#include "song/song_model.h"
#include "song/sources.h"
#include "song/xm_loader.h"
#include "replay/sequencer.h"

namespace {

const char* lastError = "";
int32_t lastBlock = 0;

}  // namespace

Song* session_load(const uint8_t* image, uint32_t size) {
    Song* song = load_song_from(MEMORY_SOURCE, image, size);
    if (song == nullptr) lastError = *load_error() ? load_error() : "unknown fault";
    return song;
}

Song* session_start(const uint8_t* image, uint32_t size) {
    Song* song = session_load(image, size);
    if (song == nullptr) return nullptr;
    if (!allocate_output()) {
        lastError = "out of memory";
        release_song(song);
        return nullptr;
    }
    start_song(song);
    return song;
}

const int16_t* session_render_block() {
    lastBlock = player.fillIndex;
    fill_block();
    return player.outputRing + lastBlock * BLOCK_FRAMES * 2;
}

uint32_t session_clipped_samples(uint32_t frames) {
    const float* mixed = player.mixArea + lastBlock * BLOCK_FRAMES * 2;
    const int16_t* out = player.outputRing + lastBlock * BLOCK_FRAMES * 2;
    const uint32_t count = frames * 2;
    // Only a sample at either end of the range can have been clipped: the
    // block's lowest and highest 16-bit values (a loop that vectorises)
    // spare most blocks the look at the floats.
    int16_t lowest = 0;
    int16_t highest = 0;
    for (uint32_t i = 0; i < count; ++i) {
        lowest = out[i] < lowest ? out[i] : lowest;
        highest = out[i] > highest ? out[i] : highest;
    }
    if (lowest > -32768 && highest < 32767) return 0;
    uint32_t clipped = 0;
    // Values that round (ties to even) beyond -32768..32767: from 32767.5 up,
    // below -32768.5, and NaN.
    for (uint32_t i = 0; i < count; ++i) clipped += !(mixed[i] < 32767.5f && mixed[i] >= -32768.5f);
    return clipped;
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

const char* session_error() { return lastError; }
