// Runs arbitrary bytes as an orvo-cli script. Saves and restores all go to one
// scratch file of this process, removed before each input, so that no input
// writes anywhere else and each run starts alike.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/board.h"
#include "game/savefile.h"
#include "tools/orvo-cli/script.h"

static std::string scratchPath() {
    const char* folder = getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/orvo_fuzz_script_" + std::to_string(getpid()) + ".dat";
}

static const std::string& scratch() {
    static const std::string path = scratchPath();
    return path;
}

static bool saveToScratch(const char*) { return saveGame(scratch().c_str()); }
static bool restoreFromScratch(const char*) { return restoreGame(scratch().c_str()); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* sink = fopen("/dev/null", "w");
    static const ScriptFiles files = {saveToScratch, restoreFromScratch};
    remove(scratch().c_str());
    newGame();
    ScriptError error = {0, nullptr};
    bool ran = runScript((const char*)data, size, sink, &files, &error);
    if (!ran && (error.line < 1 || error.reason == nullptr)) abort();
    if (board.pathLength != 0) abort();
    remove(scratch().c_str());
    return 0;
}
