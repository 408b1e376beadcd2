// Shared set-up of the dialog tool's fuzz targets: the table slots the
// command line would load, and quiet message streams (the tool reports every
// odd byte; sanitizer and fuzzer reports still reach file descriptor 2).
#pragma once

#include "dlgfile.h"
#include "dlgtool/fixtures.h"
#include "tbl.h"

#include <cstdio>
#include <cstdlib>

inline DlgSettings dlgFuzzSetup()
{
    static const DlgSettings settings = [] {
        // glibc lets a program point its standard streams elsewhere.
        if (FILE* quiet = std::fopen("/dev/null", "w")) {
            stderr = quiet;
            stdout = quiet;
        }
        DlgSettings s;
        if (!tblInitMem(dlgfix::bytes(dlgfix::dialogTable())))
            std::abort();
        s.dialogSlot = tblSave();
        if (!tblInitMem(dlgfix::bytes(dlgfix::scriptTable())))
            std::abort();
        s.dlsSlot = tblSave();
        tblSetShrink(0);
        return s;
    }();
    return settings;
}

inline void dlgFuzzCheck(bool same)
{
    if (!same)
        __builtin_trap();  // the same input must give the same output
}
