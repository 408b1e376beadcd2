#include "extract.h"

#include "fileutils.h"
#include "memutils.h"
#include "messages.h"
#include "tbl.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace {

constexpr size_t minConvertSize = 8;    // count and one table entry
constexpr size_t minRawSize = 4;
constexpr size_t minRawSplitSize = 12;

struct RecordSpan {
    size_t start = 0;
    size_t end = 0;
    bool negative = false;  // the next pointer lies before this one
};

// Data of the record at `word` (not the last): up to the next record's start,
// cut at the end of the file when the next pointer lies beyond it (that
// record is then reported on its own turn).
RecordSpan recordSpan(std::span<const uint8_t> file, int64_t word, uint16_t ptr)
{
    RecordSpan r;
    r.start = size_t{ptr} + 4;
    const auto next = dlgPointer(file, word + 2);
    r.end = next ? std::min(size_t{*next} + 4, file.size()) : file.size();
    if (next && *next < ptr) {
        r.negative = true;
        r.end = r.start;
    }
    return r;
}

void reportNegative(const std::string& name, int64_t word, uint16_t ptr,
                    std::span<const uint8_t> file)
{
    std::fprintf(stderr, dlgMsgNegativeLength, name.c_str(), static_cast<int>(word),
                 unsigned{dlgPointer(file, word + 2).value_or(0)}, unsigned{ptr});
}

void append(std::vector<uint8_t>& to, const std::string& s)
{
    to.insert(to.end(), s.begin(), s.end());
}

// Converts one record with the table of `slot` and appends it and its
// separator. False when the converter could not get memory.
bool convertRecord(int slot, bool select, std::span<const uint8_t> data, uint16_t flags,
                   bool battle, std::vector<uint8_t>& to)
{
    if (select)
        tblSelect(slot);
    if (!data.empty() && tblConvert(data, to) < 0)
        return false;
    append(to, dlgSeparator(flags, battle));
    return true;
}

}  // namespace

int dlgExtractMem(const DlgSettings& s, std::span<const uint8_t> file, const std::string& name,
                  bool split, DlgExtractOutput& out)
{
    out = {};
    const DlgHeader h = dlgReadHeader(file);
    const uint64_t headerEnd = uint64_t{h.firstPtr} + 4;
    if (file.size() < minConvertSize || headerEnd > file.size()) {
        std::fprintf(stderr, dlgMsgNotConverted, name.c_str(), static_cast<unsigned>(headerEnd),
                     static_cast<unsigned>(file.size()));
        return 0;
    }
    const bool battle = h.battle();
    dlgWarnHeader(h);
    out.split = split && !battle;

    const int64_t words = h.words();
    if (battle)
        tblSelect(s.dialogSlot);
    int64_t i = 0;
    for (; i < words - 2; i += 2) {
        const auto ptr = dlgPointer(file, i);
        if (!ptr || size_t{*ptr} + 4 > file.size()) {
            std::fprintf(stderr, dlgMsgPointerBehind, name.c_str(), static_cast<int>(i));
            return 1;  // the last record is not extracted either
        }
        const bool scriptRecord = !battle && i % 4 == 0;
        const RecordSpan r = recordSpan(file, i, *ptr);
        if (r.negative)
            reportNegative(name, i, *ptr, file);
        auto& target = scriptRecord && out.split ? out.script : out.text;
        const int slot = scriptRecord ? s.dlsSlot : s.dialogSlot;
        if (!convertRecord(slot, !battle, file.subspan(r.start, r.end - r.start),
                           dlgFlags(file, i).value_or(0), battle, target))
            return 0;
    }
    if (i != words - 2)
        return 1;
    const auto ptr = dlgPointer(file, i);
    if (!ptr || size_t{*ptr} + 4 > file.size()) {
        std::fprintf(stderr, dlgMsgLastPointerBehind, name.c_str(), static_cast<int>(i));
        return 1;
    }
    auto data = file.subspan(size_t{*ptr} + 4);
    data = data.first(memnrchr(data, 0));  // the game pads the last record with zeros
    const int slot = !battle && i % 4 == 0 ? s.dlsSlot : s.dialogSlot;
    if (!convertRecord(slot, !battle, data, dlgFlags(file, i).value_or(0), battle, out.text))
        return 0;
    return 1;
}

int dlgExtractRawMem(std::span<const uint8_t> file, const std::string& name, bool split,
                     DlgExtractOutput& out)
{
    out = {};
    if (file.size() < minRawSize)
        return 0;
    const DlgHeader h = dlgReadHeader(file);
    // Without a readable first pointer there is no data to take.
    const uint64_t headerEnd = file.size() < 6 ? 6 : uint64_t{h.firstPtr} + 4;
    dlgWarnHeader(h);
    out.split = split && !h.battle();
    if (!out.split) {
        if (headerEnd > file.size()) {
            std::fprintf(stderr, dlgMsgRawNotExtracted, name.c_str(),
                         static_cast<unsigned>(headerEnd), static_cast<unsigned>(file.size()));
            return 0;
        }
        out.text.assign(file.begin() + static_cast<ptrdiff_t>(headerEnd), file.end());
        return 1;
    }
    if (file.size() < minRawSplitSize || headerEnd > file.size()) {
        std::fprintf(stderr, dlgMsgRawNotExtracted, name.c_str(), static_cast<unsigned>(headerEnd),
                     static_cast<unsigned>(file.size()));
        return 0;
    }
    const int64_t words = 4 * int64_t{h.count};
    int64_t i = 0;
    for (; i < words - 2; i += 2) {
        const auto ptr = dlgPointer(file, i);
        if (!ptr || size_t{*ptr} + 4 > file.size()) {
            std::fprintf(stderr, dlgMsgPointerBehind, name.c_str(), static_cast<int>(i));
            return 1;
        }
        const RecordSpan r = recordSpan(file, i, *ptr);
        if (r.negative)
            reportNegative(name, i, *ptr, file);
        auto& target = i % 4 == 0 ? out.script : out.text;
        target.insert(target.end(), file.begin() + static_cast<ptrdiff_t>(r.start),
                      file.begin() + static_cast<ptrdiff_t>(r.end));
    }
    if (i != words - 2)
        return 1;
    const auto ptr = dlgPointer(file, i);
    if (!ptr || size_t{*ptr} + 4 > file.size()) {
        std::fprintf(stderr, dlgMsgLastPointerBehind, name.c_str(), static_cast<int>(i));
        return 1;
    }
    out.text.insert(out.text.end(), file.begin() + *ptr + 4, file.end());
    return 1;
}

namespace {

bool writeRaw(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const int64_t put = dlgWriteFile(path, bytes);
    if (put == static_cast<int64_t>(bytes.size()))
        return true;
    if (put >= 0)
        std::fprintf(stderr, dlgMsgRawWrite, path.c_str(), static_cast<int>(put),
                     static_cast<int>(bytes.size()));
    return false;
}

}  // namespace

namespace {

// Loads `in`, splits it with `convert` and writes the text (and the script
// part when split) with `write`. The files processed: `convert`'s result,
// or 0 when loading, converting or a write failed.
template <typename Convert, typename Write>
int dlgExtractWith(const std::string& in, const std::string& out, const std::string* script,
                   Convert convert, Write write)
{
    try {
        const auto file = fileLoadFile(in);
        if (!file)
            return 0;
        DlgExtractOutput o;
        const int result = convert(*file, o);
        if (result == 0)
            return 0;
        bool ok = write(out, o.text);
        if (o.split)
            ok = write(*script, o.script) && ok;
        return ok ? result : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace

int dlgExtract(const DlgSettings& s, const std::string& in, const std::string& out,
               const std::string* script)
{
    return dlgExtractWith(
        in, out, script,
        [&](const std::vector<uint8_t>& file, DlgExtractOutput& o) {
            return dlgExtractMem(s, file, in, script != nullptr, o);
        },
        dlgSaveFile);
}

int dlgExtractRaw(const DlgSettings&, const std::string& in, const std::string& out,
                  const std::string* script)
{
    return dlgExtractWith(
        in, out, script,
        [&](const std::vector<uint8_t>& file, DlgExtractOutput& o) {
            return dlgExtractRawMem(file, in, script != nullptr, o);
        },
        writeRaw);
}
