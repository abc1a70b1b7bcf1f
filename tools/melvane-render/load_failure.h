// Why a module image did not load, in words, from a look at its header.
#pragma once
#include <cstdint>

const char* describe_load_failure(const uint8_t* image, uint32_t size);
