#include "lengths.h"

#include "fileutils.h"
#include "memutils.h"
#include "messages.h"
#include "tbl.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t copyCharLen = 4;
constexpr size_t entryRecordSize = 28;  // size of one entry in the table's own accounting

struct AttrName {
    const char* name;
    int attr;
};
constexpr AttrName attrNames[] = {
    {"n", dlgAttrNewLine},   {"p", dlgAttrPage},       {"x", dlgAttrX},
    {"y", dlgAttrY},         {"ax", dlgAttrAddX},      {"ay", dlgAttrAddY},
    {"sx", dlgAttrSubX},     {"sy", dlgAttrSubY},      {"ls", dlgAttrLineWidth},
    {"dx", dlgAttrStopX},    {"dy", dlgAttrStopY},     {"dl", dlgAttrPauseX},
    {"k", dlgAttrAbandon},   {"e", dlgAttrEnd},        {"kz7vl", dlgAttrVarItem},
    {"kz7sl", dlgAttrAddWidth}, {"kz7ch", dlgAttrChoice},
};

uint8_t copyKind(uint8_t letter)
{
    switch (letter) {
    case 'c': return dlgKindRaw;
    case 'h': return dlgKindHex;
    case 't': return dlgKindUntil;
    case 'f': return dlgKindFromData;
    default: return 0;
    }
}

// A copy char at `p`: the escape, a kind letter and two hex digits, all
// inside the key.
bool isCopyChar(const std::vector<uint8_t>& key, size_t p)
{
    return p + copyCharLen <= key.size() && key[p] == static_cast<uint8_t>(tblEscape) &&
           copyKind(key[p + 1]) != 0 && tblHexDigit(key[p + 2]) >= 0 && tblHexDigit(key[p + 3]) >= 0;
}

size_t findEscape(const std::vector<uint8_t>& key, size_t from)
{
    for (size_t i = from; i < key.size(); ++i)
        if (key[i] == static_cast<uint8_t>(tblEscape))
            return i;
    return key.size();
}

long parseNumber(std::span<const uint8_t> s)
{
    const std::string text(s.begin(), s.end());
    // The tables were written for a host whose long has 32 bits.
    return std::clamp<long>(std::strtol(text.c_str(), nullptr, 0), INT32_MIN, INT32_MAX);
}

void parseValue(std::span<const uint8_t> value, DlgLengthsEntry& e)
{
    if (value.empty() || value[0] != static_cast<uint8_t>(tblEscape)) {
        e.attr = dlgAttrWidth;
        e.number = parseNumber(value);
        return;
    }
    const auto rest = value.subspan(1);
    const auto comma = std::find(rest.begin(), rest.end(), uint8_t{','});
    const std::string name(rest.begin(), comma);
    e.number = comma == rest.end() ? 0 : parseNumber(std::span(comma + 1, rest.end()));
    e.attr = dlgAttrNone;
    for (const auto& a : attrNames)
        if (name == a.name) {
            e.attr = a.attr;
            break;
        }
}

// Parses one line; false when it yields no entry.
bool parseLine(std::span<const uint8_t> line, size_t accepted, DlgLengthsEntry& e)
{
    const uint8_t assign[] = {static_cast<uint8_t>(tblAssign)};
    const size_t eq = tblFindSeparator(line, assign);
    if (eq >= line.size())
        return false;
    if (eq == 0) {
        std::fprintf(stderr, dlgMsgLineStartsAssign, static_cast<int>(accepted));
        return false;
    }
    if (eq + 1 == line.size()) {
        std::fprintf(stderr, dlgMsgLineEndsAssign, static_cast<int>(accepted));
        return false;
    }
    e.key.assign(line.begin(), line.begin() + static_cast<ptrdiff_t>(eq));
    e.key.resize(tblUnescape(e.key));
    if (e.key.empty())
        return false;  // an empty key would match everywhere without advancing

    const size_t p = findEscape(e.key, 0);
    if (p > 0 && isCopyChar(e.key, p)) {
        e.copyPos = p;
        e.kind = copyKind(e.key[p + 1]);
        e.count = static_cast<uint8_t>(tblHexDigit(e.key[p + 2]) * 16 + tblHexDigit(e.key[p + 3]));
        e.key[p] = e.kind;
        e.key[p + 1] = e.count;
        const size_t q = findEscape(e.key, p + copyCharLen);
        if (q < e.key.size() && isCopyChar(e.key, q)) {
            std::fprintf(stderr, "%s", dlgMsgTwoCopyChars);
            return false;
        }
    }
    parseValue(line.subspan(eq + 1), e);
    return true;
}

size_t sortKey(const DlgLengthsEntry& e)
{
    return e.copyPos ? e.copyPos : e.key.size();
}

}  // namespace

bool tblLengthsParse(std::span<const uint8_t> text, DlgLengths& out)
{
    out = {};
    const uint8_t crlf[] = {'\r', '\n'};
    size_t pairs = 0;
    for (size_t pos = 0; pos < text.size();) {
        const uint8_t* hit = memmem(text.subspan(pos), crlf);
        if (!hit)
            break;
        ++pairs;
        pos = static_cast<size_t>(hit - text.data()) + 2;
    }
    try {
        out.entries.reserve(pairs + 1);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, dlgMsgLengthsAlloc, static_cast<int>(entryRecordSize * (pairs + 1)));
        return false;
    }
    size_t pos = 0;
    for (;;) {
        const auto rest = text.subspan(pos);
        const size_t end = tblFindSeparator(rest, crlf);
        DlgLengthsEntry e;
        if (parseLine(rest.first(end), out.entries.size(), e))
            out.entries.push_back(std::move(e));
        if (end >= rest.size())
            break;
        pos += end + 2;
    }
    std::stable_sort(out.entries.begin(), out.entries.end(),
                     [](const DlgLengthsEntry& a, const DlgLengthsEntry& b) {
                         return sortKey(a) > sortKey(b);
                     });
    for (size_t i = 0; i < out.entries.size(); ++i)
        out.byFirst[out.entries[i].key[0]].push_back(static_cast<uint32_t>(i));
    out.loaded = true;
    return true;
}

int tblLengthsInit(const std::string& path, DlgLengths& out)
{
    try {
        const auto text = fileLoadFile(path);
        if (!text)
            return 0;
        return tblLengthsParse(*text, out) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void tblLengthsFree(DlgLengths& t)
{
    t = {};
}

std::optional<DlgLengthsMatch> tblLengthsMatch(const DlgLengths& t, std::span<const uint8_t> in,
                                               size_t pos)
{
    if (pos >= in.size())
        return std::nullopt;
    const size_t left = in.size() - pos;
    const uint8_t* at = in.data() + pos;
    for (const uint32_t idx : t.byFirst[*at]) {
        const DlgLengthsEntry& e = t.entries[idx];
        const size_t keyLen = e.key.size();
        if (!(keyLen <= left || (e.copyPos > 0 && e.copyPos < left)))
            continue;
        if (e.copyPos == 0) {
            if (std::memcmp(at, e.key.data(), keyLen) == 0)
                return DlgLengthsMatch{&e, keyLen, 0};
            continue;
        }
        const size_t p = e.copyPos;
        if (std::memcmp(at, e.key.data(), p) != 0)
            continue;
        size_t run = 0;
        switch (e.kind) {
        case dlgKindRaw: run = e.count; break;
        case dlgKindHex: run = 2 * size_t{e.count}; break;
        case dlgKindUntil: {
            const void* hit = std::memchr(at + p, e.count, left - p);
            if (!hit)
                continue;
            run = static_cast<size_t>(static_cast<const uint8_t*>(hit) - (at + p)) + 1;
            break;
        }
        default:  // from the data
            if (left - p < 2)
                continue;
            run = size_t{at[p + 1]} + 1;
            break;
        }
        const size_t suffix = keyLen - p - copyCharLen;
        if (p + run + suffix > left)
            continue;
        if (std::memcmp(at + p + run, e.key.data() + p + copyCharLen, suffix) != 0)
            continue;
        return DlgLengthsMatch{&e, p + run + suffix, run};
    }
    return std::nullopt;
}
