#include "input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const size_t FIRST_PIECE = 64 * 1024;

// Reads until count bytes or the end; the bytes got, or -1 with errno set.
ssize_t read_fully(int fd, uint8_t* into, size_t count) {
    size_t got = 0;
    while (got < count) {
        const ssize_t n = read(fd, into + got, count - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += size_t(n);
    }
    return ssize_t(got);
}

// A regular file: its size first, then one read of that many bytes.
bool read_sized(int fd, size_t size, InputImage* image) {
    image->bytes = static_cast<uint8_t*>(std::malloc(size));
    if (image->bytes == nullptr) return false;
    const ssize_t got = read_fully(fd, image->bytes, size);
    if (got < 0) return false;
    image->size = uint32_t(got);  // a file that shrank meanwhile gives what it held
    return true;
}

// A pipe or device: growing pieces, stopping one byte past the cap.
bool read_unsized(int fd, InputImage* image, bool* tooLarge) {
    size_t capacity = 0;
    size_t size = 0;
    for (;;) {
        if (size == capacity) {
            const size_t wanted = capacity == 0 ? FIRST_PIECE : capacity * 2;
            capacity = wanted > size_t(MAX_INPUT_BYTES) + 1 ? size_t(MAX_INPUT_BYTES) + 1 : wanted;
            uint8_t* grown = static_cast<uint8_t*>(std::realloc(image->bytes, capacity));
            if (grown == nullptr) return false;
            image->bytes = grown;
        }
        const ssize_t got = read_fully(fd, image->bytes + size, capacity - size);
        if (got < 0) return false;
        size += size_t(got);
        if (size > MAX_INPUT_BYTES) {
            *tooLarge = true;
            return false;
        }
        if (size < capacity) break;
    }
    image->size = uint32_t(size);
    return true;
}

}  // namespace

bool read_input(const char* name, InputImage* image, char* why, size_t whySize) {
    *image = InputImage{nullptr, 0, false, 0, 0};
    const bool standardInput = std::strcmp(name, "-") == 0;
    const char* shown = standardInput ? "standard input" : name;
    const int fd = standardInput ? STDIN_FILENO : open(name, O_RDONLY | O_CLOEXEC);
    struct stat status;
    bool tooLarge = false;
    bool ok = fd >= 0 && fstat(fd, &status) == 0;
    if (ok && S_ISREG(status.st_mode)) {
        image->regular = true;
        image->device = uint64_t(status.st_dev);
        image->inode = uint64_t(status.st_ino);
    }
    if (ok && S_ISREG(status.st_mode) && status.st_size > 0) {
        tooLarge = uint64_t(status.st_size) > MAX_INPUT_BYTES;
        ok = !tooLarge && read_sized(fd, size_t(status.st_size), image);
    } else if (ok) {
        ok = read_unsized(fd, image, &tooLarge);
    }
    const int error = errno;
    if (fd >= 0 && !standardInput) close(fd);
    if (ok) return true;
    free_input(image);
    if (tooLarge) {
        std::snprintf(why, whySize, "%s is larger than %u MiB", shown, MAX_INPUT_BYTES >> 20);
    } else {
        std::snprintf(why, whySize, "cannot read %s: %s", shown, std::strerror(error));
    }
    return false;
}

void free_input(InputImage* image) {
    std::free(image->bytes);
    *image = InputImage{nullptr, 0, false, 0, 0};
}
