// Import: a run of elements of an existing data file replaced by new element
// bytes, written as a new data file that keeps everything else of the old
// one (the bytes before the header, the header with only the replaced
// records changed, the bytes up to the first replaced element and, by
// default, the bytes behind each replaced element).
#include "dfiletool.h"

#include <algorithm>
#include <cstdio>

#include "messages.h"
#include "platform.h"

namespace {

// Copies `count` bytes of the existing data file from `position` to the end
// of the output.
void copyFromIfile(DFileTool& t, int64_t position, int64_t count, const char* mode)
{
    if (position < 0 || count < 0 || position > fileMaxSize || count > fileMaxSize - position)
        dfileFail(dfileMsgElement, -1, dfileLl(position), dfileLl(count));
    const std::string path = dfileOutputPath(t, t.output);
    const auto n = static_cast<uint32_t>(count);
    if (fileCopyF(t.ifile, path, static_cast<uint32_t>(position), 0, n, mode) != n)
        throw DfileFailure{dfileMsgCoping};
}

}  // namespace

void dfileComputeGaps(DFileTool& t)
{
    const int64_t rc = fileSizeF(t.ifile);
    if (rc < 0)
        throw DfileFailure{dfileMsgIfileSize};
    ElementList& old = t.importElements;
    const size_t i = dfileFirstInRange(t, old, 0);
    const int64_t end = static_cast<int64_t>(i) + static_cast<int64_t>(t.elements.size()) - 1;
    std::printf(dfileLogGapRange, static_cast<int>(i), static_cast<int>(end));
    if (end < static_cast<int64_t>(i))
        return;
    const auto last = static_cast<size_t>(end);
    for (size_t k = i; k < last; ++k) {
        std::printf(dfileLogGapPos, static_cast<int>(k), dfileLl(old[k].pos));
        old[k].size = old[k + 1].pos - old[k].pos - old[k].size;
        std::printf(dfileLogGapSize, dfileLl(old[k].size));
    }
    old[last].size = rc - old[last].pos - old[last].size;
    std::printf(dfileLogLastGap, dfileLl(old[last].size));
}

void dfileImportData(DFileTool& t)
{
    std::printf(dfileLogImporting);
    t.ifile = dfileCutInput(t, t.ifile);
    dfileLoadElements(t);
    ElementList& old = t.importElements;
    if (old.empty())
        return;
    const size_t n = t.elements.size();
    const size_t first = dfileFirstInRange(t, old, 0);
    // Each new element replaces one record from the first in range on: they
    // must all be there before anything is written.
    if (first >= old.size() || n > old.size() - first)
        dfileFail(dfileMsgTooManyNew, static_cast<int>(n), static_cast<int>(old.size() - first));
    for (size_t k = first; k < first + n; ++k)
        dfileCheckElement(old[k]);
    if (t.gaps)
        dfileComputeGaps(t);
    const bool table = !t.tbstable.empty();
    const int64_t hsize = dfileHeaderSize(t, dfileHeaderRecords(old));
    std::vector<uint8_t> header;
    if (table)
        header.assign(static_cast<size_t>(hsize), 0);  // set in full once the sizes are known
    else
        header = dfilePatchHeader(t, {});
    dfilePrintElements(t);
    size_t i = first;
    int64_t space = 0;
    bool changed = false;
    if (!t.hfile.empty()) {
        const std::string path = dfileOutputPath(t, t.output);
        if (fileSave(path, {}, 0, t.openMode) != 0)
            dfileFail(dfileMsgWrite, t.output.c_str(), platformLastError().c_str());
        if (old[i].pos > 0) {
            copyFromIfile(t, 0, old[i].pos, t.openMode);
            space = old[i].pos;
            dfileShiftPositions(t.elements, space);
            changed = true;
            std::printf(dfileLogSpaceStart, dfileLl(space));
        }
    } else {
        copyFromIfile(t, 0, t.hbase, t.openMode);
        dfileAppend(t, t.output, header.data(), header.size());
        space = static_cast<int32_t>(old[i].pos - hsize - t.hbase);
        if (space > 0) {
            copyFromIfile(t, hsize + t.hbase, space, "ab");
            dfileShiftPositions(t.elements, space);
            changed = true;
            std::printf(dfileLogSpaceHeader, dfileLl(space));
        }
    }
    const int64_t rc = fileSizeF(t.ifile);
    int64_t shift = 0;
    int64_t cursor = 0;
    int64_t written = 0;
    for (size_t j = 0; j < n; ++j, ++i) {
        Element& e = t.elements[j];
        int64_t copied = 0;
        if (t.files) {
            copied = dfileCopyElement(t, t.input + dfilePieceSuffix(static_cast<int64_t>(j)), t.output,
                                      0, 0, e.size, "ab", !t.reverse, written);
        } else {
            copied = dfileCopyElement(t, t.input, t.output, cursor, 0, e.size, "ab", !t.reverse,
                                      written);
            cursor += e.size + (t.markerInData ? 0 : t.markerSize);
        }
        if (table) {
            e.size = written;
        } else if (copied != e.size) {
            shift += copied - e.size;
            if (j + 1 < n)
                t.elements[j + 1].pos += shift;
            e.size = copied;
            changed = true;
        } else if (changed && j + 1 < n) {
            t.elements[j + 1].pos += shift;
        }
        if (t.gaps) {
            const int64_t g = old[i].size;
            if (g > 0) {
                const int64_t from = (i + 1 < old.size() && j + 1 < n ? old[i + 1].pos : rc) - g;
                copyFromIfile(t, from, g, "ab");
                shift += g;
                if (j + 1 < n)
                    t.elements[j + 1].pos += g;
                changed = true;
            }
        }
    }
    if (table || changed) {
        if (table) {
            dfilePositionsFromSizes(t.elements);
            dfileShiftPositions(t.elements, t.hfile.empty() ? hsize + t.hbase + space : space);
            if (t.gaps) {
                int64_t sum = 0;
                for (size_t j = 1, k = first; j < n; ++j, ++k) {
                    // Only the gaps that were copied move the elements.
                    sum += std::max<int64_t>(old[k].size, 0);
                    t.elements[j].pos += sum;
                }
            }
        }
        header = dfilePatchHeader(t, std::move(header));
        dfilePrintElements(t);
        if (t.hfile.empty())
            dfilePatch(t, t.output, header, t.appendBase + t.hbase);
    }
    dfileFitExactSize(t, t.output);
}
