// The prefill of a playback start: 100 blocks of the built-in song rendered
// right after loading.
#pragma once

// CPU milliseconds of the prefill, median of `runs`; negative when the song
// cannot be read or loaded.
double prefill_ms(int runs);
