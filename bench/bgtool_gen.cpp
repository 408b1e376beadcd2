// Writes a synthetic background for the bgtool benchmark: 1024 x 512 pixels
// in 64 tile sets (an 8 x 8 grid of 128 x 64 areas) of 8-bit tiles, 64
// palettes of 256 colours in one palette image and 7 texture TIMs.
// Usage: bgtool_gen DIR        writes DIR/bg.0a and DIR/tims/*.tim
//        bgtool_gen edit DIR   edits every cell of the tile sets' areas in the
//   64 pictures DIR/out/*.bmp that bgtool -e wrote (a seeded random third of
//   the pixels get a palette colour changed by one step per channel) into
//   DIR/edited/, and writes the whole edited background DIR/edited.bmp and
//   palette 0 as a picture DIR/palette.bmp for ImageMagick's -remap.
#include "sampletim.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>
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

std::vector<uint8_t> get(const std::string& path)
{
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

// A 24-bit bottom-up BMP of width x height from rows given top first.
std::vector<uint8_t> bmp(unsigned width, unsigned height, const std::vector<uint8_t>& rows)
{
    const size_t stride = (width * 3 + 3) & ~3u;
    std::vector<uint8_t> out(54 + stride * height, 0);
    auto put32 = [&out](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k)
            out[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    out[26] = 1;
    out[28] = 24;
    put32(34, static_cast<uint32_t>(stride * height));
    for (unsigned y = 0; y < height; ++y)
        std::memcpy(&out[54 + (height - 1 - y) * stride], &rows[size_t{y} * width * 3], width * 3);
    return out;
}

int edit(const std::string& dir)
{
    const std::vector<uint8_t> palTim = get(dir + "/tims/pal.tim");
    if (palTim.size() < 20 + 256 * 64 * 2)
        return 1;
    auto colour = [&palTim](size_t k) { return uint16_t(palTim[20 + 2 * k] | palTim[21 + 2 * k] << 8); };
    mkdir((dir + "/edited").c_str(), 0777);
    std::vector<std::string> names;
    if (DIR* d = opendir((dir + "/out").c_str())) {
        while (dirent* e = readdir(d))
            if (std::strstr(e->d_name, ".bmp"))
                names.push_back(e->d_name);
        closedir(d);
    }
    const unsigned w = 1024, h = 512;
    std::vector<uint8_t> all(size_t{w} * h * 3, 0);
    uint32_t seed = 777;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    bool ok = names.size() == 64;
    for (const std::string& name : names) {
        const std::vector<uint8_t> in = get(dir + "/out/" + name);
        if (in.size() != 54 + size_t{w} * h * 3)
            return 1;
        std::vector<uint8_t> rows(size_t{w} * h * 3);
        for (unsigned y = 0; y < h; ++y)
            std::memcpy(&rows[size_t{y} * w * 3], &in[54 + size_t(h - 1 - y) * w * 3], w * 3);
        for (size_t p = 0; p < size_t{w} * h; ++p) {
            uint8_t* px = &rows[3 * p];
            if (px[0] == 0 && px[1] == 0 && px[2] == 0xFF)
                continue;  // outside the set's area
            if (next() % 3 == 0) {
                const uint16_t c = colour(next() % (256 * 64));
                const unsigned r = (c & 31) ^ 1, g = ((c >> 5) & 31) ^ 1, b = ((c >> 10) & 31) ^ 1;
                px[0] = static_cast<uint8_t>(b << 3);
                px[1] = static_cast<uint8_t>(g << 3);
                px[2] = static_cast<uint8_t>(r << 3);
            }
            std::memcpy(&all[3 * p], px, 3);
        }
        ok = put(dir + "/edited/" + name, bmp(w, h, rows)) && ok;
    }
    std::vector<uint8_t> pal(256 * 3);
    for (unsigned k = 0; k < 256; ++k) {
        const uint16_t c = colour(k);
        pal[3 * k] = static_cast<uint8_t>(((c >> 10) & 31) << 3);
        pal[3 * k + 1] = static_cast<uint8_t>(((c >> 5) & 31) << 3);
        pal[3 * k + 2] = static_cast<uint8_t>((c & 31) << 3);
    }
    ok = put(dir + "/palette.bmp", bmp(16, 16, pal)) && ok;
    ok = put(dir + "/edited.bmp", bmp(w, h, all)) && ok;
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "edit") == 0)
        return edit(argv[2]);
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
