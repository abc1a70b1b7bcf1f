#include "output.h"

#include <cstring>

namespace {

void put16(uint8_t* p, uint16_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

void put32(uint8_t* p, uint32_t value) {
    put16(p, uint16_t(value));
    put16(p + 2, uint16_t(value >> 16));
}

}  // namespace

FILE* open_output(const char* name) {
    if (std::strcmp(name, "-") == 0) return stdout;
    return std::fopen(name, "wb");
}

bool write_wav_header(FILE* out, uint32_t frames) {
    const uint32_t dataBytes = frames * 4;
    uint8_t header[44];
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, 36 + dataBytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);      // format chunk size
    put16(header + 20, 1);       // PCM
    put16(header + 22, 2);       // channels
    put32(header + 24, 44100);   // frames per second
    put32(header + 28, 176400);  // bytes per second
    put16(header + 32, 4);       // bytes per frame
    put16(header + 34, 16);      // bits per sample
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, dataBytes);
    return std::fwrite(header, 1, sizeof header, out) == sizeof header;
}

bool write_frames(FILE* out, const int16_t* samples, uint32_t frames) {
    uint8_t bytes[4 * 1024];
    uint32_t done = 0;
    while (done < frames) {
        uint32_t count = frames - done;
        if (count > 1024) count = 1024;
        for (uint32_t i = 0; i < count * 2; ++i) {
            put16(bytes + 2 * i, uint16_t(samples[2 * done + i]));
        }
        if (std::fwrite(bytes, 4, count, out) != count) return false;
        done += count;
    }
    return true;
}
