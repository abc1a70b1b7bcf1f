// The replayer's clock: ticks, rows, orders.
#pragma once
#include <cstdint>

struct Song;
struct Cell;

void play_tick(Song* song);
// samplesPerTick = 110250 / bpm (unsigned, truncating).
void set_bpm(Song* song, uint32_t bpm);
// The current row's cells, one per channel; an all-zero row when the row or
// the pattern does not exist.
const Cell* current_row_cells(const Song* song);
// Rows of the pattern at an order position (64 for a missing pattern slot).
int32_t pattern_row_count(const Song* song, int32_t orderPos);
