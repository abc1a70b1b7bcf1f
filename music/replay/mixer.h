// Adds every sounding voice into the float block, with loops and gain ramps.
#pragma once

// out: the first of 2 x frames floats (left, right); frames 1..884.
void mix_voices(float* out, int frames);
// The same, but the frames get the voices' sum instead of having it added:
// the first voice writes, and frames no voice reaches become 0.
void mix_voices_over(float* out, int frames);
