#include "replay/replay_state.h"

ReplayState replay;
