// What --info shows that the loader does not keep: the names in an XM image
// and the counts its header declares.
#pragma once
#include <cstdint>

const int XM_NAME_CHARS = 22;

struct XmSampleText {
    char name[XM_NAME_CHARS + 1];
    uint8_t bits;  // 8 or 16, as stored
};

struct XmInstrumentText {
    char name[XM_NAME_CHARS + 1];
    uint32_t sampleCount;  // as declared, at most 16 kept
    XmSampleText samples[16];
};

struct XmText {
    char title[21];
    char tracker[21];
    uint32_t patternCount;      // declared in the header
    uint32_t instrumentCount;   // declared in the header
    uint32_t instrumentsFound;  // records the image reaches, at most 128
    XmInstrumentText instruments[128];
};

// Walks the image by the sizes it declares; names are the stored bytes up to
// the first 0, trailing blanks dropped. Bytes past the end read as 0.
void read_xm_text(const uint8_t* image, uint32_t size, XmText* text);
