// Fuzz target: the lengths table reader and the measurement of a dialog
// text. The input is a lengths table, a 0x00 byte and the dialog text.
#include "dlgfuzz.h"
#include "lengths.h"
#include "recompute.h"
#include "varlen.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    (void)dlgFuzzSetup();
    const uint8_t* cut = std::find(data, data + size, uint8_t{0});
    const std::span<const uint8_t> table(data, static_cast<size_t>(cut - data));
    const std::vector<uint8_t> text(cut == data + size ? cut : cut + 1, data + size);

    DlgLengths t;
    if (!tblLengthsParse(table, t))
        return 0;
    static Kz7Varlen va, vb;
    static const bool ok = kz7varlenCreate(va) && kz7varlenCreate(vb);
    if (!ok)
        return 0;
    std::vector<uint8_t> ta = text, tb = text;
    const DlgMeasure ma = dlgMeasure(t, ta, &va);
    const DlgMeasure mb = dlgMeasure(t, tb, &vb);
    dlgFuzzCheck(ma.maxWidth == mb.maxWidth && ma.maxHeight == mb.maxHeight &&
                 ma.maxLines == mb.maxLines && ma.abandoned == mb.abandoned && ta == tb &&
                 va.data == vb.data);

    // Feed the new data to the compare against itself and against the old
    // bytes of the text, as an opcode of a script would be.
    std::vector<uint8_t> self = va.data;
    (void)kz7varlenCompareUpdate(self, va.data, 1);
    std::vector<uint8_t> old = text;
    (void)kz7varlenCompareUpdate(old, va.data, 2);
    return 0;
}
