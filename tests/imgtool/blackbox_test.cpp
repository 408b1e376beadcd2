// End-to-end checks of imgtool against hand-built archives: names, bytes,
// messages and exit codes as a user of the command line sees them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace {

constexpr size_t kSector = 2048;

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, size_t at, uint32_t v)
{
    if (b.size() < at + 4) b.resize(at + 4, 0);
    for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(v >> (8 * k));
}

void put16(Bytes& b, size_t at, uint16_t v)
{
    if (b.size() < at + 2) b.resize(at + 2, 0);
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

Bytes sectorOf(uint8_t fill, size_t count = 1) { return Bytes(count * kSector, fill); }

// Archive of three sectors of header area:
//   dir 0: type 2, ids 0x12 (flags 0) and 0x34 (flags 1), one sector each (sectors 3, 4)
//   dir 1: type 3, files 4, base 5, table 0, FFFF, FFFF, 1, 3 (sectors 5 and 6-7)
//   dir 2: type 4, header length 3
// File data: sector 3 = 0xA1, 4 = 0xA2, 5 = 0xB1, 6-7 = 0xB2.
Bytes sampleArchive(uint32_t unknown1 = 6)
{
    Bytes b(3 * kSector, 0);
    b[0] = 'K'; b[1] = 'Z'; b[2] = '7'; b[3] = ' ';
    put32(b, 4, unknown1);
    put32(b, 8, 3);
    put32(b, 12, 0x1234);
    // directory list
    put32(b, 16, 2); put32(b, 20, 2); put32(b, 24, 1); put32(b, 28, 3);
    put32(b, 32, 3); put32(b, 36, 4); put32(b, 40, 2); put32(b, 44, 5);
    put32(b, 48, 4); put32(b, 52, 0); put32(b, 56, 3); put32(b, 60, 0);
    // type 2 table at sector 1
    size_t t = kSector;
    put16(b, t + 0, 0x12); put16(b, t + 2, 0); put32(b, t + 4, 3);
    put16(b, t + 8, 0x34); put16(b, t + 10, 1); put32(b, t + 12, 4);
    put16(b, t + 16, 0xFFFF); put16(b, t + 18, 0xFFFF); put32(b, t + 20, 5);
    // type 3 table at sector 2
    t = 2 * kSector;
    put16(b, t + 0, 0); put16(b, t + 2, 0xFFFF); put16(b, t + 4, 0xFFFF);
    put16(b, t + 6, 1); put16(b, t + 8, 3);
    for (auto [fill, n] : {std::pair{0xA1, 1}, {0xA2, 1}, {0xB1, 1}, {0xB2, 2}}) {
        Bytes s = sectorOf(uint8_t(fill), size_t(n));
        b.insert(b.end(), s.begin(), s.end());
    }
    return b;
}

// Archive with `dirs` type 2 directories of two one-sector files each and a
// type 4 end entry; tables in sectors 1..dirs.
Bytes manyDirArchive(uint32_t dirs)
{
    uint32_t hdr = 1 + dirs;
    Bytes b(hdr * kSector, 0);
    b[0] = 'K'; b[1] = 'Z'; b[2] = '7';
    put32(b, 4, 6);
    put32(b, 8, dirs + 1);
    uint32_t next = hdr;
    for (uint32_t i = 0; i < dirs; ++i) {
        size_t e = 16 + 16 * i;
        put32(b, e, 2); put32(b, e + 4, 2); put32(b, e + 8, 1 + i); put32(b, e + 12, next);
        size_t t = (1 + i) * kSector;
        put16(b, t, uint16_t(i)); put32(b, t + 4, next);
        put16(b, t + 8, uint16_t(0x100 + i)); put32(b, t + 12, next + 1);
        put16(b, t + 16, 0xFFFF); put16(b, t + 18, 0xFFFF); put32(b, t + 20, next + 2);
        next += 2;
    }
    size_t e = 16 + 16 * dirs;
    put32(b, e, 4); put32(b, e + 8, hdr);
    b.resize(next * kSector, 0);
    for (uint32_t s = hdr; s < next; ++s)
        std::fill(b.begin() + s * kSector, b.begin() + (s + 1) * kSector, uint8_t(s));
    return b;
}

Bytes slice(const Bytes& b, size_t firstSector, size_t endSector)
{
    return Bytes(b.begin() + firstSector * kSector, b.begin() + endSector * kSector);
}

uint32_t get32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

uint16_t get16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

const std::vector<std::string> kUsage = {
    "Usage:imgtool -[e|r|i|a|l] [-n] DIR IMGfile [outname|dir list]",
    "Program extract/import files to KZ7 archive(.IMGfile)",
    "-e\textract files from file list(or all) from IMGfile to DIR",
    "-r\trecreate IMGfile with files in DIR, save IMG to outname(or FSfile)",
    "-i\timport files to IMGfile, import file which fits original space(arent bigger)",
    "-l\tprint content of IMGfile",
    "-n\tdont not use subdirs",
    "-d\tdecode types of files, add extension(if extracted with this, need for recreate/import...)",
    "-s\tuse short name for extracted/imported files",
    "[dir list] are numbers(as names for directories in IMGfile)",
    "program dont make list of file, but take actual files, in/out should differ",
    "program return files added/extracted, or 1 if recreated succesfuly",
    "",
};

std::vector<std::string> withUsage(std::vector<std::string> head)
{
    head.insert(head.end(), kUsage.begin(), kUsage.end());
    return head;
}

struct ImgCase {
    ScratchDir dir;
    std::string out = dir / "out";
    std::string img = dir / "kz7.img";
    explicit ImgCase(const Bytes& archive)
    {
        testMkdirs(out);
        testWriteFile(img, archive);
    }
};

}  // namespace

TEST(ImgtoolBlackbox, UsageAndArgumentErrors)
{
    ImgCase s(sampleArchive());
    RunResult r = testRun("imgtool", {"-l", s.out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err), kUsage);

    r = testRun("imgtool", {s.out, s.img, "x"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err), withUsage({"no option given"}));

    r = testRun("imgtool", {"-l", "-n", s.out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err), withUsage({"no FSfile or dir given"}));

    r = testRun("imgtool", {"-l", s.dir / "missing", s.img});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err), std::vector<std::string>{"DIR must be existing directory: " + s.dir / "missing"});

    r = testRun("imgtool", {"-l", s.out, s.out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err), std::vector<std::string>{"FSfile must be file and exist: " + s.out});

    // An unknown option is reported and parsing goes on to the listing.
    r = testRun("imgtool", {"-qx", "-L", s.out, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.err), withUsage({"unknown option -qx"}));
    EXPECT_FALSE(r.out.empty());

    // Only the second character of an option counts; -a does nothing.
    r = testRun("imgtool", {"-apple", s.out, s.img});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s.img), sampleArchive());
    EXPECT_TRUE(testListDir(s.out).empty());
}

TEST(ImgtoolBlackbox, ListingExact)
{
    ImgCase s(sampleArchive());
    RunResult r = testRun("imgtool", {"-l", s.out, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "type \tfiles \tsector \tfile sector\n"
              "  2 \t   2 \t     1\t        3\n"
              "  3 \t   4 \t     2\t        5\n"
              "  4 \t   0 \t     3\t        0\n"
              "directory 0 ids and flags(2 files)\n"
              "0012 0000\n"
              "0034 0001\n");
    EXPECT_TRUE(testListDir(s.out).empty());
}

TEST(ImgtoolBlackbox, HeaderChecks)
{
    {
        ImgCase s(sampleArchive(5));
        RunResult r = testRun("imgtool", {"-l", s.out, s.img});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "WARN: " + s.img +
                             ": unknown[1] header data are different from supposed value(6): 5\n\n");
        EXPECT_NE(r.out.find("directory 0 ids and flags(2 files)\n"), std::string::npos);
    }
    {
        Bytes b = sampleArchive();
        b[2] = '8';
        ImgCase s(b);
        RunResult r = testRun("imgtool", {"-l", s.out, s.img});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "ERROR: file '" + s.img + "' is not KZ7 img file\n");
        EXPECT_EQ(r.out, "");
    }
    {
        Bytes b = sampleArchive();
        put32(b, 48, 3);  // last entry no longer type 4
        ImgCase s(b);
        RunResult r = testRun("imgtool", {"-e", s.out, s.img});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err,
                  "ERROR:Unexpected format of list of directories: expect type 04 directory on end of list\n");
        EXPECT_TRUE(testListDir(s.out).empty());
    }
    {
        Bytes b(kSector, 0);
        b[0] = 'K'; b[1] = 'Z'; b[2] = '7';
        put32(b, 4, 6); put32(b, 8, 1);
        put32(b, 16, 4); put32(b, 24, 1);
        ImgCase s(b);
        RunResult r = testRun("imgtool", {"-e", s.out, s.img});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "INFO: file contain only 1 dir and it is type 04, nothing to extract/import\n");
        EXPECT_TRUE(testListDir(s.out).empty());
    }
    {
        // Shorter than the 16-byte header: refused with an error, nothing read.
        ImgCase s(Bytes{'K', 'Z', '7'});
        RunResult r = testRun("imgtool", {"-l", s.out, s.img});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(r.err.empty());
    }
}

TEST(ImgtoolBlackbox, ExtractLongAndShortNames)
{
    Bytes b = sampleArchive();
    {
        ImgCase s(b);
        RunResult r = testRun("imgtool", {"-e", s.out, s.img});
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(testListDir(s.out), (std::vector<std::string>{"00", "01"}));
        EXPECT_EQ(testListDir(s.out + "/00"),
                  (std::vector<std::string>{"00_0000_0012", "00_0001_00340001"}));
        EXPECT_EQ(testListDir(s.out + "/01"), (std::vector<std::string>{"01_0002", "01_0003"}));
        EXPECT_EQ(testReadFile(s.out + "/00/00_0000_0012"), slice(b, 3, 4));
        EXPECT_EQ(testReadFile(s.out + "/00/00_0001_00340001"), slice(b, 4, 5));
        EXPECT_EQ(testReadFile(s.out + "/01/01_0002"), slice(b, 5, 6));
        EXPECT_EQ(testReadFile(s.out + "/01/01_0003"), slice(b, 6, 8));
    }
    {
        ImgCase s(b);
        RunResult r = testRun("imgtool", {"-e", "-s", "-n", s.out, s.img});
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_EQ(testListDir(s.out), (std::vector<std::string>{"0000", "0001", "1002", "1003"}));
        EXPECT_EQ(testReadFile(s.out + "/1003"), slice(b, 6, 8));
    }
}

TEST(ImgtoolBlackbox, DecodeExtensions)
{
    Bytes b = sampleArchive();
    b[3 * kSector] = 0xDB;
    put32(b, 4 * kSector, 0x10); put32(b, 4 * kSector + 4, 9);
    put32(b, 5 * kSector, 0x10); put32(b, 5 * kSector + 4, 10);
    ImgCase s(b);
    RunResult r = testRun("imgtool", {"-e", "-d", s.out, s.img});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(testListDir(s.out + "/00"),
              (std::vector<std::string>{"00_0000_0012.db", "00_0001_00340001.tim"}));
    EXPECT_EQ(testListDir(s.out + "/01"), (std::vector<std::string>{"01_0002", "01_0003"}));
}

TEST(ImgtoolBlackbox, ExtractDirectoryList)
{
    Bytes b = manyDirArchive(9);  // 10 directory entries with the type 4 one
    ImgCase s(b);
    RunResult r = testRun("imgtool", {"-e", s.out, s.img, "2", "0x03", "x", "99"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err,
              "WARN: unexpected number(directory) in [dir list]:x\n"
              "WARN: unexpected number(directory) in [dir list]:99\n");
    EXPECT_EQ(testListDir(s.out), (std::vector<std::string>{"02", "03"}));
    EXPECT_EQ(testListDir(s.out + "/03"),
              (std::vector<std::string>{"03_0000_0003", "03_0001_0103"}));
}

TEST(ImgtoolBlackbox, EndRecordWarning)
{
    Bytes b = sampleArchive();
    put16(b, kSector + 16, 0x0001);
    ImgCase s(b);
    RunResult r = testRun("imgtool", {"-e", s.out, s.img});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "WARN: directory 0, element at position 2(endPointer) should be FFFFFFFF, is 1FFFF\n");
}

TEST(ImgtoolBlackbox, ImportFitsAndTooLarge)
{
    Bytes b = sampleArchive();
    {
        ImgCase s(b);
        testMkdirs(s.out + "/00");
        testWriteFile(s.out + "/00/00_0000_0012", Bytes(kSector + 1, 0x55));
        RunResult r = testRun("imgtool", {"-i", s.out, s.img});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "WARN: file " + s.out +
                             "/00/00_0000_0012 was not imported, becouse is bigger than original: "
                             "ofile 2048 ifile 2049\n");
        EXPECT_EQ(testReadFile(s.img), b);
    }
    {
        ImgCase s(b);
        testMkdirs(s.out + "/01");
        Bytes f(kSector + 952);
        for (size_t k = 0; k < f.size(); ++k) f[k] = uint8_t(k * 7 + 1);
        testWriteFile(s.out + "/01/01_0003", f);
        RunResult r = testRun("imgtool", {"-i", s.out, s.img});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        Bytes expect = b;
        std::copy(f.begin(), f.end(), expect.begin() + 6 * kSector);
        std::fill(expect.begin() + 6 * kSector + f.size(), expect.begin() + 8 * kSector, 0);
        EXPECT_EQ(testReadFile(s.img), expect);
    }
    {
        // With an output name the input is copied first and stays untouched.
        ImgCase s(b);
        testMkdirs(s.out + "/00");
        testWriteFile(s.out + "/00/00_0001_00340001", Bytes{1, 2, 3});
        std::string outImg = s.dir / "new.img";
        RunResult r = testRun("imgtool", {"-i", s.out, s.img, outImg});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(testReadFile(s.img), b);
        Bytes expect = b;
        std::fill(expect.begin() + 4 * kSector, expect.begin() + 5 * kSector, 0);
        expect[4 * kSector] = 1; expect[4 * kSector + 1] = 2; expect[4 * kSector + 2] = 3;
        EXPECT_EQ(testReadFile(outImg), expect);
    }
    {
        // Files extracted with -d are only found with -d.
        Bytes d = b;
        d[3 * kSector] = 0xDB;
        ImgCase s(d);
        testMkdirs(s.out + "/00");
        testWriteFile(s.out + "/00/00_0000_0012.db", Bytes{0xDB, 9});
        RunResult r = testRun("imgtool", {"-i", s.out, s.img});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(testReadFile(s.img), d);
        r = testRun("imgtool", {"-i", "-d", s.out, s.img});
        EXPECT_EQ(r.exitCode, 1);
        Bytes expect = d;
        std::fill(expect.begin() + 3 * kSector, expect.begin() + 4 * kSector, 0);
        expect[3 * kSector] = 0xDB; expect[3 * kSector + 1] = 9;
        EXPECT_EQ(testReadFile(s.img), expect);
    }
}

TEST(ImgtoolBlackbox, RecreateUnchangedAndGrown)
{
    Bytes b = sampleArchive();
    {
        ImgCase s(b);
        std::string outImg = s.dir / "same.img";
        RunResult r = testRun("imgtool", {"-r", s.out, s.img, outImg}, s.dir.path);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(testReadFile(outImg), b);
    }
    {
        // Sector 0xA2 file (1 sector) becomes 2 sectors + 904 bytes.
        ImgCase s(b);
        testMkdirs(s.out + "/00");
        Bytes f(2 * kSector + 904, 0x77);
        testWriteFile(s.out + "/00/00_0001_00340001", f);
        RunResult r = testRun("imgtool", {"-r", s.out, s.img}, s.dir.path);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        Bytes got = testReadFile(s.img);
        ASSERT_EQ(got.size(), 10 * kSector);
        EXPECT_EQ(testListDir(s.dir.path), (std::vector<std::string>{"kz7.img", "out"}));
        // directory list: dir 1 file sector moves by 2
        EXPECT_EQ(get32(got, 28), 3u);
        EXPECT_EQ(get32(got, 44), 7u);
        // type 2 table: file 1 unchanged start, end record moved
        EXPECT_EQ(get32(got, kSector + 4), 3u);
        EXPECT_EQ(get32(got, kSector + 12), 4u);
        EXPECT_EQ(get32(got, kSector + 20), 7u);
        EXPECT_EQ(get16(got, kSector + 8), 0x34);
        EXPECT_EQ(get16(got, kSector + 10), 1);
        // type 3 offsets stay relative
        EXPECT_EQ(get16(got, 2 * kSector + 0), 0);
        EXPECT_EQ(get16(got, 2 * kSector + 2), 0xFFFF);
        EXPECT_EQ(get16(got, 2 * kSector + 6), 1);
        EXPECT_EQ(get16(got, 2 * kSector + 8), 3);
        Bytes expect(b.begin(), b.begin() + 4 * kSector);
        expect.insert(expect.end(), f.begin(), f.end());
        expect.resize(7 * kSector, 0);
        Bytes rest = slice(b, 5, 8);
        expect.insert(expect.end(), rest.begin(), rest.end());
        put32(expect, 44, 7);
        put32(expect, kSector + 20, 7);
        EXPECT_EQ(got, expect);
    }
    {
        // A shrunk file closes up; gaps and trailing bytes are dropped.
        Bytes g = b;
        Bytes tail(100, 0xEE);
        g.insert(g.end(), tail.begin(), tail.end());
        ImgCase s(g);
        testMkdirs(s.out + "/01");
        testWriteFile(s.out + "/01/01_0003", Bytes{9});
        std::string outImg = s.dir / "small.img";
        RunResult r = testRun("imgtool", {"-r", s.out, s.img, outImg}, s.dir.path);
        EXPECT_EQ(r.exitCode, 1);
        Bytes got = testReadFile(outImg);
        Bytes expect(b.begin(), b.begin() + 6 * kSector);
        expect.push_back(9);
        expect.resize(7 * kSector, 0);
        put16(expect, 2 * kSector + 8, 2);
        EXPECT_EQ(got, expect);
        EXPECT_EQ(testReadFile(s.img), g);
    }
}

TEST(ImgtoolBlackbox, RejectsBadDirectoryCountsAndTables)
{
    for (uint32_t count : {0u, 128u}) {
        Bytes b = sampleArchive();
        put32(b, 8, count);
        ImgCase s(b);
        RunResult r = testRun("imgtool", {"-e", s.out, s.img});
        EXPECT_EQ(r.exitCode, 0) << count;
        EXPECT_FALSE(r.err.empty()) << count;
        EXPECT_TRUE(testListDir(s.out).empty()) << count;
    }
    {
        // Type 2 table placed beyond the header area.
        Bytes b = sampleArchive();
        put32(b, 24, 40);
        ImgCase s(b);
        RunResult r = testRun("imgtool", {"-e", s.out, s.img});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.err.empty());
        r = testRun("imgtool", {"-r", s.out, s.img}, s.dir.path);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(testReadFile(s.img), b);
        EXPECT_EQ(testListDir(s.dir.path), (std::vector<std::string>{"kz7.img", "out"}));
    }
}

TEST(ImgtoolBlackbox, ExitCodeSaturatesAndEveryRecordIsAFile)
{
    // One type 2 directory of 256 one-sector files; record 5 has id FFFF.
    constexpr uint32_t files = 256;
    // The 257 records need 2056 bytes, so the table spans sectors 1 and 2.
    Bytes b(3 * kSector, 0);
    b[0] = 'K'; b[1] = 'Z'; b[2] = '7';
    put32(b, 4, 6); put32(b, 8, 2);
    put32(b, 16, 2); put32(b, 20, files); put32(b, 24, 1); put32(b, 28, 3);
    put32(b, 32, 4); put32(b, 40, 3);
    for (uint32_t j = 0; j <= files; ++j) {
        size_t t = kSector + 8 * j;
        bool end = j == files || j == 5;
        put16(b, t, end ? 0xFFFF : uint16_t(j));
        put16(b, t + 2, end ? 0xFFFF : 0);
        put32(b, t + 4, 3 + j);
    }
    b.resize((3 + files) * kSector, 0x3C);
    ImgCase s(b);
    RunResult r = testRun("imgtool", {"-e", "-n", s.out, s.img});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, "");
    std::vector<std::string> names = testListDir(s.out);
    EXPECT_EQ(names.size(), files);
    EXPECT_TRUE(testExists(s.out + "/00_0005_FFFFFFFF"));
}

TEST(ImgtoolBlackbox, ImportSettingStaysAndOwnNameIsSafe)
{
    Bytes b = sampleArchive();
    {
        // -i then -r still imports: the archive keeps its length and layout.
        ImgCase s(b);
        testMkdirs(s.out + "/00");
        testWriteFile(s.out + "/00/00_0000_0012", Bytes{4, 5});
        RunResult r = testRun("imgtool", {"-i", "-r", s.out, s.img}, s.dir.path);
        EXPECT_EQ(r.exitCode, 1);
        Bytes expect = b;
        std::fill(expect.begin() + 3 * kSector, expect.begin() + 4 * kSector, 0);
        expect[3 * kSector] = 4; expect[3 * kSector + 1] = 5;
        EXPECT_EQ(testReadFile(s.img), expect);
    }
    {
        // Recreating into the input's own name must never corrupt it: either
        // refused (input unchanged) or a correct rebuild (here: identical).
        ImgCase s(b);
        RunResult r = testRun("imgtool", {"-r", s.out, s.img, s.img}, s.dir.path);
        EXPECT_EQ(testReadFile(s.img), b);
        if (r.exitCode == 0) {
            EXPECT_FALSE(r.err.empty());
        }
    }
}

TEST(ImgtoolBlackbox, RecreateAfterRejectedDirectoryStaysConsistent)
{
    Bytes b = manyDirArchive(3);
    put32(b, 16 + 16 + 4, 1);  // directory 1 claims a single file
    ImgCase s(b);
    RunResult r = testRun("imgtool", {"-e", s.out, s.img});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "ERROR: directory 1 has less than 2 files, has: 1\n");
    std::string dir2 = s.out + "/02/02_0001_0102";
    Bytes before = testReadFile(dir2);
    ASSERT_EQ(before, Bytes(kSector, uint8_t(4 + 5)));

    testMkdirs(s.dir / "grow/00");
    testWriteFile(s.dir / "grow/00/00_0000_0000", Bytes(3 * kSector, 0x11));
    r = testRun("imgtool", {"-r", s.dir / "grow", s.img}, s.dir.path);
    Bytes after = testReadFile(s.img);
    if (after != b) {
        // Rebuilt: directory 2 must still be reachable through its tables.
        ScratchDir again;
        r = testRun("imgtool", {"-e", again.path, s.img});
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_EQ(testReadFile(again.path + "/02/02_0001_0102"), before);
        EXPECT_EQ(testReadFile(again.path + "/00/00_0000_0000"), Bytes(3 * kSector, 0x11));
    } else {
        // Stopped: said so, and no temporary file is left behind.
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(testListDir(s.dir.path), (std::vector<std::string>{"grow", "kz7.img", "out"}));
}

TEST(ImgtoolBlackbox, ListNumbersAndShortHexNames)
{
    Bytes b = manyDirArchive(11);
    ImgCase s(b);
    // 010 is octal 8; a directory listed twice is extracted twice.
    RunResult r = testRun("imgtool", {"-e", "-s", "-n", s.out, s.img, "010", "0xA", "10", "3z"});
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.err, "WARN: unexpected number(directory) in [dir list]:3z\n");
    EXPECT_EQ(testListDir(s.out), (std::vector<std::string>{"8000", "8001", "A000", "A001"}));
    EXPECT_EQ(testReadFile(s.out + "/A001"), slice(b, 12 + 21, 12 + 22));
}

TEST(ImgtoolBlackbox, FileBeyondArchiveEndIsReportedNotFatal)
{
    Bytes b = sampleArchive();
    put32(b, kSector + 20, 50);  // end record of directory 0 far past the file end
    ImgCase s(b);
    RunResult r = testRun("imgtool", {"-e", s.out, s.img});
    EXPECT_FALSE(r.err.empty());
    EXPECT_GE(r.exitCode, 0);
    EXPECT_LE(r.exitCode, 3);
    // The other directory is still extracted whole.
    EXPECT_EQ(testReadFile(s.out + "/01/01_0003"), slice(b, 6, 8));
}
