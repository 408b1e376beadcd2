// dbtool end to end on DB files laid out byte by byte here (not through the
// fixture builder), so that offsets, pointers and every expected output are
// worked out from the format by hand: odd file sizes, spacing data, a last
// file shorter than its reduced end pointer allows, reserved bytes and a
// table type that differs from the chunk's.
#include "le.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Db {
    Bytes b;
    Db& u8(std::initializer_list<uint8_t> v)
    {
        b.insert(b.end(), v);
        return *this;
    }
    Db& u16(uint16_t v)
    {
        leAppend16(b, v);
        return *this;
    }
    Db& u32(uint32_t v)
    {
        leAppend32(b, v);
        return *this;
    }
    Db& text(const std::string& s)
    {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
};

Bytes textBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// Two chunks:
//   0x00 DB 02 01 02            reserved bytes 1, 2
//   0x04 entry 0: 0x05000008    table says type 5, chunk at 0x0C
//   0x08 entry 1: 0x0A000034    chunk at 0x3C
//   0x0C chunk 0: type 4, 3 files, ids 1111 2222 0033, padding; P = 0x18
//   0x18 pointers 14 15 14 22; 0x28 spacing "SSSS"
//   0x2C "AAAAA" (5), 0x31 "BBB" (3), 0x34 "CCCCCC" (6), data end 0x3A, 2 zero bytes
//   0x3C chunk 1: type 0A, 2 files, ids ABCD 0001; P = 0x44
//   0x44 pointers 0C 10 14: file 0 "DDDDDDDD" at 0x50; file 1 at 0x58, whose
//        reduced end pointer (0x14 - 8) lies below its pointer (0x10): 4 bytes
//   0x58 data end; trailing word EF BE AD DE; then "tttttt"
Bytes twoChunkDb()
{
    Db d;
    d.u8({0xDB, 2, 1, 2}).u32(0x05000008).u32(0x0A000034);
    d.u8({4, 3, 0, 0}).u16(0x1111).u16(0x2222).u16(0x0033).u8({0, 0});
    d.u32(0x14).u32(0x15).u32(0x14).u32(0x22).text("SSSS");
    d.text("AAAAA").text("BBB").text("CCCCCC").u8({0, 0});
    d.u8({0x0A, 2, 0, 0}).u16(0xABCD).u16(0x0001);
    d.u32(0x0C).u32(0x10).u32(0x14).text("DDDDDDDD");
    d.u32(0xDEADBEEF).text("tttttt");
    return d.b;
}

const std::vector<std::string> twoChunkWarnings = {
    "WARN: unexpected header data supposed values are 0, 0: 0x1, 0x2",
    "WARN: unexpected chunk type, differ from type in header(chunk 0): header 4, chunk 5",
};

struct ExactDir {
    ScratchDir dir;
    ExactDir()
    {
        testWriteFile(dir / "t.db", twoChunkDb());
        testMkdirs(dir / "out");
    }
    std::string operator/(const std::string& name) const { return dir / name; }
};

TEST(DbExactTest, ListingColumnsAndWarnings)
{
    ExactDir s;
    const RunResult r = testRun("dbtool", {"-l", s / "out", s / "t.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out,
              "chunks 2, (?data size 88)\n"
              "chunk 0, type 4, files 3, pointer base 18\n"
              "ids:1111 2222   33 \n"
              "ptr:  14   15   14   22 \n"
              "chunk 1, type A, files 2, pointer base 44\n"
              "ids:ABCD    1 \n"
              "ptr:   C   10   14 \n");
    EXPECT_EQ(testLines(r.err), twoChunkWarnings);

    // No files: empty id list, the end pointer alone. A DB that ends at its
    // data end has no trailing word and shows its size as the data size.
    Db e;
    e.u8({0xDB, 1, 0, 0}).u32(0x1B000004).u8({0x1B, 0, 0, 0}).u32(4);
    testWriteFile(s / "e.db", e.b);
    const RunResult r2 = testRun("dbtool", {"-l", s / "out", s / "e.db"});
    EXPECT_EQ(r2.exitCode, 1);
    EXPECT_EQ(r2.err, "");
    EXPECT_EQ(r2.out,
              "chunks 1, (?data size 16)\n"
              "chunk 0, type 1B, files 0, pointer base C\n"
              "ids:\n"
              "ptr:   4 \n");
}

TEST(DbExactTest, ExtractionNamesAndLengths)
{
    ExactDir s;
    RunResult r = testRun("dbtool", {"-e", s / "out", s / "t.db"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(testLines(r.err), twoChunkWarnings);
    EXPECT_EQ(testListDir(s / "out"), (std::vector<std::string>{"04", "0A"}));
    EXPECT_EQ(testListDir(s / "out/04"),
              (std::vector<std::string>{"00_00_1111.04", "00_01_2222.04", "00_02_0033.04"}));
    EXPECT_EQ(testReadFile(s / "out/04/00_00_1111.04"), textBytes("AAAAA"));
    EXPECT_EQ(testReadFile(s / "out/04/00_01_2222.04"), textBytes("BBB"));
    EXPECT_EQ(testReadFile(s / "out/04/00_02_0033.04"), textBytes("CCCCCC"));
    EXPECT_EQ(testReadFile(s / "out/0A/01_00_ABCD.0a"), textBytes("DDDDDDDD"));
    EXPECT_EQ(testReadFile(s / "out/0A/01_01_0001.0a"), (Bytes{0xEF, 0xBE, 0xAD, 0xDE}));

    // Short names are two lower-case hex digits each, after the addname.
    testMkdirs(s / "flat");
    r = testRun("dbtool", {"-e", "-D", "-s", "-N", s / "flat", s / "t.db", "Pre"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(testListDir(s / "flat"), (std::vector<std::string>{"Pre0000.tim", "Pre0001.tim",
                                                                 "Pre0002.tim", "Pre0100.0a",
                                                                 "Pre0101.0a"}));

    // -x: the DB's name without directory and last extension, and "_".
    testMkdirs(s / "sub");
    testWriteFile(s / "sub/SCENE.X.DB", twoChunkDb());
    testMkdirs(s / "x");
    r = testRun("dbtool", {"-e", "-x", "-n", s / "x", s / "sub/SCENE.X.DB", "ignored"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(testListDir(s / "x"),
              (std::vector<std::string>{"SCENE.X_00_00_1111.04", "SCENE.X_00_01_2222.04",
                                        "SCENE.X_00_02_0033.04", "SCENE.X_01_00_ABCD.0a",
                                        "SCENE.X_01_01_0001.0a"}));
    testWriteFile(s / "sub/NODOT", twoChunkDb());
    testMkdirs(s / "y");
    r = testRun("dbtool", {"-e", "-x", "-s", s / "y/", s / "sub/NODOT"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(testListDir(s / "y/04"),
              (std::vector<std::string>{"NODOT_0000.04", "NODOT_0001.04", "NODOT_0002.04"}));
}

TEST(DbExactTest, FileFoundAtItsSelfRelativePointer)
{
    // One chunk of two files whose pointer base is 0x100; pointers 0x10,
    // 0x20 and end pointer 0x38: file 0 at 0x110, 0x14 bytes; file 1 at
    // 0x124, 0x14 bytes. The chunk lies far from the table.
    ScratchDir dir;
    Bytes b(0x138, 0);
    b[0] = 0xDB;
    b[1] = 1;
    ASSERT_TRUE(lePut32(b, 4, 0x060000F4));
    b[0xF8] = 6;
    b[0xF9] = 2;
    ASSERT_TRUE(lePut16(b, 0xFC, 0x0601));
    ASSERT_TRUE(lePut16(b, 0xFE, 0x0602));
    ASSERT_TRUE(lePut32(b, 0x100, 0x10));
    ASSERT_TRUE(lePut32(b, 0x104, 0x20));
    ASSERT_TRUE(lePut32(b, 0x108, 0x38));
    for (size_t k = 0x10C; k < b.size(); ++k)
        b[k] = static_cast<uint8_t>(k);
    testWriteFile(dir / "d.db", b);
    testMkdirs(dir / "o");
    RunResult r = testRun("dbtool", {"-e", "-d", dir / "o", dir / "d.db"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(dir / "o/06/00_00_0601.dlg"), Bytes(b.begin() + 0x110, b.begin() + 0x124));
    EXPECT_EQ(testReadFile(dir / "o/06/00_01_0602.dlg"), Bytes(b.begin() + 0x124, b.begin() + 0x138));

    // Recreated, the chunk moves up behind the table (entry 4, P = 0x10)
    // and keeps its 4 bytes of spacing data; the table is renumbered.
    r = testRun("dbtool", {"-r", "-d", dir / "o", dir / "d.db", dir / "n.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: first chunk does not follow the chunk pointer table(pointer F4, "
                     "expected 4), recreated DB puts it there\n");
    Db want;
    want.u8({0xDB, 1, 0, 0}).u32(0x06000004).u8({6, 2, 0, 0}).u16(0x0601).u16(0x0602);
    want.u32(0x10).u32(0x20).u32(0x38);
    want.b.insert(want.b.end(), b.begin() + 0x10C, b.end());
    EXPECT_EQ(testReadFile(dir / "n.db"), want.b);
}

// The output of recreating twoChunkDb from a DIR without files: the table
// gets the chunk's own type (4), chunk 0's data end 0x22 is aligned to 0x24,
// the old bytes of the last file (the word) come back, then the trailing
// word; the bytes after it are dropped.
Bytes twoChunkRecreated()
{
    Db d;
    d.u8({0xDB, 2, 1, 2}).u32(0x04000008).u32(0x0A000034);
    d.u8({4, 3, 0, 0}).u16(0x1111).u16(0x2222).u16(0x0033).u8({0, 0});
    d.u32(0x14).u32(0x15).u32(0x14).u32(0x24).text("SSSS");
    d.text("AAAAA").text("BBB").text("CCCCCC").u8({0, 0});
    d.u8({0x0A, 2, 0, 0}).u16(0xABCD).u16(0x0001);
    d.u32(0x0C).u32(0x10).u32(0x18).text("DDDDDDDD");
    d.u32(0xDEADBEEF).u32(0xDEADBEEF);
    return d.b;
}

TEST(DbExactTest, RecreationFromMissingFilesAndAlignment)
{
    ExactDir s;
    RunResult r = testRun("dbtool", {"-r", s / "out", s / "t.db", s / "r.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.err), twoChunkWarnings);
    const Bytes rebuilt = twoChunkRecreated();
    EXPECT_EQ(testReadFile(s / "r.db"), rebuilt);

    // -a: 2 bytes short; they come from after the trailing word (0x5C).
    r = testRun("dbtool", {"-r", "-a", s / "out", s / "t.db", s / "a.db"});
    EXPECT_EQ(r.exitCode, 1);
    Bytes aligned = rebuilt;
    aligned.push_back('t');
    aligned.push_back('t');
    EXPECT_EQ(testReadFile(s / "a.db"), aligned);
    EXPECT_EQ(testReadFile(s / "t.db"), twoChunkDb());
}

TEST(DbExactTest, RecreationMovesPointersByPaddedLengths)
{
    ExactDir s;
    testMkdirs(s / "out/04");
    testMkdirs(s / "out/0A");
    testWriteFile(s / "out/04/00_01_2222.04", textBytes("XXXXXXXXXX"));  // 3 -> 10 (+2)
    testWriteFile(s / "out/0A/01_00_ABCD.0a", {});                      // 8 -> 0
    const RunResult r = testRun("dbtool", {"-r", s / "out", s / "t.db", s / "r.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.err), twoChunkWarnings);
    // Chunk 0: 0x14, 0x15, then 0x15 + 12 - 4 = 0x1D, end 0x1D + 6 - 4 + 12
    // = 0x2B aligned to 0x2C; its size 12 + 0x2C = 56, so entry 1 is 8 + 56
    // - 4 = 0x3C. Chunk 1: the empty file keeps pointer 0x0C, the next one
    // gets 0x0C - 4 = 8 and the end pointer 8 + 4 - 4 + 8 = 0x10.
    Db d;
    d.u8({0xDB, 2, 1, 2}).u32(0x04000008).u32(0x0A00003C);
    d.u8({4, 3, 0, 0}).u16(0x1111).u16(0x2222).u16(0x0033).u8({0, 0});
    d.u32(0x14).u32(0x15).u32(0x1D).u32(0x2C).text("SSSS");
    d.text("AAAAA").text("XXXXXXXXXX").u8({0, 0}).text("CCCCCC").u8({0});
    d.u8({0x0A, 2, 0, 0}).u16(0xABCD).u16(0x0001);
    d.u32(0x0C).u32(0x08).u32(0x10);
    d.u32(0xDEADBEEF).u32(0xDEADBEEF);
    EXPECT_EQ(testReadFile(s / "r.db"), d.b);
}

TEST(DbExactTest, ImportFillsShorterFilesAndRefusesLongerOnes)
{
    // One chunk with a 16-byte and an 8-byte file.
    ScratchDir dir;
    Db d;
    d.u8({0xDB, 1, 0, 0}).u32(0x0A000004).u8({0x0A, 2, 0, 0}).u16(1).u16(2);
    d.u32(0x0C).u32(0x18).u32(0x24);
    const size_t file0 = d.b.size();
    d.text("0123456789abcdef").text("ghijklmn");
    testWriteFile(dir / "i.db", d.b);
    testMkdirs(dir / "in");
    testWriteFile(dir / "in/00_00_0001.0a", textBytes("QQQQQQQQQQ"));
    testWriteFile(dir / "in/00_01_0002.0a", textBytes("123456789"));
    RunResult r = testRun("dbtool", {"-i", "-n", dir / "in", dir / "i.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: file " + (dir / "in/00_01_0002.0a") +
                         " was not imported, becouse is bigger than original: ofile 8 ifile 9\n");
    Bytes want = d.b;
    const std::string q = "QQQQQQQQQQ";
    std::copy(q.begin(), q.end(), want.begin() + static_cast<long>(file0));
    std::fill(want.begin() + static_cast<long>(file0 + 10), want.begin() + static_cast<long>(file0 + 16), 0);
    EXPECT_EQ(testReadFile(dir / "i.db"), want);

    // An empty file counts as missing; into another output the input stays.
    testWriteFile(dir / "in/00_00_0001.0a", {});
    testWriteFile(dir / "in/00_01_0002.0a", textBytes("zz"));
    r = testRun("dbtool", {"-i", "-n", dir / "in", dir / "i.db", dir / "o.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    Bytes out = want;
    out[file0 + 16] = 'z';
    out[file0 + 17] = 'z';
    std::fill(out.begin() + static_cast<long>(file0 + 18), out.end(), 0);
    EXPECT_EQ(testReadFile(dir / "o.db"), out);
    EXPECT_EQ(testReadFile(dir / "i.db"), want);
}

TEST(DbExactTest, ZeroTrailingWordIsNotKeptButAlignmentCopiesIt)
{
    ScratchDir dir;
    Db d;
    d.u8({0xDB, 1, 0, 0}).u32(0x04000004).u8({4, 1, 0, 0}).u16(7).u8({0, 0});
    d.u32(0x08).u32(0x0C).text("abcd").u32(0).text("tail");
    testWriteFile(dir / "z.db", d.b);
    testMkdirs(dir / "in");
    RunResult r = testRun("dbtool", {"-r", dir / "in", dir / "z.db", dir / "r.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(dir / "r.db"), Bytes(d.b.begin(), d.b.end() - 8));
    r = testRun("dbtool", {"-r", "-a", dir / "in", dir / "z.db", dir / "a.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(dir / "a.db"), d.b);
}

TEST(DbExactTest, FilesPastTheEndAreShortCopiesButEmptyOnesAreWritten)
{
    // Chunk of 3: file 0 at 0x24 runs up to file 1 far past the end; file 1
    // is empty (its successor's pointer is 4 lower) but lies there too; file
    // 2, the last, would be 4 bytes from there.
    ScratchDir dir;
    Db d;
    d.u8({0xDB, 1, 0, 0}).u32(0x04000004).u8({4, 3, 0, 0}).u16(1).u16(2).u16(3).u8({0, 0});
    d.u32(0x10).u32(0x1000).u32(0x0FFC).u32(0x14).text("abcd");
    testWriteFile(dir / "p.db", d.b);
    testMkdirs(dir / "o");
    RunResult r = testRun("dbtool", {"-e", "-n", dir / "o", dir / "p.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.err),
              (std::vector<std::string>{
                  "ERROR: error during writing to file " + (dir / "o/00_00_0001.04"),
                  "ERROR: error during extracting file 0 type 0 from chunk 1",
                  "ERROR: error during writing to file " + (dir / "o/00_02_0003.04"),
                  "ERROR: error during extracting file 2 type 0 from chunk 3",
              }));
    EXPECT_EQ(testListDir(dir / "o"), (std::vector<std::string>{"00_01_0002.04"}));
    EXPECT_EQ(testReadFile(dir / "o/00_01_0002.04"), Bytes{});
}

TEST(DbExactTest, FileCountsAbove255ReportAs255)
{
    // Two chunks of 150 files each: 149 empty ones (every pointer 4 below
    // the one before) and a last one of 4 bytes.
    ScratchDir dir;
    Db d;
    d.u8({0xDB, 2, 0, 0});
    const uint32_t chunkSize = 4 + 2 * 150 + 4 * 151 + 4;
    d.u32(0x06000008).u32(0x06000000 | (4 + chunkSize));
    for (int c = 0; c < 2; ++c) {
        d.u8({6, 150, 0, 0});
        for (uint16_t j = 0; j < 150; ++j)
            d.u16(j);
        for (uint32_t j = 0; j < 150; ++j)
            d.u32(4 * 151 - 4 * j);
        d.u32(4 * 151 + 4).text("LAST");
    }
    testWriteFile(dir / "m.db", d.b);
    testMkdirs(dir / "o");
    const RunResult r = testRun("dbtool", {"-e", "-s", dir / "o", dir / "m.db"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(testListDir(dir / "o/06").size(), 300u);
    EXPECT_EQ(testReadFile(dir / "o/06/0194.06"), Bytes{});
    EXPECT_EQ(testReadFile(dir / "o/06/0195.06"), textBytes("LAST"));
}

}  // namespace
