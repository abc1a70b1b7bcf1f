// The opponent: iterative deepening alpha-beta with a transposition table,
// killer and history ordering, null-window and reduced searches of later
// moves, chases followed deeper, and a capture-and-block search at the
// leaves. Every position knows what each side captures at once at each node:
// its moves hold the captures at hand and the blocks of the other side's, and
// a group that two nodes can each capture counts as lost. Near the root every
// move within two steps of a mark is played once and ranked by the position it
// leaves, so a quiet move that leaves a group two capture points is never
// overlooked, whatever its neighbours. Hard also reads, before it searches,
// the line of threat after threat that each threatening root move starts,
// and its search follows those lines first. Each level stops at a number of
// positions evaluated, not at a time, so a move never depends on the
// machine's speed.
#include "opponent.h"

#include <cstring>

#include "node_tables.h"
#include "search_board.h"

struct LevelRule {
    int32_t positionBudget;  // positions evaluated before the search stops
    uint8_t maxDepth;
    uint8_t rankedPlies;  // plies from the root whose every move is ranked by a trial
    uint8_t rootWidth;    // root moves searched deeper than one move
    uint8_t width;        // moves tried at every other node, captures and blocks first
    uint8_t quiescence;   // capture-and-block plies at the leaves
    uint8_t chaseExtensions;  // plies a line may go deeper while the side to move is threatened
    uint8_t exposureReach;    // answers this near a root move are weighed for what they threaten (0: none)
    uint8_t threatLines;      // threats in a row that a root move's forcing line may make (0: none)
    uint16_t timeCapMs;
    bool loose;  // sees material only, and plays quiet moves anywhere
};

const int MAX_PLY = 24;
const int MAX_MOVES = 40;
const int MAX_CANDIDATES = BOARD_NODES;
static const LevelRule LEVEL_RULES[3] = {
    {2000, 1, 1, 1, 1, 0, 0, 0, 0, 1000, true},
    {1000, 3, 1, 8, 6, 2, 0, 0, 0, 2000, false},
    {14000, 12, 2, 12, 8, 4, 2, 2, 3, 4000, false},
};

// A captured mark is worth more than anything the ordering weighs.
const int CAPTURE_VALUE = 64;
const int THREAT_VALUE = 56;
const int INFINITE_VALUE = 1 << 28;
const int CLOCK_EVERY = 64;  // positions between looks at the clock
const int LATE_MOVE = 3;        // moves from this one on are searched a ply less when quiet
const int NULL_MOVE_DEPTH = 3;  // depths left from which a pass may prove a cut-off
const int NULL_MOVE_CUT = 2;    // plies less that a pass is searched
// A root move costs this much for each mark that each of the other side's
// answers near it would threaten.
const int EXPOSURE_VALUE = 16;
// At most two marks: a guess about play beyond the horizon must not outweigh
// a large group that the search sees lost, which draws many threats.
const int MAX_EXPOSURE = 2 * CAPTURE_VALUE;

static SearchBoard copy;
static const LevelRule* rule;
static MillisecondClock clockNow;
static unsigned startMs;
static int nextClockLook;
static bool stopped;

int searchDepthReached;
int searchPositions;

static bool outOfBudget() {
    if (searchPositions >= rule->positionBudget) return true;
    if (!clockNow || searchPositions < nextClockLook) return false;
    nextClockLook = searchPositions + CLOCK_EVERY;
    return clockNow() - startMs > rule->timeCapMs;
}

// ---- Transposition table, killers and history ----

struct TableEntry {
    uint32_t key;
    int32_t value;
    int16_t move;
    uint8_t depth;
    uint8_t bound;
};
const uint8_t BOUND_EXACT = 1, BOUND_LOWER = 2, BOUND_UPPER = 3;
const int TABLE_BITS = 16;
static TableEntry table[1 << TABLE_BITS];
static int16_t killers[MAX_PLY][2];
static int32_t history[2][BOARD_NODES];

static TableEntry& entryFor(uint32_t key) { return table[(key ^ key >> TABLE_BITS) & ((1 << TABLE_BITS) - 1)]; }

static void store(int depth, int value, int alpha, int beta, int move) {
    TableEntry& e = entryFor(copy.key);
    if (e.key == copy.key && e.depth > depth) return;
    e.key = copy.key;
    e.value = value;
    e.move = (int16_t)move;
    e.depth = (uint8_t)depth;
    e.bound = value <= alpha ? BOUND_UPPER : value >= beta ? BOUND_LOWER : BOUND_EXACT;
}

// The move to try first here, for the search to come, where no search has
// stored one.
static void suggest(int move) {
    TableEntry& e = entryFor(copy.key);
    if (e.key == copy.key && e.depth > 0) return;
    e.key = copy.key;
    e.move = (int16_t)move;
    e.depth = 0;
    e.bound = 0;
}

static void rememberCutoff(int ply, int node, int depth) {
    if (killers[ply][0] != node) killers[ply][1] = killers[ply][0], killers[ply][0] = (int16_t)node;
    history[copy.redToMove][node] += depth * depth;
}

// ---- Evaluation ----

// What each side captures at once at each node next to a live mark: the
// captures at hand and the nodes that block the other side's.
struct Gains {
    uint8_t at[BOARD_NODES];
    int16_t best, bestNode;  // the largest and its first node (-1: none)
    int16_t second;          // the largest at any other node
};
static Gains mineAt[MAX_PLY + 1], theirsAt[MAX_PLY + 1];

static void keepLargest(Gains& g, int gain, int node) {
    g.at[node] = (uint8_t)gain;
    if (gain > g.best)
        g.second = g.best, g.best = (int16_t)gain, g.bestNode = (int16_t)node;
    else if (gain > g.second)
        g.second = (int16_t)gain;
}

// The nodes next to a live mark whose ring a side's mark would split are
// tried for that side.
static void findGains(int ply) {
    Gains& mine = mineAt[ply];
    Gains& theirs = theirsAt[ply];
    memset(mine.at, 0, sizeof mine.at);
    memset(theirs.at, 0, sizeof theirs.at);
    mine.best = mine.second = theirs.best = theirs.second = 0;
    mine.bestNode = theirs.bestNode = -1;
    int side = sideToMove(copy), other = otherSide(side);
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!copy.liveAround[node] || !isOpen(copy, node)) continue;
        int gain = wallsSplitRing(copy, node, side) ? capturesAt(copy, node, side) : 0;
        if (gain) keepLargest(mine, gain, node);
        gain = wallsSplitRing(copy, node, other) ? capturesAt(copy, node, other) : 0;
        if (gain) keepLargest(theirs, gain, node);
    }
}

// The best the side to move gets from the captures standing: it makes its
// best capture and suffers the other side's best that the capture did not
// block, or it blocks that one and suffers the second. A group two nodes can
// each capture is lost either way: its capture counts as the second too.
static int exchange(const Gains& mine, const Gains& theirs) {
    int suffered = mine.bestNode >= 0 && mine.bestNode == theirs.bestNode ? theirs.second : theirs.best;
    int capture = mine.best - suffered;
    return capture > -theirs.second ? capture : -theirs.second;
}

// Captured marks, and the standing exchange a little below them, so that a
// capture at hand is taken rather than put off.
static int evaluateAt(int ply) {
    searchPositions++;
    findGains(ply);
    int side = sideToMove(copy), other = otherSide(side);
    return CAPTURE_VALUE * (copy.lostMarks[other] - copy.lostMarks[side]) +
           THREAT_VALUE * exchange(mineAt[ply], theirsAt[ply]);
}

// Material alone, for the loose level.
static int materialValue() {
    int side = sideToMove(copy);
    return CAPTURE_VALUE * (copy.lostMarks[otherSide(side)] - copy.lostMarks[side]);
}

// ---- Moves ----

// Whether a mark, live or captured, stands next to node.
static bool markAround(int node) {
    return (copy.wallsAround[MARK_RED][node] | copy.wallsAround[MARK_BLUE][node]) != 0;
}

// How promising a free node looks for mover, from the live marks around it:
// pressing on the other side's marks and linking up one's own (a diagonal
// link walls as well as a straight one). -1 for a node with no mark next to it.
static int promise(int node, int mover) {
    if (!markAround(node)) return -1;
    unsigned live = copy.liveAround[node], own = live & copy.wallsAround[mover][node], others = live & ~own;
    return 2 * bitCount8(own & STRAIGHT_RING) + 3 * bitCount8(own & DIAGONAL_RING) +
           4 * bitCount8(others & STRAIGHT_RING) + 2 * bitCount8(others & DIAGONAL_RING) + 1;
}

// Whether `beside` holds for node or for one of its eight neighbours: a mark
// that `beside` looks for stands at most two steps from node.
template <typename Beside>
static bool withinTwoSteps(int node, Beside beside) {
    if (beside(node)) return true;
    for (int d = 0; d < 8; d++) {
        int next = NODE_TABLES.neighbour[node][d];
        if (next != NO_NODE && beside(next)) return true;
    }
    return false;
}

// An open node with a mark at most two steps away in any of the eight directions.
static bool twoFromMark(int node) { return isOpen(copy, node) && withinTwoSteps(node, markAround); }

// Keeps the best `width` (key, node) pairs, best first; a later node with an
// equal key goes behind, so the order is fixed by the position alone.
static void keepBest(int* keys, int16_t* nodes, int* count, int width, int key, int node) {
    int at = *count < width ? (*count)++ : width;
    while (at > 0 && keys[at - 1] < key) {
        if (at < width) {
            keys[at] = keys[at - 1];
            nodes[at] = nodes[at - 1];
        }
        at--;
    }
    if (at < width) {
        keys[at] = key;
        nodes[at] = (int16_t)node;
    }
}

static int16_t movesAt[MAX_PLY + 1][MAX_MOVES];
static uint8_t extensionsAt[MAX_PLY + 2];  // plies a line has been searched beyond its depth
static int search(int ply, int depth, int alpha, int beta);
static int quiesce(int ply, int plies, int alpha, int beta);

static int playAt(int node) {
    return playSearchMove(copy, node);
}

// Captures and blocks first, the table's move and the killers next, then the
// promise of the rest with the history of cut-offs; `wide` also takes the
// nodes two steps from a mark.
static int orderedMoves(int ply, int first, int16_t* out, int width, bool wide) {
    const Gains& mine = mineAt[ply];
    const Gains& theirs = theirsAt[ply];
    int side = sideToMove(copy);
    int keys[MAX_CANDIDATES], count = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!isOpen(copy, node)) continue;
        int urgency = 2 * mine.at[node] + theirs.at[node];
        int value = promise(node, side);
        if (urgency > 0) {
            value = (1 << 24) + urgency * 4096;
        } else if (node == first) {
            value = 1 << 23;
        } else if (node == killers[ply][0] || node == killers[ply][1]) {
            value = 1 << 22;
        } else if (value >= 0) {
            value = value * 256 + history[copy.redToMove][node];
        } else if (wide && twoFromMark(node)) {
            value = 0;
        }
        if (value >= 0) keepBest(keys, out, &count, width, value, node);
    }
    return count;
}

// Ranked move lists of the positions near the root, which every iteration of
// the deepening meets again.
struct RankedList {
    uint32_t key;
    int16_t count;
    int16_t moves[MAX_MOVES];
};
static RankedList rankedLists[256];

static int openNodes(int16_t* out) {
    int count = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (isOpen(copy, node)) out[count++] = (int16_t)node;
    }
    return count;
}

// Ranks every move within two steps of a mark by the position it leaves, for
// the other side to move there; `loose` ranks every move by material and a
// scatter instead.
static int rankedMoves(int ply, int width) {
    RankedList& known = rankedLists[copy.key & 255];
    if (known.key == copy.key && known.count > 0) {
        memcpy(movesAt[ply], known.moves, sizeof known.moves);
        return known.count;
    }
    static int16_t candidates[BOARD_NODES];
    int tried = rule->loose ? openNodes(candidates) : orderedMoves(ply, -1, candidates, MAX_CANDIDATES, true);
    int keys[MAX_MOVES], count = 0;
    uint32_t scatter = copy.key;
    for (int i = 0; i < tried; i++) {
        int node = candidates[i];
        int taken = playAt(node);
        int value = rule->loose ? -materialValue() * 4096 + (int)((((uint32_t)node + 1) * 2654435761u ^ scatter) >> 20)
                                : -evaluateAt(ply + 1) * 16 + promise(node, otherSide(sideToMove(copy)));
        undoSearchMove(copy, node, taken);
        keepBest(keys, movesAt[ply], &count, width, value, node);
    }
    known.key = copy.key;
    known.count = (int16_t)count;
    memcpy(known.moves, movesAt[ply], sizeof known.moves);
    return count;
}

static int tryMove(int ply, int node, int depth, int alpha, int beta) {
    int taken = playAt(node);
    int value = -search(ply + 1, depth, -beta, -alpha);
    undoSearchMove(copy, node, taken);
    return value;
}

// A move after the first is only shown to be no better, with a null window
// and, late in a list of quiet moves, one ply less; a move that proves better
// is searched again in full.
static int tryLaterMove(int ply, int i, int depth, int alpha, int beta) {
    int node = movesAt[ply][i];
    bool quiet = mineAt[ply].at[node] == 0 && theirsAt[ply].at[node] == 0;
    int reduce = i >= LATE_MOVE && depth >= 3 && quiet ? 1 : 0;
    int value = tryMove(ply, node, depth - 1 - reduce, alpha, alpha + 1);
    if (value > alpha && (reduce || value < beta)) value = tryMove(ply, node, depth - 1, alpha, beta);
    return value;
}

static int quiesce(int ply, int plies, int alpha, int beta) {
    int stand = evaluateAt(ply);
    const Gains& mine = mineAt[ply];
    const Gains& theirs = theirsAt[ply];
    if (plies == 0 || ply >= MAX_PLY || stand >= beta) return stand;
    if (mine.bestNode < 0 && theirs.bestNode < 0) return stand;
    if (stand > alpha) alpha = stand;
    int16_t moves[2] = {mine.bestNode, theirs.bestNode};
    for (int i = 0; i < 2 && alpha < beta; i++) {
        int node = moves[i];
        if (node < 0 || (i == 1 && node == moves[0])) continue;
        if (outOfBudget()) stopped = true;
        if (stopped) return 0;
        int taken = playAt(node);
        int value = -quiesce(ply + 1, plies - 1, -beta, -alpha);
        undoSearchMove(copy, node, taken);
        if (value > alpha) alpha = value;
    }
    return alpha;
}

// ---- Forcing lines ----

// Whether a live mark of side stands within two steps of node.
static bool nearLive(int node, int side) {
    return withinTwoSteps(node, [side](int at) { return (copy.liveAround[at] & copy.wallsAround[side][at]) != 0; });
}

static int forcing(int ply, int threats, int alpha, int beta);

// Neither side has a capture at hand, so that any capture point after a move
// is a threat the move made.
static bool quietAt(int ply) { return mineAt[ply].bestNode < 0 && theirsAt[ply].bestNode < 0; }

// A move that makes a capture point, which the other side, with nothing to
// capture itself, must block: the value of the line that follows. Any other
// move: -INFINITE_VALUE. Two capture points are settled by the
// capture-and-block search.
static int threatLine(int ply, int node, int threats, int alpha, int beta) {
    int taken = playAt(node), value = -INFINITE_VALUE;
    evaluateAt(ply + 1);
    const Gains& made = theirsAt[ply + 1];
    if (made.best > 0 && mineAt[ply + 1].best == 0) {
        if (made.second > 0) {
            value = -quiesce(ply + 1, rule->quiescence, -beta, -alpha);
        } else {
            int block = made.bestNode, blockTaken = playAt(block);
            value = forcing(ply + 2, threats - 1, alpha, beta);
            undoSearchMove(copy, block, blockTaken);
        }
    }
    undoSearchMove(copy, node, taken);
    return value;
}

// The best the side to move reaches by threat after threat, each blocked,
// or by standing on the capture-and-block search. A wall closed this way is
// often longer than the main search reads, whose lists hold few quiet moves.
static int forcing(int ply, int threats, int alpha, int beta) {
    int stand = quiesce(ply, rule->quiescence, alpha, beta);
    if (stand >= beta || threats == 0 || ply + 2 >= MAX_PLY || !quietAt(ply)) return stand;
    if (stand > alpha) alpha = stand;
    int other = otherSide(sideToMove(copy)), best = -1;
    for (int node = 0; node < BOARD_NODES && alpha < beta; node++) {
        if (!isOpen(copy, node) || !nearLive(node, other)) continue;
        int value = threatLine(ply, node, threats, alpha, beta);
        if (value > alpha) alpha = value, best = node;
    }
    if (best >= 0) suggest(best);
    return alpha;
}

// A position so good that even passing keeps it at beta, a shallower search
// after the other side's free move shows, is not searched further. Never
// while the other side threatens: a pass there only shows the threat.
static bool passProves(int ply, int depth, int stand, int beta) {
    if (depth < NULL_MOVE_DEPTH || stand < beta || theirsAt[ply].bestNode >= 0 || ply == 0) return false;
    passSearchMove(copy);
    int value = -search(ply + 1, depth - 1 - NULL_MOVE_CUT, -beta, -beta + 1);
    passSearchMove(copy);
    return !stopped && value >= beta;
}

static int search(int ply, int depth, int alpha, int beta) {
    if (depth <= 0 || ply >= MAX_PLY) return quiesce(ply, rule->quiescence, alpha, beta);
    TableEntry& e = entryFor(copy.key);
    int first = -1;
    if (e.key == copy.key) {
        first = e.move;
        if (e.depth >= depth &&
            (e.bound == BOUND_EXACT || (e.bound == BOUND_LOWER && e.value >= beta) ||
             (e.bound == BOUND_UPPER && e.value <= alpha)))
            return e.value;
    }
    int stand = evaluateAt(ply);  // also the gains that orderedMoves reads
    // A chase, threat after threat, is followed further than quiet play.
    int extensions = extensionsAt[ply];
    if (theirsAt[ply].bestNode >= 0 && extensions < rule->chaseExtensions) depth++, extensions++;
    extensionsAt[ply + 1] = (uint8_t)extensions;
    if (passProves(ply, depth, stand, beta)) return beta;
    int count = ply < rule->rankedPlies ? rankedMoves(ply, rule->width)
                                        : orderedMoves(ply, first, movesAt[ply], rule->width, false);
    if (count == 0) return stand;
    int best = -INFINITE_VALUE, bestMove = -1, alphaBefore = alpha;
    for (int i = 0; i < count; i++) {
        if (outOfBudget()) stopped = true;
        if (stopped) return 0;
        int node = movesAt[ply][i];
        int value = i == 0 ? tryMove(ply, node, depth - 1, alpha, beta) : tryLaterMove(ply, i, depth, alpha, beta);
        if (value > best) best = value, bestMove = node;
        if (value > alpha) alpha = value;
        if (alpha >= beta) {
            rememberCutoff(ply, node, depth);
            break;
        }
    }
    if (!stopped) store(depth, best, alphaBefore, beta, bestMove);
    return best;
}

// A board without marks near any free node: the free node nearest the centre.
static int nearestCentre() {
    int best = -1, bestDistance = 1 << 16;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!isOpen(copy, node)) continue;
        int dc = NODE_TABLES.column[node] - BOARD_COLUMNS / 2, dr = NODE_TABLES.row[node] - BOARD_ROWS / 2;
        int distance = (dc < 0 ? -dc : dc) + (dr < 0 ? -dr : dr);
        if (distance < bestDistance) best = node, bestDistance = distance;
    }
    return best;
}

static bool within(int a, int b, int reach) {
    int dc = NODE_TABLES.column[a] - NODE_TABLES.column[b], dr = NODE_TABLES.row[a] - NODE_TABLES.row[b];
    return dc <= reach && dc >= -reach && dr <= reach && dr >= -reach;
}

// What the other side's answers near a move would threaten. A shape that many
// answers attack is weak even while the search finds no loss in it: the
// other side builds on those threats beyond the horizon.
static int exposure(int node) {
    int taken = playAt(node), threatened = 0;
    for (int answer = 0; answer < BOARD_NODES; answer++) {
        if (!isOpen(copy, answer) || !within(answer, node, rule->exposureReach)) continue;
        int answerTaken = playAt(answer);
        evaluateAt(2);
        threatened += theirsAt[2].best;
        undoSearchMove(copy, answer, answerTaken);
    }
    undoSearchMove(copy, node, taken);
    return threatened * EXPOSURE_VALUE < MAX_EXPOSURE ? threatened * EXPOSURE_VALUE : MAX_EXPOSURE;
}

// Moves the root move at `at` to the front, keeping the others' order.
static void moveToFront(int16_t* nodes, int at) {
    int16_t node = nodes[at];
    for (; at > 0; at--) nodes[at] = nodes[at - 1];
    nodes[0] = node;
}

// Adds to the root's list every move that makes a threat, when neither side
// has a capture at hand, and reads the forcing line that follows it. The
// lines leave their moves in the table, so the search follows them where its
// lists, short of quiet moves, would not. They have a budget of their own, as
// large as the level's, so the main search keeps all of its budget.
static int addThreatLines(int16_t* nodes, int count) {
    evaluateAt(0);
    if (rule->threatLines == 0 || !quietAt(0)) return count;
    int charged = searchPositions, other = otherSide(sideToMove(copy));
    searchPositions = 0;
    for (int node = 0; node < BOARD_NODES && !stopped; node++) {
        if (!isOpen(copy, node) || !nearLive(node, other)) continue;
        bool threat = threatLine(0, node, rule->threatLines, -INFINITE_VALUE, INFINITE_VALUE) > -INFINITE_VALUE;
        for (int i = 0; i < count; i++) threat &= nodes[i] != node;
        if (threat && count < MAX_MOVES) nodes[count++] = (int16_t)node;
    }
    searchPositions = charged;
    stopped = false;
    return count;
}

static void startSearch(const Board& position, int level, MillisecondClock clockMs) {
    rule = &LEVEL_RULES[(level < LEVEL_EASY ? LEVEL_EASY : level > LEVEL_HARD ? LEVEL_HARD : level) - 1];
    clockNow = clockMs;
    startMs = clockNow ? clockNow() : 0;
    nextClockLook = CLOCK_EVERY;
    stopped = false;
    searchPositions = 0;
    searchDepthReached = 0;
    memset(table, 0, sizeof table);
    memset(killers, 0xFF, sizeof killers);
    extensionsAt[1] = 0;
    memset(history, 0, sizeof history);
    memset(rankedLists, 0, sizeof rankedLists);
    loadSearchBoard(copy, position);
}

int chooseMove(const Board& position, int level, MillisecondClock clockMs) {
    startSearch(position, level, clockMs);
    evaluateAt(0);
    int count = rankedMoves(0, rule->rootWidth);
    if (count == 0) return nearestCentre();
    int16_t* nodes = movesAt[0];
    count = addThreatLines(nodes, count);
    static int exposureOf[BOARD_NODES];
    for (int i = 0; i < count; i++) exposureOf[nodes[i]] = rule->exposureReach ? exposure(nodes[i]) : 0;
    searchDepthReached = 1;
    for (int depth = 2; depth <= rule->maxDepth && !stopped; depth++) {
        int alpha = -INFINITE_VALUE, best = -1;
        for (int i = 0; i < count; i++) {
            // The search's value less the exposure: the window moves with it.
            int shift = exposureOf[nodes[i]];
            int value = (i == 0 ? tryMove(0, nodes[i], depth - 1, alpha + shift, INFINITE_VALUE)
                                : tryLaterMove(0, i, depth, alpha + shift, INFINITE_VALUE)) -
                        shift;
            if (stopped) break;
            if (value > alpha) alpha = value, best = i;
        }
        // A move that beat the previous best in full stands even when the rest
        // of the search was cut short.
        if (best >= 0) moveToFront(nodes, best);
        if (!stopped) searchDepthReached = depth;
    }
    return nodes[0];
}
