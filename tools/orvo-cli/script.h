// The orvo-cli script: one command a line, played on the one board.
//   C R           placeMark at column C (0..24), row R (0..18)
//   new           New game
//   save PATH     Save game to PATH
//   restore PATH  Restore game from PATH
//   dump          print the state
//   ai            the computer's move for the side to move, at the level
//   hint          print the move ai would play, without playing it
//   level N       the computer's level: 1 easy, 2 normal (the default), 3 hard
//   undo          take the last move back
// Blank lines and lines starting with '#' are skipped.
#pragma once
#include <cstddef>
#include <cstdio>

// Where save and restore go; orvo-cli passes saveGame and restoreGame.
struct ScriptFiles {
    bool (*save)(const char* path);
    bool (*restore)(const char* path);
};

struct ScriptError {
    int line;            // 1-based
    const char* reason;  // fixed text
};

// Runs one line (without its line end). False, with reason, when the line is
// not a command or the command failed.
bool runScriptLine(const char* text, size_t length, FILE* out, const ScriptFiles* files, const char** reason);

// Runs every line of a buffer from the default level, stopping at the first
// error, and prints the state once more at the end of a run without error.
// out may be null.
bool runScript(const char* text, size_t length, FILE* out, const ScriptFiles* files, ScriptError* error);
