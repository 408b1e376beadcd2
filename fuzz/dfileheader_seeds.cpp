// Writes the seed corpus of dfileheader_fuzz: a pick byte followed by a data
// file or a DFile from the test fixtures.
#include "dfiletool/fixtures.h"
#include "fileutils.h"

#include <cstdio>
#include <string>

namespace {

bool writeSeed(const std::string& dir, const std::string& name, uint8_t pick, const DfileBytes& bytes)
{
    DfileBytes seed{pick};
    seed.insert(seed.end(), bytes.begin(), bytes.end());
    return fileSaveWhole(dir + "/" + name, seed);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    const std::string dir = argv[1];
    const DfileBytes data = dfileFixtureData({"AB", "C", "", "DEFG"});
    bool ok = writeSeed(dir, "counted", 4, data);
    ok = writeSeed(dir, "counted-dups", 4 | 0x10, data) && ok;
    DfileBytes positions;
    for (uint32_t p : {16u, 20u, 24u, 28u})
        dfileFixtureLe(positions, p, 4);
    positions.resize(40, 'x');
    ok = writeSeed(dir, "stream", 0, positions) && ok;
    ok = writeSeed(dir, "stream-hfile", 0x80, positions) && ok;
    ok = writeSeed(dir, "dfile", 2, dfileFixtureText(dfileFixtureDFile({"AB", "C", "xyz"}))) && ok;
    ok = writeSeed(dir, "bars", 3, dfileFixtureText("a||bb||c")) && ok;
    return ok ? 0 : 1;
}
