// Parses arbitrary text as a data file tool htype. A code is either refused
// with one of the tool's texts or gives fields the model can hold: no
// negative width, a count field of at most 4 bytes, position and size fields
// of at most 8, and a record length that is their sum. The same text gives
// the same result every time.
#include "dfiletool.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string parse(const std::string& text, HeaderType& h)
{
    DFileTool t;
    try {
        dfileParseHtype(t, text);
    } catch (const DfileFailure& f) {
        return f.text;
    }
    h = t.htype;
    return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 24)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    HeaderType a, b;
    const std::string ra = parse(text, a);
    const std::string rb = parse(text, b);
    if (ra != rb)
        std::abort();
    if (!ra.empty())
        return 0;
    const int32_t f[] = {a.csize, a.cgap, a.psize, a.pgap, a.ssize, a.sgap, a.gcount, a.gskip};
    for (int32_t v : f)
        if (v < 0 || v > 35 * 36 + 35)
            std::abort();
    if (a.esize != a.psize + a.pgap + a.ssize + a.sgap)
        std::abort();
    DFileTool t;
    t.htype = a;
    for (int64_t n = 0; n < 40; ++n)
        if (dfileHeaderSize(t, n + 1) < dfileHeaderSize(t, n))
            std::abort();
    return 0;
}
