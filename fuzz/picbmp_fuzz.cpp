// Feeds arbitrary bytes to the BMP reader of picreel: it must refuse or
// give a picture whose pixel rows are exactly as long as its header says.
#include "picture.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PictureBlock block;
    const char* error = nullptr;
    const auto pixels = picParseBmp({data, size}, block, &error);
    if (!pixels)
        return error ? 0 : (std::abort(), 0);
    const PictureHeader& h = block.header;
    if (h.biWidth <= 0 || h.biHeight <= 0 ||
        pixels->size() != picRowBytes(h.biBitCount, static_cast<uint32_t>(h.biWidth)) *
                              static_cast<uint64_t>(h.biHeight) ||
        pixels->size() != h.biSizeImage || h.biClrUsed > picPaletteEntries)
        std::abort();
    return 0;
}
