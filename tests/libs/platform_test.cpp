#include "platform.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(PlatformMatchTest, WildcardsIgnoreCase)
{
    EXPECT_TRUE(platformMatch("*.dlg", "A.DLG"));
    EXPECT_TRUE(platformMatch("bg*.bmp", "BG_01.bmp"));
    EXPECT_TRUE(platformMatch("a?c", "abc"));
    EXPECT_TRUE(platformMatch("*", ""));
    EXPECT_TRUE(platformMatch("*a*b*", "xxaxxbxx"));
    EXPECT_FALSE(platformMatch("*.dlg", "a.dlgx"));
    EXPECT_FALSE(platformMatch("a?c", "ac"));
    EXPECT_FALSE(platformMatch("", "a"));
}

TEST(PlatformScanTest, SortedByByteOrder)
{
    ScratchDir dir;
    for (const char* n : {"b", "B", "a", "_"})
        testWriteFile(dir / n, {});
    testMkdirs(dir / "sub");
    const auto entries = platformScanDir(dir.path);
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name + (e.isDir ? "/" : ""));
    EXPECT_EQ(names, (std::vector<std::string>{"B", "_", "a", "b", "sub/"}));
    EXPECT_TRUE(platformScanDir(dir / "missing").empty());
}

TEST(PlatformPathTest, PartsAndIdentity)
{
    EXPECT_EQ(platformDirPart("a/b/c.txt"), "a/b/");
    EXPECT_EQ(platformDirPart("c.txt"), "");
    EXPECT_EQ(platformBaseName("/usr/bin/imgtool"), "imgtool");
    EXPECT_EQ(platformStricmp("ABC", "abc"), 0);
    EXPECT_LT(platformStricmp("ab", "abc"), 0);

    ScratchDir dir;
    testWriteFile(dir / "f", {1});
    EXPECT_TRUE(platformSameFile(dir / "f", dir.path + "/./f"));
    EXPECT_FALSE(platformSameFile(dir / "f", dir / "g"));
    EXPECT_EQ(platformStat(dir / "f").kind, PlatformKind::regular);
    EXPECT_EQ(platformStat(dir.path).kind, PlatformKind::directory);
    EXPECT_EQ(platformMkdir(dir / "new"), 0);
    EXPECT_EQ(platformMkdir(dir / "new"), -1);
}

}  // namespace

namespace {

TEST(PlatformExitStatusTest, SaturatesAt255)
{
    EXPECT_EQ(platformExitStatus(0), 0);
    EXPECT_EQ(platformExitStatus(255), 255);
    EXPECT_EQ(platformExitStatus(256), 255);
    EXPECT_EQ(platformExitStatus(100000), 255);
    EXPECT_EQ(platformExitStatus(-3), 0);
}


TEST(PlatformIoTest, PositionedCallsMeetTheFileEndAndReportFailures)
{
    ScratchDir dir;
    testWriteFile(dir / "f", {1, 2, 3, 4, 5, 6});
    const int fd = ::open((dir / "f").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    uint8_t buf[8] = {};
    PlatformIo io = platformReadAt(fd, buf, 3, 2);
    EXPECT_EQ(io.done, 3u);
    EXPECT_FALSE(io.error);
    EXPECT_EQ(buf[0], 3);
    // Past the end: fewer bytes, and no error.
    io = platformReadAt(fd, buf, 8, 4);
    EXPECT_EQ(io.done, 2u);
    EXPECT_FALSE(io.error);
    const uint8_t put[3] = {9, 9, 9};
    io = platformWriteAt(fd, put, 3, 5);
    EXPECT_EQ(io.done, 3u);
    EXPECT_FALSE(io.error);
    ::close(fd);
    EXPECT_EQ(testReadFile(dir / "f"), (std::vector<uint8_t>{1, 2, 3, 4, 5, 9, 9, 9}));

    // A descriptor opened for reading only cannot be written.
    const int ro = ::open((dir / "f").c_str(), O_RDONLY);
    ASSERT_GE(ro, 0);
    io = platformWriteAt(ro, put, 3, 0);
    EXPECT_EQ(io.done, 0u);
    EXPECT_TRUE(io.error);
    ::close(ro);
}

}  // namespace

TEST(PlatformTreeTest, TempDirsAreFreshAndRemovedWhole)
{
    const std::string a = platformMakeTempDir("kz7test");
    const std::string b = platformMakeTempDir("kz7test");
    ASSERT_FALSE(a.empty());
    ASSERT_NE(a, b);
    EXPECT_TRUE(platformIsDir(a));
    testMkdirs(a + "/x/y");
    testWriteText(a + "/x/y/f", "data");
    EXPECT_TRUE(platformRemoveTree(a));
    EXPECT_FALSE(platformIsDir(a));
    EXPECT_TRUE(platformRemoveTree(b));
    EXPECT_TRUE(platformRemoveTree(a));  // nothing left to remove is no failure
    EXPECT_EQ(platformAbsolute("/usr/./bin/../lib/"), "/usr/lib/");
}
