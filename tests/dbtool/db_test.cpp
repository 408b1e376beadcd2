// Reading DB archives: layout, extents of files, rejections of broken files,
// names and extensions.
#include "db.h"
#include "dbtool/fixtures.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace {

// Opens bytes held in memory, capturing what dbOpen prints.
std::unique_ptr<DbArchive> openBytes(const std::vector<uint8_t>& bytes, std::string* err = nullptr)
{
    const DbReader reader = [&bytes](uint64_t pos, std::span<uint8_t> out) -> int64_t {
        if (pos >= bytes.size())
            return 0;
        const size_t n = std::min<size_t>(out.size(), bytes.size() - pos);
        std::copy_n(bytes.begin() + static_cast<long>(pos), n, out.begin());
        return static_cast<int64_t>(n);
    };
    testing::internal::CaptureStderr();
    auto a = dbOpenReader("t.db", static_cast<int64_t>(bytes.size()), reader);
    const std::string captured = testing::internal::GetCapturedStderr();
    if (err)
        *err = captured;
    return a;
}

TEST(DbOpenTest, ReadsEveryChunkAndFileOfTheSample)
{
    const DbFixtureImage img = dbFixtureBuild(dbFixtureSample());
    ScratchDir dir;
    testWriteFile(dir / "s.db", img.bytes);
    testing::internal::CaptureStderr();
    const auto a = dbOpen(dir / "s.db");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->size, static_cast<int64_t>(img.bytes.size()));
    ASSERT_EQ(a->chunkCount, 5u);
    EXPECT_EQ(a->dataEnd, static_cast<int64_t>(img.dataEnd));
    EXPECT_TRUE(a->hasAfterData);
    EXPECT_EQ(a->afterData, 0x12345678u);
    const uint8_t types[] = {0x04, 0x0A, 0x06, 0x0A, 0x1B};
    const unsigned counts[] = {3, 2, 4, 1, 0};
    for (unsigned i = 0; i < 5; ++i) {
        const DbChunk& c = a->chunks[i];
        const DbFixtureChunkLayout& l = img.chunks[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.type, types[i]);
        EXPECT_EQ(c.n, counts[i]);
        EXPECT_EQ(c.pointerBase, l.pointerBase);
        // Table entries are self-relative with the type taken out.
        EXPECT_EQ(a->ptrTable[i], l.headerPos - l.entryPos);
        for (unsigned j = 0; j < c.n; ++j) {
            const DbExtent e = dbFileExtent(c, j);
            EXPECT_EQ(e.position, static_cast<int64_t>(l.filePos[j])) << "file " << j;
            EXPECT_EQ(e.size, static_cast<int64_t>(l.fileSize[j])) << "file " << j;
        }
    }
    EXPECT_EQ(dbChunkId(a->chunks[2], 3), 0x0604);
}

TEST(DbOpenTest, TrailingWordOnlyWhenPresentAndNotZero)
{
    DbFixture f = dbFixtureSample();
    f.afterData = 0;
    auto a = openBytes(dbFixtureBuild(f).bytes);  // file ends at the data end
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->hasAfterData);

    f.tail = {0, 0, 0, 0, 9};  // a zero word counts as absent
    a = openBytes(dbFixtureBuild(f).bytes);
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->hasAfterData);

    f.tail = {1, 2, 3};  // fewer than 4 bytes after the data
    a = openBytes(dbFixtureBuild(f).bytes);
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->hasAfterData);
}

TEST(DbOpenTest, WarningsDoNotStopTheOpen)
{
    DbFixtureImage img = dbFixtureBuild(dbFixtureSample());
    img.bytes[2] = 1;
    img.bytes[3] = 0x20;
    img.bytes[img.chunks[1].headerPos + 3] = 7;
    img.bytes[img.chunks[3].entryPos + 3] = 0x0B;  // table says 0B, chunk says 0A
    std::string err;
    const auto a = openBytes(img.bytes, &err);
    ASSERT_TRUE(a);
    EXPECT_EQ(testLines(err), (std::vector<std::string>{
                                  "WARN: unexpected header data supposed values are 0, 0: 0x1, 0x20",
                                  "WARN: unexpected chunk header data supposed values are 0, "
                                  "0(chunk 1): 0x0, 0x7",
                                  "WARN: unexpected chunk type, differ from type in header(chunk "
                                  "3): header A, chunk B",
                              }));
    EXPECT_EQ(a->ptrTable[3], img.chunks[3].headerPos - img.chunks[3].entryPos);
}

TEST(DbOpenTest, RejectsFilesThatAreNotWholeDbArchives)
{
    const DbFixtureImage img = dbFixtureBuild(dbFixtureSample());
    std::string err;

    EXPECT_FALSE(openBytes({}, &err));
    EXPECT_EQ(err, "ERROR: file 't.db' is too short for KZ7 DB file: 0 bytes, header has 4\n");
    EXPECT_FALSE(openBytes({0xDB, 1, 0}, &err));
    EXPECT_EQ(err, "ERROR: file 't.db' is too short for KZ7 DB file: 3 bytes, header has 4\n");

    // Too short to be cut from a DB: the usual rejection with the byte found.
    EXPECT_FALSE(openBytes({0x41, 0x42}, &err));
    EXPECT_EQ(err, "ERROR: file 't.db' is not KZ7 DB file(first byte is not 0xDB) is: 0x41\n");

    auto bytes = img.bytes;
    bytes[0] = 0xDC;
    EXPECT_FALSE(openBytes(bytes, &err));
    EXPECT_EQ(err, "ERROR: file 't.db' is not KZ7 DB file(first byte is not 0xDB) is: 0xDC\n");

    EXPECT_FALSE(openBytes({0xDB, 0, 0, 0, 1, 2, 3, 4}, &err));
    EXPECT_EQ(err, "ERROR: file 't.db' has no chunks(chunk count is 0)\n");

    // 200 chunks announced, the table runs past the end.
    bytes = img.bytes;
    bytes[1] = 200;
    bytes.resize(600);
    EXPECT_FALSE(openBytes(bytes, &err));
    EXPECT_EQ(err, "ERROR: error reading file:t.db\n");

    // A chunk header beyond the end of the file.
    bytes = img.bytes;
    dbFixturePut32(bytes, img.chunks[2].entryPos, 0x06FFFFF0);
    EXPECT_FALSE(openBytes(bytes, &err));
    EXPECT_EQ(err, "ERROR: reading file 't.db', while reading chunk header 2\n");

    // A file count whose ids and pointers run past the end (last chunk).
    bytes = img.bytes;
    bytes[img.chunks[4].headerPos + 1] = 255;
    EXPECT_FALSE(openBytes(bytes, &err));
    EXPECT_EQ(err, "ERROR: reading file 't.db', while reading chunk header(ids, pointers) 4\n");
}

TEST(DbOpenTest, TruncatedFilesFailCleanlyUntilTheLastChunkBlockIsComplete)
{
    const DbFixtureImage img = dbFixtureBuild(dbFixtureSample());
    const DbFixtureChunkLayout& last = img.chunks.back();
    const size_t blocksEnd = last.pointerBase + 4;  // last chunk has no files
    for (size_t len = 0; len < img.bytes.size(); ++len) {
        const std::vector<uint8_t> cut(img.bytes.begin(), img.bytes.begin() + static_cast<long>(len));
        std::string err;
        const auto a = openBytes(cut, &err);
        EXPECT_EQ(a != nullptr, len >= blocksEnd) << "length " << len;
        if (!a) {
            EXPECT_EQ(testLines(err).size(), 1u) << "length " << len << ": " << err;
        }
    }
}

TEST(DbOpenTest, RandomCorruptionNeverReadsOutsideTheFile)
{
    const DbFixtureImage img = dbFixtureBuild(dbFixtureSample());
    std::mt19937 rng(1234);
    int opened = 0;
    for (int round = 0; round < 400; ++round) {
        auto bytes = img.bytes;
        const int flips = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < flips; ++k)
            bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
        const auto a = openBytes(bytes);
        if (!a)
            continue;
        ++opened;
        char* text = nullptr;
        size_t len = 0;
        FILE* out = open_memstream(&text, &len);
        dbList(*a, out);
        std::fclose(out);
        std::free(text);
        testing::internal::CaptureStderr();
        for (const DbChunk& c : a->chunks)
            for (unsigned j = 0; j < c.n; ++j) {
                const DbExtent e = dbFileExtent(c, j);
                // An empty extent reads nothing wherever it points.
                if (dbCheckRange(*a, e.position, e.size) && e.size > 0) {
                    EXPECT_LE(e.position + e.size, a->size);
                }
            }
        testing::internal::GetCapturedStderr();
    }
    EXPECT_GT(opened, 0);
}

TEST(DbFileExtentTest, SelfRelativePointersAndTheReducedEndPointer)
{
    DbChunk c;
    c.n = 2;
    c.ids.resize(dbChunkBlockSize(2));
    c.pointerBase = 0x100;
    dbChunkSetPointer(c, 0, 0x10);
    dbChunkSetPointer(c, 1, 0x20);
    dbChunkSetPointer(c, 2, 0x38);
    DbExtent e = dbFileExtent(c, 0);
    EXPECT_EQ(e.position, 0x110);
    EXPECT_EQ(e.size, 0x14);
    e = dbFileExtent(c, 1);
    EXPECT_EQ(e.position, 0x124);
    EXPECT_EQ(e.size, 0x14);

    // An end pointer that lies below the last file after its reduction
    // gives that file 4 bytes.
    dbChunkSetPointer(c, 2, 0x18);
    EXPECT_EQ(dbFileExtent(c, 1).size, 4);
    // The stored pointers are left as they were.
    EXPECT_EQ(dbChunkPointer(c, 2), 0x18u);

    // Pointers that go backwards give a negative size.
    dbChunkSetPointer(c, 1, 0x04);
    EXPECT_LT(dbFileExtent(c, 0).size, 0);
}

TEST(DbFileExtentTest, OddFileCountsHavePaddingBeforeThePointers)
{
    EXPECT_EQ(dbChunkPadding(3), 2u);
    EXPECT_EQ(dbChunkPadding(4), 0u);
    EXPECT_EQ(dbChunkPointerOffset(3), 8u);  // pointer base H + 12
    EXPECT_EQ(dbChunkBlockSize(3), 24u);
    EXPECT_EQ(dbChunkBlockSize(0), 4u);  // only the end pointer
}

TEST(DbNamesTest, ExtensionsFromChunkTypes)
{
    dbSettings = {};
    EXPECT_EQ(dbTypeExtension(4), ".04");
    EXPECT_EQ(dbTypeExtension(0x0A), ".0a");
    EXPECT_EQ(dbTypeExtension(0x1B), ".1b");
    dbSettings.decode = true;
    EXPECT_EQ(dbTypeExtension(4), ".tim");
    EXPECT_EQ(dbTypeExtension(6), ".dlg");
    EXPECT_EQ(dbTypeExtension(0x1B), ".db");
    EXPECT_EQ(dbTypeExtension(0xFF), ".ff");
    testing::internal::CaptureStderr();
    EXPECT_EQ(dbTypeExtension(0x100), "BIG");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: too big chunk type ... unexpected: 100\n");
    dbSettings = {};
}

TEST(DbNamesTest, BaseNameDropsDirectoryAndLastExtension)
{
    EXPECT_EQ(dbBaseName("some/dir/SCENE.DB"), "SCENE");
    EXPECT_EQ(dbBaseName("scene"), "scene");
    EXPECT_EQ(dbBaseName("a.b/scene"), "scene");  // a dot in the directory part does not count
    EXPECT_EQ(dbBaseName("x.tar.gz"), "x.tar");
}

TEST(DbNamesTest, LongAndShortFileNames)
{
    DbArchive a;
    DbChunk c;
    c.n = 20;
    c.ids.resize(dbChunkBlockSize(20));
    ASSERT_TRUE(lePut16(c.ids, 2 * 17, 0xBEEF));
    a.chunks.resize(12);
    a.chunks[11] = c;
    a.addName = "pre_";
    dbSettings = {};
    EXPECT_EQ(dbFileName("out/0A/", a, 11, 17, ".0a"), "out/0A/pre_11_17_BEEF.0a");
    dbSettings.shortNames = true;
    EXPECT_EQ(dbFileName("out/", a, 11, 17, ".0a"), "out/pre_0b11.0a");
    dbSettings = {};
    std::string prefix = "d/";
    a.chunks[11].type = 0x0A;
    dbEnterSubdir(prefix, a.chunks[11]);
    EXPECT_EQ(prefix, "d/0A/");
    dbSettings.subdirs = false;
    dbEnterSubdir(prefix, a.chunks[11]);
    EXPECT_EQ(prefix, "d/0A/");
    dbSettings = {};
}

}  // namespace
