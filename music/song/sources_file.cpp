// The file kind for native builds, on the portable C file API. The handle
// field holds the FILE pointer; 0 when the file could not be opened, and
// then every read delivers nothing.
#ifndef _WIN32
#include <cstdio>

#include "song/module_source.h"
#include "song/sources.h"

namespace {

FILE* open_file() { return reinterpret_cast<FILE*>(activeSource.handle); }

// The size, found by seeking to the end; 0 for files beyond 4 GiB - 1.
uint32_t file_size(FILE* file) {
    if (fseek(file, 0, SEEK_END) != 0) return 0;
    long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    if (size < 0 || static_cast<unsigned long>(size) > 0xFFFFFFFFul) return 0;
    return uint32_t(size);
}

void file_open(const void* path) {
    FILE* file = fopen(static_cast<const char*>(path), "rb");
    activeSource.handle = reinterpret_cast<uintptr_t>(file);
    activeSource.size = file ? file_size(file) : 0;
    activeSource.position = 0;
}

void file_close() {
    FILE* file = open_file();
    if (file) fclose(file);
    activeSource.handle = 0;
}

uint32_t file_read(void* destination, uint32_t count) {
    FILE* file = open_file();
    if (!file) return 0;
    return uint32_t(fread(destination, 1, count, file));
}

uint32_t file_seek(int32_t offset, uint32_t mode) {
    FILE* file = open_file();
    if (!file) return 0;
    fseek(file, offset, mode == 0 ? SEEK_SET : SEEK_CUR);
    long position = ftell(file);
    return position < 0 ? 0 : uint32_t(position);
}

}  // namespace

const ModuleSource FILE_SOURCE = {file_open, file_close, file_read, file_seek};
#endif
