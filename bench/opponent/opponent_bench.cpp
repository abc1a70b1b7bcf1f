// Plays the opponent's levels against each other and against the baseline
// players, and prints for each pairing wins, draws and losses, mean scores,
// processor milliseconds per move of the level (median and maximum) and the
// depth it reached, then a rating table of every player that played.
//   opponent_bench [GAMES [LEVEL [PLAYER]]]
// GAMES: games a pairing and a game length (default 2; the full tables take
// 20); each opening of four random moves in the middle of the board is
// played twice, the colours exchanged. LEVEL (easy, normal, hard or 1, 2, 3)
// and PLAYER keep only the pairings named. Games end when each side has
// placed 60 (then 120) marks or the side to move finds no free node; the
// higher score wins.
// Targets: hard beats the careful player in 18 of 20 games and the searcher,
// given hard's own processor time a move, in 15 of 20, at 120 marks; hard
// beats normal in 14 of 20 and normal beats easy in 18 of 20; hard's median
// at most 60 ms a move and its maximum 250 ms, normal's median 15 ms; easy
// loses some games to the greedy player.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "opponent.h"
#include "players.h"
#include "random_moves.h"
#include "ratings.h"

const int SHORT_GAMES = 2;
const int OPENING_MOVES = 4;
const uint32_t FIRST_SEED = 7001;
const double FIRST_SEARCHER_MS = 40;

enum Player { EASY, NORMAL, HARD, GREEDY, CAREFUL, SEARCHER, PLAYERS };
static const char* const PLAYER_NAMES[PLAYERS] = {"easy", "normal", "hard", "greedy", "careful", "searcher"};

struct Pairing {
    Player level, other;
    bool inShortRun;  // a pairing the targets name
};
static const Pairing PAIRINGS[] = {{HARD, CAREFUL, true},    {HARD, SEARCHER, true},   {HARD, NORMAL, true},
                                   {NORMAL, EASY, true},     {NORMAL, CAREFUL, false}, {NORMAL, SEARCHER, false},
                                   {EASY, GREEDY, true}};
static const int MARKS_EACH[] = {60, 120};
const int SHORT_MARKS = 60;

struct Tally {
    int wins = 0, draws = 0, losses = 0;
    long scoreFor = 0, scoreAgainst = 0;
    std::vector<double> moveCpuMs;
    std::vector<int> depths;
};

static double lastLevelMs;  // what the searcher gets for its next move

static int chooseFor(Player player, const Board& b, uint32_t* seed, Tally* tally) {
    if (player == GREEDY) return greedyMove(b, seed);
    if (player == CAREFUL) return carefulMove(b, seed);
    if (player == SEARCHER) {
        int depth;
        return searcherMove(b, lastLevelMs, &depth);
    }
    double start = cpuMs();
    int node = chooseMove(b, player - EASY + LEVEL_EASY, nullptr);
    lastLevelMs = cpuMs() - start;
    tally->moveCpuMs.push_back(lastLevelMs);
    tally->depths.push_back(searchDepthReached);
    return node;
}

static Board game;

// Four random moves within the middle third of the board.
static void playOpening(uint32_t seed) {
    memset(&game, 0, sizeof game);
    game.redToMove = 1;
    for (int i = 0; i < OPENING_MOVES; i++) {
        int node;
        do {
            int column = 8 + (int)(nextRandom(&seed) % 9), row = 6 + (int)(nextRandom(&seed) % 7);
            node = nodeIndex(column, row);
        } while (game.marks[node]);
        placeMarkAt(game, node);
    }
}

// The level's score minus the other's.
static int playGame(Pairing p, bool levelIsRed, uint32_t seed, int marksEach, Tally* tally) {
    playOpening(seed);
    lastLevelMs = FIRST_SEARCHER_MS;
    int placed[2] = {OPENING_MOVES / 2, OPENING_MOVES / 2};
    while (placed[0] < marksEach || placed[1] < marksEach) {
        bool levelMoves = (game.redToMove != 0) == levelIsRed;
        int node = chooseFor(levelMoves ? p.level : p.other, game, &seed, tally);
        if (node < 0) break;
        placed[game.redToMove ? 0 : 1]++;
        placeMarkAt(game, node);
    }
    int red = redScore(game), blue = blueScore(game);
    int mine = levelIsRed ? red : blue, theirs = levelIsRed ? blue : red;
    tally->scoreFor += mine;
    tally->scoreAgainst += theirs;
    return mine - theirs;
}

static void playPairing(Pairing p, int marksEach, int games) {
    Tally t;
    for (int g = 0; g < games; g++) {
        int lead = playGame(p, g % 2 == 0, FIRST_SEED + (uint32_t)(g / 2), marksEach, &t);
        int result = lead > 0 ? 2 : lead == 0 ? 1 : 0;
        (result == 2 ? t.wins : result == 1 ? t.draws : t.losses)++;
        recordGame(p.level, p.other, result);
    }
    std::vector<double>& cpu = t.moveCpuMs;
    std::vector<int>& depths = t.depths;
    std::sort(cpu.begin(), cpu.end());
    std::sort(depths.begin(), depths.end());
    printf("%-6s vs %-8s %3d marks  %2d-%d-%-2d  mean marks %5.1f : %5.1f  CPU ms a move %5.1f median %6.1f max"
           "  depth %d (%d..%d)\n",
           PLAYER_NAMES[p.level], PLAYER_NAMES[p.other], marksEach, t.wins, t.draws, t.losses,
           (double)t.scoreFor / games, (double)t.scoreAgainst / games, cpu[cpu.size() / 2], cpu.back(),
           depths[depths.size() / 2], depths.front(), depths.back());
    fflush(stdout);
}

static int playerNamed(const char* name, int first, int last) {
    for (int p = first; p <= last; p++) {
        if (strcmp(name, PLAYER_NAMES[p]) == 0) return p;
    }
    if (last == HARD && name[0] >= '1' && name[0] <= '3' && name[1] == 0) return name[0] - '1';
    return -1;
}

static int usage(const char* reason) {
    if (reason) fprintf(stderr, "opponent_bench: %s\n", reason);
    fprintf(stderr,
            "usage: opponent_bench [GAMES [LEVEL [PLAYER]]]\n"
            "  GAMES   games a pairing at 60 and at 120 marks a side (without it: %d, at 60 only)\n"
            "  LEVEL   easy, normal, hard (or 1, 2, 3)\n"
            "  PLAYER  easy, normal, hard, greedy, careful, searcher\n",
            SHORT_GAMES);
    return 2;
}

int main(int argc, char** argv) {
    if (argc > 4) return usage("too many arguments");
    char* end = nullptr;
    long games = argc > 1 ? strtol(argv[1], &end, 10) : SHORT_GAMES;
    if (argc > 1 && (*end != 0 || games < 1 || games > 10000)) return usage("GAMES must be a number from 1 to 10000");
    int level = argc > 2 ? playerNamed(argv[2], EASY, HARD) : -1;
    if (argc > 2 && level < 0) return usage("unknown LEVEL");
    int other = argc > 3 ? playerNamed(argv[3], EASY, SEARCHER) : -1;
    if (argc > 3 && other < 0) return usage("unknown PLAYER");
    printf("%ld games a pairing and length, openings of %d random moves played with both colours\n", games,
           OPENING_MOVES);
    for (int marks : MARKS_EACH) {
        if (argc == 1 && marks != SHORT_MARKS) continue;
        for (const Pairing& p : PAIRINGS) {
            if (argc == 1 && !p.inShortRun) continue;
            if ((level >= 0 && p.level != level) || (other >= 0 && p.other != other)) continue;
            playPairing(p, marks, (int)games);
        }
    }
    printRatings(PLAYER_NAMES, PLAYERS);
    return 0;
}
