// Import and recreation of a DB archive from the files of a DIR tree.
//
// Import writes each DIR file that fits over the old file's bytes and leaves
// the layout alone. Recreation appends a new DB: a zeroed placeholder for the
// header and pointer table, then per chunk a zeroed placeholder for its header
// and block, its spacing data, its files (each padded to 4 bytes) and zero
// bytes up to a 4-byte data end; the chunk's header and rewritten pointers go
// over its placeholder when it is done, the DB header and the table last.
//
// A DB or output written in whole goes through the shared output routine:
// it takes the place of the old file only when every write succeeded.

#include "db.h"

#include "fileutils.h"
#include "le.h"
#include "messages.h"
#include "platform.h"

#include <algorithm>
#include <cstdio>

// Current size of the output, -1 when it cannot be queried.
static int64_t dbOutSize(const DbArchive& a)
{
    return fileSizeF(a.outPath);
}

// The output may not grow past the 32-bit positions of the format.
static bool dbOutputHasRoom(DbArchive& a, int64_t more)
{
    const int64_t now = dbOutSize(a);
    if (now >= 0 && more >= 0 && more <= fileMaxSize - now)
        return true;
    std::fprintf(stderr, dbMsgOutputTooLarge, a.outName.c_str());
    a.writeFailed = true;
    return false;
}

static bool dbAppendZeros(DbArchive& a, uint32_t count)
{
    return fileFillF(a.outPath, 0, 0, count, "ab") == count;
}

uint32_t dbInitChunk(DbArchive& a, unsigned i)
{
    const int64_t start = dbOutSize(a);
    if (start < 1) {
        std::fprintf(stderr, dbMsgCheckFile, a.outName.c_str());
        a.writeFailed = true;
        return 0;
    }
    const DbChunk& c = a.chunks[i];
    const uint32_t room = dbChunkHeaderSize + dbChunkBlockSize(c.n);
    if (!dbOutputHasRoom(a, room))
        return 0;
    if (!dbAppendZeros(a, room)) {
        std::fprintf(stderr, dbMsgInitChunk, static_cast<int>(i), a.outName.c_str());
        a.writeFailed = true;
        return 0;
    }
    return static_cast<uint32_t>(start);
}

uint32_t dbCopySpacing(DbArchive& a, unsigned i)
{
    const DbChunk& c = a.chunks[i];
    const uint32_t expected = 4u * c.n + 4u;
    const uint32_t first = dbChunkPointer(c, 0);
    if (first < expected) {
        std::fprintf(stderr, dbMsgFirstPointer, static_cast<int>(i), first, expected);
        return 0;
    }
    if (first == expected)
        return 0;
    const int64_t position = int64_t{c.pointerBase} + expected;
    const uint32_t count = first - expected;
    if (!dbExtentInFile(a, position, count)) {
        // Spacing past the DB's end: the short copy it would be.
        std::fprintf(stderr, dbMsgCopySpacing, static_cast<int>(i), a.outName.c_str());
        return 0;
    }
    if (!dbOutputHasRoom(a, count))
        return 0;
    if (fileCopyF(a.name, a.outPath, static_cast<uint32_t>(position), 0, count, "ab") != count) {
        std::fprintf(stderr, dbMsgCopySpacing, static_cast<int>(i), a.outName.c_str());
        a.writeFailed = true;
        return 0;
    }
    return count;
}

uint32_t dbAppendFile(const std::string& name, DbArchive& a, int64_t position, int64_t size)
{
    const int64_t fsize = fileSizeF(name);
    if (fsize < 0) {
        // Not in DIR: the old bytes are kept.
        if (!dbExtentInFile(a, position, size)) {
            // Old bytes past the DB's end: the short copy it would be; the
            // file counts 0 bytes and nothing is appended.
            std::fprintf(stderr, dbMsgAppendInput, a.outName.c_str());
            return 0;
        }
        if (!dbOutputHasRoom(a, size))
            return 0;
        const auto count = static_cast<uint32_t>(size);
        if (fileCopyF(a.name, a.outPath, static_cast<uint32_t>(position), 0, count, "ab") !=
            count) {
            std::fprintf(stderr, dbMsgAppendInput, a.outName.c_str());
            a.writeFailed = true;
            return 0;
        }
        return count;
    }
    if (fsize > fileMaxSize) {
        std::fprintf(stderr, fileMsgTooLarge, name.c_str());
        a.writeFailed = true;
        return 0;
    }
    const auto count = static_cast<uint32_t>(fsize);
    const uint32_t pad = (4u - count % 4u) % 4u;
    if (!dbOutputHasRoom(a, int64_t{count} + pad))
        return 0;
    if (fileCopyF(name, a.outPath, 0, 0, count, "ab") != count) {
        std::fprintf(stderr, dbMsgAddFile, name.c_str());
        a.writeFailed = true;
        return 0;
    }
    if (pad != 0 && !dbAppendZeros(a, pad)) {
        std::fprintf(stderr, "%s", dbMsgAlignFile);
        a.writeFailed = true;
        return 0;
    }
    return count + pad;
}

uint32_t dbReplaceFile(const std::string& name, DbArchive& a, int64_t position, int64_t osize)
{
    const int64_t fsize = fileSizeF(name);
    if (fsize < 1)
        return 0;
    // Checked before the size comparison, whose message holds 32-bit sizes.
    if (fsize > fileMaxSize) {
        std::fprintf(stderr, fileMsgTooLarge, name.c_str());
        return 0;
    }
    if (fsize > osize) {
        std::fprintf(stderr, dbMsgTooBig, name.c_str(), static_cast<int>(osize),
                     static_cast<int>(fsize));
        return 0;
    }
    // The output is a copy of the input (or the input), so the input's size
    // bounds where the old file can lie.
    if (!dbCheckRange(a, position, osize))
        return 0;
    const auto pos = static_cast<uint32_t>(position);
    const auto count = static_cast<uint32_t>(fsize);
    if (fileCopyF(name, a.outPath, 0, pos, count, "rb+") != count) {
        std::fprintf(stderr, dbMsgImportFile, name.c_str());
        a.writeFailed = true;
        return 0;
    }
    const auto rest = static_cast<uint32_t>(osize - fsize);
    if (rest != 0 && fileFillF(a.outPath, 0, pos + count, rest, "rb+") != rest) {
        std::fprintf(stderr, "%s", dbMsgAlignFile);
        a.writeFailed = true;
        return 0;
    }
    return static_cast<uint32_t>(osize);
}

uint32_t dbAlignChunk(DbArchive& a, unsigned i)
{
    DbChunk& c = a.chunks[i];
    const uint32_t end = dbChunkPointer(c, c.n);
    const uint32_t r = end % 4u;
    if (r == 0)
        return 0;
    dbChunkSetPointer(c, c.n, end + (4u - r));
    if (!dbAppendZeros(a, 4u - r)) {
        std::fprintf(stderr, dbMsgChunkAlign, static_cast<int>(r), a.outName.c_str());
        a.writeFailed = true;
        return 0;
    }
    return 4u - r;
}

void dbSaveChunkHeader(DbArchive& a, unsigned i, uint32_t start)
{
    const DbChunk& c = a.chunks[i];
    if (fileSave(a.outPath, c.header, start, "rb+") != c.header.size()) {
        std::fprintf(stderr, dbMsgSaveHeaderData, a.outName.c_str());
        a.writeFailed = true;
        return;
    }
    if (fileSave(a.outPath, c.ids, start + dbChunkHeaderSize, "rb+") != c.ids.size()) {
        std::fprintf(stderr, dbMsgSaveChunkHeader, static_cast<int>(i), a.outName.c_str());
        a.writeFailed = true;
    }
}

uint32_t dbSaveAfterData(DbArchive& a)
{
    if (!a.hasAfterData)
        return 0;
    std::array<uint8_t, dbAfterDataSize> word{};
    (void)lePut32(word, 0, a.afterData);
    if (fileSave(a.outPath, word, 0, "ab") != word.size()) {
        std::fprintf(stderr, dbMsgSaveAfterData, a.outName.c_str());
        a.writeFailed = true;
        return 0;
    }
    return dbAfterDataSize;
}

void dbSaveHeader(DbArchive& a)
{
    std::vector<uint8_t> table(size_t{a.chunkCount} * dbEntrySize);
    for (unsigned i = 0; i < a.chunkCount; ++i) {
        const uint32_t entry = (a.ptrTable[i] & dbEntryOffsetMask) |
                               uint32_t{a.chunks[i].type} << dbEntryTypeShift;
        (void)lePut32(table, size_t{i} * dbEntrySize, entry);
    }
    if (fileSave(a.outPath, a.header, 0, "rb+") != a.header.size()) {
        std::fprintf(stderr, dbMsgSaveHeaderData, a.outName.c_str());
        a.writeFailed = true;
        return;
    }
    if (fileSave(a.outPath, table, a.ptrTablePos, "rb+") != table.size()) {
        std::fprintf(stderr, dbMsgSaveTable, a.outName.c_str());
        a.writeFailed = true;
    }
}

void dbAlign(DbArchive& a)
{
    const int64_t outSize = dbOutSize(a);
    if (outSize == -1) {
        std::fprintf(stderr, dbMsgAlignSize, a.outName.c_str());
        return;
    }
    if (outSize >= a.size)
        return;
    int64_t source = a.dataEnd + (a.hasAfterData ? dbAfterDataSize : 0);
    source = (source + 3) / 4 * 4;
    const int64_t total = a.size - outSize;
    const int64_t pad = std::min<int64_t>((4 - outSize % 4) % 4, total);
    const int64_t available = source < a.size ? a.size - source : 0;
    const int64_t count = std::min(total - pad, available);
    std::vector<uint8_t> bytes(static_cast<size_t>(total), 0);
    if (count > 0) {
        const std::span<uint8_t> part(bytes.data() + pad, static_cast<size_t>(count));
        if (fileLoad(a.name, part, static_cast<uint32_t>(source)) != count) {
            std::fprintf(stderr, dbMsgAlignRead, a.name.c_str(), static_cast<int>(source),
                         static_cast<int>(count));
            std::fill(part.begin(), part.end(), 0);
        }
    }
    if (fileSave(a.outPath, bytes, 0, "ab") != bytes.size()) {
        std::fprintf(stderr, dbMsgAlignWrite, static_cast<int>(total), a.outName.c_str());
        a.writeFailed = true;
    }
}

uint32_t dbImportChunk(std::string& prefix, DbArchive& a, unsigned i)
{
    const bool recreate = !dbSettings.import;
    DbChunk& c = a.chunks[i];
    const unsigned n = c.n;
    const std::string ext = dbTypeExtension(c.type);
    uint32_t start = 0;
    if (recreate) {
        start = dbInitChunk(a, i);
        if (start == 0)
            return 0;
    }
    const size_t keep = prefix.size();
    dbEnterSubdir(prefix, c);

    // Every old position and size comes from the pointers as stored; the
    // rewritten ones only describe the output.
    const DbChunk stored = c;
    uint32_t cur = dbChunkPointer(stored, 0);
    if (recreate)
        dbCopySpacing(a, i);
    for (unsigned j = 0; j < n; ++j) {
        const std::string name = dbFileName(prefix, a, i, j, ext);
        const DbExtent e = dbFileExtent(stored, j);
        if (recreate) {
            const uint32_t added = dbAppendFile(name, a, e.position, e.size);
            dbChunkSetPointer(c, j, cur);
            cur = cur + added - 4u;
        } else {
            dbReplaceFile(name, a, e.position, e.size);
        }
    }
    if (recreate) {
        // `cur` is a file pointer for slot n; relative to P it is the end
        // pointer. This holds also when every file came out empty and `cur`
        // is 4: leaving it at 4 would end the chunk inside its own pointer
        // array (and the last chunk's trailing word would be read from there).
        cur += 4u * n;
        dbChunkSetPointer(c, n, cur);
        dbAlignChunk(a, i);
        dbSaveChunkHeader(a, i, start);
    }
    int64_t size = int64_t{dbChunkHeaderSize} + dbChunkPointerOffset(n) + dbChunkPointer(c, n);
    if (recreate) {
        const int64_t grown = dbOutSize(a) - int64_t{start};
        if (grown != size) {
            std::fprintf(stderr, dbMsgChunkSize, a.outName.c_str(), static_cast<int>(i),
                         static_cast<int>(grown), static_cast<int>(size));
            size = grown;
        }
    }
    prefix.resize(keep);
    return static_cast<uint32_t>(std::max<int64_t>(size, 0));
}

namespace {

// Chooses and prepares the output: in place for an import into the DB
// itself, otherwise a whole new file through `out`, into which an import
// first copies the DB. False after printing a message.
bool dbPrepareOutput(DbArchive& a, const ArgList* list, FileOutput& out)
{
    const bool hasName = list && !list->items.empty();
    const std::string named = hasName ? list->items[0] : "";
    if (dbSettings.import && (!hasName || named == a.name || platformSameFile(named, a.name))) {
        a.outName = a.outPath = a.name;  // in place
        return fileCheckWritable(a.name);
    }
    if (!dbSettings.import && hasName && platformSameFile(named, a.name)) {
        std::fprintf(stderr, dbMsgSameFile, named.c_str());
        return false;
    }
    out.quietCreate = true;
    const std::string& target = hasName ? named : a.name;
    const bool begun = fileOutputBegin(out, target);
    a.outPath = out.path;
    a.outName = hasName ? named : out.path;
    const char* failed = dbSettings.import ? dbMsgCopyForImport : dbMsgInitHeader;
    if (!begun) {
        // The routine has said why, unless no file could be made there.
        if (out.createFailed)
            std::fprintf(stderr, failed, target.c_str());
        return false;
    }
    if (dbSettings.import) {
        const auto size = static_cast<uint32_t>(a.size);
        if (a.size >= 0 && fileCopyF(a.name, a.outPath, 0, 0, size, "wb") == size)
            return true;
    } else {
        const uint32_t room = a.ptrTablePos + a.chunkCount * dbEntrySize;
        if (fileFillF(a.outPath, 0, 0, room, "wb") == room)
            return true;
    }
    std::fprintf(stderr, failed, a.outName.c_str());
    fileOutputAbandon(out);
    return false;
}

}  // namespace

int dbImport(std::string& prefix, DbArchive& a, const ArgList* list)
{
    const bool recreate = !dbSettings.import;
    a.writeFailed = false;
    FileOutput out;
    if (!dbPrepareOutput(a, list, out))
        return 0;
    a.addName = list && list->items.size() >= 2 ? list->items[1] : "";
    if (dbSettings.expandName)
        a.addName = dbBaseName(a.name) + "_";

    // Recreation puts the first chunk right after the pointer table, so that
    // is where the table must say it is.
    const int64_t firstEntry = int64_t{a.chunkCount} * dbEntrySize;
    if (recreate && a.ptrTable[0] != firstEntry)
        std::fprintf(stderr, dbMsgFirstChunk, a.ptrTable[0], static_cast<unsigned>(firstEntry));
    int64_t nextPtr = firstEntry;
    for (unsigned i = 0; i < a.chunkCount; ++i) {
        const uint32_t s = dbImportChunk(prefix, a, i);
        if (!recreate)
            continue;
        // Entry i is replaced only now: its chunk was read from the old one.
        if (nextPtr < 0 || nextPtr > dbEntryOffsetMask) {
            std::fprintf(stderr, dbMsgTableRange, static_cast<int>(i), a.outName.c_str(),
                         static_cast<unsigned>(nextPtr));
            a.writeFailed = true;
        }
        a.ptrTable[i] = static_cast<uint32_t>(nextPtr) & dbEntryOffsetMask;
        nextPtr = nextPtr + s - 4;
    }
    if (recreate) {
        dbSaveAfterData(a);
        dbSaveHeader(a);
        if (dbSettings.align)
            dbAlign(a);
    }
    if (!out.pending && !out.inPlace)
        return 1;  // written in place
    if (a.writeFailed) {
        std::fprintf(stderr, dbMsgNotReplaced, out.target.c_str());
        fileOutputAbandon(out);
        return 0;
    }
    return fileOutputCommit(out) ? 1 : 0;
}
