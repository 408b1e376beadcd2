// Reads arbitrary bytes as a data file through the header readers (counted
// and stream form, header inside the file and in a header file) and as a
// DFile. The first input byte picks the htype and the reader settings. A
// reader either throws one of the tool's texts or gives elements whose
// records start inside the file; DFile elements and their markers never
// add up to more than the file. Every run gives the same elements.
#include "dfiletool.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const htypes[] = {"4", "2", "44", "440", "4440", "4040", "404044", "40440042",
                              "04", "1", "0100040004000a02", "8", "0001", "2220",
                              "5a91", "c"};

char scratchDir[32] = "/tmp/dfilefuzz-XXXXXX";

void removeScratch()
{
    std::remove((std::string(scratchDir) + "/data.bin").c_str());
    ::rmdir(scratchDir);
}

std::string readAll(uint8_t pick, const std::string& name, int64_t fileSize)
{
    DFileTool t;
    std::string log;
    try {
        dfileParseHtype(t, htypes[pick % (sizeof htypes / sizeof *htypes)]);
        t.removeDuplicates = (pick & 0x10) != 0;
        t.hcount = (pick & 0x20) ? 3 : 0;
        t.sizeAdd = (pick & 0x40) ? INT32_MIN : 0;
        t.pbase = (pick & 0x08) ? INT32_MAX : 0;
        if (pick & 0x80)
            t.hfile = name;
        t.input = name;
        t.pmax = fileSize;
        dfileReadHFile(t, false);
        for (size_t i = 1; i < t.elements.size(); ++i)
            if (t.elements[i].pos < t.elements[i - 1].pos)
                std::abort();
        for (const Element& e : t.elements)
            if (e.index < 0 || dfileHeaderSize(t, e.index) + t.htype.psize > fileSize)
                std::abort();
        for (const Element& e : t.elements)
            log += std::to_string(e.pos) + "," + std::to_string(e.size) + ";";
    } catch (const DfileFailure& f) {
        log += f.text;
    }
    DFileTool d;
    d.mode = DfileMode::splitDFile;
    d.input = name;
    if (pick & 1) {
        d.marker = {'|', '|'};
        d.markerSize = 2;
    }
    try {
        dfileReadDFile(d);
        int64_t total = 0;
        for (const Element& e : d.elements)
            total += e.size + d.markerSize;
        if (total > fileSize)
            std::abort();
        log += "/" + std::to_string(d.elements.size());
    } catch (const DfileFailure& f) {
        log += f.text;
    }
    return log;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The readers log every record; the fuzzer needs none of it.
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    if (!::mkdtemp(scratchDir))
        std::abort();
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 0x10000)
        return 0;
    const std::string name = std::string(scratchDir) + "/data.bin";
    const std::vector<uint8_t> file(data + 1, data + size);
    if (fileSave(name, file, 0, "wb") != file.size())
        std::abort();
    const auto fileSize = static_cast<int64_t>(file.size());
    if (readAll(data[0], name, fileSize) != readAll(data[0], name, fileSize))
        std::abort();
    return 0;
}
