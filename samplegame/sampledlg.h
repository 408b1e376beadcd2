// Dialog files of the sample game (DB chunk type 6).
//
// Layout: dialog count N (32 bits), then a pointer table of records (16-bit
// offset from byte 4, 16-bit flags), then the records' data back to back.
// A normal file has 2N records, script k then text k; the script record's
// flags hold the window size word and the low byte of the text record's
// flags the number of lines. A battle file has N text records whose flags
// are the window size words. The sizes are those a recomputation from the
// lengths table gives, and a script holds an F9 0D line-data opcode exactly
// when a line with names could outgrow the window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SampleDialog {
    std::vector<uint8_t> scriptHead;  // script bytes before the place of the F9 0D opcode
    std::vector<uint8_t> scriptTail;  // script bytes after it
    std::string text;                 // in the table's values, ending in [e]
    uint8_t textFlagsHigh = 0;        // the text record's flag byte the game keeps for itself
};

// A normal dialog file; nullopt when a text cannot be encoded, a script
// holds a byte that reads as a printable character, or the records would not
// be reachable with 16-bit pointers.
std::optional<std::vector<uint8_t>> sampleDlgNormal(const std::vector<SampleDialog>& dialogs);

// A battle dialog file of the texts; nullopt as above.
std::optional<std::vector<uint8_t>> sampleDlgBattle(const std::vector<std::string>& texts);
