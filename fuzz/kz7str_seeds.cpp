// Writes the seed corpus of kz7str_fuzz: STR movies that import into the
// fuzz image, with and without options and header patches.
#include "fileutils.h"
#include "kz7strfuzz.h"

#include <cstdio>
#include <string>

namespace {

bool writeSeed(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    return fileSaveWhole(dir + "/" + name, bytes);
}

std::vector<uint8_t> seed(uint8_t options, uint8_t pos, uint8_t skip, const std::vector<uint8_t>& str,
                          const std::vector<uint8_t>& patches)
{
    std::vector<uint8_t> s = {options, pos, skip, static_cast<uint8_t>(str.size()),
                              static_cast<uint8_t>(str.size() >> 8)};
    s.insert(s.end(), str.begin(), str.end());
    s.insert(s.end(), patches.begin(), patches.end());
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    const std::string dir = argv[1];
    SampleStrHeader h;
    h.frame = 1;
    h.rlnght = 0x2000;
    h.qscale = 3;
    std::vector<uint8_t> two = sampleStrFrame(h, 9, sampleCdFiller(9 * sampleStrDataSize, 5));
    h.frame = 2;
    const auto second = sampleStrFrame(h, 10, sampleCdFiller(10 * sampleStrDataSize, 6));
    two.insert(two.end(), second.begin(), second.end());
    const auto one = sampleStrFrame(h, 2, sampleCdFiller(2 * sampleStrDataSize, 7));
    bool ok = writeSeed(dir, "two", seed(0, 147, 0, two, {}));
    ok &= writeSeed(dir, "skip-n", seed(2, 147, 1, one, {}));
    ok &= writeSeed(dir, "dump", seed(1, 147, 0, one, {}));
    // Width of sector 5 of the first frame, and a broken EDC of sector 4.
    ok &= writeSeed(dir, "patched", seed(0, 147, 0, one, {0x18, 0x2E, 0x01, 0x24, 0x26, 0x77}));
    return ok ? 0 : 1;
}
