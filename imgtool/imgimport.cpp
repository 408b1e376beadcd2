// Mode 3: walks the archive's own tables, builds for every entry the name
// extraction wrote and uses the DIR file of that name if there is one.
// Import writes files over their old space; recreation appends every file to
// a new archive, rewriting the tables in memory, and writes the header area
// last. Recreation keeps the invariant "output length == next sectors", so
// any failure that breaks it stops the run instead of shifting later files.
#include "img.h"

#include "fileutils.h"
#include "le.h"
#include "messages.h"
#include "platform.h"

#include <algorithm>
#include <cstdio>

namespace {

bool imgRecreating()
{
    return !imgSettings.import;
}

uint64_t imgSectorsOf(int64_t bytes)
{
    return (static_cast<uint64_t>(bytes) + imgSectorSize - 1) / imgSectorSize;
}

// Whether appending a file of `fsize` bytes (or, when DIR has none, the
// input's sectors [first, end)) keeps the output below 2 GiB.
bool imgOutputRoom(int64_t fsize, const ImgArchive& a, uint32_t first, uint32_t end, uint32_t next)
{
    const uint64_t sectors = fsize < 0 ? uint64_t{end - first} : imgSectorsOf(fsize);
    if ((next + sectors) * imgSectorSize > static_cast<uint64_t>(fileMaxSize)) {
        std::fprintf(stderr, imgMsgOutputTooLarge, a.outName.c_str());
        return false;
    }
    return true;
}

// imgAppendFile with the DIR file's size (-1: none) already known.
uint32_t imgAppendSized(const std::string& name, int64_t fsize, const ImgArchive& a, uint32_t first,
                        uint32_t end)
{
    const uint32_t osize = (end - first) * imgSectorSize;
    if (fsize < 0) {
        // The archive's last sector may be cut short: what is missing there
        // is padding, so the file keeps its sectors instead of losing them.
        const uint64_t at = uint64_t{first} * imgSectorSize;
        const uint64_t left = static_cast<uint64_t>(a.size) > at ? a.size - at : 0;
        const auto have = static_cast<uint32_t>(std::min<uint64_t>(osize, left));
        if (fileCopyF(a.name, a.outPath, static_cast<uint32_t>(at), 0, have, "ab") != have) {
            std::fprintf(stderr, imgMsgAppendArchiveError, a.outName.c_str());
            return 0;
        }
        if (have != osize && fileFillF(a.outPath, 0, 0, osize - have, "ab") != osize - have) {
            std::fputs(imgMsgAlignError, stderr);
            return 0;
        }
        return end - first;
    }
    if (fsize > fileMaxSize) {
        std::fprintf(stderr, fileMsgTooLarge, name.c_str());
        return 0;
    }
    const auto bytes = static_cast<uint32_t>(fsize);
    if (fileCopyF(name, a.outPath, 0, 0, bytes, "ab") != bytes) {
        std::fprintf(stderr, imgMsgAddError, name.c_str());
        return 0;
    }
    const uint32_t pad = bytes % imgSectorSize ? imgSectorSize - bytes % imgSectorSize : 0;
    if (pad != 0 && fileFillF(a.outPath, 0, 0, pad, "ab") != pad) {
        std::fputs(imgMsgAlignError, stderr);
        return 0;
    }
    return (bytes + pad) / imgSectorSize;
}

// After an append that reported 0 sectors: did it leave stray bytes?
bool imgOutputIntact(const ImgArchive& a, uint32_t next)
{
    if (fileSizeF(a.outPath) == static_cast<int64_t>(next) * imgSectorSize)
        return true;
    std::fprintf(stderr, imgMsgOutputDamaged, a.outName.c_str());
    return false;
}

// Appends one file in recreation and advances `next`; false when the run
// must stop.
bool imgAppendStep(const std::string& name, const ImgArchive& a, uint32_t first, uint32_t end,
                   uint32_t& next)
{
    // One size query serves the check and the append.
    const int64_t fsize = fileSizeF(name);
    if (!imgOutputRoom(fsize, a, first, end, next))
        return false;
    const uint32_t s = imgAppendSized(name, fsize, a, first, end);
    if (s == 0 && !imgOutputIntact(a, next))
        return false;
    next += s;
    return true;
}

size_t imgRecordOffset(const ImgArchive& a, uint32_t i, size_t j)
{
    return size_t{a.dirs[i].sector} * imgSectorSize + j * imgType2RecordSize;
}

std::optional<uint32_t> imgImportType2(const std::string& prefix, ImgArchive& a, uint32_t i,
                                       uint32_t next)
{
    const uint32_t files = a.dirs[i].files;
    imgCheckEndRecord(a, i);
    for (size_t j = 0; j < files; ++j) {
        const ImgRecord rec = imgGetRecord(a, i, j);
        // Record j+1 still holds its old sector: it is rewritten next round.
        const uint32_t end = imgGetRecord(a, i, j + 1).sector;
        const std::string name =
            imgFileName(prefix, i, j, &rec, imgDecodeExtension(a, rec.sector));
        if (!imgRecreating()) {
            imgReplaceFile(name, a, rec.sector, end);
            continue;
        }
        const uint32_t start = next;
        if (!imgAppendStep(name, a, rec.sector, end, next))
            return std::nullopt;
        (void)lePut32(a.header, imgRecordOffset(a, i, j) + 4, start);
    }
    if (imgRecreating())
        (void)lePut32(a.header, imgRecordOffset(a, i, files) + 4, next);
    return next;
}

std::optional<uint32_t> imgImportType3(const std::string& prefix, ImgArchive& a, uint32_t i,
                                       uint32_t oldBase, uint32_t next)
{
    const uint32_t newBase = next;
    const size_t table = size_t{a.dirs[i].sector} * imgSectorSize;
    // The walk is taken from the table as read, before any entry changes.
    const std::vector<ImgType3File> walk = imgType3Walk(a, i);
    auto setOffset = [&](size_t k) {
        if (next - newBase > imgMaxType3Offset) {
            std::fprintf(stderr, imgMsgSpanTooLong, static_cast<int>(i));
            return false;
        }
        (void)lePut16(a.header, table + k * imgType3EntrySize,
                      static_cast<uint16_t>(next - newBase));
        return true;
    };
    for (const ImgType3File& f : walk) {
        const uint32_t first = oldBase + f.first;
        const uint32_t end = oldBase + f.end;
        const std::string name =
            imgFileName(prefix, i, f.position, nullptr, imgDecodeExtension(a, first));
        if (!imgRecreating()) {
            imgReplaceFile(name, a, first, end);
            continue;
        }
        if (!setOffset(f.start) || !imgAppendStep(name, a, first, end, next))
            return std::nullopt;
    }
    if (imgRecreating() && !walk.empty() && !setOffset(walk.back().position + 1))
        return std::nullopt;
    return next;
}

// Recreation into the prepared output: header placeholder, every file, then
// the tables. 1 when the whole archive is in out.path; on 0 the caller drops
// it and whatever the output named stays as it was.
int imgRecreate(std::string& prefix, ImgArchive& a)
{
    if (fileSave(a.outPath, a.header, 0, "wb") != a.header.size()) {
        std::fprintf(stderr, imgMsgInitHeader, a.outName.c_str());
        return 0;
    }
    // The first file goes right after the header area, so numbering starts
    // there whatever directory 0's file sector said.
    uint32_t next = imgHeaderSectors(a);
    for (uint32_t i = 0; i < a.dirCount; ++i) {
        const auto r = imgImportDir(prefix, a, i, next);
        if (!r) {
            std::fprintf(stderr, imgMsgStopped, static_cast<int>(i));
            return 0;
        }
        next = *r;
    }
    return imgSaveHeader(a) && imgOutputIntact(a, next) ? 1 : 0;
}

}  // namespace

int imgImport(std::string& prefix, ImgArchive& a, const ArgList* list)
{
    const bool named = list && !list->items.empty();
    if (named && platformSameFile(list->items[0], a.name)) {
        std::fprintf(stderr, imgMsgSameFile, list->items[0].c_str());
        return 0;
    }
    // A file outside the archive would be read short or written past its end.
    if (!imgCheckExtents(a))
        return 0;
    if (!named && !imgRecreating()) {
        // Import into the archive itself writes in place.
        if (!fileCheckWritable(a.name))
            return 0;
        a.outName = a.outPath = a.name;
        for (uint32_t i = 0; i < a.dirCount; ++i)
            (void)imgImportDir(prefix, a, i, 0);
        return 1;
    }
    // Every other output is written whole and takes the place of the old
    // file (the named one, or the input itself) only when complete.
    FileOutput out;
    out.quietCreate = true;
    const std::string target = named ? list->items[0] : a.name;
    const bool begun = fileOutputBegin(out, target);
    a.outPath = out.path;
    a.outName = named ? target : out.path;
    if (!begun) {
        // The routine has said why, unless no file could be made there.
        if (out.createFailed && !named)
            std::fprintf(stderr, imgMsgNoTemp, target.c_str(), platformLastError().c_str());
        else if (out.createFailed)
            std::fprintf(stderr, imgRecreating() ? imgMsgInitHeader : imgMsgCopyForImport,
                         target.c_str());
        return 0;
    }
    int result = 1;
    if (imgRecreating()) {
        result = imgRecreate(prefix, a);
    } else if (a.size < 0 || fileCopyF(a.name, a.outPath, 0, 0, static_cast<uint32_t>(a.size),
                                       "wb") != static_cast<uint64_t>(a.size)) {
        std::fprintf(stderr, imgMsgCopyForImport, a.outName.c_str());
        result = 0;
    } else {
        for (uint32_t i = 0; i < a.dirCount; ++i)
            (void)imgImportDir(prefix, a, i, 0);
    }
    if (result == 0) {
        fileOutputAbandon(out);
        return 0;
    }
    return fileOutputCommit(out) ? 1 : 0;
}

std::optional<uint32_t> imgImportDir(std::string& prefix, ImgArchive& a, uint32_t i, uint32_t next)
{
    ImgDirEntry& d = a.dirs[i];
    if (d.type != imgType4 && d.files < 2) {
        std::fprintf(stderr, imgMsgFewFiles, static_cast<int>(i), static_cast<int>(d.files));
        return std::nullopt;
    }
    if (d.type == imgType4)
        return next;
    const std::string dirPrefix = imgSettings.useSubdirs ? imgDirPrefix(prefix, i) : prefix;
    const uint32_t oldBase = d.fileSector;
    switch (d.type) {
    case imgType2:
        if (imgRecreating())
            d.fileSector = next;
        return imgImportType2(dirPrefix, a, i, next);
    case imgType3:
        if (imgRecreating())
            d.fileSector = next;
        return imgImportType3(dirPrefix, a, i, oldBase, next);
    default:
        std::fprintf(stderr, imgMsgImportUnknownType, static_cast<int>(d.type));
        return std::nullopt;
    }
}

uint32_t imgReplaceFile(const std::string& name, const ImgArchive& a, uint32_t first, uint32_t end)
{
    const uint64_t osize = uint64_t{end - first} * imgSectorSize;
    const int64_t fsize = fileSizeF(name);
    if (fsize < 0)
        return 0;
    if (fsize > fileMaxSize) {
        std::fprintf(stderr, fileMsgTooLarge, name.c_str());
        return 0;
    }
    if (static_cast<uint64_t>(fsize) > osize) {
        std::fprintf(stderr, imgMsgTooBig, name.c_str(), static_cast<int>(osize),
                     static_cast<int>(fsize));
        return 0;
    }
    const uint32_t pos = first * imgSectorSize;
    const auto bytes = static_cast<uint32_t>(fsize);
    if (fileCopyF(name, a.outPath, 0, pos, bytes, "rb+") != bytes) {
        std::fprintf(stderr, imgMsgImportError, name.c_str());
        return 0;
    }
    const auto rest = static_cast<uint32_t>(osize - bytes);
    if (rest != 0 && fileFillF(a.outPath, 0, pos + bytes, rest, "rb+") != rest) {
        std::fputs(imgMsgAlignError, stderr);
        return 0;
    }
    return static_cast<uint32_t>(osize / imgSectorSize);
}

uint32_t imgAppendFile(const std::string& name, const ImgArchive& a, uint32_t first, uint32_t end)
{
    return imgAppendSized(name, fileSizeF(name), a, first, end);
}

bool imgSaveHeader(const ImgArchive& a)
{
    if (fileSave(a.outPath, a.header, 0, "rb+") != a.header.size()) {
        std::fprintf(stderr, imgMsgSaveTables, a.outName.c_str());
        return false;
    }
    std::vector<uint8_t> list;
    for (const ImgDirEntry& d : a.dirs) {
        leAppend32(list, d.type);
        leAppend32(list, d.files);
        leAppend32(list, d.sector);
        leAppend32(list, d.fileSector);
    }
    if (fileSave(a.outPath, list, imgHeaderSize, "rb+") != list.size()) {
        std::fprintf(stderr, imgMsgSaveDirs, a.outName.c_str());
        return false;
    }
    return true;
}
