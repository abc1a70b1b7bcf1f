// Plays real modules whole, then damaged copies of them: cut at every 1 % of
// their length and with random bytes changed (fixed seeds). Each copy must
// either be refused with a reason or play its frames; nothing may leak, and
// no load may allocate more than a small multiple of the module's size.
// Usage: damaged_modules MODULE...
#include <cstdint>
#include <cstdio>
#include <vector>

#include "render/block_renderer.h"
#include "song/memory.h"
#include "render/player_state.h"
#include "song/song_model.h"
#include "support/file_bytes.h"
#include "support/render_session.h"

namespace {

const int WHOLE_SONG_BLOCKS = 50 * 60 * 15;  // at most 15 minutes for a whole song
const int DAMAGED_COPY_BLOCKS = 50 * 5;      // 5 s of each damaged copy
const int RANDOM_COPIES = 100;
const uint64_t FIXED_ALLOWANCE = 4u << 20;  // empty patterns and the tables

struct Tally {
    int refused = 0;
    int played = 0;
    int failed = 0;
    int64_t blocks = 0;
    double worstRatio = 0.0;  // peak bytes a load held, over the module's size
};

int64_t rowsLeft = 0;

void count_rows(const Song*, int32_t tick) {
    if (tick == 0) --rowsLeft;
}

// Plays until every order's rows have been played once, or the block cap.
bool play(const std::vector<uint8_t>& image, int maxBlocks, Tally* tally) {
    const MemoryCounters before = memory_counters();
    reset_memory_peak();
    Song* song = session_start(image.data(), uint32_t(image.size()));
    if (song == nullptr) {
        ++tally->refused;
    } else {
        rowsLeft = rows_in_orders(song);
        set_tick_observer(count_rows);
        for (int block = 0; block < maxBlocks && rowsLeft > 0; ++block) {
            session_render_block();
            ++tally->blocks;
        }
        set_tick_observer(nullptr);
        session_end(song);
        ++tally->played;
    }
    const MemoryCounters after = memory_counters();
    // What the load held: the peak less the output ring and mix area of a playback.
    const uint64_t output = song != nullptr ? RING_BYTES + MIX_ALLOCATION_BYTES : 0;
    const uint64_t peak = after.peak - before.current;
    const uint64_t held = peak > output ? peak - output : 0;
    const double ratio = image.empty() ? 0.0 : double(held) / image.size();
    if (ratio > tally->worstRatio) tally->worstRatio = ratio;
    const bool ok = after.blocks == before.blocks && held <= FIXED_ALLOWANCE + 8 * uint64_t(image.size());
    if (!ok) ++tally->failed;
    return ok;
}

uint32_t next_random(uint32_t* state) {
    *state ^= *state << 13;
    *state ^= *state >> 17;
    *state ^= *state << 5;
    return *state;
}

void damage(const std::vector<uint8_t>& image, Tally* tally) {
    for (int percent = 1; percent < 100; ++percent) {
        const std::vector<uint8_t> cut(image.begin(), image.begin() + image.size() * percent / 100);
        play(cut, DAMAGED_COPY_BLOCKS, tally);
    }
    uint32_t state = 0x9E3779B9u ^ uint32_t(image.size());
    for (int copy = 0; copy < RANDOM_COPIES; ++copy) {
        std::vector<uint8_t> changed = image;
        const int changes = 1 + int(next_random(&state) % 16);
        for (int i = 0; i < changes; ++i) {
            // Half the changes land in the first 4 KB, where the headers are.
            const uint32_t span = (i % 2 == 0 && changed.size() > 4096) ? 4096 : uint32_t(changed.size());
            changed[next_random(&state) % span] = uint8_t(next_random(&state));
        }
        play(changed, DAMAGED_COPY_BLOCKS, tally);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: damaged_modules MODULE...\n");
        return 2;
    }
    Tally total;
    for (int i = 1; i < argc; ++i) {
        std::vector<uint8_t> image;
        if (!read_file_bytes(argv[i], &image)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        Tally whole;
        if (!play(image, WHOLE_SONG_BLOCKS, &whole) || whole.played != 1) {
            std::fprintf(stderr, "%s: the undamaged module did not play\n", argv[i]);
            return 1;
        }
        Tally tally;
        damage(image, &tally);
        std::printf(
            "%s: whole song %.1f s; damaged copies %d refused, %d played (%.0f s), %d failed;"
            " largest load %.2f x module size\n",
            argv[i], whole.blocks / 50.0, tally.refused, tally.played, tally.blocks / 50.0, tally.failed,
            tally.worstRatio);
        total.refused += tally.refused;
        total.played += tally.played;
        total.failed += tally.failed;
        if (tally.worstRatio > total.worstRatio) total.worstRatio = tally.worstRatio;
    }
    std::printf("damaged copies: %d refused, %d played, %d failed; largest load %.2f x module size\n", total.refused,
                total.played, total.failed, total.worstRatio);
    return total.failed == 0 ? 0 : 1;
}
