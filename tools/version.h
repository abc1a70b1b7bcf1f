// The version the command-line tools print: the release's.
#pragma once
#include "../release_version.h"

const char* const TOOLS_VERSION = RELEASE_VERSION;
