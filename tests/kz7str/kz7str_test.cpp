// kz7str end to end: the command line and its messages, the layout of a
// game frame against a hand-made expectation, FramesSkip, -d and -n, runs
// that stop part-way, and the sector EDCs checked by Debian's crcmod.
#include "kz7str.h"
#include "samplecd.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t frameBytes = 10 * sampleCdSectorSize;  // 23520

void append(Bytes& to, const Bytes& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

uint16_t get16(const Bytes& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// `frames` game frames (320 x 240, version 2) after `lead` data sectors, and
// one data sector after them.
Bytes gameImage(unsigned frames, uint32_t lead = 1)
{
    Bytes img;
    uint32_t lba = 0;
    for (; lba < lead; ++lba)
        append(img, sampleCdSector(lba, 0, 0, sampleSubData, 0, sampleCdFiller(sampleCdUserSize, lba)));
    for (unsigned n = 0; n < frames; ++n, lba += 10) {
        SampleStrHeader h;
        h.frame = n + 1;
        h.rlnght = 0x1111;
        h.qscale = 1;
        append(img, sampleGameFrame(lba, h, sampleCdFiller(sampleGameFrameData, 50 + n)));
    }
    append(img, sampleCdSector(lba, 0, 0, sampleSubData, 0, sampleCdFiller(sampleCdUserSize, 99)));
    return img;
}

SampleStrHeader strHeader(uint32_t frame, uint16_t width = 320, uint16_t height = 240)
{
    SampleStrHeader h;
    h.frame = frame;
    h.width = width;
    h.height = height;
    h.rlnght = static_cast<uint16_t>(0x2200 + frame);
    h.qscale = static_cast<uint16_t>(7 + frame);
    return h;
}

// Per sector of a raw image, as Debian's crcmod sees its EDC: "ok", "zero"
// or "bad".
std::vector<std::string> edcStates(const std::string& path)
{
    const char* script =
        "import crcmod, struct, sys\n"
        "edc = crcmod.mkCrcFun(0x18001801B, initCrc=0, rev=True, xorOut=0)\n"
        "b = open(sys.argv[1], 'rb').read()\n"
        "for n in range(len(b) // 2352):\n"
        "    s = b[n * 2352:(n + 1) * 2352]\n"
        "    v = struct.unpack('<I', s[2348:])[0]\n"
        "    print('zero' if v == 0 else 'ok' if v == edc(s[16:2348]) else 'bad')\n";
    const RunResult r = testRunExe("/usr/bin/python3", {"-c", script, path});
    EXPECT_EQ(r.exitCode, 0) << "python3-crcmod is needed: " << r.err;
    return testLines(r.out);
}

struct Kz7str : ::testing::Test {
    ScratchDir dir;
    RunResult run(const std::vector<std::string>& args) { return testRun("kz7str", args, dir.path); }
    void write(const std::string& name, const Bytes& b) { testWriteFile(dir / name, b); }
    Bytes read(const std::string& name) { return testReadFile(dir / name); }
};

const std::string usage =
    "Usage:kz7str [-d] [-n] BinFile StrFile FramePos [FramesSkip]\n"
    "Program import to KZ7 BinFile StrFile created by avi2str (standard str (2048/block))\n"
    "StrFile is whole imported to FramePos, which is supposed start of frame in KZ7 strfile\n"
    "FramesSkip is default 0, FramesSkip is number of frames skipped from FramePos\n"
    "(StrFile first frame, will be imported to frame (FramesSkip)th position from FramePos)\n"
    "StrFile size is supposed be multiple 2048, and without audio\n"
    "BinFile size is supposed be multiple 2352\n"
    "this only copy values from StrFile to kz7str in BinFile\n"
    "copy frame data, quantization scale, and weirdo supposed be size or run lengths\n"
    "must match values : number of chunks in kz7str(10)\n"
    "must be equals values:  frame width/height, version of video frame(kz7str has 2)\n"
    "kz7 frame data size is 18336, strfile data should not be bigger (data without 0xFF align)\n"
    "\t-d if present, it save data from frames from strfile to strfNNNN files\n"
    "\t-n if present, if do not update kz7str header with data from strfile header\n"
    "\n"
    "(we used Custom - Maximum frame size - 9 sectors(max. in bytes dosnt worked...))\n";

}  // namespace

TEST_F(Kz7str, CommandLineUsageOptionsAndNumbers)
{
    RunResult r = run({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, usage);
    r = run({"-x", "-H", "a", "b", "0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "unknown option -x\n" + usage);
    r = run({"-?"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, usage);
    r = run({"-d", "a.bin", "b.str"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, usage);

    for (const auto& [pos, shown] : std::vector<std::pair<std::string, std::string>>{
             {"-5", "-5"}, {"12abc", "12"}, {"", "0"}, {"0x80000000", "2147483647"}}) {
        r = run({"a.bin", "b.str", pos});
        EXPECT_EQ(r.exitCode, 2) << pos;
        EXPECT_EQ(r.err, "ERROR: FramePos : frameposition must be higher than 0, and number: " + shown + "!\n");
    }
    r = run({"a.bin", "b.str", "0x10", "-1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, "ERROR: FramesSkip : FramesSkip must be higher than 0, and number: -1!\n");
    // Base 0 numbers: octal 010 is accepted; the missing files are reported and
    // the run still ends with 0.
    r = run({"-q", "a.bin", "b.str", "010", "0", "ignored"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err,
              "unknown option -q\n"
              "ERROR: file size is lower than 2048, or file doesnt exist: b.str\n"
              "ERROR: opening b.str\n");
}

TEST_F(Kz7str, OneFrameLaidOutByteByByteWithRenewedEdcs)
{
    const Bytes img = gameImage(1);
    Bytes data(9 * sampleStrDataSize);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7 + i / 251);
    write("cd.bin", img);
    write("m.str", sampleStrFrame(strHeader(4), 9, data));
    const RunResult r = run({"cd.bin", "m.str", "2352"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");

    // The expectation by hand: movie byte i of the frame lies in sector
    // 9 - i / 2292 at 24 + 32 + i % 2292; 9 sectors of data leave 192 bytes
    // of 0xFF. rlnght (20) and qscale (24) of every video header change.
    Bytes want = img;
    const size_t frame = sampleCdSectorSize;
    for (size_t i = 0; i < sampleGameFrameData; ++i) {
        const size_t sector = 9 - i / sampleGameChunkData;
        want[frame + sector * sampleCdSectorSize + 56 + i % sampleGameChunkData] =
            i < data.size() ? data[i] : 0xFF;
    }
    for (size_t s = 2; s <= 9; ++s) {
        const size_t h = frame + s * sampleCdSectorSize + 24;
        want[h + 20] = 0x04, want[h + 21] = 0x22;
        want[h + 24] = 11, want[h + 25] = 0;
    }
    const Bytes got = read("cd.bin");
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(got[frame + 9 * sampleCdSectorSize + 56], data[0]);
    EXPECT_EQ(got[frame + 2 * sampleCdSectorSize + 56 + 2291 - 192], data.back());
    // Only the EDCs of the eight video sectors may differ from the expectation.
    for (size_t s = 0; s < got.size() / sampleCdSectorSize; ++s) {
        const size_t at = s * sampleCdSectorSize;
        const bool video = s >= 3 && s <= 10;
        EXPECT_TRUE(std::equal(got.begin() + at, got.begin() + at + 2348, want.begin() + at)) << s;
        EXPECT_EQ(std::equal(got.begin() + at + 2348, got.begin() + at + 2352, want.begin() + at + 2348), !video)
            << s;
    }
    EXPECT_EQ(edcStates(dir / "cd.bin"), std::vector<std::string>(12, "ok"));
}

TEST_F(Kz7str, ZeroAndWrongEdcsAreKeptAndTheHeadersStayWithN)
{
    Bytes img = gameImage(1);
    const size_t zero = (1 + 4) * sampleCdSectorSize + 2348, wrong = (1 + 6) * sampleCdSectorSize + 2348;
    std::fill_n(img.begin() + static_cast<long>(zero), 4, 0);
    img[wrong] ^= 0x5A;
    write("cd.bin", img);
    write("m.str", sampleStrFrame(strHeader(1), 10, sampleCdFiller(20160, 3)));
    const RunResult r = run({"-n", "cd.bin", "m.str", "2352"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "WARN: data in strfile frame 1 are bigger than kz7(data not fit): 1824 bigger\n");
    const Bytes got = read("cd.bin");
    std::vector<std::string> want(12, "ok");
    want[5] = "zero";
    want[7] = "bad";
    EXPECT_EQ(edcStates(dir / "cd.bin"), want);
    EXPECT_TRUE(std::equal(got.begin() + static_cast<long>(wrong), got.begin() + static_cast<long>(wrong) + 4,
                           img.begin() + static_cast<long>(wrong)));
    // -n: every header byte stays, only movie data and EDCs differ.
    for (size_t s = 0; s < 12; ++s)
        for (size_t b = 0; b < 24 + 32; ++b)
            ASSERT_EQ(got[s * sampleCdSectorSize + b], img[s * sampleCdSectorSize + b]) << s << " " << b;
}

TEST_F(Kz7str, FramesSkipDumpsAndFillingThatFits)
{
    // FramePos 0x100 and FramesSkip 2: the movie starts at 0x100 + 2 * 23520.
    Bytes img(0x100, 0xEE);
    Bytes frames = gameImage(4, 0);
    append(img, frames);
    img.resize((img.size() + sampleCdSectorSize - 1) / sampleCdSectorSize * sampleCdSectorSize, 0xEE);
    write("cd.bin", img);
    Bytes data = sampleCdFiller(sampleGameFrameData, 9);
    data.resize(10 * sampleStrDataSize, 0xFF);  // 1824 bytes of filling: no warning
    Bytes str = sampleStrFrame(strHeader(12), 10, data);
    append(str, sampleStrFrame(strHeader(13), 1, {}));
    write("m.str", str);
    testMkdirs(dir / "strf0013");  // a dump that cannot be written is reported, the import goes on
    const RunResult r = run({"-D", "cd.bin", "m.str", "0x100", "2"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: output \"strf0013\" is a directory\n");
    const Bytes got = read("cd.bin");
    const size_t start = 0x100 + 2 * frameBytes;
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<long>(start), img.begin()));
    EXPECT_EQ(got[start + 9 * sampleCdSectorSize + 56], data[0]);
    EXPECT_EQ(got[start + frameBytes + 9 * sampleCdSectorSize + 56 + 2016], 0xFF);
    EXPECT_EQ(get16(got, start + frameBytes + 2 * sampleCdSectorSize + 24 + 24), 20);
    EXPECT_EQ(read("strf0012"), data);
    EXPECT_EQ(get16(got, start + frameBytes + 9 * sampleCdSectorSize + 24 + 20), 0x2200 + 13);
}

TEST_F(Kz7str, StopsAtTheFirstFrameThatDoesNotFitAndKeepsTheRest)
{
    const Bytes img = gameImage(3);
    write("cd.bin", img);
    Bytes str = sampleStrFrame(strHeader(1), 9, sampleCdFiller(9 * sampleStrDataSize, 1));
    append(str, sampleStrFrame(strHeader(2, 320, 224), 9, sampleCdFiller(9 * sampleStrDataSize, 2)));
    append(str, sampleStrFrame(strHeader(3), 9, sampleCdFiller(9 * sampleStrDataSize, 3)));
    write("m.str", str);
    RunResult r = run({"-d", "cd.bin", "m.str", "2352"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err,
              "ERROR: frame widht/height must match : kz7str 320/240, strfile 320/224\n"
              "WARNING: couldnt import frame from strfile, frame 2\n");
    Bytes got = read("cd.bin");
    const auto from = got.begin() + static_cast<long>(sampleCdSectorSize + frameBytes);
    EXPECT_TRUE(std::equal(from, got.end(), img.begin() + (from - got.begin())));
    EXPECT_NE(got, img);
    EXPECT_TRUE(testExists(dir / "strf0002"));
    EXPECT_FALSE(testExists(dir / "strf0003"));

    // More frames than the image holds: the frames that fit are written.
    write("cd.bin", img);
    str = sampleStrFrame(strHeader(1), 9, sampleCdFiller(9 * sampleStrDataSize, 1));
    append(str, sampleStrFrame(strHeader(3), 9, sampleCdFiller(9 * sampleStrDataSize, 3)));
    write("m.str", str);
    r = run({"cd.bin", "m.str", std::to_string(sampleCdSectorSize), "2"});
    EXPECT_EQ(r.err,
              "ERROR: couldnt read 23520 bytes from kz7bin file from position 72912\n"
              "WARNING: strfile have more frames than kz7str file\n"
              "WARNING: couldnt import frame from strfile, frame 3\n");
    got = read("cd.bin");
    const long last = static_cast<long>(sampleCdSectorSize + 2 * frameBytes);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + last, img.begin()));
    EXPECT_TRUE(std::equal(got.end() - 2352, got.end(), img.end() - 2352));
    EXPECT_NE(got, img);
}

TEST_F(Kz7str, MessagesOfBadFramesAndHeaders)
{
    struct Case {
        std::string what;
        std::function<void(Bytes& img, Bytes& str)> spoil;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"sync", [](Bytes& img, Bytes&) { img[sampleCdSectorSize + 5] = 0; },
         "ERROR: first readen sector from kz7bin doesnt match mode 2 sector sync data\n"},
        {"version", [](Bytes&, Bytes& str) { str[26] = 3; },
         "ERROR: chunks versions do not match: kz7str 2, strfile 3\n"},
        {"count", [](Bytes& img, Bytes&) { img[sampleCdSectorSize + 5 * sampleCdSectorSize + 24 + 6] = 9; },
         "ERROR: kz7 chunks count is expected 10, got 9\n"},
        {"chunk", [](Bytes&, Bytes& str) { str[4] = 1; }, "ERROR: expecting first chunk in strfile, got 1: frame 1\n"},
        {"many", [](Bytes&, Bytes& str) { str[6] = 51; },
         "ERROR: didnt expected so many chunks in frame in strfile: 51: frame 1\n"},
        {"short", [](Bytes&, Bytes& str) { str[6] = 12; },
         "ERROR: couldnt read 22528 bytes from strfile, frame 1\n"},
    };
    for (const Case& c : cases) {
        Bytes img = gameImage(1), str = sampleStrFrame(strHeader(1), 10, {});
        c.spoil(img, str);
        write("cd.bin", img);
        write("m.str", str);
        const RunResult r = run({"cd.bin", "m.str", "2352"});
        EXPECT_EQ(r.exitCode, 0);
        const bool frameFails = c.what == "sync" || c.what == "version" || c.what == "count";
        EXPECT_EQ(r.err, c.err + (frameFails ? "WARNING: couldnt import frame from strfile, frame 1\n" : ""))
            << c.what;
        EXPECT_EQ(read("cd.bin"), img) << c.what;
    }
    // The one byte past the game frame that is not filling.
    Bytes str = sampleStrFrame(strHeader(1), 10, {});
    str[9 * sampleStrSectorSize + 32 + (sampleGameFrameData - 9 * sampleStrDataSize)] = 0;
    write("m.str", str);
    EXPECT_EQ(run({"cd.bin", "m.str", "2352"}).err,
              "WARN: data in strfile frame 1 are bigger than kz7(data not fit): 1 bigger\n");
}

TEST_F(Kz7str, FilesThatAreRefusedBeforeAnythingIsWritten)
{
    const Bytes img = gameImage(1);
    write("cd.bin", img);
    write("odd.str", Bytes(2049, 0));
    RunResult r = run({"cd.bin", "odd.str", "0"});
    EXPECT_EQ(r.err, "ERROR: file size must be multiple 2048 : odd.str\nERROR: opening odd.str\n");
    write("m.str", sampleStrFrame(strHeader(1), 9, {}));
    write("short.bin", Bytes(2351, 0));
    r = run({"short.bin", "m.str", "0"});
    EXPECT_EQ(r.err, "ERROR: file size is lower than 2352, or file doesnt exist: short.bin\n"
                     "ERROR: opening short.bin\n");

    // 2 GiB and more: refused before the first read (a sparse file).
    testWriteFile(dir / "big.bin", {});
    ASSERT_EQ(truncate((dir / "big.bin").c_str(), int64_t{1} << 31), 0);
    r = run({"big.bin", "m.str", "0"});
    EXPECT_EQ(r.err, "ERROR: file \"big.bin\" is 2 GiB or larger\nERROR: opening big.bin\n");

    ASSERT_EQ(chmod((dir / "cd.bin").c_str(), 0444), 0);
    r = run({"cd.bin", "m.str", "2352"});
    EXPECT_EQ(r.err, "ERROR: output \"cd.bin\" is read-only, it was left unchanged\nERROR: opening cd.bin\n");
    EXPECT_EQ(read("cd.bin"), img);

    // One file as both: 301056 bytes are whole sectors of either size.
    write("both", Bytes(301056, 0));
    r = run({"both", "both", "0"});
    EXPECT_EQ(r.err, "ERROR: output both is the same file as input both, not written\n");
    EXPECT_EQ(read("both"), Bytes(301056, 0));
}

TEST(Kz7strSample, TheSampleMovieImportsIntoTheSampleImage)
{
    ScratchDir dir;
    ASSERT_EQ(testRun("samplegame", {"game"}, dir.path).exitCode, 0);
    const Bytes before = testReadFile(dir / "game/kz7.bin");
    EXPECT_EQ(edcStates(dir / "game/kz7.bin"), std::vector<std::string>(sampleCdSectors, "ok"));
    const RunResult r = testRun("kz7str", {"game/kz7.bin", "game/movie.str", "9408"}, dir.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    const Bytes after = testReadFile(dir / "game/kz7.bin");
    EXPECT_EQ(edcStates(dir / "game/kz7.bin"), std::vector<std::string>(sampleCdSectors, "ok"));
    const Bytes str = testReadFile(dir / "game/movie.str");
    // The first bytes of each STR frame open sector 9 of its game frame.
    size_t strAt = 0;
    for (unsigned n = 0; n < sampleCdFrames; ++n) {
        const size_t game = sampleCdMoviePos + n * frameBytes;
        EXPECT_TRUE(std::equal(str.begin() + static_cast<long>(strAt + 32), str.begin() + static_cast<long>(strAt + 2048),
                               after.begin() + static_cast<long>(game + 9 * sampleCdSectorSize + 56)));
        EXPECT_EQ(get16(after, game + 3 * sampleCdSectorSize + 24 + 20), get16(str, strAt + 20));
        strAt += get16(str, strAt + 6) * sampleStrSectorSize;
    }
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + sampleCdMoviePos + 2 * 2352, before.begin()));
}

TEST(Kz7strRoad, PassesAndNoticesAnImportThatChangedNothing)
{
    const std::string road = std::string(KZ7_SOURCE_DIR) + "/demo/road_3_movie.sh";
    ScratchDir dir;
    RunResult r = testRunExe("bash", {road, KZ7_BIN_DIR, dir / "work"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(testLines(r.out).back().starts_with("DEMO PASSED: ")) << r.out;

    testMkdirs(dir / "bin");
    ASSERT_EQ(symlink(testToolPath("samplegame").c_str(), (dir / "bin/samplegame").c_str()), 0);
    testWriteText(dir / "bin/kz7str", "#!/bin/sh\nexit 0\n");
    ASSERT_EQ(chmod((dir / "bin/kz7str").c_str(), 0755), 0);
    r = testRunExe("bash", {road, dir / "bin", dir / "work"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.out).back(), "DEMO FAILED: game frame 0 does not hold STR frame 0 in the game's layout");
}

TEST(Kz7strEdc, EveryLengthAgreesWithTheBitwiseSum)
{
    // The folding paths take 64 (or, with 512-bit registers, 256) bytes at
    // a time after a head of n % 64 (n % 256) bytes; lengths around those
    // steps and a whole sector's span.
    const Bytes data = sampleCdFiller(2400, 77);
    for (size_t n : {0, 1, 15, 16, 63, 64, 65, 127, 128, 129, 200, 255, 256, 257, 511, 512, 575, 2331, 2332, 2400})
        EXPECT_EQ(cdEdc({data.data(), n}), sampleCdEdc({data.data(), n})) << n;
}
