// Effect numbers of a pattern cell (after F the letters go on: 0x10 = G),
// and the sub-effects of E, named by the high nibble of the parameter.
#pragma once
#include <cstdint>

const uint8_t EFFECT_ARPEGGIO = 0x0;
const uint8_t EFFECT_PORTA_UP = 0x1;
const uint8_t EFFECT_PORTA_DOWN = 0x2;
const uint8_t EFFECT_TONE_PORTA = 0x3;
const uint8_t EFFECT_VIBRATO = 0x4;
const uint8_t EFFECT_TONE_PORTA_VOLSLIDE = 0x5;
const uint8_t EFFECT_VIBRATO_VOLSLIDE = 0x6;
const uint8_t EFFECT_TREMOLO = 0x7;
const uint8_t EFFECT_SET_PANNING = 0x8;
const uint8_t EFFECT_SAMPLE_OFFSET = 0x9;
const uint8_t EFFECT_VOLUME_SLIDE = 0xA;
const uint8_t EFFECT_POSITION_JUMP = 0xB;
const uint8_t EFFECT_SET_VOLUME = 0xC;
const uint8_t EFFECT_PATTERN_BREAK = 0xD;
const uint8_t EFFECT_EXTENDED = 0xE;
const uint8_t EFFECT_SPEED_TEMPO = 0xF;
const uint8_t EFFECT_GLOBAL_VOLUME = 0x10;
const uint8_t EFFECT_GLOBAL_VOLSLIDE = 0x11;
const uint8_t EFFECT_KEY_OFF = 0x14;
const uint8_t EFFECT_ENVELOPE_POSITION = 0x15;
const uint8_t EFFECT_PANNING_SLIDE = 0x19;
const uint8_t EFFECT_MULTI_RETRIG = 0x1B;
const uint8_t EFFECT_TREMOR = 0x1D;
const uint8_t EFFECT_EXTRA_FINE_PORTA = 0x21;

const uint8_t EXTENDED_FINE_PORTA_UP = 0x1;
const uint8_t EXTENDED_FINE_PORTA_DOWN = 0x2;
const uint8_t EXTENDED_VIBRATO_WAVEFORM = 0x4;
const uint8_t EXTENDED_SET_FINETUNE = 0x5;
const uint8_t EXTENDED_PATTERN_LOOP = 0x6;
const uint8_t EXTENDED_TREMOLO_WAVEFORM = 0x7;
const uint8_t EXTENDED_SET_PANNING = 0x8;
const uint8_t EXTENDED_RETRIGGER = 0x9;
const uint8_t EXTENDED_FINE_VOLSLIDE_UP = 0xA;
const uint8_t EXTENDED_FINE_VOLSLIDE_DOWN = 0xB;
const uint8_t EXTENDED_NOTE_CUT = 0xC;
const uint8_t EXTENDED_NOTE_DELAY = 0xD;
const uint8_t EXTENDED_PATTERN_DELAY = 0xE;
