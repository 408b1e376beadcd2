// dlgtool run as a program on the corner cases of the dialog format, the
// text export and the command line: whole files, whole message lines and
// exit codes.
#include "dlgtool/fixtures.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace dlgfix;

namespace {

struct Workspace {
    ScratchDir dir;
    Workspace() { testWriteText(dir / "kz7.tbs", dialogTable()); }
    std::string operator/(const std::string& name) const { return dir / name; }
    RunResult run(const std::vector<std::string>& args) const
    {
        return testRun("dlgtool", args, dir.path);
    }
};

Bytes withZeros(Bytes b, size_t zeros)
{
    b.insert(b.end(), zeros, 0);
    return b;
}

Bytes tail(const Bytes& b, size_t from)
{
    return Bytes(b.begin() + static_cast<ptrdiff_t>(from), b.end());
}

}  // namespace

TEST(DlgEndToEnd, ExtractionOfEmptyTrimmedAndBattleRecords)
{
    Workspace w;
    testMkdirs(w / "d");
    testMkdirs(w / "out");
    // Empty record between two others; the last one padded with zeros.
    testWriteFile(w / "d/a.dlg", dlgFile({{game("s"), 0x12}, {game("ab"), 0xAB0},
                                          {{}, 0}, {withZeros(game("c"), 3), 1}}));
    // N = 1: the script and the text, which holds only zeros.
    testWriteFile(w / "d/b.dlg", dlgFile({{game("s"), 0}, {Bytes(4, 0), 0x7}}));
    // Eight bytes, N = 1, first pointer 4: a battle file with one empty record.
    testWriteFile(w / "d/c.dlg", Bytes{1, 0, 0, 0, 4, 0, 0x12, 0});
    const RunResult r = w.run({"-s", "d", "out"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(testReadText(w / "out/a.txt"), "ab" + sep(0xAB0) + "c" + sep(1));
    EXPECT_EQ(testReadText(w / "out/a.dls"), "s" + sep(0x12) + sep(0));
    EXPECT_EQ(testReadText(w / "out/b.txt"), sep(7));
    EXPECT_EQ(testReadText(w / "out/b.dls"), "s" + sep(0));
    EXPECT_EQ(testReadText(w / "out/c.txt"), sep(0x12, true));
    EXPECT_EQ(testListDir(w / "out"),
              (std::vector<std::string>{"a.dls", "a.txt", "b.dls", "b.txt", "c.txt"}));
}

TEST(DlgEndToEnd, PointerAndHeaderMessagesAreWholeLines)
{
    Workspace w;
    Bytes f = dlgFile({{game("s"), 1}, {game("t"), 2}, {game("u"), 3}, {game("v"), 4}});
    put16(f, 4 + 8, 0x400);  // record 2 points far behind the file
    testWriteFile(w / "mid.dlg", f);
    RunResult r = w.run({"mid.dlg", "mid.txt"});
    EXPECT_EQ(r.err, "Error: mid.dlg:pointer to dialog No.4 point behind filesize\n");
    EXPECT_EQ(r.exitCode, 1);
    // Record 1 ends at the end of the file; nothing after the stop.
    EXPECT_EQ(testReadText(w / "mid.txt"), "s" + sep(1) + "tuv" + sep(2));

    f = dlgFile({{game("s"), 1}, {game("t"), 2}, {game("u"), 3}, {game("v"), 4}});
    put16(f, 4 + 12, 0x400);
    testWriteFile(w / "last.dlg", f);
    r = w.run({"last.dlg", "last.txt"});
    EXPECT_EQ(r.err, "ERROR: last.dlg:pointer to dialog No.6 point behind filesize\n");
    EXPECT_EQ(r.exitCode, 1);
    // Record 2 is cut at the end of the file; the last one is not written.
    EXPECT_EQ(testReadText(w / "last.txt"), "s" + sep(1) + "t" + sep(2) + "uv" + sep(3));

    // N = 1 with three records: warned without a line end, then read as a
    // normal file of two records, the last running over the third.
    testWriteFile(w / "odd.dlg", dlgFile({{game("s"), 1}, {game("t"), 2}, {game("u"), 3}}, 1));
    r = w.run({"odd.dlg", "odd.txt"});
    EXPECT_EQ(r.err, "WARN: unexpected header size: first pointer point to position 10, header "
                     "size is C, number of dialogs is 1");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadText(w / "odd.txt"), "s" + sep(1) + "tu" + sep(2));
}

TEST(DlgEndToEnd, RawFormsWithAndWithoutSplit)
{
    Workspace w;
    const Bytes normal = dlgFile({{game("s"), 1}, {game("t"), 2}, {{9}, 3}, {withZeros(game("u"), 2), 4}});
    testWriteFile(w / "n.dlg", normal);
    RunResult r = w.run({"-R", "n.dlg", "n.raw"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "n.raw"), tail(normal, 4 + 8 * 2));

    r = w.run({"-r", "-S", "n.dlg", "p.raw", "p.dsr"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "p.dsr"), (Bytes{game("s")[0], 9}));
    EXPECT_EQ(testReadFile(w / "p.raw"), withZeros(Bytes{game("t")[0], game("u")[0]}, 2));

    // A battle file never gets a script file.
    const Bytes battle = dlgBattle({{game("x"), 1}, {game("y"), 2}});
    testWriteFile(w / "b.dlg", battle);
    r = w.run({"-r", "-s", "b.dlg", "b.raw", "b.dsr"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "b.raw"), tail(battle, 4 + 4 * 2));
    EXPECT_FALSE(testExists(w / "b.dsr"));

    testWriteFile(w / "short.dlg", Bytes{1, 0, 0, 0, 8, 0, 0, 0, 1, 2});
    r = w.run({"-r", "-s", "short.dlg", "s.raw", "s.dsr"});
    EXPECT_EQ(r.err, "WARN: RAW not extracted: dont have texts or is not dlg file:short.dlg, "
                     "header size C, filesize A\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(testExists(w / "s.raw"));
    EXPECT_FALSE(testExists(w / "s.dsr"));
}

TEST(DlgEndToEnd, CreationWarningsAndRefusals)
{
    Workspace w;
    // Three parts of a normal file: warned, N = 1, three records.
    testWriteText(w / "three.txt", "s" + sep(1) + "ab" + sep(2) + "c" + sep(3));
    RunResult r = w.run({"-c", "three.txt", "three.dlg"});
    EXPECT_EQ(r.err, "WARN: unexpected number of dialogs in txt file three.txt(expected even "
                     "number)\n");
    EXPECT_EQ(r.exitCode, 1);
    const Bytes three = testReadFile(w / "three.dlg");
    EXPECT_EQ(get16(three, 0), 1);
    EXPECT_EQ(get16(three, 4), 12);  // three entries in the table
    EXPECT_EQ(recordOf(three, 2, 3), game("c"));
    EXPECT_EQ(flagsOf(three, 2), 3);

    // Hex flags in either case pass silently; stars are read as 0 and warned.
    std::string t = "s" + sep(0) + "a" + sep(0);
    t.replace(t.find("[0000]") + 1, 4, "00ff");
    t.replace(t.find("[0000]") + 1, 4, "****");
    testWriteText(w / "flags.txt", t);
    r = w.run({"-c", "flags.txt", "flags.dlg"});
    EXPECT_EQ(r.err, "WARN: in file flags.txt:unexpected flags(not 4 hex digits):****\n");
    EXPECT_EQ(r.exitCode, 1);
    const Bytes flags = testReadFile(w / "flags.dlg");
    EXPECT_EQ(flagsOf(flags, 0), 0x00FF);
    EXPECT_EQ(flagsOf(flags, 1), 0);

    // A script file of 57 bytes is no script file.
    testWriteText(w / "small.dls", std::string(57, 's'));
    r = w.run({"-c", "-s", "flags.txt", "f2.dlg", "small.dls"});
    EXPECT_EQ(r.err, "WARN: cant find dls file: small.dls or not dls file, creating dlg without "
                     "it\nWARN: in file flags.txt:unexpected flags(not 4 hex digits):****\n");
    EXPECT_EQ(testReadFile(w / "f2.dlg"), flags);

    // A battle text drops a script file that exists.
    testWriteText(w / "bat.txt", "x" + sep(1, true) + "y" + sep(2, true));
    testWriteText(w / "bat.dls", "s" + sep(1) + "s" + sep(2));
    r = w.run({"-c", "-s", "bat.txt", "bat.dlg", "bat.dls"});
    EXPECT_EQ(r.err, "WARN: dlgs are probadly battle dialogs: dlsfile not used\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "bat.dlg"), dlgBattle({{game("x"), 1}, {game("y"), 2}}));

    testWriteText(w / "tiny.txt", sep(0).substr(0, 56));
    r = w.run({"-c", "tiny.txt", "tiny.dlg"});
    EXPECT_EQ(r.err, "WARN: file tiny.txt not supposed text file with dialogs(too small)\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(testExists(w / "tiny.dlg"));
}

TEST(DlgEndToEnd, OptionLettersAndArgumentSkipping)
{
    Workspace w;
    const Bytes f = dlgFile({{game("s"), 1}, {game("t"), 2}});
    const std::string text = "s" + sep(1) + "t" + sep(2);
    testWriteFile(w / "x.dlg", f);
    testWriteText(w / "x.txt", text);

    // -tx takes the next argument away, so -c never acts: extraction.
    RunResult r = w.run({"-tx", "-c", "-E", "x.dlg", "e.txt"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadText(w / "e.txt"), text);

    r = w.run({"-C", "x.txt", "c.dlg"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "c.dlg"), f);

    // The last handler option wins.
    r = w.run({"-c", "-r", "x.dlg", "r.raw"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadFile(w / "r.raw"), tail(f, 12));

    // A lone "-" is an unknown option; the run still goes on.
    r = w.run({"-", "x.dlg", "d.txt"});
    EXPECT_EQ(testLines(r.err).at(0), "unknown option -");
    EXPECT_EQ(testLines(r.err).at(1).rfind("Usage:dlgtool -[erc]", 0), 0u);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testReadText(w / "d.txt"), text);
}

TEST(DlgEndToEnd, InputsSharingOneOutputFileAndMissingInputs)
{
    Workspace w;
    testMkdirs(w / "d");
    testWriteFile(w / "d/a.dlg", dlgFile({{game("s"), 1}, {game("a"), 2}}));
    testWriteFile(w / "d/b.dlg", dlgFile({{game("s"), 1}, {game("b"), 2}}));
    // Several inputs would write in turn to the same output: the first one
    // stays, the second is refused and the run goes on.
    RunResult r = w.run({"d/", "all.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: d/b.dlg not converted: all.txt was already written from d/a.dlg in "
                     "this run\n");
    EXPECT_EQ(testReadText(w / "all.txt"), "s" + sep(1) + "a" + sep(2));

    // A name that does not exist is a pattern matching nothing: said so.
    r = w.run({"none.dlg", "none.txt"});
    EXPECT_EQ(r.err, "ERROR: no input file none.dlg: No such file or directory\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(testExists(w / "none.txt"));
    r = w.run({"d/x*.dlg", "none.txt"});
    EXPECT_EQ(r.err, "ERROR: no input file d/x*.dlg: no file matches\n");

    // A pattern with an output directory.
    testMkdirs(w / "o");
    r = w.run({"d/?.DLG", "o"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(testListDir(w / "o"), (std::vector<std::string>{"a.txt", "b.txt"}));
}
