#include "script.h"

#include <chrono>
#include <cstring>
#include <string>

#include "board.h"
#include "opponent.h"
#include "state_text.h"

static int level = LEVEL_NORMAL;

static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
static bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal integer with an optional minus sign; large values saturate so
// that they stay out of range without overflowing.
static bool parseInteger(const std::string& text, size_t* at, long* value) {
    size_t i = *at;
    bool negative = i < text.size() && text[i] == '-';
    if (negative) i++;
    if (i >= text.size() || !isDigit(text[i])) return false;
    long result = 0;
    for (; i < text.size() && isDigit(text[i]); i++) {
        if (result < 1000000) result = result * 10 + (text[i] - '0');
    }
    *value = negative ? -result : result;
    *at = i;
    return true;
}

static void skipBlanks(const std::string& text, size_t* at) {
    while (*at < text.size() && isBlank(text[*at])) (*at)++;
}

static bool runMove(const std::string& line, const char** reason) {
    size_t at = 0;
    long column = 0, row = 0;
    bool parsed = parseInteger(line, &at, &column);
    size_t beforeBlanks = at;
    skipBlanks(line, &at);
    parsed = parsed && at > beforeBlanks && parseInteger(line, &at, &row) && at == line.size();
    if (!parsed) {
        *reason = "expected two numbers, column and row";
        return false;
    }
    if (column < 0 || column >= BOARD_COLUMNS) {
        *reason = "column out of range 0..24";
        return false;
    }
    if (row < 0 || row >= BOARD_ROWS) {
        *reason = "row out of range 0..18";
        return false;
    }
    playMove((int)column, (int)row);
    return true;
}

static unsigned millisecondsNow() {
    using namespace std::chrono;
    return (unsigned)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// ai plays the computer's move; hint prints it ("hint C R", or "hint none" on a
// board without a free node).
static void runOpponent(bool play, FILE* out) {
    int node = chooseMove(board, level, millisecondsNow);
    if (play) {
        if (node >= 0) playMove(node / BOARD_ROWS, node % BOARD_ROWS);
    } else if (out) {
        if (node < 0)
            fprintf(out, "hint none\n");
        else
            fprintf(out, "hint %d %d\n", node / BOARD_ROWS, node % BOARD_ROWS);
    }
}

static bool runLevel(const std::string& argument, const char** reason) {
    size_t at = 0;
    long value = 0;
    if (!parseInteger(argument, &at, &value) || at != argument.size()) {
        *reason = "expected a number, the level";
        return false;
    }
    if (value < LEVEL_EASY || value > LEVEL_HARD) {
        *reason = "level out of range 1..3";
        return false;
    }
    level = (int)value;
    return true;
}

// The argument after a word and blanks, or "" when the line is the word alone.
static bool splitWord(const std::string& line, const char* word, std::string* argument) {
    size_t length = strlen(word);
    if (line.compare(0, length, word) != 0) return false;
    if (line.size() == length) {
        argument->clear();
        return true;
    }
    if (!isBlank(line[length])) return false;
    size_t at = length;
    skipBlanks(line, &at);
    *argument = line.substr(at);
    return true;
}

static const char* const PLAIN_WORDS[] = {"new", "dump", "ai", "hint", "undo"};

// The commands without an argument.
static bool runPlainWord(int word, FILE* out) {
    switch (word) {
    case 0:
        newGame();
        break;
    case 1:
        if (out) printState(out);
        break;
    case 2:
    case 3:
        runOpponent(word == 2, out);
        break;
    default:
        // Nothing to take back is refused silently, as a refused move.
        takeBack();
        break;
    }
    return true;
}

static bool runWord(const std::string& line, FILE* out, const ScriptFiles* files, const char** reason) {
    std::string argument;
    for (int word = 0; word < (int)(sizeof PLAIN_WORDS / sizeof PLAIN_WORDS[0]); word++) {
        if (!splitWord(line, PLAIN_WORDS[word], &argument)) continue;
        if (!argument.empty()) {
            *reason = "this command takes no argument";
            return false;
        }
        return runPlainWord(word, out);
    }
    if (splitWord(line, "level", &argument)) return runLevel(argument, reason);
    bool save = splitWord(line, "save", &argument);
    if (save || splitWord(line, "restore", &argument)) {
        if (argument.empty()) {
            *reason = "missing PATH";
            return false;
        }
        if (!save) {
            // A missing or damaged file leaves the game as it was, as in the game.
            files->restore(argument.c_str());
            return true;
        }
        if (files->save(argument.c_str())) return true;
        *reason = "could not write the saved game";
        return false;
    }
    *reason = "unknown command";
    return false;
}

bool runScriptLine(const char* text, size_t length, FILE* out, const ScriptFiles* files, const char** reason) {
    if (memchr(text, '\0', length)) {
        *reason = "NUL byte in the line";
        return false;
    }
    std::string line(text, length);
    size_t first = 0;
    skipBlanks(line, &first);
    size_t end = line.size();
    while (end > first && isBlank(line[end - 1])) end--;
    line = line.substr(first, end - first);
    if (line.empty() || line[0] == '#') return true;
    if (isDigit(line[0]) || line[0] == '-') return runMove(line, reason);
    return runWord(line, out, files, reason);
}

bool runScript(const char* text, size_t length, FILE* out, const ScriptFiles* files, ScriptError* error) {
    level = LEVEL_NORMAL;
    size_t start = 0;
    int lineNumber = 0;
    while (start < length) {
        const char* newline = (const char*)memchr(text + start, '\n', length - start);
        size_t end = newline ? (size_t)(newline - text) : length;
        lineNumber++;
        if (!runScriptLine(text + start, end - start, out, files, &error->reason)) {
            error->line = lineNumber;
            return false;
        }
        start = end + 1;
    }
    if (out) printState(out);
    return true;
}
