// Fills a zero-filled Song from the active module source.
#pragma once
#include <cstdint>

struct Song;

// Nonzero on success. On failure the song holds what was loaded so far and
// release_song takes it apart.
int32_t load_module(Song* song);

// Why the last load failed, in a few words; empty after a successful load.
const char* load_error();
