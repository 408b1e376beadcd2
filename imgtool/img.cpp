#include "img.h"

#include "fileutils.h"
#include "le.h"
#include "memutils.h"
#include "messages.h"
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

ImgSettings imgSettings;

namespace {

constexpr char imgMagic[] = "KZ7";

// File name formats; the same rule serves extraction, import and recreation.
constexpr const char* imgNameShort = "%s%01X%03X%s";
constexpr const char* imgNameType2 = "%s%02d_%04d_%04X%s";
constexpr const char* imgNameType2Flags = "%s%02d_%04d_%04X%04X%s";
constexpr const char* imgNameType3 = "%s%02d_%04d%s";
constexpr const char* imgSubdir = "%s%02d/";

std::string imgFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    std::vsnprintf(s.data(), s.size() + 1, format, again);
    va_end(again);
    return s;
}

// Sectors a file of the archive may reach: a last sector cut short still
// counts, so such a file is reported when it is copied, not refused here.
uint64_t imgArchiveSectors(const ImgArchive& a)
{
    return (static_cast<uint64_t>(a.size) + imgSectorSize - 1) / imgSectorSize;
}

uint64_t imgTableOffset(const ImgDirEntry& d)
{
    return static_cast<uint64_t>(d.sector) * imgSectorSize;
}

bool imgCheckRange(const ImgArchive& a, uint32_t i, size_t j, uint64_t first, uint64_t end)
{
    if (end < first) {
        std::fprintf(stderr, imgMsgFileBackwards, static_cast<int>(i), static_cast<int>(j),
                     static_cast<unsigned>(first), static_cast<unsigned>(end));
        return false;
    }
    if (end > imgArchiveSectors(a)) {
        std::fprintf(stderr, imgMsgFileOutside, static_cast<int>(i), static_cast<int>(j),
                     static_cast<unsigned>(first), static_cast<unsigned>(end), a.name.c_str());
        return false;
    }
    return true;
}

// Every table of a type 2 or 3 directory must lie in the header area after
// sector 0 (which holds the directory list); only then are tables used.
bool imgCheckTables(const ImgArchive& a)
{
    for (uint32_t i = 0; i < a.dirCount; ++i) {
        const ImgDirEntry& d = a.dirs[i];
        if (d.type != imgType2 && d.type != imgType3)
            continue;
        const size_t unit = d.type == imgType2 ? imgType2RecordSize : imgType3EntrySize;
        const uint64_t bytes = (static_cast<uint64_t>(d.files) + 1) * unit;
        if (d.sector == 0 || !leFits(a.header.size(), imgTableOffset(d), bytes)) {
            std::fprintf(stderr, imgMsgTableOutside, static_cast<int>(i));
            return false;
        }
    }
    return true;
}

long long imgExtractType2(const std::string& prefix, const ImgArchive& a, uint32_t i)
{
    imgCheckEndRecord(a, i);
    long long written = 0;
    for (size_t j = 0; j < a.dirs[i].files; ++j) {
        const ImgRecord rec = imgGetRecord(a, i, j);
        const uint32_t end = imgGetRecord(a, i, j + 1).sector;
        if (end < rec.sector) {
            imgCheckRange(a, i, j, rec.sector, end);
            continue;
        }
        const std::string name =
            imgFileName(prefix, i, j, &rec, imgDecodeExtension(a, rec.sector));
        written += imgExtractFile(name, a, rec.sector, end);
    }
    return written;
}

long long imgExtractType3(const std::string& prefix, const ImgArchive& a, uint32_t i)
{
    const uint64_t base = a.dirs[i].fileSector;
    long long written = 0;
    for (const ImgType3File& f : imgType3Walk(a, i)) {
        if (f.end < f.first) {
            imgCheckRange(a, i, f.position, base + f.first, base + f.end);
            continue;
        }
        const std::string name =
            imgFileName(prefix, i, f.position, nullptr, imgDecodeExtension(a, base + f.first));
        written += imgExtractFile(name, a, base + f.first, base + f.end);
    }
    return written;
}

// A list item selects a directory only when it is a whole number in range.
std::optional<uint32_t> imgDirNumber(const std::string& item, uint32_t count)
{
    if (item.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(item.c_str(), &end, 0);
    if (*end != '\0' || errno != 0 || v < 0 || v >= static_cast<long>(count))
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

}  // namespace

bool imgCheckExtents(const ImgArchive& a)
{
    for (uint32_t i = 0; i < a.dirCount; ++i) {
        const ImgDirEntry& d = a.dirs[i];
        if (d.files < 2)
            continue;  // rejected by the walk before any of its files is used
        if (d.type == imgType2) {
            for (size_t j = 0; j < d.files; ++j)
                if (!imgCheckRange(a, i, j, imgGetRecord(a, i, j).sector,
                                   imgGetRecord(a, i, j + 1).sector))
                    return false;
        } else if (d.type == imgType3) {
            for (const ImgType3File& f : imgType3Walk(a, i))
                if (!imgCheckRange(a, i, f.position, uint64_t{d.fileSector} + f.first,
                                   uint64_t{d.fileSector} + f.end))
                    return false;
        }
    }
    return true;
}

void imgCheckEndRecord(const ImgArchive& a, uint32_t i)
{
    const uint32_t files = a.dirs[i].files;
    const ImgRecord end = imgGetRecord(a, i, files);
    if (end.id != 0xFFFF || end.flags != 0xFFFF)
        std::fprintf(stderr, imgMsgEndPointer, static_cast<int>(i), static_cast<int>(files),
                     0xFFFFFFFFu, unsigned{end.id}, unsigned{end.flags});
}

std::string imgDirPrefix(const std::string& prefix, uint32_t i)
{
    return imgFormat(imgSubdir, prefix.c_str(), static_cast<int>(i));
}

std::string imgFileName(const std::string& prefix, uint32_t i, size_t j, const ImgRecord* record,
                        const std::string& ext)
{
    const int di = static_cast<int>(i);
    const int pj = static_cast<int>(j);
    if (imgSettings.shortNames)
        return imgFormat(imgNameShort, prefix.c_str(), i, static_cast<unsigned>(j), ext.c_str());
    if (!record)
        return imgFormat(imgNameType3, prefix.c_str(), di, pj, ext.c_str());
    if (record->flags == 0)
        return imgFormat(imgNameType2, prefix.c_str(), di, pj, unsigned{record->id}, ext.c_str());
    return imgFormat(imgNameType2Flags, prefix.c_str(), di, pj, unsigned{record->id},
                     unsigned{record->flags}, ext.c_str());
}

ImgRecord imgGetRecord(const ImgArchive& a, uint32_t i, size_t j)
{
    const size_t off = imgTableOffset(a.dirs[i]) + j * imgType2RecordSize;
    return {leGet16(a.header, off).value_or(0), leGet16(a.header, off + 2).value_or(0),
            leGet32(a.header, off + 4).value_or(0)};
}

uint16_t imgGetType3(const ImgArchive& a, uint32_t i, size_t k)
{
    return leGet16(a.header, imgTableOffset(a.dirs[i]) + k * imgType3EntrySize).value_or(imgUnused);
}

std::vector<ImgType3File> imgType3Walk(const ImgArchive& a, uint32_t i)
{
    std::vector<ImgType3File> files;
    const size_t n = a.dirs[i].files;
    size_t j = 0;
    while (j < n) {
        while (j < n && imgGetType3(a, i, j) == imgUnused)
            ++j;
        const size_t start = j;
        while (j < n && imgGetType3(a, i, j + 1) == imgUnused)
            ++j;
        if (j < n)
            files.push_back({start, j, imgGetType3(a, i, start), imgGetType3(a, i, j + 1)});
        ++j;
    }
    return files;
}

uint32_t imgHeaderSectors(const ImgArchive& a)
{
    return a.dirs.empty() ? 0 : a.dirs.back().sector;
}

std::unique_ptr<ImgArchive> imgOpen(const std::string& name)
{
    auto a = std::make_unique<ImgArchive>();
    a->name = name;
    a->size = fileSizeF(name);
    if (a->size < 0) {
        std::fprintf(stderr, fileMsgCantRead, name.c_str());
        return nullptr;
    }
    if (a->size > fileMaxSize) {
        std::fprintf(stderr, fileMsgTooLarge, name.c_str());
        return nullptr;
    }
    const int size = static_cast<int>(a->size);
    std::vector<uint8_t> head(imgHeaderSize);
    if (a->size < static_cast<int64_t>(imgHeaderSize) || fileLoad(name, head, 0) != imgHeaderSize) {
        std::fprintf(stderr, imgMsgTooShort, name.c_str(), size);
        return nullptr;
    }
    if (std::memcmp(head.data(), imgMagic, 3) != 0) {
        std::fprintf(stderr, imgMsgNotImg, name.c_str());
        return nullptr;
    }
    a->dirCount = *leGet32(head, imgOffDirCount);
    a->unknown1 = *leGet32(head, imgOffUnknown1);
    a->unknown2 = *leGet32(head, imgOffUnknown2);
    if (a->unknown1 != 6)
        std::fprintf(stderr, imgMsgUnknown1, name.c_str(), static_cast<int>(a->unknown1));
    if (a->dirCount == 0 || a->dirCount > imgMaxDirs) {
        std::fprintf(stderr, imgMsgDirCount, a->dirCount);
        return nullptr;
    }
    std::vector<uint8_t> list(imgSectorSize - imgHeaderSize);
    if (a->size < imgSectorSize || fileLoad(name, list, imgHeaderSize) != static_cast<int64_t>(list.size())) {
        std::fprintf(stderr, imgMsgTooShort, name.c_str(), size);
        return nullptr;
    }
    LeCursor cur{list};
    for (uint32_t i = 0; i < a->dirCount; ++i) {
        ImgDirEntry d;
        d.type = cur.u32();
        d.files = cur.u32();
        d.sector = cur.u32();
        d.fileSector = cur.u32();
        a->dirs.push_back(d);
    }
    if (a->dirs.back().type != imgType4) {
        std::fputs(imgMsgNoType4, stderr);
        return nullptr;
    }
    if (a->dirCount == 1) {
        std::fputs(imgMsgOnlyType4, stdout);
        return nullptr;
    }
    // The whole header area is loaded, so it must lie inside the file.
    const uint32_t sectors = imgHeaderSectors(*a);
    const auto maxSectors = static_cast<uint32_t>(a->size / imgSectorSize);
    if (sectors == 0 || sectors > maxSectors) {
        std::fprintf(stderr, imgMsgHeaderArea, maxSectors, sectors);
        return nullptr;
    }
    const size_t headerBytes = size_t{sectors} * imgSectorSize;
    if (!memMalloc(a->header, headerBytes))
        return nullptr;
    if (fileLoad(name, a->header, 0) != static_cast<int64_t>(headerBytes)) {
        std::fprintf(stderr, fileMsgReading, name.c_str());
        return nullptr;
    }
    if (!imgCheckTables(*a))
        return nullptr;
    return a;
}

void imgClose(std::unique_ptr<ImgArchive> archive)
{
    archive.reset();
}

void imgList(const ImgArchive& a)
{
    std::fputs(imgMsgListHead, stdout);
    for (const ImgDirEntry& d : a.dirs)
        std::printf(imgMsgListDir, static_cast<int>(d.type), static_cast<int>(d.files), d.sector,
                    d.fileSector);
    for (uint32_t i = 0; i < a.dirCount; ++i) {
        const ImgDirEntry& d = a.dirs[i];
        if (d.type != imgType2)
            continue;
        std::printf(imgMsgListIds, static_cast<int>(i), static_cast<int>(d.files));
        for (size_t j = 0; j < d.files; ++j) {
            const ImgRecord rec = imgGetRecord(a, i, j);
            std::printf(imgMsgListRecord, unsigned{rec.id}, unsigned{rec.flags});
        }
    }
}

long long imgExtractAll(std::string& prefix, const ImgArchive& a, const ArgList* list)
{
    long long written = 0;
    if (!list) {
        for (uint32_t i = 0; i < a.dirCount; ++i)
            written += imgExtractDir(prefix, a, i);
        return written;
    }
    for (const std::string& item : list->items) {
        if (const auto i = imgDirNumber(item, a.dirCount))
            written += imgExtractDir(prefix, a, *i);
        else
            std::fprintf(stderr, imgMsgBadDirNumber, item.c_str());
    }
    return written;
}

long long imgExtractDir(std::string& prefix, const ImgArchive& a, uint32_t i)
{
    const ImgDirEntry& d = a.dirs[i];
    if (d.type != imgType4 && d.files < 2) {
        std::fprintf(stderr, imgMsgFewFiles, static_cast<int>(i), static_cast<int>(d.files));
        return 0;
    }
    const size_t cut = prefix.size();
    if (d.type != imgType4 && imgSettings.useSubdirs) {
        prefix = imgDirPrefix(prefix, i);
        platformMkdir(prefix);  // an existing directory is fine
    }
    long long written = 0;
    switch (d.type) {
    case imgType2:
        written = imgExtractType2(prefix, a, i);
        break;
    case imgType3:
        written = imgExtractType3(prefix, a, i);
        break;
    case imgType4:
        break;
    default:
        std::fprintf(stderr, imgMsgExtractUnknownType, static_cast<int>(d.type));
    }
    prefix.resize(cut);
    return written;
}

int imgExtractFile(const std::string& name, const ImgArchive& a, uint64_t first, uint64_t end)
{
    // Writing over the archive would cut it while it is still being read.
    if (platformSameFile(name, a.name)) {
        std::fprintf(stderr, imgMsgIsArchive, name.c_str());
        return 0;
    }
    // Sectors past the archive's end give a short file and the error, as any
    // short copy does; positions are taken in 64 bits so that none wraps
    // round to data at the start of the archive.
    const uint64_t start = first * imgSectorSize;
    const uint64_t bytes = end < first ? 0 : (end - first) * imgSectorSize;
    const auto size = static_cast<uint64_t>(a.size);
    const uint64_t avail = start < size ? size - start : 0;
    const auto toCopy = static_cast<uint32_t>(std::min(bytes, avail));
    FileOutput out;
    out.quietCreate = true;
    if (!fileOutputBegin(out, name)) {
        // The routine has said why, unless no file could be made there.
        if (out.createFailed)
            std::fprintf(stderr, imgMsgWriteError, name.c_str());
        return 0;
    }
    const uint64_t copied = toCopy ? fileCopyF(a.name, out.path, static_cast<uint32_t>(start), 0,
                                               toCopy, "wb")
                                   : fileSave(out.path, {}, 0, "wb");
    if (copied != bytes) {
        std::fprintf(stderr, imgMsgWriteError, name.c_str());
        // Sectors cut off by the archive's end: what it holds is kept.
        if (copied == toCopy)
            (void)fileOutputCommit(out);
        return 0;
    }
    return fileOutputCommit(out) ? 1 : 0;
}

std::string imgDecodeExtension(const ImgArchive& a, uint64_t sector)
{
    if (!imgSettings.decode)
        return "";
    std::vector<uint8_t> buf(16);
    const uint64_t pos = sector * imgSectorSize;
    if (pos > fileMaxSize || fileLoad(a.name, buf, static_cast<uint32_t>(pos)) != 16) {
        std::fprintf(stderr, imgMsgDecodeError, a.name.c_str(), static_cast<int>(pos));
        return "";
    }
    if (buf[0] == 0xDB)
        return ".db";
    const uint32_t magic = *leGet32(buf, 0);
    const uint32_t flags = *leGet32(buf, 4);
    if (magic == 0x10 && (flags <= 4 || flags == 8 || flags == 9))
        return ".tim";
    return "";
}
