// First-tick part of a cell's effect, used by the row step.
#pragma once
#include <cstdint>

struct Song;
struct ChannelState;
struct Cell;
struct Instrument;
struct Sample;

// What the channel sounded like before the row touched it (for a note delay).
struct SavedSound {
    int32_t volume;
    int32_t period;
    int32_t panning;
};

// jumpSeen: whether an earlier channel of this row held a position jump;
// set when this one does.
void apply_row_effect(Song* song, ChannelState* channel, const Cell& cell, const Instrument* instrument,
                      const Sample* sample, const SavedSound& saved, bool* jumpSeen);

// Sets the channel's panning for the voice update to apply.
void set_panning(ChannelState* channel, int32_t panning);
