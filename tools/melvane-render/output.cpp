#include "output.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interrupt.h"

namespace {

// Whole blocks go out through one large buffer: few system calls.
char outputBuffer[64 * 1024];

void put16(uint8_t* p, uint16_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

void put32(uint8_t* p, uint32_t value) {
    put16(p, uint16_t(value));
    put16(p + 2, uint16_t(value >> 16));
}

// The name to end up with: a symbolic link stays and its file is replaced.
char* resolve_target(const char* name) {
    struct stat link;
    if (lstat(name, &link) == 0 && S_ISLNK(link.st_mode)) return realpath(name, nullptr);
    return strdup(name);
}

// "dir/.name.XXXXXX" beside target, with the permissions given.
int create_temporary(const char* target, mode_t mode, char** temporary) {
    const char* slash = std::strrchr(target, '/');
    const size_t folder = slash ? size_t(slash - target) + 1 : 0;
    const size_t length = std::strlen(target);
    if (length > PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    *temporary = static_cast<char*>(std::malloc(length + 16));
    if (*temporary == nullptr) return -1;
    std::memcpy(*temporary, target, folder);
    std::strcpy(*temporary + folder, ".");
    std::strcat(*temporary, target + folder);
    std::strcat(*temporary, ".XXXXXX");
    const int fd = mkstemp(*temporary);
    if (fd < 0) return -1;
    fchmod(fd, mode);
    set_pending_temporary(*temporary);
    return fd;
}

bool open_file(const char* name, Output* out) {
    struct stat status;
    const bool inPlace = stat(name, &status) == 0 && !S_ISREG(status.st_mode);
    if (inPlace) {
        out->file = std::fopen(name, "wb");
        return out->file != nullptr;
    }
    out->target = resolve_target(name);
    if (out->target == nullptr) return false;
    // A file replaced keeps its permissions; a new one gets the usual ones.
    const mode_t mask = umask(0);
    umask(mask);
    const mode_t mode = stat(out->target, &status) == 0 ? status.st_mode & 07777 : 0666 & ~mask;
    const int fd = create_temporary(out->target, mode, &out->temporary);
    if (fd < 0) return false;
    out->file = fdopen(fd, "wb");
    if (out->file == nullptr) close(fd);
    return out->file != nullptr;
}

}  // namespace

bool output_is_input(const char* name, const InputImage& input) {
    struct stat status;
    const bool found = std::strcmp(name, "-") == 0 ? fstat(STDOUT_FILENO, &status) == 0 : stat(name, &status) == 0;
    return found && input.regular && uint64_t(status.st_dev) == input.device && uint64_t(status.st_ino) == input.inode;
}

bool output_writable(const char* name, char* why, size_t whySize) {
    if (std::strcmp(name, "-") == 0) return true;
    struct stat status;
    const bool found = stat(name, &status) == 0;
    if (found && access(name, W_OK) != 0) {
        std::snprintf(why, whySize, "cannot write %s: %s", name, std::strerror(errno));
        return false;
    }
    if (found && !S_ISREG(status.st_mode)) return true;  // a device, written in place
    char* target = resolve_target(name);
    if (target == nullptr) return true;  // open_output says why
    char* slash = std::strrchr(target, '/');
    const char* folder = slash == nullptr ? "." : slash == target ? "/" : target;
    if (slash > target) *slash = '\0';
    const bool writable = access(folder, W_OK | X_OK) == 0;
    if (!writable) std::snprintf(why, whySize, "cannot write to folder %s: %s", folder, std::strerror(errno));
    std::free(target);
    return writable;
}

bool open_output(const char* name, Output* out) {
    *out = Output{nullptr, nullptr, nullptr};
    if (std::strcmp(name, "-") == 0) {
        out->file = stdout;
    } else if (!open_file(name, out)) {
        close_output(out, false);
        return false;
    }
    setvbuf(out->file, outputBuffer, _IOFBF, sizeof outputBuffer);
    return true;
}

bool close_output(Output* out, bool ok) {
    if (out->file == stdout) {
        ok = std::fflush(stdout) == 0 && ok;
    } else if (out->file != nullptr) {
        ok = std::fclose(out->file) == 0 && ok;
    }
    if (out->temporary != nullptr) {
        ok = ok && std::rename(out->temporary, out->target) == 0;
        const int error = errno;
        if (!ok) unlink(out->temporary);
        set_pending_temporary(nullptr);
        errno = error;
    }
    std::free(out->target);
    std::free(out->temporary);
    *out = Output{nullptr, nullptr, nullptr};
    return ok;
}

bool write_wav_header(FILE* out, uint32_t frames) {
    const uint32_t dataBytes = frames * 4;
    uint8_t header[44];
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, 36 + dataBytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);      // format chunk size
    put16(header + 20, 1);       // PCM
    put16(header + 22, 2);       // channels
    put32(header + 24, 44100);   // frames per second
    put32(header + 28, 176400);  // bytes per second
    put16(header + 32, 4);       // bytes per frame
    put16(header + 34, 16);      // bits per sample
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, dataBytes);
    return std::fwrite(header, 1, sizeof header, out) == sizeof header;
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// The samples in memory are already the file's bytes.
bool write_frames(FILE* out, const int16_t* samples, uint32_t frames) {
    return std::fwrite(samples, 4, frames, out) == frames;
}
#else
bool write_frames(FILE* out, const int16_t* samples, uint32_t frames) {
    uint8_t bytes[4 * 1024];
    uint32_t done = 0;
    while (done < frames) {
        uint32_t count = frames - done;
        if (count > 1024) count = 1024;
        for (uint32_t i = 0; i < count * 2; ++i) put16(bytes + 2 * i, uint16_t(samples[2 * done + i]));
        if (std::fwrite(bytes, 4, count, out) != count) return false;
        done += count;
    }
    return true;
}
#endif
