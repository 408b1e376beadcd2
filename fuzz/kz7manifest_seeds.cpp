// Writes the seed corpus of kz7manifest_fuzz: manifests as kz7 writes them.
#include "fileutils.h"
#include "manifest.h"

#include <cstdio>
#include <string>

namespace {

bool writeSeed(const std::string& dir, const std::string& name, const std::string& text)
{
    return fileSaveWhole(dir + "/" + name, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 1;
    }
    const std::string dir = argv[1];
    Manifest m;
    m.game = "/games/kz7";
    m.imgSize = 40960;
    m.imgHash = "fnv1a64:0e01e00b12466efa";
    bool ok = writeSeed(dir, "empty.json", manifestToJson(m));
    m.files.push_back({"kz7.tbs", "table", "GAME/kz7.tbs", 655, "fnv1a64:916415eda5fd9d62"});
    m.files.push_back({"files/01/01_0000/06/00_00_0100.txt", "text", "01/01_0000.db:06/00_00_0100.dlg (converted)",
                       272, "fnv1a64:0123456789abcdef"});
    m.files.push_back({"files/02/a \"b\"\\\t", "file", "kz7.img:02/x", 0, "fnv1a64:00"});
    ok = writeSeed(dir, "files.json", manifestToJson(m)) && ok;
    return ok ? 0 : 1;
}
