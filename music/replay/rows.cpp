// The first tick of a row: every channel takes its cell's note, instrument,
// volume column and effect, steps its envelopes and hands over to its voice.
#include "replay/rows.h"

#include "replay/arithmetic.h"
#include "replay/replay_state.h"
#include "song/song_model.h"
#include "replay/channel_state.h"
#include "replay/effect_numbers.h"
#include "replay/envelopes.h"
#include "replay/row_effects.h"
#include "replay/sequencer.h"
#include "replay/voice_update.h"

namespace {

const uint8_t NOTE_KEYS = 96;
const uint8_t VOLUME_TONE_PORTA = 0xF0;

// Notes 98..254 cannot come from a valid module and are read as no note.
bool is_note(uint8_t note) { return note >= 1 && note <= NOTE_KEYS; }

bool is_key_off(uint8_t note) { return note == NOTE_KEY_OFF || note == XM_NOTE_KEY_OFF; }

int32_t note_period(const ChannelState* channel, int8_t finetune, const Song* song) {
    if (song->flags & SONG_LINEAR_FREQUENCIES) {
        return 7680 - 64 * channel->realNote - finetune / 2;
    }
    return amiga_period(channel->realNote, finetune);
}

// E5y tunes its own row's note, from -128 (E50, a semitone flat) to +112
// (E5F); the sample keeps its finetune for the notes after it.
int8_t row_finetune(const Cell& cell, const Sample* sample) {
    if (cell.effect == EFFECT_EXTENDED && cell.param >> 4 == EXTENDED_SET_FINETUNE) {
        return int8_t(((cell.param & 15) - 8) * 16);
    }
    return sample->finetune;
}

// Effects 3 and 5 and the volume column's F0..FF glide to the row's note.
bool is_tone_porta_row(const Cell& cell) {
    return cell.effect == EFFECT_TONE_PORTA || cell.effect == EFFECT_TONE_PORTA_VOLSLIDE ||
           cell.volume >= VOLUME_TONE_PORTA;
}

// K00 releases the note at once; Kxx on tick xx (the tick step).
bool is_key_off_row(const Cell& cell) {
    return is_key_off(cell.note) || (cell.effect == EFFECT_KEY_OFF && cell.param == 0);
}

void start_note(ChannelState* channel, const Cell& cell, const Sample* sample, const Song* song, bool tonePortaRow) {
    channel->realNote = uint8_t(cell.note - 1 + sample->relativeNote);
    channel->notePeriod = note_period(channel, row_finetune(cell, sample), song);
    if (!tonePortaRow) channel->period = channel->notePeriod;
    channel->updateFlags = FLAG_TRIGGER;
}

void step_envelopes(ChannelState* channel, const Instrument* instrument) {
    if ((instrument->volumeEnvelopeFlags & ENVELOPE_ON) && channel->volEnvDone == 0) {
        step_volume_envelope(channel, instrument);
    }
    if ((instrument->panningEnvelopeFlags & ENVELOPE_ON) && channel->panEnvDone == 0) {
        step_panning_envelope(channel, instrument);
    }
    if (channel->keyOff == 1) fadeout_step(channel, instrument);
}

void process_channel(Song* song, ChannelState* channel, const Cell& cell, bool* jumpSeen) {
    const bool tonePortaRow = is_tone_porta_row(cell);
    if (cell.instrument != 0 && !tonePortaRow) channel->instrument = cell.instrument - 1;
    if (is_note(cell.note) && !tonePortaRow) channel->note = cell.note - 1;

    const Instrument* instrument = resolve_instrument(channel, song);
    Sample* sample = resolve_sample(channel, song);
    const SavedSound saved = {channel->volume, channel->period, channel->panning};

    // The last tremolo level stays when the tremolo ends.
    if (channel->lastEffect == EFFECT_TREMOLO && cell.effect != EFFECT_TREMOLO) {
        channel->volume = saved.volume + channel->volumeOffset;
    }
    channel->lastEffect = cell.effect;
    channel->volumeOffset = 0;
    channel->updateFlags = 0;

    if (is_note(cell.note)) start_note(channel, cell, sample, song, tonePortaRow);
    channel->pitchOffset = 0;
    channel->updateFlags |= FLAG_PITCH | FLAG_VOLUME;

    // A release without a volume envelope takes the volume to 0, before the
    // instrument number and the volume column can give the note one again;
    // the instrument's reset clears keyOff, so the release is marked after it.
    const uint8_t release = is_key_off_row(cell);
    if (release && !(instrument->volumeEnvelopeFlags & ENVELOPE_ON)) channel->volume = 0;
    if (cell.instrument != 0) reset_note_state(channel, sample);
    if (cell.volume != 0) apply_volume_column(channel, cell.volume);
    channel->keyOff |= release;

    step_envelopes(channel, instrument);
    apply_row_effect(song, channel, cell, instrument, sample, saved, jumpSeen);
    auto_vibrato(channel, instrument);
    update_voice(channel, sample, song);
}

void slide_volume(ChannelState* channel, int32_t delta) {
    int32_t volume = channel->volume + delta;
    if (volume < 0) volume = 0;
    if (volume > 64) volume = 64;
    channel->volume = volume;
    channel->updateFlags |= FLAG_VOLUME;
}

}  // namespace

Instrument* resolve_instrument(const ChannelState* channel, const Song* song) {
    if (song->instruments == nullptr || channel->instrument >= song->instrumentCount) {
        return &emptyInstrument;
    }
    return &song->instruments[channel->instrument];
}

Sample* resolve_sample(const ChannelState* channel, const Song* song) {
    const Instrument* instrument = resolve_instrument(channel, song);
    if (instrument == &emptyInstrument || channel->note >= NOTE_KEYS) {
        return &emptySample;
    }
    const uint8_t slot = instrument->noteSample[channel->note];
    if (slot >= 16 || instrument->samples[slot] == nullptr) return &emptySample;
    return instrument->samples[slot];
}

void reset_note_state(ChannelState* channel, const Sample* sample) {
    channel->volume = sample->volume > 64 ? 64 : sample->volume;
    channel->panning = int32_t(sample->panning & 0xFF);
    channel->volEnvTick = 0;
    channel->volEnvPoint = 0;
    channel->volEnvStep = 0;
    channel->volEnvOutput = 64;
    channel->volEnvDone = 0;
    channel->panEnvTick = 0;
    channel->panEnvPoint = 0;
    channel->panEnvStep = 0;
    channel->panEnvOutput = 32;
    channel->panEnvDone = 0;
    channel->keyOff = 0;
    channel->fadeoutVolume = 65536;
    channel->autoVibPos = 0;
    channel->autoVibSweepCount = 0;
    channel->tremorCount = 0;
    if ((channel->waveControl & 0x0F) < 4) channel->vibPos = 0;
    if ((channel->waveControl >> 4) < 4) channel->tremPos = 0;
    channel->updateFlags |= FLAG_VOLUME | FLAG_PANNING;
}

void apply_volume_column(ChannelState* channel, uint8_t volume) {
    const uint8_t y = volume & 15;
    if (volume >= 0x10 && volume <= 0x50) {
        channel->volume = volume - 0x10;
        channel->updateFlags |= FLAG_VOLUME;
        return;
    }
    // The slides 6y and 7y act on the later ticks only.
    switch (volume >> 4) {
    case 0x8:
        slide_volume(channel, -y);
        break;
    case 0x9:
        slide_volume(channel, y);
        break;
    case 0xA:
        channel->vibSpeed = y;
        break;
    case 0xB:
        channel->vibDepth = y;
        break;
    case 0xC:
        set_panning(channel, y * 16);
        break;
    case 0xD:
        set_panning(channel, saturate(int64_t(channel->panning) - y));
        break;
    case 0xE:
        set_panning(channel, saturate(int64_t(channel->panning) + y));
        break;
    case 0xF:
        if (y != 0) channel->portaSpeed = uint8_t(y * 16);
        channel->portaTarget = channel->notePeriod;
        channel->updateFlags &= ~FLAG_TRIGGER;
        break;
    default:
        break;
    }
}

void process_row(Song* song) {
    song->nextOrder = -1;
    song->nextRow = -1;
    const Cell* cells = current_row_cells(song);
    bool jumpSeen = false;
    const int32_t count = played_channels(song);
    for (int32_t c = 0; c < count; ++c) {
        process_channel(song, &replay.channels[c], cells[c], &jumpSeen);
    }
}
