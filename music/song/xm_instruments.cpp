#include "song/xm_instruments.h"

#include "song/song_model.h"
#include "song/xm_input.h"
#include "song/xm_loader.h"

namespace {

// An instrument record needs at least the bytes up to its sample count.
const uint32_t INSTRUMENT_MIN_BYTES = 29;
// Cells name instruments 1..128; records past the 128th can never play.
const uint32_t MAX_INSTRUMENTS = 128;
const uint32_t SAMPLE_HEADER_BYTES = 40;
const int MAX_ENVELOPE_POINTS = 12;
const uint16_t MAX_ENVELOPE_VALUE = 64;

// Keeps an envelope's points, loop and sustain within what it holds, so
// that the envelope step never reads past the used points.
void clamp_envelope(EnvelopePoint* points, uint8_t* count, uint8_t sustain, uint8_t loopStart, uint8_t loopEnd,
                    uint8_t* flags) {
    if (*count > MAX_ENVELOPE_POINTS) *count = MAX_ENVELOPE_POINTS;
    // A single point is an envelope that holds its value.
    if (*count == 0) *flags = 0;
    for (int i = 0; i < MAX_ENVELOPE_POINTS; ++i)
        if (points[i].y > MAX_ENVELOPE_VALUE) points[i].y = MAX_ENVELOPE_VALUE;
    if (loopStart >= *count || loopEnd >= *count || loopStart > loopEnd) *flags &= uint8_t(~ENVELOPE_LOOP);
    if (sustain >= *count) *flags &= uint8_t(~ENVELOPE_SUSTAIN);
}

void read_envelope(EnvelopePoint* points) {
    uint8_t bytes[48] = {};
    xm_read(bytes, 48);
    for (int i = 0; i < MAX_ENVELOPE_POINTS; ++i) {
        points[i].x = xm_get16(bytes + 4 * i);
        points[i].y = xm_get16(bytes + 4 * i + 2);
    }
}

void read_instrument_fields(Instrument* ins) {
    xm_read32();  // sample header size: headers are taken to be 40 bytes
    xm_read(ins->noteSample, 96);
    read_envelope(ins->volumeEnvelope);
    read_envelope(ins->panningEnvelope);
    uint8_t b[16] = {};
    xm_read(b, 16);
    ins->volumePointCount = b[0];
    ins->panningPointCount = b[1];
    ins->volumeSustainPoint = b[2];
    ins->volumeLoopStart = b[3];
    ins->volumeLoopEnd = b[4];
    ins->panningSustainPoint = b[5];
    ins->panningLoopStart = b[6];
    ins->panningLoopEnd = b[7];
    ins->volumeEnvelopeFlags = b[8];
    ins->panningEnvelopeFlags = b[9];
    ins->vibratoType = b[10];
    ins->vibratoSweep = b[11];
    ins->vibratoDepth = b[12];
    ins->vibratoRate = b[13];
    ins->fadeout = uint16_t(xm_get16(b + 14) * 2);
    clamp_envelope(ins->volumeEnvelope, &ins->volumePointCount, ins->volumeSustainPoint, ins->volumeLoopStart,
                   ins->volumeLoopEnd, &ins->volumeEnvelopeFlags);
    clamp_envelope(ins->panningEnvelope, &ins->panningPointCount, ins->panningSustainPoint, ins->panningLoopStart,
                   ins->panningLoopEnd, &ins->panningEnvelopeFlags);
}

// A loop must lie within the sample, so that the mixer and the guard frame
// stay inside the data: a loop starting at or past the end is dropped, a
// loop reaching past the end ends there. Without a loop the loop fields
// span the whole sample.
void clamp_loop(Sample* s) {
    if (s->loopType != LOOP_NONE && s->loopStart >= s->length) s->loopType = LOOP_NONE;
    if (s->loopType == LOOP_NONE) {
        s->loopStart = 0;
        s->loopLength = s->length;
    } else if (s->loopLength > s->length - s->loopStart) {
        s->loopLength = s->length - s->loopStart;
    }
}

void read_sample_header(Sample* s) {
    uint8_t h[SAMPLE_HEADER_BYTES] = {};
    xm_read(h, SAMPLE_HEADER_BYTES);
    s->length = xm_get32(h);
    s->loopStart = xm_get32(h + 4);
    s->loopLength = xm_get32(h + 8);
    s->volume = h[12] > 64 ? 64 : h[12];
    s->finetune = int8_t(h[13]);
    s->loopType = LOOP_NONE;
    s->bits = 8;
    if (h[14] & 0x01) s->loopType = LOOP_FORWARD;
    if (h[14] & 0x02) s->loopType = LOOP_PINGPONG;
    if (h[14] & 0x10) s->bits = 16;
    if (s->bits == 16) {
        s->length /= 2;
        s->loopStart /= 2;
        s->loopLength /= 2;
    }
    if (s->loopLength == 0) s->loopType = LOOP_NONE;
    clamp_loop(s);  // also spans the whole sample for LOOP_NONE
    s->panning = h[15];
    s->relativeNote = int8_t(h[16]);
}

int16_t as_signed(uint16_t value) { return int16_t(value >= 0x8000 ? int32_t(value) - 0x10000 : int32_t(value)); }

// Turns the bytes read into the start of data into 16-bit frames, delta
// decoded. 8-bit bytes widen from the back so none is overwritten unread.
void decode_frames(Sample* s) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(s->data);
    uint16_t sum = 0;
    if (s->bits == 8) {
        for (uint32_t i = s->length; i-- > 0;) s->data[i] = as_signed(uint16_t(bytes[i] << 8));
        for (uint32_t i = 0; i < s->length; ++i) {
            sum = uint16_t(sum + uint16_t(s->data[i]));
            s->data[i] = as_signed(sum);
        }
    } else {
        for (uint32_t i = 0; i < s->length; ++i) {
            uint16_t value = uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
            sum = uint16_t(sum + value);
            s->data[i] = as_signed(sum);
        }
    }
    s->bits = 16;
}

// The frame just past the loop, read by interpolation at the loop end.
void write_guard_frame(Sample* s) {
    uint32_t loopEnd = s->loopStart + s->loopLength;
    if (s->loopType == LOOP_FORWARD) s->data[loopEnd] = s->data[s->loopStart];
    if (s->loopType == LOOP_PINGPONG) s->data[loopEnd] = s->data[loopEnd - 1];
}

int32_t load_sample_data(Sample* s) {
    if (s->length == 0) return 1;
    uint32_t width = s->bits / 8;
    // A sample claiming more bytes than the module has left keeps what is there.
    if (uint64_t(s->length) * width > xm_remaining()) {
        xm_note_short();
        s->length = xm_remaining() / width;
        clamp_loop(s);
        if (s->length == 0) return 1;
    }
    void* data = nullptr;
    if (!xm_take(2 * uint64_t(s->length) + 16, &data)) return 0;
    s->data = static_cast<int16_t*>(data);
    xm_read(s->data, s->length * width);
    decode_frames(s);
    write_guard_frame(s);
    return 1;
}

int32_t load_instrument(Instrument* ins, uint32_t index) {
    uint32_t start = xm_position();
    uint32_t headerSize = xm_read32();
    xm_skip(23);
    uint32_t sampleCount = xm_read16();
    if (sampleCount > 16) return xm_fail("instrument declares more than 16 samples");
    ins->sampleCount = int32_t(sampleCount);
    for (uint32_t i = sampleCount; i < 16; ++i) ins->samples[i] = &emptySample;
    if (sampleCount == 0) {
        xm_seek_to(uint64_t(start) + headerSize);
        return 1;
    }
    read_instrument_fields(ins);
    xm_seek_to(uint64_t(start) + headerSize);
    for (uint32_t i = 0; i < sampleCount; ++i) {
        void* record = nullptr;
        if (!xm_take(sizeof(Sample), &record)) return 0;
        ins->samples[i] = static_cast<Sample*>(record);
        read_sample_header(ins->samples[i]);
    }
    for (uint32_t i = 0; i < sampleCount; ++i) {
        xm_reading(SHORT_SAMPLE_DATA, index, i);
        if (!load_sample_data(ins->samples[i])) return 0;
    }
    return 1;
}

}  // namespace

int32_t load_instruments(Song* song) {
    uint32_t count = uint16_t(song->instrumentCount);
    if (count > MAX_INSTRUMENTS) count = MAX_INSTRUMENTS;
    const uint32_t declared = count;
    uint32_t fitting = xm_remaining() / INSTRUMENT_MIN_BYTES;
    if (count > fitting) count = fitting;
    song->instrumentCount = int16_t(count);
    void* records = nullptr;
    if (!xm_take(uint64_t(count) * sizeof(Instrument), &records)) return 0;
    song->instruments = static_cast<Instrument*>(records);
    for (uint32_t i = 0; i < count; ++i) {
        xm_reading(SHORT_INSTRUMENT, i, 0);
        if (!load_instrument(&song->instruments[i], i)) return 0;
    }
    if (declared > count) {
        xm_reading(SHORT_INSTRUMENT, count, 0);
        xm_note_short();
    }
    return 1;
}
