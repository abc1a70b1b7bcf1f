// Channel state to voice state: triggers with twin handover, gains, pitch.
#pragma once
#include <cstdint>

struct ChannelState;
struct Sample;
struct Song;

void update_voice(ChannelState* channel, Sample* sample, const Song* song);
int32_t amiga_period(uint8_t note, int8_t finetune);
double note_scale(double x);
