// The sample game's invented text encoding and the two tables that describe
// it: the character table kz7.tbs (game bytes to text) and the lengths table
// kz7.tbl (the width of every character and the meaning of the control
// codes). The measure below sizes a dialog window the way the dialog tool's
// recomputation does for the codes this encoding has, so the generated
// dialog files already carry the sizes that a recomputation would give.
//
// Encoding: one byte per character from 0x80 up (space, letters, digits,
// punctuation) and control codes behind the prefix byte 0xF9:
//   F9 01       [n]        new line
//   F9 02       [p]        new page
//   F9 03       [e]        end of text
//   F9 05 cc    [COLcc]    colour cc for the following characters
//   F9 06 00 vv [NAMEvv]   the name of party member vv (variable width)
// Dialog scripts keep per-line widths of lines with names in an F9 0D
// opcode: groups of (2-byte header: width | line << 12, items, FF), then
// FF FF.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint8_t sampleCodePrefix = 0xF9;
inline constexpr uint8_t sampleCodeNewLine = 0x01;
inline constexpr uint8_t sampleCodeNewPage = 0x02;
inline constexpr uint8_t sampleCodeEnd = 0x03;
inline constexpr uint8_t sampleCodeColour = 0x05;
inline constexpr uint8_t sampleCodeVariable = 0x06;
inline constexpr uint8_t sampleVariableName = 0x00;
inline constexpr uint8_t sampleCodeLineData = 0x0D;

inline constexpr int sampleNameWidth = 60;   // widest name a player can give
inline constexpr int sampleLineHeight = 16;  // pixels per text line

struct SampleGlyph {
    char ch;
    uint8_t byte;
    uint8_t width;  // pixels
};

// Every single-byte character of the encoding, in byte order.
std::span<const SampleGlyph> sampleGlyphs();

// The character table kz7.tbs and the lengths table kz7.tbl (CR LF lines).
std::string sampleTableText();
std::string sampleLengthsText();

// Game bytes of a text written with the table's values ("Hello[n][NAME00]");
// nullopt when the text holds a character or a code the table lacks.
std::optional<std::vector<uint8_t>> sampleEncode(std::string_view text);

// Size of one dialog text as the game's window needs it.
struct SampleMeasure {
    int maxWidth = -1;
    int maxHeight = -1;
    int maxLines = -1;
    std::vector<uint8_t> lineData;  // F9 0D data without F9 0D; empty without names
    int itemMax = -1;               // widest line names can reach, -1 when none

    // The window holds the widest line with names at full width, so the script
    // needs no F9 0D opcode.
    [[nodiscard]] bool fits() const { return itemMax > 0 && itemMax <= maxWidth; }
    // The line data goes into the script as an F9 0D opcode.
    [[nodiscard]] bool needsOpcode() const { return !lineData.empty() && !fits(); }
    // Window size word of the pointer table: width + 256 x height.
    [[nodiscard]] uint16_t sizeWord() const
    {
        return static_cast<uint16_t>((maxWidth + 256 * maxHeight) & 0xFFFF);
    }
};

// Measures the game bytes of one dialog text (up to and including its end
// code; bytes after the end code are not looked at).
SampleMeasure sampleMeasure(std::span<const uint8_t> text);
