#include "game_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "savefile.h"

static std::string problem;

// Why restoreGame refused the file, found by reading it as it does.
static std::string restoreFailure(const char* path) {
    FILE* file = fopen(path, "rb");
    if (!file) return strerror(errno);
    unsigned char image[SAVE_FILE_BYTES + 1];
    size_t got = fread(image, 1, sizeof image, file);
    std::string reason = ferror(file) ? strerror(errno) : "";
    fclose(file);
    if (!reason.empty()) return reason;
    const std::string expected = std::to_string(SAVE_FILE_BYTES);
    if (got > (size_t)SAVE_FILE_BYTES) return "not a saved game (longer than " + expected + " bytes)";
    if (got < (size_t)SAVE_FILE_BYTES)
        return "not a saved game (" + std::to_string(got) + " bytes, not " + expected + ")";
    return "not a saved game (values out of range)";
}

bool saveReporting(const char* path) {
    errno = 0;
    if (saveGame(path)) return true;
    problem = std::string("cannot save to ") + path + ": " + (errno ? strerror(errno) : "incomplete write");
    return false;
}

bool restoreReporting(const char* path) {
    if (restoreGame(path)) return true;
    problem = std::string(path) + " not restored: " + restoreFailure(path);
    return false;
}

std::string takeFileProblem() {
    std::string taken;
    taken.swap(problem);
    return taken;
}
