// The saved-game image: marks, captured, redToMove (951 bytes, no header).
#pragma once

const int SAVE_FILE_BYTES = 951;

// Writes the image to path; true only when all 951 bytes were written.
bool saveGame(const char* path);
// Loads the image from path and rebuilds the outlines. A file that cannot be
// opened, is not exactly 951 bytes or holds values out of range leaves the
// board as it was (the outlines are rebuilt all the same). A loaded game starts
// a new history of moves to take back. Returns whether it loaded.
bool restoreGame(const char* path);

// Why the last restoreGame left the board as it was.
const int RESTORE_LOADED = 0;
const int RESTORE_UNOPENED = 1;      // the C library's errno says why
const int RESTORE_WRONG_SIZE = 2;    // bytes: what it read, or SAVE_FILE_BYTES + 1 when longer
const int RESTORE_OUT_OF_RANGE = 3;  // a mark or captured value no game can hold
struct RestoreRefusal {
    int reason;
    int bytes;
};
RestoreRefusal lastRestoreRefusal();
