// Acceptance checks of bincopy run as a program: bytes written, messages and
// exit codes for each operation family.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/testsupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes seq(int n, uint8_t start = 0) {
    Bytes b;
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(start + i));
    return b;
}

TEST(BincopyBlackbox, UsageTextAndExitCodes) {
    ScratchDir d;
    RunResult r = testRun("bincopy", {}, d.path);
    EXPECT_EQ(r.exitCode, 1);
    const char* lines[] = {
        "-i  FILE  POSITION1 FILE1  POSITIONX FILEX\n",
        "-ip FILE  POSITION1 FILE1 POSITIONFILE1 SIZE1  POSITIONX FILEX POSITIONFILEX SIZEX\n",
        "\timport file(s) FILE1(, ..., FILEX) to FILE to position POSSITION\n",
        "-im FILE POSITION1 FILE1 MAXSIZE1  POSITIONX FILEX MAXSIZEX\n",
        "-iM FILE POSITION1 FILE1 MAXSIZE1  POSITIONX FILEX MAXSIZEX\n",
        "-Im FILE  FILE1 POSITION1 MAXSIZE1  FILEX POSITIONX MAXSIZEX\n",
        "-IM FILE  FILE1 POSITION1 MAXSIZE1  FILEX POSITIONX MAXSIZEX\n",
        "-IP FILE  FILE1 POSITION1 MAXPOSITION1  FILEX POSITIONX MAXPOSITIONX\n",
        "\timport file(s) FILE1(, ..., FILEX) to FILE to position POSSITION, but only MAXSIZE, if file is "
        "bigger, WARN is displayed\n",
        "\tif using -iM, -IM, -IP, rest of importing space (MAXSIZE - FILESIZE) will be filled with zeros, "
        "if enought space\n",
        "\t-Im, -IM, -IP are ment as reverse to export...(you need only change one parameter)\n",
        "-is FILE  POSISTION1 SKIP1 FILE1 POSITIONFILE1 FSKIP1 SIZE1 COUNT1\n",
        "-iS FILE  POSISTION1 SKIP1 FILE1 POSITIONFILE1 FSKIP1 SIZE1 SSIZE1\n",
        "\timport COUNT1 of blocks (SIZE1 of bytes) from FILE1 to FILE to position POSSITION1\n",
        "\t(import sequence, sequence are blocks of bytes of same size, with possible different space size "
        "between blocks)\n",
        "\tSSIZE1 is size of sequence, max size which will be copied(copy to end on EOF)\n",
        "-a  FILE  FILE1 FILE2 ... FILEX\n",
        "\tappend FILE1 ... FILEX to FILE, create FILE if needed\n",
        "-e  FILE  FILE1 POSITION1 SIZE1  FILE2 POSITIONX SIZEX\n",
        "\texport data from FILE to FILE1 from POSITION1 and SIZE1\n",
        "-ep FILE  FILE1 POSSTART1 POSEND1  FILEX POSSTARTX POSENDX \n",
        "\texport data from FILE to FILE1 from POSSTART1 to POSENDX(excluding)\n",
        "-ec FILE  FILE1 POSITION1 ENDCHAR1  FILEX POSITIONX ENDCHARX \n",
        "\texport data from FILE to FILE1 from POSSTART1 to first found char ENDCHAR1(including)\n",
        "-eC FILE  FILE1 POSITION1 ENDCHAR1  FILEX POSITIONX ENDCHARX \n",
        "\texport data from FILE to FILE1 from POSSTART1 to first found char ENDCHAR1(excluding)\n",
        "-t  TABLE FILE1IN FILE1OUT  FILEXIN FILEXOUT\n",
        "-tr TABLE FILE1IN FILE1OUT  FILEXIN FILEXOUT\n",
        "\tconvert FILE1IN to FILE1OUT using given tbs TABLE, -tr use reverse table\n",
        "TODO -s  FILE  SIZE1 SIZEX\n",
        "TODO -sn FILE  SIZE\n",
        "TODO -sp FILE  POSITION1 POSITIONX - \n",
        "TODO -j  FILE  FILE1 FILEX - join FILE1 FILEX .. to FILE",
        "note: not checking correct numbers... so check it yourself:P",
    };
    std::string usage = "bincopy usage: util to copy files\n";
    for (const char* l : lines) usage += std::string(l) + "\n";
    EXPECT_EQ(r.out, usage);
    EXPECT_EQ(r.err, "");

    for (const char* opt : {"-?", "-help", "-HELP", "-hElP"}) {
        RunResult h = testRun("bincopy", {opt}, d.path);
        EXPECT_EQ(h.exitCode, 0) << opt;
        EXPECT_EQ(h.out, r.out) << opt;
    }
}

TEST(BincopyBlackbox, UnknownAndShortOptions) {
    ScratchDir d;
    RunResult r = testRun("bincopy", {"-j", "x", "y"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "unknown option or TODO: -j\n");

    r = testRun("bincopy", {"-e", "src", "out"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "ERROR: not enought parameters for Export, xpected min 5 got: \n");
    EXPECT_FALSE(testExists(d / "out"));

    r = testRun("bincopy", {"-t", "tab"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "ERROR: not enought parameters for Table convert, expected min 4 got: \n");

    // A listed letter with an unlisted variant does nothing, silently.
    testWriteFile(d / "src", seq(8));
    r = testRun("bincopy", {"-ex", "src", "out", "0", "4"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(testExists(d / "out"));

    // A first argument that is not an option does nothing.
    r = testRun("bincopy", {"e", "src", "out", "0", "4"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(testExists(d / "out"));
}

TEST(BincopyBlackbox, ImportCreatesTargetAndWritesPastEnd) {
    ScratchDir d;
    testWriteFile(d / "a", {0xA1, 0xA2, 0xA3});
    RunResult r = testRun("bincopy", {"-i", "t", "5", "a"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(d / "t"), (Bytes{0, 0, 0, 0, 0, 0xA1, 0xA2, 0xA3}));

    // In place into an existing target, two groups; a missing FILE1 is
    // skipped with the reason.
    testWriteFile(d / "t", Bytes(6, 0xEE));
    r = testRun("bincopy", {"-i", "t", "1", "a", "2", "missing", "4", "a"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: cant read missing: No such file or directory\n");
    EXPECT_EQ(testReadFile(d / "t"), (Bytes{0xEE, 0xA1, 0xA2, 0xA3, 0xA1, 0xA2, 0xA3}));
}

TEST(BincopyBlackbox, ImportPartOfFile) {
    ScratchDir d;
    testWriteFile(d / "a", seq(10, 0x10));
    testWriteFile(d / "t", Bytes(6, 0));
    // The trailing partial group is ignored.
    RunResult r = testRun("bincopy", {"-ip", "t", "2", "a", "3", "2", "9"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(d / "t"), (Bytes{0, 0, 0x13, 0x14, 0, 0}));
}

TEST(BincopyBlackbox, ImportWithMaxSizeFillsAndWarns) {
    ScratchDir d;
    testWriteFile(d / "ten", seq(10, 1));
    testWriteFile(d / "twenty", seq(20, 0x40));
    testWriteFile(d / "t", Bytes(40, 0xFF));

    RunResult r = testRun("bincopy", {"-iM", "t", "0", "ten", "16"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    Bytes want = seq(10, 1);
    want.resize(16, 0);
    want.resize(40, 0xFF);
    EXPECT_EQ(testReadFile(d / "t"), want);

    r = testRun("bincopy", {"-iM", "t", "0", "twenty", "16"}, d.path);
    EXPECT_EQ(r.err, "WARN: file twenty is bigger than max import size, dont importing 4 bytes!\n");
    Bytes want2 = seq(16, 0x40);
    want2.resize(40, 0xFF);
    EXPECT_EQ(testReadFile(d / "t"), want2);

    // -im does not fill.
    testWriteFile(d / "t", Bytes(20, 0xFF));
    r = testRun("bincopy", {"-im", "t", "2", "ten", "16"}, d.path);
    Bytes want3(20, 0xFF);
    for (int i = 0; i < 10; ++i) want3[2 + i] = static_cast<uint8_t>(1 + i);
    EXPECT_EQ(testReadFile(d / "t"), want3);

    // Export-order forms; -IP takes an end position.
    testWriteFile(d / "t", Bytes(20, 0xFF));
    r = testRun("bincopy", {"-IP", "t", "ten", "4", "0x10"}, d.path);
    Bytes want4(20, 0xFF);
    for (int i = 0; i < 10; ++i) want4[4 + i] = static_cast<uint8_t>(1 + i);
    want4[14] = want4[15] = 0;
    EXPECT_EQ(testReadFile(d / "t"), want4);

    testWriteFile(d / "t", Bytes(20, 0xFF));
    r = testRun("bincopy", {"-Im", "t", "twenty", "1", "3"}, d.path);
    EXPECT_EQ(r.err, "WARN: file twenty is bigger than max import size, dont importing 17 bytes!\n");
    Bytes want5(20, 0xFF);
    want5[1] = 0x40;
    want5[2] = 0x41;
    want5[3] = 0x42;
    EXPECT_EQ(testReadFile(d / "t"), want5);
}

TEST(BincopyBlackbox, MissingFileEndsMaxSizeImports) {
    ScratchDir d;
    testWriteFile(d / "a", {1, 2});
    testWriteFile(d / "t", Bytes(12, 0xFF));
    RunResult r = testRun("bincopy",
                          {"-iM", "t", "0", "a", "3", "4", "a", "3", "8", "nope", "3", "9", "a", "3"},
                          d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: file nope not exist, cant import!\n");
    EXPECT_EQ(testReadFile(d / "t"), (Bytes{1, 2, 0, 0xFF, 1, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(BincopyBlackbox, SequenceImports) {
    ScratchDir d;
    testWriteFile(d / "src", seq(10, 0x30));
    testWriteFile(d / "t", Bytes(20, 0));
    // COUNT 3, SIZE 2, FSKIP 1, SKIP 4.
    RunResult r = testRun("bincopy", {"-is", "t", "1", "4", "src", "0", "1", "2", "3"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    Bytes want(20, 0);
    want[1] = 0x30; want[2] = 0x31;
    want[7] = 0x33; want[8] = 0x34;
    want[13] = 0x36; want[14] = 0x37;
    EXPECT_EQ(testReadFile(d / "t"), want);

    // SSIZE 7: blocks at 0, 3, 6; SKIP 0 packs them.
    testWriteFile(d / "t", Bytes(8, 0));
    r = testRun("bincopy", {"-iS", "t", "0", "0", "src", "0", "1", "2", "7"}, d.path);
    EXPECT_EQ(testReadFile(d / "t"), (Bytes{0x30, 0x31, 0x33, 0x34, 0x36, 0x37, 0, 0}));

    // The last block may be cut by the end of the source.
    testWriteFile(d / "src", seq(7, 0x30));
    testWriteFile(d / "t", Bytes(8, 0));
    r = testRun("bincopy", {"-iS", "t", "0", "0", "src", "0", "1", "2", "7"}, d.path);
    EXPECT_EQ(testReadFile(d / "t"), (Bytes{0x30, 0x31, 0x33, 0x34, 0x36, 0, 0, 0}));
}

TEST(BincopyBlackbox, SequenceWithoutProgressTerminates) {
    ScratchDir d;
    testWriteFile(d / "src", seq(4));
    testWriteFile(d / "t", Bytes(4, 0xFF));
    // FSKIP + SIZE = 0 would never reduce the span.
    RunResult r = testRun("bincopy", {"-iS", "t", "0", "0", "src", "0", "-2", "2", "5"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    r = testRun("bincopy", {"-is", "t", "0", "0", "src", "0", "-3", "2", "2"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(d / "t").size(), 4u);
}

TEST(BincopyBlackbox, AppendCreatesTarget) {
    ScratchDir d;
    testWriteFile(d / "a", {1, 2});
    testWriteFile(d / "b", {3});
    RunResult r = testRun("bincopy", {"-a", "t", "a", "b", "a"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(d / "t"), (Bytes{1, 2, 3, 1, 2}));
    r = testRun("bincopy", {"-a", "t", "b"}, d.path);
    EXPECT_EQ(testReadFile(d / "t"), (Bytes{1, 2, 3, 1, 2, 3}));
}

TEST(BincopyBlackbox, ExportsAndNumberBases) {
    ScratchDir d;
    testWriteFile(d / "src", seq(40));
    testWriteFile(d / "o1", Bytes(50, 0xFF));  // truncated by the export
    RunResult r = testRun("bincopy", {"-e", "src", "o1", "0x10", "4", "o2", "16", "4", "o3", "020", "4"},
                          d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(d / "o1"), (Bytes{16, 17, 18, 19}));
    EXPECT_EQ(testReadFile(d / "o2"), testReadFile(d / "o1"));
    EXPECT_EQ(testReadFile(d / "o3"), testReadFile(d / "o1"));

    r = testRun("bincopy", {"-ep", "src", "p1", "5", "8", "p2", "36", "2"}, d.path);
    EXPECT_EQ(testReadFile(d / "p1"), (Bytes{5, 6, 7}));
    EXPECT_EQ(testReadFile(d / "p2"), (Bytes{36, 37, 38, 39}));

    // A negative size copies to the end of the source.
    r = testRun("bincopy", {"-e", "src", "n1", "38", "-1"}, d.path);
    EXPECT_EQ(testReadFile(d / "n1"), (Bytes{38, 39}));
}

TEST(BincopyBlackbox, ExportUpToEndChar) {
    ScratchDir d;
    testWriteFile(d / "src", {0x41, 0x42, 0x00, 0x43, 0x44});
    RunResult r = testRun("bincopy", {"-ec", "src", "c1", "0", "0", "c2", "3", "0x144"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(d / "c1"), (Bytes{0x41, 0x42, 0x00}));
    EXPECT_EQ(testReadFile(d / "c2"), (Bytes{0x43, 0x44}));  // low 8 bits of ENDCHAR

    r = testRun("bincopy", {"-eC", "src", "x1", "0", "0", "x2", "1", "0x7F"}, d.path);
    EXPECT_EQ(testReadFile(d / "x1"), (Bytes{0x41, 0x42}));
    EXPECT_FALSE(testExists(d / "x2"));  // end of file before the byte
    EXPECT_EQ(r.err, "");

    // A terminator beyond the first 4096 bytes.
    Bytes big(5000, 0x20);
    big[4500] = 0x0A;
    testWriteFile(d / "big", big);
    r = testRun("bincopy", {"-ec", "big", "b1", "10", "10"}, d.path);
    EXPECT_EQ(testReadFile(d / "b1").size(), 4491u);
}

const char* kTable =
    "\\x80=A\r\n"
    "\\x80\\x81=AB\r\n"
    "\\xF9\\x06\\c01=[COL\\h01]\r\n";

TEST(BincopyBlackbox, TableConversionBothWays) {
    ScratchDir d;
    testWriteText(d / "k.tbs", kTable);
    testWriteFile(d / "in1", {0x80, 0x81, 0x80, 0x7A, 0xF9, 0x06, 0x0A});
    testWriteText(d / "in2", "ABAz");
    RunResult r = testRun("bincopy", {"-t", "k.tbs", "in1", "out1", "in2", "out2"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadText(d / "out1"), "ABAz[COL0A]");
    EXPECT_EQ(testReadText(d / "out2"), "ABAz");  // no key matches text

    testWriteText(d / "t1", "ABAz[COL0A]");
    r = testRun("bincopy", {"-tr", "k.tbs", "t1", "b1"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(d / "b1"), (Bytes{0x80, 0x81, 0x80, 0x7A, 0xF9, 0x06, 0x0A}));
}

TEST(BincopyBlackbox, TableSkipModeDropsUnmatched) {
    ScratchDir d;
    testWriteText(d / "k.tbs", "=skipmode\r\n\\x80=A\r\n");
    testWriteFile(d / "in", {0x80, 0x10, 0x80, 0x11});
    RunResult r = testRun("bincopy", {"-t", "k.tbs", "in", "out"}, d.path);
    EXPECT_EQ(testReadText(d / "out"), "AA");
}

TEST(BincopyBlackbox, TableMissingInputsAndTable) {
    ScratchDir d;
    testWriteText(d / "k.tbs", kTable);
    testWriteFile(d / "in2", {0x80});
    // A missing first input stops the groups.
    RunResult r = testRun("bincopy", {"-t", "k.tbs", "nope", "out1", "in2", "out2"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(testExists(d / "out1"));
    EXPECT_FALSE(testExists(d / "out2"));

    r = testRun("bincopy", {"-t", "none.tbs", "in2", "out2"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> lines = testLines(r.err);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "ERROR: can init table none.tbs for converting");
    EXPECT_FALSE(testExists(d / "out2"));
}


TEST(BincopyBlackbox, ReservedAndEmptyTableInput) {
    ScratchDir d;
    testWriteFile(d / "src", seq(4));
    RunResult r = testRun("bincopy", {"-sn", "src", "4"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(testReadFile(d / "src"), seq(4));

    // An empty first input stops the groups like a missing one.
    testWriteText(d / "k.tbs", kTable);
    testWriteFile(d / "empty", {});
    r = testRun("bincopy", {"-t", "k.tbs", "empty", "o1", "src", "o2"}, d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(testExists(d / "o2"));
}

}  // namespace
