// Little-endian integers in byte blocks, with bounds checks. Every game file
// stores its integers little-endian; all format code reads and writes them
// through these functions so that no offset taken from a file can reach
// outside the block it indexes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// True when [offset, offset + size) lies inside a block of `total` bytes.
// Written so that it cannot overflow.
[[nodiscard]] constexpr bool leFits(size_t total, size_t offset, size_t size)
{
    return offset <= total && size <= total - offset;
}

[[nodiscard]] inline std::optional<uint8_t> leGet8(std::span<const uint8_t> d, size_t off)
{
    if (!leFits(d.size(), off, 1))
        return std::nullopt;
    return d[off];
}

[[nodiscard]] inline std::optional<uint16_t> leGet16(std::span<const uint8_t> d, size_t off)
{
    if (!leFits(d.size(), off, 2))
        return std::nullopt;
    return static_cast<uint16_t>(unsigned{d[off]} | unsigned{d[off + 1]} << 8);
}

[[nodiscard]] inline std::optional<uint32_t> leGet32(std::span<const uint8_t> d, size_t off)
{
    if (!leFits(d.size(), off, 4))
        return std::nullopt;
    return uint32_t{d[off]} | uint32_t{d[off + 1]} << 8 | uint32_t{d[off + 2]} << 16 |
           uint32_t{d[off + 3]} << 24;
}

[[nodiscard]] inline bool lePut8(std::span<uint8_t> d, size_t off, uint8_t v)
{
    if (!leFits(d.size(), off, 1))
        return false;
    d[off] = v;
    return true;
}

[[nodiscard]] inline bool lePut16(std::span<uint8_t> d, size_t off, uint16_t v)
{
    if (!leFits(d.size(), off, 2))
        return false;
    d[off] = static_cast<uint8_t>(v);
    d[off + 1] = static_cast<uint8_t>(v >> 8);
    return true;
}

[[nodiscard]] inline bool lePut32(std::span<uint8_t> d, size_t off, uint32_t v)
{
    if (!leFits(d.size(), off, 4))
        return false;
    for (size_t i = 0; i < 4; ++i)
        d[off + i] = static_cast<uint8_t>(v >> (8 * i));
    return true;
}

// Unsigned little-endian field of `width` bytes (0 to 8), for record layouts
// given at run time. A field narrower than 8 bytes keeps the low bytes.
[[nodiscard]] inline std::optional<uint64_t> leGetN(std::span<const uint8_t> d, size_t off,
                                                    size_t width)
{
    if (width > 8 || !leFits(d.size(), off, width))
        return std::nullopt;
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t{d[off + i]} << (8 * i);
    return v;
}

[[nodiscard]] inline bool lePutN(std::span<uint8_t> d, size_t off, size_t width, uint64_t v)
{
    if (width > 8 || !leFits(d.size(), off, width))
        return false;
    for (size_t i = 0; i < width; ++i)
        d[off + i] = static_cast<uint8_t>(v >> (8 * i));
    return true;
}

// Sequential reader: once a read runs past the end, `failed` stays set and
// every further read yields 0, so a caller checks once after a group of reads.
struct LeCursor {
    std::span<const uint8_t> data;
    size_t pos = 0;
    bool failed = false;

    uint8_t u8() { return take<uint8_t>(leGet8(data, pos), 1); }
    uint16_t u16() { return take<uint16_t>(leGet16(data, pos), 2); }
    uint32_t u32() { return take<uint32_t>(leGet32(data, pos), 4); }

    bool skip(size_t n)
    {
        if (failed || !leFits(data.size(), pos, n))
            return !(failed = true);
        pos += n;
        return true;
    }

private:
    template <typename T, typename O>
    T take(const O& v, size_t n)
    {
        if (failed || !v) {
            failed = true;
            return 0;
        }
        pos += n;
        return *v;
    }
};

// Appends little-endian integers to a growing byte vector (writers of files).
template <typename Vec>
inline void leAppend16(Vec& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

template <typename Vec>
inline void leAppend32(Vec& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
