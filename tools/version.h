// The version the command-line tools print: the game's own (its version block).
#pragma once

const char* const TOOLS_VERSION = "1.10";
