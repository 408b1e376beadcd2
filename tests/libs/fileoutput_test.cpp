// The whole-file output routine: every tool writes its outputs through it.
#include "fileutils.h"
#include "platform.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const std::vector<uint8_t> oldBytes{'o', 'l', 'd'};
const std::vector<uint8_t> newBytes{'n', 'e', 'w', '!'};

unsigned modeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

bool isLink(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(FileOutputTest, NewAndReplacedFilesKeepModeAndLeaveNoTemporary)
{
    ScratchDir dir;
    ASSERT_TRUE(fileSaveWhole(dir / "new.bin", newBytes));
    EXPECT_EQ(testReadFile(dir / "new.bin"), newBytes);

    testWriteFile(dir / "old.bin", oldBytes);
    ASSERT_EQ(::chmod((dir / "old.bin").c_str(), 0640), 0);
    ASSERT_TRUE(fileSaveWhole(dir / "old.bin", newBytes));
    EXPECT_EQ(testReadFile(dir / "old.bin"), newBytes);
    EXPECT_EQ(modeOf(dir / "old.bin"), 0640u);
    EXPECT_EQ(testListDir(dir.path), (std::vector<std::string>{"new.bin", "old.bin"}));
}

TEST(FileOutputTest, FailedWriteLeavesTheOldFileAndNoTemporary)
{
    ScratchDir dir;
    testWriteFile(dir / "out", oldBytes);
    EXPECT_FALSE(fileWriteWhole(dir / "out", [](const std::string& path) {
        testWriteFile(path, {1, 2});  // half written, then the writer fails
        return false;
    }));
    EXPECT_EQ(testReadFile(dir / "out"), oldBytes);
    EXPECT_EQ(testListDir(dir.path), std::vector<std::string>{"out"});

    // A record dropped before its commit takes its temporary file along.
    {
        FileOutput out;
        ASSERT_TRUE(fileOutputBegin(out, dir / "out"));
        testWriteFile(out.path, newBytes);
    }
    EXPECT_EQ(testReadFile(dir / "out"), oldBytes);
    EXPECT_EQ(testListDir(dir.path), std::vector<std::string>{"out"});
}

TEST(FileOutputTest, SymbolicLinksStayLinks)
{
    ScratchDir dir;
    testMkdirs(dir / "real");
    testWriteFile(dir / "real/target", oldBytes);
    ASSERT_EQ(::symlink("real/target", (dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink("link", (dir / "link2").c_str()), 0);
    ASSERT_TRUE(fileSaveWhole(dir / "link2", newBytes));
    EXPECT_TRUE(isLink(dir / "link"));
    EXPECT_TRUE(isLink(dir / "link2"));
    EXPECT_EQ(testReadFile(dir / "real/target"), newBytes);
    // The temporary file was made beside the real file, and is gone.
    EXPECT_EQ(testListDir(dir / "real"), std::vector<std::string>{"target"});

    // A dangling link makes the file it names.
    ASSERT_EQ(::symlink("real/made", (dir / "dangling").c_str()), 0);
    ASSERT_TRUE(fileSaveWhole(dir / "dangling", newBytes));
    EXPECT_TRUE(isLink(dir / "dangling"));
    EXPECT_EQ(testReadFile(dir / "real/made"), newBytes);
}

TEST(FileOutputTest, PipesAndDevicesAreWrittenInPlace)
{
    ScratchDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> got;
    std::thread reader([&] { got = testReadFile(fifo); });
    const bool ok = fileSaveWhole(fifo, newBytes);
    reader.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, newBytes);
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(testListDir(dir.path), std::vector<std::string>{"fifo"});

    EXPECT_TRUE(fileSaveWhole("/dev/null", newBytes));
    EXPECT_FALSE(isLink("/dev/null"));

    // A descriptor path (as /dev/stdout is) open on a plain file writes that
    // file itself, not a new one renamed over its name.
    testWriteFile(dir / "log", oldBytes);
    const int fd = ::open((dir / "log").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    struct stat before {};
    ASSERT_EQ(::stat((dir / "log").c_str(), &before), 0);
    EXPECT_TRUE(fileSaveWhole("/proc/self/fd/" + std::to_string(fd), newBytes));
    ::close(fd);
    struct stat after {};
    ASSERT_EQ(::stat((dir / "log").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(testReadFile(dir / "log"), newBytes);
}

TEST(FileOutputTest, RefusalsPrintOneLineAndChangeNothing)
{
    ScratchDir dir;
    testWriteFile(dir / "ro", oldBytes);
    ASSERT_EQ(::chmod((dir / "ro").c_str(), 0444), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(fileSaveWhole(dir / "ro", newBytes));
    EXPECT_FALSE(fileCheckWritable(dir / "ro"));
    const std::string ro = "ERROR: output \"" + (dir / "ro") + "\" is read-only, it was left unchanged\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ro + ro);
    EXPECT_EQ(testReadFile(dir / "ro"), oldBytes);
    EXPECT_TRUE(fileCheckWritable(dir / "missing"));

    testing::internal::CaptureStderr();
    EXPECT_FALSE(fileSaveWhole(dir.path, newBytes));
    EXPECT_FALSE(fileSaveWhole(dir / "nodir/out", newBytes));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: output \"" + dir.path + "\" is a directory\n" + "ERROR: can't create \"" +
                  (dir / "nodir/out") + "\": No such file or directory\n");
    EXPECT_EQ(testListDir(dir.path), std::vector<std::string>{"ro"});
}

}  // namespace
