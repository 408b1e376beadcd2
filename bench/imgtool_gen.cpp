// Writes the benchmark's synthetic IMG archive: 4096 files in eight
// directories (four of type 2, four of type 3), 256 MiB of file data in
// sizes of about 16 to 48 sectors, back to back after the header area.
// Usage: imgtool_gen OUTPUT
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t sector = 2048;
constexpr uint32_t dirs = 8;
constexpr uint32_t filesPerDir = 512;

void put16(std::vector<uint8_t>& b, size_t off, uint32_t v)
{
    b[off] = static_cast<uint8_t>(v);
    b[off + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(std::vector<uint8_t>& b, size_t off, uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        b[off + k] = static_cast<uint8_t>(v >> (8 * k));
}

constexpr uint32_t totalFiles = dirs * filesPerDir;
constexpr uint32_t dataSectors = 256u * 1024 * 1024 / sector;

// 16 to 48 sectors, 32 on average; the last file takes what is left of the
// 256 MiB.
uint32_t fileSectors(uint32_t k, uint32_t used)
{
    return k + 1 == totalFiles ? dataSectors - used : 16 + k * 37 % 33;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 1;
    }
    // Tables: type 2 needs (512 + 1) * 8 bytes (3 sectors), type 3 (512 + 1) * 2 (1 sector).
    std::vector<uint32_t> table(dirs);
    uint32_t headerSectors = 1;
    for (uint32_t i = 0; i < dirs; ++i) {
        table[i] = headerSectors;
        headerSectors += i % 2 == 0 ? 3 : 1;
    }
    std::vector<uint8_t> header(size_t{headerSectors} * sector, 0);
    std::memcpy(header.data(), "KZ7 ", 4);
    put32(header, 4, 6);
    put32(header, 8, dirs + 1);
    uint32_t next = headerSectors;
    uint32_t k = 0;
    for (uint32_t i = 0; i < dirs; ++i) {
        const bool type2 = i % 2 == 0;
        const size_t entry = 16 + 16 * i;
        const size_t t = size_t{table[i]} * sector;
        const uint32_t base = next;
        put32(header, entry, type2 ? 2 : 3);
        put32(header, entry + 4, filesPerDir);
        put32(header, entry + 8, table[i]);
        put32(header, entry + 12, base);
        for (uint32_t j = 0; j <= filesPerDir; ++j) {
            const bool end = j == filesPerDir;
            if (type2) {
                put16(header, t + 8 * j, end ? 0xFFFF : (k * 7) & 0xFFFF);
                put16(header, t + 8 * j + 2, end ? 0xFFFF : (j % 5 == 0 ? 1 : 0));
                put32(header, t + 8 * j + 4, next);
            } else {
                put16(header, t + 2 * j, next - base);
            }
            if (!end)
                next += fileSectors(k++, next - headerSectors);
        }
    }
    put32(header, 16 + 16 * dirs, 4);
    put32(header, 16 + 16 * dirs + 8, headerSectors);

    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(header.data(), 1, header.size(), f) != header.size())
        return 1;
    // Incompressible data, so no layer below can shortcut the copies.
    std::vector<uint64_t> chunk(1 << 17);  // 1 MiB
    uint64_t x = 88172645463325252ull;
    uint64_t left = uint64_t{next - headerSectors} * sector;
    while (left != 0) {
        for (auto& w : chunk) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            w = x;
        }
        const size_t n = left < chunk.size() * 8 ? static_cast<size_t>(left) : chunk.size() * 8;
        if (std::fwrite(chunk.data(), 1, n, f) != n)
            return 1;
        left -= n;
    }
    return std::fclose(f) == 0 ? 0 : 1;
}
