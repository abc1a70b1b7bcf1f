// The release's version: both deliverables' version blocks (the numbers and
// the text), the game's About box, the archives' names and the tools'
// --version all take it from here. The text must be MAJOR.MINOR.
#pragma once

#define RELEASE_VERSION_MAJOR 1
#define RELEASE_VERSION_MINOR 10
#define RELEASE_VERSION "1.10"
