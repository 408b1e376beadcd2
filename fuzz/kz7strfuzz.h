// The input of kz7str_fuzz, shared with its seed writer:
//   byte 0      options: bit 0 dumps frames (-d), bit 1 keeps headers (-n)
//   byte 1      FramePos in units of 16 bytes (147 is the first frame)
//   byte 2      FramesSkip (0 to 3)
//   bytes 3-4   length L of the STR file's bytes (little-endian)
//   L bytes     the STR file, zero-filled to whole 2048-byte sectors
//   the rest    patches of the CD image: 2 bytes of offset (little-endian,
//               taken modulo the image size) and the byte to put there
// The CD image is one data sector, two game frames of the sample layout
// (320 x 240, version 2) and one data sector.
#pragma once

#include "samplecd.h"

#include <cstdint>
#include <vector>

inline std::vector<uint8_t> kz7strFuzzImage()
{
    std::vector<uint8_t> img = sampleCdSector(0, 0, 0, sampleSubData, 0, sampleCdFiller(sampleCdUserSize, 1));
    for (uint32_t n = 0; n < 2; ++n) {
        SampleStrHeader h;
        h.frame = n + 1;
        const auto f = sampleGameFrame(1 + 10 * n, h, sampleCdFiller(sampleGameFrameData, 2 + n));
        img.insert(img.end(), f.begin(), f.end());
    }
    const auto last = sampleCdSector(21, 0, 0, sampleSubData, 0, sampleCdFiller(sampleCdUserSize, 9));
    img.insert(img.end(), last.begin(), last.end());
    return img;
}

inline constexpr size_t kz7strFuzzHead = 5;
