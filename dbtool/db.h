// DB archives: containers of typed chunks of files, found inside the IMG
// archive (their first byte is 0xDB). Little-endian; positions are byte
// offsets from the start of the DB file.
//
//   header    0xDB, chunk count K (1..255), two reserved bytes (0, 0)
//   table     K entries of 4 bytes at offset 4: chunk type in the top byte,
//             in the low 24 bits the distance from the entry itself
//             (4 + 4*i) to the chunk's header
//   chunk H   type, file count n, two reserved bytes; n 16-bit ids; two
//             padding bytes when n is odd; then at P ("pointer base") n file
//             pointers and one end pointer
//
// File pointer j is relative to its own slot: file j begins at
// P + 4*j + pointer[j] and runs up to the next file. The end pointer is
// relative to P: the chunk's data end at P + pointer[n]. Bytes between the
// pointer array and the first file ("spacing data") belong to the chunk.
// After the last chunk's data a non-zero 32-bit word may follow ("After Db
// data"); recreation keeps it.
//
// Every position and size taken from the file is checked against the file's
// size before it is read or written.
#pragma once

#include "arglist.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

inline constexpr uint8_t dbMagic = 0xDB;
inline constexpr uint32_t dbHeaderSize = 4;
inline constexpr uint32_t dbTablePos = 4;
inline constexpr uint32_t dbEntrySize = 4;
inline constexpr uint32_t dbChunkHeaderSize = 4;
inline constexpr uint32_t dbEntryOffsetMask = 0xFFFFFF;
inline constexpr unsigned dbEntryTypeShift = 24;
inline constexpr uint32_t dbAfterDataSize = 4;

// Names of extracted files: DIR prefix, name prefix (addname), chunk index,
// file index and, in the long form, the file's id; then the extension.
inline constexpr const char* dbNameShort = "%s%s%02x%02x%s";
inline constexpr const char* dbNameLong = "%s%s%02d_%02d_%04X%s";
inline constexpr const char* dbSubdirFormat = "%s%02X/";

// Settings of one run, set while the command line is read.
struct DbSettings {
    bool subdirs = true;      // -n turns off
    bool import = false;      // -i: import instead of recreate
    bool decode = false;      // -d: extensions from chunk types
    bool shortNames = false;  // -s
    bool align = false;       // -a: grow a recreated DB to the input's size
    bool expandName = false;  // -x: name prefix from the DB file's name
};
extern DbSettings dbSettings;

struct DbChunk {
    uint8_t type = 0;
    uint8_t n = 0;
    std::array<uint8_t, dbChunkHeaderSize> header{};  // as stored
    uint32_t headerPos = 0;                           // H in the input
    // Ids, padding and the n + 1 pointers as stored (6*n + 4 + padding
    // bytes); recreation rewrites the pointers in place.
    std::vector<uint8_t> ids;
    uint32_t pointerBase = 0;  // P
};

struct DbArchive {
    std::string name;
    int64_t size = 0;
    uint32_t chunkCount = 0;
    std::vector<DbChunk> chunks;
    std::vector<uint32_t> ptrTable;  // top byte cleared
    uint32_t ptrTablePos = dbTablePos;
    std::array<uint8_t, dbHeaderSize> header{};
    int64_t dataEnd = 0;
    uint32_t afterData = 0;
    bool hasAfterData = false;
    std::string outName;  // output of import/recreation as named in messages
    std::string outPath;  // the file actually written (a temporary file while replacing)
    std::string addName;  // prefix in front of every file name
    bool writeFailed = false;  // a write of import/recreation went wrong
};

// Padding bytes after the ids of a chunk of n files.
[[nodiscard]] constexpr uint32_t dbChunkPadding(unsigned n)
{
    return (n & 1u) ? 2u : 0u;
}

// Offset of the pointer array inside DbChunk::ids.
[[nodiscard]] constexpr uint32_t dbChunkPointerOffset(unsigned n)
{
    return 2u * n + dbChunkPadding(n);
}

// Bytes of DbChunk::ids for n files.
[[nodiscard]] constexpr uint32_t dbChunkBlockSize(unsigned n)
{
    return 6u * n + 4u + dbChunkPadding(n);
}

[[nodiscard]] uint16_t dbChunkId(const DbChunk& chunk, unsigned j);
[[nodiscard]] uint32_t dbChunkPointer(const DbChunk& chunk, unsigned j);  // j <= n
void dbChunkSetPointer(DbChunk& chunk, unsigned j, uint32_t value);

// Where file j of a chunk lies in the input, from the pointers as stored.
// The last file ends at the end pointer reduced by 4*n, or is 4 bytes long
// when that lies below its own pointer. The size may be negative.
struct DbExtent {
    int64_t position = 0;
    int64_t size = 0;
};
[[nodiscard]] DbExtent dbFileExtent(const DbChunk& chunk, unsigned j);

// True when [position, position + size) lies inside the DB file (always for
// an empty extent).
[[nodiscard]] bool dbExtentInFile(const DbArchive& archive, int64_t position, int64_t size);

// The same, printing the "outside" line when it does not.
[[nodiscard]] bool dbCheckRange(const DbArchive& archive, int64_t position, int64_t size);

// Reads bytes at a position of the DB; the bytes read (fewer at its end).
using DbReader = std::function<int64_t(uint64_t position, std::span<uint8_t> out)>;

// Opens a DB file: reads its header, pointer table, chunk headers, ids and
// pointers, and the trailing word. Null after printing a message.
[[nodiscard]] std::unique_ptr<DbArchive> dbOpen(const std::string& name);

// The same over any reader, for a DB of `size` bytes called `name`.
[[nodiscard]] std::unique_ptr<DbArchive> dbOpenReader(const std::string& name, int64_t size,
                                                      const DbReader& reader);

// Releases an archive (kept for symmetry with dbOpen; the owner does it).
void dbClose(std::unique_ptr<DbArchive> archive);

// Prints the chunk list with ids and pointers.
void dbList(const DbArchive& archive, FILE* out = stdout);

// Extension of a chunk type: ".tim", ".dlg", ".db" with -d for types 4, 6
// and 0x1B, else "." and two lower-case hex digits; "BIG" above 255.
[[nodiscard]] std::string dbTypeExtension(unsigned type);

// File name without directory and extension.
[[nodiscard]] std::string dbBaseName(const std::string& path);

// Name of file j of chunk i under the DIR prefix `prefix` (with its
// subdirectory, if any), as extraction, import and recreation use it.
[[nodiscard]] std::string dbFileName(const std::string& prefix, const DbArchive& archive,
                                     unsigned i, unsigned j, const std::string& ext);

// Appends the chunk type's subdirectory ("0A/") to the prefix when
// subdirectories are on.
void dbEnterSubdir(std::string& prefix, const DbChunk& chunk);

// Extracts every chunk into the DIR prefix; the number of files written.
int dbExtractAll(std::string& prefix, DbArchive& archive, const ArgList* list);

// Extracts the files of chunk i; the number written.
int dbExtractChunk(std::string& prefix, const DbArchive& archive, unsigned i);

// Writes `size` bytes from `position` of the DB into `name`; 1 if all were
// written, else 0.
int dbExtractFile(const std::string& name, const DbArchive& archive, int64_t position,
                  int64_t size);

// Import (-i) and recreation (-r) of the files of a DIR tree; 1 when the walk
// ran to its end, 0 when the output could not be prepared or replaced.
int dbImport(std::string& prefix, DbArchive& archive, const ArgList* list);

// Puts the files of chunk i back; the chunk's size in bytes (0 when its
// placeholder could not be written).
uint32_t dbImportChunk(std::string& prefix, DbArchive& archive, unsigned i);

// Appends the placeholder of chunk i; its position in the output, 0 on error.
uint32_t dbInitChunk(DbArchive& archive, unsigned i);

// Appends the spacing data of chunk i; the bytes copied.
uint32_t dbCopySpacing(DbArchive& archive, unsigned i);

// Appends the DIR file `name`, or without it the old bytes of the input,
// padded to a multiple of 4; the bytes appended, 0 on error.
uint32_t dbAppendFile(const std::string& name, DbArchive& archive, int64_t position, int64_t size);

// Writes the DIR file `name` over the old file if it fits, zero-filling the
// rest; the old size, or 0 when it was not written.
uint32_t dbReplaceFile(const std::string& name, DbArchive& archive, int64_t position,
                       int64_t osize);

// Brings the end pointer of chunk i to a multiple of 4; zero bytes appended.
uint32_t dbAlignChunk(DbArchive& archive, unsigned i);

// Writes chunk i's header and block over its placeholder at `start`.
void dbSaveChunkHeader(DbArchive& archive, unsigned i, uint32_t start);

// Appends the trailing word if the input had a non-zero one; 4 or 0.
uint32_t dbSaveAfterData(DbArchive& archive);

// Writes the DB header and the chunk pointer table over their placeholder.
void dbSaveHeader(DbArchive& archive);

// Grows the output to the input's size with the input's bytes after its
// data (zero bytes where it has none).
void dbAlign(DbArchive& archive);
