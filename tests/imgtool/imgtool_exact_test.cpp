// imgtool against archives written byte by byte here, with every expected
// line, name, byte and exit code worked out by hand from the format: no
// fixture builder stands between the archive and the expectation.
#include "imgtool/imgtest.h"

#include <cstring>

namespace {

// Three header sectors:
//   dir 0  type 2, 2 files, table in sector 1, data from sector 3
//          records (0x0012, 0, 3) (0xABCD, 1, 4) end (FFFF, FFFF, 5)
//   dir 1  type 3, 4 entries, table in sector 2, base 5
//          offsets 0, FFFF, FFFF, 1, 3: sectors 5..6 (position 2), 6..8 (position 3)
//   dir 2  type 4, header of 3 sectors (files and file sector fields odd on purpose)
// Sector s of the data is filled with the byte 0x30 + s.
struct Hand {
    std::vector<uint8_t> b = std::vector<uint8_t>(8 * 2048, 0);
    Hand()
    {
        std::memcpy(b.data(), "KZ7 ", 4);
        imgFixPut32(b, 4, 6);
        imgFixPut32(b, 8, 3);
        imgFixPut32(b, 12, 0xCAFEF00D);
        putDir(0, 2, 2, 1, 3);
        putDir(1, 3, 4, 2, 5);
        putDir(2, 4, 12345, 3, 0xABCDEF12);
        putRecord(0, 0x0012, 0, 3);
        putRecord(1, 0xABCD, 1, 4);
        putRecord(2, 0xFFFF, 0xFFFF, 5);
        const uint16_t t[] = {0, 0xFFFF, 0xFFFF, 1, 3};
        for (size_t k = 0; k < 5; ++k)
            imgFixPut16(b, 2 * 2048 + 2 * k, t[k]);
        for (uint32_t s = 3; s < 8; ++s)
            std::memset(b.data() + size_t{s} * 2048, 0x30 + int(s), 2048);
    }
    void putDir(size_t i, uint32_t type, uint32_t files, uint32_t sector, uint32_t fileSector)
    {
        const size_t o = 16 + 16 * i;
        imgFixPut32(b, o, type);
        imgFixPut32(b, o + 4, files);
        imgFixPut32(b, o + 8, sector);
        imgFixPut32(b, o + 12, fileSector);
    }
    void putRecord(size_t j, uint16_t id, uint16_t flags, uint32_t sector)
    {
        const size_t o = 2048 + 8 * j;
        imgFixPut16(b, o, id);
        imgFixPut16(b, o + 2, flags);
        imgFixPut32(b, o + 4, sector);
    }
    std::vector<uint8_t> sectors(uint32_t first, uint32_t end) const
    {
        return {b.begin() + first * 2048, b.begin() + end * 2048};
    }
};

struct HandScene {
    ScratchDir root;
    std::string dir = root / "out";
    std::string img = root / "kz7.img";
    Hand h;
    HandScene()
    {
        testMkdirs(dir);
        write();
    }
    void write() const { testWriteFile(img, h.b); }
};

const std::string handListing = "type \tfiles \tsector \tfile sector\n"
                                "  2 \t   2 \t     1\t        3\n"
                                "  3 \t   4 \t     2\t        5\n"
                                "  4 \t 12345 \t     3\t ABCDEF12\n"
                                "directory 0 ids and flags(2 files)\n"
                                "0012 0000\n"
                                "ABCD 0001\n";

std::string usageText()
{
    return "Usage:imgtool -[e|r|i|a|l] [-n] DIR IMGfile [outname|dir list]\n"
           "Program extract/import files to KZ7 archive(.IMGfile)\n"
           "-e\textract files from file list(or all) from IMGfile to DIR\n"
           "-r\trecreate IMGfile with files in DIR, save IMG to outname(or FSfile)\n"
           "-i\timport files to IMGfile, import file which fits original space(arent bigger)\n"
           "-l\tprint content of IMGfile\n"
           "-n\tdont not use subdirs\n"
           "-d\tdecode types of files, add extension(if extracted with this, need for "
           "recreate/import...)\n"
           "-s\tuse short name for extracted/imported files\n"
           "[dir list] are numbers(as names for directories in IMGfile)\n"
           "program dont make list of file, but take actual files, in/out should differ\n"
           "program return files added/extracted, or 1 if recreated succesfuly\n"
           "\n";
}

TEST(ImgExact, StartUpMessagesInTheirOrder)
{
    HandScene s;
    const std::string missing = s.root / "none";
    const std::string u = usageText();
    struct Case {
        std::vector<std::string> args;
        std::string err;
        std::string out;
        int code;
    };
    const std::vector<Case> cases = {
        {{"-l", s.dir}, u, "", 0},
        {{s.dir, s.img, "-l"}, "no option given\n" + u, "", 0},
        {{"-l", "-n", s.dir}, "no FSfile or dir given\n" + u, "", 0},
        // No mode: nothing is checked, not even DIR.
        {{"-n", missing, missing}, "", "", 0},
        {{"-l", missing, missing}, "DIR must be existing directory: " + missing + "\n", "", 0},
        {{"-l", s.img, s.img}, "DIR must be existing directory: " + s.img + "\n", "", 0},
        {{"-l", s.dir, missing}, "FSfile must be file and exist: " + missing + "\n", "", 0},
        {{"-l", s.dir, s.dir}, "FSfile must be file and exist: " + s.dir + "\n", "", 0},
        {{"-a", missing, s.img}, "DIR must be existing directory: " + missing + "\n", "", 0},
        {{"-r", missing, s.img}, "DIR must be existing directory: " + missing + "\n", "", 0},
        {{"-qx", "-L", s.dir, s.img}, "unknown option -qx\n" + u, handListing, 1},
        {{"-h", "-list", s.dir, s.img}, u, handListing, 1},
        {{"-?", "-a", s.dir, s.img}, u, "", 0},
        // A later mode replaces an earlier one.
        {{"-e", "-l", s.dir, s.img}, "", handListing, 1},
        {{"-l", "-a", s.dir, s.img}, "", "", 0},
    };
    for (const Case& c : cases) {
        const RunResult r = testRun("imgtool", c.args);
        EXPECT_EQ(r.err, c.err) << c.args[0];
        EXPECT_EQ(r.out, c.out) << c.args[0];
        EXPECT_EQ(r.exitCode, c.code) << c.args[0];
    }
    EXPECT_TRUE(testListDir(s.dir).empty());
    EXPECT_EQ(testReadFile(s.img), s.h.b);
}

TEST(ImgExact, HeaderWarningsAndTheInfoLine)
{
    HandScene s;
    imgFixPut32(s.h.b, 4, 5);
    s.h.putRecord(2, 0x0001, 0x00AB, 5);
    s.write();
    RunResult r = testRun("imgtool", {"-l", s.dir, s.img});
    const std::string warn = "WARN: " + s.img +
                             ": unknown[1] header data are different from supposed value(6): 5\n\n";
    EXPECT_EQ(r.err, warn);
    EXPECT_EQ(r.out, "type \tfiles \tsector \tfile sector\n"
                     "  2 \t   2 \t     1\t        3\n"
                     "  3 \t   4 \t     2\t        5\n"
                     "  4 \t 12345 \t     3\t ABCDEF12\n"
                     "directory 0 ids and flags(2 files)\n"
                     "0012 0000\n"
                     "ABCD 0001\n");
    EXPECT_EQ(r.exitCode, 1);

    // The end record's id comes before its flags, each in plain hexadecimal.
    r = testRun("imgtool", {"-e", s.dir, s.img, "0"});
    EXPECT_EQ(r.err, warn + "WARN: directory 0, element at position 2(endPointer) should be "
                            "FFFFFFFF, is 1AB\n");
    EXPECT_EQ(r.exitCode, 2);

    HandScene t;
    t.h.b.resize(2048);
    imgFixPut32(t.h.b, 8, 1);
    t.h.putDir(0, 4, 0, 1, 0);
    t.write();
    r = testRun("imgtool", {"-e", t.dir, t.img});
    EXPECT_EQ(r.out, "INFO: file contain only 1 dir and it is type 04, nothing to extract/import\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);

    t.h.putDir(0, 2, 0, 1, 0);
    t.write();
    r = testRun("imgtool", {"-a", t.dir, t.img});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR:Unexpected format of list of directories: expect type 04 directory on "
                     "end of list\n");
    EXPECT_EQ(r.exitCode, 0);

    std::memcpy(t.h.b.data(), "KZ8 ", 4);
    t.write();
    r = testRun("imgtool", {"-l", t.dir, t.img});
    EXPECT_EQ(r.err, "ERROR: file '" + t.img + "' is not KZ7 img file\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, 0);
}

TEST(ImgExact, ExtractionNamesAndBytes)
{
    HandScene s;
    RunResult r = testRun("imgtool", {"-e", s.dir, s.img});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(testListDir(s.dir), (std::vector<std::string>{"00", "01"}));
    EXPECT_EQ(testListDir(s.dir + "/00"),
              (std::vector<std::string>{"00_0000_0012", "00_0001_ABCD0001"}));
    EXPECT_EQ(testListDir(s.dir + "/01"), (std::vector<std::string>{"01_0002", "01_0003"}));
    EXPECT_EQ(testReadFile(s.dir + "/00/00_0000_0012"), s.h.sectors(3, 4));
    EXPECT_EQ(testReadFile(s.dir + "/00/00_0001_ABCD0001"), s.h.sectors(4, 5));
    EXPECT_EQ(testReadFile(s.dir + "/01/01_0002"), s.h.sectors(5, 6));
    EXPECT_EQ(testReadFile(s.dir + "/01/01_0003"), s.h.sectors(6, 8));

    // A DIR given with its trailing separator gets no second one.
    HandScene t;
    r = testRun("imgtool", {"-E", "-S", "-N", t.dir + "/", t.img});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(testListDir(t.dir), (std::vector<std::string>{"0000", "0001", "1002", "1003"}));
    EXPECT_EQ(testReadFile(t.dir + "/1003"), t.h.sectors(6, 8));
}

TEST(ImgExact, ShortNamesAreHexadecimal)
{
    // Directories 0 to 10 are type 4 (nothing to extract), directory 11 is a
    // type 2 directory of 11 files, 10 of them empty.
    HandScene s;
    s.h.b.assign(3 * 2048, 0);
    std::memcpy(s.h.b.data(), "KZ7 ", 4);
    imgFixPut32(s.h.b, 4, 6);
    imgFixPut32(s.h.b, 8, 13);
    for (size_t i = 0; i <= 10; ++i)
        s.h.putDir(i, 4, 0, 2, 0);
    s.h.putDir(11, 2, 11, 1, 2);
    s.h.putDir(12, 4, 0, 2, 0);
    for (uint16_t j = 0; j < 10; ++j)
        s.h.putRecord(j, j, 0, 2);
    s.h.putRecord(10, 0xBEEF, 0, 2);
    s.h.putRecord(11, 0xFFFF, 0xFFFF, 3);
    std::memset(s.h.b.data() + 2 * 2048, 0x77, 2048);
    s.write();
    RunResult r = testRun("imgtool", {"-e", "-s", s.dir, s.img, "11", "0xb"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 22);
    EXPECT_EQ(testListDir(s.dir), std::vector<std::string>{"11"});
    EXPECT_EQ(testReadFile(s.dir + "/11/B00A"), s.h.sectors(2, 3));
    EXPECT_EQ(testReadFile(s.dir + "/11/B009"), std::vector<uint8_t>{});
    EXPECT_EQ(testListDir(s.dir + "/11").size(), 11u);

    r = testRun("imgtool", {"-e", "-n", s.dir, s.img, "014"});  // octal 12: the type 4 entry
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
    r = testRun("imgtool", {"-e", "-n", s.dir, s.img, "13"});
    EXPECT_EQ(r.err, "WARN: unexpected number(directory) in [dir list]:13\n");
    EXPECT_EQ(r.exitCode, 0);
    r = testRun("imgtool", {"-e", "-n", s.dir, s.img, "013"});  // octal 11
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 11);
    EXPECT_EQ(testReadFile(s.dir + "/11_0010_BEEF"), s.h.sectors(2, 3));
    EXPECT_TRUE(testExists(s.dir + "/11_0000_0000"));
}

TEST(ImgExact, DirectoryListItems)
{
    HandScene s;
    const RunResult r =
        testRun("imgtool", {"-e", s.dir, s.img, "1", "0x0", "x", "3", "-1", "1", "2", "1z"});
    EXPECT_EQ(r.err, "WARN: unexpected number(directory) in [dir list]:x\n"
                     "WARN: unexpected number(directory) in [dir list]:3\n"
                     "WARN: unexpected number(directory) in [dir list]:-1\n"
                     "WARN: unexpected number(directory) in [dir list]:1z\n");
    EXPECT_EQ(r.exitCode, 6);  // directory 1 twice, directory 0 once, the type 4 entry nothing
}

TEST(ImgExact, DecodedExtensionsAndTheDecodeError)
{
    HandScene s;
    // 0x10 with 9: TIM; 0x10 with 10: nothing; 0xDB: DB; 0x10 with 0: TIM.
    imgFixPut32(s.h.b, 3 * 2048, 0x10);
    imgFixPut32(s.h.b, 3 * 2048 + 4, 9);
    imgFixPut32(s.h.b, 4 * 2048, 0x10);
    imgFixPut32(s.h.b, 4 * 2048 + 4, 10);
    s.h.b[5 * 2048] = 0xDB;
    imgFixPut32(s.h.b, 6 * 2048, 0x10);
    imgFixPut32(s.h.b, 6 * 2048 + 4, 0);
    s.write();
    RunResult r = testRun("imgtool", {"-e", "-d", s.dir, s.img});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(testListDir(s.dir + "/00"),
              (std::vector<std::string>{"00_0000_0012.tim", "00_0001_ABCD0001"}));
    EXPECT_EQ(testListDir(s.dir + "/01"), (std::vector<std::string>{"01_0002.db", "01_0003.tim"}));

    // The archive ends 8 bytes into the last file: too few to decode, and the
    // file is written as far as it exists and reported.
    HandScene t;
    t.h.b.resize(6 * 2048 + 8);
    t.write();
    r = testRun("imgtool", {"-e", "-d", t.dir, t.img, "1"});
    EXPECT_EQ(r.err, "ERROR: error during decoding extension from file " + t.img +
                         " at position 12288\n"
                         "ERROR: error during writing to file " + t.dir + "/01/01_0003\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(t.dir + "/01/01_0003"), std::vector<uint8_t>(8, 0x36));
}

TEST(ImgExact, FilesOutsideTheArchiveInEveryMode)
{
    HandScene s;
    s.h.putRecord(1, 0xABCD, 1, 9);  // file 0 runs to 9 (past the end), file 1 from 9 back to 5
    s.write();
    RunResult r = testRun("imgtool", {"-l", s.dir, s.img});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
    r = testRun("imgtool", {"-a", s.dir, s.img});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);

    r = testRun("imgtool", {"-e", s.dir, s.img, "0"});
    EXPECT_EQ(r.err, "ERROR: error during writing to file " + s.dir + "/00/00_0000_0012\n"
                     "ERROR: directory 0, file at position 1 ends before it begins: sectors 9 to 5\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(s.dir + "/00/00_0000_0012"), s.h.sectors(3, 8));
    EXPECT_EQ(testListDir(s.dir + "/00"), std::vector<std::string>{"00_0000_0012"});

    for (const char* mode : {"-i", "-r"}) {
        r = testRun("imgtool", {mode, s.dir, s.img, s.root / "new.img"});
        EXPECT_EQ(r.err, "ERROR: directory 0, file at position 0: sectors 3 to 9 lie beyond end of "
                         "file '" + s.img + "'\n");
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(testExists(s.root / "new.img"));
    }
    EXPECT_EQ(testReadFile(s.img), s.h.b);
}

TEST(ImgExact, Type3BaseNearTheTopOfTheSectorRangeIsNotWrapped)
{
    // Base 0xFFFFFFF0 with offsets 0, 0x10, 0x20: both files lie far beyond
    // the end; sector sums must not wrap round to small numbers.
    HandScene s;
    s.h.putDir(1, 3, 2, 2, 0xFFFFFFF0);
    imgFixPut16(s.h.b, 2 * 2048, 0);
    imgFixPut16(s.h.b, 2 * 2048 + 2, 0x10);
    imgFixPut16(s.h.b, 2 * 2048 + 4, 0x20);
    s.write();
    RunResult r = testRun("imgtool", {"-e", s.dir, s.img, "1"});
    EXPECT_EQ(r.err, "ERROR: error during writing to file " + s.dir + "/01/01_0000\n"
                     "ERROR: error during writing to file " + s.dir + "/01/01_0001\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(s.dir + "/01/01_0001"), std::vector<uint8_t>{});

    r = testRun("imgtool", {"-e", "-d", s.dir, s.img, "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("ERROR: error during decoding extension from file " + s.img), std::string::npos);
}

TEST(ImgExact, ImportFillsTheRestOfTheSpace)
{
    HandScene s;
    testMkdirs(s.dir + "/00");
    testMkdirs(s.dir + "/01");
    const std::vector<uint8_t> big(2049, 0xA1);
    const std::vector<uint8_t> fits(2048 + 952, 0xB2);
    testWriteFile(s.dir + "/00/00_0000_0012", big);
    testWriteFile(s.dir + "/01/01_0003", fits);
    const RunResult r = testRun("imgtool", {"-i", s.dir + "/", s.img});
    EXPECT_EQ(r.err, "WARN: file " + s.dir + "/00/00_0000_0012 was not imported, becouse is "
                     "bigger than original: ofile 2048 ifile 2049\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, 1);
    std::vector<uint8_t> want = s.h.b;
    std::memcpy(want.data() + 6 * 2048, fits.data(), fits.size());
    std::memset(want.data() + 6 * 2048 + fits.size(), 0, 4096 - fits.size());
    EXPECT_EQ(testReadFile(s.img), want);
}

TEST(ImgExact, RecreationRenumbersType2AndType3Tables)
{
    HandScene s;
    testMkdirs(s.dir + "/00");
    testMkdirs(s.dir + "/01");
    const std::vector<uint8_t> grown(2 * 2048 + 904, 0xC3);
    testWriteFile(s.dir + "/00/00_0000_0012", grown);
    testWriteFile(s.dir + "/01/01_0003", {});
    const std::string out = s.root / "new.img";
    const RunResult r = testRun("imgtool", {"-r", s.dir, s.img, out, "ignored"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, 1);

    Hand want;
    want.b.resize(3 * 2048);
    want.putDir(1, 3, 4, 2, 7);  // directory 1 now begins at sector 7
    want.putRecord(1, 0xABCD, 1, 6);
    want.putRecord(2, 0xFFFF, 0xFFFF, 7);
    imgFixPut16(want.b, 2 * 2048 + 8, 1);  // the emptied file ends where it starts
    std::vector<uint8_t> g = grown;
    g.resize(3 * 2048, 0);
    want.b.insert(want.b.end(), g.begin(), g.end());
    const Hand old;
    for (const auto& part : {old.sectors(4, 5), old.sectors(5, 6)})
        want.b.insert(want.b.end(), part.begin(), part.end());
    EXPECT_EQ(testReadFile(out), want.b);
    EXPECT_EQ(testReadFile(s.img), old.b);

    // Recreation into the input itself, then an import of the same tree into
    // a copy: the two orders of -i and -r both import.
    RunResult again = testRun("imgtool", {"-r", s.dir, s.img});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(testReadFile(s.img), want.b);
    EXPECT_EQ(testListDir(s.root.path), (std::vector<std::string>{"kz7.img", "new.img", "out"}));

    testWriteFile(s.dir + "/01/01_0002", std::vector<uint8_t>(3000, 0xD4));
    again = testRun("imgtool", {"-r", "-i", s.dir, s.img, s.root / "copy.img"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, "WARN: file " + s.dir + "/01/01_0002 was not imported, becouse is bigger "
                         "than original: ofile 2048 ifile 3000\n");
    EXPECT_EQ(testReadFile(s.root / "copy.img"), want.b);
    EXPECT_EQ(testReadFile(s.img), want.b);
}

TEST(ImgExact, DirectoryOfOneFileIsSkippedBeforeItsSectorsAreLookedAt)
{
    // Directory 0 claims one file whose record points far past the end; the
    // walk rejects the directory, so import still handles directory 1.
    HandScene s;
    s.h.putDir(0, 2, 1, 1, 3);
    s.h.putRecord(0, 0x0012, 0, 0x100);
    s.write();
    testMkdirs(s.dir + "/01");
    const std::vector<uint8_t> small(10, 0xE5);
    testWriteFile(s.dir + "/01/01_0002", small);
    RunResult r = testRun("imgtool", {"-i", s.dir, s.img});
    EXPECT_EQ(r.err, "ERROR: directory 0 has less than 2 files, has: 1\n");
    EXPECT_EQ(r.exitCode, 1);
    std::vector<uint8_t> want = s.h.b;
    std::memcpy(want.data() + 5 * 2048, small.data(), small.size());
    std::memset(want.data() + 5 * 2048 + small.size(), 0, 2048 - small.size());
    EXPECT_EQ(testReadFile(s.img), want);

    r = testRun("imgtool", {"-e", s.dir, s.img});
    EXPECT_EQ(r.err, "ERROR: directory 0 has less than 2 files, has: 1\n");
    EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
