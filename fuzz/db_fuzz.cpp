// Opens a DB archive from arbitrary bytes and walks it: header, pointer
// table, chunks, every file extent and name, the listing; then recreates it
// from an empty DIR twice. Nothing may read or write outside the input, and
// both the walk and the recreation must give the same result every time.
#include "db.h"

#include "fileutils.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string walk(const std::vector<uint8_t>& bytes, int64_t& copied)
{
    copied = 0;
    const DbReader reader = [&bytes](uint64_t pos, std::span<uint8_t> out) -> int64_t {
        if (pos >= bytes.size())
            return 0;
        const size_t n = std::min<size_t>(out.size(), bytes.size() - pos);
        std::copy_n(bytes.begin() + static_cast<long>(pos), n, out.begin());
        return static_cast<int64_t>(n);
    };
    const auto a = dbOpenReader("fuzz.db", static_cast<int64_t>(bytes.size()), reader);
    if (!a)
        return "";
    char* text = nullptr;
    size_t len = 0;
    FILE* out = open_memstream(&text, &len);
    dbList(*a, out);
    for (unsigned i = 0; i < a->chunkCount; ++i) {
        const DbChunk& c = a->chunks[i];
        for (unsigned j = 0; j < c.n; ++j) {
            const DbExtent e = dbFileExtent(c, j);
            const bool inside = dbExtentInFile(*a, e.position, e.size);
            if (inside && e.size > 0 && e.position + e.size > a->size)
                std::abort();
            if (inside)
                copied += e.size;
            std::fprintf(out, "%s %lld %lld %d\n", dbFileName("d/", *a, i, j, ".x").c_str(),
                         static_cast<long long>(e.position), static_cast<long long>(e.size),
                         inside);
        }
    }
    std::fclose(out);
    std::string result(text, len);
    std::free(text);
    return result;
}

// A directory of this process for the files of the recreation; a plain
// array, so it still exists when the exit handler removes it.
char scratchDir[32] = "/tmp/dbfuzz-XXXXXX";

void removeScratch()
{
    std::remove((std::string(scratchDir) + "/in.db").c_str());
    std::remove(scratchDir);
}

std::string scratch()
{
    static const bool made = [] {
        if (!mkdtemp(scratchDir))
            std::abort();
        std::atexit(removeScratch);
        return true;
    }();
    (void)made;
    return scratchDir;
}

std::vector<uint8_t> recreate(const std::string& in, const std::string& outName)
{
    auto a = dbOpen(in);
    if (!a)
        return {};
    dbSettings = {};
    dbSettings.align = true;
    ArgList list{{outName}};
    std::string prefix = scratch() + "/dir/";
    dbImport(prefix, *a, &list);
    std::vector<uint8_t> bytes;
    const int64_t size = fileSizeF(outName);
    if (size > 0) {
        bytes.resize(static_cast<size_t>(size));
        if (fileLoad(outName, bytes, 0) != size)
            std::abort();
    }
    std::remove(outName.c_str());
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    int64_t copied = 0;
    const std::string first = walk(bytes, copied);
    if (walk(bytes, copied) != first)
        std::abort();
    // Overlapping extents can make a rebuilt DB far larger than its input;
    // such inputs are only walked.
    if (first.empty() || copied > (int64_t{1} << 20))
        return 0;
    const std::string in = scratch() + "/in.db";
    if (fileSave(in, bytes, 0, "wb") != bytes.size())
        return 0;
    if (recreate(in, scratch() + "/a.db") != recreate(in, scratch() + "/b.db"))
        std::abort();
    return 0;
}
