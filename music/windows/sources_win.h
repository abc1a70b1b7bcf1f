// The Windows module sources: the resource kind and the file kind, and the
// choice of a source table by kind number.
#pragma once
#include <cstdint>

#include "song/module_source.h"

// Resource kind: a resource of type 10 (RCDATA) in the module whose handle
// start_playback put into activeSource.handle; read and seek of the memory kind.
extern const ModuleSource RESOURCE_SOURCE;

// The table of kind 0 (resource), 1 (memory) or 2 (file); null for any other.
const ModuleSource* source_for_kind(uint8_t kind);
