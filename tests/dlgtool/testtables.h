// The table slots of the unit tests: the dialog table in one slot and the
// script table in the other, loaded once per test process as the command
// line would load them.
#pragma once

#include "dlgfile.h"
#include "dlgtool/fixtures.h"
#include "tbl.h"

#include <gtest/gtest.h>

inline DlgSettings dlgTestSettings()
{
    static const DlgSettings settings = [] {
        DlgSettings s;
        EXPECT_EQ(tblInitMem(dlgfix::bytes(dlgfix::dialogTable())), 1);
        s.dialogSlot = tblSave();
        EXPECT_EQ(tblInitMem(dlgfix::bytes(dlgfix::scriptTable())), 1);
        s.dlsSlot = tblSave();
        tblSetShrink(0);
        return s;
    }();
    return settings;
}

// Runs `f` and returns what it printed to the standard error stream.
template <typename F>
std::string dlgStderrOf(F&& f)
{
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}
