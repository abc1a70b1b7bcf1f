#include "load_failure.h"

#include <cstring>

namespace {

uint16_t read16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}

}  // namespace

const char* describe_load_failure(const uint8_t* image, uint32_t size) {
    if (size < 4 || std::memcmp(image, "Exte", 4) != 0) return "not an XM module";
    if (size < 80) return "the module header is cut short";
    if (read16(image + 68) > 32) return "more than 32 channels";
    const int16_t bpm = int16_t(read16(image + 78));
    if (bpm <= 0) return "default BPM is 0 or negative";
    return "malformed module data (an instrument with more than 16 samples, or sizes past the end)";
}
