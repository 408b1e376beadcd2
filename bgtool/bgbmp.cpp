#include "bgbmp.h"

#include "fileutils.h"
#include "le.h"
#include "messages.h"

#include <cstdio>
#include <cstring>

size_t bmpStride(uint32_t width, unsigned bits)
{
    const size_t row = size_t{width} * bits / 8;
    return (row + 3) & ~size_t{3};
}

std::vector<uint8_t> bmpBuild(unsigned bits, uint32_t width, uint32_t height,
                              std::span<const uint8_t> rows, std::span<const uint8_t> table)
{
    const size_t rowBytes = size_t{width} * bits / 8;
    const size_t stride = bmpStride(width, bits);
    const size_t tableBytes = table.empty() ? 0 : size_t{4} << bits;
    const size_t imageBytes = stride * height;
    std::vector<uint8_t> out;
    out.reserve(bmpHeader + tableBytes + imageBytes);
    out.push_back('B');
    out.push_back('M');
    leAppend32(out, static_cast<uint32_t>(bmpHeader + tableBytes + imageBytes));
    leAppend32(out, 0);
    leAppend32(out, static_cast<uint32_t>(bmpHeader + tableBytes));
    leAppend32(out, bmpInfoHeader);
    leAppend32(out, width);
    leAppend32(out, height);
    leAppend16(out, 1);
    leAppend16(out, static_cast<uint16_t>(bits));
    leAppend32(out, 0);
    leAppend32(out, static_cast<uint32_t>(imageBytes));
    for (int k = 0; k < 4; ++k)
        leAppend32(out, 0);
    if (tableBytes) {
        out.insert(out.end(), table.begin(), table.begin() + std::min(tableBytes, table.size()));
        out.resize(bmpHeader + tableBytes, 0);
    }
    const size_t start = out.size();
    out.resize(start + imageBytes, 0);
    for (size_t r = 0; r < height && rowBytes * (r + 1) <= rows.size(); ++r)
        std::memcpy(out.data() + start + (height - 1 - r) * stride, rows.data() + r * rowBytes,
                    rowBytes);
    return out;
}

bool bmpSave(const std::string& path, unsigned bits, uint32_t width, uint32_t height,
             std::span<const uint8_t> rows, std::span<const uint8_t> table)
{
    if (!fileSaveWhole(path, bmpBuild(bits, width, height, rows, table))) {
        std::fprintf(stderr, bmpMsgSaving, path.c_str());
        return false;
    }
    return true;
}

BmpHeader bmpHeaderRead(std::span<const uint8_t> file)
{
    BmpHeader h;
    if (file.size() < bmpHeader)
        return h;
    h.ok = true;
    h.dataAt = *leGet32(file, 10);
    h.headerSize = *leGet32(file, 14);
    h.width = static_cast<int32_t>(*leGet32(file, 18));
    h.height = static_cast<int32_t>(*leGet32(file, 22));
    h.bits = *leGet16(file, 28);
    h.compression = *leGet32(file, 30);
    return h;
}

BmpLoaded bmpParse(std::span<const uint8_t> file, const std::string& path,
                   std::span<uint8_t> pixels, std::span<uint8_t> table, bool bottomUp)
{
    BmpLoaded r;
    const BmpHeader h = bmpHeaderRead(file);
    if (!h.ok) {
        std::fprintf(stderr, bmpMsgReading, path.c_str());
        return r;
    }
    const uint32_t dataAt = h.dataAt, headerSize = h.headerSize, compression = h.compression;
    const int32_t width = h.width, height = h.height;
    const unsigned bits = h.bits;
    r.bits = static_cast<int>(bits);
    r.width = width;
    r.height = height;
    // Info headers of 40 bytes and their V4/V5 extensions hold the same first
    // fields; anything else (an OS/2 header), top-down rows or compression
    // would be misread.
    if (headerSize < bmpInfoHeader || headerSize > 124 || height <= 0 || width <= 0 ||
        compression != 0 || bits == 0 || bits > 32) {
        std::fprintf(stderr, bmpMsgForm, path.c_str(), static_cast<int>(headerSize), height,
                     static_cast<int>(compression));
        return r;
    }
    if (bits <= 8) {
        const size_t tableBytes = size_t{4} << bits;
        const size_t tableAt = bmpFileHeader + headerSize;
        if (!leFits(file.size(), tableAt, tableBytes) || tableBytes > table.size()) {
            std::fprintf(stderr, bmpMsgShort, path.c_str());
            return r;
        }
        std::memcpy(table.data(), file.data() + tableAt, tableBytes);
    }
    const size_t rowBytes = size_t(width) * bits / 8;
    const size_t stride = bmpStride(static_cast<uint32_t>(width), bits);
    const size_t rows = static_cast<size_t>(height);
    // Divided, not multiplied: width and height may be anything up to 2^31.
    if (rows > pixels.size() || (rowBytes != 0 && rows > pixels.size() / rowBytes)) {
        std::fprintf(stderr, bmpMsgTooLarge, path.c_str(), width, height, static_cast<int>(bits));
        return r;
    }
    // The last row needs only its row bytes, not its padding.
    if (!leFits(file.size(), dataAt, stride * (rows - 1) + rowBytes)) {
        std::fprintf(stderr, bmpMsgShort, path.c_str());
        return r;
    }
    for (size_t k = 0; k < rows; ++k) {
        const size_t to = bottomUp ? rows - 1 - k : k;
        std::memcpy(pixels.data() + to * rowBytes, file.data() + dataAt + k * stride, rowBytes);
    }
    r.ok = true;
    return r;
}

BmpLoaded bmpLoad(const std::string& path, std::span<uint8_t> pixels, std::span<uint8_t> table,
                  bool bottomUp)
{
    auto file = fileLoadFile(path);
    if (!file)
        return {};
    return bmpParse(*file, path, pixels, table, bottomUp);
}
