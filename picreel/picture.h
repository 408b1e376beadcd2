// Picture input: the numbered BMP or TGA pictures of a movie, found by name
// prefix, kept in name order and read into device-independent pictures (a
// 40-byte picture header, a 256-entry palette, pixel rows bottom row first,
// every row padded to 4 bytes).
//
// BMP: 14-byte file header ("BM", pixel data offset at 10), then the picture
// header (40 bytes or a later, longer form), the palette of 4-byte entries
// (blue, green, red, unused) and the rows. TGA: 18-byte header, optional
// identification field, optional colour map, then the pixels, raw or in
// run-length packets; the result is always a 24-bit picture.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct PictureHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // positive: bottom row first
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

inline constexpr size_t picPaletteEntries = 256;

// The picture block: header and palette of one picture. Palette entries are
// 0x00RRGGBB, the little-endian reading of blue, green, red, unused.
struct PictureBlock {
    PictureHeader header;
    uint32_t palette[picPaletteEntries] = {};
};

enum class PictureKind { bmp, tga };

struct FrameList {
    std::vector<std::string> names;  // paths as the reader opens them
    int lastIndex = -1;              // number of files found minus one
};

// Bytes of one pixel row of a picture: a multiple of 4.
uint64_t picRowBytes(uint32_t bitCount, uint32_t width);

// Inserts `name` into the list behind every name that does not sort after
// it. The order: letters compared without case, then byte order; so
// frame1 < frame10 < frame2.
void picFrameListInsert(FrameList& list, const std::string& name);

// The pictures prefix*.bmp (or *.tga) of the prefix's directory (the
// current one when it has none); directories are left out. nullopt and the
// "Unable to find" message in `error` when nothing matches.
std::optional<FrameList> findPictures(const std::string& prefix, PictureKind kind,
                                      const char** error);

// Reads a picture into `block`; the pixel rows, or nullopt with the reader's
// message in `error`.
std::optional<std::vector<uint8_t>> readBmp(const std::string& name, PictureBlock& block,
                                            const char** error);
std::optional<std::vector<uint8_t>> readTga(const std::string& name, PictureBlock& block,
                                            const char** error);
std::optional<std::vector<uint8_t>> readPicture(const std::string& name, PictureKind kind,
                                                PictureBlock& block, const char** error);

// Buffers a series of readings reuses: the file and the pixel rows. `rows`
// views the rows of the last picture read (inside `file` when they are
// stored there as the picture keeps them, else in `pixels`).
struct PictureBuffers {
    std::vector<uint8_t> file;
    std::vector<uint8_t> pixels;
    std::span<const uint8_t> rows;
};

// readPicture into `buffers.rows`; false with the reader's message.
bool picRead(const std::string& name, PictureKind kind, PictureBlock& block,
             PictureBuffers& buffers, const char** error);

// The same readers over bytes in memory (the fuzz targets use them).
std::optional<std::vector<uint8_t>> picParseBmp(std::span<const uint8_t> file,
                                                PictureBlock& block, const char** error);
// `id` receives the TGA identification field, which readTga prints.
std::optional<std::vector<uint8_t>> picParseTga(std::span<const uint8_t> file,
                                                PictureBlock& block, const char** error,
                                                std::string* id);

// True when width, height, planes and bit count are all equal.
bool picturesMatch(const PictureHeader& first, const PictureHeader& other);
