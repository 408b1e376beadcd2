#include "bincopy.h"
#include "messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

std::string bytes(size_t n, char first = 'a')
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += static_cast<char>(first + i % 26);
    return s;
}

std::string fmt(const char* f, const std::string& a, int n)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, f, a.c_str(), n);
    return buf;
}

std::string fmt(const char* f, const std::string& a)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, f, a.c_str());
    return buf;
}

struct Bincopy : ::testing::Test {
    ScratchDir dir;
    RunResult run(const std::vector<std::string>& args) { return testRun("bincopy", args, dir.path); }
    void write(const std::string& name, const std::string& content) { testWriteText(dir / name, content); }
    std::string read(const std::string& name) { return testReadText(dir / name); }
    bool exists(const std::string& name) { return testExists(dir / name); }
};

std::string expectedUsage()
{
    std::string s = "bincopy usage: util to copy files\n";
    for (const char* line : bincopyUsageLines)
        s += std::string(line) + "\n";
    return s;
}

}  // namespace

TEST(BincopyNumber, AutomaticBaseAndRange)
{
    EXPECT_EQ(bincopyNumber("16"), 16);
    EXPECT_EQ(bincopyNumber("0x10"), 16);
    EXPECT_EQ(bincopyNumber("020"), 16);
    EXPECT_EQ(bincopyNumber("-1"), -1);
    EXPECT_EQ(bincopyNumber("12abc"), 12);
    EXPECT_EQ(bincopyNumber("zz"), 0);
    EXPECT_EQ(bincopyNumber("0xFFFFFFFF"), INT32_MAX);
    EXPECT_EQ(bincopyNumber("-99999999999"), INT32_MIN);
}

TEST_F(Bincopy, UsageAndExitCodes)
{
    const RunResult none = run({});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, expectedUsage());
    EXPECT_TRUE(none.out.ends_with("to FILE\nnote: not checking correct numbers... so check it yourself:P\n"));
    EXPECT_NE(none.out.find("-i  FILE  POSITION1 FILE1  POSITIONX FILEX\n\n-ip"), std::string::npos);
    for (const char* opt : {"-?", "-help", "-HeLP"}) {
        const RunResult r = run({opt});
        EXPECT_EQ(r.exitCode, 0) << opt;
        EXPECT_EQ(r.out, expectedUsage()) << opt;
        EXPECT_EQ(r.err, "") << opt;
    }
}

TEST_F(Bincopy, OptionsThatDoNothingOrAreUnknown)
{
    write("f", "0123");
    write("g", "ab");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"i", "f", "0", "g"}, {"-s", "f", "0", "g"}, {"-sx", "f"}, {"-ix", "f", "0", "g"},
             {"-Ix", "f", "g", "0", "1"}, {"-ex", "f", "h", "0", "1"}, {"-tx", "f", "g", "h"},
             {"-i", "f", "0"}, {"-a", "f"}, {"-ip", "f", "0", "g", "0"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, 0) << args[0];
        EXPECT_EQ(r.out + r.err, "") << args[0];
    }
    EXPECT_EQ(read("f"), "0123");
    EXPECT_FALSE(exists("h"));
    for (const char* opt : {"-j", "-x", "-"}) {
        const RunResult r = run({opt, "f", "0", "g"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, fmt(bincopyMsgUnknown, opt)) << opt;
    }
}

TEST_F(Bincopy, TooFewArgumentsForExportAndConvert)
{
    write("f", "0123");
    for (const char* opt : {"-e", "-ep", "-ec", "-eC"}) {
        const RunResult r = run({opt, "f", "out", "0"});
        EXPECT_EQ(r.out, bincopyMsgFewExport) << opt;
        EXPECT_EQ(r.err, "") << opt;
        EXPECT_EQ(r.exitCode, 0);
    }
    for (const char* opt : {"-t", "-tr"}) {
        const RunResult r = run({opt, "table", "in"});
        EXPECT_EQ(r.out, bincopyMsgFewTable) << opt;
        EXPECT_EQ(r.err, "") << opt;
        EXPECT_EQ(r.exitCode, 0);
    }
    EXPECT_FALSE(exists("out"));
}

TEST_F(Bincopy, ImportWholeFiles)
{
    write("a", "AAAA");
    write("b", "BB");
    // The target is created; a position past its end leaves zeros between;
    // a missing FILE1 copies nothing and says why; a partial last group is
    // ignored.
    const RunResult r = run({"-i", "t", "2", "a", "0x8", "b", "0", "missing", "0"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: cant read missing: No such file or directory\n");
    EXPECT_EQ(read("t"), std::string("\0\0AAAA\0\0BB", 10));
    run({"-i", "t", "010", "a"});  // octal 8
    EXPECT_EQ(read("t"), std::string("\0\0AAAA\0\0AAAA", 12));
}

TEST_F(Bincopy, ImportPart)
{
    write("t", "0123456789");
    write("s", "abcdefgh");
    run({"-ip", "t", "1", "s", "2", "3", "8", "s", "0", "4"});
    EXPECT_EQ(read("t"), "0cde4567abcd");
    // A negative size runs to the end of the source.
    run({"-ip", "t", "0", "s", "5", "-1"});
    EXPECT_EQ(read("t"), "fghe4567abcd");
}

TEST_F(Bincopy, ImportOfAFileIntoItselfAtALaterOverlappingPlace)
{
    // Larger than one copy buffer, so a forward copy would reread bytes it
    // had already overwritten.
    const std::string orig = bytes(600000);
    write("t", orig);
    run({"-ip", "t", "5", "t", "0", "600000"});
    EXPECT_TRUE(read("t") == orig.substr(0, 5) + orig);
    write("t", orig);
    run({"-i", "t", "300001", "t"});
    EXPECT_TRUE(read("t") == orig.substr(0, 300001) + orig);
    // Backwards within the file, and a count past the end of the source.
    write("t", orig);
    run({"-ip", "t", "0", "t", "7", "-1"});
    EXPECT_TRUE(read("t") == orig.substr(7) + orig.substr(orig.size() - 7));
}

TEST_F(Bincopy, ImportWithMaximumSize)
{
    write("ten", bytes(10));
    write("twenty", bytes(20, 'A'));
    write("t", "");
    RunResult r = run({"-iM", "t", "0", "ten", "16", "16", "twenty", "16"});
    EXPECT_EQ(r.err, fmt(bincopyMsgBigger, "twenty", 4));
    EXPECT_EQ(read("t"), bytes(10) + std::string(6, '\0') + bytes(16, 'A'));
    // -im does not fill.
    write("t", std::string(20, '#'));
    r = run({"-im", "t", "2", "ten", "16"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("t"), "##" + bytes(10) + std::string(8, '#'));
    // Export order: FILE1 first.
    write("t", std::string(20, '#'));
    run({"-Im", "t", "ten", "0", "4"});
    EXPECT_EQ(read("t"), bytes(4) + std::string(16, '#'));
    write("t", std::string(20, '#'));
    run({"-IM", "t", "ten", "1", "12"});
    EXPECT_EQ(read("t"), "#" + bytes(10) + std::string(2, '\0') + std::string(7, '#'));
    // -IP: the room ends at MAXPOSITION.
    write("t", std::string(20, '#'));
    run({"-IP", "t", "ten", "4", "0x10"});
    EXPECT_EQ(read("t"), "####" + bytes(10) + std::string(2, '\0') + "####");
    write("t", std::string(8, '#'));
    r = run({"-IP", "t", "twenty", "2", "6"});
    EXPECT_EQ(r.err, fmt(bincopyMsgBigger, "twenty", 16));
    EXPECT_EQ(read("t"), "##ABCD##");
}

TEST_F(Bincopy, MissingFileEndsTheMaximumSizeRun)
{
    write("s", "xy");
    const RunResult r = run({"-iM", "t", "0", "s", "2", "2", "s", "2", "4", "gone", "2", "6", "s", "2"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, fmt(bincopyMsgNotExist, "gone"));
    EXPECT_EQ(read("t"), "xyxy");  // the fourth group is not processed
}

TEST_F(Bincopy, ImportSequences)
{
    write("s", "0123456789");
    write("t", std::string(16, '.'));
    run({"-is", "t", "1", "4", "s", "0", "1", "2", "3"});
    EXPECT_EQ(read("t"), ".01....34....67.");
    // -iS: blocks starting within SSIZE 7 of the first: at 0, 3 and 6.
    write("t", std::string(16, '.'));
    run({"-iS", "t", "0", "0", "s", "0", "1", "2", "7"});
    EXPECT_EQ(read("t"), "013467" + std::string(10, '.'));
    // The last block is cut by the end of FILE1.
    write("t", std::string(8, '.'));
    run({"-iS", "t", "0", "0", "s", "6", "0", "3", "100"});
    EXPECT_EQ(read("t"), "6789....");
}

TEST_F(Bincopy, SequenceBlocksBeforeTheSourceStartCopyNothing)
{
    write("s", "0123456789");
    write("t", std::string(8, '.'));
    // Blocks at -3 and -1 copy nothing; those at 1 and 3 do, each at the
    // target position its place in the sequence gives.
    const RunResult r = run({"-is", "t", "0", "0", "s", "-3", "0", "2", "4"});
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(read("t"), "....1234");
    // A block whose target position is refused does not end the sequence.
    write("t", std::string(4, '.'));
    const RunResult n = run({"-is", "t", "-2", "0", "s", "0", "0", "2", "3"});
    char expected[256];
    std::snprintf(expected, sizeof expected, bincopyMsgBadPosition, -2LL, "t");
    EXPECT_EQ(n.err, expected);
    EXPECT_EQ(read("t"), "2345");
}

TEST_F(Bincopy, SequenceStepMustMoveOn)
{
    write("s", "0123456789");
    write("t", "....");
    for (const char* opt : {"-is", "-iS"}) {
        const RunResult r = run({opt, "t", "0", "0", "s", "0", "-2", "2", "5", "0", "0", "s", "0", "0", "1", "1"});
        EXPECT_EQ(r.exitCode, 0);
        char expected[256];
        std::snprintf(expected, sizeof expected, bincopyMsgBadStep, 0);
        EXPECT_EQ(r.err, expected) << opt;
    }
    EXPECT_EQ(read("t"), "0...");  // the later good group ran
}

TEST_F(Bincopy, NegativeTargetPositionIsRefused)
{
    write("s", "ab");
    write("t", "....");
    const RunResult r = run({"-i", "t", "-4", "s", "1", "s"});
    char expected[256];
    std::snprintf(expected, sizeof expected, bincopyMsgBadPosition, -4LL, "t");
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(read("t"), ".ab.");
}

TEST_F(Bincopy, Append)
{
    write("a", "AA");
    write("b", "B");
    run({"-a", "t", "a", "missing", "b"});
    EXPECT_EQ(read("t"), "AAB");
    run({"-a", "t", "t"});
    EXPECT_EQ(read("t"), "AABAAB");
}

TEST_F(Bincopy, ExportRanges)
{
    write("f", "0123456789");
    write("old", "a much longer old content");
    run({"-e", "f", "e1", "2", "3", "old", "0", "4", "partial"});
    EXPECT_EQ(read("e1"), "234");
    EXPECT_EQ(read("old"), "0123");
    EXPECT_FALSE(exists("partial"));
    run({"-ep", "f", "p1", "3", "7", "p2", "6", "2"});
    EXPECT_EQ(read("p1"), "3456");
    EXPECT_EQ(read("p2"), "6789");  // POSEND below POSSTART: to the end
    RunResult r = run({"-e", "missing", "m", "0", "4"});
    EXPECT_EQ(r.err, "ERROR: cant read missing: No such file or directory\n");
    EXPECT_FALSE(exists("m"));
    // A position past the end exports nothing into a new, empty file, and
    // the short copy is reported.
    r = run({"-e", "f", "past", "20", "4"});
    EXPECT_EQ(r.err, "ERROR: copied only 0 of 4 bytes from f to past: end of input file\n");
    EXPECT_TRUE(exists("past"));
    EXPECT_EQ(read("past"), "");
    // An output that can't be made is reported; the exit code stays 0.
    r = run({"-e", "f", "nodir/e", "0", "4", "e2", "0", "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out + r.err, "ERROR: can't create \"nodir/e\": No such file or directory\n");
    EXPECT_EQ(read("e2"), "0");
    // No temporary files are left behind.
    for (const std::string& name : testListDir(dir.path))
        EXPECT_FALSE(name.starts_with("tmp")) << name;
}

TEST_F(Bincopy, ExportUpToAnEndChar)
{
    write("f", std::string("AB\0CD\0", 6));
    run({"-ec", "f", "c1", "0", "0", "-eC"});
    run({"-eC", "f", "c2", "0", "0", "c3", "3", "0x44", "c4", "4", "0x41"});
    EXPECT_EQ(read("c1"), std::string("AB\0", 3));
    EXPECT_EQ(read("c2"), "AB");
    EXPECT_EQ(read("c3"), "C");
    EXPECT_FALSE(exists("c4"));  // the file ends first
    // Only the low 8 bits count; a hit past the first 4096 bytes is found.
    write("big", std::string(5000, 'x') + "!" + "tail");
    run({"-ec", "big", "c5", "4990", "0x121"});
    EXPECT_EQ(read("c5"), "xxxxxxxxxx!");
}

TEST_F(Bincopy, ExportIntoItsOwnSourceIsRefused)
{
    write("f", "0123456789");
    const RunResult r = run({"-e", "f", "f", "0", "2"});
    char expected[512];
    std::snprintf(expected, sizeof expected, bincopyMsgSameFile, "f", "f");
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(read("f"), "0123456789");
}
