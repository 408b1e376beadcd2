// Character tables: the game's byte encoding as a text file of CR LF lines
// "KEY=VALUE", where KEY are game bytes and VALUE readable text. Both sides
// are unescaped ("\\" escape, "\xHH" one byte, "\=" and "\" before CR LF keep
// the character). A copy char "\cNN" (NN raw bytes) or "\hNN" (NN bytes as
// 2 * NN hexadecimal characters) inside a key is a wildcard whose run is
// carried into the value's copy char. A line "=skipmode" makes unmatched
// input bytes vanish instead of passing through.
//
// The module holds one current table and two slots; converting always works
// on the current table. Matching takes, at every input position, the first
// entry in sorted order (longest fixed prefix first, ties in file order)
// that matches there; a prefix tree of the keys finds it without trying
// every entry. After an unmatched byte, a rest of the input shorter than
// the last sorted key, and than every other key that is tried, passes as it
// is (copied, or dropped in skip mode). Keys that straddle the chunks of a
// file copy are converted as if the file were converted whole.
//
// The data file tool links the module in its own form (`tblForm`): no
// directives, its own line messages, no copy char at position 0, a key copy
// char needs a value copy char, unmatched bytes always copied, and a tail
// shorter than the last sorted key left unconsumed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Syntax of the table text.
inline constexpr char tblLineSep[] = "\r\n";
inline constexpr size_t tblLineSepLen = 2;
inline constexpr char tblAssign = '=';
inline constexpr char tblEscape = '\\';
inline constexpr char tblHexLetter = 'x';
inline constexpr char tblCopyRawLetter = 'c';      // run of raw bytes
inline constexpr char tblCopyHexLetter = 'h';      // run written as hex text
inline constexpr size_t tblCopyCharLen = 4;        // escape, letter, two digits
inline constexpr char tblDirectiveSkip[] = "skipmode";

// Copy char kinds as stored in the rewritten key or value.
inline constexpr uint8_t tblKindRaw = 1;
inline constexpr uint8_t tblKindHex = 2;

// Bytes held by fileCopyTbl at a time.
inline constexpr size_t tblCopyChunk = 0x40000;

// Messages of the module (standard error).
inline constexpr const char* tblMsgAlloc = "TBL:Memory alloc error: %d bytes\n";
inline constexpr const char* tblMsgTwoCopyChars =
    "ERROR: currently supported only 1 copys char in string\n";
inline constexpr const char* tblMsgRealloc = "cant reallocate %d to %d\n";
inline constexpr const char* tblMsgDfileStartsAssign =
    "Line %d :must not start with assign string, skipping this line\n";
inline constexpr const char* tblMsgDfileEndsAssign =
    "Line %d :must not end with assign string, skipping this line\n";

// Which program's form of the module is in force (set once at start).
enum class TblForm { tools, dfile };
extern TblForm tblForm;

// One accepted line. Key and value point into the table's text; a copy char
// stays 4 bytes long there, rewritten to (kind, count, digit, digit).
struct TblEntry {
    std::span<const uint8_t> key;
    std::span<const uint8_t> value;
    int keyCopy = -1;    // offset of the key's copy char, -1 if none
    int valueCopy = -1;  // offset of the value's copy char, -1 if none
};

// Prefix tree over the fixed key bytes of one direction (a plain key whole,
// a copy char key up to its copy char). Walking it along the input yields
// every entry whose fixed bytes start the input, grouped by their length,
// which is their sort key; so the first matching entry in sorted order is
// found without trying the others.
struct TblNode {
    int32_t terminal = -1;        // first plain entry whose key ends here
    int32_t dense = -1;           // row of TblDirection::dense, or -1
    std::vector<uint32_t> copies; // copy char entries whose fixed bytes end here
    std::vector<std::pair<uint8_t, uint32_t>> kids;  // when not dense
};

// A child reference with this bit set names an entry, not a node: a node
// that would hold only that plain entry's end, so the walk stops there.
inline constexpr uint32_t tblLeafBit = 0x80000000u;

// What the converter needs of an entry at hand, in 16 bytes: short plain
// entries carry their value inline so that the common case reads one record.
struct TblQuick {
    uint8_t value[12] = {};
    uint16_t keyLen = 0;
    uint8_t valueLen = 0;
    uint8_t inlined = 0;  // 1: plain entry whose value is in `value`
};

// The same tree as a table of 32-bit cells, one row of 256 per node with
// children, for positions where the whole input left is at least `need`:
// stepping through it yields the decision itself, so that a short key with a
// short value costs one read per input byte. The root row is at 0. A cell is
// one of:
// - bit 31 set: the decision is an entry of at most 3 value bytes, kept in
//   bits 0-23 in output order; bits 24-25 the value length, bits 26-29 the
//   input bytes it consumes, bit 30 set when that is the bytes read to get
//   here (then the next position does not wait for this cell);
// - otherwise bits 29-30 tell: 0 the offset of the row for the next byte,
//   1 the index of a plain entry whose value is longer, 2 no entry matches,
//   3 a copy char entry may match here, so the tree is walked.
// Empty when a copy char key has no fixed bytes (every position is then
// walked); rows beyond a size limit are walked too. Only the cells of bytes
// that occur are ever read, so a wide row costs memory, not cache.
inline constexpr uint32_t tblCellInline = 0x80000000u;
inline constexpr uint32_t tblCellExact = 0x40000000u;
inline constexpr uint32_t tblCellEntry = 1u << 29;
inline constexpr uint32_t tblCellMiss = 2u << 29;
inline constexpr uint32_t tblCellWalk = 3u << 29;
inline constexpr uint32_t tblCellPayload = (1u << 29) - 1;

// Entries of one direction in sorted order and their prefix tree.
struct TblDirection {
    std::vector<TblEntry> entries;
    std::vector<TblQuick> quick;    // one per entry
    std::vector<TblNode> nodes;     // nodes[0] is the root
    std::vector<uint32_t> dense;    // 256 children per row, 0 = none
    std::vector<uint32_t> cells;    // rows of decisions, see above
    size_t need = 1;      // most input bytes any decision at one position reads
    size_t lastKeyLen = 0;  // key length of the last entry in sorted order
    size_t passBelow = 0;   // after a miss, a shorter rest passes unconverted:
                            // lastKeyLen, or a shorter key that is tried
};

// The immutable part of a loaded table, shared by the current table and the
// slots it was saved to.
struct TblData {
    std::vector<uint8_t> text;  // the whole table file, unescaped in place
    TblDirection forward;       // key = game bytes, value = text
    TblDirection reverse;       // the same entries swapped
};

struct TblTable {
    std::shared_ptr<const TblData> data;  // null: no table loaded
    int copyUnmatched = 1;                // 0 after "=skipmode"
    double ratio = 0;                     // largest value/key length ratio
    size_t entryCount() const { return data ? data->forward.entries.size() : 0; }
};

// The current table (read-only view, for callers that size buffers or
// inspect entries).
const TblTable& tblCurrent();

// Loads the table file as the current table (the previous current table is
// replaced; it stays alive in a slot it was saved to). 1 on success; 0 after
// fileLoadFile printed why the file can't be read.
[[nodiscard]] int tblInit(const std::string& path);

// Parses a table text as the current table; 1 on success, 0 on failure.
[[nodiscard]] int tblInitMem(std::vector<uint8_t> text);

// Releases the current table (a slot holding it keeps its own reference).
int tblFree();

// Converts `in` through the current table, key to value, appending the
// output to `out` (which grows as needed). Returns the input bytes consumed
// (in.size(), or less in the data file tool's form), -1 when no output block
// could be had (message printed, `out` unchanged).
int tblConvert(std::span<const uint8_t> in, std::vector<uint8_t>& out);

// The same, value to key.
int tblConvertReverse(std::span<const uint8_t> in, std::vector<uint8_t>& out);

// Whether an output block the converter grew is trimmed to its content.
void tblSetShrink(int on);

// Saves the current table into the next free slot and makes that slot
// current; the slot index, or -1 when both slots are used.
int tblSave();

// Makes a used slot the current table; 1, or 0 for an index outside the
// used slots.
int tblSelect(int slot);

// Releases every used slot and marks all slots free.
void tblFreeAll();

// Back to the state at program start: no table, no slots, copy-unmatched
// and shrink on. (A program runs once; tests and the fuzzer run many times.)
void tblReset();

// Copies size * nmemb bytes from `fi` to `fo` converting them through a
// table: the file `table`, loaded for this copy and released after, or the
// current table when `table` is empty. `reverse` 0 converts key to value.
// `*written` (if not null) receives the bytes written. Returns the input
// bytes consumed; 0 when the table or the work buffer can't be had. Keys that
// straddle the 256 KiB chunks read at a time are converted as if the input
// were converted whole.
uint32_t fileCopyTbl(FILE* fi, FILE* fo, uint32_t size, uint32_t nmemb, const std::string& table,
                     int reverse, int64_t* written);

// As fileCopyTbl on named files: `iname` read from `iposition`, `oname`
// opened with `mode` and written from `oposition`. 0 on any open, seek,
// table or buffer failure.
uint32_t fileCopyTblF(const std::string& iname, const std::string& oname, uint32_t iposition,
                      uint32_t oposition, uint32_t size, const char* mode,
                      const std::string& table, int reverse, int64_t* written);

// Helpers of the table syntax, shared with the lengths table reader.

// Offset of the first occurrence of `sep` in `data` that is not escaped (an
// even number of escape bytes right before it), or data.size() if none.
size_t tblFindSeparator(std::span<const uint8_t> data, std::span<const uint8_t> sep);

// Unescapes `s` in place; returns the new length.
size_t tblUnescape(std::span<uint8_t> s);

// Value of a hexadecimal digit of either case, -1 for any other byte.
int tblHexDigit(uint8_t c);
