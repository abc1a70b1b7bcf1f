#include "support/song_pass.h"

#include <cstdlib>

#include "render/block_renderer.h"
#include "song/song_model.h"
#include "replay/sequencer.h"

namespace {

// One bit per (order position, row): 256 orders of up to 65536 rows, 2 MiB
// of pages that stay untouched until a row is played.
const uint32_t ORDER_SLOTS = 256;
const uint32_t ROW_SLOTS = 65536;

uint8_t* played;

bool row_key(const Song* song, int32_t row, uint32_t* key) {
    if (song->orderPos < 0 || uint32_t(song->orderPos) >= ORDER_SLOTS) return false;
    if (row < 0 || uint32_t(row) >= ROW_SLOTS) return false;
    *key = uint32_t(song->orderPos) * ROW_SLOTS + uint32_t(row);
    return true;
}

bool was_played(uint32_t key) { return (played[key >> 3] >> (key & 7)) & 1; }
void mark(uint32_t key) { played[key >> 3] |= uint8_t(1 << (key & 7)); }
void unmark(uint32_t key) { played[key >> 3] &= uint8_t(~(1 << (key & 7))); }

// The row that just started: false when it was played before. A pattern
// loop going back (a jump within the order to this row or before it)
// unmarks the rows it will play again.
bool first_visit(const Song* song) {
    uint32_t key;
    if (!row_key(song, song->row, &key)) return true;
    if (was_played(key)) return false;
    mark(key);
    const bool loopsBack = song->nextOrder == -1 && song->nextRow >= 0 && song->nextRow <= song->row;
    if (loopsBack) {
        for (int32_t row = song->nextRow; row <= song->row; ++row)
            if (row_key(song, row, &key)) unmark(key);
    }
    return true;
}

}  // namespace

bool measure_pass(Song* song, uint64_t capFrames, SongPass* pass) {
    played = static_cast<uint8_t*>(std::calloc(ORDER_SLOTS * ROW_SLOTS / 8, 1));
    if (played == nullptr) return false;
    start_song(song);
    *pass = SongPass{0, true, -1, -1};
    while (pass->frames < capFrames) {
        // As the block renderer: a tick lasts as long as the tempo was before it ran.
        const uint32_t length = song->samplesPerTick;
        const bool rowStarts = song->tick == 0;
        play_tick(song);
        if (rowStarts && !first_visit(song)) {
            *pass = SongPass{pass->frames, false, song->orderPos, song->row};
            break;
        }
        pass->frames += length;
    }
    if (pass->frames > capFrames) pass->frames = capFrames;
    std::free(played);
    played = nullptr;
    return true;
}
