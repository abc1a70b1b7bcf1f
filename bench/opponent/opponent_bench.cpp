// Plays the opponent's levels against two simple players and prints, for each
// pairing, wins, draws and losses, mean scores, milliseconds per move (median
// and maximum) and the search depth reached. 40 games a pairing, colours
// alternating, fixed seeds; a game ends when each side has placed 120 marks or
// the side to move finds no free node, and the higher score wins.
//   opponent_bench [GAMES [LEVEL [PLAYER]]]
// LEVEL (easy, normal or hard) and PLAYER (greedy or two-move) keep only the
// pairings named.
// Milliseconds are wall-clock time and the process's CPU time; on a machine
// busy with other work the second is the fair one.
// Targets: hard beats the greedy player in 38 of 40 games and the two-move
// searcher in 36, at most 250 ms a move; normal at most 50 ms a move; easy
// loses some games to the greedy player.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "board.h"
#include "opponent.h"
#include "random_moves.h"

const int DEFAULT_GAMES = 40;
const int MARKS_EACH = 120;
const uint32_t FIRST_SEED = 7001;

enum Player { GREEDY, TWO_MOVE, EASY, NORMAL, HARD };
static const char* const PLAYER_NAMES[] = {"greedy", "two-move", "easy", "normal", "hard"};

static double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

static double cpuMs() { return 1000.0 * (double)std::clock() / CLOCKS_PER_SEC; }

static int moverAhead(const Board& b) {
    int redAhead = redScore(b) - blueScore(b);
    return b.redToMove ? redAhead : -redAhead;
}

// The free nodes in a seeded random order: the simple players' tie-break.
static std::vector<int> shuffledFreeNodes(const Board& b, uint32_t* seed) {
    std::vector<int> nodes;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (b.marks[node] == MARK_NONE && b.captured[node] == 0) nodes.push_back(node);
    }
    for (size_t i = nodes.size(); i > 1; i--) std::swap(nodes[i - 1], nodes[nextRandom(seed) % i]);
    return nodes;
}

static Board work;

static void copyGame(Board& to, const Board& from) {
    Position position;
    savePosition(from, &position);
    loadPosition(to, position);
}

// The lead after one move, for the side that played it.
static int leadAfter(const Board& from, int node) {
    copyGame(work, from);
    placeMarkAt(work, node);
    return -moverAhead(work);
}

// The move with the best lead right after it; the first of equals in random order.
static int greedyMove(const Board& b, uint32_t* seed) {
    int best = -1, bestLead = -BOARD_NODES - 1;
    for (int node : shuffledFreeNodes(b, seed)) {
        int lead = leadAfter(b, node);
        if (lead > bestLead) best = node, bestLead = lead;
    }
    return best;
}

// The move whose worst reply leaves the best lead: alpha-beta over two moves,
// the reply that refuted the last move tried first.
static int twoMoveSearch(const Board& b, uint32_t* seed) {
    static Board afterMove;
    int best = -1, bestLead = -BOARD_NODES - 1, refutation = -1;
    std::vector<int> moves = shuffledFreeNodes(b, seed);
    for (int node : moves) {
        copyGame(afterMove, b);
        placeMarkAt(afterMove, node);
        int worst = -moverAhead(afterMove);
        std::vector<int> replies = shuffledFreeNodes(afterMove, seed);
        if (refutation >= 0) replies.insert(replies.begin(), refutation);
        for (int reply : replies) {
            if (worst <= bestLead) break;
            if (afterMove.marks[reply] != MARK_NONE || afterMove.captured[reply] != 0) continue;
            int lead = -leadAfter(afterMove, reply);
            if (lead < worst) worst = lead, refutation = reply;
        }
        if (worst > bestLead) best = node, bestLead = worst;
    }
    return best;
}

struct Tally {
    int wins = 0, draws = 0, losses = 0;
    long scoreFor = 0, scoreAgainst = 0;
    std::vector<double> moveMs, moveCpuMs;
    std::vector<int> depths;
};

static int chooseFor(Player player, const Board& b, uint32_t* seed, Tally* tally) {
    if (player == GREEDY) return greedyMove(b, seed);
    if (player == TWO_MOVE) return twoMoveSearch(b, seed);
    double start = nowMs(), startCpu = cpuMs();
    int node = chooseMove(b, player - EASY + LEVEL_EASY, nullptr);
    tally->moveMs.push_back(nowMs() - start);
    tally->moveCpuMs.push_back(cpuMs() - startCpu);
    tally->depths.push_back(searchDepthReached);
    return node;
}

static Board game;

static void playGame(Player level, Player other, bool levelIsRed, uint32_t seed, Tally* tally) {
    memset(&game, 0, sizeof game);
    game.redToMove = 1;
    int placed[2] = {0, 0};
    while (placed[0] < MARKS_EACH || placed[1] < MARKS_EACH) {
        bool levelMoves = (game.redToMove != 0) == levelIsRed;
        int node = chooseFor(levelMoves ? level : other, game, &seed, tally);
        if (node < 0) break;
        placed[game.redToMove ? 0 : 1]++;
        placeMarkAt(game, node);
    }
    int red = redScore(game), blue = blueScore(game);
    int mine = levelIsRed ? red : blue, theirs = levelIsRed ? blue : red;
    tally->scoreFor += mine;
    tally->scoreAgainst += theirs;
    if (mine > theirs)
        tally->wins++;
    else if (mine < theirs)
        tally->losses++;
    else
        tally->draws++;
}

static void playPairing(Player level, Player other, int games) {
    Tally tally;
    for (int g = 0; g < games; g++) playGame(level, other, g % 2 == 0, FIRST_SEED + (uint32_t)g, &tally);
    std::vector<double>& ms = tally.moveMs;
    std::vector<double>& cpu = tally.moveCpuMs;
    std::vector<int>& depths = tally.depths;
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::sort(depths.begin(), depths.end());
    printf("%-6s vs %-8s  %2d wins %2d draws %2d losses  mean score %5.1f : %5.1f\n", PLAYER_NAMES[level],
           PLAYER_NAMES[other], tally.wins, tally.draws, tally.losses, (double)tally.scoreFor / games,
           (double)tally.scoreAgainst / games);
    printf("    ms a move: median %.1f, max %.1f (CPU: median %.1f, max %.1f)  depth reached: median %d (%d..%d)\n",
           ms[ms.size() / 2], ms.back(), cpu[cpu.size() / 2], cpu.back(), depths[depths.size() / 2], depths.front(),
           depths.back());
    fflush(stdout);
}

int main(int argc, char** argv) {
    int games = argc > 1 ? atoi(argv[1]) : DEFAULT_GAMES;
    const char* only = argc > 2 ? argv[2] : nullptr;
    const char* against = argc > 3 ? argv[3] : nullptr;
    if (games < 1 || argc > 4) {
        fprintf(stderr, "usage: opponent_bench [GAMES [LEVEL [PLAYER]]]\n");
        return 2;
    }
    printf("%d games a pairing, colours alternating, %d marks each or no free node\n", games, MARKS_EACH);
    static const Player pairings[][2] = {
        {HARD, GREEDY}, {HARD, TWO_MOVE}, {NORMAL, GREEDY}, {NORMAL, TWO_MOVE}, {EASY, GREEDY}};
    for (const auto& pairing : pairings) {
        if (only && strcmp(only, PLAYER_NAMES[pairing[0]]) != 0) continue;
        if (against && strcmp(against, PLAYER_NAMES[pairing[1]]) != 0) continue;
        playPairing(pairing[0], pairing[1], games);
    }
    return 0;
}
