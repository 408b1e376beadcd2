// Creation of a dialog file from its text export: every part (the text
// before each separator) is converted back to game bytes and the records are
// laid out behind a new pointer table. Scripts come from the same text file
// (parts alternating script, text) or from a separate script file.
#pragma once

#include "dlgfile.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct DlgCreateInput {
    std::span<const uint8_t> text;
    std::string textName;
    const std::span<const uint8_t>* script = nullptr;  // null: no script file
    std::string scriptName;
    std::string dlgName;  // the dialog file to be written, for messages
};

struct DlgCreated {
    std::vector<uint8_t> block;  // the whole dialog file
    bool battle = false;
    uint32_t count = 0;  // N as stored at offset 0
    size_t extraEntries = 0;  // table entries past the N dialogs' own (an odd part count)
};

// Smallest text file that can hold one part.
inline constexpr size_t dlgMinTextSize = 57;

// Builds the dialog file in memory (no recomputation). 1 on success, 0 after
// printing why not.
int dlgCreateMem(const DlgSettings& s, const DlgCreateInput& in, DlgCreated& out);

// Handler of -c: reads `txt` (and `script` when not null), builds the dialog
// file, recomputes it when asked and writes it to `dlg`. 1 when written.
int dlgCreate(const DlgSettings& s, const std::string& txt, const std::string& dlg,
              const std::string* script);
