// Tables exercised through the byte-range copy tool, as a user runs them:
// every expected output below was worked out by hand from the table rules.
#include "tbl_helpers.h"

#include <initializer_list>

namespace {

// A table text from raw lines (escapes written as they stand in the file),
// each ended with CR LF.
std::string tableOf(std::initializer_list<std::string> lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "\r\n";
    return s;
}

struct Conversion {
    std::string out;
    std::string err;
};

// Converts `in` with `bincopy -t` (or `-tr`) through the table text.
Conversion convertWith(const std::string& table, const std::string& in, bool reverse = false)
{
    ScratchDir dir;
    testWriteText(dir / "t.tbs", table);
    testWriteText(dir / "in.bin", in);
    const RunResult r = testRun("bincopy", {reverse ? "-tr" : "-t", dir / "t.tbs", dir / "in.bin",
                                            dir / "out.bin"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    return {testExists(dir / "out.bin") ? testReadText(dir / "out.bin") : "<no output>", r.err};
}

std::string forward(const std::string& table, const std::string& in)
{
    return convertWith(table, in).out;
}

std::string backward(const std::string& table, const std::string& in)
{
    return convertWith(table, in, true).out;
}

}  // namespace

TEST(TblThroughBincopy, SeparatorsAndUnescaping)
{
    const std::string table = tableOf({
        R"(A\=B=C)",         // escaped "=" is part of the key "A=B"
        R"(D\\=E)",          // two escapes: the "=" counts, key "D\"
        R"(\\\==F)",         // three escapes: key "\="
        "G=one\\\r\ntwo",    // escaped line end stays in the value
        R"(H=h\\)",          // escaped escape before the line end: line ends
        R"(K\xZ\x41=k)",     // "\xZ" kept, scanning resumes at "\x41": key "K\xZA"
        R"(\x4a\x4B=jk)",    // hexadecimal escapes in either case
        R"(M=\q)",           // any other escape is kept
        R"(N=\c01)",         // a copy char in a value alone is text
        "no assign string here",
    });
    EXPECT_EQ(forward(table, R"(A=BD\\=GHK\xZAJKMN!)"), "CEFone\r\ntwoh\\kjk\\q\\c01!");
    EXPECT_EQ(backward(table, "jkCone\r\ntwoh\\E"), "JKA=BGHD\\");
}

TEST(TblThroughBincopy, DirectiveIsComparedOverItsNameExactly)
{
    EXPECT_EQ(forward(tableOf({"=skipmodeXYZ", "A=a"}), "xAy"), "a");
    EXPECT_EQ(forward("A=a\r\n=skipmode", "xAy"), "a");  // anywhere, also unterminated
    EXPECT_EQ(forward(tableOf({"=SKIPMODE", "A=a"}), "xAy"), "xay");
    EXPECT_EQ(forward(tableOf({"=skipmod", "A=a"}), "xAy"), "xay");
    EXPECT_EQ(forward(tableOf({"\\=skipmode", "A=a"}), "xAy"), "xay");  // an entry, not a directive
}

TEST(TblThroughBincopy, CopyCharKindsBothWays)
{
    const std::string table = tableOf({R"(\xF9\x06\c01=[COL\h01])", R"(\x20=A)"});
    EXPECT_EQ(forward(table, "\xF9\x06\x0A\x20\xF9\x06\xE3"), "[COL0A]A[COLE3]");
    EXPECT_EQ(backward(table, "[COL0a]A[COLE3]"), "\xF9\x06\x0A\x20\xF9\x06\xE3");
    // Only the leading hexadecimal digits of a pair count: no sign, no
    // blank, no base prefix.
    EXPECT_EQ(backward(table, "[COL4G][COLG4][COL 4][COL-1][COL+f]"),
              std::string("\xF9\x06\x04\xF9\x06\x00\xF9\x06\x00\xF9\x06\x00\xF9\x06\x00", 15));
    // Raw to hexadecimal text is upper case, two characters a byte.
    EXPECT_EQ(forward(tableOf({R"(\c02=<\h02>)"}), std::string("\x00\xFF", 2)), "<00FF>");
    // Hexadecimal run (2 x N characters) kept as text, with a suffix.
    EXPECT_EQ(forward(tableOf({R"(<\h02>=\h02)"}), "<beef>"), "beef");
    EXPECT_EQ(backward(tableOf({R"(<\h02>=\h02)"}), "beef"), "<beef>");
    // Hexadecimal run at position 0 read back into bytes.
    EXPECT_EQ(forward(tableOf({R"(\h02=[\c02])"}), "4142"), "[AB]");
    EXPECT_EQ(forward(tableOf({R"(\h02=[\c02])"}), "41"), "41");  // too short for the run
    // The run length is the key's count, whatever the value's count says.
    EXPECT_EQ(forward(tableOf({R"(R\c02=<\c05>)"}), "RxyZ"), "<xy>Z");
    // Raw to raw with a suffix after the run and text after the value's
    // copy char.
    const std::string name = tableOf({R"(\xF9\x07\c02\xFF=<N\c02>!)"});
    EXPECT_EQ(forward(name, "\xF9\x07" "AB\xFF"), "<NAB>!");
    EXPECT_EQ(backward(name, "<NAB>!"), "\xF9\x07" "AB\xFF");
    // A value without a copy char drops the run.
    EXPECT_EQ(forward(tableOf({R"(X\c02Y=drop)"}), "X12Y"), "drop");
}

TEST(TblThroughBincopy, OnlyTheFirstEscapeIsExaminedForCopyChars)
{
    // The key's first escape is no copy char: the whole key is plain text.
    EXPECT_EQ(forward(tableOf({R"(\cG1\c01=p)"}), R"(\cG1\c01)"), "p");
    // An escaped escape becomes one after unescaping, and then starts a copy char.
    EXPECT_EQ(forward(tableOf({R"(\\c01=<\h01>)"}), "Z"), "<5A>");
    // The first escape in the value is no copy char: the value is text and
    // the run is dropped.
    EXPECT_EQ(forward(tableOf({R"(V\c01=<\q\h01>)"}), "VZ"), "<\\q\\h01>");
    // After the key's copy char the next escape is no copy char, so a later
    // one is part of the suffix and the line stays.
    const Conversion c = convertWith(tableOf({R"(A\c01\q\c02=<\h01>)"}), "AZ\\q\\c02");
    EXPECT_EQ(c.out, "<5A>");
    EXPECT_EQ(c.err, "");
}

TEST(TblThroughBincopy, SecondCopyCharDropsOnlyItsLine)
{
    const Conversion c = convertWith(tableOf({R"(A\c01\c02=x)", R"(B\c01=<\h01>\c01)", "C=c"}),
                                     "AZZZBQCC");
    EXPECT_EQ(c.err, std::string(tblMsgTwoCopyChars) + tblMsgTwoCopyChars);
    EXPECT_EQ(c.out, "AZZZBQcc");
}

TEST(TblThroughBincopy, EqualSortKeysKeepFileOrder)
{
    // "A" and "A\c01" both rank by one fixed byte; the one written first wins.
    EXPECT_EQ(forward(tableOf({"A=a", R"(A\c01=<\h01>)", "AB=ab"}), "ABAZ"), "abaZ");
    EXPECT_EQ(forward(tableOf({R"(A\c01=<\h01>)", "A=a", "AB=ab"}), "ABAZ"), "ab<5A>");
    // A copy char is tried only while input is left after its fixed bytes.
    EXPECT_EQ(forward(tableOf({R"(A\c01=<\h01>)", "A=a", "AB=ab"}), "ABA"), "aba");
    // The same with a plain key that ends where the copy char stands.
    EXPECT_EQ(forward(tableOf({R"(AB\c01=<\h01>)", "AB=ab"}), "ABCAB"), "<43>ab");
    EXPECT_EQ(forward(tableOf({"AB=ab", R"(AB\c01=<\h01>)"}), "ABCAB"), "abCab");
    // Reverse: two keys with one value go back to the first line.
    EXPECT_EQ(backward(tableOf({R"(\x41=x)", R"(\x42=x)"}), "xx"), "AA");
}

TEST(TblThroughBincopy, CopyCharsWithoutFixedBytes)
{
    // Sorted "AQ", "A", "\c01Q"; the copy char key needs no fixed byte.
    const std::string table = tableOf({R"(\c01Q=<\h01>)", "A=a", "AQ=aq"});
    EXPECT_EQ(forward(table, "AQBQA"), "aq<42>a");
    // After the miss on "z" the rest "zAQ" is shorter than the last sorted
    // key (five bytes as stored) but holds whole shorter keys: conversion
    // goes on.
    EXPECT_EQ(forward(table, "zzAQ"), "zzaq");
    // Fixed bytes only after an empty run.
    EXPECT_EQ(forward(tableOf({R"(\c00AB=<>)"}), "xABxxxxx"), "x<>xxxxx");
    // A key that spans no input never matches (it would never move on).
    EXPECT_EQ(forward(tableOf({R"(\c00=e)", "B=b"}), "xBx"), "xbx");
}

TEST(TblThroughBincopy, TailAfterAMiss)
{
    // Plain keys: a rest shorter than the shortest key can hold no key.
    const std::string plain = tableOf({"AB=x", "CD=y"});
    EXPECT_EQ(forward(plain, "ABzCD"), "xzy");
    EXPECT_EQ(forward(plain, "ABzC"), "xzC");
    // The only key spans two input bytes but is five long as stored: after
    // a miss a rest of three passes as it is.
    const std::string copy = tableOf({R"(\c01Q=<\h01>)"});
    EXPECT_EQ(forward(copy, "ZZZQ"), "ZZZQ");
    EXPECT_EQ(forward(copy, "ZZQxxx"), "Z<5A>xxx");
    // In skip mode the same rest is dropped.
    const std::string skip = tableOf({"=skipmode", R"(\c01Q=<\h01>)"});
    EXPECT_EQ(forward(skip, "ZZZQ"), "");
    EXPECT_EQ(forward(skip, "ZZQxxx"), "<5A>");
}

TEST(TblThroughBincopy, SkipModeDropsUnmatchedBytesBothWays)
{
    const std::string table = tableOf({"=skipmode", R"(\x01=a)", R"(\xF9\c01=<\h01>)"});
    EXPECT_EQ(forward(table, "x\x01x\xF9Zyyy"), "a<5A>");
    EXPECT_EQ(backward(table, "?a<5A>??a"), "\x01\xF9Z\x01");
}

TEST(TblThroughBincopy, KeysAcrossTheChunksOfALargeFile)
{
    // Two-byte keys laid across the first 256 KiB boundary at both offsets,
    // and a copy char key whose run straddles it.
    const std::string table = tableOf({R"(\x81\x40=_)", R"(\xF9\c03=[\h03])"});
    std::string in(tblCopyChunk - 1, 'a');
    in += "\x81\x40" "b\xF9" "123";
    std::string expected(tblCopyChunk - 1, 'a');
    expected += "_b[313233]";
    EXPECT_EQ(forward(table, in), expected);
    in = std::string(tblCopyChunk - 2, 'a') + "\xF9" "123\x81\x40";
    EXPECT_EQ(forward(table, in), std::string(tblCopyChunk - 2, 'a') + "[313233]_");
}
