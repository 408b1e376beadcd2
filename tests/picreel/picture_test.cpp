// The picture readers and the frame list: the cases of the format rules,
// refusals with their whole message, a truncation sweep and the real files
// of the corpus in one golden table.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "fixtures.h"
#include "messages.h"
#include "picture.h"
#include "support/testsupport.h"

namespace {

struct Read {
    std::optional<Bytes> pixels;
    PictureBlock block;
    std::string error;
};

Read parseBmp(const Bytes& file)
{
    Read r;
    const char* error = nullptr;
    r.pixels = picParseBmp(file, r.block, &error);
    r.error = error ? error : "";
    return r;
}

Read parseTga(const Bytes& file, std::string* id = nullptr)
{
    Read r;
    const char* error = nullptr;
    r.pixels = picParseTga(file, r.block, &error, id);
    r.error = error ? error : "";
    return r;
}

TEST(PicreelBmp, ReadsEveryDepthWithItsRowsAndPalette)
{
    for (uint16_t bits : {1, 4, 8, 24, 32}) {
        BmpFixture s;
        s.bits = bits;
        s.width = 5;
        const Read r = parseBmp(bmpBuild(s));
        ASSERT_TRUE(r.pixels) << bits << r.error;
        EXPECT_EQ(*r.pixels, bmpRows(s)) << bits;
        EXPECT_EQ(r.block.header.biBitCount, bits);
        EXPECT_EQ(r.block.header.biSizeImage, bmpStride(bits, 5) * 3);
        const uint32_t entries = bits <= 8 ? 1u << bits : 0;
        EXPECT_EQ(r.block.header.biClrUsed, entries) << bits;
        for (uint32_t i = 0; i < 256; ++i)
            EXPECT_EQ(r.block.palette[i], i < entries ? bmpPaletteEntry(i) : 0u) << bits << " " << i;
    }
}

TEST(PicreelBmp, SizeImageZeroTopDownAndLongerHeaders)
{
    BmpFixture s;
    s.width = 3;
    s.sizeImageZero = true;
    Read r = parseBmp(bmpBuild(s));
    ASSERT_TRUE(r.pixels);
    EXPECT_EQ(r.block.header.biSizeImage, 12u * 3);  // 12 bytes a row

    // A size that leaves the row padding out: the rows are read whole when
    // the file holds them, refused when it does not.
    s.sizeImageZero = false;
    Bytes unpadded = bmpBuild(s);
    ASSERT_TRUE(lePut32(unpadded, 14 + 20, 9 * 3));
    r = parseBmp(unpadded);
    ASSERT_TRUE(r.pixels) << r.error;
    EXPECT_EQ(r.block.header.biSizeImage, 12u * 3);
    EXPECT_EQ(*r.pixels, bmpRows(s));
    unpadded.resize(unpadded.size() - 1);
    r = parseBmp(unpadded);
    EXPECT_FALSE(r.pixels);
    EXPECT_EQ(r.error, "File does not appear to be a bitmap.\n");

    // Rows stored top first come out bottom row first, height positive.
    s.topDown = true;
    r = parseBmp(bmpBuild(s));
    ASSERT_TRUE(r.pixels);
    EXPECT_EQ(*r.pixels, bmpRows(s));
    EXPECT_EQ(r.block.header.biHeight, 3);

    // A version 5 header: the palette follows the whole header.
    BmpFixture v5;
    v5.bits = 8;
    v5.headerSize = 124;
    r = parseBmp(bmpBuild(v5));
    ASSERT_TRUE(r.pixels);
    EXPECT_EQ(r.block.palette[7], bmpPaletteEntry(7));
    EXPECT_EQ(*r.pixels, bmpRows(v5));

    // Fewer palette entries in use than the depth allows.
    BmpFixture few;
    few.bits = 8;
    few.clrUsed = 16;
    r = parseBmp(bmpBuild(few));
    ASSERT_TRUE(r.pixels);
    EXPECT_EQ(r.block.header.biClrUsed, 16u);
    EXPECT_EQ(r.block.palette[15], bmpPaletteEntry(15));
    EXPECT_EQ(r.block.palette[16], 0u);
}

TEST(PicreelBmp, RefusesWhatIsNoPlainBitmap)
{
    const std::string notBmp = picMsgNotBmp;
    std::vector<std::pair<std::string, Bytes>> cases;
    Bytes b = bmpBuild({});
    b[0] = 'X';
    cases.push_back({"magic", b});
    BmpFixture core;
    core.headerSize = 12;
    cases.push_back({"12-byte header", bmpBuild(core)});
    BmpFixture sixteen;
    sixteen.bits = 16;
    cases.push_back({"16 bits", bmpBuild(sixteen)});
    BmpFixture rle;
    rle.bits = 8;
    rle.compression = 1;
    cases.push_back({"RLE", bmpBuild(rle)});
    b = bmpBuild({});
    b[14 + 32] = 0x01;  // biClrUsed 257
    b[14 + 33] = 0x01;
    cases.push_back({"biClrUsed 257", b});
    b = bmpBuild({});
    b[14 + 20] = static_cast<uint8_t>(b[14 + 20] + 1);  // biSizeImage past the data
    cases.push_back({"short data", b});
    b = bmpBuild({});
    lePut32(b, 14 + 4, 0x40000000u) && lePut32(b, 14 + 8, 0x40000000u) && lePut32(b, 14 + 20, 0);
    cases.push_back({"overflowing size", b});
    for (const auto& [what, file] : cases) {
        const Read r = parseBmp(file);
        EXPECT_FALSE(r.pixels) << what;
        EXPECT_EQ(r.error, notBmp) << what;
    }
    // Every cut of a valid file is refused cleanly, never read past.
    BmpFixture s;
    s.bits = 8;
    const Bytes whole = bmpBuild(s);
    for (size_t n = 0; n < whole.size(); ++n) {
        const Read r = parseBmp(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_FALSE(r.pixels) << n;
    }
}

TEST(PicreelBmp, ReadsFilesAndNamesTheOnesItCannotOpen)
{
    ScratchDir dir;
    testWriteFile(dir / "a.bmp", bmpBuild({}));
    PictureBlock block;
    const char* error = nullptr;
    EXPECT_TRUE(readPicture(dir / "a.bmp", PictureKind::bmp, block, &error));
    EXPECT_FALSE(readPicture(dir / "missing.bmp", PictureKind::bmp, block, &error));
    EXPECT_STREQ(error, "Unable to open bitmap file.\n");
    EXPECT_FALSE(readPicture(dir / "missing.tga", PictureKind::tga, block, &error));
    EXPECT_STREQ(error, "Unable to open targa image file.\n");
}

// 3 x 2 true colour pixels, stored rows r0 (first in the file) and r1.
Bytes tgaTrueColour(uint8_t depth)
{
    Bytes d;
    for (uint8_t i = 0; i < 6; ++i)
        for (uint8_t c = 0; c < depth / 8; ++c)
            d.push_back(static_cast<uint8_t>(i * 16 + c));
    return d;
}

// Output pixel (x, y) of a 3 x 2 24-bit result: blue, green, red.
std::vector<uint8_t> tgaPixel(const Bytes& rows, int x, int y)
{
    const size_t at = static_cast<size_t>(y) * 12 + static_cast<size_t>(x) * 3;
    return {rows[at], rows[at + 1], rows[at + 2]};
}

std::vector<uint8_t> storedPixel(uint8_t i)
{
    return {static_cast<uint8_t>(i * 16), static_cast<uint8_t>(i * 16 + 1),
            static_cast<uint8_t>(i * 16 + 2)};
}

TEST(PicreelTga, TrueColourDepthsAndOrientation)
{
    for (uint8_t depth : {24, 32})
        for (uint8_t descriptor : {0x00, 0x10, 0x20, 0x30}) {
            TgaFixture s;
            s.depth = depth;
            s.descriptor = descriptor;
            s.data = tgaTrueColour(depth);
            const Read r = parseTga(tgaBuild(s));
            ASSERT_TRUE(r.pixels) << r.error;
            EXPECT_EQ(r.block.header.biBitCount, 24);
            EXPECT_EQ(r.block.header.biSizeImage, 24u);
            EXPECT_EQ(r.block.header.biXPelsPerMeter, 2880);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) {
                    const int sy = descriptor & 0x20 ? 1 - y : y;
                    const int sx = descriptor & 0x10 ? 2 - x : x;
                    EXPECT_EQ(tgaPixel(*r.pixels, x, y), storedPixel(static_cast<uint8_t>(sy * 3 + sx)))
                        << int{depth} << " " << int{descriptor} << " " << x << "," << y;
                }
        }
}

TEST(PicreelTga, RunLengthPacketsAndColourMaps)
{
    TgaFixture s;
    s.type = 10;
    s.width = 5;
    s.height = 1;
    // 0x83: one pixel four times; 0x00: one raw pixel.
    s.data = {0x83, 1, 2, 3, 0x00, 7, 8, 9};
    Read r = parseTga(tgaBuild(s));
    ASSERT_TRUE(r.pixels) << r.error;
    EXPECT_EQ(*r.pixels, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 7, 8, 9, 0}));

    // A packet longer than the image stops at its end.
    s.data = {0x87, 4, 5, 6};
    r = parseTga(tgaBuild(s));
    ASSERT_TRUE(r.pixels) << r.error;
    EXPECT_EQ(*r.pixels, (Bytes{4, 5, 6, 4, 5, 6, 4, 5, 6, 4, 5, 6, 4, 5, 6, 0}));

    // Colour-mapped, run-length coded, 32-bit map entries from origin 2.
    TgaFixture m;
    m.type = 9;
    m.width = 3;
    m.height = 1;
    m.depth = 8;
    m.mapType = 1;
    m.mapOrigin = 2;
    m.mapLength = 2;
    m.mapBits = 32;
    m.map = {10, 11, 12, 13, 20, 21, 22, 23};
    m.data = {0x01, 2, 3, 0x80, 2};
    m.id = "frame";
    std::string id;
    r = parseTga(tgaBuild(m), &id);
    ASSERT_TRUE(r.pixels) << r.error;
    EXPECT_EQ(id, "frame");
    EXPECT_EQ(*r.pixels, (Bytes{10, 11, 12, 20, 21, 22, 10, 11, 12, 0, 0, 0}));
    EXPECT_EQ(r.block.palette[2], 0u);  // the result is a 24-bit picture
}

TEST(PicreelTga, RefusalsWithTheirMessages)
{
    TgaFixture grey;
    grey.type = 3;
    grey.depth = 8;
    grey.data = Bytes(6, 0);
    EXPECT_EQ(parseTga(tgaBuild(grey)).error, "Unsupported targa image file type.\n");
    TgaFixture sixteen;
    sixteen.depth = 16;
    sixteen.data = Bytes(12, 0);
    EXPECT_EQ(parseTga(tgaBuild(sixteen)).error, "Unsupported targa image file type.\n");
    TgaFixture map16;
    map16.mapType = 1;
    map16.mapLength = 1;
    map16.mapBits = 16;
    map16.map = {0, 0};
    EXPECT_EQ(parseTga(tgaBuild(map16)).error, "Unsupported Palette type in targa image file.\n");
    TgaFixture past;
    past.type = 1;
    past.depth = 8;
    past.mapType = 1;
    past.mapOrigin = 200;
    past.mapLength = 57;
    past.map = Bytes(57 * 3, 0);
    past.data = Bytes(6, 0);
    EXPECT_EQ(parseTga(tgaBuild(past)).error, "Unsupported Palette type in targa image file.\n");

    TgaFixture rle;
    rle.type = 10;
    rle.data = {0x85, 1, 2, 3};
    const Bytes whole = tgaBuild(rle);
    ASSERT_TRUE(parseTga(whole).pixels);
    for (size_t n = 0; n < whole.size(); ++n) {
        const Read r = parseTga(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_FALSE(r.pixels) << n;
        EXPECT_EQ(r.error, "Unable to read targa image file.\n") << n;
    }
}

TEST(PicreelFrames, NameOrderMatchAndSearch)
{
    ScratchDir dir;
    for (const char* name : {"frame10.bmp", "frame2.bmp", "frame1.bmp", "Frame3.BMP", "other.bmp",
                             "frame4.tga"})
        testWriteText(dir / name, "x");
    testMkdirs(dir / "frame5.bmp");  // a directory is no picture
    const char* error = nullptr;
    auto list = findPictures(dir / "frame", PictureKind::bmp, &error);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->names, (std::vector<std::string>{dir / "frame1.bmp", dir / "frame10.bmp",
                                                     dir / "frame2.bmp", dir / "Frame3.BMP"}));
    EXPECT_EQ(list->lastIndex, 3);
    EXPECT_FALSE(findPictures(dir / "none", PictureKind::bmp, &error));
    EXPECT_STREQ(error, "Unable to find .bmp files.\n");
    EXPECT_FALSE(findPictures(dir / "other", PictureKind::tga, &error));
    EXPECT_STREQ(error, "Unable to find .tga files.\n");

    // Equal names (without case) keep the order they came in.
    FrameList l;
    for (const char* n : {"b", "A", "a", "B"})
        picFrameListInsert(l, n);
    EXPECT_EQ(l.names, (std::vector<std::string>{"A", "a", "B", "b"}));

    PictureHeader a, b;
    a.biWidth = b.biWidth = 320;
    a.biHeight = b.biHeight = 240;
    a.biBitCount = b.biBitCount = 24;
    b.biSizeImage = 5;
    EXPECT_TRUE(picturesMatch(a, b));
    b.biWidth = 322;
    EXPECT_FALSE(picturesMatch(a, b));
    b.biWidth = 320;
    b.biBitCount = 8;
    EXPECT_FALSE(picturesMatch(a, b));
}

// One row per file of the corpus: accepted with width, height and depth, or
// refused with which message.
TEST(PicreelCorpus, GoldenTable)
{
    KZ7_REQUIRE_CORPUS();
    struct Row {
        const char* file;
        int width, height, bits;  // 0 when refused
        const char* error;
    };
    const char* notBmp = "File does not appear to be a bitmap.\n";
    const char* type = "Unsupported targa image file type.\n";
    const Row rows[] = {
#include "corpus_table.inc"
    };
    for (const Row& row : rows) {
        const std::string path = testCorpusPath(row.file);
        PictureBlock block;
        const char* error = nullptr;
        const std::string name = row.file;
        const PictureKind kind = name.ends_with(".tga") ? PictureKind::tga : PictureKind::bmp;
        std::fflush(stdout);
        const auto pixels = readPicture(path, kind, block, &error);
        if (row.width == 0) {
            EXPECT_FALSE(pixels) << row.file;
            EXPECT_STREQ(error, row.error) << row.file;
        } else {
            ASSERT_TRUE(pixels) << row.file << ": " << (error ? error : "");
            EXPECT_EQ(block.header.biWidth, row.width) << row.file;
            EXPECT_EQ(block.header.biHeight, row.height) << row.file;
            EXPECT_EQ(block.header.biBitCount, row.bits) << row.file;
            EXPECT_EQ(pixels->size(), block.header.biSizeImage) << row.file;
        }
    }
}

}  // namespace
