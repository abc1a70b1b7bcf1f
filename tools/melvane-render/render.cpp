#include "render.h"

#include "render/player_state.h"
#include "song/song_model.h"
#include "interrupt.h"
#include "output.h"
#include "support/render_session.h"

namespace {

const uint32_t PROGRESS_BLOCKS = 50;  // about one second of audio

// The song position while rendering; none at the end, where the renderer
// may have run a tick past the last frame written.
// One write a line, so that a signal's newline never splits one.
void show_progress(const Song* song, uint32_t done, uint32_t total) {
    char line[128];
    const int used =
        std::snprintf(line, sizeof line, "\rmelvane-render: %.1f s of %.1f s", done / 44100.0, total / 44100.0);
    if (song != nullptr)
        std::snprintf(line + used, sizeof line - size_t(used), ", order %d row %d   ", song->orderPos, song->row);
    std::fputs(line, stderr);
    set_progress_line_open(true);
}

}  // namespace

bool render_frames(FILE* out, const Song* song, uint32_t frames, bool progress, uint64_t* clipped) {
    uint32_t written = 0;
    uint32_t blocks = 0;
    while (written < frames) {
        const int16_t* block = session_render_block();
        uint32_t count = frames - written;
        if (count > uint32_t(BLOCK_FRAMES)) count = BLOCK_FRAMES;
        if (!write_frames(out, block, count)) return false;
        *clipped += session_clipped_samples(count);
        written += count;
        if (progress && ++blocks % PROGRESS_BLOCKS == 0) show_progress(song, written, frames);
    }
    if (progress) {
        show_progress(nullptr, written, frames);
        std::fputs("                    \n", stderr);
        set_progress_line_open(false);
    }
    return true;
}
