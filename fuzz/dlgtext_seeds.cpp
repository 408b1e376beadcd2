// Writes seed text exports (and text + 0x00 + script file) for dlgtext_fuzz.
#include "dlgtool/fixtures.h"

#include <cstdio>
#include <string>

using namespace dlgfix;

static void save(const std::string& dir, const std::string& name, const std::string& s)
{
    if (FILE* f = std::fopen((dir + "/" + name).c_str(), "wb")) {
        std::fwrite(s.data(), 1, s.size(), f);
        std::fclose(f);
    }
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    save(dir, "normal", textFile({{"<10><20>", 0x2050}, {"hello[n]there[V0001]", 0x102},
                                  {"", 0}, {"bye[e]", 3}}));
    save(dir, "battle", textFile({{"ab[n]c", 1}, {"", 2}}, true));
    save(dir, "script", textFile({{"hi", 1}, {"yo", 2}}) + std::string(1, '\0') +
                            textFile({{"<01>", 3}, {"<02>", 4}}));
    std::string damaged = textFile({{"<01>", 0}, {"abc", 0}, {"<02>", 0}, {"d", 0}});
    damaged.erase(damaged.find("*****\r\n"), 1);
    damaged.replace(damaged.find("[0000]") + 1, 4, "zz**");
    save(dir, "damaged", damaged);
    return 0;
}
