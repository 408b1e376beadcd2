// TIM images and tile info files of the sample game's backgrounds.
//
// TIM: id word 0x10, flags word (bits 0-1 pixel mode 0/1/2 = 4/8/16 bits,
// bit 3 CLUT follows), then the CLUT block (if any) and the image block,
// each a 12-byte header (size, x, y, width, height; x and width in VRAM
// halfwords) followed by width x height halfwords.
//
// Tile info file (chunk type 0x0A): size (16 bits) at 0, tile set count at
// 6, offset of the first 56-byte tile set record at 16; each record points
// at its destination words (4 bytes per tile: dU 0-11, dY 12-21, dX 22-31)
// and source pairs (8 bytes per tile: palette row/column, texture page,
// texel size, texel row; then the texel column).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SampleRect {
    uint16_t x = 0, y = 0, width = 0, height = 0;  // VRAM halfwords and rows
};

// A TIM with `pixelMode` 0/1/2; `clut` and `clutData` only when the image
// has a palette block. Data sizes must match the rectangles.
std::vector<uint8_t> sampleTimBuild(unsigned pixelMode, const SampleRect* clut,
                                    const std::vector<uint16_t>& clutData, const SampleRect& image,
                                    const std::vector<uint16_t>& imageData);

// One 16 x 16 tile of a tile set.
struct SampleTile {
    uint16_t dX = 0, dY = 0;  // place within the tile set's area
    uint8_t clutX = 0;        // palette column in units of 16 halfwords
    uint16_t clutY = 0;       // palette row in VRAM
    uint8_t stX = 0, stY = 0; // texture page
    uint8_t stp = 1;          // texel size: 0 = 4 bits, 1 = 8 bits
    uint8_t su = 0, sv = 0;   // texel column and row within the page
};

struct SampleTileSet {
    uint8_t type = 1;
    uint32_t plane = 0;  // 24 bits
    uint16_t sizeX = 0, sizeY = 0, posX = 0, posY = 0;
    uint16_t tileId = 0;
    std::vector<SampleTile> tiles;
};

inline constexpr size_t sampleTileInfoHeader = 24;
inline constexpr size_t sampleTileSetSize = 56;

// The tile info file of a background; empty when it would not fit the
// 16-bit size field.
std::vector<uint8_t> sampleTileInfoBuild(const std::vector<SampleTileSet>& sets);

// A complete background: a palette image at VRAM row 224 (four 256-colour
// rows), an 8-bit texture, a 4-bit texture and the tile info file that
// draws a picture of 64 x 48 pixels from them in three tile sets: a floor of
// 8-bit tiles on two palettes, a fence of 4-bit tiles and a roof that shares
// two of the floor's tiles. `seed` varies the texels and colours between
// backgrounds.
struct SampleBackground {
    std::vector<uint8_t> palettes, texture8, texture4, tileInfo;
};
SampleBackground sampleBackgroundBuild(unsigned seed);

// A small 4-bit font image with its 16-colour palette.
std::vector<uint8_t> sampleFontTim();

// A 16-bit picture without palette (a title screen).
std::vector<uint8_t> sampleTitleTim();
