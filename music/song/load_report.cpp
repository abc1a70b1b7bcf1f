#include "song/load_report.h"

namespace {

const char* failureReason = "";
LoadShortfall reading;
LoadShortfall shortfall;

}  // namespace

void reset_load_report() {
    failureReason = "";
    reading = LoadShortfall{SHORT_NONE, 0, 0};
    shortfall = reading;
}

int32_t xm_fail(const char* reason) {
    failureReason = reason;
    return 0;
}

void xm_reading(uint8_t part, uint32_t index, uint32_t sample) { reading = LoadShortfall{part, index, sample}; }

void xm_note_short() {
    if (shortfall.part == SHORT_NONE) shortfall = reading;
}

const char* load_error() { return failureReason; }

LoadShortfall load_shortfall() { return shortfall; }
