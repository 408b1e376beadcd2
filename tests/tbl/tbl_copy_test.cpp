#include "tbl_helpers.h"
#include "tbl/reference.h"

#include "fileutils.h"

#include <random>

namespace {

// Writes `in` to a file, copies it through the current table (or `table`)
// with fileCopyTblF and returns the output; `consumed` and `written` get the
// results.
std::string copyThroughFile(const ScratchDir& dir, const std::string& in, int reverse,
                            uint32_t* consumed = nullptr, int64_t* written = nullptr,
                            const std::string& table = "")
{
    testWriteText(dir / "in.bin", in);
    int64_t w = -1;
    const uint32_t c = fileCopyTblF(dir / "in.bin", dir / "out.bin", 0, 0,
                                    static_cast<uint32_t>(in.size()), "wb", table, reverse, &w);
    if (consumed)
        *consumed = c;
    if (written)
        *written = w;
    return testReadText(dir / "out.bin");
}

std::string wholeConversion(const std::string& in, int reverse)
{
    return tblTestConvert(in, reverse != 0);
}

}  // namespace

TEST_F(TblTest, CopyMatchesWholeConversionAcrossChunkBoundaries)
{
    ScratchDir dir;
    // Two-byte keys and a copy char key, laid so that matches straddle every
    // 256 KiB boundary at each possible offset.
    load(tblFixtureLine(tblFixtureHex({0x81, 0x40}), "SP") + tblFixtureLine(tblFixtureHex({0x82}), "b") +
         tblFixtureLine(tblFixtureHex({0xF9, 0x06}) + "\\c03", "[C\\h03]"));
    for (size_t shift = 0; shift < 7; ++shift) {
        std::string in(shift, 'x');
        while (in.size() < 2 * tblCopyChunk + 100) {
            in += "\x81\x40";
            in += "\xF9\x06" "abc";
            in += "\x82";
        }
        uint32_t consumed = 0;
        int64_t written = 0;
        const std::string expected = wholeConversion(in, 0);
        ASSERT_EQ(copyThroughFile(dir, in, 0, &consumed, &written), expected) << "shift " << shift;
        EXPECT_EQ(consumed, in.size());
        EXPECT_EQ(written, static_cast<int64_t>(expected.size()));
        // And back: the text keys straddle the boundaries too.
        ASSERT_EQ(copyThroughFile(dir, expected, 1), wholeConversion(expected, 1)) << "shift " << shift;
        EXPECT_EQ(wholeConversion(expected, 1), in);
    }
}

TEST_F(TblTest, CopyOfRandomDataAgreesWithWholeConversion)
{
    ScratchDir dir;
    load(tblFixtureLine("ab", "1") + tblFixtureLine("abc", "22") + tblFixtureLine("b\\h02c", "<\\c02>") +
         tblFixtureLine("\\c01z", "Z"));
    std::mt19937 rng(7);
    std::string in;
    for (size_t i = 0; i < tblCopyChunk + 5000; ++i)
        in += "abcz0F"[rng() % 6];
    for (int reverse = 0; reverse < 2; ++reverse)
        EXPECT_EQ(copyThroughFile(dir, in, reverse), wholeConversion(in, reverse));
}

TEST_F(TblTest, CopiesThroughRandomTablesAgreeWithWholeConversion)
{
    // Random tables, with inputs whose last bytes (around the chunk end and
    // the input's end) are random, so that carried keys, misses right before
    // the boundary and the rest rule meet there.
    ScratchDir dir;
    std::mt19937 rng(99);
    for (int round = 0; round < 64; ++round) {
        tblReset();
        load(tblRandomTable(rng, round % 4 == 0));
        const size_t before = std::uniform_int_distribution<size_t>(0, 8)(rng);
        const size_t after = std::uniform_int_distribution<size_t>(1, 6)(rng);
        std::string in(tblCopyChunk - before, '\x7F');
        in += tblRandomInput(rng, before + after);
        for (int reverse = 0; reverse < 2; ++reverse) {
            uint32_t consumed = 0;
            ASSERT_TRUE(copyThroughFile(dir, in, reverse, &consumed) == wholeConversion(in, reverse))
                << "round " << round << " reverse " << reverse;
            EXPECT_EQ(consumed, in.size());
        }
    }
}

TEST_F(TblTest, RestRuleAppliesAtTheEndOfTheInputOnly)
{
    ScratchDir dir;
    load("AB=x\r\n");
    // A miss leaves one byte in the first chunk: "AB" across the boundary is
    // still converted; the miss before the last byte passes that byte.
    const std::string in = std::string(tblCopyChunk - 1, 'z') + "ABzA";
    const std::string expected = std::string(tblCopyChunk - 1, 'z') + "xzA";
    uint32_t consumed = 0;
    int64_t written = 0;
    EXPECT_TRUE(copyThroughFile(dir, in, 0, &consumed, &written) == expected);
    EXPECT_EQ(consumed, in.size());
    EXPECT_EQ(written, static_cast<int64_t>(expected.size()));
    // The same when the input ends before the count asked for.
    testWriteText(dir / "in.bin", in);
    EXPECT_EQ(fileCopyTblF(dir / "in.bin", dir / "out.bin", 0, 0, static_cast<uint32_t>(in.size() + 9), "wb",
                           "", 0, &written),
              in.size());
    EXPECT_TRUE(testReadText(dir / "out.bin") == expected);
    // A rest held back at a chunk's end that turns out to be the input's
    // last bytes (the file ends before the count) passes unconverted too,
    // although "ZQ" at its start would match.
    load("\\c01Q=<\\h01>\r\n");
    const std::string tail = std::string(tblCopyChunk - 4, 'a') + "ZQaa";
    testWriteText(dir / "in.bin", tail);
    EXPECT_EQ(fileCopyTblF(dir / "in.bin", dir / "out.bin", 0, 0, static_cast<uint32_t>(tail.size() + 5), "wb",
                           "", 0, &written),
              tail.size());
    EXPECT_TRUE(testReadText(dir / "out.bin") == tail);
    EXPECT_TRUE(tblTestConvert(tail) == tail);
}

TEST_F(TblTest, EmptyChunkOutputDoesNotEndTheCopy)
{
    ScratchDir dir;
    load("=skipmode\r\nA=a\r\n");
    const std::string in = std::string(tblCopyChunk * 2, 'x') + "AA";
    uint32_t consumed = 0;
    int64_t written = 0;
    EXPECT_EQ(copyThroughFile(dir, in, 0, &consumed, &written), "aa");
    EXPECT_EQ(consumed, in.size());
    EXPECT_EQ(written, 2);
}

TEST_F(TblTest, CopyPositionsAndModes)
{
    ScratchDir dir;
    load("A=aa\r\n");
    testWriteText(dir / "in.bin", "--AAB--");
    testWriteText(dir / "out.bin", "0123456789");
    int64_t written = 0;
    EXPECT_EQ(fileCopyTblF(dir / "in.bin", dir / "out.bin", 2, 3, 3, "rb+", "", 0, &written), 3u);
    EXPECT_EQ(written, 5);
    EXPECT_EQ(testReadText(dir / "out.bin"), "012aaaaB89");
    // A count past the end of the input stops at its end.
    EXPECT_EQ(fileCopyTblF(dir / "in.bin", dir / "out.bin", 5, 0, 100, "wb", "", 0, &written), 2u);
    EXPECT_EQ(testReadText(dir / "out.bin"), "--");
    // Failures: missing input, output that can't be opened.
    EXPECT_EQ(fileCopyTblF(dir / "none", dir / "out.bin", 0, 0, 5, "wb", "", 0, &written), 0u);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(fileCopyTblF(dir / "in.bin", dir / "no/such/out", 0, 0, 5, "wb", "", 0, &written), 0u);
}

TEST_F(TblTest, CopyWithItsOwnTableKeepsTheCurrentOne)
{
    ScratchDir dir;
    testWriteText(dir / "own.tbs", "A=own\r\n");
    load("A=current\r\n");
    uint32_t consumed = 0;
    EXPECT_EQ(copyThroughFile(dir, "A", 0, &consumed, nullptr, dir / "own.tbs"), "own");
    EXPECT_EQ(consumed, 1u);
    EXPECT_EQ(tblTestConvert("A"), "current");
    // A table that can't be loaded: nothing copied.
    testing::internal::CaptureStderr();
    EXPECT_EQ(fileCopyTblF(dir / "in.bin", dir / "out2.bin", 0, 0, 1, "wb", dir / "none.tbs", 0, nullptr), 0u);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(tblTestConvert("A"), "current");
}

TEST_F(TblTest, StreamCopyCountsItems)
{
    ScratchDir dir;
    load("AB=x\r\n");
    testWriteText(dir / "in.bin", "ABABAB");
    FilePtr fi = fileOpen(dir / "in.bin", "rb");
    FilePtr fo = fileOpen(dir / "out.bin", "wb");
    int64_t written = 0;
    EXPECT_EQ(fileCopyTbl(fi.get(), fo.get(), 2, 2, "", 0, &written), 4u);
    fo.reset();
    EXPECT_EQ(written, 2);
    EXPECT_EQ(testReadText(dir / "out.bin"), "xx");
}

TEST_F(TblTest, DataFileFormCarriesTheTailAndReportsItUnconsumed)
{
    ScratchDir dir;
    tblForm = TblForm::dfile;
    load("AB=x\r\n");
    // A pair straddles the first boundary; the lone last byte after a miss
    // is shorter than the last key and stays unconsumed.
    std::string in = "z";
    while (in.size() < tblCopyChunk + 10)
        in += "AB";
    in += "zA";
    uint32_t consumed = 0;
    const std::string out = copyThroughFile(dir, in, 0, &consumed);
    EXPECT_EQ(consumed, in.size() - 1);
    std::string expected = "z" + std::string((in.size() - 3) / 2, 'x') + "z";
    EXPECT_EQ(out, expected);
}
