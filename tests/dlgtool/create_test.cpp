// Creation of dialog files from text exports and script files, in memory,
// and the round trips through extraction that translators rely on.
#include "create.h"
#include "extract.h"
#include "testtables.h"

#include <gtest/gtest.h>

using namespace dlgfix;

namespace {

struct Created {
    int result = 0;
    Bytes dlg;
    std::string err;
};

Created create(const std::string& text, const std::string* script = nullptr)
{
    Created c;
    const DlgSettings s = dlgTestSettings();
    const Bytes t = bytes(text);
    const Bytes sc = script ? bytes(*script) : Bytes{};
    const std::span<const uint8_t> scSpan(sc);
    DlgCreateInput in{t, "t.txt", script ? &scSpan : nullptr, "t.dls", "t.dlg"};
    DlgCreated out;
    c.err = dlgStderrOf([&] { c.result = dlgCreateMem(s, in, out); });
    c.dlg = out.block;
    return c;
}

DlgExtractOutput extract(const Bytes& dlg, bool split)
{
    DlgExtractOutput out;
    EXPECT_EQ(dlgExtractMem(dlgTestSettings(), dlg, "t.dlg", split, out), 1);
    return out;
}

Bytes sample()
{
    Bytes last = game("see you$#");
    last.insert(last.end(), {0, 0});
    return dlgFile({{{0x00, 0x13, 0xF9, 0x0D, 0x20}, 0x2050},
                    {game("hello there|friend"), 0x0102},
                    {{}, 0},
                    {{}, 0xFFFF},
                    {{0x7F, 0x0A, 0x0D}, 0x1234},
                    {last, 0x0003}});
}

}  // namespace

TEST(DlgCreate, ExtractThenCreateGivesTheSameFileButTrimmedZeros)
{
    const Bytes original = sample();
    const auto text = extract(original, false);
    const Created c = create(str(text.text));
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.err, "");
    EXPECT_EQ(c.dlg, Bytes(original.begin(), original.end() - 2));
}

TEST(DlgCreate, ScriptFileGivesTheSameFileAsOneTextFile)
{
    const Bytes original = sample();
    const auto whole = extract(original, false);
    const auto split = extract(original, true);
    const std::string script = str(split.script);
    const Created a = create(str(whole.text));
    const Created b = create(str(split.text), &script);
    ASSERT_EQ(b.result, 1);
    EXPECT_EQ(b.err, "");
    EXPECT_EQ(a.dlg, b.dlg);
}

TEST(DlgCreate, BattleTextBuildsABattleFileAndIgnoresTheScript)
{
    const Bytes original = dlgBattle({{game("one"), 1}, {game("two|x"), 0x3010}, {{}, 2}});
    const auto text = extract(original, false);
    const std::string script = textFile({{"<01>"}, {"<02>"}, {"<03>"}});
    const Created c = create(str(text.text), &script);
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.err, "WARN: dlgs are probadly battle dialogs: dlsfile not used\n");
    EXPECT_EQ(c.dlg, original);
}

TEST(DlgCreate, OddPartCountWarnsAndKeepsEveryRecord)
{
    const Created c = create(textFile({{"<01>", 1}, {"ab", 2}, {"<02>", 3}}));
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.err, "WARN: unexpected number of dialogs in txt file t.txt(expected even number)\n");
    EXPECT_EQ(c.dlg, dlgFile({{{0x01}, 1}, {{0x01, 0x02}, 2}, {{0x02}, 3}}, 1));
}

TEST(DlgCreate, EmptyPartSharesThePointerOfTheNext)
{
    const Created c = create(textFile({{"", 0}, {"ab", 0}}));
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(get16(c.dlg, 4), get16(c.dlg, 8));
    EXPECT_EQ(c.dlg.size(), 4u + 8 + 2);
}

TEST(DlgCreate, FlagsAreReadAsHexAndOddOnesWarned)
{
    std::string t = textFile({{"<01>", 0}, {"a", 0}});
    t.replace(t.find("[0000]") + 1, 4, "00ff");
    Created c = create(t);
    EXPECT_EQ(c.err, "");
    EXPECT_EQ(flagsOf(c.dlg, 0), 0x00FF);

    t.replace(t.find("[00ff]") + 1, 4, "****");
    c = create(t);
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.err, "WARN: in file t.txt:unexpected flags(not 4 hex digits):****\n");
    EXPECT_EQ(flagsOf(c.dlg, 0), 0);

    t.replace(t.find("[****]") + 1, 4, "12zz");
    c = create(t);
    EXPECT_EQ(c.err, "WARN: in file t.txt:unexpected flags(not 4 hex digits):12zz\n");
    EXPECT_EQ(flagsOf(c.dlg, 0), 0x12);
}

TEST(DlgCreate, ShortenedStarLineLosesTheFirstByteOfTheNextPart)
{
    std::string t = textFile({{"<01>", 0}, {"abc", 0}, {"<02>", 0}, {"de", 0}});
    t.erase(t.find("*****\r\n"), 1);  // the first separator loses a star
    const Created c = create(t);
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.err, "DLG: in file txt t.txt bad end of separator(expected rest of separator "
                     "behind flag)\n");
    EXPECT_EQ(recordOf(c.dlg, 1, 4), (Bytes{0x02, 0x03}));

    std::string lastBad = textFile({{"<01>", 0}, {"a", 0}});
    lastBad.erase(lastBad.size() - 6, 1);
    EXPECT_EQ(create(lastBad).err,
              "DLG: in file txt t.txt bad end of separator(expected rest of separator behind "
              "flag)\nDLG: but, it was last dialog, so should be no damage\n");
}

TEST(DlgCreate, PartLostBetweenCloseSeparatorsBecomesAnEmptyRecord)
{
    // A shortened separator right before an empty part: counting sees four
    // parts, reading steps over the third separator's start.
    std::string t = textFile({{"<01>", 1}, {"a", 2}});
    t.erase(t.size() - 6, 1);
    t += sep(3) + "b" + sep(4);
    const Created c = create(t);
    ASSERT_EQ(c.result, 1);
    EXPECT_NE(c.err.find("WARN: in file t.txt:4 dialogs counted but 3 read, the rest are left "
                         "empty\n"),
              std::string::npos);
    // The third part runs from inside the skipped separator to the last one.
    const Bytes third = recordOf(c.dlg, 2, 4);
    EXPECT_EQ(third.size(), 60u + 1);
    EXPECT_EQ(third.back(), 'b');  // a script record: the script table passes it through
    EXPECT_EQ(flagsOf(c.dlg, 2), 4);
    EXPECT_EQ(get16(c.dlg, 4 + 12) + 4u, c.dlg.size());  // the fourth record: empty, at the end
    EXPECT_EQ(flagsOf(c.dlg, 3), 0);
}

TEST(DlgCreate, LostPartsAreReportedAgainstTheFileThatLostThem)
{
    // The script file's separators are too close; the text file is sound.
    std::string script = textFile({{"<01>", 1}});
    script.erase(script.size() - 6, 1);
    script += sep(3);
    const std::string text = textFile({{"a", 2}, {"b", 4}});
    const Created c = create(text, &script);
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.err, "DLG: in file txt t.dls bad end of separator(expected rest of separator "
                     "behind flag)\n"
                     "WARN: in file t.dls:2 dialogs counted but 1 read, the rest are left empty\n");
    // Reading stopped at the missing script part: records 2 and 3 are empty.
    EXPECT_EQ(get16(c.dlg, 4 + 8) + 4u, c.dlg.size());
    EXPECT_EQ(get16(c.dlg, 4 + 12) + 4u, c.dlg.size());
    EXPECT_EQ(recordOf(c.dlg, 1, 4), game("a"));
}

TEST(DlgCreate, RefusesWhatIsNoDialogText)
{
    Created c = create(std::string(56, 'x'));
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.err, "WARN: file t.txt not supposed text file with dialogs(too small)\n");
    c = create(std::string(200, 'x'));
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.err, "ERROR: no dialogs in dlg file: t.dlg, or not dlg file\n");

    const std::string script = textFile({{"<01>"}, {"<02>"}});
    c = create(textFile({{"a"}}), &script);
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.err, "ERROR: different number of dialogs and scripts: 1, 2: cant create dlg\n");
}

TEST(DlgCreate, RefusesRecordsBeyondTheReachOfSixteenBitPointers)
{
    const std::string big(70000, 'a');
    const Created c = create(textFile({{"<01>"}, {big}, {"<02>"}, {"b"}}));
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.err, "ERROR: t.dlg:dialog No.4 would start at position 11185, beyond the reach of "
                     "16-bit pointers: dlg not written\n");

    // The last record may reach past 64 KiB: only its start must fit.
    const Created ok = create(textFile({{"<01>"}, {big}}));
    EXPECT_EQ(ok.result, 1);
    EXPECT_EQ(ok.dlg.size(), 4u + 8 + 1 + 70000);
}

TEST(DlgCreate, ConvertedPartsLargerThanAnyFixedBlockAreKept)
{
    // The script table doubles nothing back, but a text of 600000 bytes must
    // come through whole as the last record.
    const std::string huge(600000, 'z');
    const Created c = create(textFile({{"<01>"}, {huge}}));
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(c.dlg.size(), 4u + 8 + 1 + 600000);
    EXPECT_EQ(c.dlg.back(), 26);
}

TEST(DlgCreate, TruncatedTextNeverCrashes)
{
    const std::string t = str(extract(sample(), false).text);
    for (size_t n = 0; n <= t.size(); n += 3) {
        const Created a = create(t.substr(0, n));
        EXPECT_EQ(a.dlg, create(t.substr(0, n)).dlg);
    }
}
