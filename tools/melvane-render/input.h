// Reading the module file into memory, within a size cap.
#pragma once
#include <cstddef>
#include <cstdint>

// The largest input taken: far above any real module, far below what the
// machine holds.
const uint32_t MAX_INPUT_BYTES = 64u << 20;

struct InputImage {
    uint8_t* bytes;  // malloc'd; null when empty
    uint32_t size;
    bool regular;     // read from a regular file, which is
    uint64_t device;  // this one
    uint64_t inode;
};

// Reads the file name ("-" = standard input) whole. A regular file's size is
// checked against the cap before one sized read; a pipe or device is read in
// bounded pieces and refused once it passes the cap. False with the reason
// in why.
bool read_input(const char* name, InputImage* image, char* why, size_t whySize);
void free_input(InputImage* image);
