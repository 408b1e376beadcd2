// Writes seed archives for img_fuzz into the directory given: the test
// fixtures' sample archive and variations of its directory kinds.
#include "imgtool/fixtures.h"

#include <cstdio>
#include <string>

namespace {

bool writeSeed(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes)
{
    const std::string path = dir + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Keeps seeds small: file data of a few bytes still spans whole sectors.
ImgFixArchive small(ImgFixArchive arc)
{
    for (auto& d : arc.dirs)
        for (auto& f : d.files)
            if (f.data.size() > 2048)
                f.data.resize(2049);
    return arc;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    const std::string dir = argv[1];
    bool ok = true;

    ImgFixArchive sample = small(imgFixSample());
    ok &= writeSeed(dir, "sample.img", imgFixBuild(sample).bytes);

    ImgFixArchive gaps = sample;
    gaps.dirs[0].gapAfter = 1;
    gaps.trailer = imgFixPattern(300, 7);
    ok &= writeSeed(dir, "gaps.img", imgFixBuild(gaps).bytes);

    ImgFixArchive type3;
    ImgFixDir d;
    d.type = 3;
    d.leadingUnused = 2;
    d.files = {{imgFixPattern(10, 1), 0, 0, 3}, {{}, 0, 0, 0}, {imgFixDbData(20), 0, 0, 1}};
    type3.dirs = {d};
    ok &= writeSeed(dir, "type3.img", imgFixBuild(type3).bytes);

    ImgFixArchive type2;
    ImgFixDir e;
    e.files = {{imgFixTimData(40, 2), 0x10, 0x20, 0}, {imgFixPattern(5, 2), 0xFFFF, 0xFFFF, 0}};
    type2.dirs = {e, e};
    type2.unknown1 = 5;
    ok &= writeSeed(dir, "type2.img", imgFixBuild(type2).bytes);

    ImgFixArchive only4;
    ok &= writeSeed(dir, "only4.img", imgFixBuild(only4).bytes);

    std::vector<uint8_t> cut = imgFixBuild(sample).bytes;
    cut.resize(cut.size() - 1000);
    ok &= writeSeed(dir, "cut.img", cut);
    return ok ? 0 : 1;
}
