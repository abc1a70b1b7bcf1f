// The offline renderer as a whole process on the real modules that the
// damaged-module tests fetch from the package archive.
#pragma once

// Prints, per module and in total, audio seconds per CPU second of the
// whole render process (median of `runs`); a message instead when the
// modules cannot be fetched.
void bench_real_modules(int runs);
