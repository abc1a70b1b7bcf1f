// A tool started with standard input, output or error closed would open its
// first file on that descriptor, and its messages would go into the file.
#pragma once

#ifdef _WIN32
// Windows' C runtime keeps descriptors 0 to 2 for the standard streams,
// whatever handles the process was given.
inline bool open_standard_descriptors(bool* outputClosed) {
    *outputClosed = false;
    return true;
}
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, lowest
// first, so that each open lands on the one wanted. That keeps files away
// from them, but what the user asked for on a closed standard output would
// vanish there: outputClosed tells the tool to refuse it. False when a
// descriptor cannot be opened.
inline bool open_standard_descriptors(bool* outputClosed) {
    *outputClosed = false;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) return false;
        *outputClosed = *outputClosed || fd == STDOUT_FILENO;
    }
    return true;
}
#endif
