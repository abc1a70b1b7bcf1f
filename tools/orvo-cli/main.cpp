// orvo-cli [SCRIPT]: plays a script of moves and commands on the rules engine,
// from the file SCRIPT or from standard input, and prints the state at the end.
// Exit status 0; 1 when the output cannot be written or standard output is
// closed; 2 with "line N: reason" (or another reason) on standard error.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "../standard_descriptors.h"
#include "../version.h"
#include "game_files.h"
#include "script.h"
#include "state_text.h"

const int EXIT_WRITE_ERROR = 1;
const int EXIT_SCRIPT_ERROR = 2;
const size_t SHOWN_LINE_CHARS = 60;

static const char* const USAGE = "usage: orvo-cli [SCRIPT]\nTry 'orvo-cli --help' for more.\n";
static const char* const HELP =
    "usage: orvo-cli [SCRIPT]\n"
    "Plays a script of moves and commands on Orvo's rules engine and prints the\n"
    "state at the end. SCRIPT is a file, or - (or nothing) for standard input,\n"
    "with one command a line:\n"
    "  C R           place the next mark at column C (0..24), row R (0..18)\n"
    "  new           start a new game\n"
    "  save PATH     write the saved game (951 bytes) to PATH\n"
    "  restore PATH  load the saved game PATH; one that cannot be loaded leaves\n"
    "                the game as it was, with a warning\n"
    "  dump          print the state\n"
    "  ai            play the computer's move for the side to move\n"
    "  hint          print the move ai would play (hint C R), without playing it\n"
    "  level N       the computer's level: 1 easy, 2 normal (the default), 3 hard\n"
    "  undo          take the last move back\n"
    "Blank lines and lines starting with # are skipped.\n"
    "  -h, --help    print this help\n"
    "  --version     print the version\n"
    "Exit status: 0 done, 1 the output could not be written (or standard output\n"
    "is closed), 2 a bad line, a failed save, an unreadable SCRIPT or a bad\n"
    "command line.\n";

static const ScriptFiles GAME_FILES = {saveReporting, restoreReporting};

// The line as a message shows it: without surrounding blanks, control
// characters as '?', a long line cut short.
static std::string shownLine(const std::string& line) {
    size_t first = line.find_first_not_of(" \t\r");
    size_t last = line.find_last_not_of(" \t\r");
    std::string shown = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    if (shown.size() > SHOWN_LINE_CHARS) shown = shown.substr(0, SHOWN_LINE_CHARS) + "...";
    for (char& c : shown) {
        if ((unsigned char)c < 32 || c == 127) c = '?';
    }
    return shown;
}

// Runs one line; false, with the message printed, when the script must stop.
static bool runLine(const std::string& line, int lineNumber) {
    const char* reason = nullptr;
    bool ran = runScriptLine(line.data(), line.size(), stdout, &GAME_FILES, &reason);
    std::string fileProblem = takeFileProblem();
    fflush(stdout);
    if (!fileProblem.empty())
        fprintf(stderr, "line %d: %s%s\n", lineNumber, ran ? "warning: " : "", fileProblem.c_str());
    else if (!ran)
        fprintf(stderr, "line %d: %s: %s\n", lineNumber, reason, shownLine(line).c_str());
    return ran;
}

// Line by line, so that dump answers at once when typing at a terminal.
static int runLines(FILE* in, const char* name) {
    std::string line;
    int lineNumber = 0;
    int c = 0;
    while (c != EOF) {
        line.clear();
        while ((c = getc(in)) != EOF && c != '\n') line.push_back((char)c);
        if (c == EOF && line.empty()) break;
        if (!runLine(line, ++lineNumber)) return EXIT_SCRIPT_ERROR;
    }
    if (ferror(in)) {
        fprintf(stderr, "orvo-cli: cannot read %s: %s\n", name, strerror(errno));
        return EXIT_SCRIPT_ERROR;
    }
    printState(stdout);
    return 0;
}

static int runScriptFile(const char* path) {
    if (strcmp(path, "-") == 0) return runLines(stdin, "standard input");
    FILE* in = fopen(path, "rb");
    if (!in) {
        fprintf(stderr, "orvo-cli: cannot open %s: %s\n", path, strerror(errno));
        return EXIT_SCRIPT_ERROR;
    }
    int status = runLines(in, path);
    fclose(in);
    return status;
}

// Output that never arrived fails the run.
static int settle(int status) {
    if (fflush(stdout) == 0 && !ferror(stdout)) return status;
    fprintf(stderr, "orvo-cli: cannot write the output: %s\n", strerror(errno));
    return status == 0 ? EXIT_WRITE_ERROR : status;
}

static int usageError(const std::string& what) {
    fprintf(stderr, "orvo-cli: %s\n%s", what.c_str(), USAGE);
    return EXIT_SCRIPT_ERROR;
}

int main(int argc, char** argv) {
    bool outputClosed = false;
    if (!open_standard_descriptors(&outputClosed)) return EXIT_WRITE_ERROR;
    const char* script = "-";
    bool help = false, version = false;
    int operands = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc && !help && !version; i++) {
        const char* arg = argv[i];
        if (!optionsEnded && (strcmp(arg, "-h") == 0 || strcmp(arg, "--help") == 0)) {
            help = true;
        } else if (!optionsEnded && strcmp(arg, "--version") == 0) {
            version = true;
        } else if (!optionsEnded && strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (!optionsEnded && arg[0] == '-' && arg[1] != '\0') {
            return usageError(std::string("unknown option '") + arg + "'");
        } else if (++operands > 1) {
            return usageError("too many arguments");
        } else {
            script = arg;
        }
    }
    // Everything the tool shows goes to standard output: closed, it would
    // go nowhere.
    if (outputClosed) {
        fprintf(stderr, "orvo-cli: standard output is closed\n");
        return EXIT_WRITE_ERROR;
    }
    if (help) fputs(HELP, stdout);
    if (version) printf("orvo-cli %s\n", TOOLS_VERSION);
    return settle(help || version ? 0 : runScriptFile(script));
}
