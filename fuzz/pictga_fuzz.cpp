// Feeds arbitrary bytes to the TGA reader of picreel: it must refuse or give
// a 24-bit picture of whole padded rows.
#include "picture.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PictureBlock block;
    const char* error = nullptr;
    std::string id;
    const auto pixels = picParseTga({data, size}, block, &error, &id);
    if (!pixels)
        return error ? 0 : (std::abort(), 0);
    const PictureHeader& h = block.header;
    if (h.biBitCount != 24 || h.biWidth <= 0 || h.biHeight <= 0 ||
        pixels->size() != picRowBytes(24, static_cast<uint32_t>(h.biWidth)) *
                              static_cast<uint64_t>(h.biHeight) ||
        id.size() > 255)
        std::abort();
    return 0;
}
