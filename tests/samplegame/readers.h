// Small readers of the game's formats for the tests of the sample game and
// the demo. They are written from the formats, not from the generator, so
// that a writer that lays something out wrongly is caught; every read is
// checked and a malformed file gives nullopt.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "le.h"

using Bytes = std::vector<uint8_t>;

// ---- IMG archive --------------------------------------------------------

struct ImgReadFile {
    std::string name;  // as imgtool -e -d names it: "01/01_0000.db"
    uint32_t first = 0, end = 0;  // sectors
    Bytes data;                   // whole sectors
};

struct ImgRead {
    uint32_t dirCount = 0;
    uint32_t headerSectors = 0;
    std::vector<uint32_t> types;
    std::vector<ImgReadFile> files;  // in directory and table order
};

inline std::string imgReadExt(std::span<const uint8_t> img, uint32_t sector)
{
    const auto b0 = leGet8(img, size_t{sector} * 2048);
    const auto w0 = leGet32(img, size_t{sector} * 2048);
    const auto w1 = leGet32(img, size_t{sector} * 2048 + 4);
    if (b0 && *b0 == 0xDB)
        return ".db";
    if (w0 && w1 && *w0 == 0x10 &&
        (*w1 <= 4 || *w1 == 8 || *w1 == 9))
        return ".tim";
    return "";
}

inline std::optional<ImgRead> imgRead(std::span<const uint8_t> img)
{
    ImgRead r;
    if (img.size() < 2048 || img[0] != 'K' || img[1] != 'Z' || img[2] != '7')
        return std::nullopt;
    r.dirCount = *leGet32(img, 8);
    if (r.dirCount < 1 || r.dirCount > 127)
        return std::nullopt;
    const auto lastType = leGet32(img, 16 + 16 * (r.dirCount - 1));
    if (*lastType != 4)
        return std::nullopt;
    r.headerSectors = *leGet32(img, 16 + 16 * (r.dirCount - 1) + 8);
    const size_t headerBytes = size_t{r.headerSectors} * 2048;
    if (!leFits(img.size(), 0, headerBytes))
        return std::nullopt;
    const std::span<const uint8_t> head = img.first(headerBytes);
    auto addFile = [&](const std::string& name, uint32_t first, uint32_t end) {
        if (end < first || !leFits(img.size(), size_t{first} * 2048, size_t{end - first} * 2048))
            return false;
        const auto* p = img.data() + size_t{first} * 2048;
        r.files.push_back({name, first, end, Bytes(p, p + size_t{end - first} * 2048)});
        return true;
    };
    for (uint32_t i = 0; i + 1 < r.dirCount; ++i) {
        const size_t e = 16 + 16 * size_t{i};
        const uint32_t type = *leGet32(img, e), files = *leGet32(img, e + 4);
        const uint32_t sector = *leGet32(img, e + 8), fileSector = *leGet32(img, e + 12);
        r.types.push_back(type);
        char buf[64];
        if (type == 2) {
            for (uint32_t j = 0; j < files; ++j) {
                const size_t rec = size_t{sector} * 2048 + 8 * j;
                const auto id = leGet16(head, rec), flags = leGet16(head, rec + 2);
                const auto first = leGet32(head, rec + 4), end = leGet32(head, rec + 12);
                if (!id || !flags || !first || !end)
                    return std::nullopt;
                if (*flags == 0)
                    std::snprintf(buf, sizeof buf, "%02u/%02u_%04u_%04X", i, i, j, unsigned{*id});
                else
                    std::snprintf(buf, sizeof buf, "%02u/%02u_%04u_%04X%04X", i, i, j,
                                  unsigned{*id}, unsigned{*flags});
                if (!addFile(buf + imgReadExt(img, *first), *first, *end))
                    return std::nullopt;
            }
        } else if (type == 3) {
            std::vector<uint16_t> t;
            for (uint32_t j = 0; j <= files; ++j) {
                const auto v = leGet16(head, size_t{sector} * 2048 + 2 * j);
                if (!v)
                    return std::nullopt;
                t.push_back(*v);
            }
            for (uint32_t j = 0; j < files; ++j) {
                if (t[j] == 0xFFFF)
                    continue;
                uint32_t k = j + 1;
                while (k < files && t[k] == 0xFFFF)
                    ++k;
                std::snprintf(buf, sizeof buf, "%02u/%02u_%04u", i, i, k - 1);
                if (!addFile(buf + imgReadExt(img, fileSector + t[j]), fileSector + t[j],
                             fileSector + t[k]))
                    return std::nullopt;
                j = k - 1;
            }
        } else {
            return std::nullopt;
        }
    }
    return r;
}

// ---- DB archive ---------------------------------------------------------

struct DbReadFile {
    std::string name;  // as dbtool -e -d names it: "06/00_00_0100.dlg"
    uint8_t type = 0;
    uint16_t id = 0;
    size_t offset = 0;
    Bytes data;
};

struct DbRead {
    unsigned chunkCount = 0;
    std::vector<uint8_t> types;
    std::vector<size_t> chunkStart, chunkEnd;  // byte ranges of the chunks
    std::vector<size_t> spacing;               // bytes of spacing data per chunk
    size_t dataEnd = 0;
    std::optional<uint32_t> trailingWord;
    std::vector<DbReadFile> files;
};

inline std::optional<DbRead> dbRead(std::span<const uint8_t> db)
{
    DbRead r;
    if (db.size() < 4 || db[0] != 0xDB || db[1] == 0)
        return std::nullopt;
    r.chunkCount = db[1];
    for (unsigned i = 0; i < r.chunkCount; ++i) {
        const auto entry = leGet32(db, 4 + 4 * i);
        if (!entry)
            return std::nullopt;
        const size_t h = 4 + 4 * i + (*entry & 0xFFFFFF);
        const auto type = leGet8(db, h), n = leGet8(db, h + 1);
        if (!type || !n || *type != (*entry >> 24))
            return std::nullopt;
        const size_t p = h + 4 + 2 * size_t{*n} + (*n % 2 ? 2 : 0);
        std::vector<uint32_t> ptr;
        for (size_t j = 0; j <= *n; ++j) {
            const auto v = leGet32(db, p + 4 * j);
            if (!v)
                return std::nullopt;
            ptr.push_back(*v);
        }
        r.types.push_back(*type);
        r.chunkStart.push_back(h);
        r.chunkEnd.push_back(p + ptr[*n]);
        r.spacing.push_back(*n ? ptr[0] - 4 * (size_t{*n} + 1) : 0);
        for (size_t j = 0; j < *n; ++j) {
            const size_t start = p + 4 * j + ptr[j];
            const size_t end = j + 1 < *n ? p + 4 * (j + 1) + ptr[j + 1] : p + ptr[*n];
            const auto id = leGet16(db, h + 4 + 2 * j);
            if (!id || end < start || !leFits(db.size(), start, end - start))
                return std::nullopt;
            const char* ext = *type == 4 ? ".tim" : *type == 6 ? ".dlg" : *type == 0x1B ? ".db" : "";
            char buf[64];
            if (*ext)
                std::snprintf(buf, sizeof buf, "%02X/%02u_%02zu_%04X%s", unsigned{*type}, i, j,
                              unsigned{*id}, ext);
            else
                std::snprintf(buf, sizeof buf, "%02X/%02u_%02zu_%04X.%02x", unsigned{*type}, i, j,
                              unsigned{*id}, unsigned{*type});
            r.files.push_back({buf, *type, *id, start,
                               Bytes(db.begin() + static_cast<long>(start),
                                     db.begin() + static_cast<long>(end))});
        }
    }
    r.dataEnd = r.chunkEnd.back();
    if (auto w = leGet32(db, r.dataEnd); w && *w != 0)
        r.trailingWord = *w;
    return r;
}

// ---- dialog file --------------------------------------------------------

struct DlgRecord {
    uint16_t flags = 0;
    Bytes data;
};

struct DlgRead {
    uint32_t count = 0;
    bool battle = false;
    std::vector<DlgRecord> records;
};

inline std::optional<DlgRead> dlgRead(std::span<const uint8_t> d)
{
    DlgRead r;
    const auto n = leGet32(d, 0);
    const auto first = leGet16(d, 4);
    if (!n || !first || *n == 0)
        return std::nullopt;
    r.count = *n;
    if (*first == 4 * *n)
        r.battle = true;
    else if (*first != 8 * *n)
        return std::nullopt;
    const size_t records = r.battle ? *n : 2 * size_t{*n};
    for (size_t i = 0; i < records; ++i) {
        const auto ptr = leGet16(d, 4 + 4 * i), flags = leGet16(d, 6 + 4 * i);
        if (!ptr || !flags)
            return std::nullopt;
        const size_t start = size_t{*ptr} + 4;
        size_t end = d.size();
        if (i + 1 < records) {
            const auto next = leGet16(d, 4 + 4 * (i + 1));
            if (!next)
                return std::nullopt;
            end = size_t{*next} + 4;
        }
        if (end < start || end > d.size())
            return std::nullopt;
        r.records.push_back({*flags, Bytes(d.begin() + static_cast<long>(start),
                                            d.begin() + static_cast<long>(end))});
    }
    return r;
}

// ---- TIM ----------------------------------------------------------------

struct TimBlock {
    uint16_t x = 0, y = 0, width = 0, height = 0;
    size_t dataOffset = 0;
};

struct TimRead {
    unsigned pixelMode = 0;
    std::optional<TimBlock> clut;
    TimBlock image;
    size_t end = 0;  // end of the image block
};

inline std::optional<TimBlock> timReadBlock(std::span<const uint8_t> t, size_t at)
{
    const auto size = leGet32(t, at);
    const auto x = leGet16(t, at + 4), y = leGet16(t, at + 6);
    const auto w = leGet16(t, at + 8), h = leGet16(t, at + 10);
    if (!size || !x || !y || !w || !h)
        return std::nullopt;
    if (*size != 12 + 2 * size_t{*w} * *h || !leFits(t.size(), at, *size))
        return std::nullopt;
    if (size_t{*x} + *w > 1024 || size_t{*y} + *h > 512)
        return std::nullopt;
    return TimBlock{*x, *y, *w, *h, at + 12};
}

inline std::optional<TimRead> timRead(std::span<const uint8_t> t)
{
    const auto id = leGet32(t, 0), flags = leGet32(t, 4);
    if (!id || !flags || *id != 0x10)
        return std::nullopt;
    TimRead r;
    r.pixelMode = *flags & 3;
    size_t at = 8;
    if (*flags & 8) {
        r.clut = timReadBlock(t, at);
        if (!r.clut)
            return std::nullopt;
        at = r.clut->dataOffset + 2 * size_t{r.clut->width} * r.clut->height;
    }
    const auto image = timReadBlock(t, at);
    if (!image)
        return std::nullopt;
    r.image = *image;
    r.end = image->dataOffset + 2 * size_t{image->width} * image->height;
    return r;
}
