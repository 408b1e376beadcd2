#include "varlen.h"

#include "dlgfile.h"
#include "le.h"
#include "memutils.h"
#include "messages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t groupEnd = 0xFF;
constexpr size_t headerSize = 2;
constexpr size_t dataEndSize = 3;  // FF FF FF
constexpr size_t minOpcodeRecord = 7;
constexpr size_t minCompareSize = 5;
constexpr uint8_t itemF906 = 0x06;

void reserveHeader(Kz7Varlen& v)
{
    if (v.groupOpen)
        return;
    v.header = v.data.size();
    v.data.resize(v.data.size() + headerSize);
    v.groupOpen = true;
}

}  // namespace

bool kz7varlenCreate(Kz7Varlen& v)
{
    v = {};
    if (!memMalloc(v.data, kz7varlenBlockSize))
        return false;
    kz7varlenReset(v);
    return true;
}

void kz7varlenReset(Kz7Varlen& v)
{
    v.data.clear();
    v.header = 0;
    v.groupOpen = false;
    v.max = -1;
    v.acc = -1;
    v.lastLine = 0;
}

void kz7varlenAddItem(Kz7Varlen& v, std::span<const uint8_t> item, long width)
{
    if (!item.empty() && item[0] == dlgOpcodeF9)
        item = item.subspan(1);
    reserveHeader(v);
    if (item.size() == 3 && item[0] == itemF906 && (item[1] == 0 || item[1] == 3)) {
        const uint8_t s = item[1];
        const uint8_t value = item[2];
        if (value > 15)
            std::fprintf(stderr, dlgMsgF906Value, unsigned{s}, unsigned{value});
        v.data.push_back(itemF906);
        v.data.push_back(static_cast<uint8_t>(s * 16 + (value & 0x0F)));
    } else {
        v.data.insert(v.data.end(), item.begin(), item.end());
    }
    if (v.acc < 0 || width == 0)
        v.acc = width;
    else if (v.acc > 0)
        v.acc = static_cast<int64_t>(static_cast<uint64_t>(v.acc) + static_cast<uint64_t>(width));
}

void kz7varlenOpenGroup(Kz7Varlen& v)
{
    reserveHeader(v);
}

void kz7varlenCloseGroup(Kz7Varlen& v, int64_t width, int line)
{
    reserveHeader(v);
    const auto header = static_cast<uint16_t>((static_cast<uint64_t>(width) & 0xFFF) |
                                              (static_cast<unsigned>(line) & 0xF) << 12);
    (void)lePut16(v.data, v.header, header);
    v.data.push_back(groupEnd);
    v.groupOpen = false;
    if (v.acc > 0) {
        v.max = std::max(v.max, static_cast<int64_t>(static_cast<uint64_t>(v.acc) +
                                                     static_cast<uint64_t>(width)));
        v.acc = -1;
    } else if (v.acc == 0) {
        v.max = 0;
    } else {
        v.max = std::max(v.max, width);
    }
    v.lastLine = line;
}

void kz7varlenFinish(Kz7Varlen& v)
{
    v.data.push_back(groupEnd);
    v.data.push_back(groupEnd);
}

std::optional<DlgOpcode> dlgFindOpcode(std::span<const uint8_t> script)
{
    if (script.size() < minOpcodeRecord)
        return std::nullopt;
    const uint8_t op[] = {dlgOpcodeF9, dlgOpcodeVarlen};
    const uint8_t* hit = memmem(script, op);
    if (!hit)
        return std::nullopt;
    const size_t start = static_cast<size_t>(hit - script.data());
    const uint8_t ends[] = {groupEnd, groupEnd, groupEnd};
    const uint8_t* end = memmem(script.subspan(start + 2), ends);
    if (!end) {
        std::fprintf(stderr, "%s", dlgMsgNoOpcodeEnd);
        return std::nullopt;
    }
    return DlgOpcode{start, static_cast<size_t>(end - script.data()) + dataEndSize};
}

namespace {

// One side of the compare: the current group and what is left after it.
struct GroupWalk {
    std::span<const uint8_t> data;
    size_t pos = 0;  // header of the current group
    bool done = false;

    size_t itemsEnd() const
    {
        const size_t from = std::min(pos + headerSize, data.size());
        const auto it = std::find(data.begin() + static_cast<ptrdiff_t>(from), data.end(), groupEnd);
        return static_cast<size_t>(it - data.begin());
    }
    uint16_t header() const { return leGet16(data, pos).value_or(0); }
    std::span<const uint8_t> items() const
    {
        const size_t from = std::min(pos + headerSize, data.size());
        return data.subspan(from, itemsEnd() - from);
    }
    size_t left() const { return done ? 0 : data.size() - pos; }

    void next()
    {
        const size_t end = itemsEnd();
        const size_t rest = data.size() - end;  // from the group's FF on
        if (rest > dataEndSize) {
            pos = end + 1;
            return;
        }
        if (rest == dataEndSize) {
            if (!std::all_of(data.begin() + static_cast<ptrdiff_t>(end), data.end(),
                             [](uint8_t b) { return b == groupEnd; }))
                std::fprintf(stderr, "%s", dlgMsgCompareRestBytes);
        } else {
            std::fprintf(stderr, dlgMsgCompareRestLength, static_cast<int>(rest));
        }
        pos = data.size();
        done = true;
    }
};

void dumpData(std::span<const uint8_t> d)
{
    for (const uint8_t b : d)
        std::printf(dlgMsgCompareDumpByte, unsigned{b});
    std::printf("\n");
}

void dump(const char* head, std::span<const uint8_t> a, std::span<const uint8_t> b)
{
    std::printf("%s", head);
    dumpData(a);
    dumpData(b);
    std::fflush(stdout);
}

}  // namespace

int kz7varlenCompareUpdate(std::span<uint8_t> old, std::span<const uint8_t> neu, int mode)
{
    const bool report = mode == dlgModeUpdate;
    if (old.size() < minCompareSize || neu.size() < minCompareSize) {
        if (report) {
            dump(dlgMsgCompareDumpHead, old, neu);
            std::fprintf(stderr, dlgMsgCompareSize, static_cast<int>(old.size()),
                         static_cast<int>(neu.size()));
        }
        return -999;
    }
    GroupWalk o{old};
    GroupWalk n{neu};
    while (!o.done && !n.done) {
        const uint16_t oh = o.header();
        const uint16_t nh = n.header();
        const auto oi = o.items();
        const auto ni = n.items();
        const bool same = (oh >> 12) == (nh >> 12) && oi.size() == ni.size() &&
                          std::equal(oi.begin(), oi.end(), ni.begin());
        if (same) {
            (void)lePut16(old, o.pos, static_cast<uint16_t>((oh & 0xF000) | (nh & 0x0FFF)));
            o.next();
        }
        n.next();
    }
    if (!o.done) {
        if (report) {
            dump(dlgMsgCompareDumpHead, old, neu);
            std::fprintf(stderr, dlgMsgCompareOldLeft, static_cast<int>(o.left()));
        }
        return -1;
    }
    return static_cast<int>(n.left());
}
