// The element model: htype codes, reading element lists from a header, a
// DFile or piece files, writing and patching headers, and the files a run
// reads and writes.
#include "dfiletool.h"

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <unordered_set>

#include "le.h"
#include "memutils.h"
#include "messages.h"
#include "platform.h"

void dfileFail(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, ap);
    va_end(ap);
    throw DfileFailure{text};
}

namespace {

unsigned low32(int64_t v)
{
    return static_cast<unsigned>(static_cast<uint64_t>(v) & 0xFFFFFFFFu);
}

int base36(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    return -1;
}

// A header field wider than the value it holds: the low bytes carry the
// value, the rest is read as nothing and written as 0.
uint64_t getField(std::span<const uint8_t> buf, size_t at, int32_t width, size_t valueBytes)
{
    return leGetN(buf, at, std::min(static_cast<size_t>(width), valueBytes)).value_or(0);
}

void putField(std::span<uint8_t> buf, size_t at, int32_t width, uint64_t value)
{
    const auto w = static_cast<size_t>(width);
    const size_t low = std::min<size_t>(w, 8);
    (void)lePutN(buf, at, low, value);
    if (w > low && leFits(buf.size(), at + low, w - low))
        std::fill_n(buf.begin() + static_cast<std::ptrdiff_t>(at + low), w - low, uint8_t{0});
}

std::string headerFileOf(const DFileTool& t, bool forImport)
{
    if (!t.hfile.empty())
        return t.hfile;
    return forImport ? t.ifile : t.input;
}

void appendUnlessDuplicate(const DFileTool& t, ElementList& list,
                           std::unordered_set<int64_t>& seen, const Element& e)
{
    if (t.removeDuplicates && !seen.insert(e.pos).second)
        return;
    list.push_back(e);
}

// The counted form: the count field (or -hc) says how many records follow.
void readCounted(DFileTool& t, const std::string& name, ElementList& list)
{
    const HeaderType& h = t.htype;
    int64_t hpos = t.hbase;
    int32_t count = t.hcount;
    if (count == 0) {
        uint8_t field[4] = {};
        // As the tool always has: a missing file leaves the count at 0. The
        // count is held in 32 bits: a wider field gives its low bytes.
        (void)fileLoad(name, std::span(field, std::min<size_t>(static_cast<size_t>(h.csize), 4)),
                       static_cast<uint32_t>(hpos));
        count = static_cast<int32_t>(*leGetN(field, 0, 4));
    }
    std::printf(dfileLogCount, count);
    hpos += h.cgap + h.csize;
    if (count < 0)
        throw DfileFailure{dfileMsgAllocElements};
    const int64_t bufsize = dfileHeaderSize(t, count) - (h.cgap + h.csize);
    std::printf(dfileLogBufsize, dfileLl(bufsize));
    // A count read from a damaged header must not decide an allocation: the
    // records have to be in the file first.
    const int64_t fileSize = dfileInputSize(name);
    if (bufsize > 0 && (fileSize < 0 || hpos > fileSize || bufsize > fileSize - hpos))
        throw DfileFailure{dfileMsgReadElements};
    std::vector<uint8_t> buf;
    try {
        buf.resize(static_cast<size_t>(bufsize));
    } catch (const std::bad_alloc&) {
        throw DfileFailure{dfileMsgAllocElements};
    }
    if (fileLoad(name, buf, static_cast<uint32_t>(hpos)) != bufsize)
        throw DfileFailure{dfileMsgReadElements};
    std::unordered_set<int64_t> seen;
    Element e;
    size_t at = 0;
    int32_t inGroup = 0;
    for (int32_t k = 0; k < count; ++k) {
        if (h.psize > 0) {
            e.pos = dfileAdd(static_cast<int64_t>(getField(buf, at, h.psize, 8)), t.pbase);
            at += static_cast<size_t>(h.psize);
        }
        at += static_cast<size_t>(h.pgap);
        if (h.ssize > 0) {
            e.size = dfileAdd(static_cast<int64_t>(getField(buf, at, h.ssize, 8)), t.sizeAdd);
            at += static_cast<size_t>(h.ssize);
        }
        at += static_cast<size_t>(h.sgap);
        e.index = k;
        std::printf(dfileLogCountedRecord, k, low32(dfileSub(e.pos, t.pbase)), low32(e.pos),
                    low32(e.size), dfileLl(hpos));
        appendUnlessDuplicate(t, list, seen, e);
        if (h.gcount > 0 && ++inGroup == h.gcount) {
            at += static_cast<size_t>(h.gskip);
            inGroup = 0;
        }
    }
}

// Reads up to `width` bytes as a little-endian number; false at the end.
bool readField(FILE* f, int32_t width, int64_t& value)
{
    std::vector<uint8_t> field(static_cast<size_t>(width));
    if (std::fread(field.data(), 1, field.size(), f) != field.size())
        return false;
    value = static_cast<int64_t>(getField(field, 0, width, 8));
    return true;
}

// The stream form: records until the header reaches the data, the file
// ends, or hmax.
void readStream(DFileTool& t, const std::string& name, ElementList& list)
{
    const HeaderType& h = t.htype;
    FilePtr f = fileOpen(name, "rb");
    if (!f)
        throw DfileFailure{dfileMsgOpenHeader};
    const int64_t fileSize = dfileInputSize(name);
    int64_t limit = t.pmax;
    int64_t hpos = t.hbase + h.cgap;
    if (::fseeko(f.get(), static_cast<off_t>(hpos), SEEK_SET) != 0)
        throw DfileFailure{dfileMsgSeekHpos};
    std::printf(dfileLogHposSet, dfileLl(::ftello(f.get())));
    std::printf(dfileLogPmax, dfileLl(t.pmax));
    std::unordered_set<int64_t> seen;
    Element e;
    int32_t inGroup = 0;
    const bool fieldless = h.psize == 0 && h.ssize == 0;
    for (int32_t i = 0;; ) {
        if (t.hfile.empty() && hpos >= limit)
            break;
        if (std::feof(f.get()))
            break;
        if (t.hmax != 0 && hpos + h.esize > t.hmax)
            break;
        // Records without a field never read, so the stream never meets its
        // end: they stop where the header file ends (and an empty record
        // would never move on at all).
        if (fieldless && (h.esize == 0 || ::ftello(f.get()) >= fileSize))
            break;
        std::printf(dfileLogStreamElement, i);
        if (h.psize > 0) {
            int64_t raw = 0;
            if (!readField(f.get(), h.psize, raw))
                break;
            std::printf(dfileLogStreamRaw, low32(raw));
            e.pos = dfileAdd(raw, t.pbase);
        }
        if (h.pgap > 0 && (::fseeko(f.get(), h.pgap, SEEK_CUR) != 0 || std::ferror(f.get())))
            throw DfileFailure{dfileMsgReadHeader};
        if (h.ssize > 0) {
            int64_t raw = 0;
            if (!readField(f.get(), h.ssize, raw))
                break;
            e.size = dfileAdd(raw, t.sizeAdd);
        }
        if (h.sgap > 0 && (::fseeko(f.get(), h.sgap, SEEK_CUR) != 0 || std::ferror(f.get())))
            throw DfileFailure{dfileMsgReadHeader};
        std::printf(dfileLogStreamRest, dfileLl(limit), low32(dfileSub(e.pos, t.pbase)), low32(e.pos),
                    low32(e.size), dfileLl(hpos));
        e.index = i++;
        appendUnlessDuplicate(t, list, seen, e);
        if (h.psize > 0 && e.pos > 0 && e.pos >= t.pmin && e.pos < limit)
            limit = e.pos;
        hpos += h.esize;
        if (h.gcount > 0 && ++inGroup == h.gcount) {
            if (::fseeko(f.get(), h.gskip, SEEK_CUR) != 0)
                throw DfileFailure{dfileMsgSeekGskip};
            inGroup = 0;
        }
    }
}

}  // namespace

void dfileParseHtype(DFileTool& t, const std::string& text)
{
    if (text.empty() || text.size() > 16 || std::strtol(text.c_str(), nullptr, 36) == 0)
        throw DfileFailure{dfileMsgHtype};
    std::vector<int32_t> d;
    for (char c : text)
        d.push_back(base36(c));
    if (text.size() == 12 || text.size() == 16) {
        std::vector<int32_t> pairs;
        for (size_t i = 0; i + 1 < d.size(); i += 2)
            pairs.push_back(d[i] < 0 || d[i + 1] < 0 ? -1 : d[i] * 36 + d[i + 1]);
        d = pairs;
    }
    HeaderType h;
    switch (text.size()) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 8: case 12: case 16:
        break;
    default:
        throw DfileFailure{dfileMsgHtypeUnknown};
    }
    // A character outside the digits would give a field of -1 bytes.
    if (std::find(d.begin(), d.end(), -1) != d.end())
        throw DfileFailure{dfileMsgHtype};
    switch (text.size()) {
    case 1:
        h.psize = d[0];
        break;
    case 2:
        h.psize = d[0], h.pgap = d[1];
        break;
    case 3:
        h.psize = d[0], h.ssize = d[1], h.sgap = d[2];
        break;
    case 4:
        h.csize = d[0], h.psize = d[1], h.ssize = d[2], h.sgap = d[3];
        break;
    case 5:
        h.csize = d[0], h.psize = d[1], h.pgap = d[2], h.ssize = d[3], h.sgap = d[4];
        break;
    case 6:
    case 12:
        h.csize = d[0], h.cgap = d[1], h.psize = d[2], h.pgap = d[3], h.ssize = d[4], h.sgap = d[5];
        break;
    case 8:
    case 16:
        h.csize = d[0], h.cgap = d[1], h.psize = d[2], h.pgap = d[3], h.ssize = d[4], h.sgap = d[5];
        h.gcount = d[6], h.gskip = d[7];
        break;
    }
    h.esize = h.psize + h.pgap + h.ssize + h.sgap;
    t.htype = h;
}

int64_t dfileHeaderSize(const DFileTool& t, int64_t n)
{
    const HeaderType& h = t.htype;
    int64_t size = int64_t{h.cgap} + h.csize + n * h.esize;
    if (h.gcount > 0)
        size += (n / h.gcount) * h.gskip;
    return size;
}

void dfileReadHFile(DFileTool& t, bool forImport)
{
    const std::string name = headerFileOf(t, forImport);
    if (forImport) {
        const int64_t size = fileSizeF(t.ifile);
        if (size != -1 && t.pmax == dfilePmaxDefault)
            t.pmax = size;
    }
    const HeaderType& h = t.htype;
    std::printf(dfileLogReadHfile, name.c_str(), low32(t.hbase), low32(t.pbase));
    std::printf(dfileLogHfileInfo, low32(t.pbase), h.esize, dfileLl(t.hmax), h.csize);
    ElementList list;
    if (h.csize != 0 || t.hcount != 0)
        readCounted(t, name, list);
    else
        readStream(t, name, list);
    if (h.psize == 0 && h.ssize != 0) {
        dfilePositionsFromSizes(list);
        if (t.hfile.empty())
            dfileShiftPositions(list, dfileHeaderSize(t, static_cast<int64_t>(list.size())) + t.hbase);
    }
    std::stable_sort(list.begin(), list.end(), [](const Element& a, const Element& b) {
        return a.pos < b.pos || (a.pos == b.pos && a.index < b.index);
    });
    if (h.ssize == 0)
        dfileSizesFromPositions(t, list);
    (forImport ? t.importElements : t.elements) = std::move(list);
}

void dfileReadDFile(DFileTool& t)
{
    std::vector<uint8_t> buf;
    try {
        buf.resize(dfileMaxBuf);
    } catch (const std::bad_alloc&) {
        throw DfileFailure{dfileMsgAllocMaxbuf};
    }
    std::printf(dfileLogReadDfile, t.input.c_str());
    Element e{0, 0, 0};
    const int64_t fileSize = dfileInputSize(t.input);
    if (t.markerSize == 0) {
        if (fileSize > 0) {
            e.size = fileSize;
            t.elements.push_back(e);
        }
    } else {
        const auto msize = static_cast<size_t>(t.markerSize);
        const std::span<const uint8_t> marker(t.marker.data(), msize);
        int64_t readPos = 0;    // file offset of the next load
        int64_t winStart = 0;   // file offset of buf[0]
        int64_t elemStart = 0;  // file offset where the running element begins
        size_t held = 0;        // bytes carried into the window
        for (;;) {
            const size_t room = buf.size() - held;
            if (room == 0)
                break;
            const int64_t got = fileLoad(t.input, std::span(buf.data() + held, room),
                                         static_cast<uint32_t>(readPos));
            if (got <= 0)
                break;
            std::printf(dfileLogDfileWindow);
            readPos += got;
            const size_t len = held + static_cast<size_t>(got);
            const std::span<const uint8_t> window(buf.data(), len);
            size_t from = 0;
            while (from < len) {
                const uint8_t* hit = memmem(window.subspan(from), marker);
                if (!hit)
                    break;
                const size_t at = static_cast<size_t>(hit - buf.data());
                const int64_t m = winStart + static_cast<int64_t>(at);
                std::printf(dfileLogMarkerA, dfileLl(e.size), dfileLl(e.pos));
                e.size = m - elemStart + (t.markerInData ? t.markerSize : 0);
                std::printf(dfileLogMarkerB, dfileLl(e.size), dfileLl(e.pos));
                t.elements.push_back(e);
                e.pos += e.size;
                e.index += 1;
                elemStart = m + t.markerSize;
                from = at + msize;
            }
            // Keep what follows the last marker, at most one byte short of a
            // marker, so that a marker across two windows is found.
            const size_t after = len - std::min(from, len);
            const size_t keep = std::min({after, msize - 1, buf.size() - 1});
            std::copy(buf.begin() + static_cast<std::ptrdiff_t>(len - keep),
                      buf.begin() + static_cast<std::ptrdiff_t>(len), buf.begin());
            winStart += static_cast<int64_t>(len - keep);
            held = keep;
        }
    }
    const auto n = static_cast<int64_t>(t.elements.size());
    std::printf(dfileLogDfileDone, dfileLl(t.hbase), dfileLl(dfileHeaderSize(t, n)), dfileLl(t.pbase));
    if (!t.hfile.empty())
        return;
    if (!t.ifile.empty())
        dfileShiftPositions(t.elements, dfileHeaderSize(t, dfileHeaderRecords(t.importElements)) +
                                            t.hbase + t.pbase);
    else if (t.mode != DfileMode::splitDFile)
        dfileShiftPositions(t.elements, dfileHeaderSize(t, n) + t.hbase + t.pbase);
}

void dfileReadPieceFiles(DFileTool& t)
{
    int64_t running = 0;
    for (int32_t i = 0;; ++i) {
        const std::string name = t.input + dfilePieceSuffix(i);
        const int64_t size = dfileInputSize(name);
        if (size == -1)
            break;
        t.reading.push_back(name);
        t.elements.push_back({running, size, i});
        running += size;
    }
    if (t.hfile.empty()) {
        // Import: the existing header keeps the places of records dropped as
        // duplicates, so its extent counts them.
        const int64_t n = t.ifile.empty() ? static_cast<int64_t>(t.elements.size())
                                          : dfileHeaderRecords(t.importElements);
        dfileShiftPositions(t.elements, dfileHeaderSize(t, n) + t.hbase);
    }
}

void dfileLoadElements(DFileTool& t)
{
    switch (t.mode) {
    case DfileMode::split:
        dfileReadHFile(t, false);
        break;
    case DfileMode::import:
        dfileReadHFile(t, true);
        [[fallthrough]];
    case DfileMode::join:
        if (t.files)
            dfileReadPieceFiles(t);
        else
            dfileReadDFile(t);
        break;
    case DfileMode::splitDFile:
        dfileReadDFile(t);
        break;
    case DfileMode::joinDFile:
        dfileReadPieceFiles(t);
        break;
    }
}

std::vector<uint8_t> dfileCreateHeader(DFileTool& t, std::vector<uint8_t> buffer)
{
    const HeaderType& h = t.htype;
    const auto n = static_cast<int64_t>(t.elements.size());
    const int64_t size = dfileHeaderSize(t, n);
    if (size > fileMaxSize)
        throw DfileFailure{dfileMsgAllocCreate};
    try {
        buffer.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        throw DfileFailure{dfileMsgAllocCreate};
    }
    const std::span<uint8_t> b(buffer);
    putField(b, 0, h.csize, static_cast<uint32_t>(n));
    size_t at = static_cast<size_t>(h.csize + h.cgap);
    int32_t inGroup = 0;
    for (const Element& e : t.elements) {
        putField(b, at, h.psize, static_cast<uint64_t>(e.pos));
        at += static_cast<size_t>(h.psize + h.pgap);
        putField(b, at, h.ssize, static_cast<uint64_t>(dfileSub(e.size, t.sizeAdd)));
        at += static_cast<size_t>(h.ssize + h.sgap);
        if (h.gcount > 0 && ++inGroup == h.gcount) {
            at += static_cast<size_t>(h.gskip);
            inGroup = 0;
        }
    }
    return buffer;
}

std::vector<uint8_t> dfilePatchHeader(DFileTool& t, std::vector<uint8_t> buffer)
{
    const HeaderType& h = t.htype;
    const auto a = static_cast<int32_t>(t.importElements.size());
    // Records dropped as duplicates still take their place in the header.
    const int64_t b = dfileHeaderSize(t, dfileHeaderRecords(t.importElements));
    const std::string name = t.hfile.empty() ? t.ifile : t.hfile;
    const int64_t fileSize = dfileInputSize(name);
    if (b > fileMaxSize)
        throw DfileFailure{dfileMsgAllocImport};
    try {
        buffer.assign(static_cast<size_t>(b), 0);
    } catch (const std::bad_alloc&) {
        throw DfileFailure{dfileMsgAllocImport};
    }
    if (fileSize < 0 || t.hbase > fileSize ||
        fileLoad(name, buffer, static_cast<uint32_t>(t.hbase)) != b) {
        dfilePrintHeaderType(t);
        std::printf(dfileLogPatchFailed, name.c_str(), dfileLl(b), a, dfileLl(t.hbase));
        throw DfileFailure{dfileMsgReadImport};
    }
    const size_t c = dfileFirstInRange(t, t.importElements, 0);
    const size_t d = t.elements.size();
    if (d == 0)
        return buffer;
    std::printf(dfileLogPatchPbase, static_cast<int>(t.pbase));
    const std::span<uint8_t> buf(buffer);
    for (size_t i = 0; i < d && c + i < t.importElements.size(); ++i) {
        const Element& old = t.importElements[c + i];
        const Element& e = t.elements[i];
        const auto at = static_cast<size_t>(dfileHeaderSize(t, old.index));
        const int64_t pos = dfileSub(e.pos, t.pbase);
        const int64_t size = dfileSub(e.size, t.sizeAdd);
        if (h.psize > 0)
            putField(buf, at, h.psize, static_cast<uint64_t>(pos));
        if (h.ssize > 0)
            putField(buf, at + static_cast<size_t>(h.psize + h.pgap), h.ssize,
                     static_cast<uint64_t>(size));
        std::printf(dfileLogPatchRecord, low32(old.index), low32(pos), low32(size));
    }
    if (!t.hfile.empty()) {
        const std::string path = dfileOutputPath(t, t.hdrOutput, true);
        const auto whole = static_cast<uint32_t>(fileSize);
        if (fileCopyF(t.hfile, path, 0, 0, whole, "wb") != whole)
            dfileFail(dfileMsgWrite, t.hdrOutput.c_str(), platformLastError().c_str());
        dfilePatch(t, t.hdrOutput, buffer, t.hbase);
    }
    return buffer;
}

bool dfileInRange(const DFileTool& t, int64_t pos)
{
    return t.pmin <= pos && pos < t.pmax;
}

size_t dfileFirstInRange(const DFileTool& t, const ElementList& list, size_t start)
{
    for (size_t i = start; i < list.size(); ++i)
        if (dfileInRange(t, list[i].pos))
            return i;
    return list.size();
}

int64_t dfileLastInRange(const DFileTool& t, const ElementList& list)
{
    for (size_t i = list.size(); i-- > 0;)
        if (dfileInRange(t, list[i].pos))
            return static_cast<int64_t>(i);
    return -1;
}

void dfileShiftPositions(ElementList& list, int64_t delta)
{
    for (Element& e : list)
        e.pos = dfileAdd(e.pos, delta);
}

void dfileAddToSizes(DFileTool& t, int64_t delta)
{
    for (Element& e : t.elements)
        e.size = dfileAdd(e.size, delta);
}

void dfilePositionsFromSizes(ElementList& list)
{
    for (size_t i = 0; i < list.size(); ++i)
        list[i].pos = i == 0 ? 0 : dfileAdd(list[i - 1].pos, list[i - 1].size);
}

void dfileSizesFromPositions(const DFileTool& t, ElementList& list)
{
    const auto first = static_cast<int64_t>(dfileFirstInRange(t, list, 0));
    const int64_t last = dfileLastInRange(t, list);
    if (last < first)
        return;
    for (int64_t i = first; i < last; ++i)
        list[static_cast<size_t>(i)].size =
            dfileSub(list[static_cast<size_t>(i + 1)].pos, list[static_cast<size_t>(i)].pos);
    list[static_cast<size_t>(last)].size = dfileSub(t.pmax, list[static_cast<size_t>(last)].pos);
}

void dfilePrintElements(const DFileTool& t)
{
    for (const Element& e : t.elements)
        std::printf(dfileLogElement, e.index, dfileLl(e.pos), dfileLl(e.size),
                    static_cast<unsigned long long>(e.pos), static_cast<unsigned long long>(e.size));
}

void dfilePrintHeaderType(const DFileTool& t)
{
    const HeaderType& h = t.htype;
    std::printf(dfileLogHeaderType, h.csize, h.cgap, h.psize, h.pgap, h.ssize, h.sgap);
    std::printf(dfileLogHeaderFields, h.csize, h.cgap, h.psize, h.pgap, h.ssize, h.sgap, h.gcount,
                h.gskip, h.csize, h.cgap, h.psize, h.pgap, h.ssize, h.sgap, h.gcount, h.gskip);
}

std::string dfilePieceSuffix(int64_t number)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, ".%03lld", dfileLl(number));
    return buf;
}

std::string dfilePieceBase(const DFileTool& t)
{
    return t.outputGiven ? t.output : dfileDefaultPieceBase;
}

int64_t dfileHeaderRecords(const ElementList& list)
{
    int64_t records = 0;
    for (const Element& e : list)
        records = std::max<int64_t>(records, int64_t{e.index} + 1);
    return records;
}

int64_t dfileInputSize(const std::string& name)
{
    const int64_t size = fileSizeF(name);
    if (size > fileMaxSize)
        dfileFail(dfileMsgTooLarge, name.c_str());
    return size;
}

void dfileCheckNotInput(const DFileTool& t, const std::string& target)
{
    for (const std::string& in : t.reading)
        if (platformSameFile(target, in))
            dfileFail(dfileMsgSameFile, target.c_str(), in.c_str());
}

std::string dfileOutputPath(DFileTool& t, const std::string& target, bool whole)
{
    if (auto it = t.outputs.find(target); it != t.outputs.end())
        return it->second ? it->second->path : target;
    dfileCheckNotInput(t, target);
    // Outputs appended to ("-a") are written in place; everything else, and
    // the header file that join and import always make anew, is a whole new
    // file.
    if (t.append && !whole) {
        if (!fileCheckWritable(target))
            throw DfileFailure{};
        t.outputs.emplace(target, nullptr);
        return target;
    }
    auto out = std::make_unique<FileOutput>();
    if (!fileOutputBegin(*out, target))
        throw DfileFailure{};
    const std::string path = out->path;
    t.outputs.emplace(target, std::move(out));
    return path;
}

bool dfileCommitOutputs(DFileTool& t)
{
    bool ok = true;
    for (auto& [name, out] : t.outputs)
        if (out && !fileOutputCommit(*out))
            ok = false;
    t.outputs.clear();
    return ok;
}

void dfileCheckElement(const Element& e)
{
    if (e.pos < 0 || e.size < 0 || e.pos > fileMaxSize || e.size > fileMaxSize - e.pos)
        dfileFail(dfileMsgElement, e.index, dfileLl(e.pos), dfileLl(e.size));
}

void dfileAppend(DFileTool& t, const std::string& target, const uint8_t* data, size_t size)
{
    const std::string path = dfileOutputPath(t, target);
    if (fileSave(path, std::span(data, size), 0, "ab") != size)
        dfileFail(dfileMsgWrite, target.c_str(), platformLastError().c_str());
}

void dfileAppendFill(DFileTool& t, const std::string& target, int64_t count)
{
    const std::string path = dfileOutputPath(t, target);
    if (count <= 0)
        return;
    if (count > fileMaxSize ||
        fileFillF(path, t.fill, 0, static_cast<uint32_t>(count), "ab") != static_cast<uint64_t>(count))
        dfileFail(dfileMsgWrite, target.c_str(), platformLastError().c_str());
}

void dfilePatch(DFileTool& t, const std::string& target, const std::vector<uint8_t>& bytes,
                int64_t position)
{
    const std::string path = dfileOutputPath(t, target);
    if (position < 0 || position > fileMaxSize)
        dfileFail(dfileMsgWrite, target.c_str(), "position out of range");
    // fileSave does not seek for position 0: an update stream starts there.
    if (fileSave(path, bytes, static_cast<uint32_t>(position), "rb+") != bytes.size())
        dfileFail(dfileMsgWrite, target.c_str(), platformLastError().c_str());
}
