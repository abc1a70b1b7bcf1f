// Renders one ring block: runs the sequencer whenever a tick's frames are
// used up, mixes the voices tick by tick, converts the floats to 16 bits.
#include "render/block_renderer.h"

#include <cstring>

#include "render/player_state.h"
#include "replay/replay_state.h"
#include "song/song_model.h"
#include "render/fp_environment.h"
#include "replay/mix_kernels.h"
#include "replay/mixer.h"
#include "replay/sequencer.h"

namespace {

const int BLOCK_FLOATS = BLOCK_FRAMES * 2;

TickObserver tickObserver = nullptr;

void reset_tables(const Song* song) {
    std::memset(static_cast<void*>(replay.channels), 0, sizeof replay.channels);
    std::memset(static_cast<void*>(replay.voices), 0, sizeof replay.voices);
    for (int i = 0; i < VOICE_COUNT; ++i) {
        replay.voices[i].index = i;
        replay.voices[i].stepInt = 1;
    }
    const int channels = played_channels(song);
    for (int k = 0; k < channels; ++k) replay.channels[k].voice = &replay.voices[k];
}

void run_tick(Song* song) {
    const int32_t tick = song->tick;
    play_tick(song);
    if (tickObserver != nullptr) tickObserver(song, tick);
}

}  // namespace

void start_song(Song* song) {
    reset_tables(song);
    song->nextOrder = -1;
    song->nextRow = -1;
    song->tickSamplesLeft = 0;
    song->row = 0;
    song->orderPos = 0;
    song->tick = 0;
    song->patternDelayTicks = 0;
    song->speed = song->defaultSpeed;
    song->globalVolume = 64;
    player.song = song;
    choose_mix_kernels();
    set_bpm(song, static_cast<uint32_t>(static_cast<int32_t>(song->defaultBpm)));
}

void fill_block() {
    const int32_t block = player.fillIndex;
    float* slice = player.mixArea + block * BLOCK_FLOATS;

    Song* song = player.song;
    uint32_t done = 0;
    uint32_t left = song->tickSamplesLeft;
    use_float_precision();
    while (done < uint32_t(BLOCK_FRAMES)) {
        if (left == 0) {
            left = song->samplesPerTick;  // read before the tick: a tempo change waits a tick
            use_double_precision();
            run_tick(song);
            use_float_precision();
        }
        uint32_t frames = left;
        if (frames > BLOCK_FRAMES - done) frames = BLOCK_FRAMES - done;
        mix_voices_over(slice + done * 2, int(frames));
        done += frames;
        left -= frames;
    }
    song->tickSamplesLeft = left;

    convert_block(slice, player.outputRing + block * BLOCK_FLOATS, BLOCK_FLOATS);
    use_double_precision();
    player.fillIndex = block + 1 == RING_BLOCKS ? 0 : block + 1;
}

void convert_block(const float* mix, int16_t* out, int count) { mix_kernels().convert(mix, out, count); }

void render_blocks(int count) {
    const FpEnvironment callers = enter_render_fp();
    for (int i = 0; i < count; ++i) fill_block();
    leave_render_fp(callers);
}

void set_tick_observer(TickObserver observer) { tickObserver = observer; }
