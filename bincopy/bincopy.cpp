#include "bincopy.h"

#include "fileutils.h"
#include "messages.h"
#include "platform.h"
#include "tbl.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Args = std::vector<std::string>;

// args[0] program, args[1] option, args[2] FILE, groups from here.
constexpr size_t firstGroup = 3;
constexpr size_t endCharChunk = 4096;

int clampInt(int64_t v)
{
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

// Sizes and counts the user gives are 32-bit; a negative one is a count
// running to the end of the source.
uint32_t asCount(int64_t v)
{
    return static_cast<uint32_t>(v);
}

// A file of 2 GiB or more is refused before it is read or written.
bool refusedAsLarge(const std::string& name)
{
    if (fileSizeF(name) <= fileMaxSize)
        return false;
    std::fprintf(stderr, fileMsgTooLarge, name.c_str());
    return true;
}

// Prepares FILE for writes in place: created empty when missing, refused
// when it may not be written. False after one message.
bool targetReady(const std::string& name)
{
    if (platformStat(name).kind == PlatformKind::missing && !fileSaveWhole(name, {}))
        return false;
    return fileCheckWritable(name);
}

// Why `name` cannot be read: the host's reason, or what it is instead of a
// regular file.
std::string unreadableReason(const std::string& name)
{
    if (!fileOpen(name, "rb"))
        return platformLastError();
    return "not a regular file";
}

// A source that is no readable regular file is reported once.
bool sourceReadable(const std::string& name)
{
    if (fileSizeF(name) >= 0)
        return true;
    std::fprintf(stderr, bincopyMsgCantRead, name.c_str(), unreadableReason(name).c_str());
    return false;
}

// A count given as a negative number runs to the end of the source.
bool toTheEnd(uint32_t count)
{
    return count > static_cast<uint32_t>(INT32_MAX);
}

// Reports a copy of `count` bytes from `srcPos` of `src` that moved `got`
// bytes: fewer than the source holds there is a failure (the host's reason
// is shown); fewer only because the source ends first is reported unless
// the count ran to the end by request or `endCuts` (a sequence's last block
// may be cut by the source's end). True when nothing failed.
bool copyChecked(const std::string& src, const std::string& dst, uint32_t srcPos, uint32_t count,
                 uint64_t got, bool endCuts = false)
{
    const int64_t size = fileSizeF(src);
    const uint64_t avail = size > srcPos ? static_cast<uint64_t>(size) - srcPos : 0;
    const uint64_t can = std::min<uint64_t>(count, avail);
    if (got < can) {
        std::fprintf(stderr, bincopyMsgShortCopy, static_cast<unsigned>(got), count, src.c_str(),
                     dst.c_str(), platformLastError().c_str());
        return false;
    }
    if (got < count && !toTheEnd(count) && !endCuts)
        std::fprintf(stderr, bincopyMsgShortCopy, static_cast<unsigned>(got), count, src.c_str(),
                     dst.c_str(), bincopyMsgSourceEnds);
    return true;
}

// A range of FILE copied to a later, overlapping place of FILE itself. A
// forward copy in buffers would read bytes it has already overwritten, so
// the range is moved from its end backwards, buffer by buffer.
void moveWithin(const std::string& file, uint32_t srcPos, uint32_t dstPos, uint64_t count)
{
    std::vector<uint8_t> buf(static_cast<size_t>(std::min<uint64_t>(count, MAXBUFFSIZE)));
    for (uint64_t end = count; end > 0;) {
        const uint64_t n = std::min<uint64_t>(end, buf.size());
        end -= n;
        const std::span<uint8_t> part(buf.data(), static_cast<size_t>(n));
        if (fileLoad(file, part, static_cast<uint32_t>(srcPos + end)) != static_cast<int64_t>(n))
            return;
        if (fileSave(file, part, static_cast<uint32_t>(dstPos + end), "rb+") != n)
            return;
    }
}

// Import target positions must lie within 32 bits of signed offset: one
// from a negative number, or from stepping a sequence past either end, is
// refused rather than written gigabytes away.
bool positionFits(const std::string& file, int64_t position)
{
    if (position >= 0 && position <= fileMaxSize)
        return true;
    std::fprintf(stderr, bincopyMsgBadPosition, static_cast<long long>(position), file.c_str());
    return false;
}

// One import copy into FILE.
bool importCopy(const std::string& src, const std::string& file, uint32_t srcPos, int64_t dstPos,
                uint32_t count, bool endCuts = false)
{
    if (!positionFits(file, dstPos))
        return false;
    const auto dst = static_cast<uint32_t>(dstPos);
    if (dst > srcPos && platformSameFile(src, file)) {
        // As the copy would: up to the end of the source as it is now.
        const int64_t size = fileSizeF(src);
        const uint64_t avail = size > srcPos ? static_cast<uint64_t>(size) - srcPos : 0;
        const uint64_t n = std::min<uint64_t>(count, avail);
        if (dst - srcPos < n) {
            moveWithin(file, srcPos, dst, n);
            return true;
        }
    }
    (void)copyChecked(src, file, srcPos, count, fileCopyF(src, file, srcPos, dst, count, "rb+"),
                      endCuts);
    return true;
}

// -i POSITION FILE1
void importWhole(const Args& a)
{
    const std::string& file = a[2];
    for (size_t g = firstGroup; g + 2 <= a.size(); g += 2) {
        const std::string& src = a[g + 1];
        if (!sourceReadable(src) || refusedAsLarge(src))
            continue;
        importCopy(src, file, 0, bincopyNumber(a[g]), asCount(fileSizeF(src)));
    }
}

// -ip POSITION FILE1 POSITIONFILE1 SIZE
void importPart(const Args& a)
{
    const std::string& file = a[2];
    for (size_t g = firstGroup; g + 4 <= a.size(); g += 4) {
        const std::string& src = a[g + 1];
        if (!sourceReadable(src) || refusedAsLarge(src))
            continue;
        importCopy(src, file, asCount(bincopyNumber(a[g + 2])), bincopyNumber(a[g]),
                   asCount(bincopyNumber(a[g + 3])));
    }
}

enum class MaxForm { im, iM, Im, IM, IP };

// -im/-iM POSITION FILE1 MAXSIZE, -Im/-IM FILE1 POSITION MAXSIZE,
// -IP FILE1 POSITION MAXPOSITION
void importMax(const Args& a, MaxForm form)
{
    const std::string& file = a[2];
    const bool exportOrder = form == MaxForm::Im || form == MaxForm::IM || form == MaxForm::IP;
    const bool fill = form == MaxForm::iM || form == MaxForm::IM || form == MaxForm::IP;
    for (size_t g = firstGroup; g + 3 <= a.size(); g += 3) {
        const std::string& src = exportOrder ? a[g] : a[g + 1];
        const int32_t position = bincopyNumber(exportOrder ? a[g + 1] : a[g]);
        int32_t maxSize = bincopyNumber(a[g + 2]);
        if (form == MaxForm::IP)
            maxSize = clampInt(int64_t{maxSize} - position);
        const int64_t found = fileSizeF(src);
        if (found < 0) {
            std::fprintf(stderr, bincopyMsgNotExist, src.c_str());
            return;
        }
        if (refusedAsLarge(src))
            continue;
        const auto size = static_cast<int32_t>(found);
        uint32_t count = asCount(size);
        if (size > maxSize) {
            std::fprintf(stderr, bincopyMsgBigger, src.c_str(), clampInt(int64_t{size} - maxSize));
            count = asCount(maxSize);
        }
        if (!importCopy(src, file, 0, position, count))
            continue;
        if (fill && size < maxSize && positionFits(file, int64_t{position} + size)) {
            const uint32_t zeros = asCount(int64_t{maxSize} - size);
            if (fileFillF(file, 0, static_cast<uint32_t>(int64_t{position} + size), zeros, "rb+") !=
                zeros)
                std::fprintf(stderr, bincopyMsgCantWrite, file.c_str(), platformLastError().c_str());
        }
    }
}

// -is POSITION SKIP FILE1 POSITIONFILE1 FSKIP SIZE COUNT, -iS ... SSIZE
void importSequence(const Args& a, bool bySpan)
{
    const std::string& file = a[2];
    for (size_t g = firstGroup; g + 7 <= a.size(); g += 7) {
        int64_t position = bincopyNumber(a[g]);
        const int64_t skip = bincopyNumber(a[g + 1]);
        const std::string& src = a[g + 2];
        int64_t srcPos = bincopyNumber(a[g + 3]);
        const int64_t fskip = bincopyNumber(a[g + 4]);
        const int32_t size = bincopyNumber(a[g + 5]);
        const int64_t last = bincopyNumber(a[g + 6]);
        const int64_t step = fskip + size;
        // A step that does not move on would repeat the same block forever.
        if (step <= 0) {
            std::fprintf(stderr, bincopyMsgBadStep, clampInt(step));
            continue;
        }
        if (!sourceReadable(src) || refusedAsLarge(src))
            continue;
        // Blocks starting past the end of FILE1 copy nothing: stop there. A
        // block before its start (a negative position) copies nothing either,
        // but the blocks after it may.
        const int64_t srcSize = fileSizeF(src);
        const int64_t move = skip + size;
        int64_t span = bySpan ? last : last * step;
        while (span > 0 && srcPos < srcSize) {
            // A target that has left the file's range and moves on away from
            // it never comes back: one message, not one per block.
            if (srcPos >= 0 &&
                !importCopy(src, file, static_cast<uint32_t>(srcPos), position, asCount(size), true) &&
                (position < 0 ? move <= 0 : move >= 0))
                break;
            position += move;
            srcPos += step;
            span -= step;
        }
    }
}

// -a FILE1 FILE2 ...
void append(const Args& a)
{
    const std::string& file = a[2];
    if (!targetReady(file) || refusedAsLarge(file))
        return;
    for (size_t g = firstGroup; g < a.size(); ++g) {
        if (!sourceReadable(a[g]) || refusedAsLarge(a[g]))
            continue;
        const uint32_t size = asCount(fileSizeF(a[g]));
        (void)copyChecked(a[g], file, 0, size, fileCopyF(a[g], file, 0, 0, size, "ab"));
    }
}

// Writes a whole output file through the shared output routine: an old
// `dst` stays as it was unless the new one is complete. `write` puts the
// bytes into the path it is given and returns false on a failure it has
// reported. An output that is the input itself is refused.
template <typename Write>
void writeWhole(const std::string& src, const std::string& dst, Write write)
{
    if (platformSameFile(src, dst)) {
        std::fprintf(stderr, bincopyMsgSameFile, dst.c_str(), src.c_str());
        return;
    }
    FileOutput out;
    if (!fileOutputBegin(out, dst))
        return;  // the routine has said why
    if (!write(out.path)) {
        fileOutputAbandon(out);
        return;
    }
    (void)fileOutputCommit(out);
}

void exportRange(const std::string& file, const std::string& out, int32_t position, uint32_t count)
{
    writeWhole(file, out, [&](const std::string& path) {
        const uint32_t from = asCount(position);
        return copyChecked(file, out, from, count, fileCopyF(file, path, from, 0, count, "wb"));
    });
}

// Offset of the first byte equal to `endChar` from `position` of `file`, or
// -1 when the file ends first (or can't be read).
int64_t findEndChar(const std::string& file, int32_t position, uint8_t endChar)
{
    FilePtr f = fileOpen(file, "rb");
    if (!f || ::fseeko(f.get(), static_cast<off_t>(asCount(position)), SEEK_SET) != 0)
        return -1;
    std::vector<uint8_t> buf(endCharChunk);
    int64_t offset = 0;
    for (;;) {
        const int64_t got = fileRead(buf.data(), 1, buf.size(), f.get());
        if (got < 1)
            return -1;
        const auto* hit = static_cast<const uint8_t*>(
            std::memchr(buf.data(), endChar, static_cast<size_t>(got)));
        if (hit)
            return offset + (hit - buf.data());
        offset += got;
        if (static_cast<size_t>(got) < buf.size())
            return -1;
    }
}

enum class ExportForm { size, end, withChar, beforeChar };

// -e FILE1 POSITION SIZE, -ep FILE1 POSSTART POSEND, -ec/-eC FILE1 POSITION ENDCHAR
void exportFamily(const Args& a, ExportForm form)
{
    const std::string& file = a[2];
    if (!sourceReadable(file) || refusedAsLarge(file))
        return;
    for (size_t g = firstGroup; g + 3 <= a.size(); g += 3) {
        const std::string& out = a[g];
        const int32_t position = bincopyNumber(a[g + 1]);
        const int32_t third = bincopyNumber(a[g + 2]);
        switch (form) {
        case ExportForm::size:
            exportRange(file, out, position, asCount(third));
            break;
        case ExportForm::end:
            exportRange(file, out, position, asCount(int64_t{third} - position));
            break;
        case ExportForm::withChar:
        case ExportForm::beforeChar: {
            const int64_t d = findEndChar(file, position, static_cast<uint8_t>(third & 0xFF));
            if (d >= 0)
                exportRange(file, out, position,
                            asCount(form == ExportForm::withChar ? d + 1 : d));
            break;
        }
        }
    }
}

// -t / -tr TABLE: FILEIN FILEOUT pairs.
void convert(const Args& a, int reverse)
{
    const std::string& table = a[2];
    if (!tblInit(table)) {
        std::fprintf(stderr, bincopyMsgTableInit, table.c_str());
        return;
    }
    for (size_t g = firstGroup; g + 2 <= a.size(); g += 2) {
        const std::string& in = a[g];
        const std::string& out = a[g + 1];
        const int64_t size = fileSizeF(in);
        if (size < 0)
            std::fprintf(stderr, bincopyMsgCantRead, in.c_str(), unreadableReason(in).c_str());
        if (size <= 0)
            break;
        if (refusedAsLarge(in))
            continue;
        writeWhole(in, out, [&](const std::string& path) {
            int64_t written = 0;
            const uint32_t got =
                fileCopyTblF(in, path, 0, 0, asCount(size), "wb", "", reverse, &written);
            return copyChecked(in, out, 0, asCount(size), got);
        });
    }
    tblFree();
}

void importFamily(const Args& a, char variant)
{
    const size_t n = a.size();
    auto ready = [&](size_t min) { return n >= min && targetReady(a[2]) && !refusedAsLarge(a[2]); };
    switch (variant) {
    case '\0':
        if (ready(5))
            importWhole(a);
        break;
    case 'p':
        if (ready(7))
            importPart(a);
        break;
    case 'm':
    case 'M':
        if (ready(6))
            importMax(a, variant == 'm' ? MaxForm::im : MaxForm::iM);
        break;
    case 's':
    case 'S':
        if (ready(10))
            importSequence(a, variant == 'S');
        break;
    default:
        break;
    }
}

void importExportOrder(const Args& a, char variant)
{
    if (a.size() < 6 || (variant != 'm' && variant != 'M' && variant != 'P'))
        return;
    if (!targetReady(a[2]) || refusedAsLarge(a[2]))
        return;
    importMax(a, variant == 'm' ? MaxForm::Im : variant == 'M' ? MaxForm::IM : MaxForm::IP);
}

}  // namespace

int32_t bincopyNumber(const std::string& text)
{
    const long long v = std::strtoll(text.c_str(), nullptr, 0);
    return static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

void bincopyUsage(const std::string& argv0)
{
    std::printf(bincopyMsgUsageHead, platformBaseName(argv0).c_str());
    for (const char* line : bincopyUsageLines)
        std::printf("%s\n", line);
}

int bincopyRun(const Args& args)
{
    if (args.size() < 2) {
        bincopyUsage(args.empty() ? "bincopy" : args[0]);
        return 1;
    }
    const std::string& option = args[1];
    if (option.empty() || option[0] != '-')
        return 0;
    const char family = option.size() > 1 ? option[1] : '\0';
    const char variant = option.size() > 2 ? option[2] : '\0';
    if (family == '?' || platformStricmp(std::string_view(option).substr(1), "help") == 0) {
        bincopyUsage(args[0]);
        return 0;
    }
    switch (family) {
    case 'i':
        importFamily(args, variant);
        break;
    case 'I':
        importExportOrder(args, variant);
        break;
    case 'a':
        if (variant == '\0' && args.size() >= 4)
            append(args);
        break;
    case 'e':
        if (args.size() < 6) {
            std::printf("%s", bincopyMsgFewExport);
            break;
        }
        if (variant == '\0')
            exportFamily(args, ExportForm::size);
        else if (variant == 'p')
            exportFamily(args, ExportForm::end);
        else if (variant == 'c')
            exportFamily(args, ExportForm::withChar);
        else if (variant == 'C')
            exportFamily(args, ExportForm::beforeChar);
        break;
    case 't':
        if (args.size() < 5) {
            std::printf("%s", bincopyMsgFewTable);
            break;
        }
        if (variant == '\0' || variant == 'r')
            convert(args, variant == 'r');
        break;
    case 's':
        break;  // reserved
    default:
        std::fprintf(stderr, bincopyMsgUnknown, option.c_str());
        break;
    }
    std::fflush(stdout);
    return 0;
}
