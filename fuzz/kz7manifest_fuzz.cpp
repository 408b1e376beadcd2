// Reads a project manifest from arbitrary bytes. Whatever the reader
// accepts must survive being written and read again unchanged, and the
// result must be the same every time.
#include "manifest.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto m = manifestFromJson(text, error);
    std::string again;
    if (manifestFromJson(text, again).has_value() != m.has_value() || error != again)
        std::abort();
    if (!m)
        return 0;
    const std::string written = manifestToJson(*m);
    const auto back = manifestFromJson(written, error);
    if (!back || manifestToJson(*back) != written)
        std::abort();
    return 0;
}
