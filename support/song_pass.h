// The length of one pass through a song: from its start until playback comes
// back to a row it has already played.
#pragma once
#include <cstdint>

struct Song;

// Where a pass of a song that never comes back to a row ends: 30 minutes.
const uint32_t PASS_CAP_FRAMES = 30 * 60 * 44100;

struct SongPass {
    uint64_t frames;      // frames before the first repeated row, or the cap
    bool capped;          // the song played up to the cap without repeating a row
    int32_t repeatOrder;  // the order position and row it comes back to
    int32_t repeatRow;
};

// Runs the song's ticks from its start values without mixing. A pattern
// loop's repeats (E6x) do not count as played rows; pattern delays count by
// their ticks. The song is used up: its play position and sample finetunes
// change as in playback. False when the row record cannot be allocated.
bool measure_pass(Song* song, uint64_t capFrames, SongPass* pass);
