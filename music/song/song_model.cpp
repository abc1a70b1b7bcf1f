#include "song/song_model.h"

#include "song/memory.h"

Instrument emptyInstrument;
Sample emptySample;

namespace {

void release_instruments(Song* song) {
    for (int32_t i = 0; i < song->instrumentCount; ++i) {
        Instrument* ins = &song->instruments[i];
        int32_t count = ins->sampleCount < 16 ? ins->sampleCount : 16;
        for (int32_t s = 0; s < count; ++s) {
            Sample* sample = ins->samples[s];
            // A failed load may leave slots below the count unset.
            if (!sample || sample == &emptySample) continue;
            free_block(sample->data);
            free_block(sample);
        }
    }
    free_block(song->instruments);
    song->instruments = nullptr;
}

void release_patterns(Song* song) {
    for (int32_t p = 0; p < song->patternSlotCount; ++p) free_block(song->patterns[p].cells);
    free_block(song->patterns);
    song->patterns = nullptr;
}

}  // namespace

void release_song(Song* song) {
    if (!song) return;
    if (song->instruments) release_instruments(song);
    if (song->patterns) release_patterns(song);
    free_block(song);
}
