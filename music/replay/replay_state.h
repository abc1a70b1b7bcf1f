// The replayer's channels and mixer voices: static, all zero when the library
// loads; a playback start gives them their start values.
#pragma once
#include "replay/channel_state.h"
#include "replay/voice.h"
#include "song/song_model.h"

struct ReplayState {
    ChannelState channels[MAX_CHANNELS];
    Voice voices[VOICE_COUNT];
};

extern ReplayState replay;
