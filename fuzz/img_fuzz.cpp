// Feeds arbitrary bytes to imgtool as an archive: open, list, extract,
// recreate twice (the two results must be identical) and import into a copy
// (which must write only inside the files' spaces).
#include "fileutils.h"
#include "fuzzharness.h"
#include "img.h"

#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string workDir;

int recreate(const std::string& in, const std::string& out, std::string& prefix)
{
    auto a = imgOpen(in);
    if (!a)
        fuzzFail("an archive that opened once does not open again");
    imgSettings.import = false;
    ArgList list{{out}};
    return imgImport(prefix, *a, &list);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char tmpl[] = "/tmp/img_fuzz-XXXXXX";
    if (!mkdtemp(tmpl))
        std::abort();
    workDir = tmpl;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(workDir, ec);
    });
    fuzzHarnessStart("img_fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    namespace fs = std::filesystem;
    const std::string in = workDir + "/in.img";
    if (fileSave(in, {data, size}, 0, "wb") != size)
        return 0;
    fuzzQuiet(true);
    imgSettings = ImgSettings{};
    auto a = imgOpen(in);
    if (!a) {
        fuzzQuiet(false);
        return 0;
    }
    imgList(*a);
    // Extraction writes one file per table entry: keep each input cheap.
    uint64_t files = 0;
    for (const ImgDirEntry& d : a->dirs)
        files += d.type == imgType4 ? 0 : d.files;
    if (files <= 512) {
        const std::string tree = workDir + "/tree";
        fs::remove_all(tree);
        fs::create_directory(tree);
        std::string prefix = tree + "/";
        imgSettings.decode = size % 2 == 1;
        imgSettings.shortNames = size % 3 == 1;
        imgSettings.useSubdirs = size % 5 != 1;
        imgExtractAll(prefix, *a, nullptr);
        if (prefix != tree + "/")
            fuzzFail("extraction changed the directory prefix");

        const int first = recreate(in, workDir + "/r1.img", prefix);
        const int second = recreate(in, workDir + "/r2.img", prefix);
        if (first != second || fuzzReadAll(workDir + "/r1.img") != fuzzReadAll(workDir + "/r2.img"))
            fuzzFail("recreation is not deterministic");
        if (first == 1 && fuzzReadAll(workDir + "/r1.img").size() % imgSectorSize != 0)
            fuzzFail("recreated archive is not whole sectors");
        std::remove((workDir + "/r1.img").c_str());
        std::remove((workDir + "/r2.img").c_str());

        auto c = imgOpen(in);
        imgSettings.import = true;
        ArgList copy{{workDir + "/c.img"}};
        // Import writes only inside the files' spaces; a last sector cut
        // short may be completed, nothing more.
        const size_t whole = (size + imgSectorSize - 1) / imgSectorSize * imgSectorSize;
        if (!c)
            fuzzFail("a second open failed");
        // Files outside the archive refuse the import before it writes.
        const bool inside = imgCheckExtents(*c);
        if ((imgImport(prefix, *c, &copy) == 1) != inside)
            fuzzFail("import into a copy failed, or ran over files outside the archive");
        if (inside) {
            const size_t copySize = fuzzReadAll(workDir + "/c.img").size();
            if (copySize < size || copySize > whole)
                fuzzFail("import into a copy wrote outside the archive's files");
        }
        std::remove((workDir + "/c.img").c_str());
    }
    fuzzQuiet(false);
    return 0;
}
