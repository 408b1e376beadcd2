// The sample game generator: determinism, its command line, and that every
// format it writes is laid out as the tools expect, read back with the
// readers of readers.h and tables.h.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "samplegame.h"
#include "sampledb.h"
#include "sampledlg.h"
#include "sampleimg.h"
#include "sampletext.h"
#include "sampletim.h"
#include "samplegame/readers.h"
#include "samplegame/tables.h"
#include "support/testsupport.h"

namespace {

const SampleGame& game()
{
    static const SampleGame g = [] {
        std::string error;
        auto built = sampleGameBuild(error);
        EXPECT_TRUE(built) << error;
        return built ? *built : SampleGame{};
    }();
    return g;
}

const Bytes& gameFile(const std::string& name)
{
    for (const auto& f : game().files)
        if (f.name == name)
            return f.data;
    static const Bytes none;
    ADD_FAILURE() << "no file " << name;
    return none;
}

std::string asText(const Bytes& b)
{
    return {b.begin(), b.end()};
}

std::map<std::string, Bytes> innerFiles()
{
    std::map<std::string, Bytes> m;
    for (const auto& f : game().inner)
        m[f.name] = f.data;
    return m;
}

std::vector<std::pair<std::string, Bytes>> innerWithSuffix(const std::string& suffix)
{
    std::vector<std::pair<std::string, Bytes>> out;
    for (const auto& f : game().inner)
        if (f.name.ends_with(suffix))
            out.emplace_back(f.name, f.data);
    return out;
}

// Width of each glyph byte, as the lengths table gives it.
std::map<uint8_t, int> lengthsWidths()
{
    std::map<uint8_t, int> w;
    auto lines = tableLines(asText(gameFile("kz7.tbl")));
    EXPECT_TRUE(lines);
    if (lines)
        for (const auto& [key, value] : *lines)
            if (key.size() == 1)
                w[key[0]] = std::stoi(value);
    return w;
}

bool hasLineData(const Bytes& script)
{
    for (size_t i = 0; i + 1 < script.size(); ++i)
        if (script[i] == 0xF9 && script[i + 1] == 0x0D)
            return true;
    return false;
}

}  // namespace

TEST(SampleGameBuild, SameBytesOnEveryBuildAndRun)
{
    std::string error;
    auto a = sampleGameBuild(error);
    auto b = sampleGameBuild(error);
    ASSERT_TRUE(a && b) << error;
    ASSERT_EQ(a->files.size(), 6u + 31u);  // and 30 movie pictures and a soundtrack
    for (size_t i = 0; i < a->files.size(); ++i)
        EXPECT_EQ(a->files[i].data, b->files[i].data) << a->files[i].name;

    ScratchDir one, two;
    const RunResult r1 = testRun("samplegame", {one / "game"});
    const RunResult r2 = testRun("samplegame", {two / "game"});
    ASSERT_EQ(r1.exitCode, 0) << r1.err;
    ASSERT_EQ(r2.exitCode, 0) << r2.err;
    EXPECT_EQ(r1.err, "");
    for (const auto& f : a->files) {
        EXPECT_EQ(testReadFile(one / "game/" + f.name), f.data) << f.name;
        EXPECT_EQ(testReadFile(two / "game/" + f.name), f.data) << f.name;
    }
    // No temporary file is left behind.
    EXPECT_EQ(testListDir(one / "game"),
              (std::vector<std::string>{"kz7.bin", "kz7.img", "kz7.tbl", "kz7.tbs", "kz7msg.dat",
                                        "movie.str", "reel"}));
    EXPECT_EQ(testListDir(one / "game/reel").size(), 31u);
    const auto lines = testLines(r1.out);
    ASSERT_EQ(lines.size(), 37u);
    EXPECT_EQ(lines[36], "wrote " + (one / "game/reel/soundtrack.wav") +
                             " (88244 bytes): movie soundtrack");
    EXPECT_EQ(lines[0], "wrote " + (one / "game/kz7.img") + " (" +
                            std::to_string(gameFile("kz7.img").size()) +
                            " bytes): IMG archive, 4 directories, 10 files");
    EXPECT_EQ(lines[3], "wrote " + (one / "game/kz7.bin") +
                            " (84672 bytes): raw CD image, 36 sectors, movie of 3 frames at 9408");
    EXPECT_EQ(lines[4], "wrote " + (one / "game/movie.str") + " (55296 bytes): STR movie, 3 frames");
}

TEST(SampleGameProgram, ReplacesAnOlderGameAndRefusesBadArguments)
{
    ScratchDir dir;
    testWriteText(dir / "kz7.img", "an older, shorter archive");
    RunResult r = testRun("samplegame", {dir.path + "/"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testReadFile(dir / "kz7.img"), gameFile("kz7.img"));

    r = testRun("samplegame", {});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.starts_with("no DIR given\nUsage:samplegame [-h] DIR\n")) << r.err;

    r = testRun("samplegame", {"-h"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.starts_with("Usage:samplegame [-h] DIR\n")) << r.err;

    r = testRun("samplegame", {"-q", dir.path});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.starts_with("unknown option -q\nUsage:")) << r.err;

    r = testRun("samplegame", {dir / "a", dir / "b"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.starts_with("unexpected argument " + (dir / "b") + "\n")) << r.err;
    EXPECT_FALSE(testExists(dir / "a"));

    r = testRun("samplegame", {dir / "kz7.tbs"});  // a file, not a directory
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: " + (dir / "kz7.tbs") + " exists and is not a directory\n");

    r = testRun("samplegame", {dir / "missing/game"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: cannot create directory " + (dir / "missing/game") + "\n");

    // Files go through the shared output routine: a link stays a link, a
    // read-only file is refused with one line and left as it was.
    namespace fs = std::filesystem;
    testMkdirs(dir / "g");
    testWriteText(dir / "real.img", "old");
    fs::create_symlink("../real.img", dir / "g/kz7.img");
    testWriteText(dir / "g/kz7.tbl", "old");
    fs::permissions(dir / "g/kz7.tbl", fs::perms(0444));
    r = testRun("samplegame", {dir / "g"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: output \"" + (dir / "g/kz7.tbl") + "\" is read-only, it was left "
                     "unchanged\n");
    EXPECT_TRUE(fs::is_symlink(dir / "g/kz7.img"));
    EXPECT_EQ(testReadFile(dir / "real.img"), gameFile("kz7.img"));
    EXPECT_EQ(testReadText(dir / "g/kz7.tbl"), "old");
}

TEST(SampleImg, FilesLieBackToBackAfterTheHeaderArea)
{
    const Bytes& img = gameFile("kz7.img");
    auto r = imgRead(img);
    ASSERT_TRUE(r);
    EXPECT_EQ(*leGet32(img, 4), 6u);  // the value the tools expect
    EXPECT_EQ(r->dirCount, 5u);
    EXPECT_EQ(r->types, (std::vector<uint32_t>{2, 3, 3, 2}));
    // Recreation appends the first file right after the header area.
    EXPECT_EQ(*leGet32(img, 16 + 12), r->headerSectors);
    uint32_t next = r->headerSectors;
    for (const auto& f : r->files) {
        EXPECT_EQ(f.first, next) << f.name;
        EXPECT_GT(f.end, f.first) << f.name;
        next = f.end;
    }
    EXPECT_EQ(size_t{next} * 2048, img.size());

    // Every file under the name extraction gives it, with its own bytes.
    const auto inner = innerFiles();
    size_t found = 0;
    for (const auto& f : r->files) {
        auto it = inner.find(f.name);
        ASSERT_NE(it, inner.end()) << f.name;
        Bytes padded = it->second;
        padded.resize(f.data.size(), 0);
        EXPECT_EQ(f.data, padded) << f.name;
        ++found;
    }
    EXPECT_EQ(found, 10u);
    // The unused table entry of directory 1 names the file before it by its own position.
    EXPECT_TRUE(inner.count("01/01_0002.db"));
    EXPECT_EQ(*leGet16(img, 2 * 2048 + 4), 0xFFFF);
}

TEST(SampleDb, ArchivesAreLaidOutAsARebuildWritesThem)
{
    const auto inner = innerFiles();
    const auto dbs = innerWithSuffix(".db");
    ASSERT_EQ(dbs.size(), 3u);
    std::set<uint8_t> types;
    size_t withSpacing = 0;
    for (const auto& [name, db] : dbs) {
        auto r = dbRead(db);
        ASSERT_TRUE(r) << name;
        // First chunk right after the pointer table, chunks back to back.
        EXPECT_EQ(r->chunkStart[0], 4 + 4 * size_t{r->chunkCount}) << name;
        for (unsigned i = 0; i < r->chunkCount; ++i) {
            EXPECT_EQ(r->chunkEnd[i] % 4, 0u) << name;
            if (i + 1 < r->chunkCount) {
                EXPECT_EQ(r->chunkEnd[i], r->chunkStart[i + 1]) << name;
            }
            types.insert(r->types[i]);
            withSpacing += r->spacing[i] > 0;
        }
        // The trailing word follows the data and ends the file.
        ASSERT_TRUE(r->trailingWord) << name;
        EXPECT_EQ(db.size(), r->dataEnd + 4) << name;
        for (const auto& f : r->files) {
            EXPECT_EQ(f.offset % 4, 0u) << name << " " << f.name;
            auto it = inner.find(name + ":" + f.name);
            ASSERT_NE(it, inner.end()) << name << ":" << f.name;
            Bytes padded = it->second;
            padded.resize((padded.size() + 3) / 4 * 4, 0);
            EXPECT_EQ(f.data, padded) << f.name;
        }
    }
    EXPECT_EQ(types, (std::set<uint8_t>{0x02, 0x04, 0x05, 0x06, 0x0A}));
    EXPECT_GE(withSpacing, 2u);
}

TEST(SampleDlg, NormalAndBattleFilesWithAndWithoutLineData)
{
    const auto dlgs = innerWithSuffix(".dlg");
    ASSERT_EQ(dlgs.size(), 4u);
    size_t normal = 0, battle = 0, withOpcode = 0, withoutOpcode = 0;
    for (const auto& [name, d] : dlgs) {
        auto r = dlgRead(d);
        ASSERT_TRUE(r) << name;
        (r->battle ? battle : normal) += 1;
        // Extraction drops trailing zeros of the last record: there must be none.
        EXPECT_NE(d.back(), 0) << name;
        for (size_t i = 0; i < r->records.size(); ++i) {
            const Bytes& rec = r->records[i].data;
            const bool script = !r->battle && i % 2 == 0;
            if (script) {
                (hasLineData(rec) ? withOpcode : withoutOpcode) += 1;
                for (uint8_t b : rec)
                    EXPECT_FALSE(b >= 0x20 && b <= 0x7E) << name << " record " << i;
            } else {
                ASSERT_GE(rec.size(), 2u);
                EXPECT_EQ(rec[rec.size() - 2], 0xF9);
                EXPECT_EQ(rec.back(), 0x03) << name << " record " << i << " lacks its end code";
            }
        }
    }
    EXPECT_EQ(normal, 3u);
    EXPECT_EQ(battle, 1u);
    EXPECT_EQ(withOpcode, 2u);
    EXPECT_GE(withoutOpcode, 5u);
}

// Sizes computed here from the lengths table by lines and pages, apart from
// the generator's measure: the widest line, and the most lines of a page.
TEST(SampleDlg, WindowSizesFollowTheLengthsTable)
{
    const auto widths = lengthsWidths();
    ASSERT_EQ(widths.size(), sampleGlyphs().size());
    for (const auto& [name, d] : innerWithSuffix(".dlg")) {
        auto r = dlgRead(d);
        ASSERT_TRUE(r);
        for (size_t i = r->battle ? 0 : 1; i < r->records.size(); i += r->battle ? 1 : 2) {
            const Bytes& t = r->records[i].data;
            int x = 0, width = 0, lines = 1, mostLines = 1, nameWidth = 0, fixedOfNameLine = -1;
            for (size_t p = 0; p < t.size(); ++p) {
                if (t[p] == 0xF9) {
                    const uint8_t c = t[++p];
                    if (c == 0x05) {
                        ++p;
                    } else if (c == 0x06) {
                        p += 2;
                        nameWidth += 60;
                        fixedOfNameLine = -2;  // filled in when the line ends
                    } else {
                        width = std::max(width, x);
                        if (fixedOfNameLine == -2)
                            fixedOfNameLine = x;
                        if (c == 0x01)
                            mostLines = std::max(mostLines, ++lines);
                        if (c == 0x02)
                            lines = 1;
                        x = 0;
                    }
                    continue;
                }
                ASSERT_TRUE(widths.count(t[p])) << name << " byte " << int{t[p]};
                x += widths.at(t[p]);
            }
            const uint16_t word = r->battle ? r->records[i].flags : r->records[i - 1].flags;
            EXPECT_EQ(word & 0xFFF, width) << name << " record " << i;
            EXPECT_EQ(word >> 12, mostLines) << name << " record " << i;
            if (!r->battle) {
                EXPECT_EQ(r->records[i].flags & 0xFF, mostLines) << name << " record " << i;
                // Line data exactly when a line with names may outgrow the window.
                const bool outgrows = fixedOfNameLine >= 0 && fixedOfNameLine + nameWidth > width;
                const Bytes& script = r->records[i - 1].data;
                EXPECT_EQ(hasLineData(script), outgrows) << name << " record " << i;
                if (outgrows) {
                    size_t at = 0;
                    while (!(script[at] == 0xF9 && script[at + 1] == 0x0D))
                        ++at;
                    EXPECT_EQ(*leGet16(script, at + 2) & 0xFFF, fixedOfNameLine);
                }
            }
        }
    }
}

TEST(SampleMeasure, SizesAndLineDataOfKnownTexts)
{
    auto m = [](const std::string& text) {
        auto bytes = sampleEncode(text);
        EXPECT_TRUE(bytes) << text;
        return sampleMeasure(bytes ? *bytes : Bytes{});
    };
    // 'h' is 8 pixels wide: three lines of ten give 80 x 48.
    SampleMeasure s = m("hhhhhhhhhh[n]hhhhhhhhhh[n]hhhhhhhhhh[e]");
    EXPECT_EQ(s.maxWidth, 80);
    EXPECT_EQ(s.maxHeight, 48);
    EXPECT_EQ(s.maxLines, 3);
    EXPECT_EQ(s.sizeWord(), 80 + 256 * 48);
    EXPECT_TRUE(s.lineData.empty());

    s = sampleMeasure({});
    EXPECT_EQ(s.maxWidth, 0);
    EXPECT_EQ(s.maxHeight, 0);
    EXPECT_EQ(s.maxLines, 0);

    // A new page starts counting lines again; colours take no room.
    s = m("hh[n]hh[n]hh[p][COL02]hhhh[COL00][e]");
    EXPECT_EQ(s.maxWidth, 32);
    EXPECT_EQ(s.maxLines, 3);

    // A name (60 wide) on a line of fixed width 100 (8 'M' of 12 and an 'i'
    // of 4) while the widest line is 150 (12 'M' and an 'f' of 6): 160 > 150,
    // so the script needs one group with the line's width and the name.
    s = m("MMMMMMMMi[NAME02][n]MMMMMMMMMMMMf[e]");
    EXPECT_EQ(s.maxWidth, 150);
    EXPECT_EQ(s.itemMax, 160);
    EXPECT_EQ(s.lineData, (Bytes{100, 0x00, 0x06, 0x02, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(s.needsOpcode());
    // With a line of 160 the name fits.
    s = m("MMMMMMMMi[NAME02][n]hhhhhhhhhhhhhhhhhhhh[e]");
    EXPECT_EQ(s.maxWidth, 160);
    EXPECT_FALSE(s.needsOpcode());
    // Two names on one line add up in one group; a width above 255 takes
    // the header's high byte.
    s = m("[NAME00][NAME01]MMMMMMMMMMMMMMMMMMMMMMMM[e]");
    EXPECT_EQ(s.lineData, (Bytes{0x20, 0x01, 0x06, 0x00, 0x06, 0x01, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(s.itemMax, 288 + 120);
}

TEST(SampleTables, CharacterTableConvertsEveryRecordBothWays)
{
    const auto table = tableParse(asText(gameFile("kz7.tbs")));
    ASSERT_TRUE(table);
    std::set<Bytes> keys;
    std::set<std::string> values;
    for (const auto& e : *table) {
        EXPECT_TRUE(keys.insert(e.key).second) << "key repeated: " << e.value;
        EXPECT_TRUE(values.insert(e.value).second) << "value repeated: " << e.value;
    }
    for (const SampleGlyph& g : sampleGlyphs())
        EXPECT_TRUE(values.count(std::string(1, g.ch))) << g.ch;
    for (const char* code : {"[n]", "[p]", "[e]", "[COL", "[NAME"})
        EXPECT_TRUE(values.count(code)) << code;

    // Every record of every dialog file goes to text and back unchanged, and
    // every text record reads as plain text.
    size_t records = 0;
    for (const auto& [name, d] : innerWithSuffix(".dlg")) {
        auto r = dlgRead(d);
        ASSERT_TRUE(r);
        for (size_t i = 0; i < r->records.size(); ++i) {
            const std::string text = tableToText(*table, r->records[i].data);
            EXPECT_EQ(tableToBytes(*table, text), r->records[i].data) << name << " record " << i;
            if (r->battle || i % 2 == 1) {
                for (char c : text)
                    EXPECT_TRUE(c >= 0x20 && c < 0x7F) << name << " record " << i << ": " << text;
                EXPECT_EQ(sampleEncode(text), r->records[i].data);
            }
            ++records;
        }
    }
    EXPECT_EQ(records, 22u);
    const auto dialog = innerFiles().at(std::string("01/01_0000.db:") + sampleGameParts::sceneDialog);
    EXPECT_EQ(tableToText(*table, dlgRead(dialog)->records[3].data),
              "The elder is waiting for you.[n]His house is up the hill.[e]");
}

TEST(SampleTables, LengthsTableGivesEveryCharacterAndCode)
{
    auto lines = tableLines(asText(gameFile("kz7.tbl")));
    ASSERT_TRUE(lines);
    std::map<Bytes, std::string> byKey(lines->begin(), lines->end());
    for (const SampleGlyph& g : sampleGlyphs())
        EXPECT_EQ(byKey[{g.byte}], std::to_string(g.width)) << g.ch;
    EXPECT_EQ(byKey[(Bytes{0xF9, 0x01})], "\\n");
    EXPECT_EQ(byKey[(Bytes{0xF9, 0x02})], "\\p");
    EXPECT_EQ(byKey[(Bytes{0xF9, 0x03})], "\\e");
    EXPECT_EQ(byKey[(Bytes{0xF9, 0x05})], "0");
    EXPECT_EQ(byKey[(Bytes{0xF9, 0x06, 0x00})], "\\kz7vl,60");
    EXPECT_EQ(byKey.size(), sampleGlyphs().size() + 5);
}

TEST(SampleTim, ImagesEndWithTheirImageBlockInsideVram)
{
    const auto tims = innerWithSuffix(".tim");
    ASSERT_EQ(tims.size(), 8u);
    std::set<unsigned> modes;
    for (const auto& [name, t] : tims) {
        auto r = timRead(t);
        ASSERT_TRUE(r) << name;
        EXPECT_EQ(r->end, t.size()) << name;
        modes.insert(r->pixelMode * 2 + (r->clut ? 1 : 0));
    }
    // 4 bits with a palette, 16-bit images, 8-bit and 4-bit texels without.
    EXPECT_EQ(modes, (std::set<unsigned>{0, 1, 2, 4}));
}

TEST(SampleTileInfo, TilesDrawFromTheTimsOfTheirDb)
{
    size_t backgrounds = 0;
    for (const auto& [dbName, db] : innerWithSuffix(".db")) {
        auto r = dbRead(db);
        ASSERT_TRUE(r);
        std::vector<TimRead> tims;
        for (const auto& f : r->files)
            if (f.type == 4)
                tims.push_back(*timRead(f.data));
        for (const auto& f : r->files) {
            if (f.type != 0x0A)
                continue;
            ++backgrounds;
            const Bytes info = innerFiles().at(dbName + ":" + f.name);
            ASSERT_EQ(*leGet16(info, 0), info.size());
            const unsigned sets = *leGet16(info, 6);
            const uint32_t table = *leGet32(info, 16);
            ASSERT_EQ(sets, 3u);
            for (unsigned s = 0; s < sets; ++s) {
                const size_t rec = table + 56 * s;
                ASSERT_TRUE(leFits(info.size(), rec, 56));
                const unsigned sizeX = *leGet16(info, rec + 4), sizeY = *leGet16(info, rec + 6);
                const unsigned count = *leGet16(info, rec + 38);
                const uint32_t desp = *leGet32(info, rec + 40), srcp = *leGet32(info, rec + 44);
                ASSERT_TRUE(leFits(info.size(), desp, 4 * size_t{count}));
                ASSERT_TRUE(leFits(info.size(), srcp, 8 * size_t{count}));
                for (unsigned j = 0; j < count; ++j) {
                    const uint32_t dest = *leGet32(info, desp + 4 * j);
                    EXPECT_LE(((dest >> 22) & 0x3FF) + 16, sizeX);
                    EXPECT_LE(((dest >> 12) & 0x3FF) + 16, sizeY);
                    const uint32_t w0 = *leGet32(info, srcp + 8 * j), w1 = *leGet32(info, srcp + 8 * j + 4);
                    const unsigned clutY = w0 & 0x1FF, clutX = (w0 >> 9) & 0x3F;
                    const unsigned stY = (w0 >> 15) & 1, stX = (w0 >> 16) & 0xF, stp = (w0 >> 20) & 3;
                    const unsigned sv = w0 >> 24, su = w1 & 0xFF;
                    ASSERT_LE(stp, 1u);
                    const unsigned tx = stX * 64 + (stp ? su / 2 : su / 4), ty = stY * 256 + sv;
                    const unsigned tw = stp ? 8 : 4;
                    auto inside = [](const TimBlock& b, unsigned x, unsigned y, unsigned w, unsigned h) {
                        return x >= b.x && y >= b.y && x + w <= b.x + b.width && y + h <= b.y + b.height;
                    };
                    bool texels = false, palette = false;
                    for (const TimRead& t : tims) {
                        texels = texels || inside(t.image, tx, ty, tw, 16);
                        palette = palette || (t.image.y == 224 && inside(t.image, clutX * 16, clutY,
                                                                         stp ? 256 : 16, 1));
                    }
                    EXPECT_TRUE(texels) << f.name << " set " << s << " tile " << j;
                    EXPECT_TRUE(palette) << f.name << " set " << s << " tile " << j;
                }
            }
        }
    }
    EXPECT_EQ(backgrounds, 2u);
}

TEST(SampleWriters, RefuseLayoutsTheFormatsCannotHold)
{
    EXPECT_FALSE(sampleDbBuild({}, 0));
    EXPECT_FALSE(sampleDbBuild({{6, {1, 2}, {{1, {1, 2, 3}}}}}, 0));  // spacing not a multiple of 4
    EXPECT_FALSE(sampleDbBuild({{6, {}, std::vector<SampleDbFile>(256)}}, 0));
    auto db = sampleDbBuild({{6, {}, {{1, {1, 2, 3}}}}}, 0);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->size(), 4u + 4 + 4 + 4 + 8 + 4);  // no trailing word when it is 0
    EXPECT_EQ(dbRead(*db)->files.at(0).data, (Bytes{1, 2, 3, 0}));

    EXPECT_FALSE(sampleImgBuild({}, 0));
    EXPECT_FALSE(sampleImgBuild({{2, {{1, 0, false, {1}}}}}, 0));  // a single file
    EXPECT_FALSE(sampleImgBuild({{3, {{0, 0, true, {}}, {0, 0, false, {1}}}}}, 0));
    EXPECT_FALSE(sampleImgBuild({{4, {{0, 0, false, {1}}, {0, 0, false, {1}}}}}, 0));

    EXPECT_FALSE(sampleEncode("snow{"));
    EXPECT_FALSE(sampleEncode("[NAMEx1]"));
    EXPECT_FALSE(sampleDlgNormal({{{0x01, 'A'}, {}, "Hi.[e]", 0}}));
    EXPECT_FALSE(sampleDlgBattle({"Hi~[e]"}));
    EXPECT_FALSE(sampleDlgBattle({std::string(70000, 'a'), "b[e]"}));
    EXPECT_TRUE(sampleDlgBattle({"b[e]", std::string(70000, 'a')}));  // the last record may reach beyond
    EXPECT_TRUE(sampleTileInfoBuild({SampleTileSet{1, 0, 16, 16, 0, 0, 0,
                                                   std::vector<SampleTile>(6000)}})
                    .empty());
}
