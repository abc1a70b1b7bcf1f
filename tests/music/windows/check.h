// The Windows test hosts' one way of reporting: a line per check, and a count
// of the checks that failed for the exit status.
#pragma once
#include <cstdio>

inline int failures = 0;

inline void check(bool ok, const char* what) {
    printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    fflush(stdout);
    if (!ok) failures += 1;
}
