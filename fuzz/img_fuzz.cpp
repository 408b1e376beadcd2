// Feeds arbitrary bytes to imgtool as an archive: open, list, extract,
// recreate twice (the two results must be identical) and import into a copy
// (which must write only inside the files' spaces).
#include "fileutils.h"
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
int quietFd = -1;
int savedOut = -1;
int savedErr = -1;

// The tool's own messages for every input would flood the log: they go to
// /dev/null while an input runs, the sanitizers report on the real stderr.
void quiet(bool on)
{
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(on ? quietFd : savedOut, 1);
    dup2(on ? quietFd : savedErr, 2);
}

[[noreturn]] void fail(const char* what)
{
    quiet(false);
    std::fprintf(stderr, "img_fuzz: %s\n", what);
    std::abort();
}

std::vector<uint8_t> readAll(const std::string& name)
{
    const int64_t size = fileSizeF(name);
    std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
    if (size > 0 && fileLoad(name, bytes, 0) != size)
        fail("cannot read back an output");
    return bytes;
}

int recreate(const std::string& in, const std::string& out, std::string& prefix)
{
    auto a = imgOpen(in);
    if (!a)
        fail("an archive that opened once does not open again");
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
    quietFd = open("/dev/null", O_WRONLY);
    savedOut = dup(1);
    savedErr = dup(2);
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(savedErr)));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    namespace fs = std::filesystem;
    const std::string in = workDir + "/in.img";
    if (fileSave(in, {data, size}, 0, "wb") != size)
        return 0;
    quiet(true);
    imgSettings = ImgSettings{};
    auto a = imgOpen(in);
    if (!a) {
        quiet(false);
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
            fail("extraction changed the directory prefix");

        const int first = recreate(in, workDir + "/r1.img", prefix);
        const int second = recreate(in, workDir + "/r2.img", prefix);
        if (first != second || readAll(workDir + "/r1.img") != readAll(workDir + "/r2.img"))
            fail("recreation is not deterministic");
        if (first == 1 && readAll(workDir + "/r1.img").size() % imgSectorSize != 0)
            fail("recreated archive is not whole sectors");
        std::remove((workDir + "/r1.img").c_str());
        std::remove((workDir + "/r2.img").c_str());

        auto c = imgOpen(in);
        imgSettings.import = true;
        ArgList copy{{workDir + "/c.img"}};
        // Import writes only inside the files' spaces; a last sector cut
        // short may be completed, nothing more.
        const size_t whole = (size + imgSectorSize - 1) / imgSectorSize * imgSectorSize;
        if (!c)
            fail("a second open failed");
        // Files outside the archive refuse the import before it writes.
        const bool inside = imgCheckExtents(*c);
        if ((imgImport(prefix, *c, &copy) == 1) != inside)
            fail("import into a copy failed, or ran over files outside the archive");
        if (inside) {
            const size_t copySize = readAll(workDir + "/c.img").size();
            if (copySize < size || copySize > whole)
                fail("import into a copy wrote outside the archive's files");
        }
        std::remove((workDir + "/c.img").c_str());
    }
    quiet(false);
    return 0;
}
