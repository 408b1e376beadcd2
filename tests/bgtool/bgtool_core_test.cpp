// Unit tests of the arithmetic that is easy to get wrong: colours, distance
// limits, nibble order, texel column warnings, VRAM rectangles, TIM and BMP
// readers against truncation, and the real TIM files of the corpus.
#include <gtest/gtest.h>

#include "bgtool/fixtures.h"
#include "bgbmp.h"
#include "bgfilelist.h"
#include "le.h"
#include "platform.h"
#include "bgtim.h"

#include <algorithm>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(BgColour, ConversionsDropLowBitsAndKeepTheFlagInBit15)
{
    const uint8_t red[4] = {0, 0, 255, 1};
    EXPECT_EQ(rgbToPsxColor(red), 0x801F);
    uint8_t bgr[3];
    psxColorToRgb(0x801F, bgr);
    EXPECT_EQ(Bytes(bgr, bgr + 3), (Bytes{0, 0, 248}));
    for (unsigned v = 0; v < 256; v += 8) {
        const uint8_t c[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v - 7),
                              static_cast<uint8_t>(v / 2 & ~7u), 1};
        psxColorToRgb(rgbToPsxColor(c), bgr);
        EXPECT_EQ(Bytes(bgr, bgr + 3), Bytes(c, c + 3));
    }
    // In place: entry i is read before colour i is written over it.
    uint8_t list[12] = {0, 0, 255, 1, 0, 0, 0, 0, 248, 0, 0, 1};
    rgbListToPsx(list, 3);
    EXPECT_EQ(Bytes(list, list + 6), (Bytes{0x1F, 0x80, 0x00, 0x00, 0x00, 0xFC}));
}

TEST(BgColour, DistanceLimitsAndTheBackgroundColour)
{
    EXPECT_EQ(colorDistance(0x801F, 0x8000), 961u);
    EXPECT_EQ(colorDistance(0x801F, 0x001F), 738048u);
    EXPECT_EQ(colorDistance(0x8000, 0xFFFF), colorDistanceMax);
    EXPECT_EQ(colorDistance(0x7FFF, 0x0000), colorDistanceMax);

    CaptureStderr();
    EXPECT_EQ(psxColorIsBackground(0x0000), 1);
    EXPECT_EQ(psxColorIsBackground(0x8000), 0);
    EXPECT_EQ(GetCapturedStderr(), "");
    CaptureStderr();
    EXPECT_EQ(psxColorIsBackground(0x001F), 0);
    EXPECT_EQ(psxColorIsBackground(0x001F), 0);
    EXPECT_EQ(GetCapturedStderr(),
              "WARNING: unexpected tim color with A==0, expected at 0,0,0: 0x1F, 0x0, 0x0\n"
              "WARNING: unexpected tim color with A==0, expected at 0,0,0: 0x1F, 0x0, 0x0\n");
}

TEST(BgTile, NibbleOrderColumnsAndComparison)
{
    PsxVram vram = *psxVramCreate();
    uint8_t idx[256] = {1, 2};
    TileSource s{6, 0, 8, 0, 0, 225};
    CaptureStderr();
    tileToVram4(vram, s, idx);
    EXPECT_EQ(GetCapturedStderr(), "ERROR, u to texture page should be multiple 4, is :0x2\n");
    EXPECT_EQ(vram[psxVramAddress(6 * 64 + 2, 0)], 0x21);  // still written at column 2

    TileSource s8{5, 0, 6, 3, 0, 224};
    for (unsigned k = 0; k < 256; ++k)
        idx[k] = static_cast<uint8_t>(k);
    CaptureStderr();
    tileToVram8(vram, s8, idx);
    EXPECT_EQ(GetCapturedStderr(), "ERROR, u to texture page should be multiple 2, is :0x3\n");
    EXPECT_EQ(vram[psxVramAddress(5 * 64 + 3, 3 + 2) + 4], 36);  // row 2, texel 4

    // The old colours are the VRAM palette's; equal colours at other indices compare equal.
    s8.su = 0;
    tileToVram8(vram, s8, idx);
    std::vector<uint16_t> pal(256);
    for (unsigned k = 0; k < 256; ++k) {
        pal[k] = fxColour(k, k >> 5, 1);
        ASSERT_TRUE(lePut16(vram, psxVramClutAddress(0, 224) + 2 * k, pal[k]));
    }
    EXPECT_EQ(tileCompare8(vram, s8, idx, pal.data()), 0u);
    pal[17] ^= 1;
    EXPECT_EQ(tileCompare8(vram, s8, idx, pal.data()), 18u);

    TileSource s4{6, 0, 0, 0, 0, 224};
    tileFill(vram, s4, 0x53, 4);
    uint8_t idx4[256];
    for (unsigned k = 0; k < 256; ++k)
        idx4[k] = k % 2 ? 5 : 3;
    EXPECT_EQ(tileCompare4(vram, s4, idx4, pal.data()), 0u);  // colour 17 changed: 3 and 5 did not
    idx4[37] = 3;
    EXPECT_EQ(tileCompare4(vram, s4, idx4, pal.data()), 37u);  // row 2, pair (36, 37)
}

TEST(BgVram, RectanglesThatDoNotFitAreNotCopied)
{
    PsxVram vram = *psxVramCreate();
    const Bytes row(130, 0xAB);
    CaptureStderr();
    psxVramWriteBitmap(vram, 960, 0, 64, 1, row);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(vram[psxVramRowBytes - 1], 0xAB);
    CaptureStderr();
    psxVramWriteBitmap(vram, 960, 1, 65, 1, row);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR: error writing bitmap to PsxVram: bitmap not fit vram size: x+w=1025, y+h=2");
    EXPECT_EQ(vram[psxVramRowBytes + 1920], 0);
    Bytes out(2);
    CaptureStderr();
    psxVramReadBitmap(vram, 0, 512, 1, 1, out);
    EXPECT_EQ(GetCapturedStderr(),
              "ERROR: error reading bitmap from PsxVram: bitmap not fit vram size: x+w=1, y+h=513");
    // A tile at the last page row wraps instead of reading past VRAM.
    uint8_t table[768] = {};
    uint8_t pixels[16 * 16 * 3];
    tileToPicture8(vram, {15, 1, 252, 255, 0, 0}, table, {pixels, 16, 16}, 0, 0);
}

TEST(BgTim, TruncatedFilesAreRefusedWithOneLine)
{
    const SampleRect clut{0, 480, 16, 1};
    const Bytes tim = sampleTimBuild(0, &clut, std::vector<uint16_t>(16, 0x8001),
                                     {640, 0, 4, 16}, std::vector<uint16_t>(64, 0x1234));
    for (size_t len = 0; len < tim.size(); ++len) {
        CaptureStderr();
        EXPECT_FALSE(timParse(Bytes(tim.begin(), tim.begin() + len), "t.tim")) << len;
        const std::string err = GetCapturedStderr();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    CaptureStderr();
    EXPECT_FALSE(timParse(Bytes(tim.begin(), tim.begin() + 60), "t.tim"));
    EXPECT_EQ(GetCapturedStderr(), "ERROR: timfile t.tim: image block lies outside the file of 60 bytes\n");
    CaptureStderr();
    EXPECT_FALSE(timParse(Bytes{0x11, 0, 0, 0, 0, 0, 0, 0}, "x.tim"));
    EXPECT_EQ(GetCapturedStderr(), "ERROR: first byte of timfile x.tim: expected 0x10, got 0x11");

    ScratchDir dir;
    Bytes longer = tim;
    longer.insert(longer.end(), {1, 2, 3});
    auto t = timParse(longer, "t.tim");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->bpp, 4);
    ASSERT_TRUE(timSave(*t, dir / "out.tim"));
    EXPECT_EQ(testReadFile(dir / "out.tim"), tim);  // bytes after the image block dropped
    Bytes shortSize = tim;
    ASSERT_TRUE(lePut32(shortSize, 8 + 44, 28));  // stored image size smaller than its pixels
    t = timParse(shortSize, "t.tim");
    ASSERT_TRUE(t);
    EXPECT_EQ(timSaveLength(*t), tim.size());
}

TEST(BgTim, CorpusFilesLoadPlaceAndSaveBack)
{
    KZ7_REQUIRE_CORPUS();
    ScratchDir dir;
    const std::vector<std::string> names = testListDir(testCorpusPath("tim"));
    ASSERT_GE(names.size(), 11u);
    for (const std::string& name : names) {
        const std::string path = testCorpusPath("tim/" + name);
        CaptureStderr();
        auto tim = timLoad(path);
        EXPECT_EQ(GetCapturedStderr(), "") << name;
        ASSERT_TRUE(tim) << name;
        PsxVram vram = *psxVramCreate();
        psxVramPutTim(vram, &*tim);
        // Only VRAM can give the block data back.
        for (const TimBlock* b : {&tim->clut, &tim->image})
            if (b != &tim->clut || tim->hasClut)
                std::fill_n(tim->data.begin() + static_cast<long>(b->dataAt()), b->dataBytes(), 0);
        ASSERT_TRUE(psxVramGetTim(vram, *tim, dir / name)) << name;
        const Bytes original = testReadFile(path);
        const Bytes saved = testReadFile(dir / name);
        ASSERT_EQ(saved.size(), original.size()) << name;
        // Where the image covers its own CLUT in VRAM the CLUT comes back as
        // image texels (psn00b_dbugfont.tim); everything else is identical.
        const TimBlock &c = tim->clut, &i = tim->image;
        const bool overlap = tim->hasClut && c.x < i.x + i.width && i.x < c.x + c.width &&
                             c.y < i.y + i.height && i.y < c.y + c.height;
        const size_t from = overlap ? c.dataAt() + c.dataBytes() : 0;
        EXPECT_TRUE(std::equal(saved.begin() + static_cast<long>(from), saved.end(),
                               original.begin() + static_cast<long>(from))) << name;
    }
    EXPECT_EQ(timLoad(testCorpusPath("tim/psxsnake_font.tim"))->bpp, 4);
    EXPECT_EQ(timLoad(testCorpusPath("tim/psn00b_tiles_256.tim"))->bpp, 8);
}

TEST(BgBmp, RowStrideHeaderAndReadingBack)
{
    Bytes rows(18 * 2 * 3);
    for (size_t k = 0; k < rows.size(); ++k)
        rows[k] = static_cast<uint8_t>(k);
    const Bytes bmp = bmpBuild(24, 18, 2, rows, {});
    ASSERT_EQ(bmp.size(), 54u + 2 * 56);
    EXPECT_EQ(*leGet32(bmp, 2), 54u + 112);
    EXPECT_EQ(*leGet32(bmp, 34), 112u);
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.begin() + 56), (Bytes{54, 55}));  // bottom row first
    EXPECT_EQ(Bytes(bmp.begin() + 108, bmp.begin() + 110), (Bytes{0, 0}));   // its padding
    EXPECT_EQ(bmpStride(320, 24), 960u);

    Bytes pixels(rows.size()), table(1024);
    BmpLoaded r = bmpParse(bmp, "p.bmp", pixels, table, true);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(pixels, rows);
    for (size_t len = 0; len < bmp.size() - 2; ++len) {  // the last row's padding may be missing
        CaptureStderr();
        EXPECT_FALSE(bmpParse(Bytes(bmp.begin(), bmp.begin() + len), "p.bmp", pixels, table, true).ok);
        EXPECT_NE(GetCapturedStderr(), "");
    }
    Bytes small(rows.size() - 1);
    CaptureStderr();
    EXPECT_FALSE(bmpParse(bmp, "p.bmp", small, table, true).ok);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: BMP file p.bmp: picture of 18x2 pixels at 24 bits is "
                                   "larger than the background's picture buffer\n");
    Bytes topDown = bmp;
    ASSERT_TRUE(lePut32(topDown, 22, static_cast<uint32_t>(-2)));
    CaptureStderr();
    EXPECT_FALSE(bmpParse(topDown, "p.bmp", pixels, table, true).ok);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: BMP file p.bmp: only uncompressed bottom-up pictures "
                                   "are read (header 40 bytes, height -2, compression 0)\n");
}

TEST(BgFileList, DirectoryFileAndPattern)
{
    ScratchDir dir;
    testMkdirs(dir / "tims/sub");
    testWriteText(dir / "tims/B.TIM", "b");
    testWriteText(dir / "tims/a.tim", "a");
    testWriteText(dir / "tims/c.txt", "c");
    auto list = fileListCreate(dir / "tims");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->fileCount, 3u);
    EXPECT_STREQ(list->files[0], (dir / "tims/B.TIM").c_str());
    EXPECT_STREQ(list->fileNames[1], "a.tim");
    EXPECT_EQ(list->subdirCount, 1u);
    EXPECT_STREQ(fileListCreate(dir / "tims/")->dir, (dir / "tims/").c_str());
    list = fileListCreate(dir / "tims/*.tim");
    ASSERT_EQ(list->fileCount, 2u);
    EXPECT_STREQ(list->files[1], (dir / "tims/a.tim").c_str());
    EXPECT_EQ(fileListCreate(dir / "tims/*.xyz")->fileCount, 0u);
    EXPECT_FALSE(fileListCreate(dir / "none/*.tim"));
    // Growing the block never moves what was handed out.
    auto block = memBlockNew(64, 64);
    uint8_t* first = memBlockAppend(*block, "abc", 4);
    for (int k = 0; k < 100; ++k)
        ASSERT_TRUE(memBlockAlloc(*block, 40));
    EXPECT_STREQ(reinterpret_cast<char*>(first), "abc");
}
