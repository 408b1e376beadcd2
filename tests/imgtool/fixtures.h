// Builds IMG archives in memory: a header sector with the directory list,
// one or more sectors per file table, then the files back to back (each
// padded with zeros to whole sectors), optionally with filler gaps. The
// layout tells where every field landed so a test can break one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

inline constexpr uint32_t imgFixSector = 2048;

struct ImgFixFile {
    std::vector<uint8_t> data;
    uint16_t id = 0;
    uint16_t flags = 0;
    unsigned unusedAfter = 0;  // type 3: unused (0xFFFF) entries after this file's own
};

struct ImgFixDir {
    uint32_t type = 2;
    std::vector<ImgFixFile> files;
    unsigned leadingUnused = 0;  // type 3: unused entries before the first file
    uint32_t gapAfter = 0;       // sectors of filler (0xEE) after the directory's data
};

struct ImgFixArchive {
    std::vector<ImgFixDir> dirs;  // the closing type 4 entry is added by the builder
    uint32_t unknown1 = 6;
    uint32_t unknown2 = 0x12345678;
    std::vector<uint8_t> trailer;  // bytes after the last file
};

struct ImgFixLayout {
    std::vector<uint8_t> bytes;
    uint32_t headerSectors = 0;
    std::vector<uint32_t> tableOffset;               // byte offset of each table
    std::vector<std::vector<uint32_t>> fileSector;   // first sector of each file
    std::vector<std::vector<size_t>> entryIndex;     // type 3: table entry of each file
    static size_t dirEntryOffset(size_t i) { return 16 + 16 * i; }
};

inline void imgFixPut16(std::vector<uint8_t>& b, size_t off, uint16_t v)
{
    b.at(off) = static_cast<uint8_t>(v);
    b.at(off + 1) = static_cast<uint8_t>(v >> 8);
}

inline void imgFixPut32(std::vector<uint8_t>& b, size_t off, uint32_t v)
{
    for (size_t k = 0; k < 4; ++k)
        b.at(off + k) = static_cast<uint8_t>(v >> (8 * k));
}

inline uint32_t imgFixGet32(const std::vector<uint8_t>& b, size_t off)
{
    return uint32_t{b.at(off)} | uint32_t{b.at(off + 1)} << 8 | uint32_t{b.at(off + 2)} << 16 |
           uint32_t{b.at(off + 3)} << 24;
}

inline uint16_t imgFixGet16(const std::vector<uint8_t>& b, size_t off)
{
    return static_cast<uint16_t>(b.at(off) | b.at(off + 1) << 8);
}

inline uint32_t imgFixSectorsOf(size_t bytes)
{
    return static_cast<uint32_t>((bytes + imgFixSector - 1) / imgFixSector);
}

// Deterministic bytes that differ from file to file.
inline std::vector<uint8_t> imgFixPattern(size_t size, uint32_t seed)
{
    std::vector<uint8_t> v(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    // Never look like a DB archive or a TIM image by accident.
    if (!v.empty() && (v[0] == 0xDB || v[0] == 0x10))
        v[0] = 0x55;
    return v;
}

// Data as extraction writes it: padded with zeros to whole sectors.
inline std::vector<uint8_t> imgFixPadded(std::vector<uint8_t> data)
{
    data.resize(size_t{imgFixSectorsOf(data.size())} * imgFixSector, 0);
    return data;
}

inline size_t imgFixTableBytes(const ImgFixDir& d)
{
    if (d.type == 2)
        return (d.files.size() + 1) * 8;
    size_t entries = d.leadingUnused + 1;
    for (const auto& f : d.files)
        entries += 1 + f.unusedAfter;
    return entries * 2;
}

inline ImgFixLayout imgFixBuild(const ImgFixArchive& arc)
{
    ImgFixLayout lay;
    const size_t n = arc.dirs.size() + 1;
    uint32_t sector = 1;
    for (const auto& d : arc.dirs) {
        lay.tableOffset.push_back(sector * imgFixSector);
        sector += std::max<uint32_t>(1, imgFixSectorsOf(imgFixTableBytes(d)));
    }
    lay.headerSectors = sector;
    std::vector<uint8_t>& b = lay.bytes;
    b.assign(size_t{sector} * imgFixSector, 0);
    std::memcpy(b.data(), "KZ7 ", 4);
    imgFixPut32(b, 4, arc.unknown1);
    imgFixPut32(b, 8, static_cast<uint32_t>(n));
    imgFixPut32(b, 12, arc.unknown2);

    uint32_t next = sector;
    for (size_t i = 0; i < arc.dirs.size(); ++i) {
        const ImgFixDir& d = arc.dirs[i];
        const size_t entry = ImgFixLayout::dirEntryOffset(i);
        const size_t table = lay.tableOffset[i];
        const uint32_t base = next;
        lay.fileSector.emplace_back();
        lay.entryIndex.emplace_back();
        size_t k = d.leadingUnused;
        for (size_t t = 0; t < d.leadingUnused; ++t)
            imgFixPut16(b, table + 2 * t, 0xFFFF);
        for (size_t j = 0; j < d.files.size(); ++j) {
            const ImgFixFile& f = d.files[j];
            lay.fileSector.back().push_back(next);
            if (d.type == 2) {
                imgFixPut16(b, table + 8 * j, f.id);
                imgFixPut16(b, table + 8 * j + 2, f.flags);
                imgFixPut32(b, table + 8 * j + 4, next);
            } else {
                lay.entryIndex.back().push_back(k);
                imgFixPut16(b, table + 2 * k++, static_cast<uint16_t>(next - base));
                for (unsigned u = 0; u < f.unusedAfter; ++u)
                    imgFixPut16(b, table + 2 * k++, 0xFFFF);
            }
            std::vector<uint8_t> padded = imgFixPadded(f.data);
            b.insert(b.end(), padded.begin(), padded.end());
            next += imgFixSectorsOf(f.data.size());
        }
        size_t files = d.files.size();
        if (d.type == 2) {
            imgFixPut16(b, table + 8 * files, 0xFFFF);
            imgFixPut16(b, table + 8 * files + 2, 0xFFFF);
            imgFixPut32(b, table + 8 * files + 4, next);
        } else {
            imgFixPut16(b, table + 2 * k, static_cast<uint16_t>(next - base));
            files = k;
        }
        imgFixPut32(b, entry, d.type);
        imgFixPut32(b, entry + 4, static_cast<uint32_t>(files));
        imgFixPut32(b, entry + 8, static_cast<uint32_t>(table / imgFixSector));
        imgFixPut32(b, entry + 12, base);
        b.insert(b.end(), size_t{d.gapAfter} * imgFixSector, 0xEE);
        next += d.gapAfter;
    }
    const size_t last = ImgFixLayout::dirEntryOffset(n - 1);
    imgFixPut32(b, last, 4);
    imgFixPut32(b, last + 8, lay.headerSectors);
    b.insert(b.end(), arc.trailer.begin(), arc.trailer.end());
    return lay;
}

// A DB archive's first bytes and a TIM image's (8-bit, with palette).
inline std::vector<uint8_t> imgFixDbData(size_t size)
{
    std::vector<uint8_t> v = imgFixPattern(size, 77);
    v.at(0) = 0xDB;
    return v;
}

inline std::vector<uint8_t> imgFixTimData(size_t size, uint32_t flags)
{
    std::vector<uint8_t> v = imgFixPattern(size, 99);
    imgFixPut32(v, 0, 0x10);
    imgFixPut32(v, 4, flags);
    return v;
}

// The archive most tests start from: a type 2 directory with flags, an odd
// size, an empty file and a DB archive; a type 3 directory with unused
// entries before, between and after its files; a type 2 directory holding
// TIM-like data.
inline ImgFixArchive imgFixSample()
{
    ImgFixArchive arc;
    ImgFixDir d0;
    d0.type = 2;
    d0.files = {{imgFixPattern(3000, 1), 0x0012, 0, 0},
                {imgFixPattern(2048, 2), 0x0abc, 0x0003, 0},
                {{}, 0x7777, 0, 0},
                {imgFixDbData(5000), 0xffff, 0, 0}};
    ImgFixDir d1;
    d1.type = 3;
    d1.leadingUnused = 1;
    d1.files = {{imgFixPattern(4096, 3), 0, 0, 2}, {imgFixPattern(100, 4), 0, 0, 0},
                {imgFixPattern(6000, 5), 0, 0, 1}};
    ImgFixDir d2;
    d2.type = 2;
    d2.files = {{imgFixTimData(600, 8), 1, 0, 0}, {imgFixTimData(700, 10), 2, 0, 0}};
    arc.dirs = {d0, d1, d2};
    return arc;
}
