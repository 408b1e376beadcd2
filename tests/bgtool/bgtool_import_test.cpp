// Import of edited pictures: end-to-end through bgtool -e and -i on fixture
// backgrounds, and the fast palette search against a plain one written from
// the documented rules.
#include <gtest/gtest.h>

#include "bgbackground.h"
#include "bgtool/fixtures.h"
#include "le.h"
#include "bgpalette.h"

#include <cstdio>
#include <functional>
#include <random>

namespace {

// Extracts the fixture into x/, lets `edit` change the pictures (by name),
// imports them into out/ and returns the run.
RunResult fxImport(FxBackground& bg, const std::function<void(const std::string& dir)>& edit,
                   const std::vector<std::string>& extra = {})
{
    testMkdirs(bg.dir / "x");
    testMkdirs(bg.dir / "out");
    const RunResult e = testRun("bgtool", {"-e", bg.info(), bg.tims(), bg.dir / "x/"});
    EXPECT_EQ(e.exitCode, 0);
    edit(bg.dir / "x/");
    std::vector<std::string> args = {"-i", bg.info(), bg.tims(), bg.dir / "x/", bg.dir / "out/"};
    args.insert(args.end(), extra.begin(), extra.end());
    return testRun("bgtool", args);
}

uint32_t fxPair0(const Bytes& info, size_t set, size_t tile)
{
    const uint32_t srcp = *leGet32(info, 24 + 56 * set + 44);
    return *leGet32(info, srcp + 8 * tile);
}

// Two sets over one area: 8-bit tiles (4 x 2) and, below them, 4-bit tiles.
std::vector<SampleTileSet> fxTwoSets()
{
    SampleTileSet eight{1, 0, 64, 32, 0, 0, 1, {}};
    for (uint16_t k = 0; k < 8; ++k)
        eight.tiles.push_back(fxTile8(16 * (k % 4), 16 * (k / 4), static_cast<uint8_t>(16 * k)));
    SampleTileSet four{2, 0, 32, 16, 0, 32, 2, {fxTile4(0, 0, 0), fxTile4(16, 0, 16)}};
    return {eight, four};
}

}  // namespace

TEST(BgImport, UnchangedPicturesChangeNothing)
{
    FxBackground bg(fxTwoSets());
    const RunResult r = fxImport(bg, [](const std::string&) {});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testListDir(bg.dir / "out"),
              (std::vector<std::string>{"a_pal.tim", "b_tex8.tim", "bg.0a", "c_tex4.tim"}));
    for (const std::string f : {"tims/a_pal.tim", "tims/b_tex8.tim", "tims/c_tex4.tim", "bg.0a"})
        EXPECT_EQ(testReadFile(bg.dir / ("out/" + f.substr(f.find('/') + 1))), testReadFile(bg.dir / f)) << f;
}

TEST(BgImport, EditedTexelsPaletteSwitchAndMarkers)
{
    FxBackground bg(fxTwoSets());
    const Bytes pal = fxPalettes(2);
    auto colour = [&pal](unsigned row, unsigned i) { return *leGet16(pal, 20 + 2 * (256 * row + i)); };
    const RunResult r = fxImport(bg, [&](const std::string& x) {
        Bytes b8 = testReadFile(x + "_000_0101.bmp");
        fxBmpSetPixel(b8, 3, 2, fxBgr(colour(0, 200)));  // tile 0: one texel to index 200
        fxBmpSetPixel(b8, 21, 0, fxBgr(colour(0, 77) ^ 1));  // tile 1: a colour near index 77
        for (unsigned y = 0; y < 16; ++y)  // tile 2: only colours of row 1 -> palette switch
            for (unsigned c = 0; c < 16; ++c)
                fxBmpSetPixel(b8, 32 + c, y, fxBgr(colour(1, 1 + (c + y) % 9)));
        for (unsigned y = 16; y < 32; ++y)  // tile 4: all pink -> background colour 0
            for (unsigned c = 0; c < 16; ++c)
                fxBmpSetPixel(b8, c, y, {0xFF, 0x00, 0xFF});
        testWriteFile(x + "_000_0101.bmp", b8);
        Bytes b4 = testReadFile(x + "_001_0202_4bit.bmp");
        fxBmpSetPixel(b4, 17, 33, fxBgr(colour(1, 9)));  // 4-bit tile 1, row 1, texel 1
        testWriteFile(x + "_001_0202_4bit.bmp", b4);
    });
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    const Bytes tex8 = testReadFile(bg.dir / "out/b_tex8.tim");
    const Bytes old8 = testReadFile(bg.dir / "tims/b_tex8.tim");
    auto texel8 = [](const Bytes& t, unsigned su, unsigned x, unsigned y) { return t[20 + 128 * y + su + x]; };
    EXPECT_EQ(texel8(tex8, 0, 3, 2), 200);
    EXPECT_EQ(texel8(tex8, 16, 5, 0), 76);  // 76 and 77 lie one step away: the first wins
    EXPECT_EQ(texel8(tex8, 0, 4, 2), texel8(old8, 0, 4, 2));
    for (unsigned y = 0; y < 16; ++y)
        for (unsigned c = 0; c < 16; ++c) {
            EXPECT_EQ(texel8(tex8, 32, c, y), 1 + (c + y) % 9);
            EXPECT_EQ(texel8(tex8, 64, c, y), 0);
        }
    const Bytes info = testReadFile(bg.dir / "out/bg.0a");
    EXPECT_EQ(fxPair0(info, 0, 2) & 0x7FFF, 225u);  // scY 225, scX 0
    EXPECT_EQ(fxPair0(info, 0, 4) & 0x7FFF, 224u);  // unchanged: its palette starts with black
    EXPECT_EQ(fxPair0(info, 0, 0) & 0x7FFF, 224u);
    const Bytes tex4 = testReadFile(bg.dir / "out/c_tex4.tim");
    const uint8_t b = tex4[20 + 64 * 1 + 8];  // row 1, tile at su 16 (halfword 4), texels 0-1
    EXPECT_EQ(b >> 4, 9);

    // The edit shows in a new extraction.
    testMkdirs(bg.dir / "y");
    testRun("bgtool", {"-e", bg.dir / "out/bg.0a", bg.dir / "out", bg.dir / "y/"});
    EXPECT_EQ(fxBmpPixel(testReadFile(bg.dir / "y/_000_0101.bmp"), 3, 2), fxBgr(colour(0, 200)));
    EXPECT_EQ(fxBmpPixel(testReadFile(bg.dir / "y/_000_0101.bmp"), 0, 20), (Bytes{0xFF, 0x00, 0xFF}));
}

TEST(BgImport, SharedTilesDuplicatesAndAdditions)
{
    // Set 0 and set 1 are exact duplicates; set 2 shares set 0's tile 0
    // in another shape; set 0's area has a free place at (16, 0).
    SampleTileSet a{1, 0, 32, 16, 0, 0, 1, {fxTile8(0, 0, 0)}};
    SampleTileSet b = a;
    b.tileId = 2;
    SampleTileSet c{1, 0, 16, 16, 0, 0, 3, {fxTile8(0, 0, 0)}};
    SampleTileSet d{1, 0, 32, 16, 0, 0, 4, {fxTile8(0, 0, 32), fxTile8(16, 0, 48)}};
    SampleTileSet e = d;
    e.tileId = 5;
    FxBackground bg({a, c, d, e});
    const Bytes pal = fxPalettes(2);
    const Bytes red = fxBgr(*leGet16(pal, 20 + 2 * 31));
    const RunResult r = fxImport(bg, [&](const std::string& x) {
        for (const char* name : {"_000_0101.bmp", "_002_0104.bmp"}) {
            Bytes bmp = testReadFile(x + name);
            fxBmpSetPixel(bmp, 1, 1, red);
            fxBmpSetPixel(bmp, 17, 1, red);
            testWriteFile(x + name, bmp);
        }
        // The duplicate's own unedited picture would draw its old texels back.
        std::remove((x + "_003_0105.bmp").c_str());
    });
    const std::string info = bg.info();
    EXPECT_EQ(r.out, "ERROR: " + info + " : adding tiles not supported:0x0, trying add from pos 0, 0, "
                     "orgTileIndex : 0x0, tileUsages: 2\n"
                     "ERROR: " + info + " : adding tiles not supported:0x0, trying add from pos 16, 0, "
                     "orgTileIndex : 0xFFFFFFFF, tileUsages: 0\n");
    const Bytes tex = testReadFile(bg.dir / "out/b_tex8.tim");
    EXPECT_EQ(tex[20 + 128 * 1 + 1], testReadFile(bg.dir / "tims/b_tex8.tim")[20 + 128 + 1]);
    EXPECT_EQ(tex[20 + 128 * 1 + 32 + 1], 31);  // set 2's duplicate set 3 does not count
    EXPECT_EQ(tex[20 + 128 * 1 + 48 + 1], 31);
}

TEST(BgImport, RefusedPicturesAndOutsideCells)
{
    SampleTileSet a{1, 0, 32, 32, 16, 0, 1, {fxTile8(0, 0, 0), fxTile8(16, 16, 16)}};
    SampleTileSet b{1, 0, 48, 32, 0, 0, 2, {fxTile8(0, 0, 32)}};
    SampleTileSet c{1, 0, 16, 16, 0, 0, 3, {fxTile8(0, 0, 48)}};
    FxBackground bg({a, b, c});
    const std::string info = bg.info();
    RunResult r = fxImport(bg, [&](const std::string& x) {
        Bytes bmp = testReadFile(x + "_000_0101.bmp");
        fxBmpSetPixel(bmp, 2, 2, {0, 0, 0});  // left of set 0's area: x -16
        testWriteFile(x + "_000_0101.bmp", bmp);
        Bytes wrong = testReadFile(x + "_001_0102.bmp");
        wrong[18] = 40;  // width 40: rows no longer a multiple of 16 wide
        wrong[22] = 24;
        testWriteFile(x + "_001_0102.bmp", wrong);
        Bytes eight = testReadFile(x + "_002_0103.bmp");
        eight[28] = 8;
        testWriteFile(x + "_002_0103.bmp", eight);
    });
    EXPECT_EQ(r.err, "ERROR: " + info + " : not supported adding new tiles out of green area : 0x0 : -16, 0\n"
                     "ERROR: " + info + " : loaded BMP has unexpected size, expected divideable by 16: 40x24\n"
                     "ERROR: " + info + " : loaded BMP has unexpected bith dept, expected 24 bits: 8\n");
    EXPECT_TRUE(testExists(bg.dir / "out/bg.0a"));  // written although the import stopped
    EXPECT_TRUE(testExists(bg.dir / "out/b_tex8.tim"));

    // A picture larger than the background's buffer, and a top-down one.
    Bytes big = testReadFile(bg.dir / "x/_000_0101.bmp");
    ASSERT_TRUE(lePut32(big, 18, 4096));
    testWriteFile(bg.dir / "x/_000_0101.bmp", big);
    Bytes topDown = testReadFile(bg.dir / "x/_001_0102.bmp");
    ASSERT_TRUE(lePut32(topDown, 18, 48));
    ASSERT_TRUE(lePut32(topDown, 22, static_cast<uint32_t>(-32)));
    testWriteFile(bg.dir / "x/_001_0102.bmp", topDown);
    testWriteFile(bg.dir / "x/_002_0103.bmp", {});
    r = testRun("bgtool", {"-a", info, bg.tims(), bg.dir / "x/", bg.dir / "out/"});
    EXPECT_EQ(r.err, "ERROR: BMP file " + bg.dir.path + "/x/_000_0101.bmp: picture of 4096x32 pixels at 24 "
                     "bits is larger than the background's picture buffer\n"
                     "ERROR: BMP file " + bg.dir.path + "/x/_001_0102.bmp: only uncompressed bottom-up "
                     "pictures are read (header 40 bytes, height -32, compression 0)\n");

    // Depth and size are judged before the pixels: a large picture of a
    // wrong size and a compressed 32-bit one get the import's own lines.
    ASSERT_TRUE(lePut32(big, 18, 4100));
    testWriteFile(bg.dir / "x/_000_0101.bmp", big);
    ASSERT_TRUE(lePut16(topDown, 28, 32));
    ASSERT_TRUE(lePut32(topDown, 30, 3));
    testWriteFile(bg.dir / "x/_001_0102.bmp", topDown);
    r = testRun("bgtool", {"-a", info, bg.tims(), bg.dir / "x/", bg.dir / "out/"});
    EXPECT_EQ(r.err, "ERROR: " + info + " : loaded BMP has unexpected size, expected divideable by 16: 4100x32\n"
                     "ERROR: " + info + " : loaded BMP has unexpected bith dept, expected 24 bits: 32\n");
}

// The plain search of the documented rules, scanning every palette colour.
namespace {

unsigned plainDistance(const std::vector<uint16_t>& list, const uint16_t* pal, unsigned m,
                       std::vector<uint8_t>* map = nullptr)
{
    unsigned sum = 0;
    for (size_t k = 0; k < list.size(); ++k) {
        unsigned best = 2883, nearest = 2884, index = 0;
        for (unsigned j = 0; j < m; ++j) {
            const unsigned d = colorDistance(list[k], pal[j]);
            best = std::min(best, d);
            if (d < nearest) {
                nearest = d;
                index = j;
            }
        }
        sum += best;
        if (map)
            (*map)[k] = static_cast<uint8_t>(index);
    }
    return sum;
}

}  // namespace

TEST(BgPaletteSearch, FastSearchGivesThePlainSearchsChoice)
{
    std::mt19937 rng(20261209);
    for (int round = 0; round < 40; ++round) {
        Background bg;
        bg.vram = *psxVramCreate();
        const unsigned count = 1 + rng() % 12;
        for (unsigned p = 0; p < count; ++p) {
            Palette pal;
            pal.clutX = 0;
            pal.clutY = 224 + p;
            pal.pointer = psxVramClutAddress(0, pal.clutY);
            pal.transp = rng() % 5 ? 1 : 2;
            for (unsigned k = 0; k < 256; ++k) {
                // Few distinct channel values, so ties and exact matches happen.
                const uint16_t c = static_cast<uint16_t>((rng() % 4) * 9 | (rng() % 4) * 9 << 5 |
                                                         (rng() % 4) * 9 << 10 | (rng() % 8 ? 0x8000 : 0));
                ASSERT_TRUE(lePut16(bg.vram, pal.pointer + 2 * k, c));
            }
            bg.palettes.push_back(pal);
        }
        bg.usedCount = count - rng() % 2;
        for (int cell = 0; cell < 30; ++cell) {
            std::vector<uint16_t> list(1 + rng() % 40);
            for (auto& c : list) {
                if (rng() % 3 == 0)
                    c = psxVramGet16(bg.vram, bg.palettes[rng() % count].pointer + 2 * (rng() % 256));
                else
                    c = static_cast<uint16_t>(rng() & 0xFFFF);
            }
            for (unsigned size : {256u, 16u}) {
                PaletteChoice plain;
                for (size_t p = 0; p < bg.usedCount && plain.distance != 0; ++p) {
                    if (bg.palettes[p].transp != 1)
                        continue;
                    uint16_t colours[256];
                    psxVramColors(bg.vram, bg.palettes[p].pointer, 256, colours);
                    for (unsigned off = 0; off < 256 && plain.distance != 0; off += size) {
                        const unsigned d = plainDistance(list, colours + off, size);
                        if (d < plain.distance)
                            plain = {static_cast<int>(p), off, d};
                    }
                }
                const PaletteChoice fast = size == 256 ? paletteSearch256(bg, list.data(), list.size())
                                                       : paletteSearch16(bg, list.data(), list.size());
                ASSERT_EQ(fast.palette, plain.palette) << round << " " << cell << " " << size;
                ASSERT_EQ(fast.offset, plain.offset);
                ASSERT_EQ(fast.distance, plain.distance);
                if (plain.palette < 0)
                    continue;
                uint16_t colours[256];
                psxVramColors(bg.vram, bg.palettes[static_cast<size_t>(plain.palette)].pointer, 256, colours);
                std::vector<uint8_t> want(list.size()), got(list.size());
                plainDistance(list, colours + plain.offset, size, &want);
                paletteNearestOf(bg, plain.palette, plain.offset, size, list.data(), list.size(), got.data());
                ASSERT_EQ(got, want);
                paletteNearest(list.data(), list.size(), colours + plain.offset, size, got.data());
                ASSERT_EQ(got, want);
                ASSERT_EQ(paletteDistance(list.data(), list.size(), colours + plain.offset, size), plain.distance);
            }
        }
        // A texel write over a palette row drops what the search remembered.
        const uint16_t c = psxVramGet16(bg.vram, bg.palettes[0].pointer);
        const size_t at = bg.palettes[0].pointer;
        ASSERT_TRUE(lePut16(bg.vram, at + 2, static_cast<uint16_t>(c ^ 0x0421)));
        paletteCacheTouched(bg, at, 16, 1);
        const uint16_t one[1] = {static_cast<uint16_t>(c ^ 0x0421)};
        if (bg.palettes[0].transp == 1 && bg.usedCount > 0 && (one[0] & 0x8000)) {
            EXPECT_EQ(paletteSearch256(bg, one, 1).distance, 0u);
        }
    }
}

TEST(BgImport, BackgroundPaletteForMarkerCellsAndOutputsThatCannotBeWritten)
{
    // Tile 1 draws from palette row 225, whose colour 0 is not the
    // background colour: a cell of marker colours points it at row 224.
    SampleTileSet s{1, 0, 32, 16, 0, 0, 1, {fxTile8(0, 0, 0), fxTile8(16, 0, 16, 225)}};
    FxBackground bg({s});
    Bytes pal = fxPalettes(2);
    ASSERT_TRUE(lePut16(pal, 20 + 512, 0x801F));
    testWriteFile(bg.dir / "tims/a_pal.tim", pal);
    RunResult r = fxImport(bg, [](const std::string& x) {
        Bytes bmp = testReadFile(x + "_000_0101.bmp");
        for (unsigned y = 0; y < 16; ++y)
            for (unsigned c = 16; c < 32; ++c)
                fxBmpSetPixel(bmp, c, y, {0x00, 0xFF, 0x00});
        testWriteFile(x + "_000_0101.bmp", bmp);
    });
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(fxPair0(testReadFile(bg.dir / "out/bg.0a"), 0, 1) & 0x7FFF, 224u);
    const Bytes tex = testReadFile(bg.dir / "out/b_tex8.tim");
    EXPECT_EQ(tex[20 + 16], 0);
    EXPECT_EQ(tex[20 + 128 * 15 + 31], 0);

    // Without any palette that starts with the background colour the tile
    // is filled with 0xFF and keeps its reference.
    ASSERT_TRUE(lePut16(pal, 20, 0x801F));
    testWriteFile(bg.dir / "tims/a_pal.tim", pal);
    r = testRun("bgtool", {"-i", bg.info(), bg.tims(), bg.dir / "x/", bg.dir / "out/"});
    EXPECT_EQ(r.err, "ERROR: " + bg.info() + " : no palette with background color found\n");
    EXPECT_EQ(testReadFile(bg.dir / "out/b_tex8.tim")[20 + 16], 0xFF);
    EXPECT_EQ(fxPair0(testReadFile(bg.dir / "out/bg.0a"), 0, 1) & 0x7FFF, 225u);

    // An output folder that does not exist: nothing is written.
    r = testRun("bgtool", {"-i", bg.info(), bg.tims(), bg.dir / "x/", bg.dir / "none/"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err).back(), "ERROR: " + bg.info() + " : saving info file: " + bg.dir.path +
                                           "/none/bg.0a was not fully written");
    EXPECT_FALSE(testExists(bg.dir / "none"));
}
