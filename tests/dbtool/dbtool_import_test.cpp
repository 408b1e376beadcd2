// dbtool's import (-i), recreation (-r) and alignment (-a), run as a program,
// and the road of an edited chunk file back into an IMG archive.
#include "db.h"
#include "le.h"
#include "dbtool/fixtures.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct ImportDir {
    ScratchDir dir;
    DbFixture fixture = dbFixtureSample();
    std::vector<uint8_t> input = dbFixtureBuild(fixture).bytes;
    ImportDir()
    {
        testWriteFile(dir / "s.db", input);
        testMkdirs(dir / "in");
    }
    std::string operator/(const std::string& name) const { return dir / name; }
};

TEST(DbImportTest, FilesThatFitAreWrittenOverTheirOldBytes)
{
    ImportDir s;
    testWriteFile(s / "in/00_00_0101.04", dbFixtureBytes(10, 0xF0));  // 16-byte space
    testWriteFile(s / "in/01_01_0A02.0a", {});                       // empty: counts as missing
    testWriteFile(s / "in/02_03_0604.06", dbFixtureBytes(5, 0xE0));  // 4-byte space
    const RunResult r = testRun("dbtool", {"-i", "-n", s / "in", s / "s.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: file " + (s / "in/02_03_0604.06") +
                         " was not imported, becouse is bigger than original: ofile 4 ifile 5\n");
    DbFixture want = s.fixture;
    want.chunks[0].files[0].data = concat(dbFixtureBytes(10, 0xF0), std::vector<uint8_t>(6, 0));
    EXPECT_EQ(testReadFile(s / "s.db"), dbFixtureBuild(want).bytes);
}

TEST(DbImportTest, IntoACopyLeavesTheInputAlone)
{
    ImportDir s;
    testMkdirs(s / "in/0A");
    testWriteFile(s / "in/0A/03_00_0A11.0a", dbFixtureBytes(12, 0x11));
    const RunResult r = testRun("dbtool", {"-i", s / "in", s / "s.db", s / "copy.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s / "s.db"), s.input);
    DbFixture want = s.fixture;
    want.chunks[3].files[0].data = dbFixtureBytes(12, 0x11);
    EXPECT_EQ(testReadFile(s / "copy.db"), dbFixtureBuild(want).bytes);
    EXPECT_EQ(testListDir(s.dir.path), (std::vector<std::string>{"copy.db", "in", "s.db"}));
}

TEST(DbImportTest, OutputNamingTheDbItselfImportsInPlace)
{
    ImportDir s;
    testWriteFile(s / "in/pre_0000.04", dbFixtureBytes(16, 0x99));
    // Another spelling of the same path must not truncate the DB by copying
    // it onto itself.
    const RunResult r =
        testRun("dbtool", {"-i", "-n", "-s", s / "in", s / "s.db", s.dir.path + "/./s.db", "pre_"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    DbFixture want = s.fixture;
    want.chunks[0].files[0].data = dbFixtureBytes(16, 0x99);
    EXPECT_EQ(testReadFile(s / "s.db"), dbFixtureBuild(want).bytes);

    // The path exactly as given.
    testWriteFile(s / "in/pre_0000.04", dbFixtureBytes(12, 0x42));
    const RunResult again =
        testRun("dbtool", {"-i", "-n", "-s", s / "in", s / "s.db", s / "s.db", "pre_"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, "");
    want.chunks[0].files[0].data = concat(dbFixtureBytes(12, 0x42), {0, 0, 0, 0});
    EXPECT_EQ(testReadFile(s / "s.db"), dbFixtureBuild(want).bytes);
    EXPECT_EQ(testListDir(s.dir.path), (std::vector<std::string>{"in", "s.db"}));
}

TEST(DbImportTest, ExpandedNamesServeRecreationToo)
{
    ImportDir s;
    testMkdirs(s / "deep");
    testWriteFile(s / "deep/SCENE.DB", s.input);
    testMkdirs(s / "x");
    ASSERT_EQ(testRun("dbtool", {"-e", "-x", "-n", s / "x", s / "deep/SCENE.DB"}).exitCode, 10);
    testWriteFile(s / "x/SCENE_03_00_0A11.0a", dbFixtureBytes(7, 0x31));
    // With -x the second extra argument is not the name prefix.
    const RunResult r =
        testRun("dbtool", {"-r", "-x", "-n", s / "x", s / "deep/SCENE.DB", s / "new.db", "other_"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    DbFixture want = s.fixture;
    want.chunks[3].files[0].data = dbFixtureBytes(7, 0x31);
    EXPECT_EQ(testReadFile(s / "new.db"), dbFixtureBuild(want).bytes);
}

TEST(DbImportTest, ExtractedNamesAreFoundAgain)
{
    ImportDir s;
    for (const auto& opts : std::vector<std::vector<std::string>>{{}, {"-d"}, {"-s", "-d"}}) {
        ScratchDir tree;
        std::vector<std::string> args = {"-e"};
        args.insert(args.end(), opts.begin(), opts.end());
        args.insert(args.end(), {tree.path, s / "s.db", "p_"});
        ASSERT_EQ(testRun("dbtool", args).exitCode, 10);
        // Make every file different, keeping its size, then put them back.
        std::vector<std::string> names;
        for (const auto& sub : testListDir(tree.path))
            for (const auto& f : testListDir(tree / sub))
                names.push_back(sub + "/" + f);
        ASSERT_EQ(names.size(), 10u);
        for (const auto& n : names) {
            auto bytes = testReadFile(tree / n);
            for (auto& b : bytes)
                b = static_cast<uint8_t>(~b);
            testWriteFile(tree / n, bytes);
        }
        args[0] = "-r";
        args.back() = s / "new.db";
        args.push_back("p_");
        const RunResult r = testRun("dbtool", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        DbFixture want = s.fixture;
        for (auto& c : want.chunks)
            for (auto& f : c.files)
                for (auto& b : f.data)
                    b = static_cast<uint8_t>(~b);
        EXPECT_EQ(testReadFile(s / "new.db"), dbFixtureBuild(want).bytes);
    }
}

TEST(DbRecreateTest, NoFilesInDirGivesTheInputBack)
{
    ImportDir s;
    s.fixture.tail = dbFixtureBytes(9, 0x55);  // bytes after the trailing word are dropped
    const auto withTail = dbFixtureBuild(s.fixture).bytes;
    testWriteFile(s / "s.db", withTail);
    const RunResult r = testRun("dbtool", {"-r", s / "in", s / "s.db", s / "new.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s / "new.db"), s.input);
    EXPECT_EQ(testReadFile(s / "s.db"), withTail);
    EXPECT_EQ(testListDir(s.dir.path), (std::vector<std::string>{"in", "new.db", "s.db"}));
}

TEST(DbRecreateTest, FilesThatGrowAndShrinkMoveEveryLaterPointer)
{
    ImportDir s;
    testMkdirs(s / "in/04");
    testMkdirs(s / "in/06");
    testMkdirs(s / "in/0A");
    testWriteFile(s / "in/04/00_00_0101.04", dbFixtureBytes(10, 0xF0));  // 16 -> 12
    testWriteFile(s / "in/0A/01_00_0A01.0a", {});                        // 20 -> 0
    testWriteFile(s / "in/06/02_03_0604.06", dbFixtureBytes(30, 0xE0));  // 4 -> 32
    testWriteFile(s / "in/0A/03_00_0A11.0a", dbFixtureBytes(13, 0xD0));  // 12 -> 16
    const RunResult r = testRun("dbtool", {"-r", s / "in", s / "s.db", s / "new.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    DbFixture want = s.fixture;
    want.chunks[0].files[0].data = dbFixtureBytes(10, 0xF0);
    want.chunks[1].files[0].data = {};
    want.chunks[2].files[3].data = dbFixtureBytes(30, 0xE0);
    want.chunks[3].files[0].data = dbFixtureBytes(13, 0xD0);
    EXPECT_EQ(testReadFile(s / "new.db"), dbFixtureBuild(want).bytes);
}

TEST(DbRecreateTest, WithoutOutputNameReplacesTheDbAndLeavesNoTemporaryFile)
{
    ImportDir s;
    testMkdirs(s / "cwd");
    testWriteFile(s / "in/00_01_0102.04", dbFixtureBytes(3, 0x77));
    const RunResult r = testRun("dbtool", {"-r", "-n", s / "in", s / "s.db"}, s / "cwd");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    DbFixture want = s.fixture;
    want.chunks[0].files[1].data = dbFixtureBytes(3, 0x77);
    EXPECT_EQ(testReadFile(s / "s.db"), dbFixtureBuild(want).bytes);
    EXPECT_EQ(testListDir(s.dir.path), (std::vector<std::string>{"cwd", "in", "s.db"}));
    EXPECT_TRUE(testListDir(s / "cwd").empty());
}

TEST(DbRecreateTest, IntoTheDbsOwnNameIsRefused)
{
    ImportDir s;
    testWriteFile(s / "in/00_01_0102.04", dbFixtureBytes(3, 0x77));
    const std::string same = s.dir.path + "/./s.db";
    const RunResult r = testRun("dbtool", {"-r", "-n", s / "in", s / "s.db", same});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: output " + same + " is the DB file itself, in/out should differ\n");
    EXPECT_EQ(testReadFile(s / "s.db"), s.input);
    EXPECT_EQ(testListDir(s.dir.path), (std::vector<std::string>{"in", "s.db"}));
}

TEST(DbRecreateTest, OutputInAMissingDirectoryIsReported)
{
    ImportDir s;
    const std::string out = s / "no/such/new.db";
    RunResult r = testRun("dbtool", {"-r", s / "in", s / "s.db", out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR:error initialising header: file: " + out + "\n");
    r = testRun("dbtool", {"-i", s / "in", s / "s.db", out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR:error copy file for importing: " + out + "\n");
}

TEST(DbRecreateTest, OutputsGoThroughTheSharedRoutine)
{
    namespace fs = std::filesystem;
    ImportDir s;
    testMkdirs(s / "keep");
    testWriteFile(s / "keep/new.db", {'o', 'l', 'd'});
    fs::create_symlink("keep/new.db", s / "link.db");
    RunResult r = testRun("dbtool", {"-r", "-d", s / "in", s / "s.db", s / "link.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(fs::is_symlink(s / "link.db"));
    EXPECT_EQ(testReadFile(s / "keep/new.db"), s.input);

    // Read-only outputs, replaced or imported into in place, are refused.
    fs::permissions(s / "keep/new.db", fs::perms(0444));
    fs::permissions(s / "s.db", fs::perms(0444));
    testWriteFile(s / "in/00_00_0101.04", dbFixtureBytes(10, 0xF0));
    for (const auto& [args, name] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"-r", "-n", s / "in", s / "s.db", s / "link.db"}, s / "link.db"},
             {{"-i", "-n", s / "in", s / "s.db"}, s / "s.db"}}) {
        r = testRun("dbtool", args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "ERROR: output \"" + name + "\" is read-only, it was left unchanged\n");
    }
    EXPECT_EQ(testReadFile(s / "keep/new.db"), s.input);
    EXPECT_EQ(testReadFile(s / "s.db"), s.input);
}

TEST(DbImportTest, ADirFileOf2GiBIsRefusedBeforeItsSizeIsCompared)
{
    ImportDir s;
    testWriteFile(s / "in/00_00_0101.04", {});
    std::filesystem::resize_file(s / "in/00_00_0101.04", uint64_t{1} << 31);
    const RunResult r = testRun("dbtool", {"-i", "-n", s / "in", s / "s.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: file \"" + (s / "in/00_00_0101.04") + "\" is 2 GiB or larger\n");
    EXPECT_EQ(testReadFile(s / "s.db"), s.input);
}

TEST(DbRecreateTest, FirstChunkIsPutRightAfterThePointerTable)
{
    ImportDir s;
    // Four bytes between the table and the first chunk: every entry points
    // 4 bytes further, the chunks themselves are unchanged.
    auto gapped = s.input;
    gapped.insert(gapped.begin() + 4 + 4 * 5, {0xAA, 0xAA, 0xAA, 0xAA});
    for (size_t i = 0; i < 5; ++i)
        dbFixturePut32(gapped, 4 + 4 * i, *leGet32(gapped, 4 + 4 * i) + 4);
    testWriteFile(s / "gap.db", gapped);
    const RunResult r = testRun("dbtool", {"-r", s / "in", s / "gap.db", s / "new.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: first chunk does not follow the chunk pointer table(pointer 18, "
                     "expected 14), recreated DB puts it there\n");
    EXPECT_EQ(testReadFile(s / "new.db"), s.input);
}

TEST(DbRecreateTest, AChunkWhoseFilesAllComeOutEmptyEndsAfterItsPointerArray)
{
    ScratchDir dir;
    DbFixture f;
    f.chunks.push_back({0x06, {{0x0601, dbFixtureBytes(8, 1)}}, {}});
    f.chunks.push_back({0x0A, {{0x0A01, dbFixtureBytes(8, 2)}, {0x0A02, dbFixtureBytes(4, 3)}}, {}});
    f.chunks.push_back({0x0B, {{0x0B01, dbFixtureBytes(8, 4)}, {0x0B02, dbFixtureBytes(4, 5)}}, {}});
    testWriteFile(dir / "c.db", dbFixtureBuild(f).bytes);
    testMkdirs(dir / "in");
    // Every file of chunks 0 and 2 empty: the running pointer ends at 4, and
    // the end pointer must still count the pointer array (4 + 4*n).
    testWriteFile(dir / "in/00_00_0601.06", {});
    testWriteFile(dir / "in/02_00_0B01.0b", {});
    testWriteFile(dir / "in/02_01_0B02.0b", {});
    const RunResult r = testRun("dbtool", {"-r", "-n", dir / "in", dir / "c.db", dir / "new.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    DbFixture want = f;
    want.chunks[0].files[0].data = {};
    want.chunks[2].files[0].data = {};
    want.chunks[2].files[1].data = {};
    const DbFixtureImage wantImage = dbFixtureBuild(want);
    const auto bytes = testReadFile(dir / "new.db");
    EXPECT_EQ(bytes, wantImage.bytes);
    EXPECT_EQ(*leGet32(bytes, wantImage.chunks[0].pointerBase + 4), 8u);
    EXPECT_EQ(*leGet32(bytes, wantImage.chunks[2].pointerBase + 8), 12u);
    // The data end is the file's end: no trailing word read from the pointers.
    testing::internal::CaptureStderr();
    const auto a = dbOpen(dir / "new.db");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->dataEnd, static_cast<int64_t>(bytes.size()));
    EXPECT_FALSE(a->hasAfterData);
    EXPECT_EQ(a->chunks[1].headerPos, wantImage.chunks[1].headerPos);
}

TEST(DbRecreateTest, BrokenPointersAreReportedAndTheRestIsRebuilt)
{
    ImportDir s;
    const DbFixtureImage img = dbFixtureBuild(s.fixture);
    auto bytes = img.bytes;
    dbFixturePut32(bytes, img.chunks[0].pointerBase + 4, 0x00F00000);  // file 1 far outside
    dbFixturePut32(bytes, img.chunks[3].pointerBase, 4);  // first file inside the pointer array
    testWriteFile(s / "b.db", bytes);
    const RunResult r = testRun("dbtool", {"-r", s / "in", s / "b.db", s / "new.db"});
    EXPECT_EQ(r.exitCode, 1);
    // Old bytes past the DB's end (file 0) or of a negative size (file 1)
    // are the short copy they would be.
    const std::string shortCopy =
        "ERROR: error during writing to file " + (s / "new.db") + "(during import)";
    EXPECT_EQ(testLines(r.err),
              (std::vector<std::string>{
                  shortCopy,
                  shortCopy,
                  "ERROR:unexpected error, first pointer in chunk(3) is lower than expected: 4 < 8",
                  "ERROR: " + (s / "new.db") +
                      " : unexpected chunk(3) size: chunk size:32, expected:28",
              }));
    // The two unreadable files come out empty, every chunk stays reachable.
    const auto a = dbOpen(s / "new.db");
    ASSERT_TRUE(a);
    EXPECT_EQ(dbFileExtent(a->chunks[0], 0).size, 0);
    EXPECT_EQ(dbFileExtent(a->chunks[0], 1).size, 0);
    EXPECT_EQ(dbFileExtent(a->chunks[0], 2).size, 12);
    EXPECT_EQ(a->chunks[4].type, 0x1B);
    EXPECT_TRUE(a->hasAfterData);
}

TEST(DbAlignTest, GrowsTheRebuiltDbWithTheInputsOwnTrailingBytes)
{
    ImportDir s;
    s.fixture.tail = dbFixtureBytes(40, 0x60);
    const auto input = dbFixtureBuild(s.fixture).bytes;
    testWriteFile(s / "s.db", input);
    RunResult r = testRun("dbtool", {"-r", "-a", s / "in", s / "s.db", s / "new.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s / "new.db"), input);

    // 4 bytes shorter data and only 40 bytes to copy: zero bytes make up the rest.
    testMkdirs(s / "in/04");
    testWriteFile(s / "in/04/00_00_0101.04", dbFixtureBytes(12, 0xF0));
    r = testRun("dbtool", {"-r", "-a", s / "in", s / "s.db", s / "new.db"});
    EXPECT_EQ(r.exitCode, 1);
    DbFixture want = s.fixture;
    want.chunks[0].files[0].data = dbFixtureBytes(12, 0xF0);
    want.tail = concat(dbFixtureBytes(40, 0x60), {0, 0, 0, 0});
    EXPECT_EQ(testReadFile(s / "new.db"), dbFixtureBuild(want).bytes);

    // A rebuilt DB that is not shorter is left as it is.
    testWriteFile(s / "in/04/00_00_0101.04", dbFixtureBytes(100, 0xF0));
    r = testRun("dbtool", {"-r", "-a", s / "in", s / "s.db", s / "new.db"});
    EXPECT_EQ(r.exitCode, 1);
    want.chunks[0].files[0].data = dbFixtureBytes(100, 0xF0);
    want.tail = {};
    EXPECT_EQ(testReadFile(s / "new.db"), dbFixtureBuild(want).bytes);
}

TEST(DbRoadTest, ChunkFileEditedOutOfAnImgArchiveGoesBackByteForByte)
{
    ScratchDir dir;
    const DbFixture db = dbFixtureSample();
    const std::vector<uint8_t> other = dbFixtureBytes(3000, 1);
    testWriteFile(dir / "game.img", dbFixtureImg({other, dbFixtureBuild(db).bytes}));
    testMkdirs(dir / "img");
    testMkdirs(dir / "db");

    RunResult r = testRun("imgtool", {"-e", "-d", dir / "img", dir / "game.img"});
    ASSERT_EQ(r.exitCode, 2) << r.err;
    const std::string dbFile = dir / "img/00/00_0001_0041.db";
    ASSERT_TRUE(testExists(dbFile));

    r = testRun("dbtool", {"-e", "-d", dir / "db", dbFile});
    ASSERT_EQ(r.exitCode, 10) << r.err;
    const std::string dlg = dir / "db/06/02_00_0601.dlg";
    ASSERT_EQ(testReadFile(dlg).size(), 24u);
    testWriteFile(dlg, dbFixtureBytes(21, 0xC8));

    r = testRun("dbtool", {"-i", "-d", dir / "db", dbFile});
    ASSERT_EQ(r.exitCode, 1) << r.err;
    r = testRun("imgtool", {"-i", "-d", dir / "img", dir / "game.img"});
    ASSERT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.err, "");

    DbFixture edited = db;
    edited.chunks[2].files[0].data = concat(dbFixtureBytes(21, 0xC8), {0, 0, 0});
    EXPECT_EQ(testReadFile(dir / "game.img"), dbFixtureImg({other, dbFixtureBuild(edited).bytes}));
}

}  // namespace
