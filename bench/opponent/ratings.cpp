// A Bradley-Terry fit by many small steps toward the expected scores; a
// draw counts half. A player that won or lost every game drifts until the
// steps stop, so its rating is a bound, not a figure.
#include "ratings.h"

#include <cmath>
#include <cstdio>

const int MAX_PLAYERS = 16;
static double points[MAX_PLAYERS][MAX_PLAYERS];  // first's points against second
static int games[MAX_PLAYERS][MAX_PLAYERS];

void recordGame(int first, int second, int result) {
    points[first][second] += result / 2.0;
    points[second][first] += (2 - result) / 2.0;
    games[first][second]++;
    games[second][first]++;
}

static double expected(double a, double b) { return 1 / (1 + std::pow(10, (b - a) / 400)); }

void printRatings(const char* const* names, int players) {
    double rating[MAX_PLAYERS] = {};
    bool played[MAX_PLAYERS] = {};
    int count = 0;
    for (int p = 0; p < players; p++) {
        for (int q = 0; q < players; q++) played[p] |= games[p][q] > 0;
        count += played[p];
    }
    if (count < 2) return;
    for (int step = 0; step < 4000; step++) {
        double mean = 0;
        for (int p = 0; p < players; p++) {
            double delta = 0;
            for (int q = 0; q < players; q++) {
                if (games[p][q]) delta += points[p][q] - games[p][q] * expected(rating[p], rating[q]);
            }
            rating[p] += 4 * delta;
            if (rating[p] > 1200) rating[p] = 1200;
            if (rating[p] < -1200) rating[p] = -1200;
        }
        for (int p = 0; p < players; p++) mean += played[p] ? rating[p] / count : 0;
        for (int p = 0; p < players; p++) rating[p] -= mean;
    }
    printf("ratings (games)\n");
    bool shown[MAX_PLAYERS] = {};
    for (int n = 0; n < count; n++) {
        int best = -1;
        for (int p = 0; p < players; p++) {
            if (played[p] && !shown[p] && (best < 0 || rating[p] > rating[best])) best = p;
        }
        shown[best] = true;
        int total = 0;
        for (int q = 0; q < players; q++) total += games[best][q];
        printf("  %-9s %5.0f  (%d)\n", names[best], 1500 + rating[best], total);
    }
}
