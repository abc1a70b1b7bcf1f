#include "support/xm_writer.h"

#include <cstring>

#include "song/memory.h"
#include "song/sources.h"
#include "song/xm_loader.h"

namespace {

void put8(std::vector<uint8_t>& out, uint32_t value) { out.push_back(uint8_t(value)); }

void put16(std::vector<uint8_t>& out, uint32_t value) {
    put8(out, value);
    put8(out, value >> 8);
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value);
    put16(out, value >> 16);
}

void put_text(std::vector<uint8_t>& out, const char* text, size_t size) {
    size_t length = text ? strlen(text) : 0;
    for (size_t i = 0; i < size; ++i) put8(out, i < length ? uint8_t(text[i]) : 0);
}

uint32_t derived(int64_t override, uint32_t value) { return override >= 0 ? uint32_t(override) : value; }

void write_header(std::vector<uint8_t>& out, const XmModule& m) {
    put_text(out, m.signature, 17);
    put_text(out, "test module", 20);
    put8(out, 0x1A);
    put_text(out, "xm writer", 20);
    put16(out, 0x0104);
    put32(out, m.headerSize);
    uint32_t songLength = derived(m.songLengthOverride, uint32_t(m.orders.size()));
    put16(out, songLength);
    put16(out, uint32_t(m.restartPosition));
    put16(out, uint32_t(m.channels));
    put16(out, derived(m.patternCountOverride, uint32_t(m.patterns.size())));
    put16(out, derived(m.instrumentCountOverride, uint32_t(m.instruments.size())));
    put16(out, m.flags);
    put16(out, uint32_t(m.speed));
    put16(out, uint32_t(m.bpm));
    for (size_t i = 0; i < 256; ++i) put8(out, i < m.orders.size() ? m.orders[i] : 0);
    // Sizes beyond 64 KiB are written as given but not padded to: they point
    // past the image.
    if (m.headerSize <= 0x10000) out.resize(60 + size_t(m.headerSize), 0);
}

void pack_cell(std::vector<uint8_t>& out, const Cell& cell, bool packed) {
    const uint8_t fields[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.param};
    if (!packed) {
        for (uint8_t field : fields) put8(out, field);
        return;
    }
    uint8_t mask = 0x80;
    for (int i = 0; i < 5; ++i)
        if (fields[i]) mask |= uint8_t(1 << i);
    put8(out, mask);
    for (int i = 0; i < 5; ++i)
        if (fields[i]) put8(out, fields[i]);
}

void write_pattern(std::vector<uint8_t>& out, const XmPattern& p, int channels) {
    std::vector<uint8_t> data = p.rawData;
    if (data.empty() && !p.noData) {
        std::vector<Cell> grid(size_t(p.rows) * size_t(channels), Cell{0, 0, 0, 0, 0});
        for (const XmCellAt& at : p.cells)
            if (at.row >= 0 && at.row < p.rows && at.channel >= 0 && at.channel < channels)
                grid[size_t(at.row) * size_t(channels) + size_t(at.channel)] = at.cell;
        for (const Cell& cell : grid) pack_cell(data, cell, p.packed);
    }
    put32(out, 9);
    put8(out, 0);
    put16(out, uint32_t(p.rows));
    put16(out, derived(p.packedSizeOverride, uint32_t(data.size())));
    out.insert(out.end(), data.begin(), data.end());
}

void write_envelope_points(std::vector<uint8_t>& out, const XmEnvelope& e) {
    for (size_t i = 0; i < 12; ++i) {
        EnvelopePoint point = i < e.points.size() ? e.points[i] : EnvelopePoint{0, 0};
        put16(out, point.x);
        put16(out, point.y);
    }
}

uint32_t bytes_per_frame(const XmSample& s) { return s.sixteenBit ? 2 : 1; }

void write_sample_header(std::vector<uint8_t>& out, const XmSample& s) {
    uint32_t width = bytes_per_frame(s);
    put32(out, derived(s.lengthBytesOverride, uint32_t(s.values.size()) * width));
    put32(out, derived(s.loopStartBytesOverride, s.loopStart * width));
    put32(out, derived(s.loopLengthBytesOverride, s.loopLength * width));
    put8(out, s.volume);
    put8(out, uint8_t(s.finetune));
    put8(out, uint32_t(s.loopType | s.extraTypeBits | (s.sixteenBit ? XM_SAMPLE_16BIT : 0)));
    put8(out, s.panning);
    put8(out, uint8_t(s.relativeNote));
    put8(out, 0);
    put_text(out, "sample", 22);
}

void write_sample_data(std::vector<uint8_t>& out, const XmSample& s) {
    if (!s.rawData.empty()) {
        out.insert(out.end(), s.rawData.begin(), s.rawData.end());
        return;
    }
    int32_t previous = 0;
    for (int32_t value : s.values) {
        uint32_t delta = uint32_t(value - previous);
        previous = value;
        if (s.sixteenBit)
            put16(out, delta);
        else
            put8(out, delta);
    }
}

void write_instrument(std::vector<uint8_t>& out, const XmInstrument& ins) {
    uint32_t sampleCount = derived(ins.sampleCountOverride, uint32_t(ins.samples.size()));
    uint32_t headerSize = derived(ins.headerSizeOverride, ins.samples.empty() ? 29 : 263);
    std::vector<uint8_t> header;
    put32(header, headerSize);
    put_text(header, "instrument", 22);
    put8(header, 0);
    put16(header, sampleCount);
    put32(header, 40);
    header.insert(header.end(), ins.noteSample, ins.noteSample + 96);
    write_envelope_points(header, ins.volumeEnvelope);
    write_envelope_points(header, ins.panningEnvelope);
    const XmEnvelope& v = ins.volumeEnvelope;
    const XmEnvelope& p = ins.panningEnvelope;
    put8(header, derived(v.pointCountOverride, uint32_t(v.points.size())));
    put8(header, derived(p.pointCountOverride, uint32_t(p.points.size())));
    put8(header, v.sustainPoint);
    put8(header, v.loopStart);
    put8(header, v.loopEnd);
    put8(header, p.sustainPoint);
    put8(header, p.loopStart);
    put8(header, p.loopEnd);
    put8(header, v.flags);
    put8(header, p.flags);
    put8(header, ins.vibratoType);
    put8(header, ins.vibratoSweep);
    put8(header, ins.vibratoDepth);
    put8(header, ins.vibratoRate);
    put16(header, ins.fadeout);
    header.resize(headerSize, 0);
    out.insert(out.end(), header.begin(), header.end());
    for (const XmSample& s : ins.samples) write_sample_header(out, s);
    for (const XmSample& s : ins.samples) write_sample_data(out, s);
}

}  // namespace

XmPattern xm_pattern(int rows) {
    XmPattern p;
    p.rows = rows;
    return p;
}

XmSample xm_sample_8bit(const std::vector<int32_t>& values) {
    XmSample s;
    s.values = values;
    return s;
}

XmSample xm_sample_16bit(const std::vector<int32_t>& values) {
    XmSample s;
    s.values = values;
    s.sixteenBit = true;
    return s;
}

XmInstrument xm_instrument(const XmSample& sample) {
    XmInstrument ins;
    ins.samples.push_back(sample);
    return ins;
}

std::vector<uint8_t> write_xm(const XmModule& module) {
    std::vector<uint8_t> out;
    write_header(out, module);
    for (const XmPattern& p : module.patterns) write_pattern(out, p, module.channels);
    for (const XmInstrument& ins : module.instruments) write_instrument(out, ins);
    return out;
}

Song* load_xm_image(const std::vector<uint8_t>& image) {
    return load_song_from(MEMORY_SOURCE, image.data(), uint32_t(image.size()));
}

Song* load_xm(const XmModule& module) { return load_xm_image(write_xm(module)); }

LoadedSong load_song_image(const std::vector<uint8_t>& image) { return LoadedSong(load_xm_image(image), release_song); }

LoadedSong load_song(const XmModule& module) { return load_song_image(write_xm(module)); }

const Sample& only_sample(const LoadedSong& song) { return *song->instruments[0].samples[0]; }
