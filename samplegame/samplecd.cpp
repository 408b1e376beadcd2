#include "samplecd.h"

#include "le.h"

#include <algorithm>

namespace {

constexpr uint8_t syncPattern[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr uint32_t movieMagic = 0x80010160;  // the movie header's first word

uint8_t bcd(uint32_t v)
{
    return static_cast<uint8_t>((v / 10) << 4 | v % 10);
}

}  // namespace

uint32_t sampleCdEdc(std::span<const uint8_t> bytes)
{
    uint32_t crc = 0;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ ((crc & 1) ? 0xD8018001u : 0u);
    }
    return crc;
}

std::vector<uint8_t> sampleCdSector(uint32_t lba, uint8_t file, uint8_t channel, uint8_t submode,
                                    uint8_t coding, std::span<const uint8_t> user, bool edc)
{
    std::vector<uint8_t> s(sampleCdSectorSize, 0);
    std::copy(std::begin(syncPattern), std::end(syncPattern), s.begin());
    const uint32_t a = lba + 150;  // the first sector of the disc is 00:02:00
    s[12] = bcd(a / (60 * 75));
    s[13] = bcd(a / 75 % 60);
    s[14] = bcd(a % 75);
    s[15] = 2;
    for (size_t copy : {16u, 20u}) {
        s[copy] = file;
        s[copy + 1] = channel;
        s[copy + 2] = submode;
        s[copy + 3] = coding;
    }
    std::copy_n(user.begin(), std::min(user.size(), sampleCdUserSize), s.begin() + 24);
    if (edc) {
        // The EDC is the sector's last word.
        const uint32_t sum = sampleCdEdc(std::span<const uint8_t>(s).subspan(16, 2332));
        s.resize(sampleCdSectorSize - 4);
        leAppend32(s, sum);
    }
    return s;
}

std::vector<uint8_t> sampleStrHeader(const SampleStrHeader& h)
{
    std::vector<uint8_t> b;
    leAppend32(b, movieMagic);
    leAppend16(b, h.chunk);
    leAppend16(b, h.chunkCount);
    leAppend32(b, h.frame);
    leAppend32(b, h.size);
    leAppend16(b, h.width);
    leAppend16(b, h.height);
    leAppend16(b, h.rlnght);
    leAppend16(b, 0x3800);
    leAppend16(b, h.qscale);
    leAppend16(b, h.version);
    b.resize(32, 0);
    return b;
}

std::vector<uint8_t> sampleGameFrame(uint32_t lba, SampleStrHeader h, std::span<const uint8_t> data)
{
    std::vector<uint8_t> movie(sampleGameFrameData, 0xFF);
    std::copy_n(data.begin(), std::min(data.size(), movie.size()), movie.begin());
    std::vector<uint8_t> out;
    for (uint32_t s = 0; s < sampleGameFrameSectors; ++s) {
        std::vector<uint8_t> user;
        uint8_t submode = sampleSubVideo, coding = 0;
        if (s < 2) {
            user = sampleCdFiller(sampleCdUserSize, lba + s);
            submode = sampleSubAudio;
            coding = 0x01;
        } else {
            h.chunk = static_cast<uint16_t>(s);
            h.chunkCount = sampleGameFrameSectors;
            user = sampleStrHeader(h);
            const auto from = movie.begin() + static_cast<std::ptrdiff_t>((9 - s) * sampleGameChunkData);
            user.insert(user.end(), from, from + sampleGameChunkData);
        }
        const auto sector = sampleCdSector(lba + s, 1, 1, submode, coding, user);
        out.insert(out.end(), sector.begin(), sector.end());
    }
    return out;
}

std::vector<uint8_t> sampleStrFrame(SampleStrHeader h, size_t sectors, std::span<const uint8_t> data)
{
    std::vector<uint8_t> out;
    h.chunkCount = static_cast<uint16_t>(sectors);
    for (size_t k = 0; k < sectors; ++k) {
        h.chunk = static_cast<uint16_t>(k);
        std::vector<uint8_t> sector = sampleStrHeader(h);
        sector.resize(sampleStrSectorSize, 0xFF);
        const size_t from = k * sampleStrDataSize;
        if (from < data.size())
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(from),
                        std::min(sampleStrDataSize, data.size() - from), sector.begin() + 32);
        out.insert(out.end(), sector.begin(), sector.end());
    }
    return out;
}

std::vector<uint8_t> sampleCdFiller(size_t size, uint32_t seed)
{
    std::vector<uint8_t> out;
    out.reserve(size);
    uint32_t s = seed * 2654435761u + 12345u;
    while (out.size() < size) {
        s = s * 1664525u + 1013904223u;
        out.push_back(static_cast<uint8_t>(s >> 24));
    }
    return out;
}

SampleCd sampleCdBuild()
{
    SampleCd cd;
    uint32_t lba = 0;
    auto dataSector = [&] {
        const auto s = sampleCdSector(lba, 0, 0, sampleSubData, 0, sampleCdFiller(sampleCdUserSize, 100 + lba));
        cd.bin.insert(cd.bin.end(), s.begin(), s.end());
        ++lba;
    };
    while (lba < sampleCdMovieSector)
        dataSector();
    // The STR frames fill 9, 10 (the last 1824 bytes filling) and 8 sectors.
    const size_t strSectors[sampleCdFrames] = {9, 10, 8};
    const size_t strBytes[sampleCdFrames] = {9 * sampleStrDataSize, sampleGameFrameData, 8 * sampleStrDataSize};
    for (unsigned n = 0; n < sampleCdFrames; ++n) {
        SampleStrHeader game;
        game.frame = n + 1;
        game.size = static_cast<uint32_t>(sampleGameFrameData - 600 * n);
        game.rlnght = static_cast<uint16_t>(0x2000 + 0x100 * n);
        game.qscale = static_cast<uint16_t>(2 + n);
        const auto frame = sampleGameFrame(lba, game, sampleCdFiller(game.size, 200 + n));
        cd.bin.insert(cd.bin.end(), frame.begin(), frame.end());
        lba += sampleGameFrameSectors;

        SampleStrHeader str;
        str.frame = n + 1;
        str.size = static_cast<uint32_t>(strBytes[n]);
        str.rlnght = static_cast<uint16_t>(0x1C00 + 0x80 * n);
        str.qscale = static_cast<uint16_t>(5 + n);
        const auto movie = sampleStrFrame(str, strSectors[n], sampleCdFiller(strBytes[n], 300 + n));
        cd.str.insert(cd.str.end(), movie.begin(), movie.end());
    }
    while (lba < sampleCdSectors)
        dataSector();
    return cd;
}
