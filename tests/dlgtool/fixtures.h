// Builders of dialog tool test files: dialog files (normal and battle),
// their text exports and script files, character tables (.tbs) and lengths
// tables (.tbl). Each writes a valid file in a line or two and leaves the
// fields open so a test can break one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace dlgfix {

using Bytes = std::vector<uint8_t>;

inline Bytes bytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

inline std::string str(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

struct Record {
    Bytes data;
    uint16_t flags = 0;
};

inline void put16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A dialog file with `count` as N and the records laid out back to back
// behind a table of records.size() entries. `count` defaults to half the
// records (normal file); use dlgBattle for a battle file.
inline Bytes dlgFile(const std::vector<Record>& records, std::optional<uint32_t> count = {})
{
    Bytes f(4 + 4 * records.size(), 0);
    put32(f, 0, count ? *count : static_cast<uint32_t>(records.size() / 2));
    for (size_t i = 0; i < records.size(); ++i) {
        put16(f, 4 + 4 * i, static_cast<uint32_t>(f.size() - 4));
        put16(f, 6 + 4 * i, records[i].flags);
        f.insert(f.end(), records[i].data.begin(), records[i].data.end());
    }
    return f;
}

inline Bytes dlgBattle(const std::vector<Record>& records)
{
    return dlgFile(records, static_cast<uint32_t>(records.size()));
}

// The separator after a part in the text export.
inline std::string sep(uint16_t flags, bool battle = false)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", unsigned{flags});
    return std::string("\r\n**EnD") + (battle ? "b" : "*") + "*[" + hex + "]" +
           std::string(42, '*') + "\r\n\r\n";
}

struct Part {
    std::string text;
    uint16_t flags = 0;
};

// A text export (or script file) of these parts.
inline std::string textFile(const std::vector<Part>& parts, bool battle = false)
{
    std::string t;
    for (const auto& p : parts)
        t += p.text + sep(p.flags, battle);
    return t;
}

// Character table of the tests ("kz7.tbs"): game bytes 0x01..0x1A are the
// letters a..z, 0x20 a space, F9 01 "[n]" (new line), F9 02 "[e]" (end),
// F9 06 s v "[Vssvv]" (a variable, copy char of two bytes as hex text).
// Other bytes pass unchanged.
inline std::string dialogTable()
{
    std::string t;
    for (int c = 1; c <= 26; ++c) {
        char line[16];
        std::snprintf(line, sizeof line, "\\x%02X=%c\r\n", c, 'a' + c - 1);
        t += line;
    }
    t += "\\x20= \r\n";
    t += "\\xF9\\x01=[n]\r\n";
    t += "\\xF9\\x02=[e]\r\n";
    t += "\\xF9\\x06\\c02=[V\\h02]\r\n";
    return t;
}

// Script table: every byte as "<XX>" and back, so scripts survive exactly.
inline std::string scriptTable()
{
    return "\\c01=<\\h01>\r\n";
}

// Game bytes of a dialog text written with the letters of dialogTable:
// a..z as 0x01..0x1A, ' ' 0x20, '|' the new line F9 01, '#' the end F9 02,
// '$' the variable F9 06 00 01. Other characters stay as they are.
inline Bytes game(const std::string& s)
{
    Bytes b;
    for (const char c : s) {
        if (c >= 'a' && c <= 'z')
            b.push_back(static_cast<uint8_t>(c - 'a' + 1));
        else if (c == '|')
            b.insert(b.end(), {0xF9, 0x01});
        else if (c == '#')
            b.insert(b.end(), {0xF9, 0x02});
        else if (c == '$')
            b.insert(b.end(), {0xF9, 0x06, 0x00, 0x01});
        else
            b.push_back(static_cast<uint8_t>(c));
    }
    return b;
}

// Lengths table of the tests ("kz7.tbl"): letters 8 wide, the space 4,
// F9 01 a new line, F9 02 the end, F9 06 s v a variable item of maximal
// width `itemWidth`; `extra` lines are appended.
inline std::string lengthsTable(int itemWidth = 60, const std::string& extra = "")
{
    std::string t;
    for (int c = 1; c <= 26; ++c) {
        char line[16];
        std::snprintf(line, sizeof line, "\\x%02X=8\r\n", c);
        t += line;
    }
    t += "\\x20=4\r\n";
    t += "\\xF9\\x01=\\n\r\n";
    t += "\\xF9\\x02=\\e\r\n";
    t += "\\xF9\\x06\\c02=\\kz7vl," + std::to_string(itemWidth) + "\r\n";
    return t + extra;
}

// An 0xF90D opcode holding one group per (width, line, items) and the end.
struct Group {
    unsigned width = 0;
    unsigned line = 0;
    Bytes items;
};
inline Bytes varlenOpcode(const std::vector<Group>& groups)
{
    Bytes b{0xF9, 0x0D};
    for (const auto& g : groups) {
        const unsigned h = (g.width & 0xFFF) | (g.line & 0xF) << 12;
        b.push_back(static_cast<uint8_t>(h));
        b.push_back(static_cast<uint8_t>(h >> 8));
        b.insert(b.end(), g.items.begin(), g.items.end());
        b.push_back(0xFF);
    }
    b.insert(b.end(), {0xFF, 0xFF});
    return b;
}

inline uint16_t get16(const Bytes& b, size_t at)
{
    return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

// Flags of record `r` (index, not word).
inline uint16_t flagsOf(const Bytes& dlg, size_t r)
{
    return get16(dlg, 6 + 4 * r);
}

// Data of record `r` of a file with `records` entries.
inline Bytes recordOf(const Bytes& dlg, size_t r, size_t records)
{
    const size_t start = get16(dlg, 4 + 4 * r) + 4u;
    const size_t end = r + 1 < records ? get16(dlg, 8 + 4 * r) + 4u : dlg.size();
    return Bytes(dlg.begin() + static_cast<ptrdiff_t>(start),
                 dlg.begin() + static_cast<ptrdiff_t>(end));
}

}  // namespace dlgfix
