// dbtool's command line, listing and extraction, run as a program.
#include "dbtool/fixtures.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

const std::string usage =
    "Usage:dbtool -[e|r|i|l] [-d] DIR DBfile [outname] [addname]\n"
    "Program extract/import files to KZ7 DB archive(.db)\n"
    "-e\textract files from file list(or all) from DBfile to DIR\n"
    "-r\trecreate DBfile with files in DIR, save DB to outname(default to DBfile)\n"
    "-i\timport files to DBfile, import file which fits original space(arent bigger)\n"
    "-a\tallign file to be same size as DBfile, if bigger do nothing, copy that align data from "
    "DBfile(if data exists)\n"
    "-l\tprint content of DBfile\n"
    "-s\tuse short name for extracted/imported files\n"
    "-d\tdecode types of files, add extension(if extracted with this, need for "
    "recreate/import...)\n"
    "-n\tnot extract to subdirs(import from)\n"
    "  \taddname is prefix for output/input files. If you set it for export, you need it for "
    "import.\n"
    "-x\texpand name, set addname to 'DBfile_' (DBfile without extension).\n"
    "program dont make list of file, but take actual files, in/out should differ\n"
    "program return files added/extracted, or 1 if recreated succesfuly\n"
    "\n";

std::vector<uint8_t> padded(std::vector<uint8_t> v)
{
    v.resize((v.size() + 3) / 4 * 4, 0);
    return v;
}

// A scratch directory with the sample DB as "s.db" and an empty "out".
struct SampleDir {
    ScratchDir dir;
    DbFixture fixture = dbFixtureSample();
    DbFixtureImage image = dbFixtureBuild(fixture);
    SampleDir()
    {
        testWriteFile(dir / "s.db", image.bytes);
        testMkdirs(dir / "out");
    }
    std::string operator/(const std::string& name) const { return dir / name; }
};

TEST(DbCliTest, UsageAndArgumentErrors)
{
    SampleDir s;
    RunResult r = testRun("dbtool", {});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, usage);
    EXPECT_EQ(r.out, "");

    r = testRun("dbtool", {"-l", s / "out"});  // fewer than 3 arguments
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, usage);

    r = testRun("dbtool", {"l", s / "out", s / "s.db"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "no option given\n" + usage);

    r = testRun("dbtool", {"-l", "-d", s / "out"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "no FSfile or dir given\n" + usage);

    // No mode: nothing happens.
    r = testRun("dbtool", {"-d", "-n", s / "out", s / "s.db"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err + r.out, "");
    // -a is a setting, not a mode.
    r = testRun("dbtool", {"-a", s / "out", s / "s.db"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err + r.out, "");
    EXPECT_TRUE(testListDir(s / "out").empty());

    r = testRun("dbtool", {"-l", s / "nodir", s / "s.db"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "DIR must be existing directory: " + (s / "nodir") + "\n");

    r = testRun("dbtool", {"-l", s / "out", s / "out"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "FSfile must be file and exist: " + (s / "out") + "\n");

    testWriteFile(s / "bad.db", {0xDC, 1, 0, 0, 8, 0, 0, 0});
    r = testRun("dbtool", {"-e", s / "out", s / "bad.db"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: file '" + (s / "bad.db") +
                         "' is not KZ7 DB file(first byte is not 0xDB) is: 0xDC\n");
    EXPECT_TRUE(testListDir(s / "out").empty());
}

TEST(DbCliTest, OptionsByTheirSecondCharacterInEitherCase)
{
    SampleDir s;
    // "-List" is -l; -H prints the usage and goes on; an unknown option is
    // reported with the usage and parsing goes on.
    RunResult r = testRun("dbtool", {"-List", "-H", "-q", s / "out", s / "s.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, usage + "unknown option -q\n" + usage);
    EXPECT_EQ(r.out.rfind("chunks 5, ", 0), 0u);

    // A later mode replaces an earlier one.
    r = testRun("dbtool", {"-l", "-E", s / "out", s / "s.db"});
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_EQ(r.out, "");
}

TEST(DbCliTest, ListingShowsChunksIdsAndStoredPointers)
{
    ScratchDir dir;
    DbFixture f;
    f.chunks.push_back({0x06, {{0x0601, dbFixtureBytes(4, 1)}}, {}});
    f.chunks.push_back({0x0A, {{0x0A01, dbFixtureBytes(8, 2)}, {0x0A02, dbFixtureBytes(4, 3)}}, {}});
    testWriteFile(dir / "l.db", dbFixtureBuild(f).bytes);
    const RunResult r = testRun("dbtool", {"-l", dir.path, dir / "l.db"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "chunks 2, (?data size 64)\n"
              "chunk 0, type 6, files 1, pointer base 14\n"
              "ids: 601 \n"
              "ptr:   8    C \n"
              "chunk 1, type A, files 2, pointer base 28\n"
              "ids: A01  A02 \n"
              "ptr:   C   10   18 \n");
    EXPECT_EQ(testListDir(dir.path), (std::vector<std::string>{"l.db"}));

    // Three files: two padding bytes after the ids, pointer base H + 12. The
    // data size is the data end, not the file's size with its trailing word.
    DbFixture three;
    three.chunks.push_back({0x04, {{0x0001, dbFixtureBytes(4, 1)}, {0x0002, dbFixtureBytes(4, 2)},
                                   {0xFFFF, dbFixtureBytes(4, 3)}}, {}});
    three.afterData = 0xCAFE;
    testWriteFile(dir / "t.db", dbFixtureBuild(three).bytes);
    const RunResult t = testRun("dbtool", {"-l", dir.path, dir / "t.db"});
    EXPECT_EQ(t.exitCode, 1);
    EXPECT_EQ(t.err, "");
    EXPECT_EQ(t.out,
              "chunks 1, (?data size 48)\n"
              "chunk 0, type 4, files 3, pointer base 14\n"
              "ids:   1    2 FFFF \n"
              "ptr:  10   10   10   1C \n");
}

TEST(DbCliTest, ExtractionWithSubdirectoriesAndLongNames)
{
    SampleDir s;
    const RunResult r = testRun("dbtool", {"-e", s / "out", s / "s.db"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_EQ(testListDir(s / "out"), (std::vector<std::string>{"04", "06", "0A", "1B"}));
    EXPECT_EQ(testListDir(s / "out/04"),
              (std::vector<std::string>{"00_00_0101.04", "00_01_0102.04", "00_02_0103.04"}));
    // Two chunks of one type share a subdirectory, told apart by the chunk index.
    EXPECT_EQ(testListDir(s / "out/0A"),
              (std::vector<std::string>{"01_00_0A01.0a", "01_01_0A02.0a", "03_00_0A11.0a"}));
    EXPECT_TRUE(testListDir(s / "out/1B").empty());
    for (size_t i = 0; i < s.fixture.chunks.size(); ++i)
        for (size_t j = 0; j < s.fixture.chunks[i].files.size(); ++j) {
            const auto& file = s.fixture.chunks[i].files[j];
            char name[64];
            std::snprintf(name, sizeof name, "%02X/%02zu_%02zu_%04X.%02x", s.fixture.chunks[i].type,
                          i, j, file.id, s.fixture.chunks[i].type);
            EXPECT_EQ(testReadFile(s / ("out/" + std::string(name))), padded(file.data)) << name;
        }
    // The zero-length file in the middle of chunk 2 is written empty.
    EXPECT_TRUE(testReadFile(s / "out/06/02_01_0602.06").empty());
}

TEST(DbCliTest, ExtractionWithShortNamesDecodedTypesAndPrefixes)
{
    SampleDir s;
    RunResult r = testRun("dbtool", {"-e", "-n", "-s", "-d", s / "out", s / "s.db", "pre_"});
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_EQ(testListDir(s / "out"),
              (std::vector<std::string>{"pre_0000.tim", "pre_0001.tim", "pre_0002.tim", "pre_0100.0a",
                                        "pre_0101.0a", "pre_0200.dlg", "pre_0201.dlg", "pre_0202.dlg",
                                        "pre_0203.dlg", "pre_0300.0a"}));
    EXPECT_EQ(testReadFile(s / "out/pre_0101.0a"), s.fixture.chunks[1].files[1].data);

    // -x: the DB's own name without its extension, replacing any addname.
    testMkdirs(s / "deep/dir");
    testWriteFile(s / "deep/dir/SCENE.DB", s.image.bytes);
    testMkdirs(s / "x");
    r = testRun("dbtool", {"-e", "-x", "-n", s / "x", s / "deep/dir/SCENE.DB", "ignored_"});
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_EQ(testListDir(s / "x")[0], "SCENE_00_00_0101.04");

    testWriteFile(s / "deep/noext", s.image.bytes);
    testMkdirs(s / "y");
    r = testRun("dbtool", {"-e", "-x", "-n", "-s", s / "y", s / "deep/noext"});
    EXPECT_EQ(testListDir(s / "y")[0], "noext_0000.04");
}

TEST(DbCliTest, ExtractionNeverWritesOverTheDbItself)
{
    SampleDir s;
    // With these options file 0 of chunk 0 is named like the DB.
    const std::string db = s / "out/pre_0000.04";
    testWriteFile(db, s.image.bytes);
    const RunResult r = testRun("dbtool", {"-e", "-n", "-s", s / "out", db, "pre_"});
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(testLines(r.err), (std::vector<std::string>{
                                    "ERROR: output " + db + " is the DB file itself, in/out should differ",
                                    "ERROR: error during extracting file 0 type 0 from chunk 257",
                                }));
    EXPECT_EQ(testReadFile(db), s.image.bytes);
    EXPECT_EQ(testReadFile(s / "out/pre_0001.04"), s.fixture.chunks[0].files[1].data);
}

TEST(DbCliTest, FilesOutsideTheDbAreReportedAndSkipped)
{
    SampleDir s;
    auto bytes = s.image.bytes;
    // File 1 of chunk 0 points far past the end of the DB.
    const DbFixtureChunkLayout& c0 = s.image.chunks[0];
    dbFixturePut32(bytes, c0.pointerBase + 4, 0x00F00000);
    testWriteFile(s / "s.db", bytes);
    const RunResult r = testRun("dbtool", {"-e", "-n", s / "out", s / "s.db"});
    // File 0 runs up to the bad pointer, past the DB's end: a short copy,
    // and no partial file. File 1 gets a negative size (refused without a
    // line of its own); file 2 is fine. The failure line names j, the chunk
    // index and the id, in that order.
    const std::vector<std::string> lines = testLines(r.err);
    ASSERT_EQ(lines.size(), 3u) << r.err;
    EXPECT_EQ(lines[0], "ERROR: error during writing to file " + (s / "out/00_00_0101.04"));
    EXPECT_EQ(lines[1], "ERROR: error during extracting file 0 type 0 from chunk 257");
    EXPECT_EQ(lines[2], "ERROR: error during extracting file 1 type 0 from chunk 258");
    EXPECT_EQ(r.exitCode, 8);
    EXPECT_FALSE(testExists(s / "out/00_00_0101.04"));
    EXPECT_EQ(testReadFile(s / "out/00_02_0103.04"), s.fixture.chunks[0].files[2].data);
}

}  // namespace
