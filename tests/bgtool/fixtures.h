// Backgrounds for the bgtool tests, built with the sample game's TIM and
// tile info writers: a palette image at VRAM row 224, texture TIMs and the
// tile info file, written into a scratch folder as bg.0a and tims/.
#pragma once

#include "sampletim.h"
#include "support/testsupport.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline uint16_t fxColour(unsigned r, unsigned g, unsigned b)
{
    return static_cast<uint16_t>(0x8000 | (r & 31) | (g & 31) << 5 | (b & 31) << 10);
}

// Palette rows of 256 colours at (0, 224): colour 0 the background black,
// colour i of row r a colour no other row holds.
inline Bytes fxPalettes(unsigned rows)
{
    std::vector<uint16_t> pal(256 * rows);
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned i = 1; i < 256; ++i)
            pal[256 * r + i] = fxColour(i & 31, (i >> 5) + 8 * r, 31 - (i & 31));
    return sampleTimBuild(2, nullptr, {}, {0, 224, 256, static_cast<uint16_t>(rows)}, pal);
}

// An 8-bit (mode 1) or 4-bit (mode 0) texture of `halfwords` x `rows` at
// (x, y), texel bytes from a simple pattern.
inline Bytes fxTexture(unsigned mode, uint16_t x, uint16_t y, uint16_t halfwords, uint16_t rows)
{
    std::vector<uint16_t> data(size_t{halfwords} * rows);
    for (size_t k = 0; k < data.size(); ++k)
        data[k] = static_cast<uint16_t>(((k * 7 + 1) % 255 + 1) | ((k * 13 + 5) % 255 + 1) << 8);
    return sampleTimBuild(mode, nullptr, {}, {x, y, halfwords, rows}, data);
}

// An 8-bit tile of page 5 (x 320) at texel column su, palette row clutY.
inline SampleTile fxTile8(uint16_t dX, uint16_t dY, uint8_t su, uint16_t clutY = 224)
{
    SampleTile t;
    t.dX = dX;
    t.dY = dY;
    t.clutY = clutY;
    t.stX = 5;
    t.stp = 1;
    t.su = su;
    return t;
}

inline SampleTile fxTile4(uint16_t dX, uint16_t dY, uint8_t su, uint16_t clutY = 225)
{
    SampleTile t = fxTile8(dX, dY, su, clutY);
    t.stX = 6;
    t.stp = 0;
    return t;
}

struct FxBackground {
    ScratchDir dir;
    std::string info() const { return dir / "bg.0a"; }
    std::string tims() const { return dir / "tims"; }

    // Writes bg.0a and tims/: the palettes, an 8-bit texture at page 5 and a
    // 4-bit one at page 6 (16 rows, 128 texels each).
    explicit FxBackground(const std::vector<SampleTileSet>& sets)
    {
        testMkdirs(tims());
        testWriteFile(info(), sampleTileInfoBuild(sets));
        testWriteFile(dir / "tims/a_pal.tim", fxPalettes(2));
        testWriteFile(dir / "tims/b_tex8.tim", fxTexture(1, 320, 0, 64, 16));
        testWriteFile(dir / "tims/c_tex4.tim", fxTexture(0, 384, 0, 32, 16));
    }
};

// Pixel (x, y) of a bottom-up 24-bit BMP file as blue, green, red.
inline std::vector<uint8_t> fxBmpPixel(const Bytes& bmp, unsigned x, unsigned y)
{
    const uint32_t off = bmp[10] | bmp[11] << 8 | bmp[12] << 16 | uint32_t{bmp[13]} << 24;
    const int32_t w = static_cast<int32_t>(bmp[18] | bmp[19] << 8 | bmp[20] << 16 | uint32_t{bmp[21]} << 24);
    const int32_t h = static_cast<int32_t>(bmp[22] | bmp[23] << 8 | bmp[24] << 16 | uint32_t{bmp[25]} << 24);
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t{3};
    const size_t at = off + (size_t(h) - 1 - y) * stride + size_t{x} * 3;
    return {bmp[at], bmp[at + 1], bmp[at + 2]};
}

// Sets pixel (x, y) of a bottom-up 24-bit BMP file to blue, green, red.
inline void fxBmpSetPixel(Bytes& bmp, unsigned x, unsigned y, const Bytes& bgr)
{
    const uint32_t off = bmp[10] | bmp[11] << 8 | bmp[12] << 16 | uint32_t{bmp[13]} << 24;
    const uint32_t w = bmp[18] | bmp[19] << 8, h = bmp[22] | bmp[23] << 8;
    const size_t stride = (size_t{w} * 3 + 3) & ~size_t{3};
    const size_t at = off + (size_t{h} - 1 - y) * stride + size_t{x} * 3;
    std::copy(bgr.begin(), bgr.end(), bmp.begin() + static_cast<long>(at));
}

// The 24-bit BMP bytes of a 16-bit colour.
inline Bytes fxBgr(uint16_t c)
{
    return {static_cast<uint8_t>((c >> 10 & 31) * 8), static_cast<uint8_t>((c >> 5 & 31) * 8),
            static_cast<uint8_t>((c & 31) * 8)};
}
