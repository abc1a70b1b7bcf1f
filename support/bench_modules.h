// The modules the render benchmark plays, generated in memory; the render
// checksum tests play them too.
#pragma once
#include "support/xm_writer.h"

// A small song: bass, lead with arpeggio, pad with vibrato, a drum hit.
XmModule four_channel_module();
// Every one of 32 channels plays a looped 16-bit sample under a looping
// volume envelope, with vibrato and volume slides, retriggered every 8 rows.
XmModule stress_module();
