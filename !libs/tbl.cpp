#include "tbl.h"

#include "fileutils.h"
#include "le.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>

TblForm tblForm = TblForm::tools;

namespace {

constexpr int tblSlotCount = 2;

TblTable current;
TblTable slots[tblSlotCount];
int slotsUsed = 0;
int currentSlot = -1;  // slot whose table is the current one, -1 for none
bool shrink = true;

const TblDirection emptyDirection;

bool dfileForm()
{
    return tblForm == TblForm::dfile;
}

int clampInt(uint64_t v)
{
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

// Offset of a copy char at the first escape byte at or after `from`, or -1
// when that escape does not start one (or there is none).
int findCopyChar(std::span<const uint8_t> s, size_t from)
{
    const auto it = std::find(s.begin() + static_cast<std::ptrdiff_t>(std::min(from, s.size())),
                              s.end(), static_cast<uint8_t>(tblEscape));
    if (it == s.end())
        return -1;
    const auto q = static_cast<size_t>(it - s.begin());
    if (!leFits(s.size(), q, tblCopyCharLen))
        return -1;
    if (s[q + 1] != tblCopyRawLetter && s[q + 1] != tblCopyHexLetter)
        return -1;
    if (tblHexDigit(s[q + 2]) < 0 || tblHexDigit(s[q + 3]) < 0)
        return -1;
    return static_cast<int>(q);
}

// Rewrites the copy char at `q` to (kind, count).
void rewriteCopyChar(std::span<uint8_t> s, size_t q)
{
    s[q] = s[q + 1] == tblCopyRawLetter ? tblKindRaw : tblKindHex;
    s[q + 1] = static_cast<uint8_t>(tblHexDigit(s[q + 2]) * 16 + tblHexDigit(s[q + 3]));
}

size_t sortKey(const TblEntry& e)
{
    return e.keyCopy >= 0 ? static_cast<size_t>(e.keyCopy) : e.key.size();
}

// Input bytes a copy char entry spans: fixed bytes, run and suffix.
size_t copySpan(const TblEntry& e)
{
    const auto p = static_cast<size_t>(e.keyCopy);
    const size_t n = e.key[p + 1];
    const size_t run = e.key[p] == tblKindHex ? 2 * n : n;
    return p + run + (e.key.size() - p - tblCopyCharLen);
}

// During the build, before leaves are tagged.
uint32_t childOf(const TblDirection& d, const TblNode& node, uint8_t b)
{
    if (node.dense >= 0)
        return d.dense[static_cast<size_t>(node.dense) * 256 + b];
    for (const auto& [byte, child] : node.kids)
        if (byte == b)
            return child;
    return 0;
}

// The cell that stands for "entry `i` (or none, -1) is the decision".
uint32_t decisionCell(const TblDirection& d, int32_t i)
{
    if (i < 0)
        return tblCellMiss;
    const TblEntry& e = d.entries[static_cast<size_t>(i)];
    if (e.value.size() <= 3 && e.key.size() <= 15) {
        uint32_t c = tblCellInline | static_cast<uint32_t>(e.value.size()) << 24 |
                     static_cast<uint32_t>(e.key.size()) << 26;
        for (size_t k = 0; k < e.value.size(); ++k)
            c |= static_cast<uint32_t>(e.value[k]) << (8 * k);
        return c;
    }
    return static_cast<uint32_t>(i) <= tblCellPayload ? tblCellEntry | static_cast<uint32_t>(i)
                                                      : tblCellWalk;
}

// Builds the cell rows from the tree (before its leaves are tagged). Without
// copy char entries on the way, the decision at a node is its deepest plain
// key end on the way: that is the entry the walk would find. Rows go
// breadth first, so when the size limit is reached the deeper nodes are
// walked instead.
void buildCells(TblDirection& d)
{
    constexpr size_t cellLimit = size_t{1} << 20;  // 4 MiB, 4096 rows
    d.cells.clear();
    if (!d.nodes[0].copies.empty())
        return;
    std::vector<uint32_t>& cells = d.cells;
    cells.assign(256, tblCellMiss);
    struct Pending {
        uint32_t node;
        size_t row;
        int32_t best;  // decision when the input goes on with no child
    };
    std::vector<Pending> queue{{0, 0, -1}};
    for (size_t q = 0; q < queue.size(); ++q) {
        const Pending at = queue[q];
        for (const auto& [byte, child] : d.nodes[at.node].kids) {
            const TblNode& c = d.nodes[child];
            const int32_t best = c.terminal >= 0 ? c.terminal : at.best;
            uint32_t cell = tblCellWalk;
            if (!c.copies.empty()) {
                // a copy char entry competes here: walk
            } else if (c.kids.empty()) {
                // A leaf ends a plain key: the bytes read are that key.
                cell = decisionCell(d, best);
                if ((cell & tblCellInline) && c.terminal >= 0)
                    cell |= tblCellExact;
            } else if (cells.size() + 256 <= cellLimit) {
                const size_t row = cells.size();
                cells.resize(row + 256, decisionCell(d, best));
                queue.push_back({child, row, best});
                cell = static_cast<uint32_t>(row);
            }
            cells[at.row + byte] = cell;
        }
    }
}

// Builds the prefix tree and the limits of a direction whose entries are
// sorted. Nodes with many children get a row of 256 for constant-time steps.
void buildDirection(TblDirection& d)
{
    constexpr size_t denseFrom = 6;
    d.nodes.assign(1, TblNode{});
    d.dense.clear();
    d.need = 1;
    for (size_t i = 0; i < d.entries.size(); ++i) {
        const TblEntry& e = d.entries[i];
        const bool copy = e.keyCopy >= 0;
        const size_t fixed = copy ? static_cast<size_t>(e.keyCopy) : e.key.size();
        // An empty plain key is never tried. A copy char key that spans no
        // input byte ("\c00" alone) would match everywhere without moving
        // on: it is never tried either.
        if (copy ? copySpan(e) == 0 : fixed == 0)
            continue;
        d.need = std::max(d.need, copy ? std::max(copySpan(e), fixed + 1) : fixed);
        uint32_t node = 0;
        for (size_t k = 0; k < fixed; ++k) {
            uint32_t next = childOf(d, d.nodes[node], e.key[k]);
            if (next == 0) {
                next = static_cast<uint32_t>(d.nodes.size());
                d.nodes[node].kids.emplace_back(e.key[k], next);
                d.nodes.emplace_back();
            }
            node = next;
        }
        TblNode& n = d.nodes[node];
        if (copy)
            n.copies.push_back(static_cast<uint32_t>(i));
        else if (n.terminal < 0)
            n.terminal = static_cast<int32_t>(i);
    }
    buildCells(d);
    // A child that holds only a plain entry's end is referred to by that
    // entry, so the walk needs no node record for it.
    auto reference = [&](uint32_t child) {
        const TblNode& c = d.nodes[child];
        if (c.kids.empty() && c.copies.empty() && c.terminal >= 0)
            return tblLeafBit | static_cast<uint32_t>(c.terminal);
        return child;
    };
    for (TblNode& n : d.nodes) {
        const bool dense = &n == &d.nodes[0] || n.kids.size() >= denseFrom;
        if (dense) {
            n.dense = static_cast<int32_t>(d.dense.size() / 256);
            d.dense.resize(d.dense.size() + 256, 0);
        }
        for (auto& [byte, child] : n.kids)
            child = reference(child);
        if (dense) {
            for (const auto& [byte, child] : n.kids)
                d.dense[static_cast<size_t>(n.dense) * 256 + byte] = child;
            n.kids.clear();
            n.kids.shrink_to_fit();
        }
    }
    d.quick.assign(d.entries.size(), TblQuick{});
    for (size_t i = 0; i < d.entries.size(); ++i) {
        const TblEntry& e = d.entries[i];
        TblQuick& q = d.quick[i];
        if (e.keyCopy >= 0 || e.key.size() > UINT16_MAX || e.value.size() > sizeof q.value)
            continue;
        q.inlined = 1;
        q.keyLen = static_cast<uint16_t>(e.key.size());
        q.valueLen = static_cast<uint8_t>(e.value.size());
        std::copy(e.value.begin(), e.value.end(), q.value);
    }
    d.lastKeyLen = d.entries.empty() ? 0 : d.entries.back().key.size();
    // Keys that are never tried (empty, or spanning no input) are no
    // shorter key that a rest could hold.
    d.passBelow = d.lastKeyLen;
    for (const TblEntry& e : d.entries)
        if (e.keyCopy >= 0 ? copySpan(e) != 0 : !e.key.empty())
            d.passBelow = std::min(d.passBelow, e.key.size());
    d.need = std::max(d.need, d.lastKeyLen);
}

bool copyMatches(const TblEntry& e, const uint8_t* in, size_t left)
{
    const auto p = static_cast<size_t>(e.keyCopy);
    if (p >= left)
        return false;
    const size_t span = copySpan(e);
    if (span > left)
        return false;
    const size_t suffix = e.key.size() - p - tblCopyCharLen;
    return suffix == 0 ||
           std::memcmp(in + span - suffix, e.key.data() + p + tblCopyCharLen, suffix) == 0;
}

// The first entry in sorted order that matches at `in`, or -1. Walking the
// tree visits the entries whose fixed bytes start the input by growing sort
// key; the deepest depth with a match holds the answer, and within a depth
// the lowest index wins.
int32_t findEntry(const TblDirection& d, const uint8_t* in, size_t left)
{
    const TblNode* nodes = d.nodes.data();
    const uint32_t* dense = d.dense.data();
    int32_t best = -1;
    uint32_t node = 0;
    size_t depth = 0;
    for (;;) {
        const TblNode& n = nodes[node];
        int32_t cand = n.terminal;
        for (const uint32_t c : n.copies) {
            if (cand >= 0 && static_cast<int32_t>(c) > cand)
                break;
            if (copyMatches(d.entries[c], in, left)) {
                cand = static_cast<int32_t>(c);
                break;
            }
        }
        if (cand >= 0)
            best = cand;
        if (depth == left)
            break;
        uint32_t next = 0;
        if (n.dense >= 0) {
            next = dense[static_cast<size_t>(n.dense) * 256 + in[depth]];
        } else {
            for (const auto& [byte, child] : n.kids)
                if (byte == in[depth]) {
                    next = child;
                    break;
                }
        }
        if (next == 0)
            break;
        if (next & tblLeafBit)
            return static_cast<int32_t>(next & ~tblLeafBit);
        node = next;
        ++depth;
    }
    return best;
}

// Carried between the pieces of one input converted in turn.
struct TblRunState {
    bool afterMiss = false;  // the piece ended right after an unmatched byte
};

// Output block that grows; `attempted` remembers the size asked for last so
// that a failure can be reported.
struct TblOut {
    std::vector<uint8_t>& v;
    size_t len;
    size_t attempted = 0;
    uint8_t* base = v.data();
    size_t cap = v.size();

    uint8_t* room(size_t n)
    {
        if (cap - len < n)
            grow(n);
        return base + len;
    }
    void grow(size_t n)
    {
        attempted = std::max(cap * 2, len + n);
        v.resize(attempted);
        base = v.data();
        cap = v.size();
    }
    void put(const uint8_t* p, size_t n)
    {
        if (n == 0)
            return;
        std::memcpy(room(n), p, n);
        len += n;
    }
    void put(uint8_t b) { *room(1) = b, ++len; }
};

void emitCopyEntry(const TblEntry& e, const uint8_t* in, TblOut& out)
{
    const auto p = static_cast<size_t>(e.keyCopy);
    const uint8_t kind = e.key[p];
    const size_t n = e.key[p + 1];
    const uint8_t* run = in + p;
    const size_t head = e.valueCopy >= 0 ? static_cast<size_t>(e.valueCopy) : e.value.size();
    out.put(e.value.data(), head);
    if (e.valueCopy < 0)
        return;  // the run is dropped
    const uint8_t valueKind = e.value[head];
    if (valueKind == kind) {
        out.put(run, kind == tblKindHex ? 2 * n : n);
    } else if (kind == tblKindHex) {
        uint8_t* o = out.room(n);
        for (size_t i = 0; i < n; ++i) {
            const int hi = tblHexDigit(run[2 * i]);
            const int lo = tblHexDigit(run[2 * i + 1]);
            o[i] = static_cast<uint8_t>(hi < 0 ? 0 : lo < 0 ? hi : hi * 16 + lo);
        }
        out.len += n;
    } else {
        static constexpr char digits[] = "0123456789ABCDEF";
        uint8_t* o = out.room(2 * n);
        for (size_t i = 0; i < n; ++i) {
            o[2 * i] = static_cast<uint8_t>(digits[run[i] >> 4]);
            o[2 * i + 1] = static_cast<uint8_t>(digits[run[i] & 15]);
        }
        out.len += 2 * n;
    }
    const size_t tail = head + tblCopyCharLen;
    out.put(e.value.data() + tail, e.value.size() - tail);
}

// Converts the positions from `pos` on whose decision is an inline cell, as
// long as a whole `need` bytes are left (the caller makes sure of that at
// `pos`). Returns the first other cell, `pos` left at its position, or
// tblCellInline when too few bytes are left.
uint32_t convertCells(const TblDirection& d, const uint8_t* data, size_t n, size_t& pos,
                      TblOut& out)
{
    const uint32_t* cells = d.cells.data();
    const size_t stop = n - d.need;
    size_t at = pos;
    uint8_t* base = out.base;
    size_t len = out.len;
    size_t cap = out.cap;
    uint32_t c = tblCellInline;
    while (at <= stop) {
        const uint8_t* p = data + at;
        c = cells[p[0]];
        size_t depth = 1;
        for (; c < tblCellEntry; ++depth)
            c = cells[c + p[depth]];
        if (!(c & tblCellInline))
            break;
        if (cap - len < 4) {
            out.len = len;
            out.grow(4);
            base = out.base;
            cap = out.cap;
        }
        // The whole cell: its top byte is overwritten or cut off after.
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(base + len, &c, 4);
        } else {
            base[len] = static_cast<uint8_t>(c);
            base[len + 1] = static_cast<uint8_t>(c >> 8);
            base[len + 2] = static_cast<uint8_t>(c >> 16);
        }
        len += (c >> 24) & 3;
        // Mostly the cell of a key's last byte: the next position is known
        // before the cell is read, so lookups of several codes overlap.
        if (c & tblCellExact) [[likely]]
            at += depth;
        else
            at += (c >> 26) & 15;
        c = tblCellInline;
    }
    out.len = len;
    pos = at;
    return c;
}

// Converts a piece of an input. Unless `last`, it stops where the bytes left
// are too few to decide as the whole input would, and returns the bytes it
// consumed; the caller hands the rest in again with the following bytes.
size_t convertPiece(const TblTable& t, const TblDirection& d, std::span<const uint8_t> in,
                    bool last, TblRunState& state, TblOut& out)
{
    const bool dfile = dfileForm();
    const bool copyUnmatched = dfile || t.copyUnmatched != 0;
    const uint8_t* data = in.data();
    const size_t n = in.size();
    const bool fast = !d.cells.empty();
    size_t pos = 0;
    // The tools' form after an unmatched byte: the rest passes unconverted.
    // It is known to be the rest of the whole input only in the last piece
    // (`passBelow` never exceeds `need`).
    auto passRest = [&] {
        if (copyUnmatched)
            out.put(data + pos, n - pos);
        pos = n;
    };
    if (state.afterMiss) {
        if (!last && n < d.need)
            return 0;
        state.afterMiss = false;
        if (dfile && !d.entries.empty() && n < d.lastKeyLen)
            return 0;
        if (!dfile && !d.entries.empty() && n < d.passBelow) {
            passRest();
            return pos;
        }
    }
    while (pos < n) {
        size_t left = n - pos;
        if (!last && left < d.need)
            break;
        int32_t found = -1;
        if (fast && left >= d.need) {
            const uint32_t c = convertCells(d, data, n, pos, out);
            if (c == tblCellInline)
                continue;
            left = n - pos;
            if ((c & ~tblCellPayload) == tblCellEntry)
                found = static_cast<int32_t>(c & tblCellPayload);
            else if (c == tblCellWalk)
                found = findEntry(d, data + pos, left);
        } else if (!d.entries.empty()) {
            found = findEntry(d, data + pos, left);
        }
        if (found >= 0) {
            const TblQuick& q = d.quick[static_cast<size_t>(found)];
            if (q.inlined) {
                // Fixed-size copy of the whole record; only valueLen counts.
                std::memcpy(out.room(sizeof q.value), q.value, sizeof q.value);
                out.len += q.valueLen;
                pos += q.keyLen;
                continue;
            }
            const TblEntry& e = d.entries[static_cast<size_t>(found)];
            if (e.keyCopy < 0) {
                out.put(e.value.data(), e.value.size());
                pos += e.key.size();
            } else {
                emitCopyEntry(e, data + pos, out);
                pos += copySpan(e);
            }
            continue;
        }
        if (copyUnmatched)
            out.put(data[pos]);
        ++pos;
        if (d.entries.empty())
            continue;
        left = n - pos;
        if (!last && left < d.need) {
            state.afterMiss = true;
            break;
        }
        // The data file tool's form leaves a rest shorter than the last
        // sorted key unconsumed; the tools' form passes it as it is. The last
        // sorted key is the shortest unless a copy char key ranks last by its
        // fixed bytes; the tools' form then goes on byte by byte while the
        // rest still holds a whole shorter key, so that key is converted
        // rather than passed through.
        if (dfile ? left < d.lastKeyLen : left < d.passBelow) {
            if (!dfile)
                passRest();
            break;
        }
    }
    return pos;
}

// Appends the conversion of `in` to `out`; consumed bytes or -1.
int64_t convertInto(const TblDirection& d, std::span<const uint8_t> in, bool last,
                    TblRunState& state, std::vector<uint8_t>& out, size_t initial)
{
    const size_t start = out.size();
    size_t attempted = start + initial;
    try {
        out.resize(attempted);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, tblMsgAlloc, clampInt(initial));
        out.resize(start);
        return -1;
    }
    TblOut o{out, start};
    try {
        const size_t used = convertPiece(current, d, in, last, state, o);
        out.resize(o.len);
        return static_cast<int64_t>(used);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, tblMsgAlloc, clampInt(o.attempted));
        out.resize(start);
        return -1;
    }
}

const TblDirection& directionOf(int reverse)
{
    if (!current.data)
        return emptyDirection;
    return reverse ? current.data->reverse : current.data->forward;
}

// First output block: the table's largest ratio times the input, capped so
// that a wild ratio does not ask for more than growth would need soon.
size_t initialSize(size_t n)
{
    const double want = current.ratio * static_cast<double>(n);
    const double cap = static_cast<double>(n) * 4 + (1u << 20);
    return static_cast<size_t>(std::min(want, cap)) + 1;
}

int convertWhole(std::span<const uint8_t> in, std::vector<uint8_t>& out, int reverse)
{
    if (in.size() > INT_MAX)
        return -1;
    const bool fresh = out.empty();
    TblRunState state;
    const int64_t used = convertInto(directionOf(reverse), in, true, state, out, initialSize(in.size()));
    if (used < 0)
        return -1;
    if (shrink && fresh && !out.empty())
        out.shrink_to_fit();
    return static_cast<int>(used);
}

// A stream that cannot seek (a pipe, a terminal) is read or written where it
// stands: only a position other than its start needs the seek.
bool seekTo(FILE* f, uint32_t position)
{
    if (position == 0 && ::ftello(f) < 0)
        return true;
    return ::fseeko(f, static_cast<off_t>(position), SEEK_SET) == 0;
}

// The copy loop of fileCopyTbl on the current table.
uint64_t copyThrough(FILE* fi, FILE* fo, uint64_t total, int reverse, int64_t& written)
{
    const TblDirection& d = directionOf(reverse);
    // Bytes carried from one chunk into the next stay below d.need, so a
    // buffer of twice that always has room for new input.
    const size_t cap = std::max<size_t>(tblCopyChunk, 2 * d.need);
    const size_t bufSize = static_cast<size_t>(std::min<uint64_t>(total, cap));
    std::vector<uint8_t> buf;
    std::vector<uint8_t> out;
    try {
        buf.resize(bufSize);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    uint64_t remaining = total;
    uint64_t consumed = 0;
    size_t carried = 0;
    bool last = false;
    TblRunState state;
    auto convertAndWrite = [&](size_t avail) {
        out.clear();
        const int64_t used = convertInto(d, std::span(buf.data(), avail), last, state, out,
                                         initialSize(avail));
        if (used < 0)
            return false;
        // An empty output (everything dropped) is no failure: go on.
        const size_t put = out.empty() ? 0 : fileWrite(out.data(), 1, out.size(), fo);
        written += static_cast<int64_t>(put);
        if (put != out.size())
            return false;
        consumed += static_cast<uint64_t>(used);
        carried = avail - static_cast<size_t>(used);
        std::memmove(buf.data(), buf.data() + used, carried);
        return true;
    };
    while (remaining != 0 && !last) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, bufSize - carried));
        const int64_t got = fileRead(buf.data() + carried, 1, want, fi);
        if (got < 1)
            break;
        remaining -= static_cast<uint64_t>(got);
        last = remaining == 0 || static_cast<size_t>(got) < want;
        if (!convertAndWrite(carried + static_cast<size_t>(got)))
            return consumed;
    }
    // The input ended before the count: what is still held is its end.
    if (!last && (carried != 0 || state.afterMiss)) {
        last = true;
        convertAndWrite(carried);
    }
    return consumed;
}

}  // namespace

const TblTable& tblCurrent()
{
    return current;
}

size_t tblFindSeparator(std::span<const uint8_t> data, std::span<const uint8_t> sep)
{
    if (sep.empty())
        return data.size();
    auto from = data.begin();
    for (;;) {
        const auto it = std::search(from, data.end(), sep.begin(), sep.end());
        if (it == data.end())
            return data.size();
        size_t escapes = 0;
        for (auto b = it; b != data.begin() && *(b - 1) == static_cast<uint8_t>(tblEscape); --b)
            ++escapes;
        if (escapes % 2 == 0)
            return static_cast<size_t>(it - data.begin());
        from = it + 1;
    }
}

size_t tblUnescape(std::span<uint8_t> s)
{
    const size_t n = s.size();
    size_t r = 0;
    size_t w = 0;
    auto keep = [&](size_t count) {
        for (size_t i = 0; i < count && r < n; ++i)
            s[w++] = s[r++];
    };
    while (r < n) {
        if (s[r] != static_cast<uint8_t>(tblEscape)) {
            keep(1);
            continue;
        }
        const size_t after = n - r - 1;
        const uint8_t next = after ? s[r + 1] : 0;
        if (after >= tblLineSepLen && std::memcmp(&s[r + 1], tblLineSep, tblLineSepLen) == 0) {
            ++r;
            keep(tblLineSepLen);
        } else if (after && (next == static_cast<uint8_t>(tblEscape) || next == tblAssign)) {
            ++r;
            keep(1);
        } else if (after && next == tblHexLetter) {
            if (after >= 3 && tblHexDigit(s[r + 2]) >= 0 && tblHexDigit(s[r + 3]) >= 0) {
                s[w++] = static_cast<uint8_t>(tblHexDigit(s[r + 2]) * 16 + tblHexDigit(s[r + 3]));
                r += 4;
            } else {
                keep(3);  // the escape, the "x" and the byte after it
            }
        } else {
            keep(1);
        }
    }
    return w;
}

int tblInitMem(std::vector<uint8_t> text)
{
    if (text.size() > static_cast<size_t>(fileMaxSize))
        return 0;
    const bool dfile = dfileForm();
    const std::span<const uint8_t> sep(reinterpret_cast<const uint8_t*>(tblLineSep), tblLineSepLen);
    size_t pairs = 0;
    for (auto it = text.begin();
         (it = std::search(it, text.end(), sep.begin(), sep.end())) != text.end(); it += 2)
        ++pairs;

    std::shared_ptr<TblData> data;
    try {
        data = std::make_shared<TblData>();
        data->forward.entries.reserve(pairs + 1);
        data->reverse.entries.reserve(pairs + 1);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, tblMsgAlloc, clampInt(24 * (uint64_t{pairs} + 1)));
        return 0;
    }
    data->text = std::move(text);
    std::vector<TblEntry>& entries = data->forward.entries;
    int copyUnmatched = current.copyUnmatched;
    const std::span<uint8_t> all(data->text);
    const std::span<const uint8_t> assign(reinterpret_cast<const uint8_t*>(&tblAssign), 1);

    size_t pos = 0;
    for (;;) {
        const std::span<uint8_t> rest = all.subspan(pos);
        const size_t end = tblFindSeparator(rest, sep);
        const std::span<uint8_t> line = rest.first(end);
        const size_t a = tblFindSeparator(line, assign);
        const int accepted = clampInt(entries.size());
        if (a == line.size()) {
            // no assign string: not an entry
        } else if (a == 0 && dfile) {
            std::fprintf(stderr, tblMsgDfileStartsAssign, accepted);
        } else if (a == 0) {
            const size_t nameLen = std::strlen(tblDirectiveSkip);
            if (line.size() - 1 >= nameLen && std::memcmp(&line[1], tblDirectiveSkip, nameLen) == 0)
                copyUnmatched = 0;
        } else if (dfile && a + 1 == line.size()) {
            std::fprintf(stderr, tblMsgDfileEndsAssign, accepted);
        } else {
            const std::span<uint8_t> key = line.first(tblUnescape(line.first(a)));
            const std::span<uint8_t> value =
                line.subspan(a + 1, tblUnescape(line.subspan(a + 1)));
            TblEntry e{key, value, -1, -1};
            bool keep = true;
            e.keyCopy = findCopyChar(key, 0);
            if (dfile && e.keyCopy == 0)
                e.keyCopy = -1;
            if (e.keyCopy >= 0) {
                rewriteCopyChar(key, static_cast<size_t>(e.keyCopy));
                e.valueCopy = findCopyChar(value, 0);
                if (dfile && e.valueCopy == 0)
                    e.valueCopy = -1;
                if (e.valueCopy >= 0)
                    rewriteCopyChar(value, static_cast<size_t>(e.valueCopy));
                else if (dfile)
                    keep = false;
                const bool second =
                    findCopyChar(key, static_cast<size_t>(e.keyCopy) + tblCopyCharLen) >= 0 ||
                    (e.valueCopy >= 0 &&
                     findCopyChar(value, static_cast<size_t>(e.valueCopy) + tblCopyCharLen) >= 0);
                if (keep && second) {
                    std::fprintf(stderr, "%s", tblMsgTwoCopyChars);
                    keep = false;
                }
            }
            if (keep)
                entries.push_back(e);
        }
        if (end == rest.size())
            break;
        pos += end + tblLineSepLen;
    }

    TblTable table;
    for (const TblEntry& e : entries) {
        data->reverse.entries.push_back({e.value, e.key, e.valueCopy, e.keyCopy});
        if (!e.key.empty())
            table.ratio = std::max(table.ratio, static_cast<double>(e.value.size()) /
                                                    static_cast<double>(e.key.size()));
    }
    // Longest fixed bytes first; equal ones keep their file order.
    for (TblDirection* d : {&data->forward, &data->reverse}) {
        std::stable_sort(d->entries.begin(), d->entries.end(),
                         [](const TblEntry& x, const TblEntry& y) { return sortKey(x) > sortKey(y); });
        buildDirection(*d);
    }
    table.data = std::move(data);
    table.copyUnmatched = copyUnmatched;
    current = std::move(table);
    currentSlot = -1;
    return 1;
}

int tblInit(const std::string& path)
{
    auto text = fileLoadFile(path);
    if (!text)
        return 0;
    return tblInitMem(std::move(*text));
}

int tblFree()
{
    current.data.reset();
    current.ratio = 0;
    currentSlot = -1;
    return 1;
}

int tblConvert(std::span<const uint8_t> in, std::vector<uint8_t>& out)
{
    return convertWhole(in, out, 0);
}

int tblConvertReverse(std::span<const uint8_t> in, std::vector<uint8_t>& out)
{
    return convertWhole(in, out, 1);
}

void tblSetShrink(int on)
{
    shrink = on != 0;
}

int tblSave()
{
    if (slotsUsed >= tblSlotCount)
        return -1;
    slots[slotsUsed] = current;
    currentSlot = slotsUsed;
    return slotsUsed++;
}

int tblSelect(int slot)
{
    if (slot < 0 || slot >= slotsUsed)
        return 0;
    // The current table may have been replaced since it was saved or
    // selected; then the slot's table is brought back.
    if (slot != currentSlot)
        current = slots[slot];
    currentSlot = slot;
    return 1;
}

void tblFreeAll()
{
    for (int i = 0; i < slotsUsed; ++i) {
        tblSelect(i);
        tblFree();
    }
    for (TblTable& s : slots)
        s = TblTable{};
    slotsUsed = 0;
    currentSlot = -1;
}

void tblReset()
{
    tblFreeAll();
    current = TblTable{};
    shrink = true;
}

uint32_t fileCopyTbl(FILE* fi, FILE* fo, uint32_t size, uint32_t nmemb, const std::string& table,
                     int reverse, int64_t* written)
{
    int64_t count = 0;
    if (written)
        *written = 0;
    // A table loaded for this copy only: the caller's current table comes
    // back afterwards.
    const TblTable before = current;
    const int beforeSlot = currentSlot;
    if (!table.empty() && !tblInit(table))
        return 0;
    const uint64_t total = uint64_t{size} * nmemb;
    const uint64_t consumed = total == 0 ? 0 : copyThrough(fi, fo, total, reverse, count);
    if (!table.empty()) {
        current = before;
        currentSlot = beforeSlot;
    }
    if (written)
        *written = count;
    return static_cast<uint32_t>(std::min<uint64_t>(consumed, UINT32_MAX));
}

uint32_t fileCopyTblF(const std::string& iname, const std::string& oname, uint32_t iposition,
                      uint32_t oposition, uint32_t size, const char* mode,
                      const std::string& table, int reverse, int64_t* written)
{
    if (written)
        *written = 0;
    FilePtr fi = fileOpen(iname, "rb");
    if (!fi)
        return 0;
    FilePtr fo = fileOpen(oname, mode);
    if (!fo)
        return 0;
    if (!seekTo(fi.get(), iposition) || !seekTo(fo.get(), oposition))
        return 0;
    const uint32_t consumed = fileCopyTbl(fi.get(), fo.get(), 1, size, table, reverse, written);
    // Bytes that never left the stream buffer were not written.
    if (std::fclose(fo.release()) != 0)
        return 0;
    return consumed;
}

int tblHexDigit(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
