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
