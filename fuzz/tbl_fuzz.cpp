// Table parser and converter: the input is a table text, a 0xFF 0x00 0xFF
// marker and the bytes to convert. The first byte picks the form and the
// direction. Conversion must not crash, must give the same output twice and,
// in the tools' form, the output of a plain sorted scan of the entries.
#include "tbl.h"
#include "tbl/reference.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    const uint8_t* begin = data + 1;
    const uint8_t* end = data + size;
    static constexpr uint8_t marker[] = {0xFF, 0x00, 0xFF};
    const uint8_t* split = std::search(begin, end, std::begin(marker), std::end(marker));
    std::vector<uint8_t> text(begin, split);
    const uint8_t* in = split == end ? end : split + sizeof marker;
    const std::span<const uint8_t> input(in, static_cast<size_t>(end - in));

    tblReset();
    tblForm = flags & 1 ? TblForm::dfile : TblForm::tools;
    tblSetShrink(flags & 4 ? 0 : 1);
    if (tblInitMem(std::move(text)) != 1)
        std::abort();
    const bool reverse = flags & 2;
    std::vector<uint8_t> first;
    std::vector<uint8_t> second = {0x55};
    const int r1 = reverse ? tblConvertReverse(input, first) : tblConvert(input, first);
    const int r2 = reverse ? tblConvertReverse(input, second) : tblConvert(input, second);
    if (r1 != r2 || r1 < 0 || static_cast<size_t>(r1) > input.size())
        std::abort();
    if (tblForm == TblForm::tools && static_cast<size_t>(r1) != input.size())
        std::abort();
    if (second.size() != first.size() + 1 || !std::equal(first.begin(), first.end(), second.begin() + 1))
        std::abort();
    const TblData& table = *tblCurrent().data;
    const std::vector<TblEntry>& entries = reverse ? table.reverse.entries : table.forward.entries;
    // The scan tries every entry at every position: keep it to small cases.
    if (tblForm == TblForm::tools && (entries.size() + 1) * (input.size() + 1) < (1u << 20)) {
        const std::string expected = tblReferenceConvert(entries, tblCurrent().copyUnmatched != 0,
                                                         std::string(input.begin(), input.end()));
        if (expected != std::string(first.begin(), first.end()))
            std::abort();
    }
    // Slots hold the same table.
    if (tblSave() != 0 || tblSelect(0) != 1)
        std::abort();
    std::vector<uint8_t> third;
    reverse ? tblConvertReverse(input, third) : tblConvert(input, third);
    if (third != first)
        std::abort();
    tblReset();
    tblForm = TblForm::tools;
    return 0;
}
