// The one player record, zero until playback starts, and its output buffers.
#include "render/player_state.h"

#include "song/memory.h"

PlayerState player;

bool allocate_output() {
    player.outputRing = static_cast<int16_t*>(alloc_zeroed(RING_BYTES));
    player.mixAllocation = alloc_zeroed(MIX_ALLOCATION_BYTES);
    if (player.outputRing == nullptr || player.mixAllocation == nullptr) {
        free_output();
        return false;
    }
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(player.mixAllocation) + 15) & ~uintptr_t(15);
    player.mixArea = reinterpret_cast<float*>(aligned);
    player.fillIndex = 0;
    return true;
}

void free_output() {
    free_block(player.outputRing);
    free_block(player.mixAllocation);
    player.outputRing = nullptr;
    player.mixAllocation = nullptr;
    player.mixArea = nullptr;
}
