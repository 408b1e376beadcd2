// Acceptance checks of dlgtool run as a program: dialog files built byte by
// byte, the text files, scripts and raw forms it writes, messages and exit
// codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/testsupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One mapping so that conversion is visible: byte 0x80 <-> "<80>".
const char* kTable = "\\x80=<80>\r\n";

std::string sep(unsigned flags, bool battle = false) {
    char f[8];
    std::snprintf(f, sizeof f, "%04X", flags);
    return std::string("\r\n**EnD") + (battle ? "b" : "*") + "*[" + f + "]" + std::string(42, '*') +
           "\r\n\r\n";
}

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void put16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void putStr(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

struct Rec {
    std::string data;
    uint16_t flags;
};

// A dialog file: N, then a pointer/flags word pair per record, then the data.
Bytes dlgFile(uint32_t n, const std::vector<Rec>& recs) {
    Bytes b;
    put32(b, n);
    uint16_t ptr = static_cast<uint16_t>(4 * recs.size());
    for (const Rec& r : recs) {
        put16(b, ptr);
        put16(b, r.flags);
        ptr = static_cast<uint16_t>(ptr + r.data.size());
    }
    for (const Rec& r : recs) putStr(b, r.data);
    return b;
}

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Normal file with one dialog: script "a\x80c" (flags 0x12), text "hi\x80" and
// two trailing zeros (flags 0xAB0).
Bytes sampleNormal() {
    return dlgFile(1, {{"a\x80" "c", 0x12}, {std::string("hi\x80\0\0", 5), 0xAB0}});
}
const std::string kSampleText = "a<80>c" + sep(0x12) + "hi<80>" + sep(0xAB0);
Bytes sampleRebuilt() { return dlgFile(1, {{"a\x80" "c", 0x12}, {"hi\x80", 0xAB0}}); }

struct Dir {
    ScratchDir d;
    Dir() { testWriteText(d / "kz7.tbs", kTable); }
};

std::string usageText() {
    return "Usage:dlgtool -[erc] [-t table] [-ts table] [in file/dir] [out file/dir] [dls file/dir]\n"
           "extract/create KZ7 dialog type 6 file in DB file to .txt, .dls file with using .tbl for char "
           "conversion"
           "-e\t extract .txt from .dlg files(this is by default, [-e] dont need be given)\n"
           "-c\t create .dlg from .txt files\n"
           "-r\t extract dialog without conversion, without header\n"
           "-s\t split dialog and dialog script part to separate files\n"
           "-t\t use given table instead of deafult table .tbs\n"
           "-ts\t use given .tbs table for DLS data instead of same as for dialogs\n"
           "-o\t recompute dialog windows sizes, use same name for table, except extension is .tbl\n"
           "-c -o\t can be used togather to recompute during creating\n"
           "\t-dr is autoset when run -o, unless overwriten by other setting\n"
           "-dm\tin recompute, 0xF90D opcodes(in script before dialog) are auto updated(similar = update, "
           "too diferent = replace)\n"
           "0xF90D opcode is opcode with line length, which has some variable length opcode on it(names, "
           "variables)\n"
           "-dr\t replace all 0xF90D opcode with new, computed (used in if recompute)\n"
           "\tuse if adding variable length opcodes(names, variables, ...)\n"
           "\tonly in this mode handling 'select' lines as 0 length for max width computing\n"
           "-du\t only update, dont replace 0xF90D opcode if differ too much(display error message (used in "
           "if recompute))\n"
           "\tupdate is usable, if you dont adding or removing variable length opcodes\n"
           "-dn\t not use recomputing for 0xF90D opcode\n"
           "program dont make list of file, but take actual files, in/out should differ\n"
           "program returns files extracted/created\n"
           "\n";
}

// ---- extraction ----

TEST(DlgtoolBlackbox, DefaultRunExtractsEveryDlgOfCurrentDir) {
    Dir t;
    testWriteFile(t.d / "a.dlg", sampleNormal());
    testWriteFile(t.d / "b.DLG", sampleNormal());  // patterns ignore case
    testMkdirs(t.d / "sub.dlg");                     // directories are skipped
    testWriteFile(t.d / "c.bin", sampleNormal());
    RunResult r = testRun("dlgtool", {}, t.d.path);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(testReadText(t.d / "a.txt"), kSampleText);
    EXPECT_EQ(testReadText(t.d / "b.txt"), kSampleText);
    EXPECT_FALSE(testExists(t.d / "c.txt"));
}

TEST(DlgtoolBlackbox, SplitAndRawOutputNames) {
    Dir t;
    testWriteFile(t.d / "x.dlg", sampleNormal());
    testMkdirs(t.d / "out");
    RunResult r = testRun("dlgtool", {"-s", "x.dlg", "out"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadText(t.d / "out/x.txt"), "hi<80>" + sep(0xAB0));
    EXPECT_EQ(testReadText(t.d / "out/x.dls"), "a<80>c" + sep(0x12));

    r = testRun("dlgtool", {"-r", "-s", "x.dlg", "out/"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadFile(t.d / "out/x.raw"), bytesOf(std::string("hi\x80\0\0", 5)));  // not trimmed
    EXPECT_EQ(testReadFile(t.d / "out/x.dsr"), bytesOf("a\x80" "c"));

    // Raw without -s: the file minus its header, records interleaved.
    Bytes two = dlgFile(2, {{"S0", 1}, {"T0", 2}, {"S1", 3}, {std::string("T1\0", 3), 4}});
    testWriteFile(t.d / "y.dlg", two);
    r = testRun("dlgtool", {"-r", "y.dlg", "y.raw"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(t.d / "y.raw"), Bytes(two.begin() + 20, two.end()));
}

TEST(DlgtoolBlackbox, EmptyRecordsAndTrimmedLastRecord) {
    Dir t;
    // Record 1 is empty (its pointer equals the next one); the last record is
    // all zeros.
    testWriteFile(t.d / "e.dlg",
                  dlgFile(2, {{"s", 0}, {"", 0xFFFF}, {"q", 0x12}, {std::string("\0\0\0", 3), 7}}));
    RunResult r = testRun("dlgtool", {"e.dlg", "e.txt"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadText(t.d / "e.txt"), "s" + sep(0) + sep(0xFFFF) + "q" + sep(0x12) + sep(7));
}

TEST(DlgtoolBlackbox, BattleFiles) {
    Dir t;
    // 8 bytes: N = 1, first pointer 4: one empty record.
    Bytes tiny;
    put32(tiny, 1);
    put16(tiny, 4);
    put16(tiny, 5);
    testWriteFile(t.d / "b.dlg", tiny);
    testMkdirs(t.d / "out");
    RunResult r = testRun("dlgtool", {"-s", "b.dlg", "out"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadText(t.d / "out/b.txt"), sep(5, true));
    EXPECT_FALSE(testExists(t.d / "out/b.dls"));

    // Two texts, both through the dialog table.
    testWriteFile(t.d / "c.dlg", dlgFile(2, {{"\x80", 0x10}, {std::string("z\x80\0", 3), 0x20}}));
    r = testRun("dlgtool", {"c.dlg", "c.txt"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    const std::string text = "<80>" + sep(0x10, true) + "z<80>" + sep(0x20, true);
    EXPECT_EQ(testReadText(t.d / "c.txt"), text);

    // And back again.
    r = testRun("dlgtool", {"-c", "c.txt", "c2.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadFile(t.d / "c2.dlg"), dlgFile(2, {{"\x80", 0x10}, {"z\x80", 0x20}}));
}

TEST(DlgtoolBlackbox, HeaderWarnings) {
    Dir t;
    // First pointer 12 fits neither kind: a warning without line end, then
    // the file is handled as normal.
    Bytes odd;
    put32(odd, 1);
    put16(odd, 12);
    put16(odd, 1);
    put16(odd, 13);
    put16(odd, 2);
    putStr(odd, "PADDxy");  // data starts at pointer + 4
    testWriteFile(t.d / "o.dlg", odd);
    RunResult r = testRun("dlgtool", {"o.dlg", "o.txt"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("WARN: unexpected header size: first pointer point to position 10, header size is "
                          "C, number of dialogs is 1",
                          0),
              0u)
        << r.err;
    EXPECT_EQ(testReadText(t.d / "o.txt"), "x" + sep(1) + "y" + sep(2));

    // First pointer beyond the file.
    Bytes bad;
    put32(bad, 1);
    put16(bad, 0x100);
    put16(bad, 0);
    put32(bad, 0);
    testWriteFile(t.d / "n.dlg", bad);
    r = testRun("dlgtool", {"n.dlg", "n.txt"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err,
              "WARN: file n.dlg not converted: dont have texts or is not dlg file: header size 104, filesize "
              "C\n");

    r = testRun("dlgtool", {"-r", "-s", "n.dlg", "n.raw", "n.dsr"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    // Raw extraction classifies the header before it checks the size.
    EXPECT_EQ(r.err,
              "WARN: unexpected header size: first pointer point to position 104, header size is C, number of "
              "dialogs is 1"
              "WARN: RAW not extracted: dont have texts or is not dlg file:n.dlg, header size 104, filesize C\n");
}

// ---- creation ----

TEST(DlgtoolBlackbox, CreateRoundTrips) {
    Dir t;
    testWriteText(t.d / "a.txt", kSampleText);
    RunResult r = testRun("dlgtool", {"-c", "a.txt", "a.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(t.d / "a.dlg"), sampleRebuilt());

    // Split extraction and creation with the script gives the same file.
    testWriteFile(t.d / "src.dlg", sampleNormal());
    testMkdirs(t.d / "split");
    testMkdirs(t.d / "back");
    r = testRun("dlgtool", {"-s", "src.dlg", "split"}, t.d.path);
    ASSERT_EQ(r.exitCode, 1) << r.err;
    r = testRun("dlgtool", {"-c", "-s", "split", "back"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadFile(t.d / "back/src.dlg"), sampleRebuilt());
}

TEST(DlgtoolBlackbox, CreateOverDirectoryWritesBeside) {
    Dir t;
    testMkdirs(t.d / "w");
    testWriteText(t.d / "w/one.txt", kSampleText);
    testWriteText(t.d / "w/two.TXT", "q" + sep(1) + "r" + sep(2));
    RunResult r = testRun("dlgtool", {"-c", "w"}, t.d.path);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(testReadFile(t.d / "w/one.dlg"), sampleRebuilt());
    EXPECT_EQ(testReadFile(t.d / "w/two.dlg"), dlgFile(1, {{"q", 1}, {"r", 2}}));
}

TEST(DlgtoolBlackbox, CreateFormIsChosenPerFile) {
    Dir t;
    testMkdirs(t.d / "w");
    testWriteText(t.d / "w/a.txt", "A" + sep(1, true));
    testWriteText(t.d / "w/b.txt", "q" + sep(1) + "r" + sep(2));
    RunResult r = testRun("dlgtool", {"-c", "w"}, t.d.path);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(testReadFile(t.d / "w/a.dlg"), dlgFile(1, {{"A", 1}}));
    EXPECT_EQ(testReadFile(t.d / "w/b.dlg"), dlgFile(1, {{"q", 1}, {"r", 2}}));
}

TEST(DlgtoolBlackbox, CreateOddCountAndFlags) {
    Dir t;
    testWriteText(t.d / "t.txt", "a" + sep(0xFF) + "" + sep(2) + "c" + sep(3));
    RunResult r = testRun("dlgtool", {"-c", "t.txt", "t.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: unexpected number of dialogs in txt file t.txt(expected even number)\n");
    EXPECT_EQ(testReadFile(t.d / "t.dlg"), dlgFile(1, {{"a", 0xFF}, {"", 2}, {"c", 3}}));

    // Lower-case hex digits are fine; stars read as 0 with a warning.
    std::string lower = sep(0xFF);
    lower.replace(lower.find("00FF"), 4, "00ff");
    std::string stars = sep(0);
    stars.replace(stars.find("[0000]") + 1, 4, "****");
    testWriteText(t.d / "f.txt", "a" + lower + "b" + stars);
    r = testRun("dlgtool", {"-c", "f.txt", "f.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: in file f.txt:unexpected flags(not 4 hex digits):****\n");
    EXPECT_EQ(testReadFile(t.d / "f.dlg"), dlgFile(1, {{"a", 0xFF}, {"b", 0}}));
}

TEST(DlgtoolBlackbox, CreateDamagedSeparatorLosesOneByte) {
    Dir t;
    std::string shortSep = sep(1);
    shortSep.erase(shortSep.find('*', shortSep.find(']')), 1);
    testWriteText(t.d / "s.txt", "abc" + shortSep + "xyz" + sep(2));
    RunResult r = testRun("dlgtool", {"-c", "s.txt", "s.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "DLG: in file txt s.txt bad end of separator(expected rest of separator behind flag)\n");
    EXPECT_EQ(testReadFile(t.d / "s.dlg"), dlgFile(1, {{"abc", 1}, {"yz", 2}}));

    // On the last part a note follows.
    testWriteText(t.d / "l.txt", "abc" + sep(1) + "xyz" + shortSep + "tail");
    r = testRun("dlgtool", {"-c", "l.txt", "l.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "DLG: in file txt l.txt bad end of separator(expected rest of separator behind flag)\n"
              "DLG: but, it was last dialog, so should be no damage\n");
    EXPECT_EQ(testReadFile(t.d / "l.dlg"), dlgFile(1, {{"abc", 1}, {"xyz", 1}}));
}

TEST(DlgtoolBlackbox, CreateRefusals) {
    Dir t;
    testWriteText(t.d / "small.txt", std::string(56, 'a'));
    RunResult r = testRun("dlgtool", {"-c", "small.txt", "small.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "WARN: file small.txt not supposed text file with dialogs(too small)\n");
    EXPECT_FALSE(testExists(t.d / "small.dlg"));

    testWriteText(t.d / "none.txt", std::string(100, 'a'));
    r = testRun("dlgtool", {"-c", "none.txt", "none.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: no dialogs in dlg file: none.dlg, or not dlg file\n");
    EXPECT_FALSE(testExists(t.d / "none.dlg"));

    // Script and text part counts differ.
    testWriteText(t.d / "d.txt", "t1" + sep(1) + "t2" + sep(2));
    testWriteText(t.d / "d.dls", "s1" + sep(3));
    r = testRun("dlgtool", {"-c", "-s", "d.txt", "d.dlg", "d.dls"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: different number of dialogs and scripts: 2, 1: cant create dlg\n");
    EXPECT_FALSE(testExists(t.d / "d.dlg"));

    // A missing script file: created without it.
    r = testRun("dlgtool", {"-c", "-s", "d.txt", "d.dlg", "gone.dls"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: cant find dls file: gone.dls or not dls file, creating dlg without it\n");
    EXPECT_EQ(testReadFile(t.d / "d.dlg"), dlgFile(1, {{"t1", 1}, {"t2", 2}}));

    // Battle text with a script file: the script is dropped.
    testWriteText(t.d / "b.txt", "B" + sep(9, true));
    r = testRun("dlgtool", {"-c", "-s", "b.txt", "b.dlg", "d.dls"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: dlgs are probadly battle dialogs: dlsfile not used\n");
    EXPECT_EQ(testReadFile(t.d / "b.dlg"), dlgFile(1, {{"B", 9}}));
}

TEST(DlgtoolBlackbox, CreateWithScriptFileInterleaves) {
    Dir t;
    testWriteText(t.d / "m.txt", "T<80>" + sep(0x11) + "U" + sep(0x22));
    testWriteText(t.d / "m.dls", "S" + sep(0x33) + "R<80>" + sep(0x44));
    RunResult r = testRun("dlgtool", {"-c", "-s", "m.txt", "m.dlg", "m.dls"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadFile(t.d / "m.dlg"),
              dlgFile(2, {{"S", 0x33}, {"T\x80", 0x11}, {"R\x80", 0x44}, {"U", 0x22}}));
}

// ---- command line ----

TEST(DlgtoolBlackbox, OptionMessages) {
    Dir t;
    testWriteFile(t.d / "a.dlg", sampleNormal());

    RunResult r = testRun("dlgtool", {"-x", "a.dlg", "a.txt"}, t.d.path);
    EXPECT_EQ(r.err, "unknown option -x\n" + usageText());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadText(t.d / "a.txt"), kSampleText);

    r = testRun("dlgtool", {"-h", "a.dlg", "h.txt"}, t.d.path);
    EXPECT_EQ(r.err, usageText());
    EXPECT_EQ(r.exitCode, 1);

    // -t last: the default table of the current directory is used.
    r = testRun("dlgtool", {"-t"}, t.d.path);
    EXPECT_EQ(r.err, "behind -t expected table file\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadText(t.d / "a.txt"), kSampleText);

    r = testRun("dlgtool", {"-t", "nope.tbs", "a.dlg", "z.txt"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_FALSE(testLines(r.err).empty());
    EXPECT_EQ(testLines(r.err).back(), "TBL init error: file nope.tbs");
    EXPECT_FALSE(testExists(t.d / "z.txt"));

    r = testRun("dlgtool", {"-ts", "nope2.tbs", "a.dlg", "z.txt"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_FALSE(testLines(r.err).empty());
    EXPECT_EQ(testLines(r.err).back(), "TBL for DLS init error: file nope2.tbs");

    // A third non-option argument without -s is ignored.
    r = testRun("dlgtool", {"a.dlg", "third.txt", "ignored"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(testExists(t.d / "ignored"));

    r = testRun("dlgtool", {"a.dlg", "four.txt", "x", "y"}, t.d.path);
    EXPECT_EQ(r.err, "unknown nonoption given\n" + usageText());
    EXPECT_EQ(r.exitCode, 1);
}

TEST(DlgtoolBlackbox, SeparateTablesForScriptsAndTexts) {
    Dir t;
    testWriteText(t.d / "dls.tbs", "\\x80=[S]\r\n");
    testWriteText(t.d / "dlg.tbs", "\\x80=[T]\r\n");
    testWriteFile(t.d / "a.dlg", dlgFile(1, {{"\x80", 1}, {"\x80", 2}}));
    RunResult r = testRun("dlgtool", {"-t", "dlg.tbs", "-ts", "dls.tbs", "a.dlg", "a.txt"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadText(t.d / "a.txt"), "[S]" + sep(1) + "[T]" + sep(2));

    r = testRun("dlgtool", {"-c", "-t", "dlg.tbs", "-ts", "dls.tbs", "a.txt", "b.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadFile(t.d / "b.dlg"), dlgFile(1, {{"\x80", 1}, {"\x80", 2}}));
}

TEST(DlgtoolBlackbox, SingleFileWithoutOutputGoesBesideIt) {
    Dir t;
    testWriteFile(t.d / "a.dlg", sampleNormal());
    RunResult r = testRun("dlgtool", {"a.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadText(t.d / "a.txt"), kSampleText);
    EXPECT_EQ(testReadFile(t.d / "a.dlg"), sampleNormal());
}


TEST(DlgtoolBlackbox, HandlerChoiceFollowsOptionOrder) {
    Dir t;
    testWriteFile(t.d / "a.dlg", sampleNormal());
    // -c then -r: raw extraction wins; -e changes nothing.
    RunResult r = testRun("dlgtool", {"-c", "-r", "-e", "a.dlg", "a.raw"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    Bytes whole = sampleNormal();
    EXPECT_EQ(testReadFile(t.d / "a.raw"), Bytes(whole.begin() + 12, whole.end()));

    // The placeholder handler visits text files and counts none.
    testMkdirs(t.d / "p");
    testWriteText(t.d / "p/one.txt", kSampleText);
    testWriteText(t.d / "p/two.txt", kSampleText);
    r = testRun("dlgtool", {"-i", "p"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "ERROR:TODO\n\nERROR:TODO\n\n");
    EXPECT_FALSE(testExists(t.d / "p/one.dlg"));
}

TEST(DlgtoolBlackbox, WildcardInputWithOutputDirectory) {
    Dir t;
    testMkdirs(t.d / "w");
    testMkdirs(t.d / "out");
    testWriteFile(t.d / "w/a1.dlg", sampleNormal());
    testWriteFile(t.d / "w/A2.Dlg", sampleNormal());
    testWriteFile(t.d / "w/b.dlg", sampleNormal());
    RunResult r = testRun("dlgtool", {"w/a*.dlg", "out"}, t.d.path);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(testListDir(t.d / "out"), (std::vector<std::string>{"A2.txt", "a1.txt"}));
    EXPECT_EQ(testReadText(t.d / "out/a1.txt"), kSampleText);
}

TEST(DlgtoolBlackbox, RecomputeNeedsLengthsTable) {
    Dir t;
    testWriteFile(t.d / "a.dlg", sampleNormal());
    RunResult r = testRun("dlgtool", {"-o", "a.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_FALSE(testLines(r.err).empty());
    EXPECT_EQ(testLines(r.err).back(), "TBL lenghts init error: file kz7.tbl");
    EXPECT_EQ(testReadFile(t.d / "a.dlg"), sampleNormal());

    // The lengths table follows the dialog table's name.
    testWriteText(t.d / "my.tbs", kTable);
    r = testRun("dlgtool", {"-c", "-o", "-t", "my.tbs", "x.txt", "x.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_FALSE(testLines(r.err).empty());
    EXPECT_EQ(testLines(r.err).back(), "TBL lenghts init error: file my.tbl");
}

TEST(DlgtoolBlackbox, RecordRunningBackwardsIsReported) {
    Dir t;
    // Record 1 points before record 0's start: a negative length.
    Bytes b;
    put32(b, 2);
    put16(b, 16); put16(b, 1);
    put16(b, 18); put16(b, 2);
    put16(b, 17); put16(b, 3);
    put16(b, 19); put16(b, 4);
    putStr(b, "abcd");
    testWriteFile(t.d / "n.dlg", b);
    RunResult r = testRun("dlgtool", {"n.dlg", "n.txt"}, t.d.path);
    EXPECT_GE(r.exitCode, 0);
    EXPECT_NE(r.err, "");
}


TEST(DlgtoolBlackbox, LongConversionIsNeverCut) {
    Dir t;
    testWriteText(t.d / "big.tbs", "\\x80=" + std::string(100, 'V') + "\r\n");
    // 6000 bytes that convert to 600000: beyond a half-megabyte block.
    testWriteFile(t.d / "big.dlg", dlgFile(1, {{"s", 0}, {std::string(6000, '\x80'), 0}}));
    RunResult r = testRun("dlgtool", {"-t", "big.tbs", "big.dlg", "big.txt"}, t.d.path);
    ASSERT_GE(r.exitCode, 0);
    if (r.err.empty()) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(testReadText(t.d / "big.txt"), "s" + sep(0) + std::string(600000, 'V') + sep(0));
    }
}

TEST(DlgtoolBlackbox, CreateRefusesPointersBeyondSixteenBits) {
    Dir t;
    testWriteText(t.d / "h.txt", std::string(70000, 'a') + sep(1) + "b" + sep(2) + "c" + sep(3) + "d" + sep(4));
    RunResult r = testRun("dlgtool", {"-c", "h.txt", "h.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err, "");
    EXPECT_FALSE(testExists(t.d / "h.dlg"));
}


TEST(DlgtoolBlackbox, SplitWithOutputFileDerivesScriptPath) {
    Dir t;
    testWriteFile(t.d / "x.dlg", sampleNormal());
    RunResult r = testRun("dlgtool", {"-s", "x.dlg", "o.txt"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadText(t.d / "o.txt"), "hi<80>" + sep(0xAB0));
    EXPECT_EQ(testReadText(t.d / "o.dls"), "a<80>c" + sep(0x12));

    // Creation reads the script beside the text file.
    r = testRun("dlgtool", {"-c", "-s", "o.txt", "back.dlg"}, t.d.path);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(testReadFile(t.d / "back.dlg"), sampleRebuilt());
}

}  // namespace
