// Extraction of a dialog file: converted through the character tables into
// the text export (and a script file with -s), or raw without conversion.
#pragma once

#include "dlgfile.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct DlgExtractOutput {
    std::vector<uint8_t> text;    // the text file
    std::vector<uint8_t> script;  // the script file (split only)
    bool split = false;           // a script file is to be written
};

// Converts a dialog file held in memory; `name` is used in messages.
// 1 when processed (also when single records failed), 0 when it is not a
// dialog file or a conversion failed.
int dlgExtractMem(const DlgSettings& s, std::span<const uint8_t> file, const std::string& name,
                  bool split, DlgExtractOutput& out);

// The raw form of the same: record bytes without conversion or separators.
int dlgExtractRawMem(std::span<const uint8_t> file, const std::string& name, bool split,
                     DlgExtractOutput& out);

// Handlers of the command line; `script` null when no script file is wanted.
int dlgExtract(const DlgSettings& s, const std::string& in, const std::string& out,
               const std::string* script);
int dlgExtractRaw(const DlgSettings& s, const std::string& in, const std::string& out,
                  const std::string* script);
