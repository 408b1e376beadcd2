// The sample game: a small, self-consistent synthetic kz7 game that the
// toolkit's demo and tests work on. It is built in memory from the writers
// of each format and written into a directory, byte for byte the same on
// every run.
//
// kz7.img holds, after its header area:
//   directory 0 (type 2): the font TIM, a configuration block, the battle DB
//   directory 1 (type 3): SCENE01 DB, SCENE02 DB, an unused entry, the title TIM
//   directory 2 (type 3): two sound banks
//   directory 3 (type 2): the credits text and a save icon
// SCENE01 DB: chunk 0 type 6 (dialog files 0x0100 and 0x0101), chunk 1 type 4
// (three TIMs), chunk 2 type 0x0A (tile info with spacing data), chunk 3
// type 2 (two map blocks), trailing word. SCENE02 DB: dialogs, TIMs and tile
// info of a second background. BATTLE DB: a battle dialog file and enemy data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SampleGameFile {
    std::string name;  // file name inside the output directory
    std::string what;  // one line for the listing
    std::vector<uint8_t> data;
};

struct SampleGame {
    std::vector<SampleGameFile> files;  // kz7.img, kz7.tbs, kz7.tbl, kz7.bin, movie.str, kz7msg.dat, reel/
    // Files inside the archives under the names extraction gives them with
    // decoded extensions, without sector or word padding: "01/01_0000.db" for
    // a file of the IMG, "01/01_0000.db:06/00_00_0100.dlg" for a file of a DB.
    std::vector<SampleGameFile> inner;
};

// The whole game; on failure nullopt and `error` names the part that failed.
std::optional<SampleGame> sampleGameBuild(std::string& error);

// Writes every file of the game into `dir` (created when missing, one level)
// through a temporary file each, so an existing file is replaced whole or
// not at all. Messages go to stderr; true on success.
bool sampleGameWrite(const SampleGame& game, const std::string& dir);

// Pieces of the game that the tests and the demo refer to.
namespace sampleGameParts {
inline constexpr const char* imgName = "kz7.img";
inline constexpr const char* tableName = "kz7.tbs";
inline constexpr const char* lengthsName = "kz7.tbl";
// The demo edits dialog 1 of dialog file 0x0100 in SCENE01 (directory 1,
// position 0 of the IMG; chunk 0, file 0 of the DB).
inline constexpr const char* sceneDb = "01/01_0000.db";
inline constexpr const char* sceneDialog = "06/00_00_0100.dlg";
}  // namespace sampleGameParts
