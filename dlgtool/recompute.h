// Recomputation of the dialog window sizes: every dialog text is measured
// with the lengths table; the window's width and height go into the size
// word of the pointer table (the script record's flags in a normal file, the
// record's own in a battle file), the line count into the low byte of a
// normal text record's flags, and the line-length data of variable items
// into the script's 0xF90D opcode as the mode says.
#pragma once

#include "dlgfile.h"
#include "lengths.h"
#include "varlen.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct DlgMeasure {
    int64_t maxWidth = -1;
    int64_t maxHeight = -1;
    int64_t maxLines = -1;
    bool abandoned = false;  // a "k" entry: the dialog keeps its sizes
};

// Measures one dialog text. "ls" parameters and the line slots of an opcode
// 04 inside `text` are written in place. `varlen` (may be null) is reset and
// receives the dialog's line-length data.
DlgMeasure dlgMeasure(const DlgLengths& t, std::span<uint8_t> text, Kz7Varlen* varlen);

// The size word of a measured dialog: width in bits 0-11, 16 * lines above.
// A width or height the word's fields cannot hold is stored as the field's
// largest value, never wrapped, after a warning naming `name` and `dialog`.
uint16_t dlgSizeWord(const DlgMeasure& m, const std::string& name = "", int dialog = 0);

inline constexpr int64_t dlgMaxWindowWidth = 0xFFF;        // bits 0-11
inline constexpr int64_t dlgMaxWindowHeight = 15 * 16;     // 15 lines in bits 12-15
inline constexpr int64_t dlgMaxLinesByte = 0xFF;           // low byte of the text's flags

enum class DlgRecomputeResult {
    done,       // `buf` holds the recomputed file
    unchanged,  // a rebuild stopped early, or the file can't be recomputed: `buf` as given
    refused,    // the result can't be stored with 16-bit pointers: nothing to write
};

// Recomputes a whole dialog file in memory (`n` dialogs, battle or normal;
// `name` for messages). Modes 1 and 3 of a normal file rebuild the records,
// the others edit `buf` in place (and keep the edits made before visiting
// stops at a bad pointer). Bytes between the N dialogs' table entries and
// the first record stay as they are, except `extraEntries` entries that
// creation made for parts past the last whole dialog (an odd part count):
// those point into the last text and move with it.
DlgRecomputeResult dlgRecompute(std::vector<uint8_t>& buf, uint32_t n, bool battle,
                                const std::string& name, const DlgSettings& s,
                                size_t extraEntries = 0);

// Handler of -o alone: recomputes `in` and writes the result to `out`.
// Always 0: recomputing adds nothing to the count of processed files.
int dlgRecomputeFile(const DlgSettings& s, const std::string& in, const std::string& out,
                     const std::string* script);
