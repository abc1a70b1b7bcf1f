#include "game_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "savefile.h"

static std::string problem;

// Why restoreGame refused the file, in words; error: errno as it left it (a
// file that opens but cannot be read, such as a folder, reads as 0 bytes).
static std::string restoreFailure(int error) {
    const RestoreRefusal refusal = lastRestoreRefusal();
    const std::string expected = std::to_string(SAVE_FILE_BYTES);
    if (refusal.reason == RESTORE_UNOPENED || (refusal.bytes == 0 && error != 0)) return strerror(error);
    if (refusal.reason == RESTORE_OUT_OF_RANGE) return "not a saved game (values out of range)";
    if (refusal.bytes > SAVE_FILE_BYTES) return "not a saved game (longer than " + expected + " bytes)";
    return "not a saved game (" + std::to_string(refusal.bytes) + " bytes, not " + expected + ")";
}

bool saveReporting(const char* path) {
    errno = 0;
    if (saveGame(path)) return true;
    problem = std::string("cannot save to ") + path + ": " + (errno ? strerror(errno) : "incomplete write");
    return false;
}

bool restoreReporting(const char* path) {
    errno = 0;
    if (restoreGame(path)) return true;
    problem = std::string(path) + " not restored: " + restoreFailure(errno);
    return false;
}

std::string takeFileProblem() {
    std::string taken;
    taken.swap(problem);
    return taken;
}
