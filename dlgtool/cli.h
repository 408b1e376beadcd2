// The command line of dlgtool: options, the tables a run needs, the input
// files (one file, a directory or a pattern) and, for each, the output and
// script paths.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class DlgHandlerKind { extract, create, raw, recompute, placeholder };

struct DlgOptions {
    DlgHandlerKind handler = DlgHandlerKind::extract;
    std::string table = "kz7.tbs";
    std::optional<std::string> dlsTable;
    bool split = false;
    bool recompute = false;
    int mode = 3;
    std::vector<std::string> positional;  // in, out, script
};

// Prints the usage text naming the program.
void dlgUsage(const std::string& program);

// Reads the arguments after the program name; messages and the usage text
// are printed as the arguments come.
DlgOptions dlgParseArgs(const std::vector<std::string>& args, const std::string& program);

// Output extension, script extension and search pattern of a handler.
const char* dlgOutputExt(DlgHandlerKind h);
const char* dlgScriptExt(DlgHandlerKind h);
const char* dlgPattern(DlgHandlerKind h);

// A file name cut at its last "." (unchanged without one).
std::string dlgCutExtension(const std::string& name);

// The lengths table path: the table path with its last character an "l".
std::string dlgLengthsPath(const std::string& table);

// Runs the handler over the input files; the sum of the handlers' results,
// 0 for a failure at startup.
long long dlgRun(const DlgOptions& o);
