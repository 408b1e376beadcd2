// imgtool through its command line: usage and argument errors, listing,
// archives it must refuse, and extraction with every naming option.
#include "imgtool/imgtest.h"

namespace {

const std::string usage =
    "Usage:imgtool -[e|r|i|a|l] [-n] DIR IMGfile [outname|dir list]\n"
    "Program extract/import files to KZ7 archive(.IMGfile)\n"
    "-e\textract files from file list(or all) from IMGfile to DIR\n"
    "-r\trecreate IMGfile with files in DIR, save IMG to outname(or FSfile)\n"
    "-i\timport files to IMGfile, import file which fits original space(arent bigger)\n"
    "-l\tprint content of IMGfile\n"
    "-n\tdont not use subdirs\n"
    "-d\tdecode types of files, add extension(if extracted with this, need for recreate/import...)\n"
    "-s\tuse short name for extracted/imported files\n"
    "[dir list] are numbers(as names for directories in IMGfile)\n"
    "program dont make list of file, but take actual files, in/out should differ\n"
    "program return files added/extracted, or 1 if recreated succesfuly\n"
    "\n";

const std::string sampleListing =
    "type \tfiles \tsector \tfile sector\n"
    "  2 \t   4 \t     1\t        4\n"
    "  3 \t   7 \t     2\t        A\n"
    "  2 \t   2 \t     3\t       10\n"
    "  4 \t   0 \t     4\t        0\n"
    "directory 0 ids and flags(4 files)\n"
    "0012 0000\n"
    "0ABC 0003\n"
    "7777 0000\n"
    "FFFF 0000\n"
    "directory 2 ids and flags(2 files)\n"
    "0001 0000\n"
    "0002 0000\n";

TEST(ImgCommandLine, UsageAndArgumentErrors)
{
    ImgScene s;
    RunResult r = testRun("imgtool", {});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, usage);
    EXPECT_EQ(r.out, "");

    r = testRun("imgtool", {"-l", s.dir});  // fewer than three arguments
    EXPECT_EQ(r.err, usage);

    r = testRun("imgtool", {s.dir, s.img, "x"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "no option given\n" + usage);

    r = testRun("imgtool", {"-l", "-n", s.dir});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "no FSfile or dir given\n" + usage);
    EXPECT_EQ(r.out, "");

    r = testRun("imgtool", {"-n", "-d", s.dir, s.img});  // no mode: silent early stop
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");

    r = testRun("imgtool", {"-l", s.dir + "/missing", s.img});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "DIR must be existing directory: " + s.dir + "/missing\n");

    r = testRun("imgtool", {"-l", s.img, s.img});
    EXPECT_EQ(r.err, "DIR must be existing directory: " + s.img + "\n");

    r = testRun("imgtool", {"-l", s.dir, s.dir});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "FSfile must be file and exist: " + s.dir + "\n");
}

TEST(ImgCommandLine, OptionsByTheirSecondCharacter)
{
    ImgScene s;
    // Unknown options and -h print and parsing goes on; case and the rest of
    // an option don't matter; absolute paths are not options.
    RunResult r = testRun("imgtool", {"-x", "-Help", "-LIST", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "unknown option -x\n" + usage + usage);
    EXPECT_EQ(r.out, sampleListing);

    r = testRun("imgtool", {"-?", "-e", "-l", s.dir, s.img});  // a later mode wins
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, sampleListing);
    EXPECT_TRUE(testListDir(s.dir).empty());

    // -a opens the archive with its checks and changes nothing.
    r = testRun("imgtool", {"-a", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(testListDir(s.dir).empty());
    EXPECT_EQ(testReadFile(s.img), s.layout.bytes);
    testWriteText(s.img, "not an archive at all");
    r = testRun("imgtool", {"-a", s.dir, s.img});
    EXPECT_EQ(r.err, "ERROR: file '" + s.img + "' is not KZ7 img file\n");
}

TEST(ImgList, ListsDirectoriesAndType2Ids)
{
    ImgScene s;
    RunResult r = testRun("imgtool", {"-l", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, sampleListing);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(testListDir(s.dir).empty());

    // A field at offset 4 other than 6 only warns, with a blank line.
    imgFixPut32(s.layout.bytes, 4, 5);
    s.write();
    r = testRun("imgtool", {"-l", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: " + s.img +
                         ": unknown[1] header data are different from supposed value(6): 5\n\n");
    EXPECT_EQ(r.out, sampleListing);
}

// Every refusal: one line, exit code 0, nothing written to DIR.
void expectRefused(ImgScene& s, const std::string& err, const std::string& out = "")
{
    s.write();
    for (const char* mode : {"-l", "-e", "-r"}) {
        const RunResult r = testRun("imgtool", {mode, s.dir, s.img});
        EXPECT_EQ(r.exitCode, 0) << mode;
        EXPECT_EQ(r.err, err) << mode;
        EXPECT_EQ(r.out, out) << mode;
        EXPECT_TRUE(testListDir(s.dir).empty()) << mode;
        EXPECT_EQ(testListDir(s.root.path), (std::vector<std::string>{"kz7.img", "out"})) << mode;
    }
}

TEST(ImgOpen, RefusesBadHeaders)
{
    ImgScene s;
    const std::vector<uint8_t> good = s.layout.bytes;
    const std::string shortMsg = "ERROR: file '" + s.img + "' is too short for KZ7 img file: ";

    s.layout.bytes = {'K', 'Z', '7'};
    expectRefused(s, shortMsg + "3 bytes, header needs 2048\n");
    s.layout.bytes.assign(good.begin(), good.begin() + 1000);
    expectRefused(s, shortMsg + "1000 bytes, header needs 2048\n");

    s.layout.bytes = good;
    s.layout.bytes[2] = '8';
    expectRefused(s, "ERROR: file '" + s.img + "' is not KZ7 img file\n");

    for (uint32_t count : {0u, 128u, 0xFFFFFFFFu}) {
        s.layout.bytes = good;
        imgFixPut32(s.layout.bytes, 8, count);
        expectRefused(s, "ERROR:Unexpected format of list of directories: directory count is " +
                             std::to_string(count) + ", expect 1 to 127\n");
    }

    s.layout.bytes = good;
    imgFixPut32(s.layout.bytes, 8, 3);  // the type 4 entry is no longer the last
    expectRefused(s, "ERROR:Unexpected format of list of directories: expect type 04 directory "
                     "on end of list\n");

    // The header area (type 4 sector field) must be loadable and not empty.
    for (uint32_t sectors : {0u, 19u}) {
        s.layout.bytes = good;
        imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(3) + 8, sectors);
        expectRefused(s, "ERROR:Unexpected format of list of directories: header area must be 1 "
                         "to 18 sectors, is " +
                             std::to_string(sectors) + "\n");
    }
}

TEST(ImgOpen, SingleType4DirectoryIsOnlyInfo)
{
    ImgScene s;
    s.arc.dirs.clear();
    s.rebuild();
    expectRefused(s, "", "INFO: file contain only 1 dir and it is type 04, nothing to extract/import\n");
}

TEST(ImgOpen, RefusesTablesOutsideTheHeaderArea)
{
    ImgScene s;
    const std::vector<uint8_t> good = s.layout.bytes;
    const std::string outside =
        "ERROR:Unexpected format of list of directories: file table of directory 1 lies outside "
        "header area\n";
    // Table sector past the header area, in sector 0, or too long to fit.
    for (auto [field, value] : {std::pair{8, 4u}, {8, 0u}, {4, 4096u}, {4, 0xFFFFFFFFu}}) {
        s.layout.bytes = good;
        imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(1) + field, value);
        expectRefused(s, outside);
    }
}

// Files outside the archive: import and recreation refuse the archive before
// they write anything; the listing, which reads only the header area, works.
void expectWritingRefused(ImgScene& s, const std::string& err)
{
    s.write();
    for (const char* mode : {"-i", "-r"}) {
        const RunResult r = testRun("imgtool", {mode, s.dir, s.img});
        EXPECT_EQ(r.exitCode, 0) << mode;
        EXPECT_EQ(r.err, err) << mode;
        EXPECT_EQ(testReadFile(s.img), s.layout.bytes) << mode;
        EXPECT_EQ(testListDir(s.root.path), (std::vector<std::string>{"kz7.img", "out"})) << mode;
    }
    const RunResult l = testRun("imgtool", {"-l", s.dir, s.img});
    EXPECT_EQ(l.exitCode, 1);
    EXPECT_EQ(l.err, "");
    EXPECT_EQ(l.out.rfind("type \tfiles \tsector \tfile sector\n", 0), 0u);
}

TEST(ImgFiles, OutsideTheArchiveAreNeverWrittenOrReadWrapped)
{
    ImgScene s;
    const std::vector<uint8_t> good = s.layout.bytes;
    const RunResult all = testRun("imgtool", {"-e", "-n", s.dir, s.img});
    ASSERT_GT(all.exitCode, 2);
    const auto clear = [&] {
        for (const auto& n : testListDir(s.dir))
            std::remove((s.dir + "/" + n).c_str());
    };
    clear();

    // A type 2 record past the end of the archive: the file before it is read
    // short, as far as the archive goes, and reported.
    imgFixPut32(s.layout.bytes, s.layout.tableOffset[2] + 8 + 4, 40);
    expectWritingRefused(s, "ERROR: directory 2, file at position 0: sectors 10 to 28 lie beyond "
                            "end of file '" + s.img + "'\n");
    RunResult r = testRun("imgtool", {"-e", "-n", s.dir, s.img});
    const std::string first = s.dir + "/02_0000_0001";
    EXPECT_EQ(r.exitCode, all.exitCode - 2);
    EXPECT_EQ(testLines(r.err).at(0), "ERROR: error during writing to file " + first);
    EXPECT_EQ(testReadFile(first),
              std::vector<uint8_t>(good.begin() + 0x10 * imgFixSector, good.end()));

    // A type 2 record that runs backwards: that file is skipped by extraction.
    clear();
    s.layout.bytes = good;
    imgFixPut32(s.layout.bytes, s.layout.tableOffset[0] + 8 + 4, 3);
    const std::string backwards =
        "ERROR: directory 0, file at position 0 ends before it begins: sectors 4 to 3\n";
    expectWritingRefused(s, backwards);
    r = testRun("imgtool", {"-e", "-n", s.dir, s.img});
    EXPECT_EQ(r.exitCode, all.exitCode - 1);
    EXPECT_EQ(r.err, backwards);
    EXPECT_FALSE(testExists(s.dir + "/00_0000_0012"));

    // A type 3 base that puts the files past the end: sector numbers must not
    // wrap round to the archive's first bytes.
    clear();
    s.layout.bytes = good;
    imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(1) + 12, 0xFFFFFFF0u);
    expectWritingRefused(s, "ERROR: directory 1, file at position 3: sectors FFFFFFF0 to FFFFFFF2 "
                            "lie beyond end of file '" + s.img + "'\n");
    r = testRun("imgtool", {"-e", "-n", s.dir, s.img});
    EXPECT_EQ(r.exitCode, all.exitCode - 3);
    for (const char* name : {"01_0003", "01_0004", "01_0006"}) {
        EXPECT_NE(r.err.find("ERROR: error during writing to file " + s.dir + "/" + name + "\n"),
                  std::string::npos)
            << name;
        EXPECT_EQ(testReadFile(s.dir + "/" + name).size(), 0u) << name;
    }

    // A whole sector cut off the end.
    s.layout.bytes = good;
    s.layout.bytes.resize(good.size() - imgFixSector);
    expectWritingRefused(s, "ERROR: directory 2, file at position 1: sectors 11 to 12 lie beyond "
                            "end of file '" + s.img + "'\n");
}

TEST(ImgExtract, AllDirectoriesIntoSubdirectories)
{
    ImgScene s;
    const RunResult r = testRun("imgtool", {"-e", s.dir, s.img});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(testListDir(s.dir), (std::vector<std::string>{"00", "01", "02"}));
    EXPECT_EQ(testListDir(s.dir + "/00"),
              (std::vector<std::string>{"00_0000_0012", "00_0001_0ABC0003", "00_0002_7777",
                                        "00_0003_FFFF"}));
    EXPECT_EQ(testListDir(s.dir + "/01"),
              (std::vector<std::string>{"01_0003", "01_0004", "01_0006"}));
    EXPECT_EQ(testListDir(s.dir + "/02"), (std::vector<std::string>{"02_0000_0001", "02_0001_0002"}));
    // Whole sectors of each file; an empty file stays empty.
    EXPECT_EQ(testReadFile(s.dir + "/00/00_0000_0012"), imgFixPadded(s.data(0, 0)));
    EXPECT_EQ(testReadFile(s.dir + "/00/00_0001_0ABC0003"), s.data(0, 1));
    EXPECT_TRUE(testReadFile(s.dir + "/00/00_0002_7777").empty());
    EXPECT_EQ(testReadFile(s.dir + "/00/00_0003_FFFF"), imgFixPadded(s.data(0, 3)));
    EXPECT_EQ(testReadFile(s.dir + "/01/01_0003"), s.data(1, 0));
    EXPECT_EQ(testReadFile(s.dir + "/01/01_0004"), imgFixPadded(s.data(1, 1)));
    EXPECT_EQ(testReadFile(s.dir + "/01/01_0006"), imgFixPadded(s.data(1, 2)));
    EXPECT_EQ(testReadFile(s.dir + "/02/02_0001_0002"), imgFixPadded(s.data(2, 1)));

    // Existing subdirectories are fine; a trailing '/' on DIR is not doubled.
    const RunResult again = testRun("imgtool", {"-e", s.dir + "/", s.img});
    EXPECT_EQ(again.exitCode, 9);
    EXPECT_EQ(again.err, "");
}

TEST(ImgExtract, FlatShortAndDecodedNames)
{
    ImgScene s;
    RunResult r = testRun("imgtool", {"-e", "-n", "-d", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testListDir(s.dir),
              (std::vector<std::string>{"00_0000_0012", "00_0001_0ABC0003", "00_0002_7777.db",
                                        "00_0003_FFFF.db", "01_0003", "01_0004", "01_0006",
                                        "02_0000_0001.tim", "02_0001_0002"}));
    EXPECT_EQ(testReadFile(s.dir + "/00_0003_FFFF.db"), imgFixPadded(s.data(0, 3)));

    ImgScene t;
    r = testRun("imgtool", {"-e", "-s", "-n", t.dir, t.img});
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(testListDir(t.dir), (std::vector<std::string>{"0000", "0001", "0002", "0003", "1003",
                                                            "1004", "1006", "2000", "2001"}));

    ImgScene u;
    r = testRun("imgtool", {"-e", "-s", u.dir, u.img, "1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(testListDir(u.dir + "/01"), (std::vector<std::string>{"1003", "1004", "1006"}));
}

TEST(ImgExtract, RealTimImageIsRecognised)
{
    KZ7_REQUIRE_CORPUS();
    ImgScene s;
    s.arc.dirs[2].files[1].data = testReadFile(testCorpusPath("tim/psn00b_ball16c.tim"));
    s.arc.dirs[2].files[0].data = imgFixTimData(64, 9);
    s.rebuild();
    const RunResult r = testRun("imgtool", {"-e", "-d", s.dir, s.img, "2"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(testListDir(s.dir + "/02"),
              (std::vector<std::string>{"02_0000_0001.tim", "02_0001_0002.tim"}));
}

TEST(ImgExtract, DirectoryListWithBadItems)
{
    ImgScene s;
    const RunResult r = testRun("imgtool", {"-e", s.dir, s.img, "2", "0x01", "x", "99", "", "-1", "02"});
    EXPECT_EQ(r.exitCode, 2 + 3 + 2);
    EXPECT_EQ(r.err, "WARN: unexpected number(directory) in [dir list]:x\n"
                     "WARN: unexpected number(directory) in [dir list]:99\n"
                     "WARN: unexpected number(directory) in [dir list]:\n"
                     "WARN: unexpected number(directory) in [dir list]:-1\n");
    EXPECT_EQ(testListDir(s.dir), (std::vector<std::string>{"01", "02"}));
}

TEST(ImgExtract, DirectoryProblemsAreReportedAndSkipped)
{
    ImgScene s;
    imgFixPut16(s.layout.bytes, s.layout.tableOffset[0] + 4 * 8, 0x1234);  // end record id
    imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(1), 7);        // unknown type
    imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(2) + 4, 1);    // one file only
    s.write();
    const RunResult r = testRun("imgtool", {"-e", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "WARN: directory 0, element at position 4(endPointer) should be FFFFFFFF, is "
                     "1234FFFF\n"
                     "ERROR: trying extract unknown type of directory: 7\n"
                     "ERROR: directory 2 has less than 2 files, has: 1\n");
    EXPECT_EQ(testListDir(s.dir), (std::vector<std::string>{"00", "01"}));
    EXPECT_TRUE(testListDir(s.dir + "/01").empty());
}

TEST(ImgExtract, FailedWritesAndTheArchiveItselfAreNotCounted)
{
    ImgScene s;
    // A file where directory 1's subdirectory should be, and the archive
    // lying where one extracted file would go.
    testWriteText(s.dir + "/01", "in the way");
    testMkdirs(s.dir + "/00");
    const std::string inside = s.dir + "/00/00_0001_0ABC0003";
    testWriteFile(inside, s.layout.bytes);
    const RunResult r = testRun("imgtool", {"-e", s.dir, inside});
    EXPECT_EQ(r.exitCode, 9 - 3 - 1);
    EXPECT_EQ(r.err, "ERROR: " + inside + " is the archive itself, it was not overwritten\n"
                     "ERROR: error during writing to file " + s.dir + "/01/01_0003\n"
                     "ERROR: error during writing to file " + s.dir + "/01/01_0004\n"
                     "ERROR: error during writing to file " + s.dir + "/01/01_0006\n");
    EXPECT_EQ(testReadFile(inside), s.layout.bytes);
}

TEST(ImgExtract, LastSectorCutShortIsReportedForItsFileOnly)
{
    ImgScene s;
    s.layout.bytes.resize(s.layout.bytes.size() - 100);
    s.write();
    const RunResult r = testRun("imgtool", {"-e", "-n", "-d", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 8);
    EXPECT_EQ(r.err, "ERROR: error during writing to file " + s.dir + "/02_0001_0002\n");
}

TEST(ImgExtract, CountsAbove255AreReportedAs255)
{
    ImgScene s;
    s.arc.dirs.resize(1);
    s.arc.dirs[0].files.assign(300, ImgFixFile{});
    s.arc.dirs[0].files[299].data = imgFixPattern(10, 5);
    s.rebuild();
    const RunResult r = testRun("imgtool", {"-e", "-n", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(testListDir(s.dir).size(), 300u);
}

}  // namespace
