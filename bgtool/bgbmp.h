// 24-bit (and palette) BMP pictures, as the extraction writes them and the
// import reads them back.
//
// Layout: 14-byte file header ("BM", file size, two reserved words, pixel
// data offset), 40-byte info header (size 40, width, height > 0 for rows
// stored bottom-up, planes 1, bits per pixel, compression 0, image size,
// resolutions, colours), an optional table of 2^bits 4-byte colours, then
// the rows, each padded with zero bytes to a multiple of 4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr size_t bmpFileHeader = 14;
inline constexpr size_t bmpInfoHeader = 40;
inline constexpr size_t bmpHeader = bmpFileHeader + bmpInfoHeader;

// Row bytes rounded up to a multiple of 4.
size_t bmpStride(uint32_t width, unsigned bits);

// The whole file: header, colour table (if not empty, 2^bits entries) and
// the rows (given top row first, packed) stored bottom-up.
std::vector<uint8_t> bmpBuild(unsigned bits, uint32_t width, uint32_t height,
                              std::span<const uint8_t> rows, std::span<const uint8_t> table);

// Writes bmpBuild's file to `path`; false after a message.
bool bmpSave(const std::string& path, unsigned bits, uint32_t width, uint32_t height,
             std::span<const uint8_t> rows, std::span<const uint8_t> table);

struct BmpLoaded {
    bool ok = false;  // false after a message: nothing usable was read
    int bits = 0, width = 0, height = 0;
};

// The fields of the headers as stored, read without judging them; ok false
// (and nothing printed) when the file is shorter than the two headers.
struct BmpHeader {
    bool ok = false;
    uint32_t dataAt = 0, headerSize = 0, compression = 0;
    int32_t width = 0, height = 0;
    unsigned bits = 0;
};
BmpHeader bmpHeaderRead(std::span<const uint8_t> file);

// Reads a BMP from its bytes into `pixels` (rows packed, without their
// padding; with `bottomUp` the file's first row becomes the last one) and,
// for 8 bits or less, its colour table into `table`. Files with a 40-byte,
// V4 or V5 info header are read through their pixel data offset. Refused
// after one message naming `path`: headers past the end, top-down or
// compressed pictures, pictures larger than `pixels`, rows past the end.
BmpLoaded bmpParse(std::span<const uint8_t> file, const std::string& path,
                   std::span<uint8_t> pixels, std::span<uint8_t> table, bool bottomUp);

// Loads the file `path` and reads it with bmpParse.
BmpLoaded bmpLoad(const std::string& path, std::span<uint8_t> pixels, std::span<uint8_t> table,
                  bool bottomUp);
