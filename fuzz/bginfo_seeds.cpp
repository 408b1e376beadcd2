// Writes the seed corpus of bginfo_fuzz (and bgtim_fuzz): the sample game's tile info and TIMs.
#include "fileutils.h"
#include "sampletim.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    const SampleBackground bg = sampleBackgroundBuild(1);
    const std::pair<const char*, std::vector<uint8_t>> seeds[] = {
        {"palettes.tim", bg.palettes}, {"texture8.tim", bg.texture8}, {"texture4.tim", bg.texture4},
        {"font.tim", sampleFontTim()}, {"title.tim", sampleTitleTim()}, {"bg.0a", bg.tileInfo}};
    bool ok = true;
    for (const auto& [name, bytes] : seeds)
        ok = fileSaveWhole(std::string(argv[1]) + "/" + name, bytes) && ok;
    return ok ? 0 : 1;
}
