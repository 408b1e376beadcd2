#include "kz7tables.h"

#include "cli.h"
#include "kz7messages.h"
#include "tbl.h"

#include <cstdio>

Kz7Tables::~Kz7Tables()
{
    if (loaded)
        tblFreeAll();
}

bool kz7TablesLoad(Kz7Tables& t, const std::string& tbs)
{
    if (!tblInit(tbs)) {
        std::fprintf(stderr, kz7MsgStep, "loading the character table", tbs.c_str());
        return false;
    }
    t.loaded = true;
    t.settings.dialogSlot = tblSave();
    t.settings.dlsSlot = t.settings.dialogSlot;
    if (t.settings.dialogSlot < 0) {
        std::fprintf(stderr, kz7MsgStep, "loading the character table", tbs.c_str());
        return false;
    }
    tblSetShrink(0);
    const std::string lengths = dlgLengthsPath(tbs);
    if (!tblLengthsInit(lengths, t.lengths) || !kz7varlenCreate(t.varlen)) {
        std::fprintf(stderr, kz7MsgStep, "loading the lengths table", lengths.c_str());
        return false;
    }
    t.settings.lengths = &t.lengths;
    t.settings.varlen = &t.varlen;
    t.settings.mode = dlgModeReplace;
    return true;
}
