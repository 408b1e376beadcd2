// The archive module on its own: names, the type 3 walk, extension
// decoding, and the reader against cut and mutated archives.
#include "img.h"
#include "imgtool/imgtest.h"

#include <random>

namespace {

// imgSettings is process-wide: every test starts from the defaults.
struct SettingsGuard {
    ImgSettings saved = imgSettings;
    SettingsGuard() { imgSettings = ImgSettings{}; }
    ~SettingsGuard() { imgSettings = saved; }
};

TEST(ImgFileName, FormatsOfEveryCase)
{
    SettingsGuard g;
    const ImgRecord plain{0x12, 0, 0};
    const ImgRecord flagged{0xBEEF, 0x00A0, 0};
    EXPECT_EQ(imgFileName("out/03/", 3, 7, &plain, ""), "out/03/03_0007_0012");
    EXPECT_EQ(imgFileName("out/03/", 3, 7, &plain, ".db"), "out/03/03_0007_0012.db");
    EXPECT_EQ(imgFileName("o/", 12, 12345, &flagged, ".tim"), "o/12_12345_BEEF00A0.tim");
    EXPECT_EQ(imgFileName("o/", 1, 2, nullptr, ""), "o/01_0002");
    EXPECT_EQ(imgDirPrefix("out/", 3), "out/03/");
    imgSettings.shortNames = true;
    EXPECT_EQ(imgFileName("out/", 3, 7, &plain, ""), "out/3007");
    EXPECT_EQ(imgFileName("out/", 126, 0x1234, nullptr, ".db"), "out/7E1234.db");
}

// An archive held in memory only: one type 3 directory and the type 4 end.
ImgArchive type3Archive(std::vector<uint16_t> table, uint32_t base)
{
    ImgArchive a;
    a.dirCount = 2;
    a.dirs = {{3, static_cast<uint32_t>(table.size() - 1), 1, base}, {4, 0, 2, 0}};
    a.header.assign(2 * 2048, 0);
    for (size_t k = 0; k < table.size(); ++k)
        imgFixPut16(a.header, 2048 + 2 * k, table[k]);
    return a;
}

TEST(ImgType3Walk, UnusedEntriesExtendTheFileBeforeThem)
{
    const ImgArchive a = type3Archive({0, 0xFFFF, 0xFFFF, 5, 9}, 100);
    const auto walk = imgType3Walk(a, 0);
    ASSERT_EQ(walk.size(), 2u);
    EXPECT_EQ(walk[0].start, 0u);
    EXPECT_EQ(walk[0].position, 2u);
    EXPECT_EQ(walk[0].first, 0);
    EXPECT_EQ(walk[0].end, 5);
    EXPECT_EQ(walk[1].start, 3u);
    EXPECT_EQ(walk[1].position, 3u);
    EXPECT_EQ(walk[1].first, 5);
    EXPECT_EQ(walk[1].end, 9);

    // Leading unused entries are skipped; a used entry followed only by
    // unused ones up to the end has no end and is not a file.
    const auto lead = imgType3Walk(type3Archive({0xFFFF, 0xFFFF, 2, 4, 0xFFFF, 0xFFFF}, 0), 0);
    ASSERT_EQ(lead.size(), 1u);
    EXPECT_EQ(lead[0].start, 2u);
    EXPECT_EQ(lead[0].position, 2u);
    EXPECT_EQ(lead[0].end, 4);
    EXPECT_TRUE(imgType3Walk(type3Archive({0xFFFF, 0xFFFF, 0xFFFF}, 0), 0).empty());
}

TEST(ImgDecodeExtension, DbAndTimSignatures)
{
    SettingsGuard g;
    ScratchDir dir;
    ImgArchive a;
    a.name = dir / "a.img";
    std::vector<uint8_t> bytes(3 * 2048 + 8, 0);
    bytes[2048] = 0xDB;
    testWriteFile(a.name, bytes);
    EXPECT_EQ(imgDecodeExtension(a, 1), "");  // decoding is off
    imgSettings.decode = true;
    EXPECT_EQ(imgDecodeExtension(a, 1), ".db");
    EXPECT_EQ(imgDecodeExtension(a, 0), "");
    for (uint32_t flags = 0; flags < 12; ++flags) {
        imgFixPut32(bytes, 2 * 2048, 0x10);
        imgFixPut32(bytes, 2 * 2048 + 4, flags);
        testWriteFile(a.name, bytes);
        const bool tim = flags <= 4 || flags == 8 || flags == 9;
        EXPECT_EQ(imgDecodeExtension(a, 2), tim ? ".tim" : "") << flags;
    }
    imgFixPut32(bytes, 2 * 2048, 0x11);
    testWriteFile(a.name, bytes);
    EXPECT_EQ(imgDecodeExtension(a, 2), "");

    testing::internal::CaptureStderr();
    EXPECT_EQ(imgDecodeExtension(a, 3), "");  // only 8 bytes left there
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: error during decoding extension from file " + a.name + " at position 6144\n");
}

std::unique_ptr<ImgArchive> quietOpen(const std::string& name)
{
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    auto a = imgOpen(name);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return a;
}

TEST(ImgOpen, EveryCutOfAnArchiveIsRefusedUntilItsLastSectorBegins)
{
    SettingsGuard g;
    ImgScene s;
    const std::vector<uint8_t> good = s.layout.bytes;
    const size_t lastSectorStart = good.size() - imgFixSector;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    std::vector<size_t> wrong;
    // Every length near a boundary (header, directory list, header area, the
    // last sector), a sparse sweep elsewhere.
    auto nearBoundary = [&](size_t cut) {
        for (size_t b : {size_t{16}, size_t{2048}, size_t{4 * 2048}, lastSectorStart})
            if (cut + 3 >= b && cut <= b + 3)
                return true;
        return cut < 40;
    };
    for (size_t cut = 0; cut <= good.size(); cut += nearBoundary(cut) || nearBoundary(cut + 53) ? 1 : 53) {
        testWriteFile(s.img, {good.begin(), good.begin() + static_cast<long>(cut)});
        // The header area opens; the files must also lie inside the archive
        // before anything may be written from them.
        const auto a = imgOpen(s.img);
        const bool headerOk = a != nullptr;
        if (headerOk != (cut >= 4 * 2048) || (headerOk && imgCheckExtents(*a) != (cut > lastSectorStart)))
            wrong.push_back(cut);
    }
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(wrong, std::vector<size_t>{});
    s.write();
    const auto a = quietOpen(s.img);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->dirCount, 4u);
    EXPECT_EQ(a->unknown2, 0x12345678u);
    EXPECT_EQ(a->header.size(), 4u * 2048);
    EXPECT_EQ(imgGetRecord(*a, 0, 1).flags, 3);
}

// Random damage to the header area must never make the tool read or write
// outside its buffers (the sanitizers watch), and whatever opens must
// extract and recreate to whole sectors.
TEST(ImgOpen, MutatedHeadersNeverBreakExtractionOrRecreation)
{
    SettingsGuard g;
    ImgScene s;
    const std::vector<uint8_t> good = s.layout.bytes;
    const size_t headerBytes = size_t{s.layout.headerSectors} * imgFixSector;
    std::mt19937 rng(20240601);
    int opened = 0;
    for (int round = 0; round < 150; ++round) {
        std::vector<uint8_t> bytes = good;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f) {
            // Mostly the directory list and the tables' first bytes.
            const size_t off = rng() % 2 ? 16 + rng() % 64 : rng() % headerBytes;
            bytes[off] = static_cast<uint8_t>(rng() % 3 == 0 ? rng() : bytes[off] ^ (1u << (rng() % 8)));
        }
        testWriteFile(s.img, bytes);
        auto a = quietOpen(s.img);
        if (!a)
            continue;
        ++opened;
        ScratchDir work;
        std::string prefix = work.path + "/";
        imgSettings = ImgSettings{};
        imgSettings.decode = round % 2 == 0;
        testing::internal::CaptureStderr();
        imgExtractAll(prefix, *a, nullptr);
        ArgList out{{work / "re.img"}};
        const int result = imgImport(prefix, *a, &out);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(prefix, work.path + "/");
        if (result == 1) {
            EXPECT_EQ(testReadFile(work / "re.img").size() % imgFixSector, 0u);
        }
    }
    EXPECT_GT(opened, 10);
}

}  // namespace
