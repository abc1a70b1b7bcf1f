// orvo-cli: replays moves on a new or saved game, prints the board, saves it.
#include <cstdio>
#include <cstring>

#include "board.h"
#include "board_text.h"
#include "move_text.h"
#include "savefile.h"

const int EXIT_OK = 0;
const int EXIT_REFUSED = 1;
const int EXIT_USAGE = 2;

static const char* USAGE =
    "usage:\n"
    "  orvo-cli play [--from FILE] [--save FILE] MOVE...\n"
    "      Starts a new game, or the saved game FILE, places each MOVE in turn\n"
    "      (red first on a new game), prints the board and saves it to FILE.\n"
    "      A MOVE is COLUMN,ROW: column 0..24 left to right, row 0..18 top down.\n"
    "  orvo-cli show FILE\n"
    "      Prints the saved game FILE.\n"
    "Board: . free  R B live marks  r b captured marks  x captured empty node.\n"
    "Exit status: 0 done, 1 a move was refused or a file failed, 2 bad usage.\n";

static int usageError(const char* problem) {
    fprintf(stderr, "orvo-cli: %s\n%s", problem, USAGE);
    return EXIT_USAGE;
}

static bool loadGame(const char* path) {
    if (restoreGame(path)) return true;
    FILE* file = fopen(path, "rb");
    if (!file) {
        fprintf(stderr, "orvo-cli: cannot open %s\n", path);
        return false;
    }
    fclose(file);
    fprintf(stderr, "orvo-cli: %s is not a saved game (951 bytes: marks 0..2, captured 0..1, turn)\n", path);
    return false;
}

static bool placeAll(char** moves, int count) {
    for (int i = 0; i < count; i++) {
        int column, row;
        parseMove(moves[i], &column, &row);
        const char* reason = refusalReason(column, row);
        if (reason) {
            fprintf(stderr, "orvo-cli: move %d (%s) refused: %s\n", i + 1, moves[i], reason);
            return false;
        }
        placeMark(column, row);
    }
    return true;
}

// Options may stand anywhere among the moves; the moves keep their order.
static int play(int argc, char** argv) {
    const char* from = nullptr;
    const char* saveTo = nullptr;
    int moveCount = 0;
    for (int i = 0; i < argc; i++) {
        bool isFrom = strcmp(argv[i], "--from") == 0;
        if (isFrom || strcmp(argv[i], "--save") == 0) {
            if (i + 1 >= argc) return usageError("an option needs a FILE");
            *(isFrom ? &from : &saveTo) = argv[++i];
            continue;
        }
        int column, row;
        if (!parseMove(argv[i], &column, &row)) return usageError("a MOVE is COLUMN,ROW, as 5,4");
        argv[moveCount++] = argv[i];
    }
    if (from && !loadGame(from)) return EXIT_REFUSED;
    if (!placeAll(argv, moveCount)) return EXIT_REFUSED;
    printBoard(stdout);
    if (saveTo && !saveGame(saveTo)) {
        fprintf(stderr, "orvo-cli: could not write all of %s\n", saveTo);
        return EXIT_REFUSED;
    }
    return EXIT_OK;
}

static int show(int argc, char** argv) {
    if (argc != 1) return usageError("show takes one FILE");
    if (!loadGame(argv[0])) return EXIT_REFUSED;
    printBoard(stdout);
    return EXIT_OK;
}

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "play") == 0) return play(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "show") == 0) return show(argc - 2, argv + 2);
    if (argc == 2 && (strcmp(argv[1], "help") == 0 || strcmp(argv[1], "--help") == 0)) {
        fputs(USAGE, stdout);
        return EXIT_OK;
    }
    return usageError("say play, show or help");
}
