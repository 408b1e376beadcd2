// Lengths table (".tbl"): the width of every character of the game's
// encoding and the effect of the control codes on the measurement of a
// dialog text. CR LF lines "KEY=VALUE" with the character table's escapes in
// the key (game bytes). A key may hold one copy char "\cNN" (NN raw bytes),
// "\hNN" (2 * NN hex characters), "\tNN" (bytes up to and including the
// byte NN) or "\fNN" (length from the data: the second byte + 1); a copy char
// at the very start of a key is taken literally. The value, not unescaped,
// is a width (a number, any base strtol accepts) or "\name[,number]" naming
// an attribute.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum DlgAttr : int {
    dlgAttrNone = 0,        // unknown name: no effect
    dlgAttrWidth = 1,       // x += number
    dlgAttrNewLine = 2,     // "n"
    dlgAttrPage = 3,        // "p"
    dlgAttrX = 4,           // "x": x = v
    dlgAttrY = 5,           // "y": y = v
    dlgAttrAddX = 6,        // "ax": x += v
    dlgAttrAddY = 7,        // "ay": nothing
    dlgAttrSubX = 8,        // "sx": x -= v
    dlgAttrSubY = 9,        // "sy": nothing
    dlgAttrStopX = 10,      // "dx": width no longer tracked
    dlgAttrStopY = 11,      // "dy": height no longer tracked
    dlgAttrPauseX = 12,     // "dl": width not tracked to the line end
    dlgAttrAbandon = 13,    // "k": the dialog keeps its sizes
    dlgAttrLineWidth = 14,  // "ls": parameter receives the line's width
    dlgAttrEnd = 15,        // "e": end of the text
    dlgAttrVarItem = 16,    // "kz7vl": variable-length item, number = max width
    dlgAttrAddWidth = 17,   // "kz7sl": x += number
    dlgAttrChoice = 18,     // "kz7ch": a choice line begins
};

// Copy char kinds as stored in a rewritten key.
inline constexpr uint8_t dlgKindRaw = 1;
inline constexpr uint8_t dlgKindHex = 2;
inline constexpr uint8_t dlgKindUntil = 3;
inline constexpr uint8_t dlgKindFromData = 4;

struct DlgLengthsEntry {
    std::vector<uint8_t> key;  // unescaped; a copy char rewritten to (kind, N, digit, digit)
    size_t copyPos = 0;        // offset of the copy char, 0 for none
    uint8_t kind = 0;
    uint8_t count = 0;         // N of the copy char
    long number = 0;
    int attr = dlgAttrNone;
};

struct DlgLengths {
    std::vector<DlgLengthsEntry> entries;  // by descending sort key, ties in file order
    // Entries by the first key byte (every key has a fixed first byte), in
    // sorted order, so a lookup tries only the entries that can match.
    std::array<std::vector<uint32_t>, 256> byFirst;
    bool loaded = false;
};

struct DlgLengthsMatch {
    const DlgLengthsEntry* entry = nullptr;
    size_t length = 0;     // bytes matched: prefix, run and suffix
    size_t runLength = 0;  // bytes of the copy char's run
};

// Parses a lengths table text; prints the line messages. False only when the
// entries can't be allocated.
[[nodiscard]] bool tblLengthsParse(std::span<const uint8_t> text, DlgLengths& out);

// Loads a lengths table file; 1 loaded, 0 failed (fileLoadFile printed why).
[[nodiscard]] int tblLengthsInit(const std::string& path, DlgLengths& out);

// Releases a lengths table.
void tblLengthsFree(DlgLengths& t);

// The first entry in sorted order that matches `in` at `pos`.
std::optional<DlgLengthsMatch> tblLengthsMatch(const DlgLengths& t, std::span<const uint8_t> in,
                                               size_t pos);
