// imgtool on archives of less common but valid layouts: a header area of one
// sector, type 4 entries inside the list, type 3 tables with a base far from
// the header and unused entries at the end, a last sector cut short, and
// directory numbers and positions above 1 in names.
#include "imgtool/imgtest.h"

#include <filesystem>

namespace {

// A header area of `sectors` sectors holding `entries` (type, files, table
// sector, file sector) and nothing else.
std::vector<uint8_t> rawHeader(uint32_t sectors, const std::vector<std::vector<uint32_t>>& entries)
{
    std::vector<uint8_t> b(size_t{sectors} * imgFixSector, 0);
    std::memcpy(b.data(), "KZ7 ", 4);
    imgFixPut32(b, 4, 6);
    imgFixPut32(b, 8, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        for (size_t f = 0; f < 4; ++f)
            imgFixPut32(b, ImgFixLayout::dirEntryOffset(i) + 4 * f, entries[i][f]);
    return b;
}

std::vector<uint8_t> slice(const std::vector<uint8_t>& b, uint32_t sector, uint32_t sectors)
{
    const auto at = b.begin() + static_cast<long>(size_t{sector} * imgFixSector);
    return {at, at + static_cast<long>(size_t{sectors} * imgFixSector)};
}

TEST(ImgLayout, HeaderAreaOfOneSectorWithTwoType4Entries)
{
    ImgScene s;
    s.layout.bytes = rawHeader(1, {{4, 0, 1, 0}, {4, 0, 1, 0}});
    s.write();
    RunResult r = testRun("imgtool", {"-l", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "type \tfiles \tsector \tfile sector\n"
                     "  4 \t   0 \t     1\t        0\n"
                     "  4 \t   0 \t     1\t        0\n");

    r = testRun("imgtool", {"-e", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(testListDir(s.dir).empty());  // type 4 gets no subdirectory

    r = testRun("imgtool", {"-r", s.dir, s.img, s.root / "new.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s.root / "new.img"), s.layout.bytes);
}

TEST(ImgLayout, UnknownTypeWithoutTableIsListedAndSkipped)
{
    ImgScene s;
    s.layout.bytes = rawHeader(1, {{9, 3, 0, 0}, {4, 0, 1, 0}});
    s.write();
    RunResult r = testRun("imgtool", {"-l", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "type \tfiles \tsector \tfile sector\n"
                     "  9 \t   3 \t     0\t        0\n"
                     "  4 \t   0 \t     1\t        0\n");
    r = testRun("imgtool", {"-e", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: trying extract unknown type of directory: 9\n");
    EXPECT_EQ(testListDir(s.dir), std::vector<std::string>{"00"});
    r = testRun("imgtool", {"-i", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: trying import unknown type of directory: 9\n");
    EXPECT_EQ(testReadFile(s.img), s.layout.bytes);
}

TEST(ImgLayout, Type4EntryInsideTheListKeepsTheNumbering)
{
    // Directory 1 becomes a type 4 entry: its data are no file any more, so
    // recreation closes them up and directory 2 follows directory 0.
    ImgScene s;
    imgFixPut32(s.layout.bytes, ImgFixLayout::dirEntryOffset(1), 4);
    s.write();
    RunResult r = testRun("imgtool", {"-e", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 4 + 2);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testListDir(s.dir), (std::vector<std::string>{"00", "02"}));

    const auto grown = imgFixPattern(2048 * 4 + 1, 60);  // 2 sectors become 5
    testWriteFile(s.dir + "/00/00_0000_0012", grown);
    r = testRun("imgtool", {"-r", s.dir, s.img, s.root / "new.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    const std::vector<uint8_t> out = testReadFile(s.root / "new.img");
    const uint32_t d0 = s.layout.headerSectors;  // 4
    const uint32_t d2 = d0 + 5 + 1 + 0 + 3;
    ASSERT_EQ(out.size(), size_t{d2 + 2} * imgFixSector);
    EXPECT_EQ(imgFixGet32(out, ImgFixLayout::dirEntryOffset(0) + 12), d0);
    EXPECT_EQ(imgFixGet32(out, ImgFixLayout::dirEntryOffset(2) + 12), d2);
    // The type 4 entry and its old table sector stay as they were.
    EXPECT_EQ(imgFixGet32(out, ImgFixLayout::dirEntryOffset(1) + 12),
              imgFixGet32(s.layout.bytes, ImgFixLayout::dirEntryOffset(1) + 12));
    EXPECT_EQ(slice(out, 2, 1), slice(s.layout.bytes, 2, 1));
    const size_t t2 = s.layout.tableOffset[2];
    EXPECT_EQ(imgFixGet32(out, t2 + 4), d2);
    EXPECT_EQ(imgFixGet32(out, t2 + 8 + 4), d2 + 1);
    EXPECT_EQ(imgFixGet32(out, t2 + 16 + 4), d2 + 2);
    EXPECT_EQ(slice(out, d0, 5), imgFixPadded(grown));
    EXPECT_EQ(slice(out, d2, 2), slice(s.layout.bytes, s.layout.fileSector[2][0], 2));
}

// Type 3 table 0, 0xFFFF, 0xFFFF, 5, 9 with base 100.
struct FarType3 {
    ImgScene s;
    std::vector<uint8_t> first = imgFixPattern(5 * 2048, 61);
    std::vector<uint8_t> second = imgFixPattern(4 * 2048, 62);
    FarType3()
    {
        s.arc.dirs.assign(1, ImgFixDir{});
        s.arc.dirs[0].type = 3;
        s.arc.dirs[0].files = {{first, 0, 0, 2}, {second, 0, 0, 0}};
        s.layout = imgFixBuild(s.arc);
        std::vector<uint8_t>& b = s.layout.bytes;
        const size_t data = size_t{s.layout.headerSectors} * imgFixSector;
        b.insert(b.begin() + static_cast<long>(data), (100 - s.layout.headerSectors) * imgFixSector, 0xEE);
        imgFixPut32(b, ImgFixLayout::dirEntryOffset(0) + 12, 100);
        s.write();
    }
};

TEST(ImgLayout, Type3TableWithUnusedEntriesAndAFarBase)
{
    FarType3 f;
    ASSERT_EQ(imgFixGet32(f.s.layout.bytes, ImgFixLayout::dirEntryOffset(0) + 4), 4u);
    for (size_t k = 0; k < 5; ++k)
        EXPECT_EQ(imgFixGet16(f.s.layout.bytes, f.s.layout.tableOffset[0] + 2 * k),
                  (std::vector<uint16_t>{0, 0xFFFF, 0xFFFF, 5, 9}[k]));
    RunResult r = testRun("imgtool", {"-e", f.s.dir, f.s.img});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testListDir(f.s.dir + "/00"), (std::vector<std::string>{"00_0002", "00_0003"}));
    EXPECT_EQ(testReadFile(f.s.dir + "/00/00_0002"), f.first);
    EXPECT_EQ(testReadFile(f.s.dir + "/00/00_0003"), f.second);

    // Import finds the same names and writes at base + offset.
    const auto small = imgFixPattern(10, 63);
    testWriteFile(f.s.dir + "/00/00_0003", small);
    r = testRun("imgtool", {"-i", f.s.dir, f.s.img, f.s.root / "copy.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    const std::vector<uint8_t> copy = testReadFile(f.s.root / "copy.img");
    ASSERT_EQ(copy.size(), f.s.layout.bytes.size());
    std::vector<uint8_t> space = small;
    space.resize(4 * imgFixSector, 0);
    EXPECT_EQ(slice(copy, 105, 4), space);
    EXPECT_EQ(slice(copy, 0, 105), slice(f.s.layout.bytes, 0, 105));
}

TEST(ImgLayout, Type3EndEntryUnusedLeavesTheLastStartWithoutAFile)
{
    // Table 0, 1, 0xFFFF, 2, 0xFFFF (files 4): entry 3 has no end.
    ImgScene s;
    std::vector<uint8_t> b = rawHeader(2, {{3, 4, 1, 2}, {4, 0, 2, 0}});
    const std::vector<uint16_t> table = {0, 1, 0xFFFF, 2, 0xFFFF};
    for (size_t k = 0; k < table.size(); ++k)
        imgFixPut16(b, imgFixSector + 2 * k, table[k]);
    const auto a = imgFixPattern(2048, 64);
    const auto c = imgFixPattern(2048, 65);
    const auto orphan = imgFixPattern(2048, 66);
    for (const auto* data : {&a, &c, &orphan})
        b.insert(b.end(), data->begin(), data->end());
    s.layout.bytes = b;
    s.write();

    RunResult r = testRun("imgtool", {"-e", "-n", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(testListDir(s.dir), (std::vector<std::string>{"00_0000", "00_0002"}));
    EXPECT_EQ(testReadFile(s.dir + "/00_0002"), c);

    // Recreation keeps the unused entries and drops the sectors of no file.
    const auto grown = imgFixPattern(2049, 67);
    testWriteFile(s.dir + "/00_0000", grown);
    r = testRun("imgtool", {"-r", "-n", s.dir, s.img, s.root / "new.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    const std::vector<uint8_t> out = testReadFile(s.root / "new.img");
    ASSERT_EQ(out.size(), size_t{2 + 2 + 1} * imgFixSector);
    const std::vector<uint16_t> expected = {0, 2, 0xFFFF, 3, 0xFFFF};
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(imgFixGet16(out, imgFixSector + 2 * k), expected[k]) << k;
    EXPECT_EQ(slice(out, 2, 2), imgFixPadded(grown));
    EXPECT_EQ(slice(out, 4, 1), c);
}

TEST(ImgLayout, NamesOfDirectoryThreePositionSeven)
{
    ImgScene s;
    s.arc.dirs.resize(4, ImgFixDir{});
    s.arc.dirs[3].files.assign(9, ImgFixFile{imgFixPattern(30, 68), 0x40, 0, 0});
    s.arc.dirs[3].files[7] = {imgFixDbData(40), 0x12, 0, 0};
    s.rebuild();
    RunResult r = testRun("imgtool", {"-e", "-d", s.dir, s.img, "3"});
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(testExists(s.dir + "/03/03_0007_0012.db"));
    EXPECT_TRUE(testExists(s.dir + "/03/03_0008_0040"));

    ImgScene t;
    t.arc = s.arc;
    t.rebuild();
    r = testRun("imgtool", {"-e", "-s", "-n", t.dir, t.img, "3"});
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(testReadFile(t.dir + "/3007"), imgFixPadded(imgFixDbData(40)));
    EXPECT_TRUE(testExists(t.dir + "/3008"));
}

TEST(ImgLayout, DirectoryListOfTenDirectories)
{
    ImgScene s;
    s.arc.dirs.assign(9, ImgFixDir{});
    for (size_t i = 0; i < 9; ++i)
        s.arc.dirs[i].files = {{imgFixPattern(5, uint32_t(i)), 1, 0, 0}, {{}, 2, 0, 0}};
    s.rebuild();
    const RunResult r = testRun("imgtool", {"-e", s.dir, s.img, "2", "0x03", "x", "99"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "WARN: unexpected number(directory) in [dir list]:x\n"
                     "WARN: unexpected number(directory) in [dir list]:99\n");
    EXPECT_EQ(testListDir(s.dir), (std::vector<std::string>{"02", "03"}));
}

TEST(ImgLayout, LastSectorCutShortIsPaddedByRecreation)
{
    ImgScene s;
    s.layout.bytes.resize(s.layout.bytes.size() - 100);
    s.write();
    const std::vector<uint8_t> cut = s.layout.bytes;
    const std::vector<uint8_t> whole = imgFixBuild(s.arc).bytes;
    RunResult r = testRun("imgtool", {"-r", s.dir, s.img, s.root / "new.img"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(s.root / "new.img"), whole);

    // Also in place, and with a changed file before the cut one.
    ScratchDir cwd;
    const auto grown = imgFixPattern(2500, 69);
    testWriteFile(s.dir + "/2000", grown);
    r = testRun("imgtool", {"-r", "-s", "-n", s.dir, s.img}, cwd.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    s.arc.dirs[2].files[0].data = grown;
    EXPECT_EQ(testReadFile(s.img), imgFixBuild(s.arc).bytes);

    // Import into the cut space completes its last sector, nothing more.
    s.layout.bytes = cut;
    s.write();
    const auto small = imgFixPattern(7, 70);
    std::filesystem::remove(s.dir + "/2000");
    testWriteFile(s.dir + "/2001", small);
    r = testRun("imgtool", {"-i", "-s", "-n", s.dir, s.img});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    std::vector<uint8_t> expected = whole;
    expected.resize(size_t{s.layout.fileSector[2][1]} * imgFixSector);
    expected.insert(expected.end(), small.begin(), small.end());
    expected.resize(whole.size(), 0);
    EXPECT_EQ(testReadFile(s.img), expected);
}

TEST(ImgLayout, OutputThatCannotBeCreatedIsLeftAlone)
{
    ImgScene s;
    const std::string busy = s.root / "busy";
    testMkdirs(busy);
    const RunResult r = testRun("imgtool", {"-r", s.dir, s.img, busy});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR:error initializing header: file: " + busy + "\n");
    EXPECT_TRUE(std::filesystem::is_directory(busy));
    EXPECT_EQ(testReadFile(s.img), s.layout.bytes);
}

}  // namespace
