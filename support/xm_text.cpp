#include "support/xm_text.h"

namespace {

const uint32_t PATTERNS_AT = 70;
const uint32_t INSTRUMENTS_AT = 72;
const uint32_t SAMPLE_HEADER_BYTES = 40;  // as the loader takes them

const uint8_t* bytes;
uint32_t byteCount;

uint32_t byte_at(uint64_t at) { return at < byteCount ? bytes[at] : 0; }
uint32_t get16(uint64_t at) { return byte_at(at) | (byte_at(at + 1) << 8); }
uint32_t get32(uint64_t at) { return get16(at) | (get16(at + 2) << 16); }

void copy_name(uint64_t at, int length, char* name) {
    int kept = 0;
    for (int i = 0; i < length; ++i) {
        const uint32_t c = byte_at(at + i);
        if (c == 0) break;
        name[i] = char(c);
        if (c != ' ') kept = i + 1;
    }
    name[kept] = '\0';
}

// The instrument record at `at`; returns where the next one starts.
uint64_t read_instrument(uint64_t at, XmInstrumentText* instrument) {
    copy_name(at + 4, XM_NAME_CHARS, instrument->name);
    instrument->sampleCount = get16(at + 27);
    uint64_t next = at + get32(at);
    const uint32_t kept = instrument->sampleCount < 16 ? instrument->sampleCount : 16;
    uint64_t dataBytes = 0;
    for (uint32_t s = 0; s < kept; ++s, next += SAMPLE_HEADER_BYTES) {
        dataBytes += get32(next);
        instrument->samples[s].bits = (byte_at(next + 14) & 0x10) ? 16 : 8;
        copy_name(next + 18, XM_NAME_CHARS, instrument->samples[s].name);
    }
    return next + dataBytes;
}

}  // namespace

void read_xm_text(const uint8_t* image, uint32_t size, XmText* text) {
    bytes = image;
    byteCount = size;
    *text = XmText{};
    copy_name(17, 20, text->title);
    copy_name(38, 20, text->tracker);
    text->patternCount = get16(PATTERNS_AT);
    text->instrumentCount = get16(INSTRUMENTS_AT);
    uint64_t at = 60 + uint64_t(get32(60));
    for (uint32_t p = 0; p < text->patternCount && at < size; ++p) at += get32(at) + get16(at + 7);
    while (text->instrumentsFound < text->instrumentCount && text->instrumentsFound < 128 && at < size)
        at = read_instrument(at, &text->instruments[text->instrumentsFound++]);
}
