// End-to-end checks of the command line with the exact texts written out,
// so that a slip in the message constants themselves shows up.
#include "messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct BincopyCli : ::testing::Test {
    ScratchDir dir;
    RunResult run(const std::vector<std::string>& args) { return testRun("bincopy", args, dir.path); }
    void write(const std::string& name, const std::string& content) { testWriteText(dir / name, content); }
    std::string read(const std::string& name) { return testReadText(dir / name); }
    bool exists(const std::string& name) { return testExists(dir / name); }
};

const char* const usageText =
    "bincopy usage: util to copy files\n"
    "-i  FILE  POSITION1 FILE1  POSITIONX FILEX\n\n"
    "-ip FILE  POSITION1 FILE1 POSITIONFILE1 SIZE1  POSITIONX FILEX POSITIONFILEX SIZEX\n\n"
    "\timport file(s) FILE1(, ..., FILEX) to FILE to position POSSITION\n\n"
    "-im FILE POSITION1 FILE1 MAXSIZE1  POSITIONX FILEX MAXSIZEX\n\n"
    "-iM FILE POSITION1 FILE1 MAXSIZE1  POSITIONX FILEX MAXSIZEX\n\n"
    "-Im FILE  FILE1 POSITION1 MAXSIZE1  FILEX POSITIONX MAXSIZEX\n\n"
    "-IM FILE  FILE1 POSITION1 MAXSIZE1  FILEX POSITIONX MAXSIZEX\n\n"
    "-IP FILE  FILE1 POSITION1 MAXPOSITION1  FILEX POSITIONX MAXPOSITIONX\n\n"
    "\timport file(s) FILE1(, ..., FILEX) to FILE to position POSSITION, but only MAXSIZE, if file "
    "is bigger, WARN is displayed\n\n"
    "\tif using -iM, -IM, -IP, rest of importing space (MAXSIZE - FILESIZE) will be filled with "
    "zeros, if enought space\n\n"
    "\t-Im, -IM, -IP are ment as reverse to export...(you need only change one parameter)\n\n"
    "-is FILE  POSISTION1 SKIP1 FILE1 POSITIONFILE1 FSKIP1 SIZE1 COUNT1\n\n"
    "-iS FILE  POSISTION1 SKIP1 FILE1 POSITIONFILE1 FSKIP1 SIZE1 SSIZE1\n\n"
    "\timport COUNT1 of blocks (SIZE1 of bytes) from FILE1 to FILE to position POSSITION1\n\n"
    "\t(import sequence, sequence are blocks of bytes of same size, with possible different space "
    "size between blocks)\n\n"
    "\tSSIZE1 is size of sequence, max size which will be copied(copy to end on EOF)\n\n"
    "-a  FILE  FILE1 FILE2 ... FILEX\n\n"
    "\tappend FILE1 ... FILEX to FILE, create FILE if needed\n\n"
    "-e  FILE  FILE1 POSITION1 SIZE1  FILE2 POSITIONX SIZEX\n\n"
    "\texport data from FILE to FILE1 from POSITION1 and SIZE1\n\n"
    "-ep FILE  FILE1 POSSTART1 POSEND1  FILEX POSSTARTX POSENDX \n\n"
    "\texport data from FILE to FILE1 from POSSTART1 to POSENDX(excluding)\n\n"
    "-ec FILE  FILE1 POSITION1 ENDCHAR1  FILEX POSITIONX ENDCHARX \n\n"
    "\texport data from FILE to FILE1 from POSSTART1 to first found char ENDCHAR1(including)\n\n"
    "-eC FILE  FILE1 POSITION1 ENDCHAR1  FILEX POSITIONX ENDCHARX \n\n"
    "\texport data from FILE to FILE1 from POSSTART1 to first found char ENDCHAR1(excluding)\n\n"
    "-t  TABLE FILE1IN FILE1OUT  FILEXIN FILEXOUT\n\n"
    "-tr TABLE FILE1IN FILE1OUT  FILEXIN FILEXOUT\n\n"
    "\tconvert FILE1IN to FILE1OUT using given tbs TABLE, -tr use reverse table\n\n"
    "TODO -s  FILE  SIZE1 SIZEX\n\n"
    "TODO -sn FILE  SIZE\n\n"
    "TODO -sp FILE  POSITION1 POSITIONX - \n\n"
    "TODO -j  FILE  FILE1 FILEX - join FILE1 FILEX .. to FILE\n"
    "note: not checking correct numbers... so check it yourself:P\n";

}  // namespace

TEST_F(BincopyCli, UsageTextByteForByte)
{
    const RunResult none = run({});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, usageText);
    EXPECT_EQ(none.err, "");
    for (const char* opt : {"-?", "-HELP", "-Help"}) {
        const RunResult r = run({opt, "ignored", "too"});
        EXPECT_EQ(r.exitCode, 0) << opt;
        EXPECT_EQ(r.out, usageText) << opt;
    }
}

TEST_F(BincopyCli, MessagesAsWritten)
{
    write("f", "0123");
    RunResult r = run({"-ep", "f", "o", "0"});
    EXPECT_EQ(r.out, "ERROR: not enought parameters for Export, xpected min 5 got: \n");
    r = run({"-tr", "k.tbs", "in"});
    EXPECT_EQ(r.out, "ERROR: not enought parameters for Table convert, expected min 4 got: \n");
    r = run({"-Im", "t", "gone", "0", "4"});
    EXPECT_EQ(r.err, "ERROR: file gone not exist, cant import!\n");
    EXPECT_EQ(read("t"), "");  // FILE is still created first
    r = run({"-im", "t", "0", "f", "1"});
    EXPECT_EQ(r.err, "WARN: file f is bigger than max import size, dont importing 3 bytes!\n");
    EXPECT_EQ(read("t"), "0");
    r = run({"-t", "f", "in", "out"});  // a table without entries loads
    EXPECT_EQ(r.err, "ERROR: cant read in: No such file or directory\n");
    write("empty.tbs", "");
    r = run({"-t", "empty.tbs", "f", "out"});
    EXPECT_EQ(r.err, "ERROR: file \"empty.tbs\" has zero size\n"
                     "ERROR: can init table empty.tbs for converting\n");
    EXPECT_FALSE(exists("out"));
    for (const char* opt : {"-j", "-E", "-A", "-S", "-T"}) {
        r = run({opt, "f", "x", "0", "1"});
        EXPECT_EQ(r.out, "") << opt;
        EXPECT_EQ(r.err, std::string("unknown option or TODO: ") + opt + "\n");
        EXPECT_EQ(r.exitCode, 0);
    }
    EXPECT_EQ(read("f"), "0123");
    EXPECT_FALSE(exists("x"));
}

TEST_F(BincopyCli, OnlyADashIntroducesTheOption)
{
    write("s", "ab");
    for (const char* opt : {"/i", "/?", "i"}) {
        const RunResult r = run({opt, "t", "0", "s"});
        EXPECT_EQ(r.exitCode, 0) << opt;
        EXPECT_EQ(r.out + r.err, "") << opt;
    }
    EXPECT_FALSE(exists("t"));
    // An absolute FILE is an ordinary argument.
    const RunResult r = run({"-i", dir / "t", "1", dir / "s"});
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(read("t"), std::string("\0ab", 3));
}

TEST_F(BincopyCli, TooFewArgumentsLeaveTheTargetUncreated)
{
    write("s", "ab");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-i", "t", "0"},
             {"-ip", "t", "0", "s", "0"},
             {"-iM", "t", "0", "s"},
             {"-IP", "t", "s", "0"},
             {"-is", "t", "0", "0", "s", "0", "0", "1"},
             {"-iS", "t", "0", "0", "s", "0", "0", "1"},
             {"-a", "t"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.out + r.err, "") << args[0];
        EXPECT_FALSE(exists("t")) << args[0];
    }
    // Exactly the minimum runs.
    run({"-is", "t", "0", "0", "s", "0", "0", "1", "2"});
    EXPECT_EQ(read("t"), "ab");
}

TEST_F(BincopyCli, MaximumSizeEdges)
{
    write("s", "abcd");
    write("empty", "");
    write("t", "########");
    // Exactly MAXSIZE: no warning, nothing to fill.
    RunResult r = run({"-iM", "t", "0", "s", "4"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("t"), "abcd####");
    // An empty FILE1 fills the whole room.
    r = run({"-IM", "t", "empty", "2", "3"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("t"), std::string("ab\0\0\0###", 8));
    // MAXSIZE 0 imports nothing and warns about every byte.
    r = run({"-im", "t", "5", "s", "0"});
    EXPECT_EQ(r.err, "WARN: file s is bigger than max import size, dont importing 4 bytes!\n");
    EXPECT_EQ(read("t"), std::string("ab\0\0\0###", 8));
    // -IP whose MAXPOSITION is the POSITION: the same.
    r = run({"-IP", "t", "s", "0x6", "6"});
    EXPECT_EQ(r.err, "WARN: file s is bigger than max import size, dont importing 4 bytes!\n");
    EXPECT_EQ(read("t"), std::string("ab\0\0\0###", 8));
    // A position past the end writes past it, and the fill follows.
    r = run({"-iM", "t", "10", "s", "6"});
    EXPECT_EQ(read("t"), std::string("ab\0\0\0###\0\0abcd\0\0", 16));
}

TEST_F(BincopyCli, SequenceLeavingTheFileRangeStopsWithOneMessage)
{
    write("s", "0123456789");
    write("t", "......");
    // Target positions 4, 0, -4, ...: the third block is refused, and with
    // the target moving further down every later one would be too.
    RunResult r = run({"-is", "t", "4", "-6", "s", "0", "0", "2", "5"});
    EXPECT_EQ(r.err, "ERROR: position -4 in t is out of range, not importing there\n");
    EXPECT_EQ(read("t"), "23..01");
    // Upwards: the second block would land past 2 GiB.
    write("t", "..");
    r = run({"-iS", "t", "0", "0x7FFFFFFF", "s", "0", "0", "1", "10"});
    EXPECT_EQ(r.err, "ERROR: position 2147483648 in t is out of range, not importing there\n");
    EXPECT_EQ(read("t"), "0.");
}

TEST_F(BincopyCli, AppendSeveralFiles)
{
    write("a", "A");
    write("b", "BB");
    write("empty", "");
    // FILE is created even when nothing is appended.
    const std::string missing = "ERROR: cant read missing: No such file or directory\n";
    RunResult r = run({"-a", "t", "missing"});
    EXPECT_EQ(r.out + r.err, missing);
    EXPECT_EQ(read("t"), "");
    r = run({"-a", "t", "a", "empty", "b", "missing", "a"});
    EXPECT_EQ(r.out + r.err, missing);
    EXPECT_EQ(read("t"), "ABBA");
    run({"-a", "t", "b"});
    EXPECT_EQ(read("t"), "ABBABB");
}

TEST_F(BincopyCli, ExportEdges)
{
    write("f", "0123456789");
    // A negative position is no place in FILE: the new output stays empty,
    // as an output opened before the failing seek does.
    run({"-e", "f", "neg", "-3", "4"});
    EXPECT_TRUE(exists("neg"));
    EXPECT_EQ(read("neg"), "");
    // A size past the end stops at the end; a negative size runs to it.
    run({"-e", "f", "long", "7", "100", "rest", "8", "-1"});
    EXPECT_EQ(read("long"), "789");
    EXPECT_EQ(read("rest"), "89");
    // -ep with equal positions: an empty file.
    run({"-ep", "f", "none", "4", "4"});
    EXPECT_TRUE(exists("none"));
    EXPECT_EQ(read("none"), "");
    // ENDCHAR right at POSITION: -eC writes an empty file, -ec one byte.
    run({"-eC", "f", "c0", "3", "0x33", "c1", "3", "51"});
    EXPECT_TRUE(exists("c0"));
    EXPECT_EQ(read("c0"), "");
    EXPECT_EQ(read("c1"), "");
    run({"-ec", "f", "c2", "3", "063"});
    EXPECT_EQ(read("c2"), "3");
    // A negative ENDCHAR counts by its low 8 bits; a position past the end
    // finds nothing and writes nothing.
    write("g", "ab\xFF" "cd");
    run({"-ec", "g", "c3", "0", "-1", "c4", "9", "0x61"});
    EXPECT_EQ(read("c3"), "ab\xFF");
    EXPECT_FALSE(exists("c4"));
}

TEST_F(BincopyCli, EndCharOnTheReadChunkBoundaries)
{
    // The first hit is the last byte of the first 4096-byte read, or the
    // first byte of the second.
    for (const size_t at : {size_t{4095}, size_t{4096}}) {
        std::string data(at, 'x');
        data += '!';
        data += "tail!";
        write("f", data);
        run({"-eC", "f", "out", "0", "0x21"});
        EXPECT_EQ(read("out").size(), at);
        run({"-ec", "f", "out", "1", "0x21"});
        EXPECT_EQ(read("out").size(), at);
    }
    // Exactly 4096 bytes without the char: nothing.
    write("f", std::string(4096, 'x'));
    run({"-ec", "f", "nohit", "0", "0x21"});
    EXPECT_FALSE(exists("nohit"));
}

TEST_F(BincopyCli, ExportIntoAPipeLeavesThePipeInPlace)
{
    // What goes through depends on whether the copy can seek the pipe; the
    // pipe itself must never be swapped for a plain file.
    write("f", "0123456789");
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A reader held open without blocking lets the tool open the pipe.
    const int rd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(rd, 0);
    const RunResult r = run({"-e", "f", "pipe", "2", "5"});
    ::close(rd);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out + r.err, "");
    // Still the pipe, not a plain file moved over it.
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    for (const std::string& name : testListDir(dir.path))
        EXPECT_FALSE(name.starts_with("tmp")) << name;
}
