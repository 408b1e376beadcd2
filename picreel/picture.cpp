#include "picture.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "fileutils.h"
#include "le.h"
#include "messages.h"
#include "platform.h"

namespace {

// BMP layout.
constexpr size_t bmpFileHeaderSize = 14;
constexpr size_t bmpOffBitsAt = 10;
constexpr size_t bmpInfoSize = 40;
constexpr uint16_t bmpMagic = 0x4D42;  // "BM"
constexpr uint32_t bmpCoreSize = 12;   // the older header, refused

// TGA layout.
constexpr size_t tgaHeaderSize = 18;
constexpr uint8_t tgaRunLength = 0x08;
constexpr uint8_t tgaRightToLeft = 0x10;
constexpr uint8_t tgaTopToBottom = 0x20;
constexpr int32_t tgaPelsPerMeter = 2880;

// A picture larger than this is refused: every size is 32-bit.
constexpr uint64_t picMaxBytes = static_cast<uint64_t>(fileMaxSize);

// Makes `v` `size` bytes long, keeping its memory for the next picture;
// false when the memory is not there.
bool allocate(std::vector<uint8_t>& v, uint64_t size)
{
    try {
        v.resize(static_cast<size_t>(size));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Whole file in memory, nullopt when it can't be opened or read (or is a
// directory, or 2 GiB or more).
enum class LoadResult { ok, cantOpen, cantRead };
LoadResult loadFile(const std::string& name, std::vector<uint8_t>& out)
{
    if (platformIsDir(name))
        return LoadResult::cantOpen;
    FilePtr f = fileOpen(name, "rb");
    if (!f)
        return LoadResult::cantOpen;
    const int64_t size = fileSizeF(name);
    if (size < 0 || size > fileMaxSize)
        return LoadResult::cantRead;
    if (!allocate(out, static_cast<uint64_t>(size)))
        return LoadResult::cantRead;
    if (size > 0 && fileRead(out.data(), 1, out.size(), f.get()) != size)
        return LoadResult::cantRead;
    return LoadResult::ok;
}

// Stands in for the original host's locale-aware comparison: letters
// without case first, then byte order to keep the order total.
int frameCompare(const std::string& a, const std::string& b)
{
    const int folded = platformStricmp(a, b);
    if (folded != 0)
        return folded;
    return a.compare(b);
}

}  // namespace

uint64_t picRowBytes(uint32_t bitCount, uint32_t width)
{
    return (uint64_t{bitCount} * width + 31) / 32 * 4;
}

void picFrameListInsert(FrameList& list, const std::string& name)
{
    auto at = std::upper_bound(list.names.begin(), list.names.end(), name,
                               [](const std::string& a, const std::string& b) {
                                   return frameCompare(a, b) < 0;
                               });
    list.names.insert(at, name);
}

std::optional<FrameList> findPictures(const std::string& prefix, PictureKind kind,
                                      const char** error)
{
    const bool tga = kind == PictureKind::tga;
    const std::string pattern = prefix + "*." + (tga ? "tga" : "bmp");
    const std::string dir = platformDirPart(prefix);
    FrameList list;
    for (const PlatformDirEntry& e : platformFind(pattern)) {
        // A directory is no picture: leave it out rather than fail on it.
        if (e.isDir)
            continue;
        picFrameListInsert(list, dir + e.name);
    }
    if (list.names.empty()) {
        *error = tga ? picMsgNoTga : picMsgNoBmp;
        return std::nullopt;
    }
    list.lastIndex = static_cast<int>(list.names.size()) - 1;
    return list;
}

namespace {

// `rowsView` (when given) views the pixel rows: in `file` itself when they are
// stored bottom row first, else in `pixels`.
bool parseBmp(std::span<const uint8_t> file, PictureBlock& block, std::vector<uint8_t>& pixels,
              const char** error, std::span<const uint8_t>* rowsView = nullptr)
{
    *error = picMsgNotBmp;
    LeCursor c{file};
    const uint16_t magic = c.u16();
    c.skip(bmpOffBitsAt - 2);
    const uint32_t offBits = c.u32();
    PictureHeader h;
    h.biSize = c.u32();
    h.biWidth = static_cast<int32_t>(c.u32());
    h.biHeight = static_cast<int32_t>(c.u32());
    h.biPlanes = c.u16();
    h.biBitCount = c.u16();
    h.biCompression = c.u32();
    h.biSizeImage = c.u32();
    h.biXPelsPerMeter = static_cast<int32_t>(c.u32());
    h.biYPelsPerMeter = static_cast<int32_t>(c.u32());
    h.biClrUsed = c.u32();
    h.biClrImportant = c.u32();
    if (c.failed || magic != bmpMagic || h.biSize == bmpCoreSize)
        return false;
    // Shorter OS/2 forms do not hold these fields; compressed rows (RLE,
    // bit fields, JPEG) are not plain rows a movie frame can carry.
    if (h.biSize < bmpInfoSize || h.biCompression != 0)
        return false;
    const uint16_t bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN)
        return false;

    // Palette: biClrUsed as a 16-bit value, else the whole range of the
    // bit count (true colour pictures have none). It must fit the block.
    if (h.biClrUsed > picPaletteEntries)
        return false;
    uint32_t paletteSize = h.biClrUsed & 0xFFFF;
    if (paletteSize == 0 && bits <= 8)
        paletteSize = 1u << bits;
    if (h.biClrUsed == 0)
        h.biClrUsed = paletteSize;

    const bool topDown = h.biHeight < 0;
    const uint32_t rows = topDown ? static_cast<uint32_t>(-h.biHeight)
                                  : static_cast<uint32_t>(h.biHeight);
    const uint64_t stride = picRowBytes(bits, static_cast<uint32_t>(h.biWidth));
    const uint64_t needed = stride * rows;
    if (needed > picMaxBytes)
        return false;
    // A size of 0, or one short of the padded rows (some writers leave the
    // padding out), gives way to the rows' own size; the file must hold them.
    if (h.biSizeImage < needed)
        h.biSizeImage = static_cast<uint32_t>(needed);

    // The palette follows the header in whatever size the header has.
    const size_t paletteAt = bmpFileHeaderSize + h.biSize;
    std::fill(std::begin(block.palette), std::end(block.palette), 0u);
    for (uint32_t i = 0; i < paletteSize; ++i) {
        const auto entry = leGet32(file, paletteAt + size_t{i} * 4);
        if (!entry)
            break;  // read unchecked, as far as the file goes
        block.palette[i] = *entry & 0xFFFFFF;
    }
    const size_t pixelsAt = offBits != 0 ? offBits : paletteAt + size_t{paletteSize} * 4;
    if (!leFits(file.size(), pixelsAt, h.biSizeImage))
        return false;
    h.biHeight = static_cast<int32_t>(rows);
    h.biSizeImage = static_cast<uint32_t>(needed);
    if (rowsView && !topDown) {
        // Spare bytes past the last row are left out of the view.
        *rowsView = file.subspan(pixelsAt, needed);
        block.header = h;
        *error = nullptr;
        return true;
    }
    if (!allocate(pixels, needed)) {
        *error = picMsgBmpAlloc;
        return false;
    }
    // Rows kept bottom row first; spare bytes past the last row are dropped
    // so that every frame holds exactly its rows.
    for (uint32_t r = 0; r < rows; ++r) {
        const uint32_t from = topDown ? rows - 1 - r : r;
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(pixelsAt + from * stride), stride,
                    pixels.begin() + static_cast<std::ptrdiff_t>(r * stride));
    }
    if (rowsView)
        *rowsView = pixels;
    block.header = h;
    *error = nullptr;
    return true;
}

bool parseTga(std::span<const uint8_t> file, PictureBlock& block, std::vector<uint8_t>& pixels,
              const char** error, std::string* id)
{
    *error = picMsgTgaShort;
    LeCursor c{file};
    const uint8_t idLength = c.u8();
    const uint8_t mapType = c.u8();
    const uint8_t imageType = c.u8();
    const uint16_t mapOrigin = c.u16();
    const uint16_t mapLength = c.u16();
    const uint8_t mapEntryBits = c.u8();
    c.skip(4);
    const uint16_t width = c.u16();
    const uint16_t height = c.u16();
    const uint8_t depth = c.u8();
    const uint8_t descriptor = c.u8();
    if (c.failed)
        return false;
    if (idLength != 0) {
        // Read as far as the file goes; what follows it decides.
        const size_t at = c.pos;
        const size_t n = std::min<size_t>(idLength, file.size() - at);
        if (id) {
            const auto* text = reinterpret_cast<const char*>(file.data() + at);
            *id = std::string(text, std::find(text, text + n, '\0'));
        }
        c.skip(n);
    }

    uint32_t palette[picPaletteEntries] = {};
    if (mapType != 0) {
        if (mapEntryBits != 24 && mapEntryBits != 32) {
            *error = picMsgTgaPalette;
            return false;
        }
        // Entries beyond index 255 have no place in the block.
        if (size_t{mapOrigin} + mapLength > picPaletteEntries) {
            *error = picMsgTgaPalette;
            return false;
        }
        const size_t entryBytes = mapEntryBits / 8;
        if (!leFits(file.size(), c.pos, size_t{mapLength} * entryBytes))
            return false;
        for (size_t k = 0; k < mapLength; ++k) {
            const uint8_t* e = file.data() + c.pos + k * entryBytes;
            uint32_t v = uint32_t{e[0]} | uint32_t{e[1]} << 8 | uint32_t{e[2]} << 16;
            if (entryBytes == 4)
                v |= uint32_t{e[3]} << 24;
            palette[mapOrigin + k] = v;
        }
        c.skip(size_t{mapLength} * entryBytes);
    }

    const uint8_t base = imageType & ~tgaRunLength;
    if (imageType != 1 && imageType != 2 && imageType != 9 && imageType != 10) {
        *error = picMsgTgaType;
        return false;
    }
    const bool mapped = base == 1;
    // Colour-mapped pixels are 8-bit indices; true colour is 24 or 32 bits.
    if ((mapped && depth != 8) || (!mapped && depth != 24 && depth != 32) || width == 0 ||
        height == 0) {
        *error = picMsgTgaType;
        return false;
    }
    const size_t bpp = depth / 8;
    const size_t storedSize = size_t{width} * height * bpp;
    // Nothing is allocated for pixels the file cannot hold: raw data must be
    // all there, and a packet of 1 + bpp bytes gives at most 128 pixels.
    const size_t left = file.size() - c.pos;
    const size_t mostPixels = imageType & tgaRunLength ? (left / (1 + bpp) + 1) * 128 : left / bpp;
    if (storedSize / bpp > mostPixels || picRowBytes(24, width) * height > picMaxBytes)
        return false;
    std::vector<uint8_t> storedBytes;
    if (!allocate(storedBytes, storedSize)) {
        *error = picMsgBmpAlloc;
        return false;
    }
    std::vector<uint8_t>* stored = &storedBytes;
    if (!(imageType & tgaRunLength)) {
        if (!leFits(file.size(), c.pos, storedSize))
            return false;
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(c.pos), storedSize, stored->begin());
    } else {
        size_t filled = 0;
        while (filled < storedSize) {
            const uint8_t packet = c.u8();
            if (c.failed)
                return false;
            // A packet never writes beyond the image.
            const size_t count = std::min<size_t>((packet & 0x7F) + 1, (storedSize - filled) / bpp);
            const size_t take = packet & 0x80 ? bpp : count * bpp;
            if (!leFits(file.size(), c.pos, take))
                return false;
            const uint8_t* src = file.data() + c.pos;
            if (packet & 0x80) {
                for (size_t i = 0; i < count; ++i)
                    std::copy_n(src, bpp, stored->begin() + static_cast<std::ptrdiff_t>(filled + i * bpp));
            } else {
                std::copy_n(src, take, stored->begin() + static_cast<std::ptrdiff_t>(filled));
            }
            // A raw packet cut short by the image's end still spends its
            // declared pixels in the file.
            c.skip(packet & 0x80 ? bpp : std::min(((packet & 0x7F) + 1) * bpp, file.size() - c.pos));
            filled += count * bpp;
        }
    }

    PictureHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = 24;
    const uint64_t stride = picRowBytes(24, width);
    h.biSizeImage = static_cast<uint32_t>(stride * height);
    h.biXPelsPerMeter = tgaPelsPerMeter;
    h.biYPelsPerMeter = tgaPelsPerMeter;
    if (!allocate(pixels, h.biSizeImage)) {
        *error = picMsgBmpAlloc;
        return false;
    }
    const bool rightToLeft = descriptor & tgaRightToLeft;
    const bool topToBottom = descriptor & tgaTopToBottom;
    for (size_t r = 0; r < height; ++r) {
        const size_t srcRow = topToBottom ? height - 1 - r : r;
        uint8_t* out = pixels.data() + r * stride;
        for (size_t x = 0; x < width; ++x) {
            const size_t srcCol = rightToLeft ? width - 1 - x : x;
            const uint8_t* px = stored->data() + (srcRow * width + srcCol) * bpp;
            if (mapped) {
                const uint32_t e = palette[px[0]];
                out[x * 3] = static_cast<uint8_t>(e);
                out[x * 3 + 1] = static_cast<uint8_t>(e >> 8);
                out[x * 3 + 2] = static_cast<uint8_t>(e >> 16);
            } else {
                std::copy_n(px, 3, out + x * 3);
            }
        }
    }
    block.header = h;
    std::fill(std::begin(block.palette), std::end(block.palette), 0u);
    *error = nullptr;
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> picParseBmp(std::span<const uint8_t> file,
                                                PictureBlock& block, const char** error)
{
    std::vector<uint8_t> pixels;
    if (!parseBmp(file, block, pixels, error))
        return std::nullopt;
    return pixels;
}

std::optional<std::vector<uint8_t>> picParseTga(std::span<const uint8_t> file,
                                                PictureBlock& block, const char** error,
                                                std::string* id)
{
    std::vector<uint8_t> pixels;
    if (!parseTga(file, block, pixels, error, id))
        return std::nullopt;
    return pixels;
}

bool picRead(const std::string& name, PictureKind kind, PictureBlock& block,
             PictureBuffers& buffers, const char** error)
{
    const bool tga = kind == PictureKind::tga;
    const LoadResult r = loadFile(name, buffers.file);
    if (r != LoadResult::ok) {
        *error = r == LoadResult::cantOpen ? (tga ? picMsgTgaOpen : picMsgBmpOpen)
                                           : (tga ? picMsgTgaShort : picMsgNotBmp);
        return false;
    }
    buffers.rows = {};
    if (!tga)
        return parseBmp(buffers.file, block, buffers.pixels, error, &buffers.rows);
    std::string id;
    const bool ok = parseTga(buffers.file, block, buffers.pixels, error, &id);
    if (ok)
        buffers.rows = buffers.pixels;
    if (buffers.file.size() >= tgaHeaderSize && buffers.file[0] != 0) {
        std::printf(picMsgTgaId, id.c_str());
        std::fflush(stdout);
    }
    return ok;
}

std::optional<std::vector<uint8_t>> readPicture(const std::string& name, PictureKind kind,
                                                PictureBlock& block, const char** error)
{
    PictureBuffers buffers;
    if (!picRead(name, kind, block, buffers, error))
        return std::nullopt;
    return std::vector<uint8_t>(buffers.rows.begin(), buffers.rows.end());
}

std::optional<std::vector<uint8_t>> readBmp(const std::string& name, PictureBlock& block,
                                            const char** error)
{
    return readPicture(name, PictureKind::bmp, block, error);
}

std::optional<std::vector<uint8_t>> readTga(const std::string& name, PictureBlock& block,
                                            const char** error)
{
    return readPicture(name, PictureKind::tga, block, error);
}

bool picturesMatch(const PictureHeader& first, const PictureHeader& other)
{
    return first.biWidth == other.biWidth && first.biHeight == other.biHeight &&
           first.biPlanes == other.biPlanes && first.biBitCount == other.biBitCount;
}
