// Writes the seed corpus of bginfo_fuzz: the sample game's tile info and TIMs.
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
    for (const auto& [name, bytes] : seeds) {
        FILE* f = std::fopen((std::string(argv[1]) + "/" + name).c_str(), "wb");
        ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && ok;
        ok = f && std::fclose(f) == 0 && ok;
    }
    return ok ? 0 : 1;
}
