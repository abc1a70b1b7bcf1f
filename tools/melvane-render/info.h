// --info: a description of a module, without rendering it.
#pragma once
#include <cstdint>

struct Song;

// Prints to standard output the module's names and sizes from the image and
// the loaded song, the length of one pass (which uses the song up) and the
// load warning, if any. False when the pass cannot be measured.
bool print_info(const uint8_t* image, uint32_t size, Song* song, const char* warning);
