// Writes the seed modules of the module fuzz target: small modules that
// together use every effect, every volume-column form, both envelopes with
// sustain and loops, all loop kinds, 8- and 16-bit samples and both
// frequency tables. Run: make_module_seeds OUTPUT_FOLDER
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/xm_writer.h"

namespace {

std::vector<int32_t> wave(int frames, int amplitude) {
    std::vector<int32_t> values;
    for (int i = 0; i < frames; ++i) values.push_back(int32_t(amplitude * std::sin(i * 0.39)));
    return values;
}

XmInstrument instrument(bool sixteenBit, uint8_t loopType) {
    XmSample sample = sixteenBit ? xm_sample_16bit(wave(48, 20000)) : xm_sample_8bit(wave(48, 100));
    sample.loopType = loopType;
    sample.loopStart = loopType == XM_LOOP_NONE ? 0 : 8;
    sample.loopLength = loopType == XM_LOOP_NONE ? 0 : 32;
    sample.relativeNote = sixteenBit ? 12 : 0;
    sample.finetune = sixteenBit ? -20 : 30;
    XmInstrument ins = xm_instrument(sample);
    ins.fadeout = 400;
    return ins;
}

XmInstrument enveloped(bool sixteenBit, uint8_t loopType) {
    XmInstrument ins = instrument(sixteenBit, loopType);
    ins.volumeEnvelope.points = {{0, 64}, {4, 40}, {10, 50}, {20, 0}};
    ins.volumeEnvelope.sustainPoint = 1;
    ins.volumeEnvelope.loopStart = 1;
    ins.volumeEnvelope.loopEnd = 2;
    ins.volumeEnvelope.flags = ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP;
    ins.panningEnvelope.points = {{0, 0}, {6, 64}, {12, 32}};
    ins.panningEnvelope.loopStart = 0;
    ins.panningEnvelope.loopEnd = 2;
    ins.panningEnvelope.flags = ENVELOPE_ON | ENVELOPE_LOOP;
    ins.vibratoType = uint8_t(sixteenBit ? 1 : 2);
    ins.vibratoSweep = 3;
    ins.vibratoDepth = 6;
    ins.vibratoRate = 40;
    return ins;
}

XmModule base_module(uint16_t flags) {
    XmModule m;
    m.flags = flags;
    m.speed = 3;
    m.instruments = {instrument(false, XM_LOOP_NONE), instrument(true, XM_LOOP_FORWARD),
                     enveloped(false, XM_LOOP_PINGPONG), enveloped(true, XM_LOOP_FORWARD)};
    return m;
}

// One row for each effect number and a few parameters, notes on channel 0,
// the effect on channel 1 over a held note.
XmPattern effect_pattern(int firstEffect, int lastEffect) {
    XmPattern p = xm_pattern(64);
    int row = 0;
    static const uint8_t PARAMS[] = {0x00, 0x37, 0xF1};
    for (int effect = firstEffect; effect <= lastEffect && row < 64; ++effect) {
        for (uint8_t param : PARAMS) {
            if (row >= 64) break;
            const uint8_t note = uint8_t(37 + row % 24);
            p.cells.push_back({row, 0, {note, uint8_t(1 + row % 4), 0, uint8_t(effect), param}});
            p.cells.push_back({row, 1, {uint8_t(row % 5 == 0 ? 49 : 0), 2, 0, uint8_t(effect), param}});
            ++row;
        }
    }
    return p;
}

// Every volume-column form and every E sub-effect.
XmPattern column_pattern() {
    XmPattern p = xm_pattern(48);
    for (int row = 0; row < 16; ++row) {
        const uint8_t volume = uint8_t(0x10 * (row % 16) + 3);
        p.cells.push_back({row, 0, {uint8_t(40 + row), 3, volume, 0, 0}});
        p.cells.push_back({row, 2, {0, 0, uint8_t(0x50 + row), 0xE, uint8_t(0x10 * row + 2)}});
        p.cells.push_back(
            {row + 16, 1, {uint8_t(50 + row), 4, uint8_t(0xF0 + row % 16), 0xE, uint8_t(0x10 * row + 1)}});
        p.cells.push_back({row + 32, 3, {uint8_t(row % 2 ? 97 : 60), 4, 0, uint8_t(0x14 + row % 3), uint8_t(row)}});
    }
    return p;
}

void write(const std::string& folder, const char* name, const XmModule& m) {
    const std::vector<uint8_t> image = write_xm(m);
    FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
    if (f == nullptr) return;
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_module_seeds OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (uint16_t flags = 0; flags <= 1; ++flags) {
        XmModule m = base_module(flags);
        m.patterns = {effect_pattern(0x0, 0xF), effect_pattern(0x10, 0x21), column_pattern()};
        m.orders = {0, 1, 2, 1};
        m.restartPosition = 1;
        write(folder, flags ? "effects-linear.xm" : "effects-amiga.xm", m);
    }
    XmModule loops = base_module(1);
    loops.patterns = {column_pattern()};
    loops.orders = {0, 0};
    loops.patterns[0].packed = false;
    write(folder, "columns-unpacked.xm", loops);
    XmModule jumps = base_module(0);
    XmPattern p = xm_pattern(16);
    p.cells = {{0, 0, {49, 1, 0, 0xE, 0x60}}, {3, 1, {0, 0, 0, 0xE, 0x62}}, {5, 2, {0, 0, 0, 0xD, 0x12}},
               {6, 0, {0, 0, 0, 0xB, 0x02}},  {7, 3, {0, 0, 0, 0xF, 0x00}}, {8, 2, {0, 0, 0, 0xE, 0xE3}}};
    jumps.patterns = {p, xm_pattern(0), xm_pattern(4)};
    jumps.orders = {0, 2, 7, 1};
    write(folder, "jumps-missing-patterns.xm", jumps);
    return 0;
}
