// Whole files as bytes, for the tests that write saved games and scripts and
// read back what the program wrote.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/file_bytes.h"

// Empty when the file cannot be opened.
inline std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!read_file_bytes(path.c_str(), &bytes)) bytes.clear();
    return bytes;
}

inline void writeFileBytes(const std::string& path, const void* data, size_t size) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    // An empty vector's data() may be null, which fwrite must not be given.
    if (size > 0) {
        ASSERT_EQ(fwrite(data, 1, size, file), size) << path;
    }
    fclose(file);
}

inline void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    writeFileBytes(path, bytes.data(), bytes.size());
}
