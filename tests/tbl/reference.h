// The plain definition of matching, as a sorted scan of the entries: the
// module's prefix tree must give the same output; and random tables and
// inputs to compare on. Shared by the tests and the fuzz target.
#pragma once

#include "tbl.h"
#include "tbl/fixtures.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

// Tries every entry in sorted order at every position; after an unmatched
// byte, a rest shorter than the last key and than every key that is ever
// tried passes unconverted.
inline std::string tblReferenceConvert(const std::vector<TblEntry>& entries, bool copyUnmatched,
                                       const std::string& input)
{
    size_t shortest = entries.empty() ? 0 : entries.back().key.size();
    for (const TblEntry& e : entries) {
        const bool everTried =
            e.keyCopy < 0 ? !e.key.empty()
                          : e.keyCopy > 0 || e.key[1] != 0 || e.key.size() > 4;
        if (everTried)
            shortest = std::min(shortest, e.key.size());
    }
    std::string out;
    const auto* in = reinterpret_cast<const uint8_t*>(input.data());
    size_t pos = 0;
    while (pos < input.size()) {
        const size_t left = input.size() - pos;
        const TblEntry* hit = nullptr;
        size_t span = 0;
        for (const TblEntry& e : entries) {
            const size_t klen = e.key.size();
            if (e.keyCopy < 0) {
                if (klen > 0 && klen <= left && std::memcmp(in + pos, e.key.data(), klen) == 0) {
                    hit = &e;
                    span = klen;
                    break;
                }
                continue;
            }
            const auto p = static_cast<size_t>(e.keyCopy);
            if (!(klen <= left || p < left))
                continue;
            const size_t r = e.key[p] == 1 ? e.key[p + 1] : 2 * e.key[p + 1];
            const size_t suffix = klen - p - 4;
            if (p + r + suffix == 0)
                continue;  // would match everywhere without moving on
            if (left < p + r + suffix || std::memcmp(in + pos, e.key.data(), p) != 0 ||
                std::memcmp(in + pos + p + r, e.key.data() + p + 4, suffix) != 0)
                continue;
            hit = &e;
            span = p + r + suffix;
            break;
        }
        if (!hit) {
            if (copyUnmatched)
                out += static_cast<char>(in[pos]);
            ++pos;
            if (!entries.empty() && input.size() - pos < shortest) {
                if (copyUnmatched)
                    out += input.substr(pos);
                break;
            }
            continue;
        }
        const std::string value(hit->value.begin(), hit->value.end());
        if (hit->keyCopy < 0) {
            out += value;
        } else {
            const auto p = static_cast<size_t>(hit->keyCopy);
            const int kind = hit->key[p];
            const size_t n = hit->key[p + 1];
            const std::string run(input, pos + p, kind == 1 ? n : 2 * n);
            if (hit->valueCopy < 0) {
                out += value;
            } else {
                const auto vp = static_cast<size_t>(hit->valueCopy);
                out += value.substr(0, vp);
                const int vkind = hit->value[vp];
                if (vkind == kind) {
                    out += run;
                } else if (kind == 2) {
                    for (size_t i = 0; i < n; ++i) {
                        char pair[3] = {run[2 * i], run[2 * i + 1], 0};
                        // Leading hex digits only, no sign or spaces.
                        int v = 0;
                        for (int k = 0; k < 2 && std::isxdigit(static_cast<unsigned char>(pair[k])); ++k)
                            v = v * 16 + (std::isdigit(static_cast<unsigned char>(pair[k]))
                                              ? pair[k] - '0'
                                              : std::toupper(static_cast<unsigned char>(pair[k])) - 'A' + 10);
                        out += static_cast<char>(v);
                    }
                } else {
                    char hex[3];
                    for (const char c : run) {
                        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
                        out += hex;
                    }
                }
                out += value.substr(vp + 4);
            }
        }
        pos += span;
    }
    return out;
}

// Random tables over a small alphabet, so that keys overlap, share prefixes
// and tie on their sort keys, with copy chars of both kinds.
inline std::string tblRandomTable(std::mt19937& rng, bool skip)
{
    const std::string alphabet = "ab\xF0" "1";
    auto pick = [&](size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(rng); };
    auto bytes = [&](size_t n) {
        std::vector<uint8_t> b;
        for (size_t i = 0; i < n; ++i)
            b.push_back(static_cast<uint8_t>(alphabet[pick(0, alphabet.size() - 1)]));
        return b;
    };
    auto copyChar = [&]() {
        char c[8];
        std::snprintf(c, sizeof c, "\\%c%02X", pick(0, 1) ? 'c' : 'h', static_cast<unsigned>(pick(0, 3)));
        return std::string(c);
    };
    std::string text = skip ? "=skipmode\r\n" : "";
    const size_t lines = pick(0, 24);
    for (size_t i = 0; i < lines; ++i) {
        std::string key;
        std::string value = "<" + std::to_string(i);
        if (pick(0, 3) == 0) {
            key = tblFixtureHex(bytes(pick(0, 2))) + copyChar() + tblFixtureHex(bytes(pick(0, 2)));
            if (pick(0, 3) != 0)
                value += copyChar();
        } else {
            key = tblFixtureHex(bytes(pick(1, 4)));
        }
        text += tblFixtureLine(key, value + ">");
    }
    return text;
}

inline std::string tblRandomInput(std::mt19937& rng, size_t n)
{
    const std::string alphabet = "ab\xF0" "1<>0123456789cF";
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
    return s;
}

// Random tables for the direct cells: keys of 1 to 3 bytes, now and then up
// to 18, over bytes at the edges of the 64-byte windows; values of 0 to 5
// such bytes; some keys with a copy char after their fixed bytes. `pieces`
// receives every key and value, for inputs that hit them.
inline std::string tblRandomWideTable(std::mt19937& rng, std::vector<std::string>& pieces)
{
    static constexpr uint8_t alphabet[] = {0x00, 0x3F, 0x40, 0x7F, 0x80, 0xBF, 0xC0, 0xFF};
    auto pick = [&](size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(rng); };
    auto bytes = [&](size_t n) {
        std::vector<uint8_t> b;
        for (size_t i = 0; i < n; ++i)
            b.push_back(alphabet[pick(0, std::size(alphabet) - 1)]);
        pieces.emplace_back(b.begin(), b.end());
        return tblFixtureHex(b);
    };
    std::string text;
    for (size_t i = pick(1, 30); i > 0; --i) {
        const std::string copy = pick(0, 9) == 0 ? "\\c01" : "";
        text += tblFixtureLine(bytes(pick(0, 5) == 0 ? pick(4, 18) : pick(1, 3)) + copy,
                               bytes(pick(0, 5)) + copy);
    }
    return text;
}
