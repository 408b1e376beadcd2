// Reads a TIM from arbitrary bytes, places it into VRAM and takes it back:
// nothing may read or write outside the input or VRAM, the length to save
// stays inside the loaded bytes, and the same input gives the same result.
#include "bgtim.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    auto tim = timParse(bytes, "fuzz.tim");
    if (!tim)
        return 0;
    if (timSaveLength(*tim) > size || timSaveLength(*tim) < tim->image.dataAt() + tim->image.dataBytes())
        std::abort();
    PsxVram vram = *psxVramCreate();
    psxVramPutTim(vram, &*tim);
    TimImage back = *tim;
    const TileSource s{tim->image.x / 64u, tim->image.y / 256u, 0, tim->image.y & 0xFFu, 0,
                       tim->image.y};
    uint8_t table[768] = {};
    uint8_t pixels[16 * 16 * 3];
    tileToPicture4(vram, s, table, {pixels, 16, 16}, 0, 0);
    tileToPicture8(vram, s, table, {pixels, 16, 16}, 0, 0);
    if (timParse(bytes, "fuzz.tim")->data != tim->data)
        std::abort();
    return 0;
}
