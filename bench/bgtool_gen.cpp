// Writes a synthetic background for the bgtool benchmark: 1024 x 512 pixels
// in 64 tile sets (an 8 x 8 grid of 128 x 64 areas) of 8-bit tiles, 64
// palettes of 256 colours in one palette image and 7 texture TIMs.
// Usage: bgtool_gen DIR   (writes DIR/bg.0a and DIR/tims/*.tim)
#include "sampletim.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

bool put(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    mkdir((dir + "/tims").c_str(), 0777);
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };

    // 64 palettes: every colour opaque (bit 15), colour 0 the background black.
    std::vector<uint16_t> pal(256 * 64);
    for (size_t k = 0; k < pal.size(); ++k)
        pal[k] = k % 256 == 0 ? 0 : static_cast<uint16_t>(0x8000 | (next() & 0x7FFF));
    bool ok = put(dir + "/tims/pal.tim", sampleTimBuild(2, nullptr, {}, {0, 224, 256, 64}, pal));

    // 7 texture TIMs of one 8-bit page pair each (128 halfwords x 224 rows).
    const uint8_t pages[7] = {4, 6, 8, 10, 12, 14, 4};
    const uint8_t pageRows[7] = {0, 0, 0, 0, 0, 0, 1};
    for (unsigned t = 0; t < 7; ++t) {
        std::vector<uint16_t> tex(128 * 224);
        for (auto& hw : tex)
            hw = static_cast<uint16_t>(next());
        const SampleRect r{static_cast<uint16_t>(pages[t] * 64), static_cast<uint16_t>(pageRows[t] * 256 + (pageRows[t] ? 32 : 0)), 128, 224};
        ok = put(dir + "/tims/tex" + std::to_string(t) + ".tim", sampleTimBuild(1, nullptr, {}, r, tex)) && ok;
    }

    std::vector<SampleTileSet> sets;
    for (unsigned s = 0; s < 64; ++s) {
        SampleTileSet set{1, 0x10, 128, 64, static_cast<uint16_t>(128 * (s % 8)),
                          static_cast<uint16_t>(64 * (s / 8)), static_cast<uint16_t>(s), {}};
        for (unsigned k = 0; k < 32; ++k) {
            const unsigned n = s * 32 + k, t = n % 7;
            SampleTile tile;
            tile.dX = static_cast<uint16_t>(16 * (k % 8));
            tile.dY = static_cast<uint16_t>(16 * (k / 8));
            tile.clutY = static_cast<uint16_t>(224 + s);
            tile.stX = static_cast<uint8_t>(pages[t] + (n / 7) % 2);
            tile.stY = pageRows[t];
            tile.stp = 1;
            tile.su = static_cast<uint8_t>(16 * ((n / 14) % 8));
            tile.sv = static_cast<uint8_t>((pageRows[t] ? 32 : 0) + 16 * ((n / 112) % 12));
            set.tiles.push_back(tile);
        }
        sets.push_back(set);
    }
    const std::vector<uint8_t> info = sampleTileInfoBuild(sets);
    ok = !info.empty() && put(dir + "/bg.0a", info) && ok;
    return ok ? 0 : 1;
}
