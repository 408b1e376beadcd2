// The sample game through the tools: every archive and dialog file comes
// back unchanged from a round through them, so the game is laid out the way
// the tools rebuild it and its window sizes are the ones they recompute.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "samplegame.h"
#include "samplegame/readers.h"
#include "support/testsupport.h"

namespace {

struct GameDir {
    ScratchDir dir;
    SampleGame game;
    GameDir()
    {
        std::string error;
        auto g = sampleGameBuild(error);
        EXPECT_TRUE(g) << error;
        if (g)
            game = *g;
        const RunResult r = testRun("samplegame", {dir / "game"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    std::string table() const { return dir / "game/kz7.tbs"; }
};

bool haveTools()
{
    for (const char* t : {"imgtool", "dbtool", "dlgtool"})
        if (!testExists(testToolPath(t)))
            return false;
    return true;
}

std::vector<std::string> filesBelow(const std::string& root)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file())
            names.push_back(std::filesystem::relative(e.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(SampleGameTools, ImgtoolRecreatesTheArchiveByteForByte)
{
    if (!haveTools())
        GTEST_SKIP() << "the archive tools are not built";
    GameDir g;
    const Bytes img = testReadFile(g.dir / "game/kz7.img");
    auto read = imgRead(img);
    ASSERT_TRUE(read);
    testMkdirs(g.dir / "x");
    RunResult r = testRun("imgtool", {"-e", "-d", g.dir / "x", g.dir / "game/kz7.img"});
    EXPECT_EQ(r.exitCode, static_cast<int>(read->files.size())) << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<std::string> expected;
    for (const auto& f : read->files)
        expected.push_back(f.name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesBelow(g.dir / "x"), expected);

    r = testRun("imgtool", {"-r", "-d", g.dir / "x", g.dir / "game/kz7.img", g.dir / "same.img"},
                g.dir.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadFile(g.dir / "same.img"), img);

    r = testRun("imgtool", {"-l", g.dir / "x", g.dir / "game/kz7.img"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("directory 0 ids and flags(3 files)\n0001 0000\n0002 0000\n0010 0001\n"),
              std::string::npos)
        << r.out;
}

TEST(SampleGameTools, DbtoolRebuildsEveryDbUpToItsTrailingWord)
{
    if (!haveTools())
        GTEST_SKIP() << "the archive tools are not built";
    GameDir g;
    size_t dbs = 0;
    for (const auto& f : g.game.inner) {
        if (!f.name.ends_with(".db"))
            continue;
        ++dbs;
        const std::string dir = g.dir / ("db" + std::to_string(dbs));
        testMkdirs(dir);
        // As imgtool extracts it: padded with zeros to whole sectors.
        Bytes padded = f.data;
        padded.resize((padded.size() + 2047) / 2048 * 2048, 0);
        const std::string in = dir + ".db";
        testWriteFile(in, padded);
        auto read = dbRead(f.data);
        ASSERT_TRUE(read);
        RunResult r = testRun("dbtool", {"-e", "-d", dir, in});
        EXPECT_EQ(r.exitCode, static_cast<int>(read->files.size())) << f.name << r.err;
        std::vector<std::string> expected;
        for (const auto& file : read->files)
            expected.push_back(file.name);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(filesBelow(dir), expected) << f.name;

        r = testRun("dbtool", {"-r", "-d", dir, in, dir + ".new"}, g.dir.path);
        EXPECT_EQ(r.exitCode, 1) << f.name << r.err;
        EXPECT_EQ(testReadFile(dir + ".new"), f.data) << f.name;

        r = testRun("dbtool", {"-l", dir, in});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_TRUE(r.out.starts_with("chunks " + std::to_string(read->chunkCount) +
                                      ", (?data size " + std::to_string(read->dataEnd) + ")\n"))
            << r.out;
    }
    EXPECT_EQ(dbs, 3u);
}

TEST(SampleGameTools, DlgtoolGivesEveryDialogFileBackWithTheSameSizes)
{
    if (!haveTools())
        GTEST_SKIP() << "the dialog tool is not built";
    GameDir g;
    size_t n = 0;
    for (const auto& f : g.game.inner) {
        if (!f.name.ends_with(".dlg"))
            continue;
        const std::string base = g.dir / ("d" + std::to_string(++n));
        testWriteFile(base + ".dlg", f.data);
        RunResult r = testRun("dlgtool", {"-e", "-t", g.table(), base + ".dlg", base + ".txt"});
        EXPECT_EQ(r.exitCode, 1) << f.name << r.err;
        EXPECT_EQ(r.err, "") << f.name;

        // Back from the text as it was, then with the window sizes recomputed:
        // the sizes and F9 0D line data stored in the game are those the
        // lengths table gives.
        r = testRun("dlgtool", {"-c", "-t", g.table(), base + ".txt", base + ".c.dlg"});
        EXPECT_EQ(r.exitCode, 1) << f.name << r.err;
        EXPECT_EQ(testReadFile(base + ".c.dlg"), f.data) << f.name;
        r = testRun("dlgtool", {"-c", "-o", "-t", g.table(), base + ".txt", base + ".co.dlg"});
        EXPECT_EQ(r.exitCode, 1) << f.name << r.err;
        EXPECT_EQ(r.err, "") << f.name;
        EXPECT_EQ(testReadFile(base + ".co.dlg"), f.data) << f.name;
        r = testRun("dlgtool", {"-o", "-t", g.table(), base + ".dlg", base + ".o.dlg"});
        EXPECT_EQ(r.exitCode, 0) << f.name << r.err;
        EXPECT_EQ(testReadFile(base + ".o.dlg"), f.data) << f.name;
    }
    EXPECT_EQ(n, 4u);
}
