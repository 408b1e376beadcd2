// Extraction of every tile set of a background into a 24-bit BMP picture
// of the whole background, with marker colours: red outside the set's area,
// green where no tile of the area is, pink for the palette's background
// colour.
#pragma once

#include <cstdint>
#include <string>

inline constexpr uint8_t markerRed[3] = {0x00, 0x00, 0xFF};    // blue, green, red
inline constexpr uint8_t markerGreen[3] = {0x00, 0xFF, 0x00};
inline constexpr uint8_t markerPink[3] = {0xFF, 0x00, 0xFF};

// "<prefix>_<i>_<type><tileId>[_4bit].bmp" of tile set i.
std::string extractName(const std::string& prefix, unsigned i, unsigned type, unsigned tileId,
                        bool fourBit);

// Draws every tile set and writes its picture under the prefix `dir1`.
void backgroundExtract(const std::string& infoFile, const std::string& timFiles,
                       const std::string& dir1);
