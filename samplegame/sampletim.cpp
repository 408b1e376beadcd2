#include "sampletim.h"

#include "le.h"

namespace {

constexpr uint32_t timId = 0x10;
constexpr uint32_t timFlagClut = 0x08;
constexpr size_t timBlockHeader = 12;

constexpr uint16_t paletteRow = 224;  // where the game keeps background palettes
constexpr uint16_t paletteRows = 4;
constexpr uint8_t texture8Page = 5;   // x = 320
constexpr uint8_t texture4Page = 6;   // x = 384
constexpr uint16_t tilesPerRow8 = 4;  // the 8-bit tile set is 4 x 2 tiles
constexpr uint16_t tiles8 = 8;
constexpr uint16_t tiles4 = 2;

void appendBlock(std::vector<uint8_t>& out, const SampleRect& r, const std::vector<uint16_t>& data)
{
    leAppend32(out, static_cast<uint32_t>(timBlockHeader + 2 * data.size()));
    leAppend16(out, r.x);
    leAppend16(out, r.y);
    leAppend16(out, r.width);
    leAppend16(out, r.height);
    for (uint16_t v : data)
        leAppend16(out, v);
}

// Deterministic pseudo-random numbers (a linear congruential generator), so
// every run writes the same bytes.
struct Lcg {
    uint32_t state;
    uint32_t next()
    {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    }
};

uint16_t psxColour(unsigned r, unsigned g, unsigned b)
{
    // Bit 15 set: every colour but the background black is opaque.
    return static_cast<uint16_t>(0x8000 | (r & 31) | (g & 31) << 5 | (b & 31) << 10);
}

}  // namespace

std::vector<uint8_t> sampleTimBuild(unsigned pixelMode, const SampleRect* clut,
                                    const std::vector<uint16_t>& clutData, const SampleRect& image,
                                    const std::vector<uint16_t>& imageData)
{
    std::vector<uint8_t> out;
    leAppend32(out, timId);
    leAppend32(out, (pixelMode & 3) | (clut ? timFlagClut : 0));
    if (clut)
        appendBlock(out, *clut, clutData);
    appendBlock(out, image, imageData);
    return out;
}

std::vector<uint8_t> sampleTileInfoBuild(const std::vector<SampleTileSet>& sets)
{
    size_t total = sampleTileInfoHeader + sampleTileSetSize * sets.size();
    for (const auto& s : sets)
        total += 12 * s.tiles.size();
    if (total > 0xFFFF)
        return {};

    std::vector<uint8_t> out(total, 0);
    std::span<uint8_t> d(out);
    bool ok = lePut16(d, 0, static_cast<uint16_t>(total));
    ok = ok && lePut16(d, 2, 0x0001);  // header words the tools carry along unchanged
    ok = ok && lePut16(d, 4, 0x0100);
    ok = ok && lePut16(d, 6, static_cast<uint16_t>(sets.size()));
    ok = ok && lePut32(d, 16, static_cast<uint32_t>(sampleTileInfoHeader));

    size_t next = sampleTileInfoHeader + sampleTileSetSize * sets.size();
    for (size_t i = 0; i < sets.size(); ++i) {
        const SampleTileSet& s = sets[i];
        const size_t rec = sampleTileInfoHeader + sampleTileSetSize * i;
        const size_t desp = next;
        const size_t srcp = desp + 4 * s.tiles.size();
        next = srcp + 8 * s.tiles.size();
        ok = ok && lePut8(d, rec + 0, s.type);
        ok = ok && lePut8(d, rec + 1, static_cast<uint8_t>(s.plane >> 16));
        ok = ok && lePut8(d, rec + 2, static_cast<uint8_t>(s.plane >> 8));
        ok = ok && lePut8(d, rec + 3, static_cast<uint8_t>(s.plane));
        ok = ok && lePut16(d, rec + 4, s.sizeX) && lePut16(d, rec + 6, s.sizeY);
        ok = ok && lePut16(d, rec + 8, s.posX) && lePut16(d, rec + 10, s.posY);
        ok = ok && lePut16(d, rec + 12, s.posX) && lePut16(d, rec + 14, s.posY);  // posC1, posC2
        ok = ok && lePut16(d, rec + 24, 0x0010) && lePut16(d, rec + 26, 0x0010);  // var1, var2
        ok = ok && lePut16(d, rec + 36, s.tileId);
        ok = ok && lePut16(d, rec + 38, static_cast<uint16_t>(s.tiles.size()));
        ok = ok && lePut32(d, rec + 40, static_cast<uint32_t>(desp));
        ok = ok && lePut32(d, rec + 44, static_cast<uint32_t>(srcp));
        ok = ok && lePut32(d, rec + 48, 0x00010000u * static_cast<uint32_t>(i + 1));  // mem
        for (size_t j = 0; j < s.tiles.size(); ++j) {
            const SampleTile& t = s.tiles[j];
            const uint32_t dest = (uint32_t{t.dX} & 0x3FF) << 22 | (uint32_t{t.dY} & 0x3FF) << 12 |
                                  static_cast<uint32_t>(j & 0xFFF);
            const uint32_t src0 = (uint32_t{t.clutY} & 0x1FF) | (uint32_t{t.clutX} & 0x3F) << 9 |
                                  (uint32_t{t.stY} & 1) << 15 | (uint32_t{t.stX} & 0xF) << 16 |
                                  (uint32_t{t.stp} & 3) << 20 | uint32_t{t.sv} << 24;
            const uint32_t src1 = t.su;
            ok = ok && lePut32(d, desp + 4 * j, dest);
            ok = ok && lePut32(d, srcp + 8 * j, src0) && lePut32(d, srcp + 8 * j + 4, src1);
        }
    }
    if (!ok)
        return {};
    return out;
}

SampleBackground sampleBackgroundBuild(unsigned seed)
{
    SampleBackground bg;
    Lcg rng{0x4B5A3700u + seed};

    // Four palette rows of 256 colours. Rows 0 and 2 serve the 8-bit tiles
    // (a warm and a cool ramp over every level of each channel, so an edited
    // picture finds close colours), row 1 the 4-bit ones (its first 16
    // colours), row 3 holds more parts of 16 colours no tile uses yet.
    // Colour 0 of each row is the background black.
    std::vector<uint16_t> pal(256 * paletteRows);
    for (unsigned i = 1; i < 256; ++i) {
        const unsigned level = i & 31, band = i >> 5;
        pal[i] = psxColour(level, (level * band / 7 + seed * 5) & 31, (31 - level) * (7 - band) / 7);
        pal[256 + i] = psxColour((i * 2 + seed) & 31, i & 31, (i * 3) & 31);
        pal[512 + i] = psxColour((31 - level) * band / 7, level * (7 - band) / 7 + band, level);
        pal[768 + i] = psxColour((i * 5) & 31, (i * 7 + seed) & 31, (i * 11) & 31);
    }
    bg.palettes = sampleTimBuild(2, nullptr, {}, {0, paletteRow, 256, paletteRows}, pal);

    // 8-bit texels: 8 tiles side by side, 8 halfwords (16 texels) each.
    std::vector<uint16_t> tex8(tiles8 * 8 * 16);
    for (auto& hw : tex8) {
        const unsigned a = 1 + rng.next() % 255, b = 1 + rng.next() % 255;
        hw = static_cast<uint16_t>(a | b << 8);
    }
    bg.texture8 = sampleTimBuild(1, nullptr, {}, {texture8Page * 64, 0, tiles8 * 8, 16}, tex8);

    // 4-bit texels: 2 tiles, 4 halfwords (16 texels) each; index 0 leaves
    // some texels transparent.
    std::vector<uint16_t> tex4(tiles4 * 4 * 16);
    for (auto& hw : tex4)
        hw = static_cast<uint16_t>(rng.next());
    bg.texture4 = sampleTimBuild(0, nullptr, {}, {texture4Page * 64, 0, tiles4 * 4, 16}, tex4);

    SampleTileSet floor{1, 0x000010, 64, 32, 0, 0, static_cast<uint16_t>(seed * 2), {}};
    for (uint16_t k = 0; k < tiles8; ++k) {
        SampleTile t;
        t.dX = static_cast<uint16_t>(16 * (k % tilesPerRow8));
        t.dY = static_cast<uint16_t>(16 * (k / tilesPerRow8));
        t.clutX = 0;
        t.clutY = static_cast<uint16_t>(paletteRow + (k % 2 ? 2 : 0));  // rows 0 and 2 by turns
        t.stX = texture8Page;
        t.stp = 1;
        t.su = static_cast<uint8_t>(16 * k);
        floor.tiles.push_back(t);
    }
    SampleTileSet fence{2, 0x000020, 32, 16, 0, 32, static_cast<uint16_t>(seed * 2 + 1), {}};
    for (uint16_t k = 0; k < tiles4; ++k) {
        SampleTile t;
        t.dX = static_cast<uint16_t>(16 * k);
        t.clutX = 0;
        t.clutY = paletteRow + 1;
        t.stX = texture4Page;
        t.stp = 0;
        t.su = static_cast<uint8_t>(16 * k);
        fence.tiles.push_back(t);
    }
    // A roof beside the fence drawn from two of the floor's tiles: those
    // texels have two users, so an import leaves them alone.
    SampleTileSet roof{3, 0x000030, 32, 16, 32, 32, static_cast<uint16_t>(seed * 2 + 2), {}};
    for (uint16_t k = 0; k < 2; ++k) {
        SampleTile t = floor.tiles[k];
        t.dX = static_cast<uint16_t>(16 * k);
        t.dY = 0;
        roof.tiles.push_back(t);
    }
    bg.tileInfo = sampleTileInfoBuild({floor, fence, roof});
    return bg;
}

std::vector<uint8_t> sampleFontTim()
{
    std::vector<uint16_t> clut(16);
    for (unsigned i = 1; i < 16; ++i)
        clut[i] = psxColour(i * 2, i * 2, i * 2);
    // 64 x 32 texels of 4 bits: 16 halfwords per row.
    std::vector<uint16_t> image(16 * 32);
    Lcg rng{0x464F4E54u};
    for (auto& hw : image)
        hw = static_cast<uint16_t>(rng.next() & 0x3333);
    const SampleRect clutRect{0, 480, 16, 1};
    return sampleTimBuild(0, &clutRect, clut, {640, 256, 16, 32}, image);
}

std::vector<uint8_t> sampleTitleTim()
{
    std::vector<uint16_t> image(32 * 16);
    for (unsigned y = 0; y < 16; ++y)
        for (unsigned x = 0; x < 32; ++x)
            image[y * 32 + x] = psxColour(x, y * 2, 31 - x);
    return sampleTimBuild(2, nullptr, {}, {0, 0, 32, 16}, image);
}
