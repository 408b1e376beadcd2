#include "bgtim.h"

#include "fileutils.h"
#include "le.h"
#include "memutils.h"
#include "messages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t vramMask = psxVramBytes - 1;  // psxVramBytes is a power of two
constexpr uint8_t timBpp[4] = {4, 8, 16, 24};

// Reads a block header at `at` and checks that its header and its width x
// height halfwords lie inside the bytes.
bool timReadBlock(std::span<const uint8_t> d, size_t at, TimBlock& b)
{
    if (!leFits(d.size(), at, timBlockHeader))
        return false;
    b.at = at;
    b.size = *leGet32(d, at);
    b.x = *leGet16(d, at + 4);
    b.y = *leGet16(d, at + 6);
    b.width = *leGet16(d, at + 8);
    b.height = *leGet16(d, at + 10);
    return leFits(d.size(), b.dataAt(), b.dataBytes());
}

uint8_t vramByte(const PsxVram& vram, size_t at) { return vram[at & vramMask]; }

void tileCheckColumn(unsigned column, unsigned multiple)
{
    if (column % multiple != 0)
        std::fprintf(stderr, multiple == 2 ? tileMsgColumn2 : tileMsgColumn4, column);
}

size_t tileAddress8(const TileSource& s)
{
    const unsigned column = s.su >> 1;
    tileCheckColumn(column, 2);
    return psxVramTextureAddress(s.stX, s.stY, column, s.sv);
}

size_t tileAddress4(const TileSource& s)
{
    const unsigned column = s.su >> 2;
    tileCheckColumn(column, 4);
    return psxVramTextureAddress(s.stX, s.stY, column, s.sv);
}

void putPixel(const PictureView& pic, uint32_t x, uint32_t y, const uint8_t* bgr)
{
    if (x < pic.width && y < pic.height)
        std::memcpy(pic.pixels + (size_t{y} * pic.width + x) * 3, bgr, 3);
}

}  // namespace

std::optional<TimImage> timParse(std::vector<uint8_t> bytes, const std::string& path)
{
    if (bytes.size() < timMinSize) {
        std::fprintf(stderr, timMsgTooSmall, path.c_str());
        return std::nullopt;
    }
    if (bytes[0] != timId) {
        std::fprintf(stderr, timMsgFirstByte, path.c_str(), timId, bytes[0]);
        return std::nullopt;
    }
    TimImage t;
    t.bpp = timBpp[bytes[4] & 3];
    t.hasClut = (bytes[4] & timFlagClut) != 0;
    size_t imageAt = timFirstBlock;
    if (t.hasClut) {
        if (!timReadBlock(bytes, timFirstBlock, t.clut)) {
            std::fprintf(stderr, timMsgOutside, path.c_str(), "CLUT", static_cast<int>(bytes.size()));
            return std::nullopt;
        }
        imageAt = timFirstBlock + t.clut.size;
    }
    if (!timReadBlock(bytes, imageAt, t.image)) {
        std::fprintf(stderr, timMsgOutside, path.c_str(), "image", static_cast<int>(bytes.size()));
        return std::nullopt;
    }
    t.data = std::move(bytes);
    return t;
}

std::optional<TimImage> timLoad(const std::string& path)
{
    const int64_t size = fileSizeF(path);
    if (size < static_cast<int64_t>(timMinSize)) {
        std::fprintf(stderr, timMsgTooSmall, path.c_str());
        return std::nullopt;
    }
    if (size > fileMaxSize) {
        std::fprintf(stderr, timMsgTooLarge, path.c_str());
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    if (!memMalloc(bytes, static_cast<size_t>(size)))
        return std::nullopt;
    if (fileLoad(path, bytes, 0) != size) {
        std::fprintf(stderr, timMsgLoading, path.c_str());
        return std::nullopt;
    }
    return timParse(std::move(bytes), path);
}

size_t timSaveLength(const TimImage& tim)
{
    // The stored size may be too small (real files store it so) or too large:
    // never cut the pixel data short, never write bytes that were not loaded.
    const int64_t stored = static_cast<int64_t>(tim.image.dataAt()) + tim.image.size - 12;
    const int64_t pixels = static_cast<int64_t>(tim.image.dataAt() + tim.image.dataBytes());
    const int64_t length = std::min<int64_t>(std::max(stored, pixels),
                                             static_cast<int64_t>(tim.data.size()));
    return static_cast<size_t>(length);
}

bool timSave(const TimImage& tim, const std::string& path)
{
    const std::span<const uint8_t> bytes(tim.data.data(), timSaveLength(tim));
    if (!fileSaveWhole(path, bytes)) {
        std::fprintf(stderr, timMsgSaving, path.c_str());
        return false;
    }
    return true;
}

std::optional<PsxVram> psxVramCreate()
{
    PsxVram vram;
    if (!memMalloc(vram, psxVramBytes))
        return std::nullopt;
    std::fill(vram.begin(), vram.end(), 0);
    return vram;
}

size_t psxVramAddress(uint16_t x, uint16_t y)
{
    return (size_t{y} * psxVramWidth + x) * 2;
}

size_t psxVramClutAddress(unsigned clutX, unsigned clutY)
{
    return psxVramAddress(static_cast<uint16_t>(clutX * 16), static_cast<uint16_t>(clutY));
}

size_t psxVramTextureAddress(unsigned stX, unsigned stY, unsigned column, unsigned sv)
{
    return psxVramAddress(static_cast<uint16_t>((stX & 0xFF) * 64 + (column & 0xFF)),
                          static_cast<uint16_t>((stY & 0xFF) * 256 + (sv & 0xFF)));
}

uint16_t psxVramGet16(const PsxVram& vram, size_t at)
{
    return static_cast<uint16_t>(vramByte(vram, at) | vramByte(vram, at + 1) << 8);
}

void psxVramColors(const PsxVram& vram, size_t at, size_t count, uint16_t* out)
{
    for (size_t k = 0; k < count; ++k)
        out[k] = psxVramGet16(vram, at + 2 * k);
}

void psxVramWriteBitmap(PsxVram& vram, uint16_t x, uint16_t y, uint16_t width, uint16_t height,
                        std::span<const uint8_t> halfwords)
{
    const unsigned right = unsigned{x} + width, bottom = unsigned{y} + height;
    if (right > psxVramWidth || bottom > psxVramHeight) {
        std::fprintf(stderr, vramMsgWrite, static_cast<int>(right), static_cast<int>(bottom));
        return;
    }
    const size_t rowBytes = size_t{width} * 2;
    if (halfwords.size() < rowBytes * height)
        return;
    for (size_t r = 0; r < height; ++r)
        std::memcpy(vram.data() + psxVramAddress(x, static_cast<uint16_t>(y + r)),
                    halfwords.data() + r * rowBytes, rowBytes);
}

void psxVramReadBitmap(const PsxVram& vram, uint16_t x, uint16_t y, uint16_t width,
                       uint16_t height, std::span<uint8_t> halfwords)
{
    const unsigned right = unsigned{x} + width, bottom = unsigned{y} + height;
    if (right > psxVramWidth || bottom > psxVramHeight) {
        std::fprintf(stderr, vramMsgRead, static_cast<int>(right), static_cast<int>(bottom));
        return;
    }
    const size_t rowBytes = size_t{width} * 2;
    if (halfwords.size() < rowBytes * height)
        return;
    for (size_t r = 0; r < height; ++r)
        std::memcpy(halfwords.data() + r * rowBytes,
                    vram.data() + psxVramAddress(x, static_cast<uint16_t>(y + r)), rowBytes);
}

void psxVramPutTim(PsxVram& vram, const TimImage* tim)
{
    if (!tim)
        return;
    const std::span<const uint8_t> d(tim->data);
    if (tim->hasClut) {
        const TimBlock& c = tim->clut;
        psxVramWriteBitmap(vram, c.x, c.y, c.width, c.height, d.subspan(c.dataAt(), c.dataBytes()));
    }
    const TimBlock& i = tim->image;
    psxVramWriteBitmap(vram, i.x, i.y, i.width, i.height, d.subspan(i.dataAt(), i.dataBytes()));
}

bool psxVramGetTim(const PsxVram& vram, TimImage& tim, const std::string& path)
{
    psxVramReadTim(vram, tim);
    return timSave(tim, path);
}

void psxVramReadTim(const PsxVram& vram, TimImage& tim)
{
    const std::span<uint8_t> d(tim.data);
    if (tim.hasClut) {
        const TimBlock& c = tim.clut;
        psxVramReadBitmap(vram, c.x, c.y, c.width, c.height, d.subspan(c.dataAt(), c.dataBytes()));
    }
    const TimBlock& i = tim.image;
    psxVramReadBitmap(vram, i.x, i.y, i.width, i.height, d.subspan(i.dataAt(), i.dataBytes()));
}

void psxColorToRgb(uint16_t k, uint8_t* bgr)
{
    bgr[0] = static_cast<uint8_t>(((k >> 10) & 31) * 8);
    bgr[1] = static_cast<uint8_t>(((k >> 5) & 31) * 8);
    bgr[2] = static_cast<uint8_t>((k & 31) * 8);
}

void psxPaletteToRgb(const uint16_t* colours, size_t n, uint8_t* table)
{
    for (size_t k = 0; k < n; ++k)
        psxColorToRgb(colours[k], table + 3 * k);
}

uint16_t rgbToPsxColor(const uint8_t* bgrf)
{
    return static_cast<uint16_t>((bgrf[2] >> 3) | (bgrf[1] >> 3) << 5 | (bgrf[0] >> 3) << 10 |
                                 (bgrf[3] != 0 ? 0x8000 : 0));
}

void rgbListToPsx(uint8_t* list, size_t n)
{
    // Entry i is read (bytes 4i..4i+3) before colour i is written at 2i.
    for (size_t i = 0; i < n; ++i) {
        const uint16_t k = rgbToPsxColor(list + 4 * i);
        list[2 * i] = static_cast<uint8_t>(k);
        list[2 * i + 1] = static_cast<uint8_t>(k >> 8);
    }
}

int psxColorIsBackground(uint16_t k)
{
    if (k == 0)
        return 1;
    if (!(k & 0x8000))
        std::fprintf(stderr, colorMsgAlphaZero, k & 31u, (k >> 5) & 31u, (k >> 10) & 31u);
    return 0;
}

unsigned colorDistance(uint16_t a, uint16_t b)
{
    if ((a ^ b) & 0x8000)
        return colorDistanceNone;
    const int dr = (a & 31) - (b & 31);
    const int dg = ((a >> 5) & 31) - ((b >> 5) & 31);
    const int db = ((a >> 10) & 31) - ((b >> 10) & 31);
    return static_cast<unsigned>(dr * dr + dg * dg + db * db);
}

void tileToPicture8(const PsxVram& vram, const TileSource& s, const uint8_t* table,
                    const PictureView& pic, uint32_t x, uint32_t y)
{
    const size_t at = tileAddress8(s);
    for (uint32_t row = 0; row < 16; ++row) {
        const size_t line = at + row * psxVramRowBytes;
        for (uint32_t col = 0; col < 16; ++col)
            putPixel(pic, x + col, y + row, table + 3 * vramByte(vram, line + col));
    }
}

void tileToPicture4(const PsxVram& vram, const TileSource& s, const uint8_t* table,
                    const PictureView& pic, uint32_t x, uint32_t y)
{
    const size_t at = tileAddress4(s);
    for (uint32_t row = 0; row < 16; ++row) {
        const size_t line = at + row * psxVramRowBytes;
        for (uint32_t k = 0; k < 8; ++k) {
            const uint8_t b = vramByte(vram, line + k);
            putPixel(pic, x + 2 * k, y + row, table + 3 * (b & 0x0F));
            putPixel(pic, x + 2 * k + 1, y + row, table + 3 * (b >> 4));
        }
    }
}

void tileToVram8(PsxVram& vram, const TileSource& s, const uint8_t* indices)
{
    const size_t at = tileAddress8(s);
    for (size_t row = 0; row < 16; ++row)
        for (size_t col = 0; col < 16; ++col)
            vram[(at + row * psxVramRowBytes + col) & vramMask] = indices[row * 16 + col];
}

void tileToVram4(PsxVram& vram, const TileSource& s, const uint8_t* indices)
{
    const size_t at = tileAddress4(s);
    for (size_t row = 0; row < 16; ++row)
        for (size_t k = 0; k < 8; ++k) {
            const uint8_t* pair = indices + row * 16 + 2 * k;
            vram[(at + row * psxVramRowBytes + k) & vramMask] =
                static_cast<uint8_t>((pair[0] & 0x0F) | (pair[1] & 0x0F) << 4);
        }
}

void tileFill(PsxVram& vram, const TileSource& s, uint8_t value, unsigned texelSize)
{
    const unsigned column = texelSize == 8 ? s.su >> 1 : s.su >> 2;
    const size_t bytes = texelSize == 8 ? 16 : 8;
    const size_t at = psxVramTextureAddress(s.stX, s.stY, column, s.sv);
    for (size_t row = 0; row < 16; ++row)
        for (size_t k = 0; k < bytes; ++k)
            vram[(at + row * psxVramRowBytes + k) & vramMask] = value;
}

unsigned tileCompare8(const PsxVram& vram, const TileSource& s, const uint8_t* indices,
                      const uint16_t* palette)
{
    const size_t at = tileAddress8(s);
    const size_t clut = psxVramClutAddress(s.clutX, s.clutY);
    for (unsigned row = 0; row < 16; ++row)
        for (unsigned col = 0; col < 16; ++col) {
            const uint8_t old = vramByte(vram, at + row * psxVramRowBytes + col);
            if (psxVramGet16(vram, clut + 2 * old) != palette[indices[row * 16 + col]])
                return row * 16 + col + 1;
        }
    return 0;
}

unsigned tileCompare4(const PsxVram& vram, const TileSource& s, const uint8_t* indices,
                      const uint16_t* palette)
{
    const size_t at = tileAddress4(s);
    const size_t clut = psxVramClutAddress(s.clutX, s.clutY);
    for (unsigned row = 0; row < 16; ++row)
        for (unsigned k = 0; k < 8; ++k) {
            const uint8_t b = vramByte(vram, at + row * psxVramRowBytes + k);
            const uint8_t* pair = indices + row * 16 + 2 * k;
            if (psxVramGet16(vram, clut + 2 * (b & 0x0F)) != palette[pair[0] & 0x0F] ||
                psxVramGet16(vram, clut + 2 * (b >> 4)) != palette[pair[1] & 0x0F])
                return row * 16 + 2 * k + 1;
        }
    return 0;
}
