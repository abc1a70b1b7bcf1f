// A careful player, as a person who watches threats plays. It tries every
// move near the marks once and looks at what each side could capture next;
// the dozen best it tries again against the other side's answers near them
// and its most dangerous moves, following a single threat through its block
// to the follow-up, and it keeps away from moves after which many answers
// would threaten its marks. So it takes captures, blocks captures and double
// threats, keeps clear of corridors and doomed groups, makes double threats
// itself, and otherwise links its walls near the action. It reads captures
// with the benchmark's walk over the board, not the game's threat finder.
#include <vector>

#include "node_tables.h"
#include "players.h"
#include "random_moves.h"
#include "threat_walk.h"

const int SHORTLIST = 12;    // moves tried against the other side's answers
const int DANGERS = 6;       // the other side's best moves, always among its answers
const int ANSWER_REACH = 2;  // answers tried within this many nodes of the move
const int FOLLOW_REACH = 2;  // follow-ups of a threat tried near it and its block
const int MARK_VALUE = 1000;
const int EXPOSURE_VALUE = 300;  // for each mark an answer would threaten
const int PRESSURE_VALUE = 10;
// Walks over the board a move may take before it stops following threats:
// about 15 ms; the median move takes a third of that.
const int WALK_BUDGET = 2200;

struct Scored {
    long value;
    int node;
};

static SearchBoard work;
static Threats own, others;  // of the side to move and of the other, after threatsAgainstMover
static Scored dangers[DANGERS];
static int dangerCount;
static int lastThreat;  // the mover's best capture point after the last valueOfMove
static int walks;       // walks over the board for this move

static void findThreats(int side, Threats& t) {
    walks++;
    findThreats(work, side, t);
}

// What the side that just moved wins by the threats on the board, as the
// side to move answers: it either takes its best capture and loses the other
// side's best that is left, or blocks that best and loses the second.
static int threatsAgainstMover() {
    int mover = sideToMove(work);
    findThreats(mover, own);
    findThreats(otherSide(mover), others);
    int theirReply = own.firstNode == others.firstNode ? others.second : others.first;
    int captureLine = own.first - theirReply, blockLine = -others.second;
    return -(captureLine > blockLine ? captureLine : blockLine);
}

static bool near(int a, int b, int reach) {
    int dc = NODE_TABLES.column[a] - NODE_TABLES.column[b], dr = NODE_TABLES.row[a] - NODE_TABLES.row[b];
    return dc <= reach && dc >= -reach && dr <= reach && dr >= -reach;
}

// Whether a mark of side at node encloses anything: only one that splits the
// open nodes around it into two stretches can. Follow-ups that enclose
// nothing are not read: they seldom make a second threat.
static bool closesFor(int node, int side) {
    return splitsRing(~work.wallsAround[side][node] & 0xFFu);
}

static int valueOfMove(int node, bool chase);

// The side to move has just blocked the mover's one capture point at block,
// after its move at node: the mover's best follow-up near the two.
static int followUp(int node, int block) {
    int best = -threatsAgainstMover();
    int mover = sideToMove(work);
    for (int next = 0; next < BOARD_NODES; next++) {
        if (!isOpen(work, next) || !(near(next, node, FOLLOW_REACH) || near(next, block, FOLLOW_REACH))) continue;
        if (!closesFor(next, mover)) continue;
        int value = valueOfMove(next, false);
        if (value > best) best = value;
    }
    return best;
}

// Marks the side to move wins by a move at node: what it captures, then the
// exchange of threats. With chase, a single threat the move makes is followed
// through its block to the best follow-up, unless ignoring it pays the other
// side better.
static int valueOfMove(int node, bool chase) {
    int side = sideToMove(work);
    int before = work.lostMarks[otherSide(side)], lost = work.lostMarks[side];
    int taken = playSearchMove(work, node);
    int value = work.lostMarks[otherSide(side)] - before - (work.lostMarks[side] - lost);
    int exchange = threatsAgainstMover();
    int threat = others.first;
    if (chase && others.first > 0 && others.second == 0 && walks < WALK_BUDGET) {
        int block = others.firstNode, ignore = others.first - own.first;
        int blockLost = work.lostMarks[side];
        int blockTaken = playSearchMove(work, block);
        int follow = followUp(node, block) - (work.lostMarks[side] - blockLost);
        undoSearchMove(work, block, blockTaken);
        exchange = ignore < follow ? ignore : follow;
    }
    undoSearchMove(work, node, taken);
    lastThreat = threat;
    return value + exchange;
}

// Keeps the best `width` entries, best first; a later equal one goes behind.
static void keepBest(Scored* list, int* count, int width, Scored s) {
    int at = *count < width ? (*count)++ : width;
    for (; at > 0 && list[at - 1].value < s.value; at--) {
        if (at < width) list[at] = list[at - 1];
    }
    if (at < width) list[at] = s;
}

// The other side's moves that would win most if we passed.
static void findDangers() {
    dangerCount = 0;
    passSearchMove(work);
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!isOpen(work, node) || !liveMarkNear(work, node, 1)) continue;
        int value = valueOfMove(node, false);
        if (value > 0) keepBest(dangers, &dangerCount, DANGERS, {value, node});
    }
    passSearchMove(work);
}

static bool isDanger(int node) {
    for (int d = 0; d < dangerCount; d++) {
        if (dangers[d].node == node) return true;
    }
    return false;
}

// After our move at node, the side to move's best answer among the exchange
// as it stands, the answers near node and the dangers, in marks won; exposure
// gets what the answers would threaten, in value units.
static int bestAnswer(int node, long* exposure) {
    int best = -threatsAgainstMover();
    *exposure = 0;
    for (int answer = 0; answer < BOARD_NODES; answer++) {
        if (!isOpen(work, answer) || !(near(answer, node, ANSWER_REACH) || isDanger(answer))) continue;
        int value = valueOfMove(answer, true);
        *exposure += (long)EXPOSURE_VALUE * lastThreat;
        if (value > best) best = value;
    }
    return best;
}

static int fallbackMove(uint32_t* seed) {
    int centre = nodeIndex(BOARD_COLUMNS / 2, BOARD_ROWS / 2);
    if (isOpen(work, centre)) return centre;
    std::vector<int> open;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (isOpen(work, node)) open.push_back(node);
    }
    return open.empty() ? -1 : open[nextRandom(seed) % open.size()];
}

int carefulMove(const Board& from, uint32_t* seed) {
    loadSearchBoard(work, from);
    int side = sideToMove(work);
    walks = 0;
    findDangers();
    // Ties keep a random order: the low four bits of each value.
    Scored shortlist[SHORTLIST];
    int count = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!isOpen(work, node) || !liveMarkNear(work, node, 2)) continue;
        long value = (long)MARK_VALUE * valueOfMove(node, false) + PRESSURE_VALUE * pressureAround(work, node, side, 0);
        keepBest(shortlist, &count, SHORTLIST, {value * 16 + nextRandom(seed) % 16, node});
    }
    int best = -1;
    long bestValue = 0;
    for (int i = 0; i < count; i++) {
        int node = shortlist[i].node;
        int before = work.lostMarks[otherSide(side)];
        int taken = playSearchMove(work, node);
        int gain = work.lostMarks[otherSide(side)] - before;
        long exposure;
        int answer = bestAnswer(node, &exposure);
        undoSearchMove(work, node, taken);
        long value =
            (long)MARK_VALUE * (gain - answer) - exposure + PRESSURE_VALUE * pressureAround(work, node, side, 0);
        value = value * 16 + (shortlist[i].value & 15);
        if (best < 0 || value > bestValue) best = node, bestValue = value;
    }
    return best >= 0 ? best : fallbackMove(seed);
}
