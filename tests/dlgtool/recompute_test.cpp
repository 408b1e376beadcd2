// The lengths table, the measurement of dialog texts, the 0xF90D data and
// the recomputation of dialog files in the four modes.
#include "lengths.h"
#include "recompute.h"
#include "testtables.h"
#include "varlen.h"

#include <gtest/gtest.h>

using namespace dlgfix;

namespace {

DlgLengths lengths(const std::string& text, std::string* err = nullptr)
{
    DlgLengths t;
    const std::string e = dlgStderrOf([&] { EXPECT_TRUE(tblLengthsParse(bytes(text), t)); });
    if (err)
        *err = e;
    return t;
}

struct Measured {
    DlgMeasure m;
    Bytes text;
    Bytes varlen;
    std::string err;
};

Measured measure(const DlgLengths& t, const Bytes& text)
{
    Measured r;
    r.text = text;
    Kz7Varlen v;
    EXPECT_TRUE(kz7varlenCreate(v));
    r.err = dlgStderrOf([&] { r.m = dlgMeasure(t, r.text, &v); });
    r.varlen = v.data;
    return r;
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const auto& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

// A run's settings with the tables of the tests and these lengths.
struct Recomputer {
    DlgLengths table;
    Kz7Varlen varlen;
    DlgSettings s;
    explicit Recomputer(int mode, const std::string& extra = "\\x7E=6\r\n")
        : table(lengths(lengthsTable(60, extra)))
    {
        s = dlgTestSettings();
        s.recompute = true;
        s.mode = mode;
        s.lengths = &table;
        EXPECT_TRUE(kz7varlenCreate(varlen));
        s.varlen = &varlen;
    }
    DlgRecomputeResult run(Bytes& f, bool battle = false, std::string* err = nullptr)
    {
        const uint32_t n = static_cast<uint32_t>(get16(f, 0));
        DlgRecomputeResult r{};
        const std::string e = dlgStderrOf([&] { r = dlgRecompute(f, n, battle, "t.dlg", s); });
        if (err)
            *err = e;
        return r;
    }
};

// Line 0: fixed width 100 and a variable item of width 60; line 1 of
// `secondWidth` (a multiple of 8, plus 6 when `tilde`).
Bytes itemText(int secondLetters, bool tilde)
{
    return game("aaaaaaaaaaaa $|" + std::string(static_cast<size_t>(secondLetters), 'a') +
                (tilde ? "~" : ""));
}

const Bytes newOpcode = varlenOpcode({{100, 0, {0x06, 0x01}}});

}  // namespace

TEST(DlgLengths, LineMessagesCountAcceptedEntries)
{
    std::string err;
    const DlgLengths t = lengths("\\x01=8\r\n=skipmode\r\n\\x02=\r\nno assign\r\n\\x03=1", &err);
    EXPECT_EQ(err, "Line 1 :must not start with assign string, skipping this line\n"
                   "Line 1 :must not end with assign string, skipping this line\n");
    EXPECT_EQ(t.entries.size(), 2u);
}

TEST(DlgLengths, ValuesNameAttributesAndNumbersInAnyBase)
{
    const DlgLengths t = lengths("\\x01=010\r\n\\x02=0x1F\r\n\\x03=\\kz7vl,0x10\r\n\\x04=\\ax\r\n"
                                 "\\x05=\\bogus,3\r\n\\x06=\\kz7sl,12\r\n\\x07=\\k\r\n\\x08=\\kz7ch");
    ASSERT_EQ(t.entries.size(), 8u);
    const auto at = [&](uint8_t b) { return *tblLengthsMatch(t, Bytes{b}, 0)->entry; };
    EXPECT_EQ(at(1).attr, dlgAttrWidth);
    EXPECT_EQ(at(1).number, 8);
    EXPECT_EQ(at(2).number, 31);
    EXPECT_EQ(at(3).attr, dlgAttrVarItem);
    EXPECT_EQ(at(3).number, 16);
    EXPECT_EQ(at(4).attr, dlgAttrAddX);
    EXPECT_EQ(at(5).attr, dlgAttrNone);
    EXPECT_EQ(at(6).attr, dlgAttrAddWidth);
    EXPECT_EQ(at(7).attr, dlgAttrAbandon);
    EXPECT_EQ(at(8).attr, dlgAttrChoice);
}

TEST(DlgLengths, CopyCharsMatchByKindAndOnlyOneIsAllowed)
{
    std::string err;
    const DlgLengths t = lengths("\\x01\\c01\\c01=1\r\n\\c01=5\r\n\\x10\\t00=\\n\r\n"
                                 "\\x11\\f00\\x01=\\n\r\n\\x12\\h01=7\r\n\\x12=3",
                                 &err);
    EXPECT_EQ(err, "ERROR: currently supported only 1 copys char in string\n");
    // A copy char at the very start of a key is taken literally.
    auto m = tblLengthsMatch(t, bytes("\\c01"), 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->entry->number, 5);
    // Up to and including the byte 00.
    m = tblLengthsMatch(t, Bytes{0x10, 5, 6, 0, 9}, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->length, 4u);
    EXPECT_FALSE(tblLengthsMatch(t, Bytes{0x10, 5, 6}, 0));
    // Run from the data: the second byte + 1, then the suffix.
    m = tblLengthsMatch(t, Bytes{0x11, 9, 2, 7, 1, 0x55}, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->length, 5u);
    EXPECT_FALSE(tblLengthsMatch(t, Bytes{0x11, 9, 2, 7, 2}, 0));
    // The longer fixed prefix is tried first; the hex run needs 2 characters.
    m = tblLengthsMatch(t, bytes("\x12" "3A"), 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->entry->number, 7);
    EXPECT_EQ(tblLengthsMatch(t, bytes("\x12" "3"), 0)->entry->number, 3);
}

TEST(DlgMeasure, ThreeLinesOfEightyPixels)
{
    const DlgLengths t = lengths(lengthsTable());
    const Measured r = measure(t, game("aaaaaaaaaa|bbbbbbbbbb|cccccccccc"));
    EXPECT_EQ(r.m.maxWidth, 80);
    EXPECT_EQ(r.m.maxHeight, 48);
    EXPECT_EQ(r.m.maxLines, 3);
    EXPECT_EQ(dlgSizeWord(r.m), 80 + 256 * 48);
    EXPECT_TRUE(r.varlen.empty());

    const Measured empty = measure(t, {});
    EXPECT_EQ(empty.m.maxWidth, 0);
    EXPECT_EQ(empty.m.maxHeight, 0);
    EXPECT_EQ(empty.m.maxLines, 0);
}

TEST(DlgMeasure, UnknownBytesAreReportedEachTimeAndAddNothing)
{
    const DlgLengths t = lengths(lengthsTable());
    const Measured r = measure(t, Bytes{0x01, 0x90, 0x01, 0x90});
    EXPECT_EQ(r.m.maxWidth, 16);
    EXPECT_EQ(r.err, "WARN: not found length for char '\x90'(0xFFFFFF90)\n"
                     "WARN: not found length for char '\x90'(0xFFFFFF90)\n");
}

TEST(DlgMeasure, LineWidthParametersAtEveryKindOfLineEnd)
{
    const DlgLengths t = lengths(lengthsTable(60, "\\xF9\\x07\\c02=\\ls\r\n"));
    const Bytes ls{0xF9, 0x07, 0, 0};
    // Ended by the end of the text, by "e" and by "n".
    Measured r = measure(t, cat({game("aa"), ls, game("aaa")}));
    EXPECT_EQ(get16(r.text, 4), 40);
    r = measure(t, cat({game("aa"), ls, game("a#")}));
    EXPECT_EQ(get16(r.text, 4), 24);
    r = measure(t, cat({game("a"), ls, game("aa|aaaa")}));
    EXPECT_EQ(get16(r.text, 3), 24);
    EXPECT_EQ(r.m.maxWidth, 32);
}

TEST(DlgMeasure, OpcodeFourSlotsReceiveLineOffsets)
{
    const DlgLengths t = lengths(lengthsTable(60, "\\xF9\\x04\\f00=0\r\n"));
    const Bytes op{0xF9, 0x04, 0x02, 0x04, 0x00, 0x00, 0x00};
    const Measured r = measure(t, cat({op, game("ab|cd|e")}));
    EXPECT_EQ(get16(r.text, 5), 7);  // the first newline, 7 bytes after P
    EXPECT_EQ(r.err, "ERROR: kz7 opcode 04 mode: there is more lines than pointers: 3, 2.\n");
    const Measured twice = measure(t, cat({op, op}));
    EXPECT_EQ(twice.err, "ERROR: using second KZ7 opcode 04 in one dialog\n");
}

TEST(DlgMeasure, ChoiceLinesDoNotCountTowardTheWidth)
{
    const DlgLengths t = lengths(lengthsTable(60, "\\xF9\\x08=\\kz7ch\r\n"));
    const Measured r = measure(t, cat({game("aa|"), {0xF9, 0x08}, game("aaaaaaaaaa|aaaa")}));
    EXPECT_EQ(r.m.maxWidth, 16);
    EXPECT_EQ(r.m.maxLines, 3);
    EXPECT_EQ(r.varlen, (Bytes{0x50, 0x10, 0xFF, 0x20, 0x20, 0xFF, 0xFF, 0xFF}));
}

TEST(DlgMeasure, StopsAndAbandon)
{
    const DlgLengths t =
        lengths(lengthsTable(60, "\\xF9\\x0A=\\dx\r\n\\xF9\\x0B=\\dy\r\n\\xF9\\x0C=\\k\r\n"));
    Measured r = measure(t, cat({game("aa"), {0xF9, 0x0A}, game("aaaa|a|a")}));
    EXPECT_EQ(r.m.maxWidth, 16);
    EXPECT_EQ(r.m.maxHeight, 48);
    r = measure(t, cat({game("a|"), {0xF9, 0x0B}, game("a|a")}));
    EXPECT_EQ(r.m.maxHeight, 32);
    EXPECT_EQ(r.m.maxLines, 3);
    r = measure(t, cat({game("a"), {0xF9, 0x0C}, game("a")}));
    EXPECT_TRUE(r.m.abandoned);
}

TEST(DlgVarlen, ItemsGroupsAndTheirMaximum)
{
    Kz7Varlen v;
    ASSERT_TRUE(kz7varlenCreate(v));
    std::string err = dlgStderrOf([&] {
        kz7varlenAddItem(v, Bytes{0xF9, 0x06, 0x03, 0x12}, 10);
        kz7varlenAddItem(v, Bytes{0xF9, 0x05, 0x01}, 20);
    });
    EXPECT_EQ(err, "WARNING: unexpected, 0xF90603 opcode should have value less than 0xF, have : "
                   "0x12\n");
    kz7varlenCloseGroup(v, 0x123, 2);
    EXPECT_EQ(v.max, 30 + 0x123);
    kz7varlenAddItem(v, Bytes{0xF9, 0x06, 0x00, 0x05}, 0);
    kz7varlenCloseGroup(v, 50, 3);
    EXPECT_EQ(v.max, 0);  // an item of width 0: no bound
    kz7varlenFinish(v);
    EXPECT_EQ(v.data, (Bytes{0x23, 0x21, 0x06, 0x32, 0x05, 0x01, 0xFF, 0x32, 0x30, 0x06, 0x05,
                             0xFF, 0xFF, 0xFF}));
}

TEST(DlgVarlen, CompareUpdatesMatchingGroupsAndRejectsLeftovers)
{
    const Bytes neu(newOpcode.begin() + 2, newOpcode.end());
    Bytes old = varlenOpcode({{90, 0, {0x06, 0x01}}});
    old.erase(old.begin(), old.begin() + 2);
    EXPECT_EQ(kz7varlenCompareUpdate(old, neu, dlgModeMerge), 0);
    EXPECT_EQ(old, neu);

    Bytes two = varlenOpcode({{90, 0, {0x06, 0x01}}, {70, 1, {0x06, 0x02}}});
    two.erase(two.begin(), two.begin() + 2);
    EXPECT_EQ(kz7varlenCompareUpdate(two, neu, dlgModeMerge), -1);
    EXPECT_EQ(get16(two, 0), 100);  // the matching group was still refreshed

    Bytes small{0xFF, 0xFF, 0xFF};
    EXPECT_EQ(kz7varlenCompareUpdate(small, neu, dlgModeMerge), -999);
    // More new groups than old: the new bytes left over.
    Bytes one = varlenOpcode({{1, 0, {0x06, 0x01}}});
    one.erase(one.begin(), one.begin() + 2);
    const Bytes more = [] {
        Bytes b = varlenOpcode({{5, 0, {0x06, 0x01}}, {6, 1, {0x07}}});
        return Bytes(b.begin() + 2, b.end());
    }();
    EXPECT_EQ(kz7varlenCompareUpdate(one, more, dlgModeMerge), 6);  // 06 10 07 FF FF FF
}

TEST(DlgRecompute, ModeThreeWritesTheOpcodeOfAnItemThatDoesNotFit)
{
    Recomputer r(dlgModeReplace);
    Bytes f = dlgFile({{{0x10, 0x20}, 0}, {itemText(18, true), 0xAB00}, {{0x30}, 0}, {game("ab"), 0}});
    ASSERT_EQ(r.run(f), DlgRecomputeResult::done);
    EXPECT_EQ(recordOf(f, 0, 4), cat({{0x10, 0x20}, newOpcode}));
    EXPECT_EQ(recordOf(f, 1, 4), itemText(18, true));
    EXPECT_EQ(recordOf(f, 2, 4), Bytes{0x30});
    EXPECT_EQ(flagsOf(f, 0), 150 + 256 * 32);
    EXPECT_EQ(flagsOf(f, 1), 0xAB02);  // lines in the low byte, high byte kept
    EXPECT_EQ(flagsOf(f, 2), 16 + 256 * 16);
    EXPECT_EQ(flagsOf(f, 3), 0);  // the last text record keeps its own flags
}

TEST(DlgRecompute, ModeThreeDropsAnOpcodeOnceTheItemFits)
{
    Recomputer r(dlgModeReplace);
    const Bytes old = varlenOpcode({{90, 0, {0x06, 0x01}}});
    Bytes f = dlgFile({{cat({{0x10}, old, {0x20}}), 0}, {itemText(20, false), 0}});
    ASSERT_EQ(r.run(f), DlgRecomputeResult::done);
    EXPECT_EQ(recordOf(f, 0, 2), (Bytes{0x10, 0x20}));
    EXPECT_EQ(flagsOf(f, 0), 160 + 256 * 32);
}

TEST(DlgRecompute, ModeOneKeepsAMatchingOpcodeAndReplacesADifferentOne)
{
    Recomputer r(dlgModeMerge);
    Bytes f = dlgFile({{cat({{0x10}, varlenOpcode({{90, 0, {0x06, 0x01}}}), {0x20}}), 0},
                       {itemText(20, false), 0}});
    ASSERT_EQ(r.run(f), DlgRecomputeResult::done);
    // Kept although the item now fits; its width refreshed.
    EXPECT_EQ(recordOf(f, 0, 2), cat({{0x10}, newOpcode, {0x20}}));

    Bytes g = dlgFile({{cat({{0x10}, varlenOpcode({{90, 0, {0x06, 0x01}}, {70, 1, {0x06, 0x02}}}),
                             {0x20}}),
                        0},
                       {itemText(18, true), 0}});
    ASSERT_EQ(r.run(g), DlgRecomputeResult::done);
    EXPECT_EQ(recordOf(g, 0, 2), cat({{0x10}, newOpcode, {0x20}}));
}

TEST(DlgRecompute, ModeTwoNeverChangesAScriptsLength)
{
    Recomputer r(dlgModeUpdate);
    const Bytes oldOp = varlenOpcode({{90, 0, {0x06, 0x01}}, {70, 1, {0x06, 0x02}}});
    Bytes f = dlgFile({{cat({{0x10}, oldOp, {0x20}}), 0}, {itemText(18, true), 0},
                       {{0x30}, 0}, {game("ab"), 0}});
    const size_t size = f.size();
    std::string err;
    testing::internal::CaptureStdout();
    ASSERT_EQ(r.run(f, false, &err), DlgRecomputeResult::done);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(f.size(), size);
    EXPECT_EQ(get16(f, 4 + 16 + 3), 100);  // the matching group's width, in place
    EXPECT_NE(err.find("ERROR: kz7varlen script bad update : t.dlg : -1 : pos 2\n"),
              std::string::npos);
    EXPECT_NE(out.find("kz7varlenCompareUpdate :"), std::string::npos);
    EXPECT_EQ(flagsOf(f, 0), 150 + 256 * 32);
}

TEST(DlgRecompute, ModeZeroAndBattleFilesChangeOnlyFlags)
{
    Recomputer none(dlgModeNone);
    const Bytes script = cat({{0x10}, varlenOpcode({{90, 0, {0x06, 0x01}}})});
    Bytes f = dlgFile({{script, 0}, {itemText(18, true), 0}});
    Bytes expected = f;
    ASSERT_EQ(none.run(f), DlgRecomputeResult::done);
    put16(expected, 6, 150 + 256 * 32);
    EXPECT_EQ(f, expected);

    Recomputer replace(dlgModeReplace);
    Bytes b = dlgBattle({{itemText(18, true), 0x1111}, {game("ab|c"), 0x2222}});
    expected = b;
    ASSERT_EQ(replace.run(b, true), DlgRecomputeResult::done);
    put16(expected, 6, 150 + 256 * 32);
    put16(expected, 10, 16 + 256 * 32);
    EXPECT_EQ(b, expected);
}

TEST(DlgRecompute, ARebuildStoppedAtAPointerBehindTheDataLeavesTheFileAsGiven)
{
    for (const int mode : {dlgModeReplace, dlgModeMerge}) {
        Recomputer r(mode);
        Bytes f = dlgFile({{{0x10}, 0}, {itemText(18, true), 0}, {{0x30}, 0}, {game("ab"), 0}});
        put16(f, 4 + 12, 0x7000);
        const Bytes given = f;
        std::string err;
        EXPECT_EQ(r.run(f, false, &err), DlgRecomputeResult::unchanged);
        EXPECT_EQ(err, "ERROR: recompute: (end)pointer to dialog No.6 point behind filesize\n");
        EXPECT_EQ(f, given);
    }
}

TEST(DlgRecompute, InPlaceModesKeepTheDialogsDoneBeforeAStop)
{
    for (const int mode : {dlgModeNone, dlgModeUpdate}) {
        Recomputer r(mode);
        Bytes f = dlgFile({{{0x10}, 0}, {itemText(18, true), 0x0A00}, {{0x30}, 0x7777},
                           {game("ab"), 0x5555}});
        put16(f, 4 + 12, 0x7000);
        Bytes expected = f;
        put16(expected, 6, 150 + 256 * 32);
        put16(expected, 10, 0x0A02);
        std::string err;
        (void)r.run(f, false, &err);
        EXPECT_EQ(err, "ERROR: recompute: (end)pointer to dialog No.6 point behind filesize\n");
        EXPECT_EQ(f, expected);
    }
    // A battle file stops the same way at a record before the last.
    Recomputer r(dlgModeReplace);
    Bytes b = dlgBattle({{game("abc"), 0}, {game("a"), 0}, {game("a"), 0}});
    put16(b, 8, 0x6000);
    Bytes expected = b;
    put16(expected, 6, 40 + 256 * 16);  // the first text runs to the end of the data
    std::string err;
    (void)r.run(b, true, &err);
    EXPECT_EQ(err, "ERROR: recompute: pointer to dialog No.2 point behind filesize\n");
    EXPECT_EQ(b, expected);
}

TEST(DlgRecompute, RefusesARebuildThatPushesARecordOutOfPointerReach)
{
    Recomputer r(dlgModeReplace);
    const Bytes text = itemText(18, true);
    const size_t padding = 0x10000 - 20 - text.size();
    Bytes f = dlgFile({{{}, 0}, {text, 0}, {Bytes(padding, 0x30), 0}, {game("ab"), 0}});
    ASSERT_EQ(get16(f, 16) + 4u, 0x10000u);
    const Bytes given = f;
    std::string err;
    EXPECT_EQ(r.run(f, false, &err), DlgRecomputeResult::refused);
    EXPECT_EQ(err, "ERROR: t.dlg:dialog No.6 would start at position 10009, beyond the reach of "
                   "16-bit pointers: dlg not written\n");
    EXPECT_EQ(f, given);
}

TEST(DlgRecompute, TruncationAndCorruptionNeverCrash)
{
    const Bytes f = dlgFile({{cat({{0x10}, varlenOpcode({{90, 0, {0x06, 0x01}}})}), 0},
                             {itemText(18, true), 0}, {{0x30}, 0}, {game("ab"), 0}});
    uint32_t seed = 99;
    for (const int mode : {0, 1, 2, 3}) {
        Recomputer r(mode);
        for (size_t n = 8; n <= f.size(); ++n) {
            Bytes cut(f.begin(), f.begin() + static_cast<ptrdiff_t>(n));
            testing::internal::CaptureStdout();
            (void)r.run(cut);
            (void)testing::internal::GetCapturedStdout();
        }
        for (int round = 0; round < 100; ++round) {
            Bytes m = f;
            seed = seed * 1103515245 + 12345;
            m[4 + (seed >> 8) % (m.size() - 4)] = static_cast<uint8_t>(seed >> 20);
            testing::internal::CaptureStdout();
            (void)r.run(m, round % 5 == 0);
            (void)testing::internal::GetCapturedStdout();
        }
    }
}

TEST(DlgMeasure, AbsurdWidthsWrapInsteadOfOverflowing)
{
    const DlgLengths t = lengths("\\x01=99999999999999999999\r\n\\x02=-99999999999999999999\r\n");
    EXPECT_EQ(tblLengthsMatch(t, Bytes{1}, 0)->entry->number, INT32_MAX);
    EXPECT_EQ(tblLengthsMatch(t, Bytes{2}, 0)->entry->number, INT32_MIN);
    const Measured r = measure(t, Bytes(64, 0x01));
    EXPECT_EQ(r.m.maxWidth, 64 * int64_t{INT32_MAX});
    EXPECT_EQ(r.m.maxLines, 1);
}

TEST(DlgRecompute, ARebuildEndsWithTheLastTextWithoutItsZeros)
{
    Bytes last = game("ab");
    last.insert(last.end(), {0, 0, 0});
    const Bytes given = dlgFile({{{0x10}, 0}, {game("a"), 0}, {{0x30}, 0}, {last, 0}});
    Recomputer replace(dlgModeReplace);
    Bytes f = given;
    ASSERT_EQ(replace.run(f), DlgRecomputeResult::done);
    EXPECT_EQ(f.size(), given.size() - 3);
    EXPECT_EQ(recordOf(f, 3, 4), game("ab"));
    EXPECT_EQ(flagsOf(f, 2), 16 + 256 * 16);
    // Editing in place keeps the size.
    Recomputer none(dlgModeNone);
    Bytes g = given;
    ASSERT_EQ(none.run(g), DlgRecomputeResult::done);
    EXPECT_EQ(g.size(), given.size());
    EXPECT_EQ(flagsOf(g, 2), 16 + 256 * 16);
}

TEST(DlgRecompute, ASizeTheWordCannotHoldIsStoredAsItsLimitWithAWarning)
{
    std::string lines = "a";
    for (int i = 1; i < 16; ++i)
        lines += "|a";
    Recomputer r(dlgModeNone);
    Bytes f = dlgFile({{{0x10}, 0}, {game(lines), 0}, {{0x30}, 0},
                       {game(std::string(600, 'a')), 0}, {{0x40}, 0}, {game("a"), 0}});
    std::string err;
    ASSERT_EQ(r.run(f, false, &err), DlgRecomputeResult::done);
    EXPECT_EQ(err, "WARNING: t.dlg: dialog No.2: window height 256 is more than its field "
                   "holds, 240 stored\n"
                   "WARNING: t.dlg: dialog No.6: window width 4800 is more than its field "
                   "holds, 4095 stored\n");
    EXPECT_EQ(flagsOf(f, 0), 8 + 256 * 240);  // 15 lines, not 0
    EXPECT_EQ(flagsOf(f, 1) & 0xFF, 16);       // the lines byte holds 16
    EXPECT_EQ(flagsOf(f, 2), 4095 + 256 * 16);
}

TEST(DlgRecompute, BytesBetweenTheTableAndTheFirstRecordAreKept)
{
    // One dialog whose first pointer leaves four bytes after its two table
    // entries; read as a pointer they would point into the text.
    const Bytes gap{0x20, 0x00, 'x', 'y'};
    Bytes given = dlgFile({{{0x10}, 0}, {game("aaaa~"), 0}});
    given.insert(given.begin() + 12, gap.begin(), gap.end());
    put16(given, 4, 12);
    put16(given, 8, 13);
    for (const int mode : {dlgModeReplace, dlgModeMerge}) {
        Recomputer r(mode);
        Bytes f = given;
        std::string err;
        ASSERT_EQ(r.run(f, false, &err), DlgRecomputeResult::done);
        EXPECT_EQ(Bytes(f.begin() + 12, f.begin() + 16), gap) << mode;
        EXPECT_EQ(flagsOf(f, 0), 38 + 256 * 16) << mode;
        EXPECT_EQ(f.size(), given.size()) << mode;
    }
}
