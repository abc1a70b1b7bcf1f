// The three memory routines the compiler calls for block copies, fills and
// compares. The library has no C run-time DLL to take them from.
#include <cstddef>

extern "C" {

void* memcpy(void* destination, const void* source, size_t bytes) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    while (bytes--) *to++ = *from++;
    return destination;
}

void* memset(void* destination, int value, size_t bytes) {
    unsigned char* to = static_cast<unsigned char*>(destination);
    while (bytes--) *to++ = static_cast<unsigned char>(value);
    return destination;
}

int memcmp(const void* a, const void* b, size_t bytes) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; bytes > 0; --bytes, ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}

}  // extern "C"
