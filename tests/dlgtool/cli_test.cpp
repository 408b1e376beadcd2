// dlgtool through its command line: path rules, options, messages and exit
// codes, and the round trips on files in a scratch directory.
#include "dlgtool/fixtures.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dlgfix;

namespace {

const std::string usage =
    "Usage:dlgtool -[erc] [-t table] [-ts table] [in file/dir] [out file/dir] [dls file/dir]\n"
    "extract/create KZ7 dialog type 6 file in DB file to .txt, .dls file with using .tbl for "
    "char conversion"
    "-e\t extract .txt from .dlg files(this is by default, [-e] dont need be given)\n"
    "-c\t create .dlg from .txt files\n"
    "-r\t extract dialog without conversion, without header\n"
    "-s\t split dialog and dialog script part to separate files\n"
    "-t\t use given table instead of deafult table .tbs\n"
    "-ts\t use given .tbs table for DLS data instead of same as for dialogs\n"
    "-o\t recompute dialog windows sizes, use same name for table, except extension is .tbl\n"
    "-c -o\t can be used togather to recompute during creating\n"
    "\t-dr is autoset when run -o, unless overwriten by other setting\n"
    "-dm\tin recompute, 0xF90D opcodes(in script before dialog) are auto updated(similar = "
    "update, too diferent = replace)\n"
    "0xF90D opcode is opcode with line length, which has some variable length opcode on "
    "it(names, variables)\n"
    "-dr\t replace all 0xF90D opcode with new, computed (used in if recompute)\n"
    "\tuse if adding variable length opcodes(names, variables, ...)\n"
    "\tonly in this mode handling 'select' lines as 0 length for max width computing\n"
    "-du\t only update, dont replace 0xF90D opcode if differ too much(display error message "
    "(used in if recompute))\n"
    "\tupdate is usable, if you dont adding or removing variable length opcodes\n"
    "-dn\t not use recomputing for 0xF90D opcode\n"
    "program dont make list of file, but take actual files, in/out should differ\n"
    "program returns files extracted/created\n"
    "\n";

// A scratch directory with the tables of the tests.
struct Workspace {
    ScratchDir dir;
    Workspace()
    {
        testWriteText(dir / "kz7.tbs", dialogTable());
        testWriteText(dir / "kz7.tbl", lengthsTable(60, "\\x7E=6\r\n"));
        testWriteText(dir / "dls.tbs", scriptTable());
    }
    std::string operator/(const std::string& name) const { return dir / name; }
    RunResult run(const std::vector<std::string>& args) const { return testRun("dlgtool", args, dir.path); }
};

Bytes sampleDialog()
{
    return dlgFile({{{0x10, 0xF9, 0x0D}, 0x0102}, {game("hello|there"), 0x12},
                    {{}, 0}, {game("aaaaaaaaaaaa $|aaaaaaaaaaaaaaaaaa~"), 0x0300}});
}

std::string sampleText()
{
    // Without -ts the script bytes go through the dialog table too.
    return "p\xF9m" + sep(0x102) + "hello[n]there" + sep(0x12) + sep(0) +
           "aaaaaaaaaaaa [V0001][n]aaaaaaaaaaaaaaaaaa~" + sep(0x300);
}

}  // namespace

TEST(DlgCli, NoArgumentsExtractsEveryDialogFileOfTheCurrentDirectory)
{
    Workspace w;
    testWriteFile(w / "a.dlg", sampleDialog());
    testWriteFile(w / "B.DLG", dlgBattle({{game("x"), 1}}));
    testMkdirs(w / "dir.dlg");
    testWriteText(w / "c.txt", "not a dialog");
    const RunResult r = w.run({});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(testReadText(w / "a.txt"), sampleText());
    EXPECT_EQ(testReadText(w / "B.txt"), "x" + sep(1, true));
}

TEST(DlgCli, ExtractThenCreateByDirectoryRestoresTheDialogFiles)
{
    Workspace w;
    testMkdirs(w / "d");
    testWriteFile(w / "d/a.dlg", sampleDialog());
    ASSERT_EQ(w.run({"d"}).exitCode, 1);
    std::remove((w / "d/a.dlg").c_str());
    const RunResult r = w.run({"-c", "d"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "d/a.dlg"), sampleDialog());
}

TEST(DlgCli, SplitWritesTextAndScriptIntoTheOutputDirectory)
{
    Workspace w;
    testMkdirs(w / "out");
    testWriteFile(w / "x.dlg", sampleDialog());
    RunResult r = w.run({"-s", "-ts", "dls.tbs", "x.dlg", "out"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadText(w / "out/x.txt"), "hello[n]there" + sep(0x12) +
                                                 "aaaaaaaaaaaa [V0001][n]aaaaaaaaaaaaaaaaaa~" +
                                                 sep(0x300));
    EXPECT_EQ(testReadText(w / "out/x.dls"), "<10><F9><0D>" + sep(0x102) + sep(0));

    r = w.run({"-r", "-s", "x.dlg", "out/"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "out/x.dsr"), (Bytes{0x10, 0xF9, 0x0D}));
    // Text records back to back, the empty one adding nothing.
    Bytes texts = game("hello|there");
    const Bytes last = game("aaaaaaaaaaaa $|aaaaaaaaaaaaaaaaaa~");
    texts.insert(texts.end(), last.begin(), last.end());
    EXPECT_EQ(testReadFile(w / "out/x.raw"), texts);
}

TEST(DlgCli, CreateWithScriptsBesideTheTextsGivesTheSameFileAsWithout)
{
    Workspace w;
    testMkdirs(w / "in");
    testMkdirs(w / "out");
    testWriteFile(w / "in/x.dlg", sampleDialog());
    ASSERT_EQ(w.run({"-s", "-ts", "dls.tbs", "in"}).exitCode, 1);
    ASSERT_TRUE(testExists(w / "in/x.dls"));
    const RunResult r = w.run({"-c", "-s", "-ts", "dls.tbs", "in", "out"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "out/x.dlg"), sampleDialog());
}

TEST(DlgCli, ScriptPathFollowsAnOutputFile)
{
    Workspace w;
    testWriteFile(w / "x.dlg", sampleDialog());
    const RunResult r = w.run({"-s", "-ts", "dls.tbs", "x.dlg", "y.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadText(w / "y.dls"), "<10><F9><0D>" + sep(0x102) + sep(0));
    // And back: the script of y.txt is y.dls beside it.
    const RunResult c = w.run({"-c", "-s", "-ts", "dls.tbs", "y.txt", "z.dlg"});
    EXPECT_EQ(c.err, "");
    EXPECT_EQ(testReadFile(w / "z.dlg"), sampleDialog());
}

TEST(DlgCli, RecomputeAloneRewritesInPlaceAndCountsNothing)
{
    Workspace w;
    testWriteFile(w / "x.dlg", sampleDialog());
    const RunResult r = w.run({"-o", "x.dlg"});
    EXPECT_EQ(r.exitCode, 0);
    const Bytes f = testReadFile(w / "x.dlg");
    EXPECT_EQ(flagsOf(f, 0), 40 + 256 * 32);
    EXPECT_EQ(flagsOf(f, 1), 0x0002);
    EXPECT_EQ(flagsOf(f, 2), 150 + 256 * 32);
    // Mode 3: the item does not fit, so dialog 1's script gets the opcode.
    EXPECT_EQ(recordOf(f, 2, 4), varlenOpcode({{100, 0, {0x06, 0x01}}}));
    EXPECT_EQ(recordOf(f, 0, 4), (Bytes{0x10, 0xF9, 0x0D}));  // no end: not an opcode

    testWriteFile(w / "y.dlg", sampleDialog());
    const RunResult n = w.run({"-o", "-dn", "y.dlg", "z.dlg"});
    EXPECT_EQ(n.exitCode, 0);
    EXPECT_EQ(recordOf(testReadFile(w / "z.dlg"), 2, 4), Bytes{});
    EXPECT_EQ(testReadFile(w / "y.dlg"), sampleDialog());
}

TEST(DlgCli, CreateWithRecomputeInEitherOrder)
{
    Workspace w;
    testWriteText(w / "x.txt", sampleText());
    for (const auto& args : {std::vector<std::string>{"-c", "-o", "x.txt", "a.dlg"},
                             std::vector<std::string>{"-o", "-c", "x.txt", "b.dlg"}}) {
        const RunResult r = w.run(args);
        EXPECT_EQ(r.exitCode, 1);
        const Bytes f = testReadFile(w / args.back());
        EXPECT_EQ(flagsOf(f, 2), 150 + 256 * 32);
        EXPECT_EQ(recordOf(f, 2, 4), varlenOpcode({{100, 0, {0x06, 0x01}}}));
    }
}

TEST(DlgCli, PatternsMatchCaseInsensitivelyAndWriteBesideTheirInputs)
{
    Workspace w;
    testMkdirs(w / "d");
    testWriteFile(w / "d/One.Dlg", sampleDialog());
    testWriteFile(w / "d/two.dlg", sampleDialog());
    testWriteFile(w / "d/three.bin", sampleDialog());
    const RunResult r = w.run({"d/*.DLG"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(testListDir(w / "d"),
              (std::vector<std::string>{"One.Dlg", "One.txt", "three.bin", "two.dlg", "two.txt"}));
    EXPECT_EQ(w.run({"d/nothing*.dlg"}).exitCode, 0);
}

TEST(DlgCli, OptionMessagesAndUsage)
{
    Workspace w;
    RunResult r = w.run({"-h"});
    EXPECT_EQ(r.err, usage);
    EXPECT_EQ(r.exitCode, 0);

    testWriteFile(w / "x.dlg", sampleDialog());
    r = w.run({"-x", "x.dlg", "o.txt", "-t"});
    EXPECT_EQ(r.err, "unknown option -x\n" + usage + "behind -t expected table file\n");
    EXPECT_EQ(r.exitCode, 1);

    r = w.run({"x.dlg", "a.txt", "b", "c", "-ts"});
    EXPECT_EQ(r.err, "unknown nonoption given\n" + usage + "behind -ts expected table file\n");
    EXPECT_EQ(r.exitCode, 1);

    // -tq skips its argument; -dq sets nothing.
    r = w.run({"-tq", "missing.tbs", "-dq", "x.dlg", "q.txt"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
}

TEST(DlgCli, StartupFailuresEndTheRunWithZero)
{
    Workspace w;
    testWriteFile(w / "x.dlg", sampleDialog());
    RunResult r = w.run({"-t", "none.tbs", "x.dlg", "a.txt"});
    EXPECT_EQ(r.err, "ERROR: cant read(find) \"none.tbs\"\nTBL init error: file none.tbs\n");
    EXPECT_EQ(r.exitCode, 0);
    r = w.run({"-ts", "none.tbs", "x.dlg", "a.txt"});
    EXPECT_EQ(r.err, "ERROR: cant read(find) \"none.tbs\"\nTBL for DLS init error: file none.tbs\n");
    EXPECT_EQ(r.exitCode, 0);
    testWriteText(w / "other.tbs", dialogTable());
    r = w.run({"-o", "-t", "other.tbs", "x.dlg"});
    EXPECT_EQ(r.err, "ERROR: cant read(find) \"other.tbl\"\nTBL lenghts init error: file other.tbl\n");
    EXPECT_EQ(r.exitCode, 0);
    r = w.run({"/dev/null"});
    EXPECT_EQ(r.err, "file type decoding error\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(testExists(w / "a.txt"));
}

TEST(DlgCli, PlaceholderPrintsTodoForEachFile)
{
    Workspace w;
    testWriteText(w / "a.txt", sampleText());
    testWriteText(w / "b.txt", sampleText());
    const RunResult r = w.run({"-i"});
    EXPECT_EQ(r.out, "ERROR:TODO\n\nERROR:TODO\n\n");
    EXPECT_EQ(r.exitCode, 0);
}

TEST(DlgCli, HandlerFailuresSkipOnlyThatFile)
{
    Workspace w;
    testWriteFile(w / "a.dlg", Bytes{1, 0, 0, 0, 0x40, 0});
    testWriteFile(w / "b.dlg", sampleDialog());
    RunResult r = w.run({"."});
    EXPECT_EQ(r.err, "WARN: file ./a.dlg not converted: dont have texts or is not dlg file: header "
                     "size 44, filesize 6\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(testExists(w / "a.txt"));

    testWriteText(w / "t.txt", std::string(80, 'q'));
    r = w.run({"-c", "t.txt", "t.dlg"});
    EXPECT_EQ(r.err, "ERROR: no dialogs in dlg file: t.dlg, or not dlg file\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(testExists(w / "t.dlg"));

    r = w.run({"b.dlg", "nodir/b.txt"});
    EXPECT_EQ(r.err, "ERROR: can't create \"nodir/b.txt\": No such file or directory\n");
    EXPECT_EQ(r.exitCode, 0);

    r = w.run({"-c", "-s", "b.txt", "b2.dlg", "missing.dls"});
    EXPECT_EQ(r.err, "WARN: cant find dls file: missing.dls or not dls file, creating dlg without "
                     "it\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "b2.dlg"), sampleDialog());
}

TEST(DlgCli, ASingleFileWithoutOutputIsNeverWrittenOverWithAnotherKind)
{
    Workspace w;
    testWriteFile(w / "x.dlg", sampleDialog());
    // The output goes beside the input, named as for a folder.
    ASSERT_EQ(w.run({"x.dlg"}).exitCode, 1);
    EXPECT_EQ(testReadText(w / "x.txt"), sampleText());
    EXPECT_EQ(testReadFile(w / "x.dlg"), sampleDialog());
    ASSERT_EQ(w.run({"-r", "-s", "x.dlg"}).exitCode, 1);
    EXPECT_TRUE(testExists(w / "x.raw"));
    EXPECT_TRUE(testExists(w / "x.dsr"));
    testWriteText(w / "x.txt", sampleText());
    ASSERT_EQ(w.run({"-c", "x.txt"}).exitCode, 1);
    EXPECT_EQ(testReadFile(w / "x.dlg"), sampleDialog());

    // Named explicitly, or derived as the input itself: refused.
    RunResult r = w.run({"x.dlg", "x.dlg"});
    EXPECT_EQ(r.err, "ERROR: x.dlg not converted: output x.dlg is the input file itself, in/out "
                     "should differ\n");
    EXPECT_EQ(r.exitCode, 0);
    r = w.run({"-c", "x.dlg"});
    EXPECT_EQ(r.err, "ERROR: x.dlg not converted: output x.dlg is the input file itself, in/out "
                     "should differ\n");
    r = w.run({"-s", "x.dlg", "both.txt", "both.txt"});
    EXPECT_EQ(r.err, "ERROR: x.dlg not converted: text and script would both be written to "
                     "both.txt\n");
    EXPECT_EQ(testReadFile(w / "x.dlg"), sampleDialog());
    // Recomputation alone rewrites the dialog file in place.
    EXPECT_EQ(w.run({"-o", "x.dlg"}).exitCode, 0);
    // No temporary file left behind.
    EXPECT_EQ(testListDir(w.dir.path), (std::vector<std::string>{"dls.tbs", "kz7.tbl", "kz7.tbs",
                                                                 "x.dlg", "x.dsr", "x.raw", "x.txt"}));
}

TEST(DlgCli, OutputsGoThroughTheSharedRoutine)
{
    namespace fs = std::filesystem;
    Workspace w;
    testWriteFile(w / "x.dlg", sampleDialog());
    testMkdirs(w / "keep");
    testWriteText(w / "keep/x.txt", "old");
    fs::create_symlink("keep/x.txt", w / "link.txt");
    ASSERT_EQ(w.run({"x.dlg", "link.txt"}).exitCode, 1);
    EXPECT_TRUE(fs::is_symlink(w / "link.txt"));
    EXPECT_EQ(testReadText(w / "keep/x.txt"), sampleText());

    fs::permissions(w / "keep/x.txt", fs::perms(0444));
    testWriteText(w / "x.txt", sampleText());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-c", "x.txt", "keep/x.txt"}, {"x.dlg", "link.txt"}}) {
        const RunResult r = w.run(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "ERROR: output \"" + args.back() + "\" is read-only, it was left "
                         "unchanged\n");
    }
    EXPECT_EQ(testReadText(w / "keep/x.txt"), sampleText());
}

TEST(DlgCli, CountsAbove255AreReportedAs255)
{
    Workspace w;
    testMkdirs(w / "d");
    const Bytes f = dlgBattle({{game("a"), 0}});
    for (int i = 0; i < 256; ++i)
        testWriteFile(w / ("d/f" + std::to_string(i) + ".dlg"), f);
    EXPECT_EQ(w.run({"-r", "d"}).exitCode, 255);
}

TEST(DlgCli, ANormalTextAfterABattleTextIsStillNormal)
{
    Workspace w;
    testMkdirs(w / "d");
    const Bytes battle = dlgBattle({{game("ab"), 0x11}, {game("c"), 0x22}});
    testWriteText(w / "d/a.txt", "ab" + sep(0x11, true) + "c" + sep(0x22, true));
    testWriteText(w / "d/b.txt", sampleText());
    const RunResult r = w.run({"-c", "d"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(testReadFile(w / "d/a.dlg"), battle);
    EXPECT_EQ(testReadFile(w / "d/b.dlg"), sampleDialog());
}

TEST(DlgCli, AThirdArgumentWithoutSplitIsIgnored)
{
    Workspace w;
    testWriteFile(w / "x.dlg", sampleDialog());
    const RunResult r = w.run({"x.dlg", "o.txt", "s.dls"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadText(w / "o.txt"), sampleText());
    EXPECT_FALSE(testExists(w / "s.dls"));
    EXPECT_FALSE(testExists(w / "o.dls"));
}

TEST(DlgCli, UnknownModeLettersChangeNothing)
{
    Workspace w;
    const Bytes withOpcode = varlenOpcode({{100, 0, {0x06, 0x01}}});
    testWriteFile(w / "x.dlg", sampleDialog());
    // -dq after -dn: the opcodes stay alone.
    ASSERT_EQ(w.run({"-o", "-dn", "-dq", "x.dlg", "n.dlg"}).exitCode, 0);
    EXPECT_EQ(recordOf(testReadFile(w / "n.dlg"), 2, 4), Bytes{});
    // -dq alone: still the default replace mode.
    ASSERT_EQ(w.run({"-o", "-DQ", "x.dlg", "r.dlg"}).exitCode, 0);
    EXPECT_EQ(recordOf(testReadFile(w / "r.dlg"), 2, 4), withOpcode);
    // The third letter in either case.
    ASSERT_EQ(w.run({"-o", "-DN", "x.dlg", "u.dlg"}).exitCode, 0);
    EXPECT_EQ(recordOf(testReadFile(w / "u.dlg"), 2, 4), Bytes{});
}

TEST(DlgCli, RecomputeAloneWritesIntoAnOutputDirectory)
{
    Workspace w;
    testMkdirs(w / "in");
    testMkdirs(w / "out");
    testWriteFile(w / "in/x.dlg", sampleDialog());
    testWriteFile(w / "in/y.dlg", sampleDialog());
    const RunResult r = w.run({"-o", "in", "out"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testReadFile(w / "in/x.dlg"), sampleDialog());
    for (const char* name : {"out/x.dlg", "out/y.dlg"}) {
        const Bytes f = testReadFile(w / name);
        EXPECT_EQ(flagsOf(f, 0), 40 + 256 * 32);
        EXPECT_EQ(flagsOf(f, 2), 150 + 256 * 32);
    }
    // Without an output the directory's files are rewritten in place.
    ASSERT_EQ(w.run({"-o", "in"}).exitCode, 0);
    EXPECT_EQ(testReadFile(w / "in/y.dlg"), testReadFile(w / "out/y.dlg"));
}
