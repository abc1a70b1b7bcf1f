// The module source kinds and their installation into the player record.
//
// Every kind's open also leaves the module's size in activeSource.size (the
// memory kind is given it; the others find it), so that the loader can bound
// what a module may claim by what it holds.
#pragma once
#include <cstdint>

#include "song/module_source.h"

// Memory kind: the image at activeSource.base, activeSource.size bytes long.
extern const ModuleSource MEMORY_SOURCE;
// File kind: a file path; on Windows from sources_win.cpp.
extern const ModuleSource FILE_SOURCE;

// Copies the table into activeSource.operations and starts the source state as a
// playback start does: size and handle = sizeOrHandle, position 0.
void install_source(const ModuleSource& kind, uint32_t sizeOrHandle);

// The memory kind's operations, shared with the resource kind.
void memory_open(const void* image);
void memory_close();
// Delivers up to count bytes from the current position; 0 at the end.
uint32_t memory_read(void* destination, uint32_t count);
// Mode 0 from the start, any other mode from the current position; the
// position stays within 0..sourceSize.
uint32_t memory_seek(int32_t offset, uint32_t mode);
