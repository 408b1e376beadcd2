// Fuzz target: the dialog file reader (converting and raw extraction, with
// and without scripts) and recomputation of the same bytes.
#include "dlgfuzz.h"
#include "extract.h"
#include "recompute.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const DlgSettings s = dlgFuzzSetup();
    const std::span<const uint8_t> file(data, size);
    for (const bool split : {false, true}) {
        DlgExtractOutput a, b;
        const int ra = dlgExtractMem(s, file, "f.dlg", split, a);
        const int rb = dlgExtractMem(s, file, "f.dlg", split, b);
        dlgFuzzCheck(ra == rb && a.text == b.text && a.script == b.script);
        DlgExtractOutput c, d;
        const int rc = dlgExtractRawMem(file, "f.dlg", split, c);
        const int rd = dlgExtractRawMem(file, "f.dlg", split, d);
        dlgFuzzCheck(rc == rd && c.text == d.text && c.script == d.script);
    }

    static DlgLengths lengths = [] {
        DlgLengths t;
        (void)tblLengthsParse(dlgfix::bytes(dlgfix::lengthsTable(60, "\\xF9\\x07\\c02=\\ls\r\n")), t);
        return t;
    }();
    static Kz7Varlen varlen;
    static const bool varlenOk = kz7varlenCreate(varlen);
    if (size < 8)
        return 0;
    DlgSettings r = s;
    r.recompute = true;
    r.lengths = &lengths;
    r.varlen = varlenOk ? &varlen : nullptr;
    r.mode = data[size - 1] & 3;
    const DlgHeader h = dlgReadHeader(file);
    std::vector<uint8_t> one(data, data + size), two(data, data + size);
    const auto ro = dlgRecompute(one, h.count, h.battle(), "f.dlg", r);
    const auto rt = dlgRecompute(two, h.count, h.battle(), "f.dlg", r);
    dlgFuzzCheck(ro == rt && one == two);
    return 0;
}
