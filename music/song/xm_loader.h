// Fills a Song from a module source.
#pragma once
#include <cstdint>

#include "song/load_report.h"
#include "song/module_source.h"

struct Song;

// Nonzero on success. On failure the song holds what was loaded so far and
// release_song takes it apart.
int32_t load_module(Song* song);

// Loads a module into a new Song from a source kind: the source installed
// for sizeOrHandle, opened on module, read by load_module and closed. Null
// when it fails; load_error() then says why.
Song* load_song_from(const ModuleSource& kind, const void* module, uintptr_t sizeOrHandle);
