#include "front/sources.h"

#include <cstring>

#include "front/player_state.h"

const ModuleSource MEMORY_SOURCE = {memory_open, memory_close, memory_read, memory_seek};

void install_source(const ModuleSource& kind, uint32_t sizeOrHandle) {
    player.sourceSize = sizeOrHandle;
    player.sourceHandle = sizeOrHandle;
    player.sourcePosition = 0;
    player.source = kind;
}

void memory_open(const void* image) { player.sourceBase = static_cast<const uint8_t*>(image); }

void memory_close() {}

uint32_t memory_read(void* destination, uint32_t count) {
    if (player.sourcePosition >= player.sourceSize) return 0;
    uint32_t left = player.sourceSize - player.sourcePosition;
    uint32_t n = count < left ? count : left;
    memcpy(destination, player.sourceBase + player.sourcePosition, n);
    player.sourcePosition += n;
    return n;
}

uint32_t memory_seek(int32_t offset, uint32_t mode) {
    int64_t position = offset;
    if (mode != 0) position += player.sourcePosition;
    if (position < 0) position = 0;
    if (position > player.sourceSize) position = player.sourceSize;
    player.sourcePosition = uint32_t(position);
    return player.sourcePosition;
}
