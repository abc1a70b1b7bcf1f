// Ratings on the familiar chess scale from the games of one benchmark run.
#pragma once

// result: 2 the first player won, 1 a draw, 0 the second won.
void recordGame(int first, int second, int result);
// Prints every player that played, strongest first, the mean at 1500.
void printRatings(const char* const* names, int players);
