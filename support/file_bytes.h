// A whole file as bytes, for the native tools, tests and benchmarks.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

// Appends the file's bytes; false when it cannot be opened or read.
inline bool read_file_bytes(const char* path, std::vector<uint8_t>* bytes) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    uint8_t buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + count);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}
