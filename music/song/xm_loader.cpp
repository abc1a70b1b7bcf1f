// The XM loader: module header, pattern cells, then the instruments
// (xm_instruments.cpp).
#include "song/xm_loader.h"

#include <cstring>

#include "song/memory.h"
#include "song/song_model.h"
#include "song/sources.h"
#include "song/xm_input.h"
#include "song/xm_instruments.h"

namespace {

// A pattern record needs at least its 9-byte header in the module.
const uint32_t PATTERN_HEADER_BYTES = 9;

int32_t read_header(Song* song, uint32_t* patternCount) {
    xm_reading(SHORT_HEADER, 0, 0);
    uint8_t signature[4] = {0, 0, 0, 0};
    xm_read(signature, 4);
    if (memcmp(signature, "Exte", 4) != 0) return xm_fail("not an XM module");
    xm_seek_to(60);
    uint32_t headerSize = xm_read32();
    uint8_t counts[8] = {};
    xm_read(counts, 8);
    uint8_t rest[264] = {};
    const uint32_t restRead = xm_read(rest, 264);
    uint32_t songLength = xm_get16(counts);
    uint32_t channelCount = xm_get16(counts + 4);
    int16_t bpm = int16_t(xm_get16(rest + 6));
    if (channelCount > MAX_CHANNELS) return xm_fail("more than 32 channels");
    if (bpm <= 0 && restRead < 8) return xm_fail("module ends within its header");
    if (bpm <= 0) return xm_fail("default BPM is not positive");
    // The order table holds 256 entries; a longer song would play past it.
    song->songLength = int16_t(songLength > 256 ? 256 : songLength);
    song->restartPosition = int16_t(xm_get16(counts + 2));
    song->channelCount = uint16_t(channelCount);
    song->instrumentCount = int16_t(xm_get16(rest));
    song->flags = xm_get16(rest + 2);
    song->defaultSpeed = int16_t(xm_get16(rest + 4));
    song->defaultBpm = bpm;
    memcpy(song->orderTable, rest + 8, 256);
    *patternCount = xm_get16(counts + 6);
    xm_seek_to(60 + uint64_t(headerSize));
    return 1;
}

// Key-off becomes 0xFF. Notes 98..254 name no key and become "no note", so
// that every stored note is one the replayer knows; instruments above 128
// become "no instrument".
void normalise_cell(Cell* cell) {
    if (cell->note == XM_NOTE_KEY_OFF)
        cell->note = NOTE_KEY_OFF;
    else if (cell->note > XM_NOTE_KEY_OFF && cell->note != NOTE_KEY_OFF)
        cell->note = 0;
    if (cell->instrument > 128) cell->instrument = 0;
}

// False at the end of the module (the cell stays empty).
bool unpack_cell(Cell* cell) {
    uint8_t first = 0;
    if (xm_read(&first, 1) == 0) return false;
    uint8_t fields[5] = {0, 0, 0, 0, 0};
    if (first & 0x80) {
        for (int bit = 0; bit < 5; ++bit)
            if (first & (1 << bit)) xm_read(&fields[bit], 1);
    } else {
        fields[0] = first;
        xm_read(fields + 1, 4);
    }
    *cell = Cell{fields[0], fields[1], fields[2], fields[3], fields[4]};
    normalise_cell(cell);
    return true;
}

int32_t load_pattern(const Song* song, Pattern* pattern) {
    uint8_t header[PATTERN_HEADER_BYTES] = {};
    xm_read(header, PATTERN_HEADER_BYTES);
    uint32_t channels = song->channelCount;
    uint32_t rows = xm_get16(header + 5);
    uint32_t packedSize = xm_get16(header + 7);
    // Cells with no channel to go to would be read as the records after them.
    if (packedSize != 0 && channels == 0) return xm_fail("pattern data but the header declares 0 channels");
    // Every stored cell takes at least one byte: rows beyond what the rest of
    // the module can hold are cut.
    if (packedSize != 0 && channels != 0 && uint64_t(rows) * channels > xm_remaining()) {
        rows = xm_remaining() / channels;
        xm_note_short();
    }
    pattern->rowCount = int32_t(rows);
    uint64_t cellCount = uint64_t(rows) * channels;
    void* cells = nullptr;
    if (!xm_take(cellCount * sizeof(Cell), &cells)) return 0;
    pattern->cells = static_cast<Cell*>(cells);
    if (packedSize == 0) return 1;
    for (uint64_t i = 0; i < cellCount; ++i)
        if (!unpack_cell(&pattern->cells[i])) break;
    return 1;
}

int32_t load_patterns(Song* song, uint32_t patternCount) {
    int32_t used = 0;
    for (int32_t i = 0; i < song->songLength; ++i)
        if (song->orderTable[i] >= used) used = song->orderTable[i] + 1;
    song->usedPatternCount = used;
    const uint32_t declared = patternCount;
    uint32_t fitting = xm_remaining() / PATTERN_HEADER_BYTES;
    if (patternCount > fitting) patternCount = fitting;
    uint32_t slotCount = patternCount > uint32_t(used) ? patternCount : uint32_t(used);
    void* slots = nullptr;
    if (!xm_take(uint64_t(slotCount) * sizeof(Pattern), &slots)) return 0;
    song->patterns = static_cast<Pattern*>(slots);
    song->patternSlotCount = int32_t(slotCount);
    for (uint32_t p = 0; p < patternCount; ++p) {
        xm_reading(SHORT_PATTERN, p, 0);
        if (!load_pattern(song, &song->patterns[p])) return 0;
    }
    if (declared > patternCount) {
        xm_reading(SHORT_PATTERN, patternCount, 0);
        xm_note_short();
    }
    // Patterns the order table names but the module lacks play as 64 empty rows.
    for (uint32_t p = patternCount; p < slotCount; ++p) {
        void* cells = nullptr;
        if (!xm_take(uint64_t(song->channelCount) * 64 * sizeof(Cell), &cells)) return 0;
        song->patterns[p].rowCount = 64;
        song->patterns[p].cells = static_cast<Cell*>(cells);
    }
    return 1;
}

}  // namespace

int32_t load_module(Song* song) {
    xm_begin_load();
    uint32_t patternCount = 0;
    if (!read_header(song, &patternCount)) return 0;
    if (!load_patterns(song, patternCount)) return 0;
    return load_instruments(song);
}

Song* load_song_from(const ModuleSource& kind, const void* module, uintptr_t sizeOrHandle) {
    install_source(kind, uint32_t(sizeOrHandle));
    activeSource.handle = sizeOrHandle;  // a module handle is pointer-wide
    Song* song = static_cast<Song*>(alloc_zeroed(sizeof(Song)));
    if (song == nullptr) {
        xm_fail("out of memory");
        return nullptr;
    }
    activeSource.operations.open(module);
    // The loader refuses more than 32 channels and a BPM below 1.
    const int32_t loaded = load_module(song);
    activeSource.operations.close();
    if (loaded) return song;
    release_song(song);
    return nullptr;
}
