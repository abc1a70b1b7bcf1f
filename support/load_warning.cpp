#include "support/load_warning.h"

#include <cstdio>

#include "song/xm_loader.h"
#include "support/xm_text.h"

namespace {

char message[256];
XmText text;

const char* plural(uint32_t count) { return count == 1 ? "" : "s"; }

// "; N more patterns and M instruments missing", or nothing when none are.
void append_missing(int* used, uint32_t patterns, uint32_t instruments, const char* more) {
    if (patterns == 0 && instruments == 0) return;
    const size_t room = sizeof message - size_t(*used);
    if (patterns > 0 && instruments > 0)
        *used += std::snprintf(message + *used, room, "; %u %spattern%s and %u instrument%s missing", patterns, more,
                               plural(patterns), instruments, plural(instruments));
    else if (patterns > 0)
        *used += std::snprintf(message + *used, room, "; %u %spattern%s missing", patterns, more, plural(patterns));
    else
        *used +=
            std::snprintf(message + *used, room, "; %u %sinstrument%s missing", instruments, more, plural(instruments));
}

uint32_t after(uint32_t index, uint32_t count) { return count > index + 1 ? count - index - 1 : 0; }

}  // namespace

const char* shortfall_warning(const uint8_t* image, uint32_t size) {
    const LoadShortfall cut = load_shortfall();
    if (cut.part == SHORT_NONE) return nullptr;
    read_xm_text(image, size, &text);
    const uint32_t patterns = text.patternCount;
    const uint32_t instruments = text.instrumentCount;
    int used = std::snprintf(message, sizeof message, "module ends early at byte %u (", size);
    const size_t room = sizeof message - size_t(used);
    switch (cut.part) {
    case SHORT_HEADER:
        used += std::snprintf(message + used, room, "cut in the header");
        append_missing(&used, patterns, instruments, "");
        break;
    case SHORT_PATTERN:
        used += std::snprintf(message + used, room, "cut at pattern %u of %u", cut.index, patterns);
        append_missing(&used, after(cut.index, patterns), instruments, "more ");
        break;
    case SHORT_INSTRUMENT:
        used += std::snprintf(message + used, room, "cut at instrument %u of %u", cut.index + 1, instruments);
        append_missing(&used, 0, after(cut.index, instruments), "more ");
        break;
    default:
        used += std::snprintf(message + used, room, "cut in the data of sample %u of instrument %u of %u",
                              cut.sample + 1, cut.index + 1, instruments);
        append_missing(&used, 0, after(cut.index, instruments), "more ");
        break;
    }
    std::snprintf(message + used, sizeof message - size_t(used), ")");
    return message;
}

uint32_t patterns_read(uint32_t declared) {
    const LoadShortfall cut = load_shortfall();
    if (cut.part == SHORT_HEADER) return 0;
    return cut.part == SHORT_PATTERN ? cut.index : declared;
}
