// The offline renderer as a whole process on the real modules that the
// damaged-module tests fetch from the package archive.
#pragma once

// Prints, per module and in total, the CPU time (user + system, from
// getrusage) of the whole render process, the best of `runs`; a message
// instead when the modules cannot be fetched. With `before` (another
// melvane-render, e.g. of an earlier commit) both are timed in turn, side by
// side.
void bench_real_modules(int runs, const char* before);
