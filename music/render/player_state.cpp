// The one player record, zero until playback starts.
#include "render/player_state.h"

PlayerState player;
