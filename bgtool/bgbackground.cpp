#include "bgbackground.h"

#include "fileutils.h"
#include "le.h"
#include "memutils.h"
#include "messages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t infoSizeAt = 0, infoCountAt = 6, infoTableAt = 16;
constexpr size_t colorTableBytes = 1024;

// True when the header, every record and every tile word lie inside the file.
bool tileInfoInside(std::span<const uint8_t> d)
{
    // A file without tile sets needs no table field: its size and count suffice.
    if (d.size() < infoCountAt + 2)
        return false;
    const size_t count = *leGet16(d, infoCountAt);
    if (count == 0)
        return true;
    if (d.size() < tileInfoMinHeader)
        return false;
    const size_t table = *leGet32(d, infoTableAt);
    if (!leFits(d.size(), table, tileSetRecordSize * count))
        return false;
    for (size_t i = 0; i < count; ++i) {
        const size_t rec = table + tileSetRecordSize * i;
        const size_t tiles = *leGet16(d, rec + 38);
        if (!leFits(d.size(), *leGet32(d, rec + 40), 4 * tiles) ||
            !leFits(d.size(), *leGet32(d, rec + 44), 8 * tiles))
            return false;
    }
    return true;
}

uint16_t u16(const Background& bg, size_t at) { return *leGet16(bg.info, at); }

}  // namespace

uint16_t tileSetCount(const Background& bg)
{
    return u16(bg, infoCountAt);
}

TileSet tileSetAt(const Background& bg, size_t i)
{
    const std::span<const uint8_t> d(bg.info);
    TileSet s;
    s.at = *leGet32(d, infoTableAt) + tileSetRecordSize * i;
    s.type = d[s.at];
    s.sizeX = u16(bg, s.at + 4);
    s.sizeY = u16(bg, s.at + 6);
    s.posX = u16(bg, s.at + 8);
    s.posY = u16(bg, s.at + 10);
    s.tileId = u16(bg, s.at + 36);
    s.count = u16(bg, s.at + 38);
    s.desp = *leGet32(d, s.at + 40);
    s.srcp = *leGet32(d, s.at + 44);
    return s;
}

TileDest tileDestAt(const Background& bg, const TileSet& set, size_t j)
{
    const uint32_t w = *leGet32(bg.info, set.desp + 4 * j);
    return {w & 0xFFF, w >> 22, (w >> 12) & 0x3FF};
}

TilePair tileSourceAt(const Background& bg, const TileSet& set, size_t j)
{
    TilePair p;
    p.at = set.srcp + 8 * j;
    p.w0 = *leGet32(bg.info, p.at);
    p.w1 = *leGet32(bg.info, p.at + 4);
    return p;
}

void tileSourceSetClut(Background& bg, TilePair& pair, unsigned scX, unsigned scY)
{
    pair.w0 = (pair.w0 & ~uint32_t{0x7FFF}) | (scX & 0x3F) << 9 | (scY & 0x1FF);
    (void)lePut32(bg.info, pair.at, pair.w0);
}

std::unique_ptr<Background> tileInfoFromBytes(std::vector<uint8_t> bytes, const std::string& path)
{
    const int size = static_cast<int>(bytes.size());
    const uint16_t sizeField = leGet16(bytes, infoSizeAt).value_or(0);
    if (sizeField != bytes.size()) {
        std::fprintf(stderr, infoMsgSize, path.c_str(), sizeField, size);
        return nullptr;
    }
    if (!tileInfoInside(bytes)) {
        std::fprintf(stderr, infoMsgOutside, path.c_str(), size);
        return nullptr;
    }
    auto bg = std::make_unique<Background>();
    bg->info = std::move(bytes);
    bg->infoPath = path;
    return bg;
}

std::unique_ptr<Background> tileInfoLoad(const std::string& path)
{
    auto bytes = fileLoadFile(path);
    if (!bytes)
        return nullptr;
    return tileInfoFromBytes(std::move(*bytes), path);
}

bool backgroundMeasure(Background& bg)
{
    uint16_t maxRight = 0, minPosX = 0x7FFF, maxBottom = 0, minPosY = 0x7FFF;
    uint16_t maxDX = 0, minDX = 0x7FFF, maxDY = 0, minDY = 0x7FFF;
    size_t tiles = 0;
    for (size_t i = 0; i < tileSetCount(bg); ++i) {
        const TileSet s = tileSetAt(bg, i);
        for (size_t j = 0; j < s.count; ++j) {
            const TileDest d = tileDestAt(bg, s, j);
            maxDX = std::max<uint16_t>(maxDX, static_cast<uint16_t>(d.dX));
            minDX = std::min<uint16_t>(minDX, static_cast<uint16_t>(d.dX));
            maxDY = std::max<uint16_t>(maxDY, static_cast<uint16_t>(d.dY));
            minDY = std::min<uint16_t>(minDY, static_cast<uint16_t>(d.dY));
        }
        tiles += s.count;
        maxRight = std::max<uint16_t>(maxRight, static_cast<uint16_t>(s.posX + s.sizeX));
        maxBottom = std::max<uint16_t>(maxBottom, static_cast<uint16_t>(s.posY + s.sizeY));
        minPosX = std::min(minPosX, s.posX);
        minPosY = std::min(minPosY, s.posY);
    }
    // Without a tile the tile extremes keep their starting values and the
    // size means nothing: such a background is refused.
    if (tiles == 0) {
        std::fprintf(stderr, infoMsgNoTiles, bg.infoPath.c_str());
        return false;
    }
    const auto w16 = [](unsigned v) { return static_cast<uint16_t>(v); };
    bg.pictureWidth = std::max(w16(maxRight - minPosX), w16(maxDX - minDX + 16));
    bg.pictureHeight = std::max(w16(maxBottom - minPosY), w16(maxDY - minDY + 16));
    const uint32_t pixels = uint32_t{bg.pictureWidth} * bg.pictureHeight;
    if (pixels > backgroundMaxPixels || pixels == 0) {
        std::fprintf(stderr, infoMsgPictureTooLarge, bg.infoPath.c_str(), bg.pictureWidth,
                     bg.pictureHeight, static_cast<int>(backgroundMaxPixels));
        return false;
    }
    return true;
}

std::unique_ptr<Background> backgroundOpen(const std::string& path, const std::string& timFiles)
{
    std::unique_ptr<Background> bg = tileInfoLoad(path);
    if (!bg)
        return nullptr;
    auto vram = psxVramCreate();
    if (!vram)
        return nullptr;
    bg->vram = std::move(*vram);
    bg->timList = fileListCreate(timFiles);
    if (!bg->timList || bg->timList->fileCount == 0) {
        std::fprintf(stderr, infoMsgNoTims, path.c_str(), timFiles.c_str());
        return nullptr;
    }
    bg->tims.resize(bg->timList->fileCount);
    for (size_t k = 0; k < bg->timList->fileCount; ++k) {
        bg->tims[k] = timLoad(bg->timList->files[k]);
        psxVramPutTim(bg->vram, bg->tims[k] ? &*bg->tims[k] : nullptr);
    }
    if (!backgroundMeasure(*bg))
        return nullptr;
    const size_t pictureBytes = size_t{bg->pictureWidth} * bg->pictureHeight * 4;
    if (!memMalloc(bg->picture, pictureBytes + colorTableBytes))
        return nullptr;
    std::fill(bg->picture.begin(), bg->picture.end(), 0);
    bg->colorTable = bg->picture.data() + pictureBytes;
    return bg;
}

void backgroundClose(std::unique_ptr<Background>) {}

void tileInfoList(const std::string& path)
{
    if (std::unique_ptr<Background> bg = tileInfoLoad(path))
        tileInfoPrint(*bg, stdout);
}

void tileInfoPrint(const Background& bg, FILE* out)
{
    const std::span<const uint8_t> d(bg.info);
    const size_t count = tileSetCount(bg);
    std::fprintf(out, infoMsgListCount, static_cast<int>(count));
    std::fputs(infoMsgListHead, out);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = tileSetAt(bg, i).at;
        unsigned h[18];
        for (size_t k = 0; k < 18; ++k)
            h[k] = u16(bg, at + 4 + 2 * k);
        std::fprintf(out, infoMsgListSet, d[at], d[at + 1], d[at + 2], d[at + 3], h[0], h[1], h[2], h[3],
                    h[4], h[5], h[6], h[7], h[8], h[9], h[10], h[11], h[12], h[13], h[14], h[15],
                    h[16], h[17], *leGet32(d, at + 40), *leGet32(d, at + 44), *leGet32(d, at + 48),
                    *leGet32(d, at + 52));
    }
    for (size_t i = 0; i < count; ++i) {
        const TileSet s = tileSetAt(bg, i);
        std::fprintf(out, infoMsgListSetHead, static_cast<unsigned>(i), unsigned{s.type},
                    unsigned{s.tileId}, unsigned{s.count});
        std::fputs(infoMsgListTileHead, out);
        for (size_t j = 0; j < s.count; ++j) {
            const TileDest t = tileDestAt(bg, s, j);
            const TilePair p = tileSourceAt(bg, s, j);
            std::fprintf(out, infoMsgListTile, t.dU, t.dX, t.dY, p.scY(), p.scX(), p.stY(), p.stX(),
                        p.stp(), p.sAbr(), p.sv(), p.su(), p.sU0(), p.spT(), p.sU1());
        }
    }
}

bool paletteTableBuild(Background& bg)
{
    // Palette images: TIMs at VRAM row 224 left of x 512, one palette per row.
    // All of them are taken (the table grows), in list order.
    std::vector<const TimImage*> images;
    size_t rows = 0;
    for (const auto& t : bg.tims)
        if (t && t->image.y == paletteImageRow && t->image.x < paletteImageMaxX) {
            images.push_back(&*t);
            rows += t->image.height;
        }
    if (images.empty())
        std::fprintf(stderr, paletteMsgNoImage, bg.infoPath.c_str(), 0);
    try {
        bg.palettes.reserve(rows);
    } catch (const std::exception&) {
        std::fprintf(stderr, memMsgAlloc, static_cast<int>(rows * sizeof(Palette)));
        return false;
    }
    for (const TimImage* t : images)
        for (unsigned r = 0; r < t->image.height && t->image.y + r < psxVramHeight; ++r) {
            Palette p;
            p.clutX = t->image.x / 16u;
            p.clutY = t->image.y + r;
            p.pointer = psxVramClutAddress(p.clutX, p.clutY);
            bg.palettes.push_back(p);
        }
    bg.paletteCount = bg.palettes.size();

    for (size_t i = 0; i < tileSetCount(bg); ++i) {
        const TileSet s = tileSetAt(bg, i);
        for (size_t j = 0; j < s.count; ++j) {
            const TilePair pair = tileSourceAt(bg, s, j);
            for (Palette& p : bg.palettes)
                if (!p.used && p.clutX == pair.scX() && p.clutY == pair.scY()) {
                    p.used = 1;
                    ++bg.usedCount;
                }
        }
    }

    size_t empties = 0;
    std::vector<uint8_t> seen(65536);
    for (Palette& p : bg.palettes) {
        uint16_t colours[256];
        psxVramColors(bg.vram, p.pointer, 256, colours);
        std::fill(seen.begin(), seen.end(), 0);
        size_t distinct = 0;
        for (uint16_t k : colours) {
            if (seen[k]) {
                if (!psxColorIsBackground(k))
                    ++p.duples;
            } else {
                seen[k] = 1;
                ++distinct;
            }
        }
        if (distinct == 1 && psxColorIsBackground(colours[0])) {
            p.empty = 1;
            ++empties;
        }
    }
    bg.nonEmptyCount = bg.paletteCount - empties;

    const auto before = [](const Palette& a, const Palette& b) {
        if (a.empty != b.empty)
            return a.empty < b.empty;
        if (a.used != b.used)
            return a.used > b.used;
        if (a.clutX != b.clutX)
            return a.clutX < b.clutX;
        return a.clutY < b.clutY;
    };
    std::stable_sort(bg.palettes.begin(), bg.palettes.end(), before);
    for (size_t k = 1; k < bg.palettes.size(); ++k)
        if (!before(bg.palettes[k - 1], bg.palettes[k])) {
            const Palette& p = bg.palettes[k - 1];
            std::fprintf(stderr, paletteMsgSame, p.clutX, p.clutY, static_cast<unsigned>(p.used));
        }

    for (size_t k = 0; k < bg.nonEmptyCount; ++k) {
        Palette& p = bg.palettes[k];
        // The first colour from index 1 that is not the background colour
        // decides: it is also the deciding one when both kinds occur.
        for (unsigned c = 1; c < 256; ++c) {
            const uint16_t k16 = psxVramGet16(bg.vram, p.pointer + 2 * c);
            if (!psxColorIsBackground(k16) && p.transp == 0)
                p.transp = (k16 & 0x8000) ? 1 : 2;
        }
        if (p.transp == 0)
            std::fprintf(stderr, paletteMsgNoTransp, p.clutX, p.clutY);
    }
    return true;
}

int paletteFind(const Background& bg, unsigned scX, unsigned scY, bool fourBit)
{
    for (size_t k = 0; k < bg.usedCount && k < bg.palettes.size(); ++k) {
        const Palette& p = bg.palettes[k];
        if (p.clutY == scY && (fourBit || p.clutX == scX))
            return static_cast<int>(k);
    }
    return -1;
}
