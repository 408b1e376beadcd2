// Imports a mutated picture into a small valid background (the sample
// game's first one): no read or write outside a buffer, and the same input
// gives the same tile info file and TIMs every time.
#include "bgimport.h"
#include "sampletim.h"

#include "fileutils.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

char scratch[32] = "/tmp/bgimportfuzz-XXXXXX";
const char* const outputs[] = {"bg.0a", "pal.tim", "tex4.tim", "tex8.tim"};

void removeScratch()
{
    const std::string d = scratch;
    for (const char* sub : {"/out1/", "/out2/", "/tims/"})
        for (const char* f : outputs)
            std::remove((d + sub + f).c_str());
    for (const char* f : {"/bg.0a", "/x_000_0102.bmp", "/x_001_0203_4bit.bmp"})
        std::remove((d + f).c_str());
    for (const char* sub : {"/out1", "/out2", "/tims", ""})
        rmdir((d + sub).c_str());
}

bool prepare()
{
    if (!mkdtemp(scratch))
        return false;
    std::atexit(removeScratch);
    const std::string d = scratch;
    const SampleBackground bg = sampleBackgroundBuild(1);
    for (const char* sub : {"/out1", "/out2", "/tims"})
        mkdir((d + sub).c_str(), 0777);
    return fileSaveWhole(d + "/bg.0a", bg.tileInfo) && fileSaveWhole(d + "/tims/pal.tim", bg.palettes) &&
           fileSaveWhole(d + "/tims/tex8.tim", bg.texture8) && fileSaveWhole(d + "/tims/tex4.tim", bg.texture4);
}

std::vector<std::vector<uint8_t>> importOnce(const std::string& out)
{
    const std::string d = scratch;
    backgroundImport(d + "/bg.0a", d + "/tims", d + "/x", d + "/" + out + "/");
    std::vector<std::vector<uint8_t>> files;
    for (const char* f : outputs)
        files.push_back(fileLoadFile(d + "/" + out + "/" + f).value_or(std::vector<uint8_t>{}));
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = prepare();
    if (!ready)
        return 0;
    const std::string d = scratch;
    // The input is the 8-bit set's picture; the first byte also picks the
    // 4-bit set's name, so both kinds of set are imported.
    const bool four = size > 0 && (data[0] & 1);
    std::remove((d + "/x_000_0102.bmp").c_str());
    std::remove((d + "/x_001_0203_4bit.bmp").c_str());
    if (!fileSaveWhole(d + (four ? "/x_001_0203_4bit.bmp" : "/x_000_0102.bmp"), {data, size}))
        return 0;
    if (importOnce("out1") != importOnce("out2"))
        std::abort();
    return 0;
}
