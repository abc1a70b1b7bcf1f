#include "info.h"

#include <cstdio>

#include "song/song_model.h"
#include "support/load_warning.h"
#include "support/song_pass.h"
#include "support/xm_text.h"

namespace {

XmText text;

const char* loop_name(uint8_t loopType) {
    if (loopType == LOOP_FORWARD) return "forward loop";
    if (loopType == LOOP_PINGPONG) return "ping-pong loop";
    return "no loop";
}

// A name in quotes, escaped as a C string would be: quote, backslash and
// any byte outside printable ASCII.
void print_quoted(const char* name) {
    std::putchar('"');
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c != 0; ++c) {
        if (*c == '"' || *c == '\\')
            std::printf("\\%c", *c);
        else if (*c >= 32 && *c < 127)
            std::putchar(*c);
        else
            std::printf("\\%03o", *c);
    }
    std::putchar('"');
}

// The replayer starts over from order 0 after the last order when the
// restart position names none.
void print_orders(const Song* song) {
    const int restart = uint16_t(song->restartPosition);
    if (restart < song->songLength)
        std::printf("orders        %d, restart at %d:", song->songLength, restart);
    else
        std::printf("orders        %d, restart %d (past the end: plays from order 0):", song->songLength, restart);
    for (int i = 0; i < song->songLength; ++i) std::printf(" %u", song->orderTable[i]);
    std::printf("\n");
}

void print_instrument(const Song* song, int i) {
    const Instrument& instrument = song->instruments[i];
    const XmInstrumentText* named = uint32_t(i) < text.instrumentsFound ? &text.instruments[i] : nullptr;
    std::printf("  %3d ", i + 1);
    print_quoted(named ? named->name : "");
    std::printf(" (%d sample%s)\n", instrument.sampleCount, instrument.sampleCount == 1 ? "" : "s");
    for (int s = 0; s < instrument.sampleCount; ++s) {
        const Sample& sample = *instrument.samples[s];
        std::printf("        %2d ", s + 1);
        print_quoted(named ? named->samples[s].name : "");
        std::printf(": %u frames, %d-bit, %s\n", sample.length, named ? named->samples[s].bits : 8,
                    loop_name(sample.loopType));
    }
}

// "N", or "N declared, M read" when the loader took fewer than the header declares.
void print_count(const char* label, uint32_t declared, uint32_t read) {
    if (read == declared)
        std::printf("%s%u\n", label, declared);
    else
        std::printf("%s%u declared, %u read\n", label, declared, read);
}

void print_pass(const SongPass& pass) {
    const double seconds = double(pass.frames) / 44100.0;
    const int minutes = int(seconds / 60);
    std::printf("one pass      %.3f s (%d:%06.3f, %llu frames), ", seconds, minutes, seconds - 60 * minutes,
                static_cast<unsigned long long>(pass.frames));
    if (pass.capped)
        std::printf("no row repeats within %u minutes\n", PASS_CAP_FRAMES / 44100 / 60);
    else
        std::printf("then back to order %d, row %d\n", pass.repeatOrder, pass.repeatRow);
}

}  // namespace

bool print_info(const uint8_t* image, uint32_t size, Song* song, const char* warning) {
    read_xm_text(image, size, &text);
    std::printf("title         ");
    print_quoted(text.title);
    std::printf("\ntracker       ");
    print_quoted(text.tracker);
    std::printf("\n");
    std::printf("channels      %u\n", song->channelCount);
    print_orders(song);
    print_count("patterns      ", text.patternCount, patterns_read(text.patternCount));
    print_count("instruments   ", text.instrumentCount, uint32_t(song->instrumentCount));
    for (int i = 0; i < song->instrumentCount; ++i) print_instrument(song, i);
    std::printf("frequencies   %s\n", (song->flags & SONG_LINEAR_FREQUENCIES) ? "linear" : "Amiga");
    std::printf("speed, BPM    %d, %d\n", song->defaultSpeed, song->defaultBpm);
    SongPass pass;
    if (!measure_pass(song, PASS_CAP_FRAMES, &pass)) return false;
    print_pass(pass);
    std::printf("warnings      %s\n", warning ? warning : "none");
    return true;
}
