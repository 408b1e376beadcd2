// Import into an existing data file: replaced records, the bytes kept before
// and between the elements, growing and shrinking elements, a separate
// header file, a range, a table, and the refusals.
#include <gtest/gtest.h>

#include "dfiletool/fixtures.h"
#include "support/testsupport.h"

namespace {

struct DfileImport : ::testing::Test {
    ScratchDir dir;
    RunResult run(const std::vector<std::string>& args)
    {
        RunResult r = testRun("dfiletool", args, dir.path);
        EXPECT_EQ(r.exitCode, 0);
        return r;
    }
    void write(const std::string& name, const std::string& s) { testWriteText(dir / name, s); }
    void write(const std::string& name, const DfileBytes& b) { testWriteFile(dir / name, b); }
    DfileBytes bytes(const std::string& name) { return testReadFile(dir / name); }
};

uint32_t le32At(const DfileBytes& d, size_t at)
{
    return uint32_t{d[at]} | uint32_t{d[at + 1]} << 8 | uint32_t{d[at + 2]} << 16 |
           uint32_t{d[at + 3]} << 24;
}

DfileBytes patterned(size_t size)
{
    DfileBytes d(size);
    for (size_t i = 0; i < size; ++i)
        d[i] = static_cast<uint8_t>(i * 7);
    return d;
}

}  // namespace

TEST_F(DfileImport, PiecesReplacePositionOnlyRecords)
{
    DfileBytes old = patterned(0xB00);
    for (size_t k = 0; k < 3; ++k) {
        DfileBytes rec;
        dfileFixtureLe(rec, 0x800 + 0x100 * k, 4);
        std::copy(rec.begin(), rec.end(), old.begin() + static_cast<long>(4 * k));
    }
    write("old.bin", old);
    write("p.000", std::string(0x100, 'a'));
    write("p.001", std::string(0x180, 'b'));
    write("p.002", std::string(0x100, 'c'));
    const RunResult r = run({"-i", "old.bin", "-f", "-hc", "3", "4", "p", "new.bin"});
    EXPECT_EQ(r.err, "");
    const DfileBytes out = bytes("new.bin");
    ASSERT_EQ(out.size(), 0xB80u);
    EXPECT_EQ(le32At(out, 0), 0x800u);
    EXPECT_EQ(le32At(out, 4), 0x900u);
    EXPECT_EQ(le32At(out, 8), 0xA80u);
    EXPECT_TRUE(std::equal(out.begin() + 12, out.begin() + 0x800, old.begin() + 12));
    EXPECT_EQ(out[0x800], 'a');
    EXPECT_EQ(out[0x900], 'b');
    EXPECT_EQ(out[0xA80], 'c');
    EXPECT_EQ(bytes("old.bin"), old);
}

TEST_F(DfileImport, TrailingGapsKeptOrLeftOut)
{
    DfileBytes old = patterned(0xA00);
    DfileBytes hdr;
    for (uint32_t v : {0x800u, 0xF0u, 0x900u, 0x100u})
        dfileFixtureLe(hdr, v, 4);
    std::copy(hdr.begin(), hdr.end(), old.begin());
    write("old.bin", old);
    write("new.txt", dfileFixtureDFile({std::string(0xF0, 'x'), std::string(0x100, 'y')}));

    run({"-i", "old.bin", "-hc", "2", "-max", "0xA00", "440", "new.txt", "gaps.bin"});
    DfileBytes out = bytes("gaps.bin");
    ASSERT_EQ(out.size(), 0xA00u);
    EXPECT_EQ(le32At(out, 8), 0x900u);
    EXPECT_TRUE(std::equal(out.begin() + 0x8F0, out.begin() + 0x900, old.begin() + 0x8F0));
    EXPECT_EQ(out[0x900], 'y');

    run({"-i", "old.bin", "-ind", "-hc", "2", "-max", "0xA00", "440", "new.txt", "nogaps.bin"});
    out = bytes("nogaps.bin");
    ASSERT_EQ(out.size(), 0x9F0u);
    EXPECT_EQ(le32At(out, 8), 0x8F0u);
    EXPECT_EQ(out[0x8F0], 'y');

    // Without "-max" the range ends at the DFile's own size: nothing to replace.
    const RunResult r = run({"-i", "old.bin", "-hc", "2", "440", "new.txt", "none.bin"});
    EXPECT_EQ(r.err, "Error: 2 new elements, but only 0 records from the first replaced one\n");
    EXPECT_FALSE(testExists(dir / "none.bin"));
}

TEST_F(DfileImport, ElementsGrowAndShrink)
{
    write("old.bin", dfileFixtureData({"AAAA", "BB", "CCCCCC"}));
    write("new.txt", dfileFixtureDFile({"a", "bbbbbbb", "CCCCCC"}));
    run({"-i", "old.bin", "-max", "0x100", "4440", "new.txt", "all.bin"});
    EXPECT_EQ(bytes("all.bin"), dfileFixtureData({"a", "bbbbbbb", "CCCCCC"}));

    // One new element into three: everything behind its old data follows it,
    // only its record changes.
    write("one.txt", dfileFixtureDFile({"xyz"}));
    run({"-i", "old.bin", "-max", "0x100", "4440", "one.txt", "one.bin"});
    DfileBytes want = dfileFixtureData({"AAAA", "BB", "CCCCCC"});
    want[8] = 3;
    want.erase(want.begin() + 28, want.begin() + 32);
    want.insert(want.begin() + 28, {'x', 'y', 'z'});
    EXPECT_EQ(bytes("one.bin"), want);

    // From the second element on: the first comes from the old file.
    write("two.txt", dfileFixtureDFile({"bbbbb", "cc"}));
    run({"-i", "old.bin", "-min", "32", "-max", "0x100", "4440", "two.txt", "two.bin"});
    EXPECT_EQ(bytes("two.bin"), dfileFixtureData({"AAAA", "bbbbb", "cc"}));

    const RunResult r = run({"-i", "old.bin", "-max", "0x100", "4440", "new.txt", "old.bin"});
    EXPECT_EQ(r.err, "Error: output old.bin is the same file as input old.bin, not written\n");
    EXPECT_EQ(bytes("old.bin"), dfileFixtureData({"AAAA", "BB", "CCCCCC"}));
}

TEST_F(DfileImport, SeparateHeaderFileAndTable)
{
    // The data file starts with 16 bytes that no record covers.
    DfileBytes data = dfileFixtureText("0123456789abcdefAAAABB");
    write("data.bin", data);
    DfileBytes hdr;
    dfileFixtureLe(hdr, 2, 4);
    for (uint32_t v : {16u, 4u, 20u, 2u})
        dfileFixtureLe(hdr, v, 4);
    write("h.bin", hdr);
    write("t.tbs", "\\x01=one\r\n\\x02=two\r\n\\x41=A\r\n\\x42=B\r\n");
    write("new.txt", dfileFixtureDFile({"oneA", "twotwoB"}));
    const RunResult r = run({"-i", "data.bin", "-h", "h.bin", "-t", "t.tbs", "-max", "0x100", "4440",
                             "new.txt", "out.bin", "out.hdr"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(bytes("out.bin"), dfileFixtureText("0123456789abcdef\x01" "A\x02\x02" "B"));
    DfileBytes want;
    dfileFixtureLe(want, 2, 4);
    for (uint32_t v : {16u, 2u, 18u, 3u})
        dfileFixtureLe(want, v, 4);
    EXPECT_EQ(bytes("out.hdr"), want);
    EXPECT_EQ(bytes("h.bin"), hdr);
}

TEST_F(DfileImport, DroppedDuplicatesKeepTheirPlaceInTheHeader)
{
    DfileBytes old;
    dfileFixtureLe(old, 3, 4);
    for (uint32_t v : {28u, 4u, 28u, 4u, 32u, 2u})
        dfileFixtureLe(old, v, 4);
    for (char c : std::string("AAAABB"))
        old.push_back(static_cast<uint8_t>(c));
    write("old.bin", old);
    write("new.txt", dfileFixtureDFile({"aa", "bbb"}));
    run({"-i", "old.bin", "-rd", "-max", "0x100", "4440", "new.txt", "out.bin"});
    DfileBytes want;
    dfileFixtureLe(want, 3, 4);
    for (uint32_t v : {28u, 2u, 28u, 4u, 30u, 3u})
        dfileFixtureLe(want, v, 4);
    for (char c : std::string("aabbb"))
        want.push_back(static_cast<uint8_t>(c));
    EXPECT_EQ(bytes("out.bin"), want);
}
