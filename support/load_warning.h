// The warning of a load that found the module cut short.
#pragma once
#include <cstdint>

// "module ends early at byte N (where it was cut; what is missing)" for the
// last load of this image, or null when the module held everything it declares.
const char* shortfall_warning(const uint8_t* image, uint32_t size);
// Of the `declared` patterns, those the last load read whole: fewer when the
// module ends in its header or its patterns.
uint32_t patterns_read(uint32_t declared);
