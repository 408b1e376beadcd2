// picreel -b end to end: every movie is checked with FFmpeg's own tools
// (ffprobe and ffmpeg), not with the program's code.
#include <gtest/gtest.h>

#include <map>

#include "fixtures.h"
#include "support/testsupport.h"

namespace {

// One line of `ffprobe -show_entries` output per stream: key=value pairs.
std::vector<std::map<std::string, std::string>> probeStreams(const std::string& movie)
{
    const RunResult r = testRunExe("ffprobe", {"-v", "error", "-count_packets", "-show_entries",
                                               "stream=codec_type,codec_name,codec_tag_string,"
                                               "r_frame_rate,nb_read_packets,width,height",
                                               "-of", "compact=p=0:nk=0", movie});
    std::vector<std::map<std::string, std::string>> out;
    for (const std::string& line : testLines(r.out)) {
        std::map<std::string, std::string> m;
        size_t at = 0;
        while (at <= line.size()) {
            const size_t bar = std::min(line.find('|', at), line.size());
            const std::string kv = line.substr(at, bar - at);
            const size_t eq = kv.find('=');
            if (eq != std::string::npos)
                m[kv.substr(0, eq)] = kv.substr(eq + 1);
            at = bar + 1;
        }
        out.push_back(m);
    }
    return out;
}

// The key flag of every video packet, "K" or "_".
std::string keyFlags(const std::string& movie)
{
    const RunResult r = testRunExe("ffprobe", {"-v", "error", "-select_streams", "v",
                                               "-show_entries", "packet=flags", "-of", "csv=p=0",
                                               movie});
    std::string flags;
    for (const std::string& line : testLines(r.out))
        flags += line.empty() ? '?' : line[0];
    return flags;
}

// Every frame decoded by ffmpeg as top-down BGR24 rows without padding.
std::string decodeFrames(const std::string& movie)
{
    return testRunExe("ffmpeg", {"-v", "error", "-i", movie, "-map", "0:v", "-f", "rawvideo",
                                 "-pix_fmt", "bgr24", "-"})
        .out;
}

// What a picture decodes to: its pixels top row first, 3 bytes each.
std::string expectedFrame(const BmpFixture& s)
{
    const Bytes rows = bmpRows(s);
    const uint32_t stride = bmpStride(s.bits, s.width);
    std::string out;
    for (int32_t y = s.height - 1; y >= 0; --y)
        for (int32_t x = 0; x < s.width; ++x) {
            const uint8_t* row = rows.data() + static_cast<size_t>(y) * stride;
            if (s.bits >= 24) {
                const uint8_t* p = row + static_cast<size_t>(x) * (s.bits / 8);
                out.append(reinterpret_cast<const char*>(p), 3);
            } else {
                const size_t bit = static_cast<size_t>(x) * s.bits;
                const unsigned i = row[bit / 8] >> (8 - s.bits - bit % 8) & ((1u << s.bits) - 1);
                const uint32_t e = bmpPaletteEntry(i);
                out += static_cast<char>(e);
                out += static_cast<char>(e >> 8);
                out += static_cast<char>(e >> 16);
            }
        }
    return out;
}

// Writes frames prefix0000.bmp... of `shape`, seed = frame number; returns
// the shapes written.
std::vector<BmpFixture> writeSeries(const ScratchDir& dir, const std::string& prefix, int count,
                                 BmpFixture shape)
{
    std::vector<BmpFixture> shapes;
    for (int i = 0; i < count; ++i) {
        shape.seed = static_cast<uint32_t>(i + 1);
        char name[64];
        std::snprintf(name, sizeof name, "%s%04d.bmp", prefix.c_str(), i);
        testWriteFile(dir / name, bmpBuild(shape));
        shapes.push_back(shape);
    }
    return shapes;
}

std::string expectedMovie(const std::vector<BmpFixture>& shapes)
{
    std::string out;
    for (const BmpFixture& s : shapes)
        out += expectedFrame(s);
    return out;
}

TEST(PicreelBatch, LosslessChoicesDecodeFrameExact)
{
    ScratchDir dir;
    BmpFixture shape;
    shape.width = 33;  // rows with padding
    shape.height = 20;
    const auto shapes = writeSeries(dir, "shot", 6, shape);
    struct Case {
        std::string codec, name, tag, handler, keys;
    };
    for (const Case& c : {Case{"DIB", "rawvideo", "[0][0][0][0]", "DIB ", "KKKKKK"},
                          Case{"ffv1", "ffv1", "FFV1", "FFV1", "K__K__"},
                          Case{"huffyuv", "huffyuv", "HFYU", "HFYU", "KKKKKK"}}) {
        const RunResult r = testRun("picreel", {"-b", "-c", c.codec, "-k", "3", "-r", "25", "shot",
                                                "movie." + c.codec},
                                    dir.path);
        ASSERT_EQ(r.exitCode, 0) << c.codec << r.err;
        EXPECT_EQ(r.out + r.err, "") << c.codec;
        const auto streams = probeStreams(dir / "movie.avi");
        ASSERT_EQ(streams.size(), 1u) << c.codec;
        EXPECT_EQ(streams[0].at("codec_name"), c.name);
        EXPECT_EQ(streams[0].at("codec_tag_string"), c.tag);
        EXPECT_EQ(streams[0].at("r_frame_rate"), "25/1");
        EXPECT_EQ(streams[0].at("nb_read_packets"), "6");
        EXPECT_EQ(keyFlags(dir / "movie.avi"), c.keys) << c.codec;
        // The stream header's type and handler code.
        const std::string file = testReadText(dir / "movie.avi");
        const size_t strh = file.find("strh");
        ASSERT_NE(strh, std::string::npos);
        EXPECT_EQ(file.substr(strh + 8, 8), "vids" + c.handler);
        EXPECT_TRUE(decodeFrames(dir / "movie.avi") == expectedMovie(shapes)) << c.codec;
    }
}

TEST(PicreelBatch, PalettePicturesKeepTheirWholePalette)
{
    for (uint16_t bits : {8, 4, 1}) {
        ScratchDir dir;
        BmpFixture shape;
        shape.bits = bits;
        shape.width = 19;
        shape.height = 7;
        const auto shapes = writeSeries(dir, "p", 3, shape);
        for (const char* codec : {"DIB", "ffv1"}) {
            const RunResult r = testRun("picreel", {"-b", "-c", codec, "p", "m"}, dir.path);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_TRUE(decodeFrames(dir / "m.avi") == expectedMovie(shapes)) << bits << codec;
        }
    }
}

TEST(PicreelBatch, OddFramesAreSkippedAndTakeNoNumber)
{
    ScratchDir dir;
    BmpFixture shape;
    shape.width = 8;
    shape.height = 4;
    auto shapes = writeSeries(dir, "f", 10, shape);
    BmpFixture wide = shape;
    wide.width = 10;
    testWriteFile(dir / "f0003.bmp", bmpBuild(wide));
    testWriteText(dir / "f0005.bmp", "not a picture");
    shapes.erase(shapes.begin() + 5);
    shapes.erase(shapes.begin() + 3);
    const RunResult r = testRun("picreel", {"-b", "f", "odd.avi"}, dir.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err,
              "Error : Bitmap does not match frame size and color depth. SKipping frame.\n"
              "Error : File does not appear to be a bitmap.\n");
    EXPECT_EQ(probeStreams(dir / "odd.avi").at(0).at("nb_read_packets"), "8");
    EXPECT_TRUE(decodeFrames(dir / "odd.avi") == expectedMovie(shapes));
}

TEST(PicreelBatch, SoundtrackIsCopiedSampleExact)
{
    ScratchDir dir;
    writeSeries(dir, "s", 3, {});
    const Bytes wav = wavBuild(22050, 2, 2500);
    testWriteFile(dir / "sound.wav", wav);
    RunResult r = testRun("picreel", {"-b", "-w", "sound.wav", "s", "withsound.avi"}, dir.path);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // 2500 samples: pieces of 1024, 1024 and 452.
    EXPECT_EQ(r.out, "Adding wav file - sound.wav\n...\n");
    const auto streams = probeStreams(dir / "withsound.avi");
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].at("codec_type"), "audio");
    const std::string samples =
        testRunExe("ffmpeg", {"-v", "error", "-i", dir / "withsound.avi", "-map", "0:a", "-f",
                              "s16le", "-"})
            .out;
    EXPECT_TRUE(samples == std::string(wav.begin() + 44, wav.end()));

    // A soundtrack that is no WAV file: the movie is made without it.
    testWriteText(dir / "bad.wav", "RIFF but not really");
    r = testRun("picreel", {"-b", "-w", "bad.wav", "s", "nosound"}, dir.path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "Error : Unable to open wav file.\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(probeStreams(dir / "nosound.avi").size(), 1u);
}

TEST(PicreelBatch, AnEarlyEndKeepsTheOldMovie)
{
    ScratchDir dir;
    testWriteText(dir / "movie.avi", "the old movie");
    RunResult r = testRun("picreel", {"-b", "nothing", "movie.avi"}, dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error : Unable to find .bmp files.\n");
    r = testRun("picreel", {"-b", "-t", "nothing", "movie.avi"}, dir.path);
    EXPECT_EQ(r.err, "Error : Unable to find .tga files.\n");
    testWriteText(dir / "bad0.bmp", "BMx");
    r = testRun("picreel", {"-b", "bad", "movie.avi"}, dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error : File does not appear to be a bitmap.\n");
    EXPECT_EQ(testReadText(dir / "movie.avi"), "the old movie");
    EXPECT_EQ(testListDir(dir.path), (std::vector<std::string>{"bad0.bmp", "movie.avi"}));

    // A movie that can't be made where it is asked for.
    writeSeries(dir, "good", 2, {});
    r = testRun("picreel", {"-b", "good", "missing/movie.avi"}, dir.path);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(testLines(r.err).back(), "Error : Unable to create avi file.");
    EXPECT_FALSE(testExists(dir / "missing"));
}

TEST(PicreelBatch, OutputNamesTgaSeriesAndCommandLine)
{
    ScratchDir dir;
    TgaFixture t;
    t.width = 3;
    t.height = 2;
    for (uint8_t i = 0; i < 6 * 3; ++i)
        t.data.push_back(i);
    testWriteFile(dir / "t1.tga", tgaBuild(t));
    testWriteFile(dir / "t2.tga", tgaBuild(t));
    testMkdirs(dir / "old.dir");
    // The output is cut at its last ".", wherever it stands.
    RunResult r = testRun("picreel", {"-b", "-t", "t", "old.dir/movie"}, dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(testExists(dir / "old.avi"));
    EXPECT_EQ(probeStreams(dir / "old.avi").at(0).at("nb_read_packets"), "2");
    r = testRun("picreel", {"-b", "-t", "-c", "mpeg4", "-q", "9000", "-k", "0", "t", "m.tmp"},
                dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(keyFlags(dir / "m.avi"), "K_");

    r = testRun("picreel", {"-b", "-c", "list"});
    EXPECT_EQ(r.exitCode, 0);
    const auto lines = testLines(r.out);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "DIB        DIB   Full Frames (Uncompressed)");
    EXPECT_EQ(lines[1], "ffv1       FFV1  FFV1 lossless");
    r = testRun("picreel", {"-b", "-c", "nosuch", "a", "b"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.starts_with("unknown compressor nosuch (picreel -b -c list shows them)\n"
                                  "Usage:picreel -b [-t]"))
        << r.err;
    r = testRun("picreel", {"-b", "-r", "x1", "a", "b"});
    EXPECT_TRUE(r.err.starts_with("option -r: not a number: x1\n")) << r.err;
    r = testRun("picreel", {"-b", "onlyone"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.starts_with("PREFIX and OUTPUT must both be given\n")) << r.err;
}

}  // namespace
