// Dialog file (".dlg"), all integers little-endian:
//   0      4      number of dialogs N
//   4      4 * R  pointer table: R records of (16-bit pointer, 16-bit flags)
//   ...           the records' data, in record order
// A pointer counts from file offset 4. A record runs to the next record's
// start; the last one to the end of the file. A normal file has R = 2N
// records alternating script, text, and its first pointer is 8N; a battle
// file has R = N text records and first pointer 4N. Messages name a record
// by its pointer's position in the table counted in 16-bit words (2 * index).
//
// The text export puts a 61-byte separator after every record:
//   CR LF "**EnD**" "[" flags as "%04X" "]" 42 stars CR LF CR LF
// In a battle file the star after "EnD" is a "b".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct DlgLengths;
struct Kz7Varlen;

inline constexpr size_t dlgCountSize = 4;      // N at offset 0
inline constexpr size_t dlgEntrySize = 4;      // pointer and flags
inline constexpr uint32_t dlgPointerMax = 0xFFFF;
inline constexpr size_t dlgSeparatorSize = 61;
inline constexpr size_t dlgSeparatorStartSize = 10;  // CR LF "**EnD**["
inline constexpr size_t dlgSeparatorFlagsAt = 10;
inline constexpr size_t dlgSeparatorFlagsSize = 4;
inline constexpr size_t dlgSeparatorTailAt = 14;     // "]", stars, CR LF CR LF
inline constexpr size_t dlgSeparatorTailSize = 47;
inline constexpr size_t dlgSeparatorCountStep = 55;  // where counting resumes after a hit
inline constexpr size_t dlgSeparatorBattleAt = 7;    // the star replaced by 'b'
inline constexpr const char dlgSeparatorTemplate[] =
    "\r\n**EnD**[****]******************************************\r\n\r\n";
static_assert(sizeof dlgSeparatorTemplate - 1 == dlgSeparatorSize);

// Recompute modes (treatment of the 0xF90D opcode).
inline constexpr int dlgModeNone = 0;     // -dn: only the flags
inline constexpr int dlgModeMerge = 1;    // -dm: update similar, replace different
inline constexpr int dlgModeUpdate = 2;   // -du: update in place only
inline constexpr int dlgModeReplace = 3;  // -dr: replace by the new data

// What the handlers share for a run: the table slots set up by the command
// line and the recompute settings.
struct DlgSettings {
    int dialogSlot = 0;
    int dlsSlot = 0;
    bool recompute = false;
    int mode = dlgModeReplace;
    const DlgLengths* lengths = nullptr;  // loaded lengths table (recompute)
    Kz7Varlen* varlen = nullptr;          // null: opcodes left alone as in -dn
};

enum class DlgKind { normal, battle, unexpected };

struct DlgHeader {
    uint32_t count = 0;     // N
    uint32_t firstPtr = 0;  // first pointer (offset from 4)
    DlgKind kind = DlgKind::normal;
    bool battle() const { return kind == DlgKind::battle; }
    // Pointer-table words: 2N for a battle file, 4N otherwise.
    int64_t words() const { return (battle() ? 2 : 4) * int64_t{count}; }
};

// Reads N and the first pointer (a missing pointer reads as 0) and
// classifies the file. Prints nothing.
DlgHeader dlgReadHeader(std::span<const uint8_t> file);

// Prints the "unexpected header size" warning when the kind calls for it.
void dlgWarnHeader(const DlgHeader& h);

// Pointer and flags of the record whose entry starts at word `word`;
// nullopt when the entry lies outside the file.
std::optional<uint16_t> dlgPointer(std::span<const uint8_t> file, int64_t word);
std::optional<uint16_t> dlgFlags(std::span<const uint8_t> file, int64_t word);

// The separator after a record with these flags.
std::string dlgSeparator(uint16_t flags, bool battle);

// The first 10 bytes of the separator in its normal or battle form.
std::string dlgSeparatorStart(bool battle);

// Writes a whole output file through the shared output routine: the old
// file stays until the new one is complete. Bytes written; -1 when the
// routine refused the output or could not put it in place, after its own
// message.
int64_t dlgWriteFile(const std::string& path, std::span<const uint8_t> bytes);

// dlgWriteFile that reports a short write itself; true when all is written.
bool dlgSaveFile(const std::string& path, std::span<const uint8_t> bytes);
