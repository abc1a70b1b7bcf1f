// Adds every sounding voice into the float block, with loops and gain ramps.
#pragma once

// out: the first of 2 x frames floats (left, right); frames 1..884.
void mix_voices(float* out, int frames);
