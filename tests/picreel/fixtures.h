// Pictures built in code for the picreel tests: a BMP and a TGA builder
// that write a valid file in a few lines and let a test break one field,
// and the pixels each picture should come out as.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "le.h"

using Bytes = std::vector<uint8_t>;

// A BMP of `bits` per pixel whose pixel (x, y) (y = 0 the bottom row) has
// the value `seed`-dependent pattern; palette entries i = (i, 255 - i, i*3).
struct BmpFixture {
    int32_t width = 4;
    int32_t height = 3;
    uint16_t bits = 24;
    uint32_t seed = 1;
    uint32_t headerSize = 40;
    uint32_t clrUsed = 0;
    bool sizeImageZero = false;
    bool topDown = false;       // negative height, rows top first
    uint32_t compression = 0;
};

inline uint8_t bmpPixelValue(const BmpFixture& s, int32_t x, int32_t y, int channel)
{
    return static_cast<uint8_t>(s.seed * 31 + static_cast<uint32_t>(x) * 7 +
                                static_cast<uint32_t>(y) * 13 + static_cast<uint32_t>(channel) * 5);
}

inline uint32_t bmpStride(uint16_t bits, int32_t width)
{
    return (uint32_t{bits} * static_cast<uint32_t>(width) + 31) / 32 * 4;
}

// Pixel rows bottom row first, as the reader gives them.
inline Bytes bmpRows(const BmpFixture& s)
{
    const uint32_t stride = bmpStride(s.bits, s.width);
    Bytes rows(stride * static_cast<uint32_t>(s.height), 0);
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x) {
            uint8_t* row = rows.data() + static_cast<size_t>(y) * stride;
            if (s.bits >= 16) {
                for (int c = 0; c < s.bits / 8; ++c)
                    row[static_cast<size_t>(x) * (s.bits / 8) + static_cast<size_t>(c)] =
                        bmpPixelValue(s, x, y, c);
            } else {
                const unsigned v = bmpPixelValue(s, x, y, 0) & ((1u << s.bits) - 1);
                const size_t bit = static_cast<size_t>(x) * s.bits;
                row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | v << (8 - s.bits - bit % 8));
            }
        }
    return rows;
}

inline uint32_t bmpPaletteEntry(uint32_t i)
{
    return (i & 0xFF) | (255 - (i & 0xFF)) << 8 | ((i * 3) & 0xFF) << 16;
}

inline Bytes bmpBuild(const BmpFixture& s)
{
    const uint32_t paletteEntries = s.clrUsed ? s.clrUsed : s.bits <= 8 ? 1u << s.bits : 0u;
    const Bytes rows = bmpRows(s);
    const uint32_t offBits = 14 + s.headerSize + paletteEntries * 4;
    Bytes b;
    leAppend16(b, 0x4D42);
    leAppend32(b, offBits + static_cast<uint32_t>(rows.size()));
    leAppend32(b, 0);
    leAppend32(b, offBits);
    leAppend32(b, s.headerSize);
    leAppend32(b, static_cast<uint32_t>(s.width));
    leAppend32(b, static_cast<uint32_t>(s.topDown ? -s.height : s.height));
    leAppend16(b, 1);
    leAppend16(b, s.bits);
    leAppend32(b, s.compression);
    leAppend32(b, s.sizeImageZero ? 0 : static_cast<uint32_t>(rows.size()));
    leAppend32(b, 2835);
    leAppend32(b, 2835);
    leAppend32(b, s.clrUsed);
    leAppend32(b, 0);
    b.resize(14 + s.headerSize, 0);
    for (uint32_t i = 0; i < paletteEntries; ++i)
        leAppend32(b, bmpPaletteEntry(i));
    const uint32_t stride = bmpStride(s.bits, s.width);
    for (int32_t r = 0; r < s.height; ++r) {
        const int32_t from = s.topDown ? s.height - 1 - r : r;
        b.insert(b.end(), rows.begin() + static_cast<std::ptrdiff_t>(from * stride),
                 rows.begin() + static_cast<std::ptrdiff_t>((from + 1) * stride));
    }
    return b;
}

// A TGA picture; `pixels` are the stored bytes in file order (before run-
// length coding, which `rle` applies as one raw packet per row).
struct TgaFixture {
    uint8_t type = 2;
    uint16_t width = 3;
    uint16_t height = 2;
    uint8_t depth = 24;
    uint8_t descriptor = 0;
    std::string id;
    uint8_t mapType = 0;
    uint16_t mapOrigin = 0;
    uint16_t mapLength = 0;
    uint8_t mapBits = 24;
    Bytes map;
    Bytes data;  // everything after the colour map, as written
};

inline Bytes tgaBuild(const TgaFixture& s)
{
    Bytes b;
    b.push_back(static_cast<uint8_t>(s.id.size()));
    b.push_back(s.mapType);
    b.push_back(s.type);
    leAppend16(b, s.mapOrigin);
    leAppend16(b, s.mapLength);
    b.push_back(s.mapBits);
    leAppend32(b, 0);
    leAppend16(b, s.width);
    leAppend16(b, s.height);
    b.push_back(s.depth);
    b.push_back(s.descriptor);
    b.insert(b.end(), s.id.begin(), s.id.end());
    b.insert(b.end(), s.map.begin(), s.map.end());
    b.insert(b.end(), s.data.begin(), s.data.end());
    return b;
}

// 16-bit little-endian PCM WAV of `frames` sample frames.
inline Bytes wavBuild(uint32_t rate, uint16_t channels, uint32_t frames)
{
    Bytes b;
    const uint32_t dataSize = frames * channels * 2;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    leAppend32(b, 36 + dataSize);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    leAppend32(b, 16);
    leAppend16(b, 1);
    leAppend16(b, channels);
    leAppend32(b, rate);
    leAppend32(b, rate * channels * 2);
    leAppend16(b, static_cast<uint16_t>(channels * 2));
    leAppend16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    leAppend32(b, dataSize);
    for (uint32_t i = 0; i < frames * channels; ++i)
        leAppend16(b, static_cast<uint16_t>(i * 37 + 11));
    return b;
}
