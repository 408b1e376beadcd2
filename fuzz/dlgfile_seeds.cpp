// Writes seed dialog files for dlgfile_fuzz into the directory argv[1].
#include "dlgtool/fixtures.h"

#include <cstdio>
#include <string>

using namespace dlgfix;

static void save(const std::string& dir, const std::string& name, const Bytes& b)
{
    if (FILE* f = std::fopen((dir + "/" + name).c_str(), "wb")) {
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    }
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    save(dir, "normal", dlgFile({{{0x10, 0x20}, 0x2050}, {game("hello|there$"), 0x0102},
                                 {varlenOpcode({{90, 0, {0x06, 0x01}}}), 0},
                                 {game("aaaaaaaaaaaa $|aaaa#"), 3}}));
    save(dir, "battle", dlgBattle({{game("ab|c"), 1}, {{}, 2}, {game("xyz"), 3}}));
    save(dir, "tiny", dlgBattle({{}}));
    save(dir, "odd", dlgFile({{{1}, 0}, {game("a"), 0}, {game("b"), 0}}, 1));
    Bytes zeros = dlgFile({{{0xF9, 0x07, 0, 0}, 0}, {game("ab\x07"), 0}});
    zeros.insert(zeros.end(), 5, 0);
    save(dir, "zeros", zeros);
    return 0;
}
