// A reading of the sample game's two table files for the tests: the
// character table as key bytes and value text (copy chars kept apart) with
// a converter in both directions, and the lengths table as widths and
// attribute names. Enough of the table syntax for the tables a game ships
// with: \xHH escapes in keys, one \cNN copy char in a key, one \hNN in a
// value.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct TableEntry {
    std::vector<uint8_t> key;  // fixed key bytes before the copy char (or all)
    bool copy = false;         // a one-byte parameter follows the key
    std::string value;         // text before the parameter (or all)
    std::string valueTail;     // text after the parameter
};

inline int tableHex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Lines of a CR LF text split at the first '='; nullopt for a line without
// CR LF at its end or a key that is not made of \xHH escapes.
inline std::optional<std::vector<std::pair<std::vector<uint8_t>, std::string>>> tableLines(
    const std::string& text, std::vector<bool>* copyChars = nullptr)
{
    std::vector<std::pair<std::vector<uint8_t>, std::string>> out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t eol = text.find("\r\n", pos);
        if (eol == std::string::npos)
            return std::nullopt;
        const std::string line = text.substr(pos, eol - pos);
        pos = eol + 2;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
            return std::nullopt;
        std::vector<uint8_t> key;
        bool copy = false;
        for (size_t i = 0; i < eq;) {
            if (line.compare(i, 2, "\\x") == 0 && i + 4 <= eq && tableHex(line[i + 2]) >= 0 &&
                tableHex(line[i + 3]) >= 0) {
                key.push_back(static_cast<uint8_t>(tableHex(line[i + 2]) * 16 + tableHex(line[i + 3])));
                i += 4;
            } else if (line.compare(i, 4, "\\c01") == 0 && i + 4 == eq) {
                copy = true;
                i += 4;
            } else {
                return std::nullopt;
            }
        }
        out.emplace_back(key, line.substr(eq + 1));
        if (copyChars)
            copyChars->push_back(copy);
    }
    return out;
}

inline std::optional<std::vector<TableEntry>> tableParse(const std::string& text)
{
    std::vector<bool> copies;
    auto lines = tableLines(text, &copies);
    if (!lines)
        return std::nullopt;
    std::vector<TableEntry> entries;
    for (size_t i = 0; i < lines->size(); ++i) {
        TableEntry e;
        e.key = (*lines)[i].first;
        e.copy = copies[i];
        const std::string& v = (*lines)[i].second;
        const size_t h = v.find("\\h01");
        if (e.copy != (h != std::string::npos))
            return std::nullopt;
        e.value = e.copy ? v.substr(0, h) : v;
        e.valueTail = e.copy ? v.substr(h + 4) : "";
        entries.push_back(e);
    }
    // Longer keys first, as the converter tries them.
    std::stable_sort(entries.begin(), entries.end(), [](const TableEntry& a, const TableEntry& b) {
        return a.key.size() > b.key.size();
    });
    return entries;
}

// Game bytes to text; bytes no entry matches pass unchanged.
inline std::string tableToText(const std::vector<TableEntry>& table, const std::vector<uint8_t>& in)
{
    std::string out;
    size_t pos = 0;
    while (pos < in.size()) {
        bool matched = false;
        for (const TableEntry& e : table) {
            const size_t need = e.key.size() + (e.copy ? 1 : 0);
            if (in.size() - pos < need || !std::equal(e.key.begin(), e.key.end(), in.begin() + static_cast<long>(pos)))
                continue;
            out += e.value;
            if (e.copy) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02X", unsigned{in[pos + e.key.size()]});
                out += hex;
                out += e.valueTail;
            }
            pos += need;
            matched = true;
            break;
        }
        if (!matched)
            out.push_back(static_cast<char>(in[pos++]));
    }
    return out;
}

// Text back to game bytes; characters no value matches pass unchanged.
inline std::vector<uint8_t> tableToBytes(const std::vector<TableEntry>& table, const std::string& in)
{
    std::vector<const TableEntry*> byValue;
    for (const TableEntry& e : table)
        byValue.push_back(&e);
    std::stable_sort(byValue.begin(), byValue.end(), [](const TableEntry* a, const TableEntry* b) {
        return a->value.size() + a->valueTail.size() > b->value.size() + b->valueTail.size();
    });
    std::vector<uint8_t> out;
    size_t pos = 0;
    while (pos < in.size()) {
        bool matched = false;
        for (const TableEntry* e : byValue) {
            if (in.compare(pos, e->value.size(), e->value) != 0)
                continue;
            size_t at = pos + e->value.size();
            if (e->copy) {
                if (at + 2 + e->valueTail.size() > in.size() || tableHex(in[at]) < 0 ||
                    tableHex(in[at + 1]) < 0 || in.compare(at + 2, e->valueTail.size(), e->valueTail) != 0)
                    continue;
                out.insert(out.end(), e->key.begin(), e->key.end());
                out.push_back(static_cast<uint8_t>(tableHex(in[at]) * 16 + tableHex(in[at + 1])));
                at += 2 + e->valueTail.size();
            } else {
                out.insert(out.end(), e->key.begin(), e->key.end());
            }
            pos = at;
            matched = true;
            break;
        }
        if (!matched)
            out.push_back(static_cast<uint8_t>(in[pos++]));
    }
    return out;
}
