// The resource and file kinds of module source, on the Windows calls.
#include "windows/sources_win.h"

#include <windows.h>

#include "song/sources.h"

namespace {

HANDLE file_handle() { return reinterpret_cast<HANDLE>(activeSource.handle); }

// A resource that cannot be found leaves nothing to read: every read then
// delivers 0 bytes and the loader fails at the signature.
void resource_open(const void* name) {
    HMODULE module = reinterpret_cast<HMODULE>(activeSource.handle);
    HRSRC info = FindResourceA(module, static_cast<LPCSTR>(name), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = nullptr;
    activeSource.size = 0;
    activeSource.base = nullptr;
    if (info != nullptr) {
        activeSource.size = SizeofResource(module, info);
        loaded = LoadResource(module, info);
        activeSource.base = static_cast<const uint8_t*>(LockResource(loaded));
        if (activeSource.base == nullptr) activeSource.size = 0;
    }
    activeSource.handle = reinterpret_cast<uintptr_t>(loaded);
    activeSource.position = 0;
}

void resource_close() {
    FreeResource(reinterpret_cast<HGLOBAL>(activeSource.handle));
    activeSource.handle = 0;
}

// The size goes into sourceSize as for the other kinds, so that the loader
// can bound what the module claims by what the file holds.
void file_open(const void* path) {
    HANDLE file =
        CreateFileA(static_cast<LPCSTR>(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    activeSource.handle = reinterpret_cast<uintptr_t>(file);
    activeSource.size = 0;
    activeSource.position = 0;
    if (file != INVALID_HANDLE_VALUE) {
        DWORD high = 0;
        DWORD low = GetFileSize(file, &high);
        if (high == 0 && low != INVALID_FILE_SIZE) activeSource.size = low;
    }
}

void file_close() {
    HANDLE file = file_handle();
    if (file != INVALID_HANDLE_VALUE && file != nullptr) CloseHandle(file);
    activeSource.handle = 0;
}

uint32_t file_read(void* destination, uint32_t count) {
    DWORD got = 0;
    if (!ReadFile(file_handle(), destination, count, &got, nullptr)) return 0;
    return got;
}

uint32_t file_seek(int32_t offset, uint32_t mode) {
    DWORD position = SetFilePointer(file_handle(), offset, nullptr, mode);
    return position == INVALID_SET_FILE_POINTER ? 0 : position;
}

}  // namespace

const ModuleSource RESOURCE_SOURCE = {resource_open, resource_close, memory_read, memory_seek};
const ModuleSource FILE_SOURCE = {file_open, file_close, file_read, file_seek};

const ModuleSource* source_for_kind(uint8_t kind) {
    switch (kind) {
    case SOURCE_RESOURCE:
        return &RESOURCE_SOURCE;
    case SOURCE_MEMORY:
        return &MEMORY_SOURCE;
    case SOURCE_FILE:
        return &FILE_SOURCE;
    default:
        return nullptr;
    }
}
