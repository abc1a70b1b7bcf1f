// Renders one ring block: runs the sequencer whenever a tick's frames are
// used up, mixes the voices tick by tick, converts the floats to 16 bits.
#include "front/block_renderer.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

#include "front/player_state.h"
#include "front/song_model.h"
#include "replay/mixer.h"
#include "replay/sequencer.h"

namespace {

const uint32_t TICK_FRAMES_AT_ONE_BPM = 110250;  // 44100 frames x 2.5 s
const int BLOCK_FLOATS = BLOCK_FRAMES * 2;

TickObserver tickObserver = nullptr;

void reset_tables(const Song* song) {
    std::memset(static_cast<void*>(player.channels), 0, sizeof player.channels);
    std::memset(static_cast<void*>(player.voices), 0, sizeof player.voices);
    for (int i = 0; i < VOICE_COUNT; ++i) {
        player.voices[i].index = i;
        player.voices[i].stepInt = 1;
    }
    const int channels = song->channelCount < MAX_CHANNELS ? song->channelCount : MAX_CHANNELS;
    for (int k = 0; k < channels; ++k) player.channels[k].voice = &player.voices[k];
}

void run_tick(Song* song) {
    const int32_t tick = song->tick;
    play_tick(song);
    if (tickObserver != nullptr) tickObserver(song, tick);
}

int16_t to_sample(float value) {
    const float rounded = std::nearbyint(value);
    if (rounded >= 32767.0f) return 32767;
    if (rounded > -32768.0f) return static_cast<int16_t>(rounded);
    return -32768;  // also where a value is not a number
}

}  // namespace

void set_bpm(Song* song, uint32_t bpm) {
    // A tick must last at least one frame, or rendering would never advance.
    const uint32_t frames = bpm == 0 ? 0 : TICK_FRAMES_AT_ONE_BPM / bpm;
    song->samplesPerTick = frames == 0 ? 1 : frames;
}

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
    set_bpm(song, static_cast<uint32_t>(static_cast<int32_t>(song->defaultBpm)));
}

void fill_block() {
    const int32_t block = player.fillIndex;
    float* slice = player.mixArea + block * BLOCK_FLOATS;
    std::memset(slice, 0, BLOCK_FLOATS * sizeof(float));

    Song* song = player.song;
    uint32_t done = 0;
    uint32_t left = song->tickSamplesLeft;
    while (done < uint32_t(BLOCK_FRAMES)) {
        if (left == 0) {
            left = song->samplesPerTick;  // read before the tick: a tempo change waits a tick
            run_tick(song);
        }
        uint32_t frames = left;
        if (frames > BLOCK_FRAMES - done) frames = BLOCK_FRAMES - done;
        mix_voices(slice + done * 2, int(frames));
        done += frames;
        left -= frames;
    }
    song->tickSamplesLeft = left;

    convert_block(slice, player.outputRing + block * BLOCK_FLOATS, BLOCK_FLOATS);
    player.fillIndex = block + 1 == RING_BLOCKS ? 0 : block + 1;
}

// Eight values per turn: cvtps2dq rounds in the current mode as nearbyint
// does, and gives 0x80000000 for a NaN or a value below the 32-bit range,
// which the saturating pack turns into -32768 as to_sample does. The upper
// clamp comes first and keeps a NaN (minps returns its second operand).
void convert_block(const float* mix, int16_t* out, int count) {
    const __m128 top = _mm_set1_ps(32767.0f);
    const int whole = count - count % 8;
    int i = 0;
    for (; i < whole; i += 8) {
        const __m128i low = _mm_cvtps_epi32(_mm_min_ps(top, _mm_loadu_ps(mix + i)));
        const __m128i high = _mm_cvtps_epi32(_mm_min_ps(top, _mm_loadu_ps(mix + i + 4)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(low, high));
    }
    for (; i < count; ++i) out[i] = to_sample(mix[i]);
}

void set_tick_observer(TickObserver observer) {
    tickObserver = observer;
}
