// kz7 end to end on the sample game: unpack, edit, status, check, pack,
// verify; and the manifest's writer and strict reader.
#include "check.h"
#include "manifest.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace {

const std::string dlg1 = "files/01/01_0000/06/00_00_0100";
const std::string dlg2 = "files/01/01_0002/06/00_00_0100";
const std::string floorBmp = "files/01/01_0000/0A/02_00_0300_000_0102.bmp";

struct Project {
    ScratchDir dir;
    Project()
    {
        EXPECT_EQ(testRun("samplegame", {"game"}, dir.path).exitCode, 0);
        const RunResult r = testRun("kz7", {"unpack", "game", "work"}, dir.path);
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    std::string work(const std::string& rel) const { return dir / ("work/" + rel); }
    void replace(const std::string& rel, const std::string& from, const std::string& to) const
    {
        std::string text = testReadText(work(rel));
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        testWriteText(work(rel), text);
    }
    // Redraws the top row of floor cells with the bottom row (as the
    // background road does), a change tiles with one user show.
    void editFloor() const
    {
        std::vector<uint8_t> bmp = testReadFile(work(floorBmp));
        std::copy(bmp.begin() + 3126, bmp.begin() + 3126 + 3072, bmp.begin() + 6198);
        testWriteFile(work(floorBmp), bmp);
    }
    Manifest manifest(const std::string& work) const
    {
        std::string error;
        auto m = manifestFromJson(testReadText(dir / (work + "/kz7-project.json")), error);
        EXPECT_TRUE(m) << error;
        return m ? *m : Manifest{};
    }
};

std::map<std::string, std::string> hashes(const Manifest& m)
{
    std::map<std::string, std::string> out;
    for (const ManifestFile& f : m.files)
        out[f.path] = f.hash;
    return out;
}

TEST(Kz7Manifest, WritesAndReadsBackItsOwnJsonOnly)
{
    Manifest m;
    m.game = "/games/kz7 \"copy\"\\x";
    m.imgSize = 40960;
    m.imgHash = "fnv1a64:0123456789abcdef";
    m.files.push_back({"files/00/a\tb.txt", "text", "01/x.db:06/a.dlg", 12, "fnv1a64:00"});
    std::string error;
    const auto back = manifestFromJson(manifestToJson(m), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->game, m.game);
    EXPECT_EQ(back->imgSize, 40960u);
    ASSERT_EQ(back->files.size(), 1u);
    EXPECT_EQ(back->files[0].path, "files/00/a\tb.txt");
    EXPECT_EQ(back->files[0].size, 12u);

    const std::string good = manifestToJson(m);
    for (const std::string& bad :
         {good.substr(0, good.size() / 2), good + "x", std::string("[]"),
          std::string(good).replace(good.find("\"size\": 12"), 10, "\"size\": -1"),
          std::string(good).replace(good.find("files/00"), 8, "../../etc")}) {
        EXPECT_FALSE(manifestFromJson(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(Kz7Hash, IsFnv1a64OfTheWholeFile)
{
    ScratchDir d;
    testWriteText(d / "a", "a");
    EXPECT_EQ(manifestHashFile(d / "a"), "fnv1a64:af63dc4c8601ec8c");  // FNV-1a 64 of "a"
    EXPECT_FALSE(manifestHashFile(d / "missing"));
}

TEST(Kz7Road, UnpackEditPackHoldsExactlyTheEditsAndRepeats)
{
    Project p;
    EXPECT_TRUE(testExists(p.work(dlg1 + ".txt")));
    EXPECT_TRUE(testExists(p.work(dlg1 + ".dls")));
    EXPECT_TRUE(testExists(p.work(floorBmp)));
    RunResult r = testRun("kz7", {"status", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "41 unchanged, 0 changed, 0 missing, 0 new\n");
    // Where each file came from.
    const Manifest unpacked = p.manifest("work");
    const std::vector<std::pair<std::string, std::string>> origins = {
        {"kz7.tbs", "GAME/kz7.tbs"},
        {"files/01/01_0000.db", "kz7.img:01/01_0000.db"},
        {dlg1 + ".dlg", "01/01_0000.db:06/00_00_0100.dlg"},
        {dlg1 + ".txt", "01/01_0000.db:06/00_00_0100.dlg (converted)"},
        {floorBmp, "01/01_0000.db:0A/02_00_0300.0a (drawn)"}};
    for (const auto& [path, from] : origins) {
        const ManifestFile* f = manifestFind(unpacked, path);
        ASSERT_TRUE(f) << path;
        EXPECT_EQ(f->from, from);
        EXPECT_EQ(f->hash, manifestHashFile(p.work(path)));
    }

    p.replace(dlg1 + ".txt", "The elder is waiting", "The old man waits");
    p.replace(dlg2 + ".txt", "[e]", " Now.[e]");
    p.editFloor();
    testWriteText(p.work("files/02/extra"), "x");
    r = testRun("kz7", {"status", "work"}, p.dir.path);
    EXPECT_EQ(r.out, "files/01/01_0000/06/00_00_0100.txt: changed\n"
                     "files/01/01_0000/0A/02_00_0300_000_0102.bmp: changed\n"
                     "files/01/01_0002/06/00_00_0100.txt: changed\n"
                     "files/02/extra: new (not packed)\n"
                     "38 unchanged, 3 changed, 0 missing, 1 new\n");

    r = testRun("kz7", {"pack", "work", "out"}, p.dir.path);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The background import reports the two floor tiles the roof shares
    // (left alone) on standard output before kz7's summary.
    const auto lines = testLines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
              (std::vector<std::string>{
                  dlg1 + ".txt: dialog 00_00_0100.dlg rebuilt, 272 -> 267 bytes; 01/01_0000.db imported in place",
                  dlg2 + ".txt: dialog 00_00_0100.dlg rebuilt, 216 -> 218 bytes; 01/01_0002.db rebuilt",
                  floorBmp + ": background 02_00_0300.0a imported, 1 files changed; 01/01_0000.db imported in place",
                  "packed 3 changed files into out/kz7.img (40960 bytes)"}));

    // The new archive unpacked again: the edited texts, their dialogs,
    // scripts (their separators carry the new window sizes), the floor picture and its TIM and the two DB
    // archives differ; everything else is the same.
    for (const char* table : {"kz7.tbs", "kz7.tbl"})
        testWriteFile(p.dir / (std::string("out/") + table), testReadFile(p.dir / (std::string("game/") + table)));
    r = testRun("kz7", {"unpack", "out", "again"}, p.dir.path);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto before = hashes(p.manifest("work"));
    const auto after = hashes(p.manifest("again"));
    std::vector<std::string> differ;
    for (const auto& [path, hash] : before)
        if (after.count(path) == 0 || after.at(path) != hash)
            differ.push_back(path);
    const std::vector<std::string> expected = {
        "files/01/01_0000.db", dlg1 + ".dlg", dlg1 + ".dls", dlg1 + ".txt", "files/01/01_0000/04/01_00_0200.tim",
        floorBmp, "files/01/01_0002.db", dlg2 + ".dlg", dlg2 + ".dls", dlg2 + ".txt"};
    std::vector<std::string> sortedExpected = expected;
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(differ, sortedExpected);
    EXPECT_EQ(testReadText(p.dir / ("again/" + dlg1 + ".txt")), testReadText(p.work(dlg1 + ".txt")));
    EXPECT_EQ(testReadText(p.dir / ("again/" + dlg2 + ".txt")), testReadText(p.work(dlg2 + ".txt")));

    // A second pack with nothing more changed gives the same bytes.
    r = testRun("kz7", {"pack", "work", "out2"}, p.dir.path);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testReadFile(p.dir / "out/kz7.img"), testReadFile(p.dir / "out2/kz7.img"));
}

TEST(Kz7Road, VerifyAndAnUnchangedPackGiveTheGameBack)
{
    Project p;
    RunResult r = testRun("kz7", {"verify", "game"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "verified game/kz7.img: unpacked and packed again it is the same, 40960 bytes\n");
    r = testRun("kz7", {"pack", "work", "out"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "packed 0 changed files into out/kz7.img (40960 bytes)\n");
    EXPECT_EQ(testReadFile(p.dir / "out/kz7.img"), testReadFile(p.dir / "game/kz7.img"));

    // Bytes after the archive's last file don't survive a rebuild: verify
    // says so, and where.
    std::vector<uint8_t> img = testReadFile(p.dir / "game/kz7.img");
    img.resize(img.size() + 2048, 0x5A);
    testWriteFile(p.dir / "game/kz7.img", img);
    r = testRun("kz7", {"verify", "game"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: game/kz7.img: unpacked and packed again it differs from the original at byte 40960; "
                     "kz7 can't translate this game safely\n");
    // The project no longer matches the game it came from.
    r = testRun("kz7", {"pack", "work", "out"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: " + p.dir.path +
                         "/game/kz7.img is not the archive this project was unpacked from (hash differs); unpack it again\n");
}

TEST(Kz7Road, RefusesToOverwriteWorkGameOrAnEditedFile)
{
    Project p;
    RunResult r = testRun("kz7", {"unpack", "game", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: work is not empty; give a new or empty folder, or --overwrite to unpack again over a project\n");
    // Unpacking again over an untouched project is allowed and keeps files
    // the project does not know.
    testWriteText(p.work("notes.txt"), "mine");
    r = testRun("kz7", {"unpack", "--overwrite", "game", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testReadText(p.work("notes.txt")), "mine");

    p.replace(dlg1 + ".txt", "elder", "mayor");
    const std::string edited = testReadText(p.work(dlg1 + ".txt"));
    r = testRun("kz7", {"unpack", "--overwrite", "game", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: work/" + dlg1 +
                         ".txt was changed since unpacking; it is kept: pack it or move it away before unpacking again\n");
    EXPECT_EQ(testReadText(p.work(dlg1 + ".txt")), edited);

    r = testRun("kz7", {"pack", "work", "game"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: game/kz7.img is GAME's own archive; give another OUT folder\n");

    // An edit in a text and in the dialog file built from it: which one?
    std::vector<uint8_t> dlg = testReadFile(p.work(dlg1 + ".dlg"));
    dlg.back() ^= 1;
    testWriteFile(p.work(dlg1 + ".dlg"), dlg);
    r = testRun("kz7", {"pack", "work", "out"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.err)[0], "ERROR: work/" + dlg1 + ".txt and work/" + dlg1 +
                                       ".dlg were both changed; keep the edit in one of them and restore the other");
    dlg.back() ^= 1;
    testWriteFile(p.work(dlg1 + ".dlg"), dlg);

    // A text whose separator is broken can't be built: the old OUT stays.
    testMkdirs(p.dir / "out");
    testWriteText(p.dir / "out/kz7.img", "old");
    p.replace(dlg1 + ".txt", "**EnD**[0002]", "**End**[0002]");
    r = testRun("kz7", {"pack", "work", "out"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.err).back(), "ERROR: nothing was written to out/kz7.img");
    EXPECT_EQ(testReadText(p.dir / "out/kz7.img"), "old");
}

TEST(Kz7Cli, HelpAndWrongArguments)
{
    RunResult r = testRun("kz7", {"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.out)[0], "Usage: kz7 COMMAND [options] ARGS");
    r = testRun("kz7", {"pack", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.out)[0], "Usage: kz7 pack WORK OUT");
    r = testRun("kz7", {"frobnicate"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: unknown command \"frobnicate\"; run kz7 --help\n");
    r = testRun("kz7", {"status"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: wrong arguments for kz7 status; run kz7 status --help\n");
    ScratchDir d;
    r = testRun("kz7", {"status", d.path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: " + d.path + "/ is not a kz7 project (kz7-project.json is missing); unpack the game into it first\n");
}

}  // namespace

namespace {

TEST(Kz7Check, FindsOverflowUnknownCharactersDamagedSeparatorsAndMissingEnds)
{
    Project p;
    RunResult r = testRun("kz7", {"check", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "checked 4 dialog texts, 13 windows: 0 overflow, 0 crowded, 13 fine; 0 other problems\n");

    p.replace(dlg1 + ".txt", "The elder is waiting for you.", "The village elder has been waiting for you since dawn.");
    p.replace(dlg1 + ".txt", "my cat?", "my c\xC3\xA4t?");
    p.replace(dlg2 + ".txt", "[e]", "[X]");
    r = testRun("kz7", {"check", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out,
              dlg1 + ".txt:7:19: unknown character \"\xC3\xA4\"; the table kz7.tbs can't convert it: write it another "
                     "way or add it to the table\n" +
                  dlg1 + ".txt:4:1: dialog 2: overflow, 380 pixels wide, 2 lines (limits 320, 15; original: fine, 198 "
                         "pixels, 2 lines)\n" +
                  dlg2 + ".txt:1:1: dialog 1 has no end code; end it with [e] as unpacked\n" +
                  dlg2 + ".txt:1:" + std::to_string(1 + testLines(testReadText(p.work(dlg2 + ".txt")))[0].find("[X]")) +
                  ": unknown control code \"[X]\"; the table kz7.tbs can't convert it: write it another way or add it "
                  "to the table\n"
                  "checked 4 dialog texts, 13 windows: 1 overflow, 0 crowded, 12 fine; 3 other problems\n");

    // A smaller screen makes the other windows crowded or too wide; JSON
    // gives every window with the original's verdict.
    r = testRun("kz7", {"check", "--json", "--screen-width", "200", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("{\"dialog\": 2, \"line\": 4, \"width\": 380, \"lines\": 2, \"verdict\": \"overflow\", "
                         "\"original\": {\"width\": 198, \"lines\": 2, \"verdict\": \"crowded\"}}"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"ok\": false"), std::string::npos);

    // Fixed: the shorter line, a known letter, the end code back; a damaged
    // separator is reported at its line.
    p.replace(dlg1 + ".txt", "The village elder has been waiting for you since dawn.", "The elder waits.");
    p.replace(dlg1 + ".txt", "my c\xC3\xA4t?", "my cat?");
    p.replace(dlg2 + ".txt", "[X]", "[e]");
    r = testRun("kz7", {"check", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    p.replace(dlg2 + ".txt", "**EnD**[", "**END**[");
    r = testRun("kz7", {"check", "work"}, p.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    const auto lines = testLines(r.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], dlg2 + ".txt:1:1: 2 dialogs where the dialog file has 3; keep one text per separator");
    EXPECT_EQ(lines[1], dlg2 + ".txt:2:1: damaged separator; restore the line \"**EnD**[XXXX]\" and its 42 "
                               "stars as unpacked");
}

TEST(Kz7Check, VerdictsAgainstTheLimits)
{
    CheckOptions o;
    EXPECT_EQ(checkVerdict(287, 13, o), CheckVerdict::fine);
    EXPECT_EQ(checkVerdict(288, 1, o), CheckVerdict::crowded);  // 90% of 320
    EXPECT_EQ(checkVerdict(10, 14, o), CheckVerdict::crowded);  // 14 of 15 lines
    EXPECT_EQ(checkVerdict(321, 1, o), CheckVerdict::overflow);
    EXPECT_EQ(checkVerdict(100, 16, o), CheckVerdict::overflow);
    o.screenWidth = 5000;  // the size word's 12 bits still hold at most 4095
    EXPECT_EQ(checkVerdict(4096, 1, o), CheckVerdict::overflow);
    EXPECT_EQ(checkVerdict(-1, 1, o), CheckVerdict::unknown);
}

}  // namespace
