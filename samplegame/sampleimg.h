// The IMG archive of the sample game.
//
// Sector 0: "KZ7 ", 6, directory count N, a word kept by the tools; then N
// directory entries (type, files, table sector, file sector), the last of
// type 4 whose sector is the length of the header area. Every directory's
// file table has a sector of its own after sector 0: type 2 records (id,
// flags, absolute sector) and type 3 16-bit sector offsets from the
// directory's file sector (0xFFFF unused), each table closed by an end
// entry. The files follow the header area back to back in directory and
// table order, each padded with zeros to whole 2048-byte sectors.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

inline constexpr uint32_t sampleSector = 2048;

struct SampleImgFile {
    uint16_t id = 0;     // type 2 only
    uint16_t flags = 0;  // type 2 only
    bool unused = false; // type 3 only: a table entry of 0xFFFF instead of a file
    std::vector<uint8_t> data;
};

struct SampleImgDir {
    uint32_t type = 2;  // 2 or 3
    std::vector<SampleImgFile> files;
};

// The archive; nullopt for no directories or more than 126, a directory with
// fewer than 2 table entries, a type 3 directory beyond 16-bit offsets, an
// unused entry at the start of a table, or a table too large for its sector.
std::optional<std::vector<uint8_t>> sampleImgBuild(const std::vector<SampleImgDir>& dirs,
                                                   uint32_t headerWord);
