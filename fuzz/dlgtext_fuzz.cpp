// Fuzz target: the text file reader used by creation. The input is a text
// export, or (when it holds a 0x00 byte) a text export and a script file
// split at the first 0x00.
#include "create.h"
#include "dlgfuzz.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const DlgSettings s = dlgFuzzSetup();
    const uint8_t* cut = std::find(data, data + size, uint8_t{0});
    const std::span<const uint8_t> text(data, static_cast<size_t>(cut - data));
    const std::span<const uint8_t> script =
        cut == data + size ? std::span<const uint8_t>() : std::span<const uint8_t>(cut + 1, data + size);
    const DlgCreateInput in{text, "f.txt", cut == data + size ? nullptr : &script, "f.dls",
                            "f.dlg"};
    DlgCreated a, b;
    const int ra = dlgCreateMem(s, in, a);
    const int rb = dlgCreateMem(s, in, b);
    dlgFuzzCheck(ra == rb && a.block == b.block && a.count == b.count);
    if (ra == 1) {
        // What creation writes is a dialog file whose pointers stay inside it.
        const size_t records = a.battle ? a.count : 2 * size_t{a.count};
        for (size_t i = 0; i < records && 8 + 4 * i <= a.block.size(); ++i)
            dlgFuzzCheck(dlgfix::get16(a.block, 4 + 4 * i) + 4u <= a.block.size());
    }
    return 0;
}
