// Shared by the table tests: loading a table from text, converting strings,
// and a guard that leaves the module as a fresh program would find it.
#pragma once

#include "tbl.h"
#include "tbl/fixtures.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::string tblTestConvert(const std::string& in, bool reverse = false)
{
    std::vector<uint8_t> out;
    const std::vector<uint8_t> bytes(in.begin(), in.end());
    const int r = reverse ? tblConvertReverse(bytes, out) : tblConvert(bytes, out);
    EXPECT_EQ(r, static_cast<int>(in.size()));
    return {out.begin(), out.end()};
}

// Every test starts with no table, no slots, copy-unmatched on, the tools'
// form, and leaves it so.
class TblTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset()
    {
        tblReset();
        tblForm = TblForm::tools;
    }

    static void load(const std::string& text)
    {
        ASSERT_EQ(tblInitMem(tblFixtureBytes(text)), 1);
    }
};
