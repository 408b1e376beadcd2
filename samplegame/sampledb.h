// DB archives of the sample game.
//
// Layout, exactly as a rebuild lays it out: 0xDB, chunk count K, 0, 0; K
// chunk table entries (type in the top byte, distance from the entry to
// its chunk below); then the chunks back to back, each a header (type, file
// count n, 0, 0), n 16-bit ids, 2 bytes of padding when n is odd, n file
// pointers relative to their own position and an end pointer relative to
// the pointer base, the chunk's spacing data and its files, each padded with
// zeros to a multiple of 4; then the trailing word.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct SampleDbFile {
    uint16_t id = 0;
    std::vector<uint8_t> data;
};

struct SampleDbChunk {
    uint8_t type = 0;
    std::vector<uint8_t> spacing;  // bytes between the pointers and the first file
    std::vector<SampleDbFile> files;
};

// The DB archive; nullopt for no chunks or more than 255, a chunk of more
// than 255 files, spacing that is not a multiple of 4, or a chunk beyond
// the 24-bit table distance. A trailing word of 0 writes none.
std::optional<std::vector<uint8_t>> sampleDbBuild(const std::vector<SampleDbChunk>& chunks,
                                                  uint32_t trailingWord);
