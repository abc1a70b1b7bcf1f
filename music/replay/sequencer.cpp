// The replayer's clock: one call per tick; rows, orders, breaks, jumps, loops
// and delays take effect at the next row start.
#include "replay/sequencer.h"

#include "song/song_model.h"
#include "replay/effects.h"
#include "replay/rows.h"

namespace {

// Stands in for rows and patterns that do not exist; never written, and left
// writable so that it takes no room in the file.
Cell EMPTY_ROW[MAX_CHANNELS];
const int32_t MISSING_PATTERN_ROWS = 64;
const uint32_t TICK_FRAMES_AT_ONE_BPM = 110250;  // 44100 frames x 2.5 s

const Pattern* pattern_at(const Song* song, int32_t orderPos) {
    if (orderPos < 0 || orderPos > 255 || song->patterns == nullptr) return nullptr;
    const int32_t slot = song->orderTable[orderPos];
    if (slot >= song->patternSlotCount) return nullptr;
    return &song->patterns[slot];
}

// Order position after the last one; a restart position outside the song
// would name an order that never plays, so the song starts over instead.
int32_t wrap_order(const Song* song) {
    const int32_t restart = song->restartPosition;
    if (restart < 0 || restart >= song->songLength) return 0;
    return restart;
}

void set_natural_successor(Song* song) {
    song->nextRow = song->row + 1;
    if (song->nextRow < pattern_row_count(song, song->orderPos)) return;
    song->nextOrder = song->orderPos + 1;
    if (song->nextOrder >= song->songLength) song->nextOrder = wrap_order(song);
    song->nextRow = 0;
}

}  // namespace

void set_bpm(Song* song, uint32_t bpm) {
    // A tick must last at least one frame, or rendering would never advance.
    const uint32_t frames = bpm == 0 ? 0 : TICK_FRAMES_AT_ONE_BPM / bpm;
    song->samplesPerTick = frames == 0 ? 1 : frames;
}

int32_t pattern_row_count(const Song* song, int32_t orderPos) {
    const Pattern* pattern = pattern_at(song, orderPos);
    return pattern == nullptr ? MISSING_PATTERN_ROWS : pattern->rowCount;
}

const Cell* current_row_cells(const Song* song) {
    const Pattern* pattern = pattern_at(song, song->orderPos);
    if (pattern == nullptr || pattern->cells == nullptr) return EMPTY_ROW;
    if (song->row < 0 || song->row >= pattern->rowCount) return EMPTY_ROW;
    return pattern->cells + int64_t(song->row) * song->channelCount;
}

void play_tick(Song* song) {
    if (song->tick == 0) {
        if (song->nextOrder >= 0) song->orderPos = song->nextOrder;
        if (song->nextRow >= 0) song->row = song->nextRow;
        process_row(song);
        if (song->nextRow == -1) set_natural_successor(song);
    } else {
        process_tick(song);
    }
    song->tick += 1;
    if (song->tick >= song->speed + song->patternDelayTicks) {
        song->tick = 0;
        song->patternDelayTicks = 0;
    }
}
