// The song the library plays on _play_song@0: an XM image in the library's
// initialised data, generated at build time from song/builtin_song.xm.
#pragma once
#include <cstdint>

extern uint8_t BUILTIN_SONG[];
extern const uint32_t BUILTIN_SONG_SIZE;
