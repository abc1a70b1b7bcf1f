// The one player record, zero until playback starts.
#include "front/player_state.h"

PlayerState player;
