#include "messages.h"
#include "support/testsupport.h"
#include "tbl/fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct BincopyTable : ::testing::Test {
    ScratchDir dir;
    RunResult run(const std::vector<std::string>& args) { return testRun("bincopy", args, dir.path); }
};

// Two-byte codes 0x80 + i, 0x40 + j stand for the text "<ij>" (i, j letters);
// the single bytes 'a'..'z' stand for themselves upper-cased.
std::string codeTable()
{
    std::string t;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            t += tblFixtureLine(tblFixtureHex({static_cast<uint8_t>(0x80 + i), static_cast<uint8_t>(0x40 + j)}),
                                std::string("<") + static_cast<char>('a' + i) + static_cast<char>('a' + j) + ">");
    for (char c = 'a'; c <= 'z'; ++c)
        t += tblFixtureLine(std::string(1, c), std::string(1, static_cast<char>(c - 32)));
    return t;
}

}  // namespace

TEST_F(BincopyTable, ConvertsBothWays)
{
    testWriteText(dir / "k.tbs", codeTable());
    testWriteText(dir / "in1", "ab\x81\x42z!");
    testWriteText(dir / "in2", "q");
    RunResult r = run({"-t", "k.tbs", "in1", "out1", "in2", "out2"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(testReadText(dir / "out1"), "AB<bc>Z!");
    EXPECT_EQ(testReadText(dir / "out2"), "Q");
    r = run({"-tr", "k.tbs", "out1", "back1"});
    EXPECT_EQ(testReadText(dir / "back1"), "ab\x81\x42z!");
}

TEST_F(BincopyTable, LargeFileWithKeysOnTheChunkBoundaries)
{
    testWriteText(dir / "k.tbs", codeTable());
    // An odd start puts a two-byte code across every 256 KiB boundary.
    std::string in = "a";
    std::string text = "A";
    for (int n = 0; in.size() < 3 * 0x40000 + 7; ++n) {
        const int i = n % 4;
        const int j = (n / 4) % 4;
        in += static_cast<char>(0x80 + i);
        in += static_cast<char>(0x40 + j);
        text += std::string("<") + static_cast<char>('a' + i) + static_cast<char>('a' + j) + ">";
    }
    testWriteText(dir / "game.bin", in);
    RunResult r = run({"-t", "k.tbs", "game.bin", "text.txt"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(testReadText(dir / "text.txt") == text);
    r = run({"-tr", "k.tbs", "text.txt", "again.bin"});
    EXPECT_TRUE(testReadText(dir / "again.bin") == in);
}

TEST_F(BincopyTable, OutputsGoThroughTheSharedRoutine)
{
    namespace fs = std::filesystem;
    testWriteText(dir / "k.tbs", codeTable());
    testWriteText(dir / "in", "ab");
    testMkdirs(dir / "keep");
    testWriteText(dir / "keep/t.txt", "old");
    fs::permissions(dir / "keep/t.txt", fs::perms(0640));
    fs::create_symlink("keep/t.txt", dir / "link.txt");
    // A link stays a link and the file keeps its mode; /dev/stdout is
    // written as a stream.
    RunResult r = run({"-t", "k.tbs", "in", "link.txt", "in", "/dev/stdout"});
    EXPECT_EQ(r.out + r.err, "AB");
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(testReadText(dir / "keep/t.txt"), "AB");
    EXPECT_EQ(fs::status(dir / "keep/t.txt").permissions(), fs::perms(0640));
    // Read-only outputs, whole or written in place, are refused unchanged.
    fs::permissions(dir / "keep/t.txt", fs::perms(0444));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-t", "k.tbs", "in", "link.txt"},
          {"-e", "in", "link.txt", "0", "1"},
          {"-iM", "link.txt", "0", "in", "3"}}) {
        r = run(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "ERROR: output \"link.txt\" is read-only, it was left unchanged\n");
    }
    EXPECT_EQ(testReadText(dir / "keep/t.txt"), "AB");
}

TEST_F(BincopyTable, MissingOrEmptyInputStopsTheGroups)
{
    testWriteText(dir / "k.tbs", codeTable());
    testWriteText(dir / "in", "a");
    testWriteText(dir / "empty", "");
    RunResult r = run({"-t", "k.tbs", "missing", "o1", "in", "o2"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: cant read missing: No such file or directory\n");
    EXPECT_FALSE(testExists(dir / "o1"));
    EXPECT_FALSE(testExists(dir / "o2"));
    run({"-t", "k.tbs", "in", "o3", "empty", "o4", "in", "o5"});
    EXPECT_EQ(testReadText(dir / "o3"), "A");
    EXPECT_FALSE(testExists(dir / "o4"));
    EXPECT_FALSE(testExists(dir / "o5"));
}

TEST_F(BincopyTable, TableThatCannotBeLoaded)
{
    testWriteText(dir / "in", "a");
    const RunResult r = run({"-t", "none.tbs", "in", "out"});
    EXPECT_EQ(r.exitCode, 0);
    char expected[256];
    std::snprintf(expected, sizeof expected, bincopyMsgTableInit, "none.tbs");
    EXPECT_TRUE(r.err.ends_with(expected)) << r.err;
    EXPECT_NE(r.err.find("ERROR: cant read(find) \"none.tbs\"\n"), std::string::npos);
    EXPECT_FALSE(testExists(dir / "out"));
}

TEST_F(BincopyTable, SkipModeAndOutputOverItsInput)
{
    testWriteText(dir / "s.tbs", "=skipmode\r\n" + tblFixtureLine("a", "1"));
    testWriteText(dir / "in", "xaxa");
    testWriteText(dir / "out", "previous, longer content");
    run({"-t", "s.tbs", "in", "out"});
    EXPECT_EQ(testReadText(dir / "out"), "11");
    const RunResult r = run({"-t", "s.tbs", "in", "in"});
    char expected[256];
    std::snprintf(expected, sizeof expected, bincopyMsgSameFile, "in", "in");
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(testReadText(dir / "in"), "xaxa");
}
