// Writes the seed corpus of bgimport_fuzz: the pictures of the sample game's
// first background as bgtool -e draws them.
#include "bgextract.h"
#include "sampletim.h"

#include "fileutils.h"
#include "platform.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    const std::string dir = argv[1];
    const SampleBackground bg = sampleBackgroundBuild(1);
    platformMkdir(dir + "/tims");
    bool ok = fileSaveWhole(dir + "/bg.0a", bg.tileInfo) && fileSaveWhole(dir + "/tims/pal.tim", bg.palettes) &&
              fileSaveWhole(dir + "/tims/tex8.tim", bg.texture8) &&
              fileSaveWhole(dir + "/tims/tex4.tim", bg.texture4);
    backgroundExtract(dir + "/bg.0a", dir + "/tims", dir + "/seed");
    for (const char* f : {"/bg.0a", "/tims/pal.tim", "/tims/tex8.tim", "/tims/tex4.tim"})
        std::remove((dir + f).c_str());
    std::remove((dir + "/tims").c_str());
    return ok ? 0 : 1;
}
