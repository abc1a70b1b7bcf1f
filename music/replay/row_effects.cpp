// First-tick effects: parameters into the channel's memories, immediate
// changes of volume, panning and period, and the requests to the sequencer.
#include "replay/row_effects.h"

#include "replay/arithmetic.h"
#include "replay/replay_state.h"
#include "song/song_model.h"
#include "replay/channel_state.h"
#include "replay/effect_numbers.h"
#include "replay/effects.h"
#include "replay/envelopes.h"
#include "replay/sequencer.h"
#include "replay/voice.h"

namespace {

void remember(uint8_t* memory, uint8_t value) {
    if (value != 0) *memory = value;
}

void position_jump(Song* song, uint8_t param, bool* jumpSeen) {
    song->nextRow = 0;
    song->nextOrder = param >= song->songLength ? 0 : param;
    *jumpSeen = true;
}

void pattern_break(Song* song, uint8_t param, bool jumpSeen) {
    int32_t row = 10 * (param >> 4) + (param & 15);
    if (row > 63) row = 0;
    song->nextRow = row;
    if (!jumpSeen) song->nextOrder = song->orderPos + 1;
    if (song->nextOrder >= song->songLength) song->nextOrder = 0;
}

void pattern_loop(Song* song, ChannelState* channel, uint8_t y) {
    if (y == 0) {
        channel->loopRow = song->row;
        return;
    }
    if (channel->loopCount == 0) {
        channel->loopCount = y;
    } else {
        channel->loopCount -= 1;
    }
    if (channel->loopCount != 0) song->nextRow = channel->loopRow;
}

void sample_offset(ChannelState* channel, const Sample* sample, uint8_t param) {
    if (param != 0) channel->sampleOffsetMem = param;
    const uint32_t offset = channel->sampleOffsetMem * 256;
    const uint64_t loopEnd = uint64_t(sample->loopStart) + sample->loopLength;
    if (offset >= loopEnd) {
        channel->updateFlags &= ~FLAG_TRIGGER;
        channel->updateFlags |= FLAG_REWIND;
        return;
    }
    channel->voice->startOffset = offset;
}

void set_volume(ChannelState* channel, int32_t volume) {
    channel->volume = clamp(volume, 0, 64);
    channel->updateFlags |= FLAG_VOLUME;
}

void note_delay(ChannelState* channel, const SavedSound& saved) {
    channel->volume = saved.volume;
    channel->period = saved.period;
    channel->panning = saved.panning;
    channel->updateFlags &= ~(FLAG_PITCH | FLAG_VOLUME | FLAG_PANNING | FLAG_TRIGGER);
}

// E5y works on its row's note period (the row step).
void extended_effect(Song* song, ChannelState* channel, uint8_t param, const SavedSound& saved) {
    const uint8_t y = param & 15;
    switch (param >> 4) {
    case EXTENDED_FINE_PORTA_UP:
        remember(&channel->finePortaUpMem, y);
        channel->period = saturate(int64_t(channel->period) - 4 * channel->finePortaUpMem);
        break;
    case EXTENDED_FINE_PORTA_DOWN:
        remember(&channel->finePortaDownMem, y);
        channel->period = saturate(int64_t(channel->period) + 4 * channel->finePortaDownMem);
        break;
    case EXTENDED_VIBRATO_WAVEFORM:
        channel->waveControl = (channel->waveControl & 0xF0) | y;
        break;
    case EXTENDED_PATTERN_LOOP:
        pattern_loop(song, channel, y);
        break;
    case EXTENDED_TREMOLO_WAVEFORM:
        channel->waveControl = uint8_t((y << 4) | (channel->waveControl & 0x0F));
        break;
    case EXTENDED_SET_PANNING:
        set_panning(channel, y * 16);
        break;
    case EXTENDED_FINE_VOLSLIDE_UP:
        remember(&channel->fineVolSlideMem, y);
        set_volume(channel, channel->volume + channel->fineVolSlideMem);
        break;
    case EXTENDED_FINE_VOLSLIDE_DOWN:
        remember(&channel->fineVolSlideMem, y);
        set_volume(channel, channel->volume - channel->fineVolSlideMem);
        break;
    case EXTENDED_NOTE_DELAY:
        note_delay(channel, saved);
        break;
    case EXTENDED_PATTERN_DELAY:
        song->patternDelayTicks = song->speed * y;
        break;
    default:
        break;
    }
}

void extra_fine_portamento(ChannelState* channel, uint8_t param) {
    const uint8_t y = param & 15;
    if (param >> 4 == 1) {
        remember(&channel->xfinePortaUpMem, y);
        channel->period = saturate(int64_t(channel->period) - channel->xfinePortaUpMem);
    } else if (param >> 4 == 2) {
        remember(&channel->xfinePortaDownMem, y);
        channel->period = saturate(int64_t(channel->period) + channel->xfinePortaDownMem);
    }
}

void tone_portamento_start(ChannelState* channel) {
    channel->portaTarget = channel->notePeriod;
    channel->updateFlags &= ~(FLAG_PITCH | FLAG_TRIGGER);
}

}  // namespace

void set_panning(ChannelState* channel, int32_t panning) {
    channel->panning = panning;
    channel->updateFlags |= FLAG_PANNING;
}

void apply_row_effect(Song* song, ChannelState* channel, const Cell& cell, const Instrument* instrument,
                      const Sample* sample, const SavedSound& saved, bool* jumpSeen) {
    const uint8_t param = cell.param;
    const uint8_t x = param >> 4;
    const uint8_t y = param & 15;
    switch (cell.effect) {
    case EFFECT_PORTA_UP:
        remember(&channel->portaUpMem, param);
        break;
    case EFFECT_PORTA_DOWN:
        remember(&channel->portaDownMem, param);
        break;
    case EFFECT_TONE_PORTA:
        remember(&channel->portaSpeed, param);
        tone_portamento_start(channel);
        break;
    case EFFECT_VIBRATO:
        remember(&channel->vibSpeed, x);
        remember(&channel->vibDepth, y);
        vibrato(channel);
        break;
    case EFFECT_TONE_PORTA_VOLSLIDE:
        remember(&channel->volSlideMem, param);
        tone_portamento_start(channel);
        break;
    case EFFECT_VIBRATO_VOLSLIDE:
        remember(&channel->volSlideMem, param);
        vibrato(channel);
        break;
    case EFFECT_TREMOLO:
        remember(&channel->tremSpeed, x);
        remember(&channel->tremDepth, y);
        break;
    case EFFECT_SET_PANNING:
        set_panning(channel, param);
        break;
    case EFFECT_SAMPLE_OFFSET:
        sample_offset(channel, sample, param);
        break;
    case EFFECT_VOLUME_SLIDE:
        remember(&channel->volSlideMem, param);
        break;
    case EFFECT_POSITION_JUMP:
        position_jump(song, param, jumpSeen);
        break;
    case EFFECT_SET_VOLUME:
        set_volume(channel, param);
        break;
    case EFFECT_PATTERN_BREAK:
        pattern_break(song, param, *jumpSeen);
        break;
    case EFFECT_EXTENDED:
        extended_effect(song, channel, param, saved);
        break;
    case EFFECT_SPEED_TEMPO:
        if (param < 32) {
            song->speed = param;
        } else {
            set_bpm(song, param);
        }
        break;
    case EFFECT_GLOBAL_VOLUME:
        song->globalVolume = param > 64 ? 64 : param;
        channel->updateFlags |= FLAG_VOLUME;
        break;
    case EFFECT_GLOBAL_VOLSLIDE:
        remember(&song->globalVolSlideMem, param);
        break;
    case EFFECT_ENVELOPE_POSITION:
        if (instrument->volumeEnvelopeFlags & ENVELOPE_ON) {
            set_envelope_position(channel, instrument, param);
        }
        break;
    case EFFECT_PANNING_SLIDE:
        if (param != 0) {
            channel->panSlideMem = param;
            channel->updateFlags |= FLAG_PANNING;
        }
        break;
    case EFFECT_MULTI_RETRIG:
        if (param != 0) {
            channel->retrigVolMode = x;
            channel->retrigInterval = y;
        }
        break;
    case EFFECT_TREMOR:
        if (param != 0) {
            channel->tremorOn = x + 1;
            channel->tremorOff = y + 1;
        }
        tremor(channel);
        break;
    case EFFECT_EXTRA_FINE_PORTA:
        extra_fine_portamento(channel, param);
        break;
    default:
        break;
    }
}
