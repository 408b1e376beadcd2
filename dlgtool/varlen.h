// The 0xF90D opcode of a dialog script: F9 0D, then the line-length data of
// the lines that hold variable-length items, ending with FF FF FF. The data
// is a sequence of groups:
//   2    header: bits 0-11 the line's fixed width, bits 12-15 the line index
//   any  the items (each without its leading F9; F9 06 s v with s 0 or 3 is
//        stored as 06, s * 16 + (v & 0x0F))
//   1    FF
// followed by FF FF after the last group.
//
// The varlen record collects that data while a dialog text is measured.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

inline constexpr uint8_t dlgOpcodeF9 = 0xF9;
inline constexpr uint8_t dlgOpcodeVarlen = 0x0D;
inline constexpr size_t kz7varlenBlockSize = 8192;

struct Kz7Varlen {
    std::vector<uint8_t> data;
    size_t header = 0;       // position of the open group's header
    bool groupOpen = false;  // a header is reserved for the current group
    int64_t max = -1;        // widest line the items can make, 0 when unbounded
    int64_t acc = -1;        // accumulated item width of the open line, -1 none
    int lastLine = 0;
};

// Creates the record (its working block); false after memMalloc printed.
[[nodiscard]] bool kz7varlenCreate(Kz7Varlen& v);

// Clears the record before a dialog.
void kz7varlenReset(Kz7Varlen& v);

// Adds the bytes of an item of maximal width `width` to the open group.
void kz7varlenAddItem(Kz7Varlen& v, std::span<const uint8_t> item, long width);

// Reserves the header of a new group unless one is open.
void kz7varlenOpenGroup(Kz7Varlen& v);

// Closes the open group with the line's fixed width and index.
void kz7varlenCloseGroup(Kz7Varlen& v, int64_t width, int line);

// Ends the data (FF FF after the last group).
void kz7varlenFinish(Kz7Varlen& v);

// The opcode in a script record: offsets of its F9 byte and of the end of
// its FF FF FF. Prints when the end is missing.
struct DlgOpcode {
    size_t start = 0;  // F9
    size_t end = 0;    // one past the last FF
};
std::optional<DlgOpcode> dlgFindOpcode(std::span<const uint8_t> script);

// Compares the old data (in the script, updated in place: the widths of
// matching groups are copied from the new data) with the new data. A
// negative result is a mismatch; otherwise the new bytes left over. `mode`
// 2 prints the dumps and messages of a failed update.
int kz7varlenCompareUpdate(std::span<uint8_t> old, std::span<const uint8_t> neu, int mode);
