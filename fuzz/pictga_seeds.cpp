// Writes seed pictures for pictga_fuzz into the directory given: true
// colour and colour-mapped TGAs, raw and run-length coded.
#include "picreel/fixtures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    std::vector<TgaFixture> seeds;
    TgaFixture t;
    t.data = Bytes(18, 7);
    seeds.push_back(t);
    t.type = 10;
    t.depth = 32;
    t.descriptor = 0x30;
    t.data = {0x82, 1, 2, 3, 4, 0x02, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    seeds.push_back(t);
    TgaFixture m;
    m.type = 9;
    m.depth = 8;
    m.mapType = 1;
    m.mapLength = 2;
    m.map = {1, 2, 3, 4, 5, 6};
    m.id = "seed";
    m.data = {0x85, 1};
    seeds.push_back(m);
    bool ok = true;
    for (size_t i = 0; i < seeds.size(); ++i) {
        const Bytes b = tgaBuild(seeds[i]);
        const std::string path = std::string(argv[1]) + "/seed" + std::to_string(i) + ".tga";
        FILE* f = std::fopen(path.c_str(), "wb");
        ok = f && std::fwrite(b.data(), 1, b.size(), f) == b.size() && std::fclose(f) == 0 && ok;
    }
    return ok ? 0 : 1;
}
