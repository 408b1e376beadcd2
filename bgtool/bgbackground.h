// A background: its tile info file, the TIMs placed in PsxVram, the picture
// buffer of the whole background and the palette table.
//
// Tile info file (little-endian): size (16 bits) at 0, must equal the file's
// length; tile set count (16 bits) at 6; offset of the first 56-byte tile
// set record (32 bits) at 16. A record holds type (0), plane (1-3), sizeX,
// sizeY, posX, posY, posC1, posC2 (4-14), unknown1 (16), var1, var2 (24),
// unknown2 (28), tileId (36), count (38), desp (40, destination words of 4
// bytes), srcp (44, source pairs of 8 bytes), mem (48), unknw3 (52).
// Destination word: dU bits 0-11, dY 12-21, dX 22-31. Source pair word 0:
// scY 0-8, scX 9-14, stY 15, stX 16-19, stp 20-21, sAbr 22-23, sv 24-31;
// word 1: su 0-7, sU0 8-27, spT 28, sU1 29-31.
//
// tileInfoLoad checks that every record, destination word and source pair
// lies inside the file, so the accessors below never read outside it.
#pragma once

#include "bgfilelist.h"
#include "bgpalette.h"
#include "bgtim.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

inline constexpr size_t tileInfoMinHeader = 20;
inline constexpr size_t tileSetRecordSize = 56;
// Pictures larger than this many pixels are refused: positions are 16-bit,
// so a damaged file could ask for a buffer of gigabytes.
inline constexpr uint32_t backgroundMaxPixels = 0x1000000;
inline constexpr uint16_t paletteImageRow = 224;
inline constexpr uint16_t paletteImageMaxX = 512;

struct TileSet {
    size_t at = 0;  // offset of the record
    uint8_t type = 0;
    uint16_t sizeX = 0, sizeY = 0, posX = 0, posY = 0, tileId = 0, count = 0;
    uint32_t desp = 0, srcp = 0;
};

struct TileDest {
    unsigned dU = 0, dX = 0, dY = 0;
};

struct TilePair {
    size_t at = 0;  // offset of the pair in the file
    uint32_t w0 = 0, w1 = 0;
    unsigned scY() const { return w0 & 0x1FF; }
    unsigned scX() const { return (w0 >> 9) & 0x3F; }
    unsigned stY() const { return (w0 >> 15) & 1; }
    unsigned stX() const { return (w0 >> 16) & 0xF; }
    unsigned stp() const { return (w0 >> 20) & 3; }
    unsigned sAbr() const { return (w0 >> 22) & 3; }
    unsigned sv() const { return w0 >> 24; }
    unsigned su() const { return w1 & 0xFF; }
    unsigned sU0() const { return (w1 >> 8) & 0xFFFFF; }
    unsigned spT() const { return (w1 >> 28) & 1; }
    unsigned sU1() const { return w1 >> 29; }
    TileSource source() const { return {stX(), stY(), su(), sv(), scX(), scY()}; }
};

struct Palette {
    size_t pointer = 0;  // byte offset of its first colour in PsxVram
    unsigned clutX = 0, clutY = 0;
    int transp = 0, used = 0, empty = 0, duples = 0;
};

struct Background {
    std::vector<uint8_t> info;
    std::string infoPath;
    PsxVram vram;
    std::unique_ptr<FileList> timList;
    std::vector<std::optional<TimImage>> tims;  // one per file of the list
    std::vector<uint8_t> picture;  // pictureWidth x pictureHeight x 4 bytes, then colorTable
    uint8_t* colorTable = nullptr;  // 256 entries of 4 bytes
    uint16_t pictureWidth = 0, pictureHeight = 0;
    std::vector<Palette> palettes;
    size_t paletteCount = 0, usedCount = 0, nonEmptyCount = 0;
    int backgroundPalette = -1;  // index into palettes once looked up
    PaletteCache paletteCache;   // what the import's palette searches remember
};

uint16_t tileSetCount(const Background& bg);
TileSet tileSetAt(const Background& bg, size_t i);
TileDest tileDestAt(const Background& bg, const TileSet& set, size_t j);
TilePair tileSourceAt(const Background& bg, const TileSet& set, size_t j);
// Writes a changed palette reference back into the loaded file.
void tileSourceSetClut(Background& bg, TilePair& pair, unsigned scX, unsigned scY);

// Loads the tile info file alone; null after a message.
std::unique_ptr<Background> tileInfoLoad(const std::string& path);
// The same checks on bytes already loaded; `path` names them in messages.
std::unique_ptr<Background> tileInfoFromBytes(std::vector<uint8_t> bytes, const std::string& path);
// Loads the tile info file and the TIMs of `timFiles`, creates the picture;
// null after a message.
std::unique_ptr<Background> backgroundOpen(const std::string& path, const std::string& timFiles);
void backgroundClose(std::unique_ptr<Background> bg);
// Sets pictureWidth and pictureHeight; false (after a message) for a
// background without tiles or a picture past backgroundMaxPixels.
bool backgroundMeasure(Background& bg);
// Prints the listing of option -l.
void tileInfoList(const std::string& path);
void tileInfoPrint(const Background& bg, FILE* out);
// Builds and orders the palette table; false when its allocation failed.
bool paletteTableBuild(Background& bg);
// Index of the first used palette matching (scX, scY), or -1.
int paletteFind(const Background& bg, unsigned scX, unsigned scY, bool fourBit);
