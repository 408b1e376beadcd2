#include "bgimport.h"

#include "bgbmp.h"
#include "bgextract.h"
#include "fileutils.h"
#include "memutils.h"
#include "messages.h"
#include "platform.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr unsigned cellSide = 16;
constexpr unsigned cellTexels = cellSide * cellSide;

struct Cell {
    uint8_t index[cellTexels];      // colour list positions, then palette indices
    uint8_t colours[cellTexels * 4];  // blue, green, red, flag; later 16-bit colours
    unsigned count = 0;
    int x = 0, y = 0;  // relative to the tile set's area
    const uint16_t* list() const { return reinterpret_cast<const uint16_t*>(colours); }
};

bool isMarker(const uint8_t* bgr)
{
    return std::memcmp(bgr, markerRed, 3) == 0 || std::memcmp(bgr, markerGreen, 3) == 0 ||
           std::memcmp(bgr, markerPink, 3) == 0;
}

// Builds the colour list and the texel indices of the cell at (cx, cy).
void cellRead(Cell& cell, const uint8_t* pixels, unsigned width, unsigned cx, unsigned cy)
{
    // A small open-addressing table of the colours met so far.
    int16_t slots[512];
    std::memset(slots, -1, sizeof slots);
    cell.count = 0;
    for (unsigned row = 0; row < cellSide; ++row)
        for (unsigned col = 0; col < cellSide; ++col) {
            const uint8_t* p = pixels + ((size_t{cy} * cellSide + row) * width + cx * cellSide + col) * 3;
            const uint32_t key = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
            unsigned h = (key * 2654435761u) >> 23;
            while (slots[h] >= 0 && std::memcmp(cell.colours + 4 * slots[h], p, 3) != 0)
                h = (h + 1) & 511;
            if (slots[h] < 0) {
                slots[h] = static_cast<int16_t>(cell.count);
                std::memcpy(cell.colours + 4 * cell.count, p, 3);
                cell.colours[4 * cell.count + 3] = 1;
                ++cell.count;
            }
            cell.index[row * cellSide + col] = static_cast<uint8_t>(slots[h]);
        }
}

std::string picturePath(const std::string& dir1, const TileSet& s, unsigned i, bool& fourBit)
{
    fourBit = false;
    std::string name = extractName(dir1, i, s.type, s.tileId, false);
    if (fileSizeF(name) >= 1)
        return name;
    name = extractName(dir1, i, s.type, s.tileId, true);
    if (fileSizeF(name) >= 1) {
        fourBit = true;
        return name;
    }
    return "";
}

// Writes indices or a fill into VRAM and tells the palette cache.
void tileWritten(Background& bg, const TilePair& pair, bool fourBit)
{
    const size_t at = psxVramTextureAddress(pair.stX(), pair.stY(),
                                            fourBit ? pair.su() >> 2 : pair.su() >> 1, pair.sv());
    paletteCacheTouched(bg, at, fourBit ? 8 : 16, cellSide);
}

enum class CellsResult { done, stop, fatal };

// Steps 7.1 to 7.6 for one cell of set i.
void cellImport(Background& bg, const TileSet& s, unsigned i, Cell& cell, bool fourBit)
{
    const char* info = bg.infoPath.c_str();
    if (cell.x < 0 || cell.y < 0 || cell.x >= bg.pictureWidth || cell.y >= bg.pictureHeight) {
        if (cell.count > 1)
            std::fprintf(stderr, importMsgOutside, info, i, cell.x, cell.y);
        return;
    }
    const int tile = tileFind(bg, s, cell.x, cell.y);
    TilePair pair;
    int usage = 0, palette = -1;
    if (tile >= 0) {
        pair = tileSourceAt(bg, s, static_cast<size_t>(tile));
        usage = tileUsages(bg, pair, s);
        palette = paletteFind(bg, pair.scX(), pair.scY(), fourBit);
    }
    const unsigned texelSize = fourBit ? 4 : 8;

    if (cell.count == 1 && isMarker(cell.colours)) {
        if (tile < 0 || usage > 1)
            return;
        // Without a palette in the table the tile's own palette reference
        // decides: its first colour in VRAM.
        const size_t first = palette >= 0 ? bg.palettes[static_cast<size_t>(palette)].pointer
                                          : psxVramClutAddress(pair.scX(), pair.scY());
        int fill = 0;
        if (!psxColorIsBackground(psxVramGet16(bg.vram, first)))
            fill = backgroundPalette(bg, pair);
        tileFill(bg.vram, pair.source(), fill < 0 ? 0xFF : 0, texelSize);
        tileWritten(bg, pair, fourBit);
        return;
    }

    for (unsigned k = 0; k < cell.count; ++k)
        if (isMarker(cell.colours + 4 * k))
            std::memset(cell.colours + 4 * k, 0, 4);
    rgbListToPsx(cell.colours, cell.count);
    const uint16_t* list = cell.list();

    // The current palette: 16 colours at the tile's own reference for 4 bits,
    // the table's palette for 8 bits.
    uint16_t current16[16];
    unsigned currentDistance = colorDistanceNone;
    const bool hasCurrent = tile >= 0 && palette >= 0;
    if (hasCurrent) {
        if (fourBit) {
            psxVramColors(bg.vram, psxVramClutAddress(pair.scX(), pair.scY()), 16, current16);
            currentDistance = paletteDistance(list, cell.count, current16, 16);
        } else {
            currentDistance = paletteDistanceOf(bg, palette, 0, 256, list, cell.count);
        }
    }
    bool keep = hasCurrent && currentDistance == 0;
    PaletteChoice found;
    if (!keep) {
        found = fourBit ? paletteSearch16(bg, list, cell.count) : paletteSearch256(bg, list, cell.count);
        keep = hasCurrent && currentDistance <= found.distance;
    }
    if (!keep && found.palette < 0) {
        std::fprintf(stderr, importMsgNoPalette, info);
        return;
    }

    uint8_t map[cellTexels];
    uint16_t conversion[256];
    if (keep && fourBit) {
        paletteNearest(list, cell.count, current16, 16, map);
        std::memcpy(conversion, current16, sizeof current16);
    } else {
        const int p = keep ? palette : found.palette;
        const unsigned offset = keep ? 0 : found.offset, size = fourBit ? 16 : 256;
        paletteNearestOf(bg, p, offset, size, list, cell.count, map);
        psxVramColors(bg.vram, bg.palettes[static_cast<size_t>(p)].pointer + 2 * offset, size,
                      conversion);
    }
    for (uint8_t& texel : cell.index)
        texel = map[texel];

    if (tile >= 0) {
        const TileSource src = pair.source();
        const unsigned differs = fourBit ? tileCompare4(bg.vram, src, cell.index, conversion)
                                         : tileCompare8(bg.vram, src, cell.index, conversion);
        if (differs == 0)
            return;
    }
    if (tile < 0 || usage > 1) {
        std::fprintf(stdout, importMsgAdding, info, i, cell.x, cell.y,
                     tile < 0 ? 0xFFFFFFFFu : static_cast<unsigned>(tile), usage);
        return;
    }
    if (!keep) {
        const Palette& p = bg.palettes[static_cast<size_t>(found.palette)];
        tileSourceSetClut(bg, pair, (p.clutX + (fourBit ? found.offset / 16 : 0)) & 0x3F, p.clutY);
    }
    if (fourBit)
        tileToVram4(bg.vram, pair.source(), cell.index);
    else
        tileToVram8(bg.vram, pair.source(), cell.index);
    tileWritten(bg, pair, fourBit);
}

CellsResult setImport(Background& bg, const std::string& dir1, unsigned i)
{
    const TileSet s = tileSetAt(bg, i);
    bool fourBit = false;
    const std::string name = picturePath(dir1, s, i, fourBit);
    if (name.empty())
        return CellsResult::done;
    const auto file = fileLoadFile(name);
    if (!file)
        return CellsResult::done;
    // The depth and the size are judged from the header before the pixels
    // are read, so a picture refused for them gets its own line even when
    // its pixels could not be read (too large, compressed, top-down).
    const BmpHeader head = bmpHeaderRead(*file);
    if (head.ok && head.bits != 24) {
        std::fprintf(stderr, importMsgBits, bg.infoPath.c_str(), static_cast<int>(head.bits));
        return CellsResult::stop;
    }
    if (head.ok && (head.width % static_cast<int32_t>(cellSide) || head.height % static_cast<int32_t>(cellSide))) {
        std::fprintf(stderr, importMsgSize, bg.infoPath.c_str(), head.width, head.height);
        return CellsResult::done;
    }
    const size_t pictureBytes = size_t{bg.pictureWidth} * bg.pictureHeight * 4;
    std::fill(bg.picture.begin(), bg.picture.begin() + static_cast<long>(pictureBytes), 0);
    const BmpLoaded bmp = bmpParse(*file, name, {bg.picture.data(), pictureBytes}, {bg.colorTable, 1024}, true);
    if (!bmp.ok)
        return CellsResult::done;
    const unsigned perRow = static_cast<unsigned>(bmp.width) / cellSide;
    const size_t cellCount = size_t{perRow} * (static_cast<unsigned>(bmp.height) / cellSide);
    std::unique_ptr<Cell[]> cells(new (std::nothrow) Cell[cellCount]);
    if (!cells) {
        std::fprintf(stderr, memMsgAlloc, static_cast<int>(cellCount * 1300));
        return CellsResult::fatal;
    }
    for (size_t k = 0; k < cellCount; ++k) {
        Cell& c = cells[k];
        cellRead(c, bg.picture.data(), static_cast<unsigned>(bmp.width), static_cast<unsigned>(k % perRow),
                 static_cast<unsigned>(k / perRow));
        c.x = static_cast<int>((k * cellSide) % static_cast<size_t>(bmp.width)) - s.posX;
        c.y = static_cast<int>((k / perRow) * cellSide) - s.posY;
    }
    for (size_t k = 0; k < cellCount; ++k)
        cellImport(bg, s, i, cells[k], fourBit);
    return CellsResult::done;
}

bool writeBytes(const std::string& path, std::span<const uint8_t> bytes)
{
    FilePtr f = fileOpen(path, "wb");
    if (!f)
        return false;
    const bool put = bytes.empty() || fileWrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
    return std::fclose(f.release()) == 0 && put;
}

}  // namespace

int tileFind(const Background& bg, const TileSet& set, int x, int y)
{
    for (size_t j = 0; j < set.count; ++j) {
        const TileDest d = tileDestAt(bg, set, j);
        if (static_cast<int>(d.dX) == x && static_cast<int>(d.dY) == y)
            return static_cast<int>(j);
    }
    return -1;
}

int tileSetsEqual(const Background& bg, const TileSet& a, const TileSet& b)
{
    if (a.count != b.count || a.sizeX != b.sizeX || a.sizeY != b.sizeY)
        return 0;
    for (size_t j = 0; j < a.count; ++j) {
        const TileDest da = tileDestAt(bg, a, j), db = tileDestAt(bg, b, j);
        const TilePair pa = tileSourceAt(bg, a, j), pb = tileSourceAt(bg, b, j);
        if (da.dX != db.dX || da.dY != db.dY || pa.scX() != pb.scX() || pa.scY() != pb.scY() ||
            pa.stX() != pb.stX() || pa.stY() != pb.stY() || pa.stp() != pb.stp() ||
            pa.sv() != pb.sv() || pa.su() != pb.su())
            return 0;
    }
    return 1;
}

int tileUsages(const Background& bg, const TilePair& pair, const TileSet& set)
{
    int usages = 0;
    for (size_t i = 0; i < tileSetCount(bg); ++i) {
        const TileSet other = tileSetAt(bg, i);
        int duplicate = -1;  // looked up once per set, when a tile matches
        for (size_t j = 0; j < other.count; ++j) {
            const TilePair p = tileSourceAt(bg, other, j);
            if (p.stX() != pair.stX() || p.stY() != pair.stY() || p.sv() != pair.sv() ||
                p.su() != pair.su())
                continue;
            if (p.at == pair.at) {
                ++usages;
                continue;
            }
            if (duplicate < 0)
                duplicate = other.at == set.at ? 1 : tileSetsEqual(bg, set, other);
            if (!duplicate)
                ++usages;
        }
    }
    return usages;
}

int backgroundPalette(Background& bg, TilePair& pair)
{
    if (bg.backgroundPalette < 0) {
        for (size_t k = 0; k < bg.usedCount && k < bg.palettes.size(); ++k)
            if (psxColorIsBackground(psxVramGet16(bg.vram, bg.palettes[k].pointer))) {
                bg.backgroundPalette = static_cast<int>(k);
                break;
            }
    }
    if (bg.backgroundPalette < 0) {
        std::fprintf(stderr, importMsgNoBackgroundPalette, bg.infoPath.c_str());
        return -1;
    }
    const Palette& p = bg.palettes[static_cast<size_t>(bg.backgroundPalette)];
    tileSourceSetClut(bg, pair, p.clutX, p.clutY);
    return 0;
}

bool backgroundSave(Background& bg, const std::string& dir2)
{
    // Every output is written in full beside its target first and put in
    // place only when all of them are complete, so a failure part-way leaves
    // every file (inputs among them) as it was.
    std::vector<std::unique_ptr<FileOutput>> outputs;
    auto add = [&](const std::string& target, std::span<const uint8_t> bytes) {
        outputs.push_back(std::make_unique<FileOutput>());
        return fileOutputBegin(*outputs.back(), target) && writeBytes(outputs.back()->path, bytes);
    };
    const std::string infoName = dir2 + platformBaseName(bg.infoPath);
    if (!add(infoName, bg.info)) {
        std::fprintf(stderr, importMsgInfoNotWritten, bg.infoPath.c_str(), infoName.c_str());
        return false;
    }
    bool ok = true;
    for (size_t k = 0; k < bg.tims.size(); ++k) {
        if (!bg.tims[k])
            continue;
        TimImage& tim = *bg.tims[k];
        psxVramReadTim(bg.vram, tim);
        const std::string name = dir2 + platformBaseName(bg.timList->files[k]);
        if (!add(name, {tim.data.data(), timSaveLength(tim)})) {
            std::fprintf(stderr, timMsgSaving, name.c_str());
            ok = false;
            break;
        }
    }
    if (!ok) {
        for (auto& out : outputs)
            fileOutputAbandon(*out);
        std::fprintf(stderr, importMsgNothingWritten, bg.infoPath.c_str(), dir2.c_str());
        return false;
    }
    for (auto& out : outputs)
        ok = fileOutputCommit(*out) && ok;  // each prints its own failure
    return ok;
}

bool backgroundImport(const std::string& infoFile, const std::string& timFiles,
                      const std::string& dir1, const std::string& dir2)
{
    std::unique_ptr<Background> bg = backgroundOpen(infoFile, timFiles);
    if (!bg)
        return true;
    if (!paletteTableBuild(*bg))
        return false;
    for (unsigned i = 0; i < tileSetCount(*bg); ++i) {
        const CellsResult r = setImport(*bg, dir1, i);
        if (r == CellsResult::fatal)
            return false;
        if (r == CellsResult::stop)
            break;
    }
    backgroundSave(*bg, dir2);
    backgroundClose(std::move(bg));
    return true;
}
