// dfiletool end to end: split, join, DFile split and join, the element and
// output rules, the option rules and every message the command line can
// reach. The program returns 0 in every case.
#include <gtest/gtest.h>

#include "dfiletool/fixtures.h"
#include "support/testsupport.h"

namespace {

struct DfileCli : ::testing::Test {
    ScratchDir dir;
    RunResult run(const std::vector<std::string>& args)
    {
        RunResult r = testRun("dfiletool", args, dir.path);
        EXPECT_EQ(r.exitCode, 0);
        return r;
    }
    void write(const std::string& name, const std::string& s) { testWriteText(dir / name, s); }
    void write(const std::string& name, const DfileBytes& b) { testWriteFile(dir / name, b); }
    std::string read(const std::string& name) { return testReadText(dir / name); }
    bool exists(const std::string& name) { return testExists(dir / name); }
};

}  // namespace

TEST_F(DfileCli, SplitAndJoinRoundTripGivesTheSameBytes)
{
    const DfileBytes data = dfileFixtureData({"AB", "C", "", "DEFG"});
    write("data.bin", data);
    RunResult r = run({"4440", "data.bin"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("output.out"), dfileFixtureDFile({"AB", "C", "", "DEFG"}));

    r = run({"-j", "4440", "output.out", "joined.bin"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(dir / "joined.bin"), data);

    r = run({"-f", "4440", "data.bin", "piece"});
    EXPECT_EQ(read("piece.000"), "AB");
    EXPECT_EQ(read("piece.003"), "DEFG");
    r = run({"-j", "-f", "4440", "piece", "fromPieces.bin"});
    EXPECT_EQ(testReadFile(dir / "fromPieces.bin"), data);

    // The marker as part of the element's bytes: nothing added.
    run({"-dd", "-max", "0x27", "4440", "data.bin", "plain.txt"});
    EXPECT_EQ(read("plain.txt"), "ABC");
    // A range that skips the first element numbers the pieces from .000.
    run({"-f", "-min", "0x26", "4440", "data.bin", "late"});
    EXPECT_EQ(read("late.000"), "C");
    EXPECT_EQ(read("late.002"), "DEFG");
    EXPECT_FALSE(exists("late.003"));
}

TEST_F(DfileCli, JoinWithHeaderFileBaseAndExactSizes)
{
    write("p.000", "0123456789");
    write("p.001", "xyz");
    RunResult r = run({"-j", "-f", "-hb", "0x10", "-ef", "#", "4440", "p", "out.bin"});
    DfileBytes want(16, '#');
    dfileFixtureLe(want, 2, 4);
    for (uint32_t v : {36u, 10u, 46u, 3u})
        dfileFixtureLe(want, v, 4);
    for (char c : std::string("0123456789xyz"))
        want.push_back(static_cast<uint8_t>(c));
    EXPECT_EQ(testReadFile(dir / "out.bin"), want);

    // A separate header file: positions count from the data output's start.
    run({"-j", "-f", "-h", "unused.hdr", "-em", "0x800", "4440", "p", "data.bin", "new.hdr"});
    DfileBytes hdr;
    dfileFixtureLe(hdr, 2, 4);
    for (uint32_t v : {0u, 10u, 10u, 3u})
        dfileFixtureLe(hdr, v, 4);
    EXPECT_EQ(testReadFile(dir / "new.hdr"), hdr);
    EXPECT_EQ(testReadFile(dir / "data.bin").size(), 0x800u);

    r = run({"-jd", "-e", "30", "4", "p", "d.txt"});
    EXPECT_EQ(r.err, "Error: joining file is bigger than exact size\n");
    EXPECT_EQ(read("d.txt"), dfileFixtureDFile({"0123456789", "xyz"}));
}

TEST_F(DfileCli, BlockAndCutRules)
{
    write("p.000", std::string("ABCDEF") + std::string(4, '\0'));
    write("p.001", std::string(5, '\0'));
    run({"-jd", "-dd", "-eba", "4", "-eb", "16", "4", "p", "exact.bin"});
    EXPECT_EQ(read("exact.bin"), std::string("ABCDEF") + std::string(26, '\0'));
    run({"-jd", "-dd", "-ebm", "4", "4", "p", "multiple.bin"});
    EXPECT_EQ(read("multiple.bin").size(), 12u + 8u);
    run({"-jd", "-dd", "-cb", "4", "p", "cut.bin"});
    EXPECT_EQ(read("cut.bin"), "ABCDEF");
    run({"-jd", "-dd", "-cbl", "2", "4", "p", "margin.bin"});
    // 2 fill bytes kept behind F; of the fill-only element 2 are left.
    EXPECT_EQ(read("margin.bin"), std::string("ABCDEF") + std::string(2 + 2, '\0'));
    run({"-jd", "-dd", "-cbl", "9", "4", "p", "wide.bin"});
    EXPECT_EQ(read("wide.bin").size(), 10u + 5u);

    // "-cb" with "-eb": the exact block rule, later in the table, wins.
    RunResult r = run({"-jd", "-dd", "-cb", "-eb", "4", "4", "p", "big.bin"});
    EXPECT_EQ(r.err, "Error: block is bigger than max(exact) block size\n");
    EXPECT_EQ(read("big.bin").size(), 10u);  // the element was written first
    r = run({"-jd", "-eb", "0", "4", "p", "zero.bin"});
    EXPECT_EQ(r.err, "-eb:block size must be 1 to 0x7FFFFFFF\n");
    EXPECT_FALSE(exists("zero.bin"));

    // An element of fill bytes only makes no piece file.
    write("d.txt", dfileFixtureDFile({"AB", std::string(3, '\0'), "C"}));
    run({"-sd", "-cb", "4", "d.txt", "q"});
    EXPECT_EQ(read("q.000"), "AB");
    EXPECT_FALSE(exists("q.001"));
    EXPECT_EQ(read("q.002"), "C");
}

TEST_F(DfileCli, DFileSplitRangeMarkersAndTheCutCopy)
{
    write("d.txt", dfileFixtureDFile({"AB", "C"}) + "rest");
    run({"-sd", "-min", "2", "4", "d.txt"});
    EXPECT_EQ(read("output.000"), "C");
    EXPECT_FALSE(exists("output.001"));

    write("m.txt", "AB--C--");
    run({"-sd", "-d", "--", "4", "m.txt", "m"});
    EXPECT_EQ(read("m.001"), "C");
    write("abc.txt", "xABCyABC");
    run({"-sd", "-d", "ABC", "-ds", "3", "4", "abc.txt", "n"});
    EXPECT_EQ(read("n.001"), "y");
    RunResult r = run({"-sd", "-d", "--", "-ds", "3", "4", "m.txt", "o"});
    EXPECT_EQ(r.err, "-ds:marker size 3 is more than the 2 bytes of the marker\n");
    write("mark", "|");
    // Without "-ds" the marker keeps its size of 21: a longer text counts
    // by its first 21 bytes.
    const std::string longMarker = "<<<<<<<<<<end of element>>>>>>>>>>";
    write("long.txt", "one" + longMarker + "two" + longMarker);
    run({"-sd", "-d", longMarker, "4", "long.txt", "l"});
    EXPECT_EQ(read("l.000"), "one");
    EXPECT_EQ(read("l.001"), longMarker.substr(21) + "two");
    write("l.000", "A");
    run({"-jd", "-d", longMarker, "4", "l", "long2.txt"});
    EXPECT_EQ(read("long2.txt"), "A" + longMarker.substr(0, 21) + longMarker.substr(21) + "two" +
                                     longMarker.substr(0, 21));
    write("bar.txt", "x|yy|");
    run({"-sd", "-df", "mark", "4", "bar.txt", "b"});
    EXPECT_EQ(read("b.001"), "yy");

    // The whole-input cut goes through tmpqzpm.qwe, which the run removes;
    // one the user has is never overwritten.
    write("z.txt", dfileFixtureDFile({"AB"}) + std::string(8, '\0'));
    run({"-sd", "-c", "4", "z.txt", "z"});
    EXPECT_EQ(read("z.000"), "AB");
    EXPECT_FALSE(exists("tmpqzpm.qwe"));
    write("tmpqzpm.qwe", "mine");
    r = run({"-sd", "-c", "4", "z.txt", "y"});
    EXPECT_EQ(r.err, "Error: tmpqzpm.qwe exists and was not made by this run, move it away first\n");
    EXPECT_EQ(read("tmpqzpm.qwe"), "mine");
    EXPECT_FALSE(exists("y.000"));
}

TEST_F(DfileCli, TableConversionBothWays)
{
    write("t.tbs", "\\x01=one\r\n\\x02=two\r\n");
    DfileBytes data = dfileFixtureData({"\x01\x02", "\x02"});
    write("game.bin", data);
    run({"-t", "t.tbs", "4440", "game.bin", "text.txt"});
    EXPECT_EQ(read("text.txt"), dfileFixtureDFile({"onetwo", "two"}));
    // Join through the table recomputes positions from the converted sizes.
    write("edit.txt", dfileFixtureDFile({"twoonetwo", "one"}));
    run({"-j", "-t", "t.tbs", "4440", "edit.txt", "new.bin"});
    DfileBytes want;
    dfileFixtureLe(want, 2, 4);
    for (uint32_t v : {20u, 3u, 23u, 1u})
        dfileFixtureLe(want, v, 4);
    for (uint8_t b : {2, 1, 2, 1})
        want.push_back(b);
    EXPECT_EQ(testReadFile(dir / "new.bin"), want);
    // "-tr" swaps the direction.
    write("q.000", "two");
    run({"-jd", "-tr", "-t", "t.tbs", "4", "q", "rev.txt"});
    EXPECT_EQ(read("rev.txt"), "\x02" + dfileFixtureMarker);
}

TEST_F(DfileCli, OptionRulesAndCommandLineMessages)
{
    write("data.bin", dfileFixtureData({"AB"}));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "htype:error parse\n"},
        {{"4440"}, "input:error parse\n"},
        {{"4440", "missing.bin"}, "missing.bin:input file not found\n"},
        {{"-ef", "ab", "4440", "data.bin"}, "-ef:error parse\n"},
        {{"-b", "12x", "4440", "data.bin"}, "-b:error parse\n"},
        {{"4440", "data.bin", "-b"}, "-b:error parse\n"},
        {{"4440", "data.bin", "-i"}, "-i:error parse(input file)\n"},
        {{"-e", "x", "4440", "data.bin"}, "-e:error parse\n"},
        {{"-hc", "", "4440", "data.bin", "-hmax", "0y"}, "-hmax:error parse\n"},
        {{"-df", "nomarker", "4440", "data.bin"}, "dfile: error checking size of dfile\n"},
        {{"-hb", "-4", "4440", "data.bin"}, "-hb:value must not be negative\n"},
        {{"00", "data.bin"}, "error reading htype\n"},
        {{"4440000", "data.bin"}, "error reading htype(not knowen type)\n"},
        {{"-t", "no.tbs", "4440", "data.bin"},
         "File no.tbs dont exist\nno.tbs:tbs table file error initialization\n"},
    };
    for (const auto& [args, err] : cases) {
        const RunResult r = run(args);
        EXPECT_EQ(r.err, err) << testLines(err)[0];
    }
    EXPECT_FALSE(exists("output.out"));

    // "-s" with "-j" gives join; a flag given twice leaves the second copy as
    // the htype, which is no htype here.
    RunResult r = run({"-s", "-j", "4440", "missing"});
    EXPECT_EQ(r.err, "missing:input file not found\n");
    write("d.txt", dfileFixtureDFile({"AB"}));
    r = run({"-s", "-j", "4440", "d.txt", "j.bin"});
    EXPECT_EQ(testReadFile(dir / "j.bin"), dfileFixtureData({"AB"}));
    r = run({"-f", "-f", "4440", "data.bin"});
    EXPECT_EQ(r.err, "error reading htype\n");
    // "-b 0x800" moves the positions the header gives.
    r = run({"-b", "0x800", "-max", "0x1000", "4440", "data.bin", "based.txt"});
    EXPECT_NE(r.out.find("EPos C\tEPos+pbase 80C\t"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "Error: coping data\n");
}

TEST_F(DfileCli, DamagedHeadersAndOutputsThatAreInputs)
{
    DfileBytes d = dfileFixtureData({"AB", "CD"});
    write("good.bin", d);
    d[16] = 0x40;  // the second element now runs past the end
    write("past.bin", d);
    RunResult r = run({"4440", "past.bin", "past.txt"});
    EXPECT_EQ(r.err, "Error: coping data\n");
    d[19] = 0x80;  // and beyond what a file below 2 GiB holds
    write("far.bin", d);
    r = run({"4440", "far.bin", "far.txt"});
    EXPECT_EQ(r.err, "Error: element 1 (position 22, size 2147483712) does not lie inside a file "
                     "below 2 GiB\n");
    EXPECT_FALSE(exists("far.txt"));

    // A count field past the end of the file reads as 0 records: no error,
    // nothing written.
    r = run({"-hb", "200", "4440", "good.bin", "none.txt"});
    EXPECT_EQ(r.out, "reading HFILE: good.bin, hbase C8, pbase 0\n"
                     "pbase :0   esize:8  hmax 0 head.csize4\n"
                     "elements 0\nbufsize 0\n404040\n4 0 4 0 4 0 0 0 (4 0 4 0 4 0 0 0)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(exists("none.txt"));

    r = run({"4440", "good.bin", "good.bin"});
    EXPECT_EQ(r.err, "Error: output good.bin is the same file as input good.bin, not written\n");
    EXPECT_EQ(testReadFile(dir / "good.bin"), dfileFixtureData({"AB", "CD"}));
    r = run({"-f", "4440", "good.bin", "good"});
    write("good.001", dfileFixtureData({"AB", "CD"}));
    r = run({"-f", "4440", "good.001", "good"});
    EXPECT_EQ(r.err, "Error: output good.001 is the same file as input good.001, not written\n");

    // Appending keeps what the output held and writes in place.
    write("log.txt", "old");
    run({"-a", "-dd", "4440", "good.bin", "log.txt"});
    EXPECT_EQ(read("log.txt"), "oldABCD");
}
