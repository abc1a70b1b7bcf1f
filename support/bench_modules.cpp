#include "support/bench_modules.h"

#include <cmath>

namespace {

const uint8_t EFFECT_ARPEGGIO = 0x0;
const uint8_t EFFECT_VIBRATO = 0x4;
const uint8_t EFFECT_VIBRATO_SLIDE = 0x6;
const uint8_t EFFECT_VOLUME_SLIDE = 0xA;

// A few harmonics, so the waveform is not trivially smooth.
std::vector<int32_t> tone(int frames, double period, double amplitude) {
    const double PI = 3.14159265358979323846;
    std::vector<int32_t> values;
    for (int i = 0; i < frames; ++i) {
        double phase = 2.0 * PI * i / period;
        double v = std::sin(phase) + 0.4 * std::sin(2.0 * phase) + 0.2 * std::sin(3.0 * phase);
        values.push_back(int32_t(v * amplitude / 1.6));
    }
    return values;
}

std::vector<int32_t> noise_burst(int frames) {
    std::vector<int32_t> values;
    uint32_t seed = 0x1234567u;
    for (int i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        int32_t decay = 30000 * (frames - i) / frames;
        values.push_back(int32_t(seed >> 16) % (decay + 1) - decay / 2);
    }
    return values;
}

XmSample looped_sample(int frames, double period, uint8_t loopType, uint32_t loopStart) {
    XmSample s = xm_sample_16bit(tone(frames, period, 20000.0));
    s.loopType = loopType;
    s.loopStart = loopStart;
    s.loopLength = uint32_t(frames) - loopStart;
    s.volume = 40;
    return s;
}

XmEnvelope looping_envelope() {
    XmEnvelope e;
    e.points = {{0, 64}, {8, 40}, {24, 60}, {40, 36}, {60, 52}};
    e.loopStart = 1;
    e.loopEnd = 4;
    e.flags = ENVELOPE_ON | ENVELOPE_LOOP;
    return e;
}

void put(XmPattern* p, int row, int channel, Cell cell) { p->cells.push_back({row, channel, cell}); }

XmPattern four_channel_pattern(int index) {
    static const uint8_t BASS[] = {25, 25, 32, 30};
    static const uint8_t LEAD[] = {49, 52, 56, 54, 49, 47, 52, 59};
    XmPattern p = xm_pattern(64);
    for (int row = 0; row < 64; ++row) {
        if (row % 8 == 0) put(&p, row, 0, {BASS[(row / 16 + index) % 4], 1, 0, 0, 0});
        if (row % 2 == 0) {
            uint8_t arpeggio = row % 8 == 4 ? 0x37 : 0x00;
            put(&p, row, 1, {LEAD[(row / 2 + index) % 8], 2, 0, EFFECT_ARPEGGIO, arpeggio});
        } else {
            put(&p, row, 1, {0, 0, 0, EFFECT_VOLUME_SLIDE, 0x02});
        }
        if (row % 32 == 0)
            put(&p, row, 2, {61, 3, 0x30, EFFECT_VIBRATO, 0x46});
        else
            put(&p, row, 2, {0, 0, 0, EFFECT_VIBRATO, 0x00});
        if (row % 4 == 0) put(&p, row, 3, {49, 4, 0, 0, 0});
    }
    return p;
}

XmPattern stress_pattern(int channels) {
    XmPattern p = xm_pattern(64);
    for (int row = 0; row < 64; ++row) {
        for (int c = 0; c < channels; ++c) {
            uint8_t instrument = uint8_t(1 + c % 4);
            uint8_t note = uint8_t(37 + (c * 5 + row / 8 * 7) % 36);
            if (row % 8 == c % 8) {
                put(&p, row, c, {note, instrument, 0, EFFECT_VIBRATO, 0x38});
            } else if (row % 2 == 0) {
                put(&p, row, c, {0, 0, 0, EFFECT_VIBRATO_SLIDE, 0x01});
            } else {
                put(&p, row, c, {0, 0, 0, EFFECT_VOLUME_SLIDE, 0x10});
            }
        }
    }
    return p;
}

}  // namespace

XmModule four_channel_module() {
    XmModule m;
    m.channels = 4;
    for (int i = 0; i < 4; ++i) m.patterns.push_back(four_channel_pattern(i));
    m.orders = {0, 1, 2, 3, 0, 1, 2, 3};
    m.instruments.push_back(xm_instrument(looped_sample(3000, 100.0, XM_LOOP_FORWARD, 1000)));
    m.instruments.push_back(xm_instrument(looped_sample(6000, 50.0, XM_LOOP_PINGPONG, 2000)));
    XmInstrument pad = xm_instrument(looped_sample(12000, 200.0, XM_LOOP_FORWARD, 4000));
    pad.volumeEnvelope = looping_envelope();
    m.instruments.push_back(pad);
    XmSample drum = xm_sample_16bit(noise_burst(4000));
    m.instruments.push_back(xm_instrument(drum));
    return m;
}

XmModule stress_module() {
    XmModule m;
    m.channels = 32;
    m.patterns.push_back(stress_pattern(32));
    m.orders = {0};
    const double PERIODS[] = {100.0, 64.0, 150.0, 37.0};
    for (int i = 0; i < 4; ++i) {
        uint8_t loop = i % 2 == 0 ? XM_LOOP_FORWARD : XM_LOOP_PINGPONG;
        XmInstrument ins = xm_instrument(looped_sample(8000 + 4000 * i, PERIODS[i], loop, 1000));
        ins.volumeEnvelope = looping_envelope();
        m.instruments.push_back(ins);
    }
    return m;
}
