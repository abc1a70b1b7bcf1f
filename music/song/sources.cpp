#include "song/sources.h"

#include <cstring>

ActiveSource activeSource;

const ModuleSource MEMORY_SOURCE = {memory_open, memory_close, memory_read, memory_seek};

void install_source(const ModuleSource& kind, uint32_t sizeOrHandle) {
    activeSource.size = sizeOrHandle;
    activeSource.handle = sizeOrHandle;
    activeSource.position = 0;
    activeSource.operations = kind;
}

void memory_open(const void* image) { activeSource.base = static_cast<const uint8_t*>(image); }

void memory_close() {}

uint32_t memory_read(void* destination, uint32_t count) {
    if (activeSource.position >= activeSource.size) return 0;
    uint32_t left = activeSource.size - activeSource.position;
    uint32_t n = count < left ? count : left;
    memcpy(destination, activeSource.base + activeSource.position, n);
    activeSource.position += n;
    return n;
}

uint32_t memory_seek(int32_t offset, uint32_t mode) {
    int64_t position = offset;
    if (mode != 0) position += activeSource.position;
    if (position < 0) position = 0;
    if (position > activeSource.size) position = activeSource.size;
    activeSource.position = uint32_t(position);
    return activeSource.position;
}
