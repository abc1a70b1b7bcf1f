// Prints how long one move takes: placeMark with its capture recomputation and
// outline rebuild, over random full games and on the heaviest boards we know.
// Target: every move well inside one frame at 60 Hz (16.7 ms), since it runs
// on the window's thread between a click and the repaint.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "board.h"
#include "capture.h"

const double FRAME_MS = 1000.0 / 60.0;

static double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

static uint32_t nextRandom(uint32_t* seed) {
    *seed = *seed * 1103515245u + 12345u;
    return *seed >> 8;
}

static int randomFreeNode(uint32_t* seed) {
    int freeNodes[BOARD_NODES], count = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!board.marks[node] && !board.captured[node]) freeNodes[count++] = node;
    }
    return count ? freeNodes[nextRandom(seed) % count] : -1;
}

static Board slowestBefore;
static int slowestNode;

static void slowestRandomMove() { board = slowestBefore; }

// Plays random games to the end and reports the time of each move.
static double randomGames(int games) {
    std::vector<double> times;
    double slowest = -1;
    uint32_t seed = 2024;
    for (int game = 0; game < games; game++) {
        newGame();
        for (int node = randomFreeNode(&seed); node >= 0; node = randomFreeNode(&seed)) {
            Board before = board;
            double start = nowMs();
            placeMark(node / BOARD_ROWS, node % BOARD_ROWS);
            times.push_back(nowMs() - start);
            if (times.back() > slowest) {
                slowest = times.back();
                slowestBefore = before;
                slowestNode = node;
            }
        }
    }
    std::sort(times.begin(), times.end());
    double total = 0;
    for (double t : times) total += t;
    printf("random games: %d games, %zu moves\n", games, times.size());
    printf("  mean %.3f ms, median %.3f ms, 99th percentile %.3f ms, worst %.3f ms per move\n",
           total / times.size(), times[times.size() / 2], times[times.size() * 99 / 100], times.back());
    return times.back();
}

static double timeClosingMove(void (*setup)(), int column, int row);

static void clearBoard() {
    memset(&board, 0, sizeof board);
    board.redToMove = 1;
}

// Best of a few runs of the move that completes the board set up by setup().
static double timeClosingMove(void (*setup)(), int column, int row) {
    double best = 1e9;
    for (int run = 0; run < 5; run++) {
        setup();
        double start = nowMs();
        placeMark(column, row);
        best = std::min(best, nowMs() - start);
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
            if (distance == 9) board.marks[nodeIndex(column, row)] = MARK_BLUE;
            else if (distance < 9 && (column + row) % 3 == 0) board.marks[nodeIndex(column, row)] = MARK_RED;
        }
    }
    board.marks[nodeIndex(12, 0)] = MARK_NONE;  // the closing move
    board.redToMove = 0;
}

// Alternating halves: red fills the left of the board, blue the right.
static void solidHalves() {
    clearBoard();
    for (int node = 0; node < BOARD_NODES - 1; node++) board.marks[node] = node < 238 ? MARK_RED : MARK_BLUE;
    board.redToMove = 0;
}

int main() {
    printf("one move = placeMark: recomputeCaptures + rebuildOutlines\n");
    randomGames(40);
    // A single timing can catch a busy machine: the slowest move is timed again.
    double worst = timeClosingMove(slowestRandomMove, slowestNode / BOARD_ROWS, slowestNode % BOARD_ROWS);
    printf("  slowest random move again, best of 5: %.3f ms\n", worst);
    struct Case {
        const char* name;
        void (*setup)();
        int column, row;
    } cases[] = {
        {"red ring around an empty field", bigEmptyRing, 12, 17},
        {"blue diamond closing on red marks", bigDiamond, 12, 0},
        {"last move of a board of solid halves", solidHalves, 24, 18},
    };
    for (const Case& c : cases) {
        double ms = timeClosingMove(c.setup, c.column, c.row);
        printf("%s: %.3f ms\n", c.name, ms);
        worst = std::max(worst, ms);
    }
    double start = nowMs();
    const int rebuilds = 200;
    for (int i = 0; i < rebuilds; i++) {
        memset(board.marks, MARK_RED, sizeof board.marks);
        memset(board.captured, 0, sizeof board.captured);
        rebuildOutlines();
    }
    printf("outline rebuild of a board all red (%d outlines, %d bytes): %.3f ms\n", (int)board.outlineCount,
           (int)board.outlineEnd, (nowMs() - start) / rebuilds);
    printf("worst move %.3f ms against a target of %.1f ms: %s\n", worst, FRAME_MS,
           worst < FRAME_MS ? "within" : "OVER");
    return 0;
}
