#include "recompute.h"

#include "fileutils.h"
#include "le.h"
#include "memutils.h"
#include "messages.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace {

constexpr int64_t lineHeight = 16;

struct MeasureState {
    int64_t x = 0, y = lineHeight, lines = 1;
    bool widthStopped = false, heightStopped = false, widthPaused = false;
    bool lsPending = false;
    size_t lsPos = 0;
    int choices = 0;
    int line = 0;
    int itemsPending = 0;
    bool op04 = false;
    size_t op04Param = 0;
    int op04Slots = 0;
    int op04Line = 1;
};

// The copy char's parameter value: raw bytes big-endian, hex characters as
// a hexadecimal number (up to the first non-digit), 0 for the other kinds.
int64_t copyValue(const DlgLengthsEntry& e, std::span<const uint8_t> run)
{
    uint32_t v = 0;
    if (e.kind == dlgKindRaw) {
        for (const uint8_t b : run)
            v = v << 8 | b;
    } else if (e.kind == dlgKindHex) {
        for (const uint8_t c : run) {
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0)
                break;
            v = v << 4 | static_cast<uint32_t>(d);
        }
    } else {
        return 0;
    }
    return static_cast<int32_t>(v);
}

// Positions wrap instead of overflowing on absurd tables.
int64_t wrapAdd(int64_t a, int64_t b)
{
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

void applyAttr(MeasureState& st, const DlgLengthsEntry& e, int64_t v)
{
    switch (e.attr) {
    case dlgAttrWidth:
    case dlgAttrAddWidth: st.x = wrapAdd(st.x, e.number); break;
    case dlgAttrNewLine:
        st.x = 0;
        st.y = wrapAdd(st.y, lineHeight);
        st.lines += 1;
        break;
    case dlgAttrPage:
        st.x = 0;
        st.y = lineHeight;
        st.lines = 1;
        break;
    case dlgAttrX: st.x = v; break;
    case dlgAttrY: st.y = v; break;
    case dlgAttrAddX: st.x = wrapAdd(st.x, v); break;
    case dlgAttrSubX: st.x = wrapAdd(st.x, -v); break;
    default: break;
    }
}

void updateMax(const MeasureState& st, DlgMeasure& m)
{
    if (!st.widthStopped && !st.widthPaused)
        m.maxWidth = std::max(m.maxWidth, st.x);
    if (!st.heightStopped)
        m.maxHeight = std::max(m.maxHeight, st.y);
    m.maxLines = std::max(m.maxLines, st.lines);
}

void storeLineWidth(std::span<uint8_t> text, size_t pos, int64_t x)
{
    (void)lePut16(text, pos, static_cast<uint16_t>(x));
}

}  // namespace

DlgMeasure dlgMeasure(const DlgLengths& t, std::span<uint8_t> text, Kz7Varlen* varlen)
{
    MeasureState st;
    if (text.empty()) {
        st.y = 0;
        st.lines = 0;
    }
    DlgMeasure m;
    if (varlen)
        kz7varlenReset(*varlen);
    const size_t lastKeyLen = t.entries.empty() ? 0 : t.entries.back().key.size();

    size_t pos = 0;
    while (pos < text.size()) {
        const auto match = tblLengthsMatch(t, text, pos);
        if (!match) {
            const auto c = static_cast<signed char>(text[pos]);
            std::fprintf(stderr, dlgMsgNoLength, c, static_cast<unsigned>(int{c}));
            ++pos;
            if (!t.entries.empty() && text.size() - pos < lastKeyLen)
                break;
            continue;
        }
        const DlgLengthsEntry& e = *match->entry;
        if (e.attr == dlgAttrAbandon) {
            m.abandoned = true;
            return m;
        }
        const bool endsLine = e.attr == dlgAttrNewLine || e.attr == dlgAttrEnd;
        if (e.attr != dlgAttrWidth) {
            updateMax(st, m);
            if (e.attr == dlgAttrStopX) {
                st.widthStopped = true;
            } else if (e.attr == dlgAttrStopY) {
                st.heightStopped = true;
            } else if (e.attr == dlgAttrPauseX) {
                st.widthPaused = true;
            } else if (e.attr == dlgAttrVarItem) {
                st.itemsPending += 1;
                if (varlen)
                    kz7varlenAddItem(*varlen, text.subspan(pos, match->length), e.number);
            } else if (e.attr == dlgAttrChoice) {
                st.choices += 1;
                st.line += 1;
                if (varlen)
                    kz7varlenOpenGroup(*varlen);
                st.itemsPending += 1;
            } else if (st.itemsPending > 0 && endsLine) {
                if (varlen)
                    kz7varlenCloseGroup(*varlen, st.x, st.line);
                if (st.choices > 0)
                    st.line += 1;
                st.itemsPending = 0;
                if (st.choices > 0 && e.attr == dlgAttrNewLine) {
                    if (varlen)
                        kz7varlenOpenGroup(*varlen);
                    st.itemsPending = 1;
                }
            }
            if (st.lsPending && endsLine) {
                storeLineWidth(text, st.lsPos, st.x);
                st.lsPending = false;
            }
            if (st.widthPaused && endsLine)
                st.widthPaused = false;
            if (st.choices > 0)
                st.widthPaused = true;  // choice lines never count toward the width
            if (st.op04 && e.attr == dlgAttrNewLine) {
                if (st.op04Line < st.op04Slots) {
                    const size_t slot = st.op04Param + 1 + 2 * static_cast<size_t>(st.op04Line);
                    (void)lePut16(text, slot, static_cast<uint16_t>(pos - st.op04Param));
                } else {
                    std::fprintf(stderr, dlgMsgOpcode04Lines, st.op04Line + 1, st.op04Slots);
                }
                st.op04Line += 1;
            }
            if (e.attr == dlgAttrEnd)
                break;
        }
        if (e.copyPos == 0) {
            applyAttr(st, e, -1);
        } else {
            const size_t param = pos + e.copyPos;
            const auto run = text.subspan(param, match->runLength);
            if (e.kind == dlgKindFromData) {
                if (st.op04)
                    std::fprintf(stderr, "%s", dlgMsgSecondOpcode04);
                st.op04 = true;
                st.op04Param = param;
                st.op04Slots = text[param];
                st.op04Line = 1;
            }
            if (e.attr == dlgAttrLineWidth) {
                st.lsPos = param;
                st.lsPending = true;
            } else {
                applyAttr(st, e, copyValue(e, run));
            }
        }
        pos += match->length;
    }

    if (st.lsPending)
        storeLineWidth(text, st.lsPos, st.x);
    updateMax(st, m);
    if (varlen) {
        if (st.itemsPending > 0) {
            kz7varlenCloseGroup(*varlen, st.x, st.line);
            if (st.choices > 0)
                st.line += 1;
        }
        if (!varlen->data.empty())
            kz7varlenFinish(*varlen);
    }
    return m;
}

namespace {

// A measured value clamped to what its field holds, with the warning.
int64_t dlgFieldValue(int64_t value, int64_t limit, const char* what, const std::string& name,
                      int dialog)
{
    if (value <= limit)
        return value;
    std::fprintf(stderr, dlgMsgWindowTooLarge, name.c_str(), dialog, what,
                 static_cast<long long>(value), static_cast<int>(limit));
    return limit;
}

}  // namespace

uint16_t dlgSizeWord(const DlgMeasure& m, const std::string& name, int dialog)
{
    const int64_t width = dlgFieldValue(m.maxWidth, dlgMaxWindowWidth, "width", name, dialog);
    const int64_t height = dlgFieldValue(m.maxHeight, dlgMaxWindowHeight, "height", name, dialog);
    return static_cast<uint16_t>(
        (static_cast<uint64_t>(width) + 256 * static_cast<uint64_t>(height)) & 0xFFFF);
}

namespace {

struct Rebuild {
    std::vector<uint8_t> block;
    bool tooFar = false;
    int tooFarWord = 0;
    size_t tooFarAt = 0;

    void setPointer(int64_t word, size_t start)
    {
        const size_t ptr = start - dlgCountSize;
        if (ptr > dlgPointerMax) {
            if (!tooFar) {
                tooFar = true;
                tooFarWord = static_cast<int>(word);
                tooFarAt = start;
            }
            return;
        }
        (void)lePut16(block, dlgCountSize + 2 * static_cast<size_t>(word),
                      static_cast<uint16_t>(ptr));
    }
    void append(std::span<const uint8_t> bytes) { block.insert(block.end(), bytes.begin(), bytes.end()); }
};

}  // namespace

DlgRecomputeResult dlgRecompute(std::vector<uint8_t>& buf, uint32_t n, bool battle,
                                const std::string& name, const DlgSettings& s,
                                size_t extraEntries)
{
    if (!s.lengths)
        return DlgRecomputeResult::unchanged;
    int mode = s.varlen ? s.mode : dlgModeNone;
    const auto firstPtr = dlgPointer(buf, 0);
    if (!firstPtr || size_t{*firstPtr} + 4 > buf.size())
        return DlgRecomputeResult::unchanged;
    const size_t dataStart = size_t{*firstPtr} + 4;
    const int64_t words = (battle ? 2 : 4) * int64_t{n};
    // The rebuild and the flags are written into the pointer table; a table
    // that reaches into the records' data would overwrite it.
    if (dlgCountSize + 2 * static_cast<uint64_t>(words) > dataStart) {
        std::fprintf(stderr, dlgMsgRecomputeOverlap, name.c_str());
        return DlgRecomputeResult::unchanged;
    }

    bool rebuild = !battle && (mode == dlgModeMerge || mode == dlgModeReplace);
    Rebuild nb;
    if (rebuild) {
        try {
            nb.block.reserve(3 * buf.size());
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "%s", dlgMsgUpdateMode);
            mode = dlgModeUpdate;
            rebuild = false;
        }
        nb.block.assign(buf.begin(), buf.begin() + static_cast<ptrdiff_t>(dataStart));
    }
    // Visiting may stop early. The rebuild then has no defined tail, so the
    // data are written as given; editing in place keeps what was done. A
    // record that ends before it starts can't be laid out anew either; in
    // place only that dialog is skipped.
    const std::vector<uint8_t> original = rebuild ? buf : std::vector<uint8_t>{};
    const std::span<uint8_t> data(buf);
    const auto restore = [&] {
        if (!rebuild)
            return DlgRecomputeResult::done;
        buf = original;
        return DlgRecomputeResult::unchanged;
    };

    size_t lastOldTextStart = 0, lastNewTextStart = 0, newEnd = 0;
    const int64_t step = battle ? 2 : 4;
    for (int64_t i = battle ? 0 : 2; i < words; i += step) {
        const bool last = i == words - 2;
        const auto ptr = dlgPointer(buf, i);
        if (!ptr || size_t{*ptr} + 4 > buf.size()) {
            std::fprintf(stderr, last ? dlgMsgRecomputeEndBehind : dlgMsgRecomputeBehind,
                         static_cast<int>(i));
            return restore();
        }
        const size_t textStart = size_t{*ptr} + 4;
        size_t textEnd = buf.size();
        if (last) {
            textEnd = textStart + memnrchr(data.subspan(textStart), 0);
        } else {
            const auto next = dlgPointer(buf, i + 2);
            if (next && *next < *ptr) {
                std::fprintf(stderr, dlgMsgNegativeLength, name.c_str(), static_cast<int>(i),
                             unsigned{*next}, unsigned{*ptr});
                if (rebuild)
                    return restore();
                continue;
            }
            if (next)
                textEnd = std::min(size_t{*next} + 4, buf.size());
        }
        size_t scriptStart = textStart;
        if (!battle) {
            const uint16_t sp = dlgPointer(buf, i - 2).value_or(0);
            if (sp > *ptr) {
                std::fprintf(stderr, dlgMsgNegativeLength, name.c_str(), static_cast<int>(i - 2),
                             unsigned{*ptr}, unsigned{sp});
                if (rebuild)
                    return restore();
                continue;
            }
            scriptStart = size_t{sp} + 4;
        }

        const DlgMeasure m = dlgMeasure(*s.lengths, data.subspan(textStart, textEnd - textStart),
                                        s.varlen);
        if (!m.abandoned) {
            const int64_t sizeWordAt = battle ? i : i - 2;
            (void)lePut16(data, dlgCountSize + 2 * static_cast<size_t>(sizeWordAt) + 2,
                          dlgSizeWord(m, name, static_cast<int>(i)));
            if (!battle && !last) {
                const size_t flagsAt = dlgCountSize + 2 * static_cast<size_t>(i) + 2;
                const int64_t lines = dlgFieldValue(m.maxLines, dlgMaxLinesByte, "line count",
                                                    name, static_cast<int>(i));
                (void)lePut8(data, flagsAt, static_cast<uint8_t>(lines));
            }
        }
        if (battle || mode == dlgModeNone)
            continue;

        // An abandoned measurement leaves only partial line data: the
        // script is then kept as it is.
        const auto script = data.subspan(scriptStart, textStart - scriptStart);
        std::optional<DlgOpcode> opcode;
        if (!m.abandoned)
            opcode = dlgFindOpcode(script);
        int result = 0;
        if (opcode && mode != dlgModeReplace) {
            const auto oldData = script.subspan(opcode->start + 2, opcode->end - opcode->start - 2);
            result = kz7varlenCompareUpdate(oldData, s.varlen->data, mode);
            if (mode == dlgModeUpdate && result < 0)
                std::fprintf(stderr, dlgMsgBadUpdate, name.c_str(), result, static_cast<int>(i));
        }
        if (mode == dlgModeUpdate)
            continue;

        const Kz7Varlen& v = *s.varlen;
        const bool fits = v.max > 0 && v.max <= m.maxWidth;
        const bool write = !m.abandoned && !v.data.empty() && !fits;
        const uint8_t op[] = {dlgOpcodeF9, dlgOpcodeVarlen};
        if (!opcode || (mode == dlgModeMerge && result >= 0)) {
            nb.append(script);
            if (mode == dlgModeReplace && write) {
                nb.append(op);
                nb.append(v.data);
            }
        } else {
            nb.append(script.first(opcode->start));
            if (write) {
                nb.append(op);
                nb.append(v.data);
            }
            nb.append(script.subspan(opcode->end));
        }
        const size_t newTextStart = nb.block.size();
        nb.setPointer(i, newTextStart);
        nb.append(data.subspan(textStart, textEnd - textStart));
        if (!last)
            nb.setPointer(i + 2, nb.block.size());
        for (const int64_t w : {i - 2, i}) {
            const size_t at = dlgCountSize + 2 * static_cast<size_t>(w) + 2;
            (void)lePut16(nb.block, at, leGet16(buf, at).value_or(0));
        }
        if (last) {
            lastOldTextStart = textStart;
            lastNewTextStart = newTextStart;
            newEnd = nb.block.size();
        }
    }
    if (!rebuild || words < 2)
        return DlgRecomputeResult::done;

    // Entries creation made past the N dialogs (an odd part count) point
    // into the last text, which moved with the rebuilt scripts. Other bytes
    // before the first record are no table slots: they are kept.
    const size_t tableEnd = dlgCountSize + 2 * static_cast<size_t>(words);
    const size_t extraEnd = std::min(dataStart, tableEnd + dlgEntrySize * extraEntries);
    for (size_t at = tableEnd; at + 2 <= extraEnd; at += dlgEntrySize) {
        const size_t start = size_t{leGet16(buf, at).value_or(0)} + 4;
        if (start < lastOldTextStart)
            continue;
        const size_t moved = std::min(start - lastOldTextStart + lastNewTextStart, newEnd);
        nb.setPointer(static_cast<int64_t>((at - dlgCountSize) / 2), moved);
    }
    if (nb.tooFar) {
        std::fprintf(stderr, dlgMsgPointerTooFar, name.c_str(), nb.tooFarWord,
                     static_cast<unsigned>(nb.tooFarAt));
        buf = original;
        return DlgRecomputeResult::refused;
    }
    buf = std::move(nb.block);
    return DlgRecomputeResult::done;
}

int dlgRecomputeFile(const DlgSettings& s, const std::string& in, const std::string& out,
                     const std::string*)
{
    try {
        auto file = fileLoadFile(in);
        if (!file)
            return 0;
        const DlgHeader h = dlgReadHeader(*file);
        const uint64_t headerEnd = uint64_t{h.firstPtr} + 4;
        if (file->size() < 8 || headerEnd > file->size()) {
            std::fprintf(stderr, dlgMsgNotConverted, in.c_str(), static_cast<unsigned>(headerEnd),
                         static_cast<unsigned>(file->size()));
            return 0;
        }
        dlgWarnHeader(h);
        if (dlgRecompute(*file, h.count, h.battle(), in, s) == DlgRecomputeResult::refused)
            return 0;
        (void)dlgSaveFile(out, *file);
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
