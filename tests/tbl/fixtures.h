// Builders of character table texts for tests and fuzz seeds: a line from a
// key and a value, keys of game bytes written as hexadecimal escapes, and a
// whole table from its lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// "\xHH" for every byte.
inline std::string tblFixtureHex(const std::vector<uint8_t>& bytes)
{
    std::string s;
    for (const uint8_t b : bytes) {
        char part[8];
        std::snprintf(part, sizeof part, "\\x%02X", b);
        s += part;
    }
    return s;
}

// One table line with its CR LF.
inline std::string tblFixtureLine(const std::string& key, const std::string& value)
{
    return key + "=" + value + "\r\n";
}

// A table text from (key, value) pairs written as they are.
inline std::string tblFixtureTable(const std::vector<std::pair<std::string, std::string>>& lines)
{
    std::string s;
    for (const auto& [k, v] : lines)
        s += tblFixtureLine(k, v);
    return s;
}

inline std::vector<uint8_t> tblFixtureBytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

// A small dialog-like table: single-byte letters, a two-byte character,
// a colour control code with a one-byte parameter shown in hexadecimal and
// a name code whose parameter is kept raw.
inline std::string tblFixtureDialogTable()
{
    std::string s;
    for (char c = 'A'; c <= 'Z'; ++c)
        s += tblFixtureLine(tblFixtureHex({static_cast<uint8_t>(c - 'A' + 0x20)}), std::string(1, c));
    s += tblFixtureLine(tblFixtureHex({0x81, 0x40}), " ");
    s += tblFixtureLine(tblFixtureHex({0xF9, 0x06}) + "\\c01", "[COL\\h01]");
    s += tblFixtureLine(tblFixtureHex({0xF9, 0x07}) + "\\c02", "<N\\c02>");
    s += tblFixtureLine(tblFixtureHex({0x0A}), "\\\r\n");
    return s;
}
