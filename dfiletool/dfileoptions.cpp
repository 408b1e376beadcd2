// The command line: a small option reader, the table of options applied in
// a fixed order (later steps overwrite what earlier ones set), the
// positional arguments, and the run of one mode.
#include "dfiletool.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "messages.h"
#include "platform.h"
#include "tbl.h"

namespace {

// Reads the arguments after the program name. Every argument a reader takes
// is consumed; positional arguments are the first ones not consumed.
struct OptionParser {
    int last = 0;
    char** args = nullptr;
    int cur = 1;
    int first = 1;
    std::vector<uint8_t> used;
};

OptionParser optionCreate(int argc, char** argv)
{
    OptionParser p;
    p.last = argc - 1;
    p.args = argv;
    try {
        p.used.assign(static_cast<size_t>(argc > 0 ? argc : 1), 0);
    } catch (const std::bad_alloc&) {
        throw DfileFailure{dfileMsgOptionsAlloc};
    }
    return p;
}

int optionNextFree(OptionParser& p)
{
    while (p.first <= p.last && p.used[static_cast<size_t>(p.first)])
        ++p.first;
    p.cur = p.first;
    return p.cur;
}

bool optionValid(const OptionParser& p)
{
    return p.cur > 0 && p.cur <= p.last;
}

void optionTake(OptionParser& p)
{
    if (!optionValid(p))
        return;
    p.used[static_cast<size_t>(p.cur)] = 1;
    ++p.cur;
}

bool optionGetFlag(OptionParser& p, const char* name, bool seek)
{
    if (!name)
        return false;
    const int start = seek ? optionNextFree(p) : 1;
    for (int i = start; i <= p.last; ++i)
        if (std::strcmp(p.args[i], name) == 0) {
            p.cur = i;
            optionTake(p);
            return true;
        }
    p.cur = start;
    return false;
}

// strtol of a 32-bit host: base 0, the whole argument, saturating at the
// 32-bit limits; stored sign-extended.
bool optionGetInt64(OptionParser& p, int64_t& out, bool seek)
{
    if (seek)
        optionNextFree(p);
    if (!optionValid(p))
        return false;
    const char* s = p.args[p.cur];
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s, &end, 0);
    if (*end != '\0')
        return false;
    out = v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v;
    optionTake(p);
    return true;
}

bool optionGetInt32(OptionParser& p, int32_t& out, bool seek)
{
    int64_t v = 0;
    if (!optionGetInt64(p, v, seek))
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool optionGetChar(OptionParser& p, uint8_t& out, bool seek)
{
    if (seek)
        optionNextFree(p);
    if (!optionValid(p))
        return false;
    const char* s = p.args[p.cur];
    out = static_cast<uint8_t>(s[0]);
    if (std::strlen(s) != 1)
        return false;
    optionTake(p);
    return true;
}

bool optionGetString(OptionParser& p, std::string& out, bool seek)
{
    if (seek)
        optionNextFree(p);
    if (!optionValid(p))
        return false;
    out = p.args[p.cur];
    optionTake(p);
    return true;
}

bool flag(OptionParser& p, const char* name)
{
    return optionGetFlag(p, name, true);
}

void need(bool ok, const char* message)
{
    if (!ok)
        throw DfileFailure{message};
}

void loadMarkerFile(DFileTool& t, const std::string& name)
{
    const int64_t size = fileSizeF(name);
    if (size == -1)
        throw DfileFailure{dfileMsgMarkerSize};
    if (size > fileMaxSize)
        dfileFail(dfileMsgTooLarge, name.c_str());
    t.markerSize = static_cast<int32_t>(size);
    if (size == 0)
        return;
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        throw DfileFailure{dfileMsgMarkerAlloc};
    }
    (void)fileLoad(name, bytes, 0);
    t.marker = std::move(bytes);
}

// Refusals of values the tool could not use sensibly; each with one line
// before any file is touched.
void checkValues(const DFileTool& t, const char* blockOption)
{
    if (t.hbase < 0)
        dfileFail(dfileMsgNegative, "-hb");
    if ((t.blockMode == BlockMode::exact || t.blockMode == BlockMode::multiple) &&
        (t.block == 0 || t.block > static_cast<uint32_t>(fileMaxSize)))
        dfileFail(dfileMsgBlockZero, blockOption);
    if (t.markerSize < 0)
        dfileFail(dfileMsgNegative, "-ds");
    if (static_cast<size_t>(t.markerSize) > t.marker.size())
        dfileFail(dfileMsgMarkerShort, t.markerSize, static_cast<int>(t.marker.size()));
    for (const std::string* name : {&t.input, &t.ifile, &t.hfile})
        if (!name->empty())
            (void)dfileInputSize(*name);
    if (t.append && t.appendBase > fileMaxSize)
        dfileFail(dfileMsgTooLarge, t.output.c_str());
    // The cut copy has a fixed name: a file of that name that this run did
    // not make is the user's, and is never overwritten.
    const bool cuts = t.mode == DfileMode::split || t.mode == DfileMode::splitDFile ||
                      t.mode == DfileMode::import;
    if (t.cutMode != BlockMode::none && cuts &&
        platformStat(dfileTempName).kind != PlatformKind::missing)
        throw DfileFailure{dfileMsgTempExists};
}

// Files a mode reads: an output must not be one of them.
void noteInputs(DFileTool& t)
{
    const bool readsInput = t.mode == DfileMode::split || t.mode == DfileMode::splitDFile ||
                            ((t.mode == DfileMode::join || t.mode == DfileMode::import) && !t.files);
    if (readsInput)
        t.reading.push_back(t.input);
    if (!t.ifile.empty())
        t.reading.push_back(t.ifile);
    if (!t.hfile.empty())
        t.reading.push_back(t.hfile);
}

void runMode(DFileTool& t)
{
    switch (t.mode) {
    case DfileMode::split:
        dfileSplit(t);
        break;
    case DfileMode::join:
        dfileJoin(t);
        break;
    case DfileMode::import:
        dfileImportData(t);
        break;
    case DfileMode::splitDFile:
        dfileSplitDFile(t);
        break;
    case DfileMode::joinDFile:
        dfileJoinDFile(t);
        break;
    }
}

// Every way out of a run: what was written stays (as the tool always has
// left partial output), the cut copy goes, the table is released.
void finish(DFileTool& t)
{
    (void)dfileCommitOutputs(t);
    if (t.madeTemp)
        std::remove(dfileTempName);
    t.madeTemp = false;
    tblFree();
}

}  // namespace

void dfileApplyCommandLine(DFileTool& t, int argc, char** argv)
{
    OptionParser p = optionCreate(argc, argv);
    if (flag(p, "-s"))
        t.mode = DfileMode::split;
    if (flag(p, "-sd"))
        t.mode = DfileMode::splitDFile;
    if (flag(p, "-j"))
        t.mode = DfileMode::join;
    if (flag(p, "-jd"))
        t.mode = DfileMode::joinDFile;
    if (flag(p, "-i")) {
        need(optionGetString(p, t.ifile, false), "-i:error parse(input file)\n");
        t.mode = DfileMode::import;
    }
    if (flag(p, "-a"))
        t.append = true;
    if (flag(p, "-rd"))
        t.removeDuplicates = true;
    if (flag(p, "-f"))
        t.files = true;
    if (flag(p, "-tr"))
        t.reverse = true;
    if (flag(p, "-ind"))
        t.gaps = false;
    if (flag(p, "-c"))
        t.cutMode = BlockMode::cut;
    if (flag(p, "-cb"))
        t.blockMode = BlockMode::cut;
    if (flag(p, "-t"))
        need(optionGetString(p, t.tbstable, false), "-t:error parse\n");
    if (flag(p, "-h"))
        need(optionGetString(p, t.hfile, false), "-h:error parse\n");
    if (flag(p, "-p")) {
        int32_t unused = 0;
        need(optionGetInt32(p, unused, false), "-p:error parse\n");
    }
    if (flag(p, "-e")) {
        need(optionGetInt64(p, t.exsize, false), "-e:error parse\n");
        t.exactMode = ExactMode::exact;
    }
    if (flag(p, "-em")) {
        need(optionGetInt64(p, t.exsize, false), "-em:error parse\n");
        t.exactMode = ExactMode::multiple;
    }
    if (flag(p, "-eba"))
        need(optionGetInt32(p, t.blockadd, false), "-eba:error parse\n");
    const char* blockOption = "-eb";
    int32_t value = 0;
    if (flag(p, "-eb")) {
        need(optionGetInt32(p, value, false), "-eb:error parse\n");
        t.block = static_cast<uint32_t>(value);
        t.blockMode = BlockMode::exact;
    }
    if (flag(p, "-ebm")) {
        need(optionGetInt32(p, value, false), "-ebm:error parse\n");
        t.block = static_cast<uint32_t>(value);
        t.blockMode = BlockMode::multiple;
        blockOption = "-ebm";
    }
    if (flag(p, "-cbl")) {
        need(optionGetInt32(p, value, false), "-cbl:error parse\n");
        t.block = static_cast<uint32_t>(value);
        t.blockMode = BlockMode::cutMargin;
    }
    if (flag(p, "-cl")) {
        need(optionGetInt32(p, t.cutValue, false), "-cl:error parse\n");
        t.cutMode = BlockMode::cutMargin;
    }
    if (flag(p, "-ef"))
        need(optionGetChar(p, t.fill, false), "-ef:error parse\n");
    if (flag(p, "-min"))
        need(optionGetInt64(p, t.pmin, false), "-min:error parse\n");
    if (flag(p, "-max"))
        need(optionGetInt64(p, t.pmax, false), "-max:error parse\n");
    if (flag(p, "-b"))
        need(optionGetInt64(p, t.pbase, false), "-b:error parse\n");
    if (flag(p, "-hb"))
        need(optionGetInt64(p, t.hbase, false), "-hb:error parse\n");
    if (flag(p, "-hmax"))
        need(optionGetInt64(p, t.hmax, false), "-hmax:error parse\n");
    if (flag(p, "-hc"))
        need(optionGetInt32(p, t.hcount, false), "-hc:error parse\n");
    if (flag(p, "-sa"))
        need(optionGetInt32(p, t.sizeAdd, false), "-sa:error parse\n");
    if (flag(p, "-dd"))
        t.markerInData = true;
    if (flag(p, "-d")) {
        std::string text;
        need(optionGetString(p, text, false), "-d:error parse\n");
        t.marker.assign(text.begin(), text.end());
        // The marker size in force stays; a shorter text is the whole
        // marker. "-ds" (read later) may still set the size.
        t.markerSize = static_cast<int32_t>(
            std::min<size_t>(text.size(), static_cast<size_t>(t.markerSize)));
    }
    if (flag(p, "-df")) {
        std::string name;
        need(optionGetString(p, name, false), "-df:error parse\n");
        loadMarkerFile(t, name);
    }
    if (flag(p, "-ds"))
        need(optionGetInt32(p, t.markerSize, false), "-ds:error parse\n");

    std::string htype;
    need(optionGetString(p, htype, true), dfileMsgHtypeParse);
    need(optionGetString(p, t.input, true), dfileMsgInputParse);
    t.outputGiven = optionGetString(p, t.output, true);
    (void)optionGetString(p, t.hdrOutput, true);

    dfileParseHtype(t, htype);
    const int64_t inputSize = fileSizeF(t.input);
    if (inputSize != -1 && t.pmax == dfilePmaxDefault)
        t.pmax = inputSize;
    if (t.mode != DfileMode::joinDFile && !t.files && inputSize < 0)
        dfileFail(dfileMsgInputMissing, t.input.c_str());
    if (t.append) {
        t.openMode = "ab";
        const int64_t size = fileSizeF(t.output);
        t.appendBase = size < 0 ? 0 : size;
    }
    checkValues(t, blockOption);
    if (!t.tbstable.empty() && !tblInit(t.tbstable))
        dfileFail(dfileMsgTableInit, t.tbstable.c_str());
}

int dfiletoolRun(int argc, char** argv)
{
    fileForm = FileForm::dfile;
    tblForm = TblForm::dfile;
    DFileTool t;
    std::string failure;
    try {
        dfileApplyCommandLine(t, argc, argv);
        noteInputs(t);
        try {
            runMode(t);
        } catch (...) {
            finish(t);
            throw;
        }
        finish(t);
    } catch (const DfileFailure& f) {
        failure = f.text;
    } catch (const std::bad_alloc&) {
        finish(t);
        failure = dfileMsgAllocElements;
    }
    tblFree();
    std::fflush(stdout);
    std::fputs(failure.c_str(), stderr);
    return 0;
}
