// End-to-end tests of bgtool: the command line, the listing, the extraction
// and their messages, on fixture backgrounds, the sample game and real TIMs
// read by ImageMagick.
#include <gtest/gtest.h>

#include "bgtool/fixtures.h"
#include "le.h"

namespace {

const std::string usageFirst = "Usage: bgtool -[eil] InfoFile TimFiles [dir1] [dir2] [dbfile...]";

SampleTileSet fxSet8(uint16_t tileId, uint16_t tilesWide, uint16_t tilesHigh)
{
    SampleTileSet s{1, 0x000010, static_cast<uint16_t>(16 * tilesWide),
                    static_cast<uint16_t>(16 * tilesHigh), 0, 0, tileId, {}};
    for (uint16_t k = 0; k < tilesWide * tilesHigh; ++k)
        s.tiles.push_back(fxTile8(16 * (k % tilesWide), 16 * (k / tilesWide),
                                  static_cast<uint8_t>(16 * (k % 8))));
    return s;
}

bool haveImageMagick()
{
    return testRunExe("/usr/bin/convert", {"-version"}).exitCode == 0;
}

}  // namespace

TEST(BgCli, StatusesAndUsage)
{
    ScratchDir dir;
    RunResult r = testRun("bgtool", {});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(testLines(r.out).size(), 32u);
    EXPECT_EQ(testLines(r.out)[0], usageFirst);
    EXPECT_EQ(testLines(r.out)[31], " this program worked for me as I needed.");

    r = testRun("bgtool", {"-x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "unknown option -x\n");
    EXPECT_EQ(testLines(r.out)[0], usageFirst);

    r = testRun("bgtool", {"-e", "bg.0a", "tims"}, dir.path);
    EXPECT_EQ(r.exitCode, 111);
    EXPECT_EQ(testLines(r.out)[0], usageFirst);
    EXPECT_EQ(testRun("bgtool", {"-t", "bg.0a"}, dir.path).exitCode, 111);  // no mode
    EXPECT_EQ(testRun("bgtool", {"-i", "a", "b", "c"}, dir.path).exitCode, 111);

    // -help prints the usage and goes on; -Hx is an import; dbfile arguments are not used.
    FxBackground bg({fxSet8(2, 2, 1)});
    r = testRun("bgtool", {"-HELP", "-L", bg.info(), "more", "args"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.out)[0], usageFirst);
    EXPECT_EQ(testLines(r.out)[32], "tilesSetCount : 1");
    r = testRun("bgtool", {"-l", "-Hx", bg.info(), bg.tims(), "a", "b"}, dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("tilesSetCount"), std::string::npos);

    // Both streams in one pipe keep the order of events: the usage of -help,
    // the line for -x, then the usage for the missing arguments.
    r = testRunExe("/bin/sh", {"-c", "\"$0\" -help -x 2>&1", testToolPath("bgtool")});
    const std::vector<std::string> lines = testLines(r.out);
    ASSERT_EQ(lines.size(), 65u);
    EXPECT_EQ(lines[0], usageFirst);
    EXPECT_EQ(lines[32], "unknown option -x");
    EXPECT_EQ(lines[33], usageFirst);
}

TEST(BgList, EveryFieldInHexAndNoTimsNeeded)
{
    SampleTileSet s{0x1A, 0x0A0B0C, 32, 16, 0x100, 0x20, 0x12, {}};
    SampleTile t = fxTile8(16, 0, 0x22);
    t.sv = 0x33;
    t.stY = 1;
    t.clutX = 3;
    s.tiles = {fxTile8(0, 0, 0), t};
    FxBackground bg({s});
    const RunResult r = testRun("bgtool", {"-l", bg.info()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "tilesSetCount : 1\n"
              "type plane   sizeX/Y  posX posY posC1 posC2 unknown1         var1 var2 unknown2         "
              "tileId count     desp     srcp  mem      unknw3\n"
              " 1A  0A0B0C 0020 0010 0100 0020 0100  0020  0000000000000000 0010 0010 "
              "0000000000000000  0012  0002        50       58    10000        0\n"
              "index: 0, type: 1A, tilesID : 12, tiles : 02\n"
              " dU  dX  dY  | scY scX stY stX stp sAbr sv  su   sU0  spT sU1\n"
              "000   0   0  |  E0   0   0   5   1   0  00  00  00000   0   0\n"
              "001  10   0  |  E0   3   1   5   1   0  33  22  00000   0   0\n");

    FxBackground empty({});
    EXPECT_EQ(testRun("bgtool", {"-l", empty.info()}).out,
              "tilesSetCount : 0\n" + testLines(r.out)[1] + "\n");
    // Without tile sets the size and the count are all the file needs.
    testWriteFile(empty.info(), {8, 0, 0, 0, 0, 0, 0, 0});
    const RunResult bare = testRun("bgtool", {"-l", empty.info()});
    EXPECT_EQ(bare.err, "");
    EXPECT_EQ(bare.out, "tilesSetCount : 0\n" + testLines(r.out)[1] + "\n");
}

TEST(BgList, DamagedFilesAreRefusedWithOneLine)
{
    FxBackground bg({fxSet8(2, 2, 1)});
    Bytes info = testReadFile(bg.info());
    info.push_back(0);
    testWriteFile(bg.info(), info);
    RunResult r = testRun("bgtool", {"-l", bg.info()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: " + bg.info() + " : unexpected size of tileinfo file: expected " +
                         std::to_string(info.size() - 1) + ": got " + std::to_string(info.size()) + "/n");

    // Every cut of the file, its size field made to match: never a read
    // outside it, at most one line.
    info.pop_back();
    for (size_t len = 2; len < info.size(); ++len) {
        Bytes cut(info.begin(), info.begin() + static_cast<long>(len));
        ASSERT_TRUE(lePut16(cut, 0, static_cast<uint16_t>(len)));
        testWriteFile(bg.info(), cut);
        r = testRun("bgtool", {"-l", bg.info()});
        EXPECT_EQ(r.err, "ERROR: " + bg.info() + " : tile sets or tiles lie outside the tileinfo file of " +
                             std::to_string(len) + " bytes\n") << len;
    }
}

TEST(BgExtract, NamesMarkersWarningsAndRefusedSets)
{
    SampleTileSet four{2, 0, 32, 16, 0, 0, 0x30, {fxTile4(0, 0, 0), fxTile4(16, 0, 16)}};
    SampleTileSet mixed{3, 0, 32, 16, 0, 16, 0x31, {fxTile4(0, 0, 0), fxTile8(16, 0, 0)}};
    SampleTileSet wide{1, 0, 48, 32, 0, 0, 0x02, {fxTile8(0, 0, 16)}};
    SampleTileSet sixteen = fxSet8(0x20, 2, 1);
    sixteen.tiles[1].stp = 2;
    SampleTileSet none{1, 0, 16, 16, 0, 0, 0x40, {}};
    FxBackground bg({wide, four, mixed, sixteen, none});
    testMkdirs(bg.dir / "out");
    const RunResult r = testRun("bgtool", {"-e", bg.info(), bg.tims(), bg.dir / "out/"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "WARNING: 4bit background not whole 4bit: " + bg.info() + "\n" +
                         "ERROR: " + bg.info() + " :16bit tiles currently unsupported : block 0x3, tile 0x1\n");
    EXPECT_EQ(testListDir(bg.dir / "out"),
              (std::vector<std::string>{"_000_0102.bmp", "_001_0230_4bit.bmp", "_002_0331_4bit.bmp"}));

    const Bytes bmp = testReadFile(bg.dir / "out/_000_0102.bmp");
    EXPECT_EQ(*leGet32(bmp, 18), 48u);  // the whole background: 48 x 32
    EXPECT_EQ(*leGet32(bmp, 22), 32u);
    EXPECT_EQ(fxBmpPixel(bmp, 20, 20), (Bytes{0x00, 0xFF, 0x00}));  // in the area, no tile
    const Bytes tex = fxTexture(1, 320, 0, 64, 16);
    const Bytes pal = fxPalettes(2);
    const unsigned index = tex[20 + 16], colour = *leGet16(pal, 20 + 2 * index);  // su 16: byte 16
    EXPECT_EQ(fxBmpPixel(bmp, 0, 0), (Bytes{static_cast<uint8_t>((colour >> 10 & 31) * 8),
                                           static_cast<uint8_t>((colour >> 5 & 31) * 8),
                                           static_cast<uint8_t>((colour & 31) * 8)}));
    const Bytes bmp4 = testReadFile(bg.dir / "out/_001_0230_4bit.bmp");
    EXPECT_EQ(fxBmpPixel(bmp4, 0, 20), (Bytes{0x00, 0x00, 0xFF}));  // outside the set's area
}

TEST(BgExtract, PicturesAreClippedAndMissingTimsReported)
{
    // The picture is measured from 0, not from the smallest position: the
    // set at (16, 16) gives 32 x 32 pixels, and its tiles, drawn at 16 and
    // 32, are clipped to it.
    SampleTileSet a{1, 0, 32, 32, 16, 16, 1, {fxTile8(0, 0, 0), fxTile8(16, 16, 16)}};
    FxBackground bg({a});
    RunResult r = testRun("bgtool", {"-e", bg.info(), bg.tims(), bg.dir / "p"});
    EXPECT_EQ(r.err, "");
    const Bytes bmp = testReadFile(bg.dir / "p_000_0101.bmp");
    EXPECT_EQ(*leGet32(bmp, 18), 32u);
    EXPECT_EQ(*leGet32(bmp, 22), 32u);
    const Bytes tex = fxTexture(1, 320, 0, 64, 16), pal = fxPalettes(1);
    EXPECT_EQ(fxBmpPixel(bmp, 31, 31), fxBgr(*leGet16(pal, 20 + 2 * tex[20 + 128 * 15 + 15])));
    EXPECT_EQ(fxBmpPixel(bmp, 15, 15), (Bytes{0x00, 0x00, 0xFF}));

    r = testRun("bgtool", {"-e", bg.info(), bg.dir / "tims/*.xyz", bg.dir / "q"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: " + bg.info() + ": not tims to load from expresion: " + bg.dir.path + "/tims/*.xyz\n");

    // A file of the list that is no TIM is reported and left out.
    testWriteText(bg.dir / "tims/d_note.tim", "note, not a TIM");
    r = testRun("bgtool", {"-e", bg.info(), bg.tims(), bg.dir / "r"});
    EXPECT_EQ(r.err, "ERROR: first byte of timfile " + bg.dir.path + "/tims/d_note.tim: expected 0x10, got 0x6E");
    EXPECT_TRUE(testExists(bg.dir / "r_000_0101.bmp"));

    FxBackground empty({SampleTileSet{1, 0, 16, 16, 0, 0, 1, {}}});
    r = testRun("bgtool", {"-e", empty.info(), empty.tims(), empty.dir / "x"});
    EXPECT_EQ(r.err, "ERROR: " + empty.info() + " : no tiles in tileinfo file\n");
}

TEST(BgExtract, SampleGameBackgroundsOpenInImageMagick)
{
    if (!haveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    ScratchDir dir;
    ASSERT_EQ(testRun("samplegame", {"game"}, dir.path).exitCode, 0);
    testMkdirs(dir / "img");
    testMkdirs(dir / "db");
    testRun("imgtool", {"-e", "-d", "img", "game/kz7.img"}, dir.path);
    testRun("dbtool", {"-e", "-d", "db", "img/01/01_0000.db"}, dir.path);
    testMkdirs(dir / "bmp");
    const RunResult r = testRun("bgtool", {"-e", "db/0A/02_00_0300.0a", "db/04", "bmp/"}, dir.path);
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> pictures = testListDir(dir / "bmp");
    ASSERT_EQ(pictures.size(), 3u);
    for (const std::string& p : pictures) {
        const RunResult id = testRunExe("/usr/bin/identify", {"-format", "%m %w %h %z", dir / ("bmp/" + p)});
        EXPECT_EQ(id.out, "BMP3 64 48 8") << p << id.err;
    }
}

TEST(BgExtract, CorpusTimsMatchImageMagicksReading)
{
    KZ7_REQUIRE_CORPUS();
    if (!haveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    struct Case {
        const char* name;
        unsigned stp, stX, stY, clutX, clutY, width, height;
    };
    for (const Case c : {Case{"psn00b_tiles_256.tim", 1, 10, 0, 0, 480, 256, 256},
                         Case{"psn00b_font.tim", 0, 15, 0, 61, 254, 256, 96}}) {
        ScratchDir dir;
        SampleTileSet s{1, 0, static_cast<uint16_t>(c.width), static_cast<uint16_t>(c.height), 0, 0, 0, {}};
        for (unsigned ty = 0; ty < c.height / 16; ++ty)
            for (unsigned tx = 0; tx < c.width / 16; ++tx) {
                SampleTile t;
                t.dX = static_cast<uint16_t>(16 * tx);
                t.dY = static_cast<uint16_t>(16 * ty);
                t.clutX = static_cast<uint8_t>(c.clutX);
                t.clutY = static_cast<uint16_t>(c.clutY);
                t.stX = static_cast<uint8_t>(c.stX);
                t.stY = static_cast<uint8_t>(c.stY);
                t.stp = static_cast<uint8_t>(c.stp);
                t.su = static_cast<uint8_t>(16 * tx);
                t.sv = static_cast<uint8_t>(16 * ty);
                s.tiles.push_back(t);
            }
        testWriteFile(dir / "bg.0a", sampleTileInfoBuild({s}));
        const RunResult r = testRun("bgtool", {"-e", dir / "bg.0a", testCorpusPath(std::string("tim/") + c.name), dir / "x"});
        EXPECT_EQ(r.exitCode, 0) << c.name;
        const Bytes bmp = testReadFile(dir / (c.stp ? "x_000_0100.bmp" : "x_000_0100_4bit.bmp"));
        ASSERT_EQ(*leGet32(bmp, 18), c.width);
        ASSERT_EQ(testRunExe("/usr/bin/convert", {testCorpusPath(std::string("tim/") + c.name), "-depth", "8",
                                                  "rgb:" + dir / "im.rgb"}).exitCode, 0);
        const Bytes im = testReadFile(dir / "im.rgb");
        ASSERT_EQ(im.size(), size_t{c.width} * c.height * 3) << c.name;
        size_t differ = 0;
        for (unsigned y = 0; y < c.height; ++y)
            for (unsigned x = 0; x < c.width; ++x) {
                Bytes mine = fxBmpPixel(bmp, x, y);
                if (mine == Bytes{0xFF, 0x00, 0xFF})
                    mine = {0, 0, 0};  // pink marks the background colour black
                const uint8_t* theirs = im.data() + (size_t{y} * c.width + x) * 3;
                for (int k = 0; k < 3; ++k)
                    differ += (mine[2 - k] & 0xF8) != (theirs[k] & 0xF8);
            }
        EXPECT_EQ(differ, 0u) << c.name;
    }
}
