// Reads a BMP from arbitrary bytes into a small picture buffer: nothing may
// be read outside the input or written outside the buffers, and the same
// input gives the same pixels.
#include "bgbmp.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    std::vector<uint8_t> a(64 * 64 * 4), b(64 * 64 * 4), table(1024);
    const BmpLoaded ra = bmpParse(file, "fuzz.bmp", a, table, true);
    const BmpLoaded rb = bmpParse(file, "fuzz.bmp", b, table, true);
    if (ra.ok != rb.ok || a != b)
        std::abort();
    return 0;
}
