#include "bgpalette.h"

#include "bgbackground.h"

#include <algorithm>

namespace {

constexpr uint32_t unknown = 0xFFFFFFFF;

uint32_t nearestScan(uint16_t colour, const uint16_t* palette, size_t m)
{
    unsigned best = colorDistanceMax + 1, index = 0;
    for (size_t k = 0; k < m; ++k) {
        const unsigned d = colorDistance(colour, palette[k]);
        if (d < best) {
            best = d;
            index = static_cast<unsigned>(k);
        }
    }
    if (best > colorDistanceMax)
        return (colorDistanceMax << 8);  // term 2883, index 0
    return best << 8 | index;
}

// The same result from the palette's channels kept apart (red, green, blue,
// A, 256 each), in a form the compiler turns into vector code. A colour of
// the other A gets 32767 in place of 738048: both are above 2883, which is
// all the result depends on.
uint32_t nearestChannels(uint16_t colour, const int16_t* channels, size_t offset, size_t m)
{
    const int16_t r = colour & 31, g = (colour >> 5) & 31, b = (colour >> 10) & 31,
                  a = static_cast<int16_t>(colour >> 15);
    const int16_t* R = channels + offset;
    const int16_t* G = R + 256;
    const int16_t* B = G + 256;
    const int16_t* A = B + 256;
    int16_t d[256];
    for (size_t k = 0; k < m; ++k) {
        const int16_t dr = static_cast<int16_t>(R[k] - r), dg = static_cast<int16_t>(G[k] - g),
                      db = static_cast<int16_t>(B[k] - b);
        const int16_t sum = static_cast<int16_t>(dr * dr + dg * dg + db * db);
        d[k] = A[k] == a ? sum : int16_t{32767};
    }
    int16_t best = 32767;
    for (size_t k = 0; k < m; ++k)
        best = d[k] < best ? d[k] : best;
    if (best > static_cast<int16_t>(colorDistanceMax))
        return colorDistanceMax << 8;
    size_t index = 0;
    while (d[index] != best)
        ++index;
    return static_cast<uint32_t>(best) << 8 | static_cast<uint32_t>(index);
}

void cachePrepare(Background& bg)
{
    PaletteCache& c = bg.paletteCache;
    if (c.palettes == bg.usedCount && !c.slotOf[0].empty())
        return;
    c.palettes = std::min(bg.usedCount, bg.palettes.size());
    c.colours.assign(c.palettes * 256, 0);
    c.channels.assign(c.palettes * 1024, 0);
    c.paletteBytes.assign(psxVramBytes, 0);
    for (size_t p = 0; p < c.palettes; ++p) {
        psxVramColors(bg.vram, bg.palettes[p].pointer, 256, &c.colours[p * 256]);
        for (size_t k = 0; k < 256; ++k) {
            const uint16_t v = c.colours[p * 256 + k];
            int16_t* ch = &c.channels[p * 1024 + k];
            ch[0] = v & 31;
            ch[256] = (v >> 5) & 31;
            ch[512] = (v >> 10) & 31;
            ch[768] = static_cast<int16_t>(v >> 15);
        }
        for (size_t k = 0; k < 512; ++k)
            c.paletteBytes[(bg.palettes[p].pointer + k) & (psxVramBytes - 1)] = 1;
    }
    for (int mode = 0; mode < 2; ++mode) {
        c.slotOf[mode].assign(65536, -1);
        c.slots[mode].clear();
    }
}

// Where the results for `colour` start in the slots of a mode (0: rows of
// 256 colours, one entry per palette; 1: parts of 16, 16 entries per palette).
size_t slotBase(PaletteCache& c, int mode, uint16_t colour)
{
    const size_t per = mode ? c.palettes * 16 : c.palettes;
    int32_t& slot = c.slotOf[mode][colour];
    if (slot < 0) {
        slot = static_cast<int32_t>(c.slots[mode].size() / std::max<size_t>(per, 1));
        c.slots[mode].resize(c.slots[mode].size() + per, unknown);
    }
    return size_t(slot) * per;
}

// Smallest distance (bits 8 up, at most 2883) and the first index reaching
// it (bits 0-7) of a colour against palette p, its part at `offset` of 16
// colours or its whole row; `base` is slotBase of the colour.
uint32_t nearestAt(PaletteCache& c, size_t base, uint16_t colour, size_t p, unsigned offset,
                   unsigned size)
{
    const size_t entry = size == 256 ? p : p * 16 + offset / 16;
    uint32_t& r = c.slots[size == 256 ? 0 : 1][base + entry];
    if (r == unknown)
        r = nearestChannels(colour, &c.channels[p * 1024], size == 256 ? 0 : offset, size);
    return r;
}

std::vector<size_t> slotBases(PaletteCache& c, int mode, const uint16_t* list, size_t n)
{
    std::vector<size_t> bases(n);
    for (size_t k = 0; k < n; ++k)
        bases[k] = slotBase(c, mode, list[k]);
    return bases;
}

PaletteChoice search(Background& bg, const uint16_t* list, size_t n, unsigned size)
{
    cachePrepare(bg);
    PaletteCache& c = bg.paletteCache;
    const std::vector<size_t> bases = slotBases(c, size == 256 ? 0 : 1, list, n);
    PaletteChoice best;
    for (size_t p = 0; p < c.palettes; ++p) {
        if (bg.palettes[p].transp != 1)
            continue;
        for (unsigned offset = 0; offset < 256; offset += size) {
            // A palette whose sum reaches the best so far cannot win: stop early.
            unsigned d = 0;
            for (size_t k = 0; k < n && d < best.distance; ++k)
                d += nearestAt(c, bases[k], list[k], p, offset, size) >> 8;
            if (d < best.distance) {
                best = {static_cast<int>(p), offset, d};
                if (d == 0)
                    return best;
            }
        }
    }
    return best;
}

}  // namespace

unsigned paletteDistance(const uint16_t* list, size_t n, const uint16_t* palette, size_t m)
{
    unsigned sum = 0;
    for (size_t k = 0; k < n; ++k)
        sum += nearestScan(list[k], palette, m) >> 8;
    return sum;
}

void paletteNearest(const uint16_t* list, size_t n, const uint16_t* palette, size_t m,
                    uint8_t* map)
{
    for (size_t k = 0; k < n; ++k)
        map[k] = static_cast<uint8_t>(nearestScan(list[k], palette, m));
}

PaletteChoice paletteSearch256(Background& bg, const uint16_t* list, size_t n)
{
    return search(bg, list, n, 256);
}

PaletteChoice paletteSearch16(Background& bg, const uint16_t* list, size_t n)
{
    return search(bg, list, n, 16);
}

unsigned paletteDistanceOf(Background& bg, int p, unsigned offset, unsigned size,
                           const uint16_t* list, size_t n)
{
    cachePrepare(bg);
    PaletteCache& c = bg.paletteCache;
    const std::vector<size_t> bases = slotBases(c, size == 256 ? 0 : 1, list, n);
    unsigned d = 0;
    for (size_t k = 0; k < n; ++k)
        d += nearestAt(c, bases[k], list[k], static_cast<size_t>(p), offset, size) >> 8;
    return d;
}

void paletteNearestOf(Background& bg, int p, unsigned offset, unsigned size, const uint16_t* list,
                      size_t n, uint8_t* map)
{
    cachePrepare(bg);
    PaletteCache& c = bg.paletteCache;
    const std::vector<size_t> bases = slotBases(c, size == 256 ? 0 : 1, list, n);
    for (size_t k = 0; k < n; ++k)
        map[k] = static_cast<uint8_t>(nearestAt(c, bases[k], list[k], static_cast<size_t>(p), offset, size));
}

void paletteCacheTouched(Background& bg, size_t at, size_t count, size_t rows)
{
    PaletteCache& c = bg.paletteCache;
    if (c.paletteBytes.empty())
        return;
    for (size_t r = 0; r < rows; ++r)
        for (size_t k = 0; k < count; ++k)
            if (c.paletteBytes[(at + r * psxVramRowBytes + k) & (psxVramBytes - 1)]) {
                c.slotOf[0].clear();  // rebuilt from VRAM on the next search
                return;
            }
}
