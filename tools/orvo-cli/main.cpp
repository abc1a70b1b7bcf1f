// orvo-cli [SCRIPT]: plays a script of moves and commands on the rules engine,
// from the file SCRIPT or from standard input, and prints the state at the end.
// Exit status 0, or 2 with "line N: reason" on standard error.
#include <cstdio>
#include <string>

#include "savefile.h"
#include "script.h"
#include "state_text.h"

const int EXIT_SCRIPT_ERROR = 2;

static const ScriptFiles GAME_FILES = {saveGame, restoreGame};

// Line by line, so that dump answers at once when typing at a terminal.
static int runLines(FILE* in) {
    std::string line;
    int lineNumber = 0;
    int c = 0;
    while (c != EOF) {
        line.clear();
        while ((c = getc(in)) != EOF && c != '\n') line.push_back((char)c);
        if (c == EOF && line.empty()) break;
        lineNumber++;
        const char* reason = nullptr;
        if (!runScriptLine(line.data(), line.size(), stdout, &GAME_FILES, &reason)) {
            fflush(stdout);
            fprintf(stderr, "line %d: %s\n", lineNumber, reason);
            return EXIT_SCRIPT_ERROR;
        }
        fflush(stdout);
    }
    printState(stdout);
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 2) {
        fputs("usage: orvo-cli [SCRIPT]\n", stderr);
        return EXIT_SCRIPT_ERROR;
    }
    if (argc == 1) return runLines(stdin);
    FILE* in = fopen(argv[1], "rb");
    if (!in) {
        fprintf(stderr, "orvo-cli: cannot open %s\n", argv[1]);
        return EXIT_SCRIPT_ERROR;
    }
    int status = runLines(in);
    fclose(in);
    return status;
}
