#include "memutils.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>
#include <vector>

namespace {

MemBlock bytes(std::string_view s)
{
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(MemmemTest, FindsPatternEndingAtLastByteOnly)
{
    const MemBlock d = bytes("xyab");
    EXPECT_EQ(memmem(d, bytes("ab")), d.data() + 2);
    // Only the first byte of the pattern at the block's end: no match, no read past it.
    EXPECT_EQ(memmem(bytes("xyza"), bytes("ab")), nullptr);
    EXPECT_EQ(memmem(d, bytes("")), nullptr);
    EXPECT_EQ(memmem(bytes(""), bytes("a")), nullptr);
    EXPECT_EQ(memmem(bytes("a"), bytes("ab")), nullptr);
}

TEST(MemmemTest, SkipsPartialMatchesAndZeroBytes)
{
    const std::string_view s("a\0aab\0c", 7);
    const MemBlock d = bytes(s);
    EXPECT_EQ(memmem(d, bytes("ab")), d.data() + 3);
    EXPECT_EQ(memmem(d, bytes(std::string_view("b\0c", 3))), d.data() + 4);
}

TEST(MemposTest, LastOfBackToBackRepetitions)
{
    const MemBlock d = bytes("xababab!");
    EXPECT_EQ(memposInt(d, bytes("ab")), 5u);
    EXPECT_EQ(memposInt(d, bytes("zz")), d.size());
    // A one-byte run starting at 1 that fills the block to its end.
    const MemBlock run = bytes("xaaaa");
    EXPECT_EQ(mempos(run, bytes("a")), run.data() + 4);
    // A later copy after a gap is not part of the run.
    EXPECT_EQ(memposInt(bytes("abxab"), bytes("ab")), 0u);
}

TEST(MemcmprTest, FirstDifference)
{
    EXPECT_EQ(memcmprInt(bytes("abcdefgh"), bytes("abcdefgh")), 8u);
    EXPECT_EQ(memcmpr(bytes("abcdefgh"), bytes("abcdefgh")), nullptr);
    const MemBlock a = bytes("abcXefgh");
    EXPECT_EQ(memcmprInt(a, bytes("abcdefgh")), 3u);
    EXPECT_EQ(memcmpr(a, bytes("abcdefgh")), a.data() + 3);
    EXPECT_EQ(memcmprInt(bytes(""), bytes("")), 0u);
}

TEST(MemsameTest, FirstCommonBlock)
{
    const MemBlock a = bytes("Xbcdef");
    const MemBlock b = bytes("abcdYf");  // differs at 0 and 4
    EXPECT_EQ(memsameInt(a, b, 2), 1u);
    EXPECT_EQ(memsameInt(a, b, 3), 1u);
    EXPECT_EQ(memsameInt(a, b, 4), 6u);
    EXPECT_EQ(memsame(a, b, 4), nullptr);
    EXPECT_EQ(memsame(a, b, 2), a.data() + 1);
    // A common block at the very end is found.
    EXPECT_EQ(memsameInt(bytes("XYcd"), bytes("abcd"), 2), 2u);
}

TEST(MemnrchrTest, TrailingRun)
{
    const std::array<uint8_t, 6> mixed{1, 2, 3, 0, 0, 0};
    EXPECT_EQ(memnrchr(mixed, 0), 3u);
    const std::array<uint8_t, 6> zeros{};
    EXPECT_EQ(memnrchr(zeros, 0), 0u);
    EXPECT_EQ(memnrchr(MemBlock{}, 0), 0u);
    const std::array<uint8_t, 3> high{0xFF, 1, 0xFF};
    EXPECT_EQ(memnrchr(high, 0xFF), 2u);  // c is taken as an unsigned byte
    EXPECT_EQ(memnrchr(mixed, 7), 6u);
    // Runs longer than a word, with the differing byte at each place of one.
    for (size_t at = 0; at < 40; ++at) {
        std::vector<uint8_t> run(41, 0xFF);
        run[at] = 0xFE;
        EXPECT_EQ(memnrchr(run, 0xFF), at + 1) << at;
    }
    EXPECT_EQ(memnrchr(std::vector<uint8_t>(41, 0xFF), 0xFF), 0u);
}

TEST(MemMallocTest, ReportsFailure)
{
    std::vector<uint8_t> block;
    ASSERT_TRUE(memMalloc(block, 100));
    EXPECT_EQ(block.size(), 100u);
    testing::internal::CaptureStderr();
    const bool ok = memMalloc(block, static_cast<size_t>(-1) - 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ok);
    EXPECT_EQ(err.rfind("ERROR: cannot alloc ", 0), 0u) << err;
}

}  // namespace
