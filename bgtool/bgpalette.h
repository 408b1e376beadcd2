// Matching a cell's colours to the palettes of a background.
//
// paletteDistance and paletteNearest are the plain definitions. The searches
// remember, for each 16-bit colour and each palette (or 16-colour part of
// one), the smallest distance and the first index reaching it the first time
// they are needed, so a cell costs look-ups instead of scans; they give the
// same palette, distance, ties and indices as scanning every time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Background;

// Sum over the list of the smallest colorDistance to the palette, each term
// at most 2883.
unsigned paletteDistance(const uint16_t* list, size_t n, const uint16_t* palette, size_t m);
// For each list colour the first palette index with the smallest distance
// below 2884, or 0.
void paletteNearest(const uint16_t* list, size_t n, const uint16_t* palette, size_t m,
                    uint8_t* map);

struct PaletteChoice {
    int palette = -1;  // index into the background's palette table, -1: none
    unsigned offset = 0;  // first colour of the 16-colour part
    unsigned distance = 738048;
};

// What the searches remember; it belongs to one background and is dropped
// when a palette's colours in VRAM change.
struct PaletteCache {
    size_t palettes = 0;                 // the used palettes it covers
    std::vector<uint16_t> colours;       // 256 per palette, from VRAM
    std::vector<int16_t> channels;       // per palette: red, green, blue, A of each colour
    // Per mode (0: rows of 256, 1: parts of 16): 16-bit colour -> slot (-1
    // none), and per slot one result per palette (or per part of each).
    std::vector<int32_t> slotOf[2];
    std::vector<uint32_t> slots[2];
    std::vector<uint8_t> paletteBytes;   // 1 for VRAM bytes a covered palette occupies
};

// Best of the first usedCount palettes with transp 1 (ties keep the earlier,
// a distance of 0 ends the search).
PaletteChoice paletteSearch256(Background& bg, const uint16_t* list, size_t n);
// The same over the 16 parts of 16 colours of each palette.
PaletteChoice paletteSearch16(Background& bg, const uint16_t* list, size_t n);
// paletteDistance and paletteNearest against palette p of the table (its
// part at `offset` for 16 colours), through the cache.
unsigned paletteDistanceOf(Background& bg, int p, unsigned offset, unsigned size,
                           const uint16_t* list, size_t n);
void paletteNearestOf(Background& bg, int p, unsigned offset, unsigned size, const uint16_t* list,
                      size_t n, uint8_t* map);
// Drops what the cache knows when a write of VRAM bytes [at, at + count)
// (wrapping, rows 2048 bytes apart, `rows` rows) touched a palette.
void paletteCacheTouched(Background& bg, size_t at, size_t count, size_t rows);
