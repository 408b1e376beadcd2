// The dialog file layout, the text export and raw extraction, in memory.
#include "dlgfile.h"
#include "extract.h"
#include "testtables.h"

#include <gtest/gtest.h>

using namespace dlgfix;

namespace {

struct Extracted {
    int result = 0;
    std::string text, script, err;
    bool split = false;
};

Extracted extract(const Bytes& file, bool split = false)
{
    Extracted e;
    const DlgSettings s = dlgTestSettings();
    DlgExtractOutput out;
    e.err = dlgStderrOf([&] { e.result = dlgExtractMem(s, file, "in.dlg", split, out); });
    e.text = str(out.text);
    e.script = str(out.script);
    e.split = out.split;
    return e;
}

Extracted extractRaw(const Bytes& file, bool split = false)
{
    Extracted e;
    DlgExtractOutput out;
    e.err = dlgStderrOf([&] { e.result = dlgExtractRawMem(file, "in.dlg", split, out); });
    e.text = str(out.text);
    e.script = str(out.script);
    e.split = out.split;
    return e;
}

std::string hexOf(const Bytes& b)
{
    std::string s;
    char h[8];
    for (uint8_t c : b) {
        std::snprintf(h, sizeof h, "<%02X>", unsigned{c});
        s += h;
    }
    return s;
}

}  // namespace

TEST(DlgFormat, ClassifiesByFirstPointer)
{
    EXPECT_EQ(dlgReadHeader(dlgFile({{}, {}, {}, {}})).kind, DlgKind::normal);
    EXPECT_EQ(dlgReadHeader(dlgBattle({{}, {}, {}})).kind, DlgKind::battle);
    EXPECT_EQ(dlgReadHeader(dlgFile({{}, {}, {}}, 1)).kind, DlgKind::unexpected);
    // 4 * 0x40000001 wraps to 4 in 32 bits; it must not pass for a battle file.
    Bytes f = dlgBattle({{}});
    put32(f, 0, 0x40000001);
    EXPECT_EQ(dlgReadHeader(f).kind, DlgKind::unexpected);
}

TEST(DlgFormat, SeparatorCarriesFlagsAndBattleForm)
{
    EXPECT_EQ(dlgSeparator(0x12, false), sep(0x12));
    EXPECT_NE(dlgSeparator(0x12, false).find("[0012]"), std::string::npos);
    EXPECT_NE(dlgSeparator(0xAB0, false).find("[0AB0]"), std::string::npos);
    EXPECT_EQ(dlgSeparator(0xFFFF, true).substr(0, 10), "\r\n**EnDb*[");
    EXPECT_EQ(dlgSeparator(0, true).size(), 61u);
}

TEST(DlgExtract, NormalFileAlternatesScriptAndText)
{
    const Bytes f = dlgFile({{{0x10, 0xFF}, 0x0102}, {game("hi|yo"), 0x12},
                             {{}, 0}, {game("bye"), 0xAB0}});
    const Extracted e = extract(f);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.err, "");
    EXPECT_EQ(e.text, "<10><FF>" + sep(0x102) + "hi[n]yo" + sep(0x12) + sep(0) + "bye" + sep(0xAB0));
    EXPECT_FALSE(e.split);
}

TEST(DlgExtract, SplitSendsScriptsToTheirOwnFile)
{
    const Bytes f = dlgFile({{{0x01}, 1}, {game("a"), 2}, {{0x02}, 3}, {game("b"), 4}});
    const Extracted e = extract(f, true);
    EXPECT_TRUE(e.split);
    EXPECT_EQ(e.script, "<01>" + sep(1) + "<02>" + sep(3));
    EXPECT_EQ(e.text, "a" + sep(2) + "b" + sep(4));
}

TEST(DlgExtract, LastRecordLosesTrailingZerosOnly)
{
    Bytes last = game("ok");
    last.insert(last.end(), {0, 0, 0});
    Extracted e = extract(dlgFile({{{0x00, 0x07}, 0}, {last, 5}}));
    EXPECT_EQ(e.text, "<00><07>" + sep(0) + "ok" + sep(5));  // zeros of a script stay

    e = extract(dlgFile({{{}, 0}, {{0, 0, 0, 0}, 9}}));
    EXPECT_EQ(e.text, sep(0) + sep(9));
}

TEST(DlgExtract, BattleFileUsesBattleSeparatorsAndNoScriptFile)
{
    const Extracted e = extract(dlgBattle({{game("ab"), 1}, {game("c"), 2}}), true);
    EXPECT_EQ(e.result, 1);
    EXPECT_FALSE(e.split);
    EXPECT_EQ(e.text, "ab" + sep(1, true) + "c" + sep(2, true));
    EXPECT_EQ(e.script, "");

    // 8 bytes, N = 1, first pointer 4: one empty battle record.
    const Extracted tiny = extract(dlgBattle({{{}, 0}}));
    EXPECT_EQ(tiny.result, 1);
    EXPECT_EQ(tiny.text, sep(0, true));
}

TEST(DlgExtract, RefusesFilesWithoutTexts)
{
    Extracted e = extract(Bytes{1, 0, 0, 0, 4, 0, 0});
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.err, "WARN: file in.dlg not converted: dont have texts or is not dlg file: header "
                     "size 8, filesize 7\n");
    Bytes f = dlgFile({{}, {game("a")}});
    put16(f, 4, 0x100);
    e = extract(f);
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.err, "WARN: file in.dlg not converted: dont have texts or is not dlg file: header "
                     "size 104, filesize D\n");
}

TEST(DlgExtract, UnexpectedHeaderWarnsWithoutLineEndAndGoesOnAsNormal)
{
    // Three records and N = 1: first pointer 12 is neither 8 nor 4.
    const Extracted e = extract(dlgFile({{{0x01}, 0}, {game("a"), 0}, {game("b"), 0}}, 1));
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.err, "WARN: unexpected header size: first pointer point to position 10, header "
                     "size is C, number of dialogs is 1");
    // The last record (word 2) runs to the end of the file.
    EXPECT_EQ(e.text, "<01>" + sep(0) + "ab" + sep(0));
}

TEST(DlgExtract, PointerBehindFileStopsButFileCounts)
{
    Bytes f = dlgFile({{{0x01}, 0}, {game("a"), 0}, {{0x02}, 0}, {game("b"), 0}});
    put16(f, 4 + 8, 0x500);  // record 2 (word 4)
    Extracted e = extract(f);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.err, "Error: in.dlg:pointer to dialog No.4 point behind filesize\n");
    // Record 1 ends where the file ends; nothing after the bad record.
    EXPECT_EQ(e.text, "<01>" + sep(0) + "abb" + sep(0));

    f = dlgFile({{{0x01}, 0}, {game("a"), 0}});
    put16(f, 8, 0x500);
    e = extract(f);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.err, "ERROR: in.dlg:pointer to dialog No.2 point behind filesize\n");
}

TEST(DlgExtract, NegativeLengthRecordIsReportedAndLeftEmpty)
{
    Bytes f = dlgFile({{{0x01, 0x02}, 0}, {game("abc"), 7}, {{0x03}, 0}, {game("d"), 0}});
    const uint16_t p1 = get16(f, 8);
    put16(f, 12, p1 - 1);  // record 2 starts before record 1
    const Extracted e = extract(f);
    EXPECT_EQ(e.result, 1);
    EXPECT_NE(e.err.find("ERROR: in.dlg:dialog No.2 ends before it starts"), std::string::npos);
    // The skipped record keeps its separator so the records stay paired;
    // record 2 starts on the last byte of record 0.
    EXPECT_EQ(e.text, "<01><02>" + sep(0) + sep(7) + "<02><01><02><03><03>" + sep(0) + "d" + sep(0));
}

TEST(DlgExtractRaw, WithoutSplitIsTheFileMinusItsHeader)
{
    const Bytes f = dlgFile({{{0x01, 0x02}, 0}, {game("ab"), 0}, {{0x03}, 0}, {{0x04, 0}, 0}});
    const Extracted e = extractRaw(f);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(hexOf(bytes(e.text)), hexOf(Bytes(f.begin() + 4 + 16, f.end())));
}

TEST(DlgExtractRaw, SplitSeparatesScriptsAndKeepsTrailingZeros)
{
    const Bytes f = dlgFile({{{0x01, 0x02}, 0}, {game("ab"), 0}, {{0x03}, 0}, {{0x04, 0}, 0}});
    const Extracted e = extractRaw(f, true);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(hexOf(bytes(e.script)), "<01><02><03>");
    EXPECT_EQ(hexOf(bytes(e.text)), "<01><02><04><00>");
}

TEST(DlgExtractRaw, RefusesShortOrHeaderlessFiles)
{
    EXPECT_EQ(extractRaw(Bytes{1, 0, 0}).result, 0);
    Bytes f = dlgFile({{}, {game("a")}});
    put16(f, 4, 0x100);
    Extracted e = extractRaw(f);
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.err, "WARN: unexpected header size: first pointer point to position 104, header "
                     "size is C, number of dialogs is 1"
                     "WARN: RAW not extracted: dont have texts or is not dlg file:in.dlg, header "
                     "size 104, filesize D\n");
    e = extractRaw(Bytes{1, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0}, true);
    EXPECT_EQ(e.result, 0);
    EXPECT_EQ(e.err, "WARN: RAW not extracted: dont have texts or is not dlg file:in.dlg, header "
                     "size C, filesize B\n");
}

// Every prefix and many corruptions of a valid file: no read outside the
// data (the sanitizers watch), and the same input gives the same output.
TEST(DlgExtract, TruncationAndCorruptionNeverCrash)
{
    const Bytes f = dlgFile({{{0xF9, 0x0D, 1, 2}, 3}, {game("hello|you$"), 4},
                             {{}, 0}, {game("x"), 5}});
    for (size_t n = 0; n <= f.size(); ++n) {
        const Bytes cut(f.begin(), f.begin() + static_cast<ptrdiff_t>(n));
        const Extracted a = extract(cut, n % 2 == 0);
        EXPECT_EQ(a.text, extract(cut, n % 2 == 0).text);
        (void)extractRaw(cut, n % 2 == 1);
    }
    uint32_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        Bytes m = f;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245 + 12345;
            m[(seed >> 8) % m.size()] = static_cast<uint8_t>(seed >> 20);
        }
        (void)extract(m, round % 2 == 0);
        (void)extractRaw(m, round % 2 == 1);
    }
}
