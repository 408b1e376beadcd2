#include "cli.h"

#include "create.h"
#include "dlgfile.h"
#include "extract.h"
#include "lengths.h"
#include "messages.h"
#include "platform.h"
#include "recompute.h"
#include "tbl.h"
#include "varlen.h"

#include <cctype>
#include <cstdio>
#include <map>

void dlgUsage(const std::string& program)
{
    std::fprintf(stderr, dlgUsageFirst, program.c_str());
    for (const char* line : dlgUsageRest)
        std::fprintf(stderr, "%s", line);
}

DlgOptions dlgParseArgs(const std::vector<std::string>& args, const std::string& program)
{
    DlgOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.empty() || a[0] != '-') {
            if (o.positional.size() == 3) {
                std::fprintf(stderr, "%s", dlgMsgUnknownNonoption);
                dlgUsage(program);
            } else {
                o.positional.push_back(a);
            }
            continue;
        }
        const char third = a.size() > 2 ? static_cast<char>(std::tolower(static_cast<unsigned char>(a[2]))) : '\0';
        switch (a.size() > 1 ? std::tolower(static_cast<unsigned char>(a[1])) : 0) {
        case '?':
        case 'h': dlgUsage(program); break;
        case 'e': break;
        case 'c': o.handler = DlgHandlerKind::create; break;
        case 'r': o.handler = DlgHandlerKind::raw; break;
        case 'i': o.handler = DlgHandlerKind::placeholder; break;
        case 's': o.split = true; break;
        case 'o':
            o.recompute = true;
            if (o.handler != DlgHandlerKind::create)
                o.handler = DlgHandlerKind::recompute;
            break;
        case 'd':
            if (third == 'r')
                o.mode = dlgModeReplace;
            else if (third == 'm')
                o.mode = dlgModeMerge;
            else if (third == 'u')
                o.mode = dlgModeUpdate;
            else if (third == 'n')
                o.mode = dlgModeNone;
            break;
        case 't':
            if (third == '\0') {
                if (i + 1 < args.size())
                    o.table = args[++i];
                else
                    std::fprintf(stderr, "%s", dlgMsgBehindT);
            } else if (third == 's') {
                if (i + 1 < args.size())
                    o.dlsTable = args[++i];
                else
                    std::fprintf(stderr, "%s", dlgMsgBehindTs);
            } else if (i + 1 < args.size()) {
                ++i;
            }
            break;
        default:
            std::fprintf(stderr, dlgMsgUnknownOption, a.c_str());
            dlgUsage(program);
            break;
        }
    }
    return o;
}

const char* dlgOutputExt(DlgHandlerKind h)
{
    switch (h) {
    case DlgHandlerKind::extract: return ".txt";
    case DlgHandlerKind::raw: return ".raw";
    default: return ".dlg";
    }
}

const char* dlgScriptExt(DlgHandlerKind h)
{
    return h == DlgHandlerKind::raw ? ".dsr" : ".dls";
}

const char* dlgPattern(DlgHandlerKind h)
{
    return h == DlgHandlerKind::create || h == DlgHandlerKind::placeholder ? "*.txt" : "*.dlg";
}

std::string dlgCutExtension(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string dlgLengthsPath(const std::string& table)
{
    std::string p = table;
    if (!p.empty())
        p.back() = 'l';
    return p;
}

namespace {

using Handler = int (*)(const DlgSettings&, const std::string&, const std::string&,
                        const std::string*);

int dlgPlaceholder(const DlgSettings&, const std::string&, const std::string&, const std::string*)
{
    std::printf("%s\n", dlgMsgTodo);
    return 0;
}

Handler handlerOf(DlgHandlerKind h)
{
    switch (h) {
    case DlgHandlerKind::create: return dlgCreate;
    case DlgHandlerKind::raw: return dlgExtractRaw;
    case DlgHandlerKind::recompute: return dlgRecomputeFile;
    case DlgHandlerKind::placeholder: return dlgPlaceholder;
    default: return dlgExtract;
    }
}

std::string withSeparator(const std::string& dir)
{
    if (!dir.empty() && dir.back() == platformSeparator)
        return dir;
    return dir + platformSeparator;
}

struct InputFile {
    std::string path;
    std::string name;
};

// Tables and lengths of a run, released when the run ends.
struct RunResources {
    bool tables = false;
    DlgLengths lengths;
    Kz7Varlen varlen;
    ~RunResources()
    {
        if (tables)
            tblFreeAll();
    }
};

// Whether `input` may write `outputs`: refused with one line when an output
// is the input itself (for a handler writing another kind of file), when
// text and script would go to one file, or when an output was already
// written from another input of this run.
bool dlgOutputsFree(const std::string& input, const std::vector<std::string>& outputs,
                    bool otherKind, const std::map<std::string, std::string>& written)
{
    if (outputs.size() == 2 && outputs[0] == outputs[1]) {
        std::fprintf(stderr, dlgMsgSameOutputs, input.c_str(), outputs[0].c_str());
        return false;
    }
    for (const std::string& p : outputs) {
        if (otherKind && platformSameFile(p, input)) {
            std::fprintf(stderr, dlgMsgSameFile, input.c_str(), p.c_str());
            return false;
        }
        const auto earlier = written.find(p);
        if (earlier != written.end()) {
            std::fprintf(stderr, dlgMsgOverwrite, input.c_str(), p.c_str(),
                         earlier->second.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

long long dlgRun(const DlgOptions& o)
{
    const std::string in = o.positional.size() > 0 ? o.positional[0] : ".";
    const bool outGiven = o.positional.size() > 1;
    const std::string out = outGiven ? o.positional[1] : in;
    const bool scriptGiven = o.split && o.positional.size() > 2;

    std::vector<InputFile> inputs;
    std::string inDir;
    bool scanned = false;
    const PlatformKind inKind = platformStat(in).kind;
    const std::string inReason = platformLastError();  // why a missing input is missing
    if (inKind == PlatformKind::directory || inKind == PlatformKind::missing) {
        std::string pattern = in;
        if (inKind == PlatformKind::directory) {
            inDir = withSeparator(in);
            pattern = inDir + dlgPattern(o.handler);
        } else {
            inDir = platformDirPart(in);
        }
        scanned = true;
        for (const auto& e : platformFind(pattern))
            if (!e.isDir)
                inputs.push_back({inDir + e.name, e.name});
    } else if (inKind == PlatformKind::regular) {
        inputs.push_back({in, platformBaseName(in)});
    } else {
        std::fprintf(stderr, "%s", dlgMsgFileType);
        return 0;
    }

    // Without an output argument the outputs of a scan go beside their
    // inputs; a pattern is no file name to write to. A handler that writes
    // another kind of file derives its output beside a single input too:
    // the input itself is never written over with that other kind.
    const bool otherKind = o.handler == DlgHandlerKind::extract ||
                           o.handler == DlgHandlerKind::raw || o.handler == DlgHandlerKind::create;
    std::optional<std::string> outDir;
    if (platformIsDir(out))
        outDir = withSeparator(out);
    else if (!outGiven && scanned)
        outDir = inDir;
    else if (!outGiven && otherKind)
        outDir = platformDirPart(in);
    std::optional<std::string> scriptDir;
    if (scriptGiven && platformIsDir(o.positional[2]))
        scriptDir = withSeparator(o.positional[2]);

    RunResources res;
    DlgSettings settings;
    const bool convert = o.handler != DlgHandlerKind::raw && o.handler != DlgHandlerKind::recompute;
    if (convert) {
        if (!tblInit(o.table)) {
            std::fprintf(stderr, dlgMsgTblInit, o.table.c_str());
            return 0;
        }
        res.tables = true;
        settings.dialogSlot = tblSave();
        settings.dlsSlot = settings.dialogSlot;
        if (o.dlsTable) {
            if (!tblInit(*o.dlsTable)) {
                std::fprintf(stderr, dlgMsgTblDlsInit, o.dlsTable->c_str());
                return 0;
            }
            settings.dlsSlot = tblSave();
        }
        if (settings.dialogSlot < 0 || settings.dlsSlot < 0) {
            std::fprintf(stderr, dlgMsgTblSave, settings.dlsSlot, settings.dialogSlot);
            return 0;
        }
        tblSetShrink(0);
    }
    if (o.recompute) {
        const std::string lengthsPath = dlgLengthsPath(o.table);
        if (!tblLengthsInit(lengthsPath, res.lengths)) {
            std::fprintf(stderr, dlgMsgLengthsInit, lengthsPath.c_str());
            return 0;
        }
        settings.lengths = &res.lengths;
        if (kz7varlenCreate(res.varlen))
            settings.varlen = &res.varlen;
        else
            std::fprintf(stderr, "%s", dlgMsgVarlenInit);
        settings.recompute = true;
        settings.mode = o.mode;
    }

    // A path or pattern that names nothing is said so; a folder without
    // dialog files is simply a run with nothing to do.
    if (inputs.empty() && inKind == PlatformKind::missing) {
        const bool pattern = in.find_first_of("*?") != std::string::npos;
        std::fprintf(stderr, dlgMsgNoInput, in.c_str(), pattern ? dlgMsgNoMatch : inReason.c_str());
        return 0;
    }

    const Handler handler = handlerOf(o.handler);
    const bool scriptBesideInput =
        o.handler == DlgHandlerKind::create || o.handler == DlgHandlerKind::placeholder;
    long long total = 0;
    std::map<std::string, std::string> written;  // output path -> the input it came from
    for (const InputFile& f : inputs) {
        const std::string stem = dlgCutExtension(f.name);
        std::string outPath = out;
        std::string outStem;  // the output path before its extension
        if (outDir) {
            outStem = *outDir + stem;
            outPath = outStem + dlgOutputExt(o.handler);
        } else {
            // A fixed output file: a script file is named after it.
            outStem = platformDirPart(out) + dlgCutExtension(platformBaseName(out));
        }
        std::optional<std::string> scriptPath;
        if (o.split) {
            if (scriptDir)
                scriptPath = *scriptDir + stem + dlgScriptExt(o.handler);
            else if (scriptGiven)
                scriptPath = o.positional[2];
            else if (scriptBesideInput)
                scriptPath = platformDirPart(f.path) + dlgCutExtension(f.name) + dlgScriptExt(o.handler);
            else
                scriptPath = outStem + dlgScriptExt(o.handler);
        }
        // Outputs of this file: the script too when extraction splits.
        std::vector<std::string> outputs;
        if (o.handler != DlgHandlerKind::placeholder)
            outputs.push_back(outPath);
        if (scriptPath && (o.handler == DlgHandlerKind::extract || o.handler == DlgHandlerKind::raw))
            outputs.push_back(*scriptPath);
        if (!dlgOutputsFree(f.path, outputs, otherKind, written))
            continue;
        total += handler(settings, f.path, outPath, scriptPath ? &*scriptPath : nullptr);
        for (const std::string& p : outputs)
            written.emplace(p, f.path);
    }
    return total;
}
