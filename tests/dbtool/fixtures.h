// Builders of DB archives for tests and fuzz seeds. A DbFixture describes the
// chunks and files; dbFixtureBuild lays them out as recreation does (chunks
// back to back after the pointer table, files back to back after each
// chunk's spacing data, chunk data ending on a multiple of 4) and reports
// where every field went, so a test can break one of them.
#pragma once

#include "le.h"

#include <cstdint>
#include <string>
#include <vector>

struct DbFixtureFile {
    uint16_t id = 0;
    std::vector<uint8_t> data;
};

struct DbFixtureChunk {
    uint8_t type = 0;
    std::vector<DbFixtureFile> files;
    std::vector<uint8_t> spacing;  // between the pointer array and the first file
};

struct DbFixture {
    std::vector<DbFixtureChunk> chunks;
    uint32_t afterData = 0;     // trailing word, written when not 0
    std::vector<uint8_t> tail;  // bytes after the trailing word (or after the data)
    bool padFiles = true;       // pad each file with zero bytes to a multiple of 4
};

struct DbFixtureChunkLayout {
    size_t entryPos = 0;     // its pointer table entry
    size_t headerPos = 0;    // H
    size_t pointerBase = 0;  // P
    size_t end = 0;          // first byte after the chunk's data
    std::vector<size_t> filePos;
    std::vector<size_t> fileSize;  // as laid out, padding included
};

struct DbFixtureImage {
    std::vector<uint8_t> bytes;
    std::vector<DbFixtureChunkLayout> chunks;
    size_t dataEnd = 0;
};

inline void dbFixturePut32(std::vector<uint8_t>& bytes, size_t pos, uint32_t v)
{
    if (!lePut32(bytes, pos, v))
        bytes.clear();  // a fixture bug: make it impossible to miss
}

inline DbFixtureImage dbFixtureBuild(const DbFixture& f)
{
    DbFixtureImage img;
    std::vector<uint8_t>& b = img.bytes;
    const auto k = static_cast<uint32_t>(f.chunks.size());
    b = {0xDB, static_cast<uint8_t>(k), 0, 0};
    b.resize(4 + 4 * size_t{k}, 0);
    for (uint32_t i = 0; i < k; ++i) {
        const DbFixtureChunk& c = f.chunks[i];
        const auto n = static_cast<uint32_t>(c.files.size());
        DbFixtureChunkLayout l;
        l.entryPos = 4 + 4 * size_t{i};
        l.headerPos = b.size();
        dbFixturePut32(b, l.entryPos,
                       static_cast<uint32_t>(l.headerPos - l.entryPos) | uint32_t{c.type} << 24);
        b.push_back(c.type);
        b.push_back(static_cast<uint8_t>(n));
        b.push_back(0);
        b.push_back(0);
        for (const auto& file : c.files)
            leAppend16(b, file.id);
        if (n % 2)
            b.resize(b.size() + 2, 0);
        l.pointerBase = b.size();
        b.resize(b.size() + 4 * (size_t{n} + 1), 0);
        b.insert(b.end(), c.spacing.begin(), c.spacing.end());
        for (uint32_t j = 0; j < n; ++j) {
            const auto& data = c.files[j].data;
            l.filePos.push_back(b.size());
            b.insert(b.end(), data.begin(), data.end());
            if (f.padFiles)
                b.resize((b.size() + 3) / 4 * 4, 0);
            l.fileSize.push_back(b.size() - l.filePos.back());
            dbFixturePut32(b, l.pointerBase + 4 * j,
                           static_cast<uint32_t>(l.filePos.back() - l.pointerBase - 4 * j));
        }
        b.resize((b.size() + 3) / 4 * 4, 0);
        l.end = b.size();
        if (n > 0)
            l.fileSize.back() = l.end - l.filePos.back();
        dbFixturePut32(b, l.pointerBase + 4 * n, static_cast<uint32_t>(l.end - l.pointerBase));
        img.chunks.push_back(l);
    }
    img.dataEnd = b.size();
    if (f.afterData != 0)
        leAppend32(b, f.afterData);
    b.insert(b.end(), f.tail.begin(), f.tail.end());
    return img;
}

// `n` bytes counting up from `start`, so that every file's content differs.
inline std::vector<uint8_t> dbFixtureBytes(size_t n, uint8_t start)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(start + i);
    return v;
}

// A DB with most of what the format allows: an odd and an even file count
// (with and without id padding), spacing data, two chunks of type 0x0A, a
// zero-length file, a chunk without files and a trailing word.
inline DbFixture dbFixtureSample()
{
    DbFixture f;
    f.chunks.push_back({0x04, {{0x0101, dbFixtureBytes(16, 0x10)},
                               {0x0102, dbFixtureBytes(8, 0x30)},
                               {0x0103, dbFixtureBytes(12, 0x40)}}, {}});
    f.chunks.push_back({0x0A, {{0x0A01, dbFixtureBytes(20, 0x50)}, {0x0A02, dbFixtureBytes(4, 0x70)}},
                        {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}});
    f.chunks.push_back({0x06, {{0x0601, dbFixtureBytes(24, 0x80)}, {0x0602, {}},
                               {0x0603, dbFixtureBytes(8, 0xA0)}, {0x0604, dbFixtureBytes(4, 0xB0)}},
                        {}});
    f.chunks.push_back({0x0A, {{0x0A11, dbFixtureBytes(12, 0xC0)}}, {}});
    f.chunks.push_back({0x1B, {}, {}});
    f.afterData = 0x12345678;
    return f;
}

// Minimal IMG archive holding `files` in one type 2 directory (ids from
// 0x40 up, flags 0), each padded to whole 2048-byte sectors.
inline std::vector<uint8_t> dbFixtureImg(const std::vector<std::vector<uint8_t>>& files)
{
    constexpr size_t sector = 2048;
    std::vector<uint8_t> img(2 * sector, 0);
    const auto count = static_cast<uint32_t>(files.size());
    const uint32_t header[] = {0x20375A4B, 6, 2, 0,  // "KZ7 ", unknown, two directories
                               2, count, 1, 2,       // type 2, files, table in sector 1, data from 2
                               4, 0, 2, 0};          // end of list: header area is 2 sectors
    for (size_t w = 0; w < std::size(header); ++w)
        dbFixturePut32(img, 4 * w, header[w]);
    uint32_t next = 2;
    for (uint32_t j = 0; j <= count; ++j) {
        const size_t rec = sector + 8 * size_t{j};
        const uint32_t idFlags = j == count ? 0xFFFFFFFF : 0x40 + j;
        dbFixturePut32(img, rec, idFlags);
        dbFixturePut32(img, rec + 4, next);
        if (j < count) {
            img.insert(img.end(), files[j].begin(), files[j].end());
            img.resize((img.size() + sector - 1) / sector * sector, 0);
            next = static_cast<uint32_t>(img.size() / sector);
        }
    }
    return img;
}
