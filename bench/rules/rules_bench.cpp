// Prints how long one accepted move takes: placeMark with its capture
// recomputation and outline rebuild, over seeded random games played to a full
// board (median, 99th percentile, worst) and on the heaviest boards we know;
// and the deepest the path stack went. Targets: median 20 us, 99th percentile
// 100 us. rules_bench [GAMES] plays another number of games (fewer for
// valgrind --tool=callgrind --toggle-collect='*randomGames*', which counts
// instructions repeatably where the clock is noisy; divide by the moves and
// the replays plus one).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "board.h"
#include "capture.h"
#include "outline.h"
#include "random_moves.h"

const int DEFAULT_GAMES = 100;
const uint32_t FIRST_SEED = 2024;
const int REPLAYS = 3;
const double MEDIAN_TARGET_US = 20;
const double P99_TARGET_US = 100;

static double nowUs() {
    using namespace std::chrono;
    return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
}

// The seeded games: every move, game after game, each game to a full board.
static std::vector<int16_t> playGames(int games, std::vector<int>* gameStarts) {
    std::vector<int16_t> moves;
    uint32_t seed = FIRST_SEED;
    for (int game = 0; game < games; game++) {
        gameStarts->push_back((int)moves.size());
        newGame();
        for (int node = randomFreeNode(&seed); node >= 0; node = randomFreeNode(&seed)) {
            placeMark(node / BOARD_ROWS, node % BOARD_ROWS);
            moves.push_back((int16_t)node);
        }
    }
    gameStarts->push_back((int)moves.size());
    return moves;
}

// Replays the games REPLAYS times and keeps each move's best time, so that a
// move the machine interrupted once does not count as slow.
[[gnu::noinline]] static void randomGames(int games) {
    std::vector<int> gameStarts;
    std::vector<int16_t> moves = playGames(games, &gameStarts);
    std::vector<double> times(moves.size(), 1e12);
    for (int replay = 0; replay < REPLAYS; replay++) {
        for (int game = 0; game < games; game++) {
            newGame();
            for (int i = gameStarts[game]; i < gameStarts[game + 1]; i++) {
                double start = nowUs();
                placeMark(moves[i] / BOARD_ROWS, moves[i] % BOARD_ROWS);
                times[i] = std::min(times[i], nowUs() - start);
            }
        }
    }
    std::sort(times.begin(), times.end());
    double total = 0;
    for (double t : times) total += t;
    double median = times[times.size() / 2];
    double p99 = times[times.size() * 99 / 100];
    printf("random games: %d games to a full board, %zu moves, each the best of %d replays\n", games, times.size(),
           REPLAYS);
    printf("  median %.1f us (target %.0f), 99th percentile %.1f us (target %.0f), worst %.1f us, mean %.1f us\n",
           median, MEDIAN_TARGET_US, p99, P99_TARGET_US, times.back(), total / times.size());
    printf("  %s\n", median <= MEDIAN_TARGET_US && p99 <= P99_TARGET_US ? "within both targets" : "OVER a target");
}

static void clearBoard() {
    memset(&board, 0, sizeof board);
    board.redToMove = 1;
}

// Best of a few runs of the move that completes the board set up by setup().
static double timeClosingMove(void (*setup)(), int column, int row) {
    double best = 1e12;
    for (int run = 0; run < 5; run++) {
        setup();
        double start = nowUs();
        placeMark(column, row);
        best = std::min(best, nowUs() - start);
    }
    return best;
}

// A red ring just inside the border around an empty field: every empty node
// inside needs a fill of the whole field for blue.
static void bigEmptyRing() {
    clearBoard();
    for (int column = 1; column <= 23; column++) {
        board.marks[nodeIndex(column, 1)] = MARK_RED;
        board.marks[nodeIndex(column, 17)] = MARK_RED;
    }
    for (int row = 2; row <= 16; row++) {
        board.marks[nodeIndex(1, row)] = MARK_RED;
        board.marks[nodeIndex(23, row)] = MARK_RED;
    }
    board.marks[nodeIndex(12, 17)] = MARK_NONE;  // the closing move
}

// The same field walled by a corner-to-corner blue diamond with red inside.
static void bigDiamond() {
    clearBoard();
    for (int column = 0; column < BOARD_COLUMNS; column++) {
        for (int row = 0; row < BOARD_ROWS; row++) {
            int distance = abs(column - 12) + abs(row - 9);
            if (distance == 9)
                board.marks[nodeIndex(column, row)] = MARK_BLUE;
            else if (distance < 9 && (column + row) % 3 == 0)
                board.marks[nodeIndex(column, row)] = MARK_RED;
        }
    }
    board.marks[nodeIndex(12, 0)] = MARK_NONE;  // the closing move
    board.redToMove = 0;
}

// Red fills the left of the board, blue the right.
static void solidHalves() {
    clearBoard();
    for (int node = 0; node < BOARD_NODES - 1; node++) board.marks[node] = node < 238 ? MARK_RED : MARK_BLUE;
    board.redToMove = 0;
}

static void heavyBoards() {
    struct Case {
        const char* name;
        void (*setup)();
        int column, row;
    } cases[] = {
        {"red ring around an empty field", bigEmptyRing, 12, 17},
        {"blue diamond closing on red marks", bigDiamond, 12, 0},
        {"last move of a board of solid halves", solidHalves, 24, 18},
    };
    for (const Case& c : cases) printf("%s: %.1f us\n", c.name, timeClosingMove(c.setup, c.column, c.row));
    const int rebuilds = 200;
    double start = nowUs();
    for (int i = 0; i < rebuilds; i++) {
        memset(board.marks, MARK_RED, sizeof board.marks);
        memset(board.captured, 0, sizeof board.captured);
        rebuildOutlines();
    }
    printf("outline rebuild of a board all red (%d outlines, %d bytes): %.1f us\n", (int)board.outlineCount,
           (int)board.outlineEnd, (nowUs() - start) / rebuilds);
}

int main(int argc, char** argv) {
    int games = argc > 1 ? atoi(argv[1]) : DEFAULT_GAMES;
    if (games < 1) games = 1;
    printf("one move = placeMark: recomputeCaptures + rebuildOutlines\n");
    randomGames(games);
    printf("deepest path stack in random games: %d entries\n", deepestPathEntries);
    heavyBoards();
    printf("deepest path stack overall: %d entries (room for %d)\n", deepestPathEntries, PATH_ENTRIES);
    return 0;
}
