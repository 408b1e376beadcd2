// End-to-end checks of dbtool against hand-built DB archives: names, bytes,
// messages and exit codes as a user of the command line sees them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(v >> (8 * k));
}

struct ChunkSpec {
    uint8_t type;
    std::vector<uint16_t> ids;
    std::vector<Bytes> files;  // stored back to back, each padded to 4
    Bytes spacing = {};        // between the pointer array and the first file
};

struct Built {
    Bytes bytes;
    uint32_t dataEnd = 0;
    std::vector<uint32_t> pointerBase;
    std::vector<std::vector<uint32_t>> pointers;
    std::vector<uint32_t> fileAt;  // flat, in chunk/file order
};

uint32_t get32le(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

Bytes pattern(size_t n, uint8_t seed)
{
    Bytes b(n);
    for (size_t k = 0; k < n; ++k) b[k] = uint8_t(seed + k * 3);
    return b;
}

// Lays a DB out the way recreation writes it: chunks back to back after the
// pointer table, files back to back, everything ending on a multiple of 4.
Built buildDb(const std::vector<ChunkSpec>& chunks, uint32_t trailing = 0, const Bytes& extra = {})
{
    Built r;
    Bytes& b = r.bytes;
    size_t k = chunks.size();
    b.assign(4 + 4 * k, 0);
    b[0] = 0xDB;
    b[1] = uint8_t(k);
    for (size_t i = 0; i < k; ++i) {
        const ChunkSpec& c = chunks[i];
        size_t n = c.ids.size();
        size_t h = b.size();
        put32(b, 4 + 4 * i, uint32_t(c.type) << 24 | uint32_t(h - (4 + 4 * i)));
        size_t pad = (n % 2) ? 2 : 0;
        size_t p = h + 4 + 2 * n + pad;
        b.resize(p + 4 * (n + 1), 0);
        b[h] = c.type;
        b[h + 1] = uint8_t(n);
        for (size_t j = 0; j < n; ++j) {
            b[h + 4 + 2 * j] = uint8_t(c.ids[j]);
            b[h + 5 + 2 * j] = uint8_t(c.ids[j] >> 8);
        }
        b.insert(b.end(), c.spacing.begin(), c.spacing.end());
        std::vector<uint32_t> ptr(n + 1);
        for (size_t j = 0; j < n; ++j) {
            size_t at = b.size();
            r.fileAt.push_back(uint32_t(at));
            ptr[j] = uint32_t(at - (p + 4 * j));
            b.insert(b.end(), c.files[j].begin(), c.files[j].end());
            while (b.size() % 4) b.push_back(0);
        }
        ptr[n] = uint32_t(b.size() - p);
        for (size_t j = 0; j <= n; ++j) put32(b, p + 4 * j, ptr[j]);
        r.pointerBase.push_back(uint32_t(p));
        r.pointers.push_back(ptr);
    }
    r.dataEnd = uint32_t(b.size());
    if (trailing != 0) {
        b.resize(b.size() + 4);
        put32(b, b.size() - 4, trailing);
    }
    b.insert(b.end(), extra.begin(), extra.end());
    return r;
}

std::vector<ChunkSpec> sampleChunks(size_t firstSize = 16)
{
    return {
        {6, {0x10, 0x11, 0x12}, {pattern(firstSize, 1), pattern(8, 2), pattern(4, 3)}},
        {0x0A, {0xA0, 0xA1}, {pattern(8, 4), pattern(12, 5)}},
        {0x0A, {0xB0}, {pattern(4, 6)}},
    };
}

const std::vector<std::string> kUsage = {
    "Usage:dbtool -[e|r|i|l] [-d] DIR DBfile [outname] [addname]",
    "Program extract/import files to KZ7 DB archive(.db)",
    "-e\textract files from file list(or all) from DBfile to DIR",
    "-r\trecreate DBfile with files in DIR, save DB to outname(default to DBfile)",
    "-i\timport files to DBfile, import file which fits original space(arent bigger)",
    "-a\tallign file to be same size as DBfile, if bigger do nothing, copy that align data from DBfile(if data exists)",
    "-l\tprint content of DBfile",
    "-s\tuse short name for extracted/imported files",
    "-d\tdecode types of files, add extension(if extracted with this, need for recreate/import...)",
    "-n\tnot extract to subdirs(import from)",
    "  \taddname is prefix for output/input files. If you set it for export, you need it for import.",
    "-x\texpand name, set addname to 'DBfile_' (DBfile without extension).",
    "program dont make list of file, but take actual files, in/out should differ",
    "program return files added/extracted, or 1 if recreated succesfuly",
    "",
};

struct DbCase {
    ScratchDir dir;
    std::string out = dir / "out";
    std::string db;
    explicit DbCase(const Bytes& bytes, const std::string& name = "a.db")
    {
        db = dir / name;
        testMkdirs(out);
        testWriteFile(db, bytes);
    }
};

Bytes fileBytes(const Built& d, size_t flat, size_t len)
{
    return Bytes(d.bytes.begin() + d.fileAt[flat], d.bytes.begin() + d.fileAt[flat] + len);
}

}  // namespace

TEST(DbtoolBlackbox, UsageAndHeaderErrors)
{
    Built d = buildDb(sampleChunks());
    DbCase c(d.bytes);
    RunResult r = testRun("dbtool", {"-l", c.out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err), kUsage);

    r = testRun("dbtool", {"-l", c.out, c.dir / "none.db"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "FSfile must be file and exist: " + c.dir / "none.db" + "\n");

    Bytes bad = d.bytes;
    bad[0] = 0xDC;
    testWriteFile(c.db, bad);
    r = testRun("dbtool", {"-e", c.out, c.db});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: file '" + c.db + "' is not KZ7 DB file(first byte is not 0xDB) is: 0xDC\n");
    EXPECT_TRUE(testListDir(c.out).empty());

    // Too short for its header, or no chunks at all: refused, nothing extracted.
    for (const Bytes& b : {Bytes{0xDB, 1}, Bytes{0xDB, 0, 0, 0, 0, 0, 0, 0}}) {
        testWriteFile(c.db, b);
        r = testRun("dbtool", {"-e", c.out, c.db});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.err.empty());
        EXPECT_TRUE(testListDir(c.out).empty());
    }

    // Reserved header bytes only warn.
    Bytes warn = d.bytes;
    warn[2] = 1;
    warn[3] = 2;
    testWriteFile(c.db, warn);
    r = testRun("dbtool", {"-l", c.out, c.db});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "WARN: unexpected header data supposed values are 0, 0: 0x1, 0x2\n");
}

TEST(DbtoolBlackbox, ListingExact)
{
    // No room for a trailing word: the data end is the file end.
    Built d = buildDb(sampleChunks());
    DbCase c(d.bytes);
    RunResult r = testRun("dbtool", {"-l", c.out, c.db});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    std::string expect = "chunks 3, (?data size " + std::to_string(d.bytes.size()) + ")\n";
    std::vector<ChunkSpec> chunks = sampleChunks();
    char buf[64];
    for (size_t i = 0; i < chunks.size(); ++i) {
        std::snprintf(buf, sizeof buf, "chunk %zu, type %X, files %zu, pointer base %X\n", i,
                      unsigned(chunks[i].type), chunks[i].ids.size(), unsigned(d.pointerBase[i]));
        expect += buf;
        expect += "ids:";
        for (uint16_t id : chunks[i].ids) {
            std::snprintf(buf, sizeof buf, "%4X ", unsigned(id));
            expect += buf;
        }
        expect += "\nptr:";
        for (uint32_t p : d.pointers[i]) {
            std::snprintf(buf, sizeof buf, "%4X ", unsigned(p));
            expect += buf;
        }
        expect += "\n";
    }
    EXPECT_EQ(r.out, expect);
    EXPECT_NE(r.out.find("chunk 0, type 6, files 3, pointer base 1C\n"), std::string::npos);
    EXPECT_TRUE(testListDir(c.out).empty());
}

TEST(DbtoolBlackbox, ExtractNamesAndBytes)
{
    Built d = buildDb(sampleChunks(), 0x12345678);
    {
        DbCase c(d.bytes);
        RunResult r = testRun("dbtool", {"-e", c.out, c.db});
        EXPECT_EQ(r.exitCode, 6);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(testListDir(c.out), (std::vector<std::string>{"06", "0A"}));
        EXPECT_EQ(testListDir(c.out + "/06"),
                  (std::vector<std::string>{"00_00_0010.06", "00_01_0011.06", "00_02_0012.06"}));
        EXPECT_EQ(testListDir(c.out + "/0A"),
                  (std::vector<std::string>{"01_00_00A0.0a", "01_01_00A1.0a", "02_00_00B0.0a"}));
        EXPECT_EQ(testReadFile(c.out + "/06/00_00_0010.06"), fileBytes(d, 0, 16));
        EXPECT_EQ(testReadFile(c.out + "/06/00_02_0012.06"), fileBytes(d, 2, 4));
        EXPECT_EQ(testReadFile(c.out + "/0A/01_01_00A1.0a"), fileBytes(d, 4, 12));
        EXPECT_EQ(testReadFile(c.out + "/0A/02_00_00B0.0a"), fileBytes(d, 5, 4));
    }
    {
        DbCase c(d.bytes);
        RunResult r = testRun("dbtool", {"-e", "-d", "-s", "-n", c.out, c.db, "pre"});
        EXPECT_EQ(r.exitCode, 6);
        EXPECT_EQ(testListDir(c.out),
                  (std::vector<std::string>{"pre0000.dlg", "pre0001.dlg", "pre0002.dlg",
                                            "pre0100.0a", "pre0101.0a", "pre0200.0a"}));
    }
    {
        std::vector<ChunkSpec> tim = {{4, {0x1234, 0x5}, {pattern(4, 9), pattern(4, 8)}}};
        Built t = buildDb(tim);
        DbCase c(t.bytes, "SCENE.DB");
        RunResult r = testRun("dbtool", {"-e", "-x", c.out, c.db});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(testListDir(c.out + "/04"),
                  (std::vector<std::string>{"SCENE_00_00_1234.04", "SCENE_00_01_0005.04"}));
        r = testRun("dbtool", {"-e", "-x", "-d", "-n", c.out, c.db});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(testExists(c.out + "/SCENE_00_00_1234.tim"));

        DbCase plain(t.bytes, "scene");
        r = testRun("dbtool", {"-e", "-x", "-s", "-n", plain.out, plain.db});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(testListDir(plain.out),
                  (std::vector<std::string>{"scene_0000.04", "scene_0001.04"}));
    }
}

TEST(DbtoolBlackbox, ChunkGeometry)
{
    // Hand-placed chunk: n = 3, P = 0x100, pointers 0x10, 0x20, and an end
    // pointer that lies below the last file pointer once reduced.
    Bytes b(0x160, 0);
    b[0] = 0xDB; b[1] = 1;
    put32(b, 4, 0x06000000u | (0x100 - 12 - 4));
    size_t h = 0x100 - 12;
    b[h] = 6; b[h + 1] = 3;
    put32(b, 0x100, 0x10);
    put32(b, 0x104, 0x20);
    put32(b, 0x108, 0x40);
    put32(b, 0x10C, 0x38);  // reduced: 0x38 - 12 = 0x2C < 0x40
    for (size_t k = 0x110; k < 0x160; ++k) b[k] = uint8_t(k);
    DbCase c(b);
    RunResult r = testRun("dbtool", {"-e", "-n", "-s", c.out, c.db});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(testReadFile(c.out + "/0000.06"), Bytes(b.begin() + 0x110, b.begin() + 0x124));
    EXPECT_EQ(testReadFile(c.out + "/0001.06"), Bytes(b.begin() + 0x124, b.begin() + 0x148));
    EXPECT_EQ(testReadFile(c.out + "/0002.06"), Bytes(b.begin() + 0x148, b.begin() + 0x14C));
}

TEST(DbtoolBlackbox, ImportInPlaceAndCopy)
{
    Built d = buildDb(sampleChunks(), 0x12345678, pattern(8, 0x70));
    {
        DbCase c(d.bytes);
        testMkdirs(c.out + "/06");
        Bytes ten = pattern(10, 0x90);
        testWriteFile(c.out + "/06/00_00_0010.06", ten);
        testWriteFile(c.out + "/06/00_01_0011.06", Bytes{});  // empty: counts as missing
        testMkdirs(c.out + "/0A");
        testWriteFile(c.out + "/0A/02_00_00B0.0a", pattern(5, 1));  // too big for 4
        RunResult r = testRun("dbtool", {"-i", c.out, c.db});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "WARN: file " + c.out +
                             "/0A/02_00_00B0.0a was not imported, becouse is bigger than original: "
                             "ofile 4 ifile 5\n");
        Bytes expect = d.bytes;
        std::copy(ten.begin(), ten.end(), expect.begin() + d.fileAt[0]);
        std::fill(expect.begin() + d.fileAt[0] + 10, expect.begin() + d.fileAt[0] + 16, 0);
        EXPECT_EQ(testReadFile(c.db), expect);
    }
    {
        DbCase c(d.bytes);
        testMkdirs(c.out + "/0A");
        testWriteFile(c.out + "/0A/pfx01_00_00A0.0a", Bytes{7, 7});
        std::string copy = c.dir / "copy.db";
        RunResult r = testRun("dbtool", {"-i", c.out, c.db, copy, "pfx"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(testReadFile(c.db), d.bytes);
        Bytes expect = d.bytes;
        std::fill(expect.begin() + d.fileAt[3], expect.begin() + d.fileAt[3] + 8, 0);
        expect[d.fileAt[3]] = 7; expect[d.fileAt[3] + 1] = 7;
        EXPECT_EQ(testReadFile(copy), expect);

        // The output named as the input itself: written in place.
        r = testRun("dbtool", {"-i", c.out, c.db, c.db, "pfx"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(testReadFile(c.db), expect);
    }
}

TEST(DbtoolBlackbox, RecreateAndAlign)
{
    Bytes extra = pattern(40, 0x40);
    Built d = buildDb(sampleChunks(), 0x12345678, extra);
    {
        // Nothing in DIR: the input again, minus what follows the trailing word.
        DbCase c(d.bytes);
        std::string out = c.dir / "new.db";
        RunResult r = testRun("dbtool", {"-r", c.out, c.db, out}, c.dir.path);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(testReadFile(out), Bytes(d.bytes.begin(), d.bytes.end() - 40));

        r = testRun("dbtool", {"-r", "-a", c.out, c.db, out}, c.dir.path);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(testReadFile(out), d.bytes);
    }
    {
        // A 16-byte file replaced by 10 bytes: everything after it moves by 4.
        DbCase c(d.bytes);
        testMkdirs(c.out + "/06");
        std::vector<ChunkSpec> changed = sampleChunks(10);
        testWriteFile(c.out + "/06/00_00_0010.06", changed[0].files[0]);
        Built e = buildDb(changed, 0x12345678);
        RunResult r = testRun("dbtool", {"-r", c.out, c.db}, c.dir.path);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(testReadFile(c.db), e.bytes);
        EXPECT_EQ(testListDir(c.dir.path), (std::vector<std::string>{"a.db", "out"}));

        // With -a the shortfall of 44 bytes is filled from the input's 40
        // bytes after its trailing word, then zero bytes.
        testWriteFile(c.db, d.bytes);
        std::string out = c.dir / "al.db";
        r = testRun("dbtool", {"-r", "-a", c.out, c.db, out}, c.dir.path);
        EXPECT_EQ(r.exitCode, 1);
        Bytes expect = e.bytes;
        expect.insert(expect.end(), extra.begin(), extra.end());
        expect.resize(d.bytes.size(), 0);
        EXPECT_EQ(testReadFile(out), expect);
    }
}

TEST(DbtoolBlackbox, ChunkWarningsAndSpacing)
{
    std::vector<ChunkSpec> chunks = {
        {0x1B, {0x1, 0x2}, {pattern(8, 1), pattern(4, 2)}, pattern(8, 0xC0)},
        {6, {}, {}},
        {4, {0x3}, {pattern(4, 3)}},
    };
    Built d = buildDb(chunks, 0x55AA);
    Bytes b = d.bytes;
    b[4 + 3] = 0x07;  // table type of chunk 0 differs from its header
    size_t h2 = 4 + 8 + (get32le(b, 12) & 0xFFFFFF);
    b[h2 + 2] = 9;    // reserved byte of chunk 2
    DbCase c(b);
    RunResult r = testRun("dbtool", {"-e", "-d", "-n", "-s", c.out, c.db});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err,
              "WARN: unexpected chunk type, differ from type in header(chunk 0): header 1B, chunk 7\n"
              "WARN: unexpected chunk header data supposed values are 0, 0(chunk 2): 0x9, 0x0\n");
    EXPECT_EQ(testListDir(c.out), (std::vector<std::string>{"0000.db", "0001.db", "0200.tim"}));
    EXPECT_EQ(testReadFile(c.out + "/0000.db"), fileBytes(d, 0, 8));

    // Recreation copies the spacing data; with nothing in DIR the rebuilt
    // archive is the input (the warnings' bytes included).
    std::string out = c.dir / "re.db";
    r = testRun("dbtool", {"-r", "-d", "-n", "-s", c.out, c.dir / "none", out}, c.dir.path);
    EXPECT_EQ(r.exitCode, 0);
    testWriteFile(c.db, d.bytes);
    std::string empty = c.dir / "empty";
    testMkdirs(empty);
    r = testRun("dbtool", {"-r", empty, c.db, out}, c.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testReadFile(out), d.bytes);

    // A grown file after spacing data keeps the spacing in place.
    testMkdirs(empty + "/1B");
    testWriteFile(empty + "/1B/00_00_0001.1b", pattern(12, 1));
    r = testRun("dbtool", {"-r", empty, c.db, out}, c.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    chunks[0].files[0] = pattern(12, 1);
    EXPECT_EQ(testReadFile(out), buildDb(chunks, 0x55AA).bytes);
}

TEST(DbtoolBlackbox, OutOfFilePositionsAreRefused)
{
    Built d = buildDb(sampleChunks());
    {
        Bytes b = d.bytes;
        put32(b, 8, 0x0A000000u | 0x100000);  // chunk 1 far beyond the end
        DbCase c(b);
        RunResult r = testRun("dbtool", {"-e", c.out, c.db});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.err.empty());
    }
    {
        Bytes b = d.bytes;
        put32(b, d.pointerBase[1], 0x7FFFFFF0);  // file pointer beyond the end
        DbCase c(b);
        RunResult r = testRun("dbtool", {"-e", c.out, c.db});
        EXPECT_FALSE(r.err.empty());
        EXPECT_LT(r.exitCode, 6);
        EXPECT_GE(r.exitCode, 0);
    }
}

TEST(DbtoolBlackbox, ExitCodeSaturatesAndOwnNameIsSafe)
{
    std::vector<ChunkSpec> chunks(2);
    for (size_t i = 0; i < 2; ++i) {
        chunks[i].type = 0x20;
        for (uint16_t j = 0; j < 200; ++j) {
            chunks[i].ids.push_back(j);
            chunks[i].files.push_back(pattern(4, uint8_t(j)));
        }
    }
    Built d = buildDb(chunks);
    DbCase c(d.bytes);
    RunResult r = testRun("dbtool", {"-e", "-s", c.out, c.db});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(testListDir(c.out + "/20").size(), 400u);

    // -i followed by -r still imports in place.
    testWriteFile(c.out + "/20/0000.20", Bytes{1});
    r = testRun("dbtool", {"-i", "-r", "-s", c.out, c.db}, c.dir.path);
    EXPECT_EQ(r.exitCode, 1);
    Bytes expect = d.bytes;
    expect[d.fileAt[0]] = 1;
    std::fill(expect.begin() + d.fileAt[0] + 1, expect.begin() + d.fileAt[0] + 4, 0);
    EXPECT_EQ(testReadFile(c.db), expect);

    // Recreating into the input's own name never corrupts it.
    std::string empty = c.dir / "empty";
    testMkdirs(empty);
    r = testRun("dbtool", {"-r", empty, c.db, c.db}, c.dir.path);
    EXPECT_EQ(testReadFile(c.db), expect);
    if (r.exitCode == 0) {
        EXPECT_FALSE(r.err.empty());
    }
}

TEST(DbtoolBlackbox, CommandLineMessages)
{
    Built d = buildDb(sampleChunks());
    DbCase c(d.bytes);
    std::vector<std::string> expect = {"no option given"};
    expect.insert(expect.end(), kUsage.begin(), kUsage.end());
    RunResult r = testRun("dbtool", {c.out, c.db, "x"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err), expect);

    expect[0] = "no FSfile or dir given";
    r = testRun("dbtool", {"-e", "-d", c.out});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testLines(r.err), expect);

    r = testRun("dbtool", {"-e", c.db, c.db});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "DIR must be existing directory: " + c.db + "\n");

    // Unknown option: reported with the usage text, parsing goes on.
    expect[0] = "unknown option -zz";
    r = testRun("dbtool", {"-zz", "-List", c.out, c.db});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.err), expect);

    // Settings alone choose no mode.
    r = testRun("dbtool", {"-d", "-n", c.out, c.db});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(testListDir(c.out).empty());
}

TEST(DbtoolBlackbox, RecreateWithGapBeforeFirstChunk)
{
    // Eight spare bytes between the pointer table and chunk 0.
    Built d = buildDb(sampleChunks(), 0x99);
    Bytes b(d.bytes.begin(), d.bytes.begin() + 16);
    b.insert(b.end(), 8, 0);
    b.insert(b.end(), d.bytes.begin() + 16, d.bytes.end());
    for (size_t i = 0; i < 3; ++i) put32(b, 4 + 4 * i, get32le(b, 4 + 4 * i) + 8);
    DbCase c(b);
    RunResult r = testRun("dbtool", {"-e", "-s", "-n", c.out, c.db});
    ASSERT_EQ(r.exitCode, 6);
    std::string empty = c.dir / "empty";
    testMkdirs(empty);
    std::string out = c.dir / "re.db";
    r = testRun("dbtool", {"-r", empty, c.db, out}, c.dir.path);
    if (r.exitCode == 1 && testExists(out)) {
        // Rebuilt: every file must still be found where its table says.
        ScratchDir again;
        r = testRun("dbtool", {"-e", "-s", "-n", again.path, out});
        EXPECT_EQ(r.exitCode, 6);
        for (const std::string& name : testListDir(c.out))
            EXPECT_EQ(testReadFile(again.path + "/" + name), testReadFile(c.out + "/" + name)) << name;
    } else {
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(testReadFile(c.db), b);
}
