// Writes the seed corpus of dfilehtype_fuzz: htype codes of every length.
#include "fileutils.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    const char* const codes[] = {"4", "44", "444", "4440", "41234", "404044", "40440042",
                                 "010004000400", "0100040004000a0z", "1234567", "z", "0"};
    bool ok = true;
    int n = 0;
    for (const char* code : codes) {
        const std::string name = std::string(argv[1]) + "/code" + std::to_string(n++);
        ok = fileSaveWhole(name, std::span(reinterpret_cast<const uint8_t*>(code), std::strlen(code))) && ok;
    }
    return ok ? 0 : 1;
}
