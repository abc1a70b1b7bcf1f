// The saved-game image: marks, captured and redToMove, copied whole.
#include "savefile.h"

#include <cstdio>
#include <cstring>

#include "board.h"
#include "capture.h"
#include "outline.h"

bool saveGame(const char* path) {
    FILE* file = fopen(path, "wb");
    if (!file) return false;
    size_t written = fwrite(board.marks, 1, BOARD_NODES, file);
    written += fwrite(board.captured, 1, BOARD_NODES, file);
    written += fwrite(&board.redToMove, 1, 1, file);
    bool closed = fclose(file) == 0;
    return closed && written == (size_t)SAVE_FILE_BYTES;
}

static RestoreRefusal refusal;

static bool refuse(int reason, int bytes) {
    refusal.reason = reason;
    refusal.bytes = bytes;
    return false;
}

// Reads the whole file; true only when it holds exactly SAVE_FILE_BYTES bytes.
static bool readImage(const char* path, uint8_t* image) {
    FILE* file = fopen(path, "rb");
    if (!file) return refuse(RESTORE_UNOPENED, 0);
    size_t got = fread(image, 1, SAVE_FILE_BYTES, file);
    uint8_t extra;
    got += fread(&extra, 1, 1, file);
    fclose(file);
    if (got != (size_t)SAVE_FILE_BYTES) return refuse(RESTORE_WRONG_SIZE, (int)got);
    return true;
}

static bool imageInRange(const uint8_t* image) {
    for (int node = 0; node < BOARD_NODES; node++) {
        if (image[node] > MARK_BLUE || image[BOARD_NODES + node] > 1) return refuse(RESTORE_OUT_OF_RANGE, 0);
    }
    return true;
}

bool restoreGame(const char* path) {
    uint8_t image[SAVE_FILE_BYTES];
    refusal = RestoreRefusal{RESTORE_LOADED, 0};
    bool loaded = readImage(path, image) && imageInRange(image);
    if (loaded) {
        memcpy(board.marks, image, BOARD_NODES);
        memcpy(board.captured, image + BOARD_NODES, BOARD_NODES);
        board.redToMove = image[2 * BOARD_NODES];
        forgetMoves();
    }
    rebuildOutlines();
    return loaded;
}

RestoreRefusal lastRestoreRefusal() { return refusal; }
