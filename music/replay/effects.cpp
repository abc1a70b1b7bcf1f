#include "replay/effects.h"

#include <cstdint>

#include "replay/arithmetic.h"
#include "replay/replay_state.h"
#include "song/song_model.h"
#include "replay/channel_state.h"
#include "replay/effect_numbers.h"
#include "replay/envelopes.h"
#include "replay/rows.h"
#include "replay/sequencer.h"
#include "replay/voice_update.h"
#include "replay/waveforms.h"

namespace {

const int32_t MAX_VOLUME = 64;
const int32_t MAX_PANNING = 255;
const int32_t LOWEST_PORTA_UP_PERIOD = 56;
const int32_t LINEAR_SEMITONE = 64;

void change_volume(ChannelState* c, int32_t delta) {
    c->volume = clamp(c->volume + delta, 0, MAX_VOLUME);
    c->updateFlags |= FLAG_VOLUME;
}

void change_panning_unlimited(ChannelState* c, int32_t delta) {
    c->panning = saturate(int64_t(c->panning) + delta);
    c->updateFlags |= FLAG_PANNING;
}

// Axy, 5xy, 6xy: x raises, otherwise y lowers.
void volume_slide(ChannelState* c) {
    int32_t x = c->volSlideMem >> 4;
    int32_t y = c->volSlideMem & 15;
    change_volume(c, x != 0 ? x : -y);
}

// Vibrato and tremolo positions run through -32..31 and wrap.
int8_t advance_position(int8_t pos, uint8_t speed) {
    int32_t next = pos + speed;
    return static_cast<int8_t>(next > 31 ? next - 64 : next);
}

void vibrato_step(ChannelState* c) {
    vibrato(c);
    c->vibPos = advance_position(c->vibPos, c->vibSpeed);
}

void volume_column_tick(ChannelState* c, uint8_t v) {
    int32_t y = v & 15;
    switch (v >> 4) {
    case 0x6:
        change_volume(c, -y);
        break;
    case 0x7:
        change_volume(c, y);
        break;
    case 0xB:
        c->vibDepth = static_cast<uint8_t>(y);
        vibrato_step(c);
        break;
    case 0xD:
        change_panning_unlimited(c, -y);
        break;
    case 0xE:
        change_panning_unlimited(c, y);
        break;
    case 0xF:
        tone_portamento(c);
        break;
    default:
        break;
    }
}

int32_t semitone_offset(const ChannelState* c, const Song* song, const Sample* sample, int32_t n) {
    if (song->flags & SONG_LINEAR_FREQUENCIES) return LINEAR_SEMITONE * n;
    // The note is a byte like every note number: the sum wraps.
    uint8_t shifted = static_cast<uint8_t>(c->realNote + n);
    return amiga_period(shifted, sample->finetune) - amiga_period(c->realNote, sample->finetune);
}

// The interval follows the ticks left in the row, this one included, counted
// down from the speed and again in each repeat of a pattern delay: 1 left
// plays x, 2 left y, 3 the base note, and so on round; 16 left plays the base
// note and 17 or more y. An F00 beside an EEy leaves no speed: the base note.
void arpeggio(ChannelState* c, const Song* song, const Sample* sample, uint8_t param) {
    if (param == 0) return;
    const int32_t speed = song->speed;
    const int32_t left = speed > 0 ? speed - song->tick % speed : 0;
    const int32_t phase = left > 16 ? 2 : left == 16 ? 0 : left % 3;
    int32_t n = phase == 1 ? param >> 4 : phase == 2 ? param & 15 : 0;
    c->pitchOffset = semitone_offset(c, song, sample, n);
    c->updateFlags |= FLAG_PITCH;
}

void portamento(ChannelState* c, int32_t delta) {
    c->pitchOffset = 0;
    c->period = saturate(int64_t(c->period) + delta);
    c->updateFlags |= FLAG_PITCH;
}

// Hxy: one memory for the whole song; each channel carrying H slides once.
void global_volume_slide(Song* song) {
    int32_t x = song->globalVolSlideMem >> 4;
    int32_t y = song->globalVolSlideMem & 15;
    if (x != 0)
        song->globalVolume = clamp(song->globalVolume + x, 0, MAX_VOLUME);
    else if (y != 0)
        song->globalVolume = clamp(song->globalVolume - y, 0, MAX_VOLUME);
}

void panning_slide(ChannelState* c) {
    int32_t x = c->panSlideMem >> 4;
    int32_t y = c->panSlideMem & 15;
    // The panning may lie far outside 0..255 after volume-column slides.
    int64_t panning = c->panning;
    if (x != 0)
        c->panning = saturate(panning + x > MAX_PANNING ? MAX_PANNING : panning + x);
    else if (y != 0)
        c->panning = saturate(panning - y < 0 ? 0 : panning - y);
    c->updateFlags |= FLAG_PANNING;
}

int32_t retrig_volume(uint8_t mode, int32_t v) {
    static const int8_t deltas[16] = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
    switch (mode) {
    case 6:
        return 2 * v / 3;
    case 7:
        return v >> 1;
    case 14:
        return 3 * v / 2;
    case 15:
        return 2 * v;
    default:
        return v + deltas[mode & 15];
    }
}

void multi_retrig(ChannelState* c, int32_t tick) {
    if (c->retrigInterval == 0 || tick % c->retrigInterval != 0) return;
    if (c->retrigVolMode != 0) {
        c->volume = clamp(retrig_volume(c->retrigVolMode, c->volume), 0, MAX_VOLUME);
        c->updateFlags |= FLAG_VOLUME;
    }
    c->updateFlags |= FLAG_TRIGGER;
}

void note_delay(ChannelState* c, const Sample* sample, const Cell* cell, int32_t tick) {
    if (tick != (cell->param & 15)) {
        // Until its tick the delayed note changes nothing the voice hears.
        c->updateFlags &= ~(FLAG_PITCH | FLAG_VOLUME | FLAG_PANNING | FLAG_TRIGGER);
        return;
    }
    reset_note_state(c, sample);
    c->period = c->notePeriod;
    c->updateFlags |= FLAG_PITCH;
    if (cell->volume != 0) apply_volume_column(c, cell->volume);
    c->updateFlags |= FLAG_TRIGGER;
}

void extended_tick(ChannelState* c, const Sample* sample, const Cell* cell, int32_t tick) {
    int32_t y = cell->param & 15;
    switch (cell->param >> 4) {
    case EXTENDED_RETRIGGER:
        if (y != 0 && tick % y == 0) c->updateFlags |= FLAG_PITCH | FLAG_VOLUME | FLAG_TRIGGER;
        break;
    case EXTENDED_NOTE_CUT:
        if (tick == y) {
            c->volume = 0;
            c->updateFlags |= FLAG_VOLUME;
        }
        break;
    case EXTENDED_NOTE_DELAY:
        note_delay(c, sample, cell, tick);
        break;
    default:
        break;
    }
}

void effect_tick(Song* song, ChannelState* c, const Sample* sample, const Cell* cell) {
    switch (cell->effect) {
    case EFFECT_ARPEGGIO:
        arpeggio(c, song, sample, cell->param);
        break;
    case EFFECT_PORTA_UP:
        portamento(c, -4 * int32_t(c->portaUpMem));
        if (c->period < LOWEST_PORTA_UP_PERIOD) c->period = LOWEST_PORTA_UP_PERIOD;
        break;
    case EFFECT_PORTA_DOWN:
        portamento(c, 4 * int32_t(c->portaDownMem));
        break;
    case EFFECT_TONE_PORTA:
        c->pitchOffset = 0;
        tone_portamento(c);
        break;
    case EFFECT_VIBRATO:
        vibrato_step(c);
        break;
    case EFFECT_TONE_PORTA_VOLSLIDE:
        c->pitchOffset = 0;
        tone_portamento(c);
        volume_slide(c);
        break;
    case EFFECT_VIBRATO_VOLSLIDE:
        vibrato_step(c);
        volume_slide(c);
        break;
    case EFFECT_TREMOLO:
        tremolo(c);
        break;
    case EFFECT_VOLUME_SLIDE:
        volume_slide(c);
        break;
    case EFFECT_EXTENDED:
        extended_tick(c, sample, cell, song->tick);
        break;
    case EFFECT_GLOBAL_VOLSLIDE:
        global_volume_slide(song);
        break;
    case EFFECT_PANNING_SLIDE:
        panning_slide(c);
        break;
    case EFFECT_MULTI_RETRIG:
        multi_retrig(c, song->tick);
        break;
    case EFFECT_TREMOR:
        tremor(c);
        break;
    default:
        break;
    }
}

// Kxx releases the note on tick xx; a tick the row never reaches, never.
// The envelopes and the fadeout of this tick then see the release. Without
// a volume envelope it takes the volume to 0: a later volume brings it back.
void delayed_key_off(ChannelState* c, const Instrument* instrument, const Cell* cell, int32_t tick) {
    if (cell->effect != EFFECT_KEY_OFF || cell->param != tick) return;
    c->keyOff = 1;
    if (!(instrument->volumeEnvelopeFlags & ENVELOPE_ON)) {
        c->volume = 0;
        c->updateFlags |= FLAG_VOLUME;
    }
}

void channel_tick(Song* song, ChannelState* c, const Cell* cell) {
    Instrument* instrument = resolve_instrument(c, song);
    Sample* sample = resolve_sample(c, song);
    c->volumeOffset = 0;
    c->pitchOffset = 0;
    c->updateFlags = 0;
    delayed_key_off(c, instrument, cell, song->tick);
    step_volume_envelope(c, instrument);
    step_panning_envelope(c, instrument);
    if (c->keyOff) fadeout_step(c, instrument);
    volume_column_tick(c, cell->volume);
    effect_tick(song, c, sample, cell);
    auto_vibrato(c, instrument);
    update_voice(c, sample, song);
}

}  // namespace

void process_tick(Song* song) {
    const Cell* cells = current_row_cells(song);
    if (cells == nullptr) return;
    const int32_t count = played_channels(song);
    for (int32_t c = 0; c < count; ++c) channel_tick(song, &replay.channels[c], &cells[c]);
}

void tone_portamento(ChannelState* c) {
    int64_t period = c->period;
    int64_t speed = 4 * int64_t(c->portaSpeed);
    if (period < c->portaTarget)
        period = period + speed > c->portaTarget ? c->portaTarget : period + speed;
    else if (period > c->portaTarget)
        period = period - speed < c->portaTarget ? c->portaTarget : period - speed;
    c->period = static_cast<int32_t>(period);
    c->updateFlags |= FLAG_PITCH;
}

void vibrato(ChannelState* c) {
    int32_t w = vibrato_wave(c->waveControl & 15, c->vibPos);
    int32_t d = ((w * c->vibDepth) >> 5) & ~3;
    c->pitchOffset = c->vibPos >= 0 ? -d : d;
    c->updateFlags |= FLAG_PITCH;
}

void tremolo(ChannelState* c) {
    int32_t w = tremolo_wave(c->waveControl >> 4, c->tremPos);
    int32_t d = (w * c->tremDepth) >> 6;
    if (c->tremPos >= 0)
        c->volumeOffset = d < MAX_VOLUME - c->volume ? d : MAX_VOLUME - c->volume;
    else
        c->volumeOffset = -d > -c->volume ? -d : -c->volume;
    c->tremPos = advance_position(c->tremPos, c->tremSpeed);
    c->updateFlags |= FLAG_VOLUME;
}

void tremor(ChannelState* c) {
    if (c->tremorCount >= c->tremorOn) c->volumeOffset = -c->volume;
    int32_t count = c->tremorCount + 1;
    c->tremorCount = static_cast<uint8_t>(count >= c->tremorOn + c->tremorOff ? 0 : count);
    c->updateFlags |= FLAG_VOLUME;
}
