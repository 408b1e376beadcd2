#include "fileutils.h"
#include "platform.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

std::vector<uint8_t> iota(size_t n, uint8_t start = 0)
{
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), start);
    return v;
}

TEST(FileLoadTest, MissingFileAndPositions)
{
    ScratchDir dir;
    std::vector<uint8_t> buf(4);
    EXPECT_EQ(fileLoad(dir / "missing", buf, 0), -1);

    testWriteFile(dir / "f", iota(10));
    EXPECT_EQ(fileLoad(dir / "f", buf, 3), 4);
    EXPECT_EQ(buf, (std::vector<uint8_t>{3, 4, 5, 6}));
    // Short read at the end returns what arrived; past the end is not an error.
    EXPECT_EQ(fileLoad(dir / "f", buf, 8), 2);
    EXPECT_EQ(fileLoad(dir / "f", buf, 100), 0);
}

TEST(FileLoadFileTest, MessagesAndSizes)
{
    ScratchDir dir;
    int64_t size = 99;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(fileLoadFile(dir / "missing", &size));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: cant read(find) \"" + (dir / "missing") + "\"\n");
    EXPECT_EQ(size, -1);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(fileLoadFile(dir.path));  // a directory is not a file
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: cant read(find) \"" + dir.path + "\"\n");

    testWriteFile(dir / "empty", {});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(fileLoadFile(dir / "empty", &size));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: file \"" + (dir / "empty") + "\" has zero size\n");
    EXPECT_EQ(size, 0);

    testWriteFile(dir / "data", iota(300));
    const auto block = fileLoadFile(dir / "data", &size);
    ASSERT_TRUE(block);
    EXPECT_EQ(*block, iota(300));
    EXPECT_EQ(size, 300);
}

TEST(FileLoadFileTest, DataFileToolForm)
{
    ScratchDir dir;
    fileForm = FileForm::dfile;
    testWriteFile(dir / "empty", {});
    const auto empty = fileLoadFile(dir / "empty");
    testing::internal::CaptureStderr();
    const auto missing = fileLoadFile(dir / "missing");
    const std::string err = testing::internal::GetCapturedStderr();
    fileForm = FileForm::tools;
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
    EXPECT_FALSE(missing);
    EXPECT_EQ(err, "File " + (dir / "missing") + " dont exist\n");
}

TEST(FileSaveTest, CreatePatchAppend)
{
    ScratchDir dir;
    const std::string f = dir / "f";
    EXPECT_EQ(fileSave(f, iota(8), 0, "wb"), 8u);
    const std::vector<uint8_t> patch{0xAA, 0xBB};
    EXPECT_EQ(fileSave(f, patch, 0, "rb+"), 2u);
    EXPECT_EQ(fileSave(f, patch, 5, "rb+"), 2u);
    EXPECT_EQ(testReadFile(f), (std::vector<uint8_t>{0xAA, 0xBB, 2, 3, 4, 0xAA, 0xBB, 7}));
    EXPECT_EQ(fileSave(f, patch, 0, "ab"), 2u);
    EXPECT_EQ(testReadFile(f).size(), 10u);
    EXPECT_EQ(testReadFile(f)[8], 0xAA);
    // "rb+" does not create a missing file.
    EXPECT_EQ(fileSave(dir / "missing", patch, 0, "rb+"), 0u);
    EXPECT_FALSE(testExists(dir / "missing"));
}

TEST(FileCopyTest, RangesAcrossBufferSize)
{
    ScratchDir dir;
    const auto data = iota(MAXBUFFSIZE * 2 + 1000, 7);
    testWriteFile(dir / "in", data);
    EXPECT_EQ(fileCopyF(dir / "in", dir / "out", 5, 0, static_cast<uint32_t>(data.size() - 5), "wb"),
              data.size() - 5);
    EXPECT_EQ(testReadFile(dir / "out"), std::vector<uint8_t>(data.begin() + 5, data.end()));

    // Same positions in two files copy exactly `size` bytes in place.
    testWriteFile(dir / "dst", std::vector<uint8_t>(100, 0));
    EXPECT_EQ(fileCopyF(dir / "in", dir / "dst", 10, 10, 20, "rb+"), 20u);
    const auto dst = testReadFile(dir / "dst");
    ASSERT_EQ(dst.size(), 100u);
    EXPECT_EQ(dst[9], 0);
    EXPECT_EQ(dst[10], data[10]);
    EXPECT_EQ(dst[29], data[29]);
    EXPECT_EQ(dst[30], 0);

    // Past the input's end the copy stops there and reports what it moved.
    EXPECT_EQ(fileCopyF(dir / "in", dir / "tail", static_cast<uint32_t>(data.size() - 3), 0, 50, "wb"),
              3u);
    EXPECT_EQ(fileCopyF(dir / "missing", dir / "x", 0, 0, 5, "wb"), 0u);
}

TEST(FileFillTest, ChunksAndPositions)
{
    ScratchDir dir;
    const std::string f = dir / "f";
    EXPECT_EQ(fileFillF(f, 0x5A, 0, 1000, "wb"), 1000u);
    EXPECT_EQ(testReadFile(f), std::vector<uint8_t>(1000, 0x5A));
    EXPECT_EQ(fileFillF(f, 0, 998, 4, "rb+"), 4u);
    const auto data = testReadFile(f);
    ASSERT_EQ(data.size(), 1002u);
    EXPECT_EQ(data[997], 0x5A);
    EXPECT_EQ(data[998], 0);
    EXPECT_EQ(data[1001], 0);
}

TEST(FileSizeTest, RegularFilesOnly)
{
    ScratchDir dir;
    EXPECT_EQ(fileSizeF(dir.path), -1);
    EXPECT_EQ(fileSizeF(dir / "missing"), -1);
    testWriteFile(dir / "empty", {});
    EXPECT_EQ(fileSizeF(dir / "empty"), 0);
    testWriteFile(dir / "f", iota(77));
    EXPECT_EQ(fileSizeF(dir / "f"), 77);

    FilePtr f = fileOpen(dir / "f", "rb");
    ASSERT_TRUE(f);
    std::fseek(f.get(), 10, SEEK_SET);
    EXPECT_EQ(fileSize(f.get()), 77u);
    EXPECT_EQ(std::ftell(f.get()), 10);  // position kept
}

TEST(FileReadTest, ShortStreamAndErrors)
{
    ScratchDir dir;
    testWriteFile(dir / "f", iota(4 * 3));
    FilePtr f = fileOpen(dir / "f", "rb");
    std::vector<uint8_t> buf(10 * 3);
    EXPECT_EQ(fileRead(buf.data(), 3, 10, f.get()), 4);
    // With the end-of-file indicator set nothing more is read.
    EXPECT_EQ(fileRead(buf.data(), 3, 1, f.get()), 0);

    // A stream opened for writing only fails to read: negated count (0).
    FilePtr w = fileOpen(dir / "w", "wb");
    EXPECT_EQ(fileRead(buf.data(), 1, 5, w.get()), 0);
    EXPECT_FALSE(std::feof(w.get()));
}

TEST(FileCreateTempTest, NewNameInPrefix)
{
    ScratchDir dir;
    const std::string prefix = dir.path + "/";
    std::string name = prefix;
    ASSERT_TRUE(fileCreateTemp(name, false));
    ASSERT_EQ(name.size(), prefix.size() + 8);
    const std::string part = name.substr(prefix.size());
    EXPECT_EQ(part.substr(0, 3), "tmp");
    for (char c : part.substr(3))
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << part;
    EXPECT_EQ(fileSizeF(name), 0);  // created empty

    // A second call in the same second gets a different name.
    std::string second = prefix;
    fileCreateTemp(second, true);
    EXPECT_NE(second, name);
    EXPECT_FALSE(testExists(second));  // nocreate

    // A directory that does not exist fails instead of trying forever.
    std::string missing = dir.path + "/nodir/";
    EXPECT_FALSE(fileCreateTemp(missing, false));
}

TEST(FileFindFilesTest, SortedCaseInsensitiveNoDirectories)
{
    ScratchDir dir;
    testWriteFile(dir / "b.DLG", {1});
    testWriteFile(dir / "a.dlg", {1});
    testWriteFile(dir / "c.txt", {1});
    testMkdirs(dir / "d.dlg");
    EXPECT_EQ(fileFindFiles(dir / "*.dlg"), (std::vector<std::string>{"a.dlg", "b.DLG"}));
}

}  // namespace

namespace {

TEST(FileCopyTest, StreamItemSizes)
{
    ScratchDir dir;
    testWriteFile(dir / "in", std::vector<uint8_t>(MAXBUFFSIZE + 10, 3));
    FilePtr in = fileOpen(dir / "in", "rb");
    FilePtr out = fileOpen(dir / "out", "wb");
    // An item larger than the buffer bound cannot be moved at all.
    EXPECT_EQ(fileCopy(in.get(), out.get(), MAXBUFFSIZE + 1, 1), 0u);
    // Whole items only: 5 items of 4 bytes from the start.
    EXPECT_EQ(fileCopy(in.get(), out.get(), 4, 5), 5u);
    out.reset();
    EXPECT_EQ(testReadFile(dir / "out"), std::vector<uint8_t>(20, 3));
}

TEST(FileWriteTest, ReportsItemsWritten)
{
    ScratchDir dir;
    FilePtr f = fileOpen(dir / "f", "wb");
    const std::vector<uint8_t> data(12, 1);
    EXPECT_EQ(fileWrite(data.data(), 4, 3, f.get()), 3u);
    // A read-only stream takes nothing.
    FilePtr r = fileOpen(dir / "f", "rb");
    EXPECT_EQ(fileWrite(data.data(), 1, 4, r.get()), 0u);
}

}  // namespace

namespace {

TEST(FileCopyTest, AppendAndDevicesThatCannotCopyInKernel)
{
    ScratchDir dir;
    testWriteFile(dir / "in", iota(100));
    testWriteFile(dir / "out", {0xEE, 0xEE});
    // Append mode writes after the existing bytes whatever position is asked.
    EXPECT_EQ(fileCopyF(dir / "in", dir / "out", 10, 0, 5, "ab"), 5u);
    EXPECT_EQ(fileCopyF(dir / "in", dir / "out", 90, 0, 20, "ab"), 10u);
    auto expected = std::vector<uint8_t>{0xEE, 0xEE, 10, 11, 12, 13, 14};
    for (uint8_t b = 90; b < 100; ++b)
        expected.push_back(b);
    EXPECT_EQ(testReadFile(dir / "out"), expected);

    // A character device goes through the buffer instead.
    EXPECT_EQ(fileCopyF("/dev/zero", dir / "zeros", 0, 0, MAXBUFFSIZE + 3, "wb"), MAXBUFFSIZE + 3);
    EXPECT_EQ(testReadFile(dir / "zeros"), std::vector<uint8_t>(MAXBUFFSIZE + 3, 0));
}

}  // namespace
