// imgtool -i and -r through the command line: files written over their old
// space, archives rebuilt with files that grow and shrink, and the cases in
// which nothing may be written.
#include "imgtool/imgtest.h"

#include <filesystem>

namespace {

// The archive with `data` written over the space of `sectors` sectors at
// `sector`, the rest of the space zero.
std::vector<uint8_t> withSpace(std::vector<uint8_t> bytes, uint32_t sector, uint32_t sectors,
                               const std::vector<uint8_t>& data)
{
    const size_t at = size_t{sector} * imgFixSector;
    std::fill(bytes.begin() + at, bytes.begin() + at + size_t{sectors} * imgFixSector, 0);
    std::copy(data.begin(), data.end(), bytes.begin() + at);
    return bytes;
}

TEST(ImgImport, WritesFittingFilesInPlaceAndZeroFillsTheRest)
{
    ImgScene s;
    const auto grown = imgFixPattern(2048 + 952, 40);  // fills most of a 2-sector space
    const auto small = imgFixPattern(10, 41);
    testMkdirs(s.dir + "/00");
    testMkdirs(s.dir + "/01");
    testWriteFile(s.dir + "/00/00_0000_0012", grown);
    testWriteFile(s.dir + "/01/01_0006", small);
    testMkdirs(s.dir + "/02/02_0000_0001");  // a directory is not a file: skipped

    const RunResult r = testRun("imgtool", {"-i", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    std::vector<uint8_t> expected = withSpace(s.layout.bytes, s.layout.fileSector[0][0], 2, grown);
    expected = withSpace(expected, s.layout.fileSector[1][2], 3, small);
    EXPECT_EQ(testReadFile(s.img), expected);
}

TEST(ImgImport, LargerFileIsLeftOut)
{
    ImgScene s;
    testMkdirs(s.dir + "/00");
    testWriteFile(s.dir + "/00/00_0000_0012", imgFixPattern(4097, 42));
    testWriteFile(s.dir + "/00/00_0002_7777", imgFixPattern(1, 43));  // empty space
    const RunResult r = testRun("imgtool", {"-i", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: file " + s.dir + "/00/00_0000_0012 was not imported, becouse is bigger "
                     "than original: ofile 4096 ifile 4097\n"
                     "WARN: file " + s.dir + "/00/00_0002_7777 was not imported, becouse is bigger "
                     "than original: ofile 0 ifile 1\n");
    EXPECT_EQ(testReadFile(s.img), s.layout.bytes);
}

TEST(ImgImport, IntoACopyLeavesTheInput)
{
    ImgScene s;
    const auto data = imgFixPattern(700, 44);
    testWriteFile(s.dir + "/01_0004", data);
    const std::string copy = s.root / "Copy.IMG";  // the name keeps its case
    const RunResult r = testRun("imgtool", {"-i", "-n", s.dir, s.img, copy, "ignored"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s.img), s.layout.bytes);
    EXPECT_EQ(testReadFile(copy), withSpace(s.layout.bytes, s.layout.fileSector[1][1], 1, data));

    // A copy that cannot be made stops before anything is written.
    const RunResult bad = testRun("imgtool", {"-i", "-n", s.dir, s.img, s.root / "no/such.img"});
    EXPECT_EQ(bad.exitCode, 0);
    EXPECT_EQ(bad.err, "ERROR:error copy to file for importing: " + (s.root / "no/such.img") + "\n");
}

TEST(ImgImport, DecodedNamesAreFoundOnlyWithDecoding)
{
    ImgScene s;
    const auto db = imgFixDbData(6000);
    testWriteFile(s.dir + "/00_0003_FFFF.db", db);
    RunResult r = testRun("imgtool", {"-i", "-n", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(s.img), s.layout.bytes);

    r = testRun("imgtool", {"-i", "-n", "-d", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s.img), withSpace(s.layout.bytes, s.layout.fileSector[0][3], 3, db));
}

TEST(ImgImport, ImportWinsOverRecreateInEitherOrder)
{
    for (const auto& opts : {std::vector<std::string>{"-i", "-r"}, {"-r", "-i"}}) {
        ImgScene s;
        const auto small = imgFixPattern(10, 45);
        testWriteFile(s.dir + "/01_0006", small);
        std::vector<std::string> args = opts;
        args.insert(args.end(), {"-n", s.dir, s.img});
        const RunResult r = testRun("imgtool", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(testReadFile(s.img), withSpace(s.layout.bytes, s.layout.fileSector[1][2], 3, small));
    }
}

TEST(ImgImport, RejectedDirectoryIsSkipped)
{
    ImgScene s;
    imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(0) + 4, 1);
    s.write();
    const auto data = imgFixPattern(10, 46);
    testWriteFile(s.dir + "/01_0004", data);
    const RunResult r = testRun("imgtool", {"-i", "-n", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: directory 0 has less than 2 files, has: 1\n");
    auto expected = s.layout.bytes;
    EXPECT_EQ(testReadFile(s.img), withSpace(expected, s.layout.fileSector[1][1], 1, data));
}

TEST(ImgRecreate, WithoutDirFilesGivesTheSameArchive)
{
    ImgScene s;
    const RunResult r = testRun("imgtool", {"-r", s.dir, s.img, s.root / "new.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s.root / "new.img"), s.layout.bytes);
    EXPECT_EQ(testReadFile(s.img), s.layout.bytes);
}

TEST(ImgRecreate, GapsAndTrailingBytesAreDropped)
{
    ImgScene s;
    const std::vector<uint8_t> packed = s.layout.bytes;
    s.arc.dirs[0].gapAfter = 2;
    s.arc.dirs[1].gapAfter = 1;
    s.arc.trailer = imgFixPattern(500, 47);
    s.rebuild();
    const RunResult r = testRun("imgtool", {"-r", s.dir, s.img, s.root / "new.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s.root / "new.img"), packed);
}

TEST(ImgRecreate, FilesGrowAndShrink)
{
    ImgScene s;
    const auto grown = imgFixPattern(2 * 2048 + 904, 48);  // a 1-sector file becomes 3
    const auto shrunk = imgFixPattern(100, 49);           // a 3-sector file becomes 1
    const auto filled = imgFixPattern(1, 50);             // an empty file becomes 1
    testMkdirs(s.dir + "/00");
    testMkdirs(s.dir + "/01");
    testWriteFile(s.dir + "/00/00_0001_0ABC0003", grown);
    testWriteFile(s.dir + "/00/00_0002_7777", filled);
    testWriteFile(s.dir + "/01/01_0006", shrunk);
    const RunResult r = testRun("imgtool", {"-r", s.dir, s.img, s.root / "new.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");

    s.arc.dirs[0].files[1].data = grown;
    s.arc.dirs[0].files[2].data = filled;
    s.arc.dirs[1].files[2].data = shrunk;
    const std::vector<uint8_t> out = testReadFile(s.root / "new.img");
    EXPECT_EQ(out, imgFixBuild(s.arc).bytes);
    // Directory 1 starts 3 sectors later, directory 2 one sector later.
    EXPECT_EQ(imgFixGet32(out, ImgFixLayout::dirEntryOffset(1) + 12), 10u + 3);
    EXPECT_EQ(imgFixGet32(out, ImgFixLayout::dirEntryOffset(2) + 12), 16u + 3 - 2);
    EXPECT_EQ(imgFixGet32(out, s.layout.tableOffset[0] + 4 * 8 + 4), 10u + 3);  // end record
    // Type 3 offsets stay relative to their directory: 2, 3 and end 4.
    EXPECT_EQ(imgFixGet16(out, s.layout.tableOffset[1] + 2 * 4), 2);
    EXPECT_EQ(imgFixGet16(out, s.layout.tableOffset[1] + 2 * 5), 3);
    EXPECT_EQ(imgFixGet16(out, s.layout.tableOffset[1] + 2 * 6), 0xFFFF);
    EXPECT_EQ(imgFixGet16(out, s.layout.tableOffset[1] + 2 * 7), 4);
}

TEST(ImgRecreate, WithoutOutputNameReplacesTheInput)
{
    ImgScene s;
    ScratchDir cwd;
    const auto grown = imgFixPattern(9000, 51);
    testWriteFile(s.dir + "/2000", grown);
    const RunResult r = testRun("imgtool", {"-r", "-n", "-s", s.dir, s.img}, cwd.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    s.arc.dirs[2].files[0].data = grown;
    EXPECT_EQ(testReadFile(s.img), imgFixBuild(s.arc).bytes);
    // No temporary file is left beside the input or in the working directory.
    EXPECT_EQ(testListDir(s.root.path), (std::vector<std::string>{"kz7.img", "out"}));
    EXPECT_TRUE(testListDir(cwd.path).empty());
}

TEST(ImgRecreate, RefusesToWriteOverItsInput)
{
    ImgScene s;
    testWriteFile(s.dir + "/2000", imgFixPattern(9000, 52));
    for (const std::string& out : {s.img, s.root / "../" + std::filesystem::path(s.root.path).filename().string() + "/kz7.img"}) {
        for (const char* mode : {"-r", "-i"}) {
            const RunResult r = testRun("imgtool", {mode, "-n", "-s", s.dir, s.img, out});
            EXPECT_EQ(r.exitCode, 0);
            EXPECT_EQ(r.err, "ERROR: output " + out + " is the input archive itself, in/out should differ\n");
            EXPECT_EQ(testReadFile(s.img), s.layout.bytes);
        }
    }
}

TEST(ImgRecreate, RejectedDirectoryStopsAndReplacesNothing)
{
    ImgScene s;
    testWriteFile(s.dir + "/0000", imgFixPattern(9000, 53));
    const std::vector<uint8_t> good = s.layout.bytes;
    const std::vector<std::pair<size_t, std::string>> breaks = {
        {4, "ERROR: directory 1 has less than 2 files, has: 1\n"},
        {0, "ERROR: trying import unknown type of directory: 7\n"}};
    for (const auto& [field, why] : breaks) {
        s.layout.bytes = good;
        imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(1) + field, field == 4 ? 1 : 7);
        s.write();
        const std::string stopped = "ERROR: recreation stopped at directory 1, archive was not written\n";
        RunResult r = testRun("imgtool", {"-r", "-n", "-s", s.dir, s.img});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, why + stopped);
        EXPECT_EQ(testReadFile(s.img), s.layout.bytes);
        EXPECT_EQ(testListDir(s.root.path), (std::vector<std::string>{"kz7.img", "out"}));

        r = testRun("imgtool", {"-r", "-n", "-s", s.dir, s.img, s.root / "new.img"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, why + stopped);
        EXPECT_FALSE(testExists(s.root / "new.img"));
    }
}

TEST(ImgRecreate, AnExistingOutputIsReplacedOnlyByAWholeArchive)
{
    // The output is a link to a file of the user's, with its own mode.
    ImgScene s;
    namespace fs = std::filesystem;
    testMkdirs(s.root / "keep");
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    testWriteFile(s.root / "keep/out.img", old);
    fs::permissions(s.root / "keep/out.img", fs::perms(0640));
    fs::create_symlink("keep/out.img", s.root / "out.img");
    const std::string out = s.root / "out.img";

    // A DIR file that makes recreation stop: the old output stays.
    const std::string big = s.dir + "/1006";
    testWriteFile(big, {});
    fs::resize_file(big, uint64_t{65532} * imgFixSector);
    RunResult r = testRun("imgtool", {"-r", "-n", "-s", s.dir, s.img, out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err).back(),
              "ERROR: recreation stopped at directory 1, archive was not written");
    EXPECT_EQ(testReadFile(out), old);
    EXPECT_EQ(testListDir(s.root / "keep"), std::vector<std::string>{"out.img"});

    // A whole archive goes into the file the link names; link and mode stay.
    fs::remove(big);
    r = testRun("imgtool", {"-r", "-n", "-s", s.dir, s.img, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(fs::is_symlink(out));
    EXPECT_EQ(testReadFile(s.root / "keep/out.img"), s.layout.bytes);
    EXPECT_EQ(fs::status(out).permissions(), fs::perms(0640));

    // A read-only output, or a read-only archive imported in place: one line.
    fs::permissions(s.root / "keep/out.img", fs::perms(0444));
    fs::permissions(s.img, fs::perms(0444));
    for (const auto& [args, name] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"-r", s.dir, s.img, out}, out}, {{"-i", s.dir, s.img}, s.img}}) {
        r = testRun("imgtool", args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "ERROR: output \"" + name + "\" is read-only, it was left unchanged\n");
    }
    EXPECT_EQ(testReadFile(s.root / "keep/out.img"), s.layout.bytes);
}

TEST(ImgRecreate, NumbersFromTheEndOfTheHeaderArea)
{
    // Directory 0's file sector is informational for type 2: a wrong value
    // is rewritten to where the data really begin.
    ImgScene s;
    const std::vector<uint8_t> good = s.layout.bytes;
    imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(0) + 12, 5);
    s.write();
    const RunResult r = testRun("imgtool", {"-r", s.dir, s.img, s.root / "new.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s.root / "new.img"), good);
}

TEST(ImgRecreate, Type3DirectoryMustStayWithinItsOffsets)
{
    // Directory 1 holds 2 + 1 sectors before its last file; 65534 sectors is
    // the longest span its 16-bit offsets can describe.
    for (uint32_t last : {65531u, 65532u}) {
        ImgScene s;
        const std::string big = s.dir + "/1006";
        testWriteFile(big, {});
        std::filesystem::resize_file(big, uint64_t{last} * imgFixSector);
        const RunResult r = testRun("imgtool", {"-r", "-n", "-s", s.dir, s.img, s.root / "new.img"});
        if (last == 65531) {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, "");
            const std::string out = s.root / "new.img";
            EXPECT_EQ(std::filesystem::file_size(out), (uint64_t{18} - 3 + last) * imgFixSector);
            std::filesystem::resize_file(out, size_t{s.layout.headerSectors} * imgFixSector);
            EXPECT_EQ(imgFixGet16(testReadFile(out), s.layout.tableOffset[1] + 2 * 7), 0xFFFE);
        } else {
            EXPECT_EQ(r.exitCode, 0);
            EXPECT_EQ(r.err, "ERROR: directory 1 would span more than 65534 sectors, type 3 table "
                             "can't hold it\n"
                             "ERROR: recreation stopped at directory 1, archive was not written\n");
            EXPECT_FALSE(testExists(s.root / "new.img"));
        }
    }
}

TEST(ImgRecreate, ExtractedTreeRecreatesTheSameArchive)
{
    const std::vector<std::vector<std::string>> optionSets = {{}, {"-d"}, {"-n", "-s", "-d"}};
    for (const auto& opts : optionSets) {
        ImgScene s;
        std::vector<std::string> args = {"-e"};
        args.insert(args.end(), opts.begin(), opts.end());
        args.insert(args.end(), {s.dir, s.img});
        ASSERT_EQ(testRun("imgtool", args).exitCode, 9);
        args[0] = "-r";
        args.push_back(s.root / "again.img");
        const RunResult r = testRun("imgtool", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(testReadFile(s.root / "again.img"), s.layout.bytes);
    }
}

TEST(ImgRecreate, DecodedNamesAreFoundOnlyWithDecoding)
{
    ImgScene s;
    ASSERT_EQ(testRun("imgtool", {"-e", "-n", "-d", s.dir, s.img}).exitCode, 9);
    const auto db = imgFixDbData(100);
    testWriteFile(s.dir + "/00_0003_FFFF.db", db);
    RunResult r = testRun("imgtool", {"-r", "-n", s.dir, s.img, s.root / "plain.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(s.root / "plain.img"), s.layout.bytes);

    r = testRun("imgtool", {"-r", "-n", "-d", s.dir, s.img, s.root / "decoded.img"});
    EXPECT_EQ(r.exitCode, 1);
    s.arc.dirs[0].files[3].data = db;
    EXPECT_EQ(testReadFile(s.root / "decoded.img"), imgFixBuild(s.arc).bytes);
}

}  // namespace
