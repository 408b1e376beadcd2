#include "db.h"

#include "fileutils.h"
#include "le.h"
#include "messages.h"
#include "platform.h"

#include <algorithm>
#include <cstdarg>

DbSettings dbSettings;

uint16_t dbChunkId(const DbChunk& chunk, unsigned j)
{
    return leGet16(chunk.ids, 2u * j).value_or(0);
}

uint32_t dbChunkPointer(const DbChunk& chunk, unsigned j)
{
    return leGet32(chunk.ids, dbChunkPointerOffset(chunk.n) + 4u * j).value_or(0);
}

void dbChunkSetPointer(DbChunk& chunk, unsigned j, uint32_t value)
{
    // The block always holds n + 1 pointers, so this cannot miss for j <= n.
    (void)lePut32(chunk.ids, dbChunkPointerOffset(chunk.n) + 4u * j, value);
}

DbExtent dbFileExtent(const DbChunk& chunk, unsigned j)
{
    const unsigned n = chunk.n;
    const uint32_t ptr = dbChunkPointer(chunk, j);
    DbExtent e;
    e.position = int64_t{chunk.pointerBase} + 4 * int64_t{j} + ptr;
    uint32_t next;
    if (j + 1 < n) {
        next = dbChunkPointer(chunk, j + 1);
    } else {
        // The end pointer is relative to P; reduced by 4*n it compares with a
        // pointer in slot n. Unsigned, as the format's readers have it.
        next = dbChunkPointer(chunk, n) - 4u * n;
        if (next < ptr)
            next = ptr;
    }
    e.size = int64_t{next} + 4 - int64_t{ptr};
    return e;
}

bool dbExtentInFile(const DbArchive& archive, int64_t position, int64_t size)
{
    // An empty file reads nothing, wherever its pointer points.
    if (size == 0 && position >= 0)
        return true;
    return position >= 0 && size >= 0 && archive.size >= 0 &&
           leFits(static_cast<uint64_t>(archive.size), static_cast<uint64_t>(position),
                  static_cast<uint64_t>(size));
}

bool dbCheckRange(const DbArchive& archive, int64_t position, int64_t size)
{
    if (dbExtentInFile(archive, position, size))
        return true;
    std::fprintf(stderr, dbMsgOutside, archive.name.c_str(), static_cast<long long>(position),
                 static_cast<long long>(size), static_cast<long long>(archive.size));
    return false;
}

// A read of exactly out.size() bytes that lie inside the file.
static bool dbReadExact(const DbReader& reader, int64_t size, uint64_t position,
                        std::span<uint8_t> out)
{
    if (size < 0 || !leFits(static_cast<uint64_t>(size), position, out.size()))
        return false;
    return reader(position, out) == static_cast<int64_t>(out.size());
}

std::unique_ptr<DbArchive> dbOpenReader(const std::string& name, int64_t size,
                                        const DbReader& reader)
{
    const char* cname = name.c_str();
    if (size < 0) {
        std::fprintf(stderr, fileMsgCantRead, cname);
        return nullptr;
    }
    if (size > fileMaxSize) {
        std::fprintf(stderr, fileMsgTooLarge, cname);
        return nullptr;
    }
    if (size < dbHeaderSize) {
        // A short file that does not even begin like a DB gets the usual
        // rejection; only a cut DB is reported as too short.
        std::array<uint8_t, 1> first{};
        if (size > 0 && dbReadExact(reader, size, 0, first) && first[0] != dbMagic)
            std::fprintf(stderr, dbMsgNotDb, cname, unsigned{dbMagic}, unsigned{first[0]});
        else
            std::fprintf(stderr, dbMsgTooShort, cname, static_cast<int>(size));
        return nullptr;
    }
    auto a = std::make_unique<DbArchive>();
    a->name = name;
    a->size = size;
    if (!dbReadExact(reader, size, 0, a->header)) {
        std::fprintf(stderr, dbMsgReadTable, cname);
        return nullptr;
    }
    if (a->header[0] != dbMagic) {
        std::fprintf(stderr, dbMsgNotDb, cname, unsigned{dbMagic}, unsigned{a->header[0]});
        return nullptr;
    }
    a->chunkCount = a->header[1];
    if (a->header[2] != 0 || a->header[3] != 0)
        std::fprintf(stderr, dbMsgHeaderData, unsigned{a->header[2]}, unsigned{a->header[3]});
    if (a->chunkCount == 0) {
        std::fprintf(stderr, dbMsgNoChunks, cname);
        return nullptr;
    }

    std::vector<uint8_t> table(size_t{a->chunkCount} * dbEntrySize);
    if (!dbReadExact(reader, size, a->ptrTablePos, table)) {
        std::fprintf(stderr, dbMsgReadTable, cname);
        return nullptr;
    }
    a->ptrTable.resize(a->chunkCount);
    a->chunks.resize(a->chunkCount);
    for (unsigned i = 0; i < a->chunkCount; ++i) {
        const uint32_t entry = leGet32(table, size_t{i} * dbEntrySize).value_or(0);
        const uint32_t entryPos = a->ptrTablePos + i * dbEntrySize;
        DbChunk& c = a->chunks[i];
        c.headerPos = entryPos + (entry & dbEntryOffsetMask);
        if (!dbReadExact(reader, size, c.headerPos, c.header)) {
            std::fprintf(stderr, dbMsgReadChunkHeader, cname, static_cast<int>(i));
            return nullptr;
        }
        c.type = c.header[0];
        c.n = c.header[1];
        if (c.header[2] != 0 || c.header[3] != 0)
            std::fprintf(stderr, dbMsgChunkHeaderData, static_cast<int>(i), unsigned{c.header[2]},
                         unsigned{c.header[3]});
        const unsigned tableType = entry >> dbEntryTypeShift;
        if (c.type != tableType)
            std::fprintf(stderr, dbMsgChunkType, static_cast<int>(i), unsigned{c.type}, tableType);
        a->ptrTable[i] = entry & dbEntryOffsetMask;
        c.ids.resize(dbChunkBlockSize(c.n));
        if (!dbReadExact(reader, size, uint64_t{c.headerPos} + dbChunkHeaderSize, c.ids)) {
            std::fprintf(stderr, dbMsgReadChunkBlock, cname, static_cast<int>(i));
            return nullptr;
        }
        c.pointerBase = c.headerPos + dbChunkHeaderSize + dbChunkPointerOffset(c.n);
    }

    const DbChunk& last = a->chunks.back();
    a->dataEnd = int64_t{last.pointerBase} + dbChunkPointer(last, last.n);
    if (a->dataEnd + dbAfterDataSize <= size) {
        std::array<uint8_t, dbAfterDataSize> word{};
        if (!dbReadExact(reader, size, static_cast<uint64_t>(a->dataEnd), word)) {
            std::fprintf(stderr, dbMsgReadAfterData, cname, static_cast<int>(a->dataEnd));
            return nullptr;
        }
        a->afterData = leGet32(word, 0).value_or(0);
        a->hasAfterData = a->afterData != 0;
    }
    return a;
}

std::unique_ptr<DbArchive> dbOpen(const std::string& name)
{
    const DbReader reader = [&name](uint64_t position, std::span<uint8_t> out) -> int64_t {
        if (position > static_cast<uint64_t>(fileMaxSize))
            return 0;
        return fileLoad(name, out, static_cast<uint32_t>(position));
    };
    return dbOpenReader(name, fileSizeF(name), reader);
}

void dbClose(std::unique_ptr<DbArchive> archive)
{
    archive.reset();
}

void dbList(const DbArchive& archive, FILE* out)
{
    std::fprintf(out, dbMsgListHead, static_cast<int>(archive.chunkCount),
                 static_cast<int>(archive.dataEnd));
    for (unsigned i = 0; i < archive.chunkCount; ++i) {
        const DbChunk& c = archive.chunks[i];
        std::fprintf(out, dbMsgListChunk, static_cast<int>(i), unsigned{c.type},
                     static_cast<int>(c.n), unsigned{c.pointerBase});
        std::fputs(dbMsgListIds, out);
        for (unsigned j = 0; j < c.n; ++j)
            std::fprintf(out, dbMsgListValue, unsigned{dbChunkId(c, j)});
        std::fputs(dbMsgListPtrs, out);
        for (unsigned j = 0; j <= c.n; ++j)
            std::fprintf(out, dbMsgListValue, unsigned{dbChunkPointer(c, j)});
        std::fputs(dbMsgListEnd, out);
    }
}

std::string dbTypeExtension(unsigned type)
{
    if (type >= 256) {
        std::fprintf(stderr, dbMsgBigType, type);
        return "BIG";
    }
    if (dbSettings.decode) {
        if (type == 4)
            return ".tim";
        if (type == 6)
            return ".dlg";
        if (type == 0x1B)
            return ".db";
    }
    char ext[8];
    std::snprintf(ext, sizeof ext, ".%02x", type);
    return ext;
}

std::string dbBaseName(const std::string& path)
{
    std::string base = platformBaseName(path);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos)
        base.resize(dot);
    return base;
}

// printf into a string of the right length.
static std::string dbFormat(const char* fmt, ...)
{
    va_list args, again;
    va_start(args, fmt);
    va_copy(again, args);
    const int len = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string text(static_cast<size_t>(std::max(len, 0)) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), fmt, again);
    va_end(again);
    text.resize(text.size() - 1);
    return text;
}

std::string dbFileName(const std::string& prefix, const DbArchive& archive, unsigned i, unsigned j,
                       const std::string& ext)
{
    if (dbSettings.shortNames)
        return dbFormat(dbNameShort, prefix.c_str(), archive.addName.c_str(), i, j, ext.c_str());
    return dbFormat(dbNameLong, prefix.c_str(), archive.addName.c_str(), static_cast<int>(i),
                    static_cast<int>(j), unsigned{dbChunkId(archive.chunks[i], j)}, ext.c_str());
}

void dbEnterSubdir(std::string& prefix, const DbChunk& chunk)
{
    if (dbSettings.subdirs)
        prefix = dbFormat(dbSubdirFormat, prefix.c_str(), unsigned{chunk.type});
}

int dbExtractAll(std::string& prefix, DbArchive& archive, const ArgList* list)
{
    archive.addName = list && !list->items.empty() ? list->items[0] : "";
    if (dbSettings.expandName)
        archive.addName = dbBaseName(archive.name) + "_";
    int count = 0;
    for (unsigned i = 0; i < archive.chunkCount; ++i)
        count += dbExtractChunk(prefix, archive, i);
    return count;
}

int dbExtractChunk(std::string& prefix, const DbArchive& archive, unsigned i)
{
    const DbChunk& c = archive.chunks[i];
    const std::string ext = dbTypeExtension(c.type);
    const size_t keep = prefix.size();
    dbEnterSubdir(prefix, c);
    if (dbSettings.subdirs)
        platformMkdir(prefix);  // an existing directory is fine
    int count = 0;
    for (unsigned j = 0; j < c.n; ++j) {
        const std::string name = dbFileName(prefix, archive, i, j, ext);
        const DbExtent e = dbFileExtent(c, j);
        if (dbExtractFile(name, archive, e.position, e.size))
            ++count;
        else
            std::fprintf(stderr, dbMsgExtractFailed, static_cast<int>(j), i,
                         static_cast<int>(dbChunkId(c, j)));
    }
    prefix.resize(keep);
    return count;
}

int dbExtractFile(const std::string& name, const DbArchive& archive, int64_t position,
                  int64_t size)
{
    if (size < 0)
        return 0;
    // Bytes past the DB's end cannot be copied: reported as the short copy it
    // would be, and no partial file is left behind.
    if (!dbExtentInFile(archive, position, size)) {
        std::fprintf(stderr, dbMsgWriteFile, name.c_str());
        return 0;
    }
    // "wb" would truncate the DB while it is still being read.
    if (platformSameFile(name, archive.name)) {
        std::fprintf(stderr, dbMsgSameFile, name.c_str());
        return 0;
    }
    FileOutput out;
    out.quietCreate = true;
    if (!fileOutputBegin(out, name)) {
        // The routine has said why, unless no file could be made there.
        if (out.createFailed)
            std::fprintf(stderr, dbMsgWriteFile, name.c_str());
        return 0;
    }
    const auto want = static_cast<uint32_t>(size);
    if (fileCopyF(archive.name, out.path, static_cast<uint32_t>(position), 0, want, "wb") != want) {
        std::fprintf(stderr, dbMsgWriteFile, name.c_str());
        return 0;
    }
    return fileOutputCommit(out) ? 1 : 0;
}
