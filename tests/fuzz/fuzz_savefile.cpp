// Restores arbitrary bytes as a saved game, then plays a few moves on it: the
// board must stay within the rules whatever the file held.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/board.h"
#include "game/capture.h"
#include "game/savefile.h"

static std::string savePath() {
    const char* folder = getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/orvo_fuzz_savefile_" + std::to_string(getpid()) +
           ".dat";
}

static void check(bool holds, const char* what) {
    if (holds) return;
    fprintf(stderr, "fuzz_savefile: %s\n", what);
    abort();
}

// Moves come from the bytes after the image: one byte a move, the node index
// modulo the board.
static void playMoves(const uint8_t* data, size_t size) {
    const size_t MAX_MOVES = 8;
    for (size_t i = SAVE_FILE_BYTES; i < size && i < SAVE_FILE_BYTES + MAX_MOVES; i++) {
        uint8_t capturedBefore[BOARD_NODES];
        memcpy(capturedBefore, board.captured, BOARD_NODES);
        int node = data[i] * 7 % BOARD_NODES;
        placeMark(node / BOARD_ROWS, node % BOARD_ROWS);
        check(board.pathLength == 0, "path not empty after a move");
        for (int n = 0; n < BOARD_NODES; n++) check(!capturedBefore[n] || board.captured[n], "a capture was released");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = savePath();
    newGame();
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return 0;
    // The image is the first 951 bytes, or the whole input when it is shorter
    // or when the first byte asks for a file of the wrong length.
    size_t imageBytes = size > (size_t)SAVE_FILE_BYTES && (data[0] & 0x80) == 0 ? SAVE_FILE_BYTES : size;
    if (imageBytes > 0) fwrite(data, 1, imageBytes, file);
    fclose(file);
    Board before = board;
    bool loaded = restoreGame(path.c_str());
    if (!loaded) {
        check(memcmp(board.marks, before.marks, BOARD_NODES) == 0, "a refused file changed the marks");
        check(memcmp(board.captured, before.captured, BOARD_NODES) == 0, "a refused file changed the captures");
        check(board.redToMove == before.redToMove, "a refused file changed the turn");
    }
    check(board.outlineEnd <= OUTLINE_BYTES, "outline list overran");
    playMoves(data, size);
    remove(path.c_str());
    return 0;
}
