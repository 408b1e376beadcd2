// dfiletool: splits a data file into its elements by a header of positions
// and sizes, joins elements into a new data file with a new header, imports
// edited elements into an existing data file, and converts between DFiles
// (elements each followed by an end marker) and numbered piece files.
//
// Header layout, from `hbase` of the header file (the data file itself unless
// a separate header file is given), every number little-endian unsigned:
//   count field (csize bytes), cgap bytes,
//   records of psize position bytes, pgap, ssize size bytes, sgap,
//   gskip more bytes after every gcount records.
// The htype code on the command line gives these widths (dfileParseHtype).
//
// Every operation reports failure by throwing a DfileFailure whose text main
// prints as it stands; the log of the run goes to the standard output.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fileutils.h"

struct DfileFailure {
    std::string text;
};

// Throws the printf-formatted text.
[[noreturn]] void dfileFail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sums and differences of values a header gave: 64-bit fields hold any bit
// pattern, so they wrap as unsigned numbers rather than overflow.
inline int64_t dfileAdd(int64_t a, int64_t b)
{
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

inline int64_t dfileSub(int64_t a, int64_t b)
{
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// A 64-bit value for printf's %lld.
inline long long dfileLl(int64_t v)
{
    return static_cast<long long>(v);
}

struct Element {
    int64_t pos = 0;
    int64_t size = 0;
    int32_t index = -1;  // record number in its header, or number in its sequence
};

using ElementList = std::vector<Element>;

struct HeaderType {
    int32_t csize = 0, cgap = 0, psize = 0, pgap = 0, ssize = 0, sgap = 0;
    int32_t gcount = 0, gskip = 0;
    int32_t esize = 0;  // psize + pgap + ssize + sgap
};

enum class DfileMode { split = 1, join = 2, import = 3, splitDFile = 4, joinDFile = 5 };
enum class ExactMode { none = 0, exact = 1, multiple = 2 };
enum class BlockMode { none = 0, exact = 1, multiple = 2, cut = 16, cutMargin = 32 };

inline constexpr int64_t dfilePmaxDefault = INT64_MAX;
inline constexpr const char* dfileDefaultMarker = "\r\n******xEnDx******\r\n";
inline constexpr int32_t dfileDefaultMarkerSize = 21;
inline constexpr const char* dfileTempName = "tmpqzpm.qwe";
inline constexpr const char* dfileDefaultOutput = "output.out";
// Base name of piece files written when no output name is given.
inline constexpr const char* dfileDefaultPieceBase = "output";
inline constexpr size_t dfileMaxBuf = 0x100000;   // DFile scan window
inline constexpr size_t dfileCutChunk = 256000;   // backwards search of a cut

struct DFileTool {
    int64_t pbase = 0;
    int64_t hbase = 0;
    int64_t pmin = 0;
    int64_t pmax = dfilePmaxDefault;
    int64_t hmax = 0;
    int32_t hcount = 0;
    ElementList elements;
    ElementList importElements;
    HeaderType htype;
    std::string input;
    std::string output = dfileDefaultOutput;
    bool outputGiven = false;
    std::string tbstable;
    std::string hfile;
    std::string hdrOutput = "output.hdr";
    std::string ifile;
    DfileMode mode = DfileMode::split;
    bool files = false;
    std::vector<uint8_t> marker{dfileDefaultMarker, dfileDefaultMarker + dfileDefaultMarkerSize};
    int32_t markerSize = dfileDefaultMarkerSize;
    bool markerInData = false;
    ExactMode exactMode = ExactMode::none;
    int64_t exsize = 0;
    BlockMode cutMode = BlockMode::none;
    int32_t cutValue = 0;
    uint8_t fill = 0;
    bool reverse = false;
    BlockMode blockMode = BlockMode::none;
    uint32_t block = 0;
    int32_t blockadd = 0;
    int32_t sizeAdd = 0;
    bool gaps = true;
    bool append = false;
    const char* openMode = "wb";
    int64_t appendBase = 0;
    bool removeDuplicates = false;

    // Outputs of this run: each written whole (a temporary file committed
    // at the end) or, when appended to, in place.
    std::map<std::string, std::unique_ptr<FileOutput>> outputs;
    std::vector<std::string> reading;  // files read by the run, never written
    bool madeTemp = false;             // this run made tmpqzpm.qwe
};

// Model (dfilemodel.cpp).
void dfileParseHtype(DFileTool& t, const std::string& text);
int64_t dfileHeaderSize(const DFileTool& t, int64_t n);
void dfileReadHFile(DFileTool& t, bool forImport);
void dfileReadDFile(DFileTool& t);
void dfileReadPieceFiles(DFileTool& t);
void dfileLoadElements(DFileTool& t);
// Header bytes for `elements`; `buffer` (when not empty) is reused.
std::vector<uint8_t> dfileCreateHeader(DFileTool& t, std::vector<uint8_t> buffer);
// Header bytes of the existing data file with the replaced records patched.
std::vector<uint8_t> dfilePatchHeader(DFileTool& t, std::vector<uint8_t> buffer);
bool dfileInRange(const DFileTool& t, int64_t pos);
size_t dfileFirstInRange(const DFileTool& t, const ElementList& list, size_t start);
int64_t dfileLastInRange(const DFileTool& t, const ElementList& list);
void dfileShiftPositions(ElementList& list, int64_t delta);
void dfileAddToSizes(DFileTool& t, int64_t delta);
void dfilePositionsFromSizes(ElementList& list);
void dfileSizesFromPositions(const DFileTool& t, ElementList& list);
void dfilePrintElements(const DFileTool& t);
void dfilePrintHeaderType(const DFileTool& t);
std::string dfilePieceSuffix(int64_t number);
// Base name of the piece files a run writes.
std::string dfilePieceBase(const DFileTool& t);
// Records the existing header holds (the highest record number read + 1).
int64_t dfileHeaderRecords(const ElementList& list);

// Files of the run (dfilemodel.cpp).
// Size of a file read by the run; refuses one of 2 GiB or more. -1 when missing.
int64_t dfileInputSize(const std::string& name);
// Throws when `target` is the same file as one the run reads.
void dfileCheckNotInput(const DFileTool& t, const std::string& target);
// The path the bytes of `target` go to, preparing the output on first use:
// in place when the run appends ("-a") unless `whole` (the header file that
// join and import always make anew), else a whole new file committed at the
// end of the run.
std::string dfileOutputPath(DFileTool& t, const std::string& target, bool whole = false);
// Makes every output of the run final; false when one could not be.
bool dfileCommitOutputs(DFileTool& t);
// Throws when an element's place can't be a range of a file below 2 GiB.
void dfileCheckElement(const Element& e);
// Appends bytes or fill to an output, throwing when they don't all arrive.
void dfileAppend(DFileTool& t, const std::string& target, const uint8_t* data, size_t size);
void dfileAppendFill(DFileTool& t, const std::string& target, int64_t count);
void dfilePatch(DFileTool& t, const std::string& target, const std::vector<uint8_t>& bytes,
                int64_t position);

// Copies (dfilecopy.cpp).
int64_t dfileCopyElement(DFileTool& t, const std::string& src, const std::string& dst,
                         int64_t ipos, int64_t opos, int64_t size, const char* mode,
                         bool direction, int64_t& written);
int64_t dfileCutFile(DFileTool& t, const std::string& name);
// Cuts the file a mode reads when a cut rule is set; returns the file to read.
std::string dfileCutInput(DFileTool& t, const std::string& name);
void dfileFitExactSize(DFileTool& t, const std::string& target);
void dfileSplit(DFileTool& t);
void dfileJoin(DFileTool& t);
void dfileSplitDFile(DFileTool& t);
void dfileJoinDFile(DFileTool& t);

// Import (dfileimport.cpp).
void dfileComputeGaps(DFileTool& t);
void dfileImportData(DFileTool& t);

// Command line (dfileoptions.cpp): fills the tool record from argv.
void dfileApplyCommandLine(DFileTool& t, int argc, char** argv);

// The whole program: applies the command line, runs the mode, prints a
// failure. Returns 0 in every case, as the tool always has.
int dfiletoolRun(int argc, char** argv);
