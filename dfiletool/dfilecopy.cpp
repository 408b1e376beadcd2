// Moving element bytes: the element copy with its cut, table conversion,
// appended fill and block padding; the cut of a whole input; the exact size
// of an output; split, join, DFile split and DFile join.
#include "dfiletool.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "messages.h"
#include "platform.h"
#include "tbl.h"

namespace {

// Searches back from the end of [base, base + size) of `name` for the last
// byte that is not the fill byte and applies the cut rule. Returns the size
// to keep, or -1 when only fill bytes were found and nothing is to be kept.
int64_t cutSearch(const DFileTool& t, const std::string& name, int64_t base, int64_t size,
                  bool margin, uint32_t keep)
{
    std::printf(dfileLogOldSize, dfileLl(size));
    size_t chunk = static_cast<size_t>(std::min<int64_t>(size, dfileCutChunk));
    std::vector<uint8_t> buf;
    try {
        buf.resize(chunk);
    } catch (const std::bad_alloc&) {
        throw DfileFailure{dfileMsgAllocCut};
    }
    int64_t rem = size;
    bool found = false;
    while (rem > 0) {
        if (rem < static_cast<int64_t>(chunk)) {
            chunk = static_cast<size_t>(rem);
            rem = 0;
        } else {
            rem -= static_cast<int64_t>(chunk);
        }
        std::printf(dfileLogCutPos, dfileLl(rem));
        if (fileLoad(name, std::span(buf.data(), chunk), static_cast<uint32_t>(base + rem)) !=
            static_cast<int64_t>(chunk))
            throw DfileFailure{dfileMsgReadEnd};
        std::printf(dfileLogCutLast, static_cast<int>(static_cast<int8_t>(buf[chunk - 1])));
        if (chunk > 1)
            std::printf(dfileLogCutBefore, static_cast<int>(static_cast<int8_t>(buf[chunk - 2])));
        std::printf("\n");
        int64_t i = static_cast<int64_t>(chunk) - 1;
        while (i >= 0 && buf[static_cast<size_t>(i)] == t.fill)
            --i;
        std::printf(dfileLogCutIndex, dfileLl(i));
        if (i >= 0) {
            const int64_t end = rem + i + 1;
            if (margin && end < size) {
                if (end + keep < size)
                    size = end + keep;
            } else {
                size = end;
            }
            found = true;
            break;
        }
    }
    std::printf(dfileLogNewSize, dfileLl(size));
    if (found)
        return size;
    if (margin && keep > 0)
        return std::min<int64_t>(size, keep);
    return -1;
}

bool isCut(BlockMode m)
{
    return m == BlockMode::cut || m == BlockMode::cutMargin;
}

// Creates an output (or, appending, keeps it) as saving 0 bytes with the
// run's open mode does.
void createOutput(DFileTool& t, const std::string& target)
{
    const std::string path = dfileOutputPath(t, target);
    FilePtr f = fileOpen(path, t.openMode);
    if (!f || std::fclose(f.release()) != 0)
        dfileFail(dfileMsgWrite, target.c_str(), platformLastError().c_str());
}

void appendMarker(DFileTool& t)
{
    if (!t.markerInData)
        dfileAppend(t, t.output, t.marker.data(), static_cast<size_t>(t.markerSize));
}

}  // namespace

int64_t dfileCopyElement(DFileTool& t, const std::string& src, const std::string& dst,
                         int64_t ipos, int64_t opos, int64_t size, const char* mode,
                         bool direction, int64_t& written)
{
    std::printf(dfileLogCopyRule, static_cast<int>(t.blockMode), t.block, t.blockadd);
    const bool table = !t.tbstable.empty();
    if (isCut(t.blockMode)) {
        const int64_t kept =
            cutSearch(t, src, ipos, size, t.blockMode == BlockMode::cutMargin, t.block);
        if (kept < 0) {
            if (table)
                written = 0;
            return 0;
        }
        size = kept;
    }
    const std::string path = dfileOutputPath(t, dst);
    const auto count = static_cast<uint32_t>(size);
    int64_t copied = 0;
    if (table)
        copied = fileCopyTblF(src, path, static_cast<uint32_t>(ipos), static_cast<uint32_t>(opos),
                              count, mode, "", direction ? 1 : 0, &written);
    else
        copied = fileCopyF(src, path, static_cast<uint32_t>(ipos), static_cast<uint32_t>(opos),
                           count, mode);
    if (copied != size) {
        std::printf(dfileLogCopyFailed1, dfileLl(ipos), dfileLl(opos), dfileLl(written));
        std::printf(dfileLogCopyFailed2, src.c_str(), dst.c_str(), dfileLl(copied), dfileLl(size),
                    table ? "yes" : "no");
        throw DfileFailure{dfileMsgCoping};
    }
    if (table)
        size = written;
    if (t.blockadd > 0) {
        dfileAppendFill(t, dst, t.blockadd);
        size += t.blockadd;
        if (table)
            written += t.blockadd;
    }
    if (t.blockMode == BlockMode::exact || t.blockMode == BlockMode::multiple) {
        uint32_t b = t.block;
        const auto s = static_cast<uint32_t>(size);
        std::printf(dfileLogBlock, b, s, b - s % b);
        if (t.blockMode == BlockMode::multiple)
            b = s % b != 0 ? s + (b - s % b) : s;
        std::printf(dfileLogBlockRes, b, s, b - s);
        if (s < b)
            dfileAppendFill(t, dst, b - s);
        else if (s > b)
            throw DfileFailure{dfileMsgBlockBigger};
        std::printf(dfileLogBlockWritten, b, dfileLl(written));
        if (table)
            written += b - s;
        size = b;
        std::printf(dfileLogBlockReal, dfileLl(written));
    }
    return size;
}

int64_t dfileCutFile(DFileTool& t, const std::string& name)
{
    const int64_t size = dfileInputSize(name);
    if (size < 0) {
        // Nothing to cut: the mode reports the missing file itself.
        std::printf(dfileLogOldSize, dfileLl(size));
        return 0;
    }
    const int64_t kept =
        cutSearch(t, name, 0, size, t.cutMode == BlockMode::cutMargin, static_cast<uint32_t>(t.cutValue));
    if (kept < 0)
        return 0;
    // The cut copy must not be the file it is cut from.
    if (platformSameFile(name, dfileTempName))
        dfileFail(dfileMsgSameFile, dfileTempName, name.c_str());
    const auto count = static_cast<uint32_t>(kept);
    FileOutput out;
    if (!fileOutputBegin(out, dfileTempName))
        throw DfileFailure{};
    if (fileCopyF(name, out.path, 0, 0, count, "wb") != count)
        dfileFail(dfileMsgWrite, dfileTempName, platformLastError().c_str());
    if (!fileOutputCommit(out))
        throw DfileFailure{};
    t.madeTemp = true;
    return kept;
}

std::string dfileCutInput(DFileTool& t, const std::string& name)
{
    if (t.cutMode == BlockMode::none)
        return name;
    const int64_t cut = dfileCutFile(t, name);
    if (cut == 0)
        return name;
    if (t.pmax >= 0 && t.pmax > cut)
        t.pmax = cut;
    t.reading.push_back(dfileTempName);
    return dfileTempName;
}

void dfileFitExactSize(DFileTool& t, const std::string& target)
{
    if (t.exactMode == ExactMode::none || t.exsize <= 0)
        return;
    const std::string path = dfileOutputPath(t, target);
    const int64_t fsize = fileSizeF(path);
    int64_t want = t.exsize;
    if (t.exactMode == ExactMode::multiple)
        want = fsize % t.exsize == 0 ? fsize : fsize + t.exsize - fsize % t.exsize;
    std::printf(dfileLogExact, dfileLl(want), dfileLl(fsize));
    if (fsize > want)
        throw DfileFailure{dfileMsgExactBigger};
    dfileAppendFill(t, target, want - fsize);
}

void dfileSplit(DFileTool& t)
{
    t.input = dfileCutInput(t, t.input);
    dfileLoadElements(t);
    dfilePrintHeaderType(t);
    if (t.elements.empty())
        return;
    int64_t written = 0;
    if (t.files) {
        int64_t counter = 0;
        for (const Element& e : t.elements)
            if (dfileInRange(t, e.pos)) {
                dfileCheckElement(e);
                dfileCheckNotInput(t, dfilePieceBase(t) + dfilePieceSuffix(counter++));
            }
        counter = 0;
        for (const Element& e : t.elements) {
            if (!dfileInRange(t, e.pos))
                continue;
            dfileCopyElement(t, t.input, dfilePieceBase(t) + dfilePieceSuffix(counter), e.pos, 0, e.size,
                             t.openMode, t.reverse, written);
            ++counter;
        }
        return;
    }
    for (const Element& e : t.elements)
        if (dfileInRange(t, e.pos))
            dfileCheckElement(e);
    createOutput(t, t.output);
    for (const Element& e : t.elements) {
        if (!dfileInRange(t, e.pos))
            continue;
        std::printf(dfileLogSplitElement, dfileLl(e.pos), dfileLl(e.size));
        dfileCopyElement(t, t.input, t.output, e.pos, 0, e.size, "ab", t.reverse, written);
        appendMarker(t);
    }
}

void dfileJoin(DFileTool& t)
{
    std::printf(dfileLogJoining);
    dfileLoadElements(t);
    if (t.elements.empty())
        return;
    const auto n = t.elements.size();
    std::vector<uint8_t> header = dfileCreateHeader(t, {});
    const int64_t hsize = dfileHeaderSize(t, static_cast<int64_t>(n));
    dfilePrintElements(t);
    const bool table = !t.tbstable.empty();
    if (!t.hfile.empty()) {
        const std::string hdr = dfileOutputPath(t, t.hdrOutput, true);
        if (fileFillF(hdr, t.fill, 0, static_cast<uint32_t>(t.hbase), "wb") !=
            static_cast<uint64_t>(t.hbase))
            dfileFail(dfileMsgWrite, t.hdrOutput.c_str(), platformLastError().c_str());
        dfileAppend(t, t.hdrOutput, header.data(), header.size());
        createOutput(t, t.output);
    } else {
        createOutput(t, t.output);
        dfileAppendFill(t, t.output, t.hbase);
        dfileAppend(t, t.output, header.data(), header.size());
    }
    int64_t shift = 0;
    bool changed = false;
    int64_t cursor = 0;
    int64_t written = 0;
    for (size_t i = 0; i < n; ++i) {
        Element& e = t.elements[i];
        int64_t copied = 0;
        if (t.files) {
            copied = dfileCopyElement(t, t.input + dfilePieceSuffix(e.index), t.output, 0, 0, e.size,
                                      "ab", !t.reverse, written);
        } else {
            copied = dfileCopyElement(t, t.input, t.output, cursor, 0, e.size, "ab", !t.reverse,
                                      written);
            cursor += e.size + (t.markerInData ? 0 : t.markerSize);
        }
        if (table) {
            e.size = written;
        } else if (copied != e.size || changed) {
            shift += copied - e.size;
            if (i + 1 < n)
                t.elements[i + 1].pos += shift;
            e.size = copied;
            changed = true;
        }
    }
    if (table || changed) {
        if (table) {
            dfilePositionsFromSizes(t.elements);
            dfileShiftPositions(t.elements, t.hfile.empty() ? hsize + t.hbase + t.pbase : t.pbase);
        }
        header = dfileCreateHeader(t, std::move(header));
        dfilePrintElements(t);
        if (!t.hfile.empty())
            dfilePatch(t, t.hdrOutput, header, t.hbase);
        else
            dfilePatch(t, t.output, header, t.appendBase + t.hbase);
    }
    dfileFitExactSize(t, t.output);
}

void dfileSplitDFile(DFileTool& t)
{
    std::printf(dfileLogSplitDfile);
    t.input = dfileCutInput(t, t.input);
    dfileLoadElements(t);
    dfilePrintElements(t);
    int64_t counter = 0;
    for (const Element& e : t.elements)
        if (dfileInRange(t, e.pos))
            dfileCheckNotInput(t, dfilePieceBase(t) + dfilePieceSuffix(counter++));
    counter = 0;
    int64_t cursor = t.elements.empty() ? 0 : t.elements.front().pos;
    int64_t written = 0;
    for (const Element& e : t.elements) {
        if (dfileInRange(t, e.pos)) {
            dfileCopyElement(t, t.input, dfilePieceBase(t) + dfilePieceSuffix(counter), cursor, 0, e.size,
                             t.openMode, !t.reverse, written);
            ++counter;
        }
        cursor += e.size + (t.markerInData ? 0 : t.markerSize);
    }
}

void dfileJoinDFile(DFileTool& t)
{
    std::printf(dfileLogJoinDfile);
    dfileLoadElements(t);
    if (t.elements.empty())
        return;
    createOutput(t, t.output);
    int64_t written = 0;
    for (const Element& e : t.elements) {
        dfileCopyElement(t, t.input + dfilePieceSuffix(e.index), t.output, 0, 0, e.size, "ab",
                         t.reverse, written);
        appendMarker(t);
    }
    dfileFitExactSize(t, t.output);
}

