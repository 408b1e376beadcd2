// Writes seed pictures for picbmp_fuzz into the directory given: the test
// fixtures' BMPs of every depth and header form.
#include "picreel/fixtures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    int n = 0;
    bool ok = true;
    for (uint16_t bits : {1, 4, 8, 24, 32})
        for (uint32_t header : {40u, 124u}) {
            BmpFixture s;
            s.bits = bits;
            s.width = 7;
            s.headerSize = header;
            s.topDown = n % 3 == 1;
            const Bytes b = bmpBuild(s);
            const std::string path = std::string(argv[1]) + "/seed" + std::to_string(n++) + ".bmp";
            FILE* f = std::fopen(path.c_str(), "wb");
            ok = f && std::fwrite(b.data(), 1, b.size(), f) == b.size() && std::fclose(f) == 0 && ok;
        }
    return ok ? 0 : 1;
}
