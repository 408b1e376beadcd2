// Feeds arbitrary STR files and mutated CD image headers to the import:
// nothing may crash or touch memory outside its buffers, the image keeps its
// size, and no byte changes outside the movie data, rlnght, qscale and EDC of
// the video sectors of the frames from the start position on.
#include "fileutils.h"
#include "fuzzharness.h"
#include "kz7str.h"
#include "kz7strfuzz.h"

#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string workDir;
int homeFd = -1;  // the current directory libFuzzer was started in

// May byte `at` of the image change when the frames start at `start`?
bool mayChange(size_t at, int64_t start)
{
    if (static_cast<int64_t>(at) < start)
        return false;
    const size_t rel = static_cast<size_t>(static_cast<int64_t>(at) - start) % KZ7StrFrameSize;
    const size_t sector = rel / MODE2_SECTOR_SIZE, in = rel % MODE2_SECTOR_SIZE;
    if (sector < KZ7StrFrameVSectorFirst)
        return false;
    const size_t h = in - CDXAHeaderSize;  // within the movie header when below 32
    return in >= CDXAHeaderSize + PSXStrChunkHeaderSize || (in >= CDXAHeaderSize && (h == 20 || h == 21 || h == 24 || h == 25));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char tmpl[] = "/tmp/kz7str_fuzz-XXXXXX";
    if (!mkdtemp(tmpl))
        std::abort();
    workDir = tmpl;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(workDir, ec);
    });
    homeFd = open(".", O_RDONLY | O_DIRECTORY);
    fuzzHarnessStart("kz7str_fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kz7strFuzzHead)
        return 0;
    const size_t strLen = std::min<size_t>(data[3] | data[4] << 8, size - kz7strFuzzHead);
    std::vector<uint8_t> str(data + kz7strFuzzHead, data + kz7strFuzzHead + strLen);
    str.resize((str.size() + PSXStrChunkSize - 1) / PSXStrChunkSize * PSXStrChunkSize, 0);
    std::vector<uint8_t> img = kz7strFuzzImage();
    for (size_t p = kz7strFuzzHead + strLen; p + 3 <= size; p += 3)
        img[(data[p] | data[p + 1] << 8) % img.size()] = data[p + 2];
    const std::string imgName = workDir + "/cd.bin", strName = workDir + "/m.str";
    if (fileSave(imgName, img, 0, "wb") != img.size() || fileSave(strName, str, 0, "wb") != str.size())
        return 0;

    const int64_t pos = int64_t{data[1]} * 16, skip = data[2] % 4;
    kz7strSetSavepsxStrData(data[0] & 1);
    kz7strDoNotUpdateHeader(data[0] & 2 ? 0 : 1);
    // Frame dumps land in the current directory: the work directory, for
    // the import only (libFuzzer's paths may be relative).
    if (chdir(workDir.c_str()) != 0)
        fuzzFail("cannot enter the work directory");
    fuzzQuiet(true);
    kz7strImportPsxStr(imgName, strName, pos, skip);
    fuzzQuiet(false);
    if (fchdir(homeFd) != 0)
        fuzzFail("cannot return to the starting directory");
    for (const auto& e : std::filesystem::directory_iterator(workDir))
        if (e.path().filename().string().starts_with("strf"))
            std::filesystem::remove(e.path());

    const std::vector<uint8_t> after = fuzzReadAll(imgName);
    if (after.size() != img.size())
        fuzzFail("the image changed its size");
    for (size_t i = 0; i < img.size(); ++i)
        if (after[i] != img[i] && !mayChange(i, pos + skip * static_cast<int64_t>(KZ7StrFrameSize)))
            fuzzFail("a byte outside the movie data, rlnght, qscale and EDCs changed");
    return 0;
}
