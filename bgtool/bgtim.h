// TIM images, PlayStation VRAM and 16 x 16 tiles of 4-bit or 8-bit texels.
//
// TIM file (little-endian): byte 0 is 0x10; byte 4 holds the pixel mode in
// bits 0-1 (4, 8, 16, 24 bits) and in bit 3 whether a CLUT block follows.
// The CLUT block (if any) starts at 8, the image block after it (at 8 + the
// CLUT block's stored size) or at 8. Each block is a 12-byte header (size,
// x, y, width, height; x and width in VRAM halfwords) and width x height
// halfwords of data.
//
// PsxVram: 1024 x 512 halfwords, row after row (2048 bytes per row), kept as
// bytes. Every tile address wraps around the end of VRAM, as the console's
// own texture addressing does, so no tile reference reaches outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr size_t psxVramWidth = 1024;   // halfwords per row
inline constexpr size_t psxVramHeight = 512;   // rows
inline constexpr size_t psxVramRowBytes = psxVramWidth * 2;
inline constexpr size_t psxVramBytes = psxVramRowBytes * psxVramHeight;  // 1048576

inline constexpr uint8_t timId = 0x10;
inline constexpr size_t timMinSize = 8;
inline constexpr size_t timFirstBlock = 8;
inline constexpr size_t timBlockHeader = 12;
inline constexpr uint8_t timFlagClut = 0x08;

// Colour distance limits: the greatest distance of two colours with the same
// bit 15, and the distance of colours that differ in bit 15 (also "none").
inline constexpr unsigned colorDistanceMax = 2883;
inline constexpr unsigned colorDistanceNone = 738048;  // 0xB4300

// One block header of a TIM as stored, and where it lies in the file.
struct TimBlock {
    size_t at = 0;  // offset of the 12-byte header
    uint32_t size = 0;
    uint16_t x = 0, y = 0, width = 0, height = 0;
    size_t dataAt() const { return at + timBlockHeader; }
    size_t dataBytes() const { return size_t{width} * height * 2; }
};

// One loaded TIM file; `data` holds all its bytes, and the block data that
// psxVramGetTim reads back are written into it.
struct TimImage {
    uint8_t bpp = 0;  // 4, 8, 16 or 24
    bool hasClut = false;
    TimBlock clut, image;
    std::vector<uint8_t> data;
};

// Reads a TIM from its bytes; `path` names it in messages. Refuses (after
// one message on stderr) a wrong first byte and blocks whose header or
// width x height halfwords lie past the bytes.
std::optional<TimImage> timParse(std::vector<uint8_t> bytes, const std::string& path);

// Loads and reads the TIM file `path`; nullopt after a message.
std::optional<TimImage> timLoad(const std::string& path);

// Bytes timSave writes: the file up to the end of its image block; when the
// stored block size is smaller than its width and height give, up to the end
// of that data, so no pixel row is cut off.
size_t timSaveLength(const TimImage& tim);

// Writes the image's bytes to `path`; true when the whole file was written.
bool timSave(const TimImage& tim, const std::string& path);

using PsxVram = std::vector<uint8_t>;

// A zero-filled PsxVram, or nullopt after the allocation message.
std::optional<PsxVram> psxVramCreate();

// Byte offset of halfword (x, y), of a palette and of a texel column.
size_t psxVramAddress(uint16_t x, uint16_t y);
size_t psxVramClutAddress(unsigned clutX, unsigned clutY);
size_t psxVramTextureAddress(unsigned stX, unsigned stY, unsigned column, unsigned sv);

// Halfword at a byte offset (wrapping at the end of VRAM).
uint16_t psxVramGet16(const PsxVram& vram, size_t at);
// `count` halfwords from a byte offset.
void psxVramColors(const PsxVram& vram, size_t at, size_t count, uint16_t* out);

// Rectangle copies; a rectangle that does not fit 1024 x 512 is not copied,
// after a message. `halfwords` holds width x height halfwords, rows packed.
void psxVramWriteBitmap(PsxVram& vram, uint16_t x, uint16_t y, uint16_t width, uint16_t height,
                        std::span<const uint8_t> halfwords);
void psxVramReadBitmap(const PsxVram& vram, uint16_t x, uint16_t y, uint16_t width,
                       uint16_t height, std::span<uint8_t> halfwords);

// Places a TIM's CLUT and image rectangles; nothing for an absent image.
void psxVramPutTim(PsxVram& vram, const TimImage* tim);
// Reads the image's rectangles back from VRAM into its bytes.
void psxVramReadTim(const PsxVram& vram, TimImage& tim);
// Reads the rectangles back into the image and saves it: timSave's result.
bool psxVramGetTim(const PsxVram& vram, TimImage& tim, const std::string& path);

// Colours: 16-bit (red bits 0-4, green 5-9, blue 10-14, A bit 15) and 24-bit
// (blue, green, red bytes; lists carry a fourth flag byte).
void psxColorToRgb(uint16_t k, uint8_t* bgr);
void psxPaletteToRgb(const uint16_t* colours, size_t n, uint8_t* table);
uint16_t rgbToPsxColor(const uint8_t* bgrf);
void rgbListToPsx(uint8_t* list, size_t n);
int psxColorIsBackground(uint16_t k);
unsigned colorDistance(uint16_t a, uint16_t b);

// Where a tile's pixels go: a picture of 3 bytes per pixel; pixels outside
// width x height are not drawn.
struct PictureView {
    uint8_t* pixels = nullptr;
    uint32_t width = 0, height = 0;
};

// A tile's source: texture page, texel column and row, palette.
struct TileSource {
    unsigned stX = 0, stY = 0, su = 0, sv = 0;
    unsigned clutX = 0, clutY = 0;
};

void tileToPicture8(const PsxVram& vram, const TileSource& s, const uint8_t* table,
                    const PictureView& pic, uint32_t x, uint32_t y);
void tileToPicture4(const PsxVram& vram, const TileSource& s, const uint8_t* table,
                    const PictureView& pic, uint32_t x, uint32_t y);
// `indices`: 16 rows of 16 palette indices.
void tileToVram8(PsxVram& vram, const TileSource& s, const uint8_t* indices);
void tileToVram4(PsxVram& vram, const TileSource& s, const uint8_t* indices);
void tileFill(PsxVram& vram, const TileSource& s, uint8_t value, unsigned texelSize);
// 0 when every texel shows the same colour, else the first difference's
// row x 16 + column + 1 (for 4 bits the pair's left column).
unsigned tileCompare8(const PsxVram& vram, const TileSource& s, const uint8_t* indices,
                      const uint16_t* palette);
unsigned tileCompare4(const PsxVram& vram, const TileSource& s, const uint8_t* indices,
                      const uint16_t* palette);
