// IMG archive: a header area of 2048-byte sectors followed by the files,
// each starting on a sector boundary. All integers are little-endian.
//
//   sector 0, offset 0   "KZ7", 1 byte, unknown[1] (u32, expected 6),
//                        directory count N (u32, 1..127), unknown[2] (u32)
//   offset 16            N directory entries of 16 bytes:
//                        type (2, 3 or 4), files, table sector, file sector
//   last entry           type 4; its sector field is the header area's length
//   type 2 table         files + 1 records {u16 id, u16 flags, u32 sector};
//                        the last is the end record (0xFFFF, 0xFFFF, end)
//   type 3 table         files + 1 u16 offsets from the file sector; 0xFFFF
//                        marks an unused entry; the last is the end offset
//
// The archive is read once into an ImgArchive (header area in memory); file
// data are copied through fileutils in bounded chunks, never held whole.
#pragma once

#include "arglist.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

inline constexpr uint32_t imgSectorSize = 2048;
inline constexpr size_t imgHeaderSize = 16;
inline constexpr size_t imgDirEntrySize = 16;
inline constexpr uint32_t imgMaxDirs = 127;
inline constexpr size_t imgOffUnknown1 = 4;
inline constexpr size_t imgOffDirCount = 8;
inline constexpr size_t imgOffUnknown2 = 12;
inline constexpr size_t imgType2RecordSize = 8;
inline constexpr size_t imgType3EntrySize = 2;
inline constexpr uint16_t imgUnused = 0xFFFF;
inline constexpr uint32_t imgMaxType3Offset = 0xFFFE;  // 0xFFFF means unused

enum : uint32_t { imgType2 = 2, imgType3 = 3, imgType4 = 4 };

struct ImgDirEntry {
    uint32_t type = 0;
    uint32_t files = 0;
    uint32_t sector = 0;      // table sector; header length in the type 4 entry
    uint32_t fileSector = 0;  // type 3 base; type 2 data start
};

struct ImgArchive {
    std::string name;
    int64_t size = 0;
    uint32_t dirCount = 0;
    std::vector<ImgDirEntry> dirs;  // dirCount entries
    std::vector<uint8_t> header;    // the whole header area; tables live here
    uint32_t unknown1 = 0;
    uint32_t unknown2 = 0;
    std::string outName;  // output of import and recreation, as messages name it
    std::string outPath;  // the file written (a temporary file while replacing)
};

// Options of one run, set while the command line is read.
struct ImgSettings {
    bool useSubdirs = true;
    bool import = false;
    bool decode = false;
    bool shortNames = false;
};
extern ImgSettings imgSettings;

// A type 2 record as named in file names.
struct ImgRecord {
    uint16_t id = 0;
    uint16_t flags = 0;
    uint32_t sector = 0;
};

// One file of a type 3 table walk: start entry, name position (the last
// entry before the next used one) and the offsets of its start and end.
struct ImgType3File {
    size_t start = 0;
    size_t position = 0;
    uint16_t first = 0;
    uint16_t end = 0;
};

// Opens and checks an archive: its header, directory list and every table
// inside the header area. Null after printing the reason.
std::unique_ptr<ImgArchive> imgOpen(const std::string& name);

void imgClose(std::unique_ptr<ImgArchive> archive);

// Prints the directory list and the ids and flags of every type 2 table.
void imgList(const ImgArchive& archive);

// Extracts every directory, or those of `list` (numbers, automatic base).
// Files written completely.
long long imgExtractAll(std::string& prefix, const ImgArchive& archive, const ArgList* list);

// Files written from directory i (0 after printing why it was skipped).
long long imgExtractDir(std::string& prefix, const ImgArchive& archive, uint32_t i);

// Copies sectors [first, end) of the archive into `name`. 1 when every byte
// was written, else 0. Sectors are 64-bit so that a type 3 base plus its
// offset cannot wrap round to the start of the archive.
int imgExtractFile(const std::string& name, const ImgArchive& archive, uint64_t first,
                   uint64_t end);

// "", ".db" or ".tim" from the first bytes at `sector` (always "" unless
// decoding is on).
std::string imgDecodeExtension(const ImgArchive& archive, uint64_t sector);

// The prefix of directory i's subdirectory: prefix, two digits, '/'.
std::string imgDirPrefix(const std::string& prefix, uint32_t i);

// The name extraction writes and import and recreation look for.
std::string imgFileName(const std::string& prefix, uint32_t i, size_t j,
                        const ImgRecord* record, const std::string& ext);

// Reading the tables of the header area (bounds checked when opened).
ImgRecord imgGetRecord(const ImgArchive& archive, uint32_t i, size_t j);
uint16_t imgGetType3(const ImgArchive& archive, uint32_t i, size_t k);

// True when every file of the tables runs forwards and ends inside the
// archive; otherwise prints the first that does not. Writing modes check
// this before they write anything.
bool imgCheckExtents(const ImgArchive& archive);

// Warns when the end record of type 2 directory i is not 0xFFFF, 0xFFFF.
void imgCheckEndRecord(const ImgArchive& archive, uint32_t i);

// The files of a type 3 table in walk order.
std::vector<ImgType3File> imgType3Walk(const ImgArchive& archive, uint32_t i);

// Header area length in sectors (the type 4 entry's sector field).
uint32_t imgHeaderSectors(const ImgArchive& archive);

// Mode 3: import (imgSettings.import) or recreation. With a list its first
// item names the output. 1 when the walk ran to its end, 0 when nothing was
// done (the input and any named output are then as they were or removed).
int imgImport(std::string& prefix, ImgArchive& archive, const ArgList* list);

// One directory of mode 3. The new `next` in recreation, the `next` passed
// in for import; nullopt when the directory is rejected or recreation cannot
// go on (recreation then stops).
std::optional<uint32_t> imgImportDir(std::string& prefix, ImgArchive& archive, uint32_t i,
                                     uint32_t next);

// Writes `name` over sectors [first, end) of the output if it fits, zero
// filling the rest. Sectors of the space, or 0 when nothing was written.
uint32_t imgReplaceFile(const std::string& name, const ImgArchive& archive, uint32_t first,
                        uint32_t end);

// Appends `name` (padded to whole sectors) to the output, or sectors
// [first, end) of the input when DIR has no such file (a last sector cut
// short is completed with zeros). Sectors appended, 0 on error.
uint32_t imgAppendFile(const std::string& name, const ImgArchive& archive, uint32_t first,
                       uint32_t end);

// Writes the header area and the directory list over the output's start.
// False after printing on a short write.
[[nodiscard]] bool imgSaveHeader(const ImgArchive& archive);
