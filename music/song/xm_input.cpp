#include "song/xm_input.h"

#include "song/memory.h"
#include "song/module_source.h"
#include "song/load_report.h"

namespace {

// What a module may make the loader allocate: a fixed allowance, enough for
// 256 empty 64-row patterns of 32 channels that an order table may name
// without the file holding them, plus a multiple of the module's size. Cells
// cost 5 bytes per file byte at most and samples 2, so real modules stay far
// below; only empty patterns claiming huge row counts reach it.
const uint64_t LOAD_ALLOWANCE = 4u << 20;
const uint64_t LOAD_SIZE_FACTOR = 8;

uint64_t loadCeiling;
uint64_t loadAllocated;

}  // namespace

uint32_t xm_read(void* destination, uint32_t count) {
    const uint32_t delivered = activeSource.operations.read(destination, count);
    if (delivered < count) xm_note_short();
    return delivered;
}

uint16_t xm_get16(const uint8_t* bytes) { return uint16_t(bytes[0] | (bytes[1] << 8)); }

uint32_t xm_get32(const uint8_t* bytes) { return uint32_t(xm_get16(bytes)) | (uint32_t(xm_get16(bytes + 2)) << 16); }

uint32_t xm_read16() {
    uint8_t bytes[2] = {0, 0};
    xm_read(bytes, 2);
    return xm_get16(bytes);
}

uint32_t xm_read32() {
    uint8_t bytes[4] = {0, 0, 0, 0};
    xm_read(bytes, 4);
    return xm_get32(bytes);
}

uint32_t xm_position() { return activeSource.operations.seek(0, 1); }

uint32_t xm_remaining() {
    uint32_t position = xm_position();
    return position < activeSource.size ? activeSource.size - position : 0;
}

void xm_seek_to(uint64_t target) {
    uint64_t end = activeSource.size < 0x7FFFFFFFu ? activeSource.size : 0x7FFFFFFFu;
    activeSource.operations.seek(int32_t(target < end ? target : end), 0);
}

void xm_skip(int32_t count) { activeSource.operations.seek(count, 1); }

void xm_begin_load() {
    reset_load_report();
    loadAllocated = 0;
    loadCeiling = LOAD_ALLOWANCE + LOAD_SIZE_FACTOR * uint64_t(activeSource.size);
}

bool xm_take(uint64_t bytes, void** block) {
    *block = nullptr;
    if (bytes == 0) return true;
    if (bytes > loadCeiling - loadAllocated) {
        xm_fail("module claims more memory than its size justifies");
        return false;
    }
    if (bytes <= MAX_ALLOCATION) *block = alloc_zeroed(uint32_t(bytes));
    if (!*block) {
        xm_fail("out of memory");
        return false;
    }
    loadAllocated += bytes;
    return true;
}
