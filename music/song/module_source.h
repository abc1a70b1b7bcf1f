// The four operations through which the loader reads a module.
#pragma once
#include <cstdint>

struct ModuleSource {
    void (*open)(const void* module);
    void (*close)();
    uint32_t (*read)(void* destination, uint32_t count);
    uint32_t (*seek)(int32_t offset, uint32_t mode);  // mode 0 from start, 1 from current
};

const uint8_t SOURCE_RESOURCE = 0;
const uint8_t SOURCE_MEMORY = 1;
const uint8_t SOURCE_FILE = 2;

// The source a load reads from: its operations and their state.
struct ActiveSource {
    ModuleSource operations;
    uint32_t size;
    uint32_t position;
    const uint8_t* base;
    uintptr_t handle;
};

extern ActiveSource activeSource;
