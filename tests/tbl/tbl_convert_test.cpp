#include "tbl_helpers.h"
#include "tbl/reference.h"

TEST_F(TblTest, LongerKeyWins)
{
    load(tblFixtureLine(tblFixtureHex({0x41}), "A") + tblFixtureLine(tblFixtureHex({0x41, 0x42}), "AB"));
    EXPECT_EQ(tblTestConvert("\x41\x42\x41"), "ABA");
    EXPECT_EQ(tblTestConvert("ABA", true), "\x41\x42\x41");
}

TEST_F(TblTest, EqualValuesGoBackToTheFirstLine)
{
    load(tblFixtureLine(tblFixtureHex({0x41}), "A") + tblFixtureLine(tblFixtureHex({0x42}), "A"));
    EXPECT_EQ(tblTestConvert("A", true), "\x41");
}

TEST_F(TblTest, CopyCharsBetweenKinds)
{
    load(tblFixtureDialogTable());
    // Raw key run shown as hexadecimal text, and back.
    EXPECT_EQ(tblTestConvert("\xF9\x06\x0A"), "[COL0A]");
    EXPECT_EQ(tblTestConvert("[COL0A]", true), "\xF9\x06\x0A");
    EXPECT_EQ(tblTestConvert("[COLff]", true), "\xF9\x06\xFF");
    // Only leading hexadecimal digits count.
    EXPECT_EQ(tblTestConvert("[COL4G]", true), std::string("\xF9\x06\x04", 3));
    EXPECT_EQ(tblTestConvert("[COLG4]", true), std::string("\xF9\x06\x00", 3));
    // Raw to raw keeps the run as it is, in both directions.
    EXPECT_EQ(tblTestConvert(std::string("\xF9\x07\x00\x21", 4)), std::string("<N\0\x21>", 5));
    EXPECT_EQ(tblTestConvert(std::string("<N\0\x21>", 5), true), std::string("\xF9\x07\x00\x21", 4));
    // Too short for the run: not a match, the bytes pass one by one.
    EXPECT_EQ(tblTestConvert("\xF9\x06"), "\xF9\x06");
    EXPECT_EQ(tblTestConvert("\x20\x21\x81\x40\x0A"), "AB \r\n");
}

TEST_F(TblTest, HexToHexSuffixAndDroppedRun)
{
    load("<\\h02>=\\h02\r\nX\\c02Y=drop\r\n");
    EXPECT_EQ(tblTestConvert("<beef>"), "beef");
    EXPECT_EQ(tblTestConvert("X12Y-X12Z"), "drop-X12Z");
}

TEST_F(TblTest, RestShorterThanEveryKeyPassesUnconverted)
{
    // Plain keys: after the miss on "z" only "A" is left, shorter than "AB".
    load("AB=x\r\nA\x42\x43=y\r\n");
    EXPECT_EQ(tblTestConvert("zA"), "zA");
    EXPECT_EQ(tblTestConvert("zAB"), "zx");
    EXPECT_EQ(tblTestConvert("ABCzAB"), "yzx");
    // The only key spans 2 input bytes but is 5 long as stored: a rest of 3
    // after a miss passes as it is even though "ZQ" would match in it.
    load("\\c01Q=<\\h01>\r\n");
    EXPECT_EQ(tblTestConvert("ZZZQ"), "ZZZQ");
    EXPECT_EQ(tblTestConvert("ZZQxxx"), "Z<5A>xxx");
    EXPECT_EQ(tblTestConvert("ZQ"), "<5A>");
    // In skip mode the rest is dropped the same way.
    load("=skipmode\r\n\\c01Q=<\\h01>\r\n");
    EXPECT_EQ(tblTestConvert("ZZZQ"), "");
    EXPECT_EQ(tblTestConvert("ZZQxxx"), "<5A>");
    // Reverse keys "" (never tried) and "\h01Q": the empty key is no shorter
    // key, so the rest after "?" passes when the copy char key sorts last...
    tblReset();
    load("\\x41=\r\n\\x42\\c01=\\h01Q\r\n");
    EXPECT_EQ(tblTestConvert("?4FQ", true), "?4FQ");
    EXPECT_EQ(tblTestConvert("4FQ", true), "BO");
    // ...and when the empty key sorts last no rest is shorter than it.
    load("\\x42\\c01=\\h01Q\r\n\\x41=\r\n");
    EXPECT_EQ(tblTestConvert("?4FQ", true), "?BO");
}

TEST_F(TblTest, RestHoldingAShorterKeyThanTheLastSortedOneIsConverted)
{
    // The copy char entry sorts last by its fixed bytes (none) although "B"
    // is shorter: a rest that holds "B" is still converted.
    load("B=b\r\n\\c05=five\r\n");
    EXPECT_EQ(tblTestConvert("ZZZB"), "ZZZb");
    EXPECT_EQ(tblTestConvert("123456B"), "five6b");
    // Reverse direction: the value "<\h01>" ranks last, "a" is shorter.
    load("\\x41=a\r\n\\x10\\c01=<\\h01>\r\n");
    EXPECT_EQ(tblTestConvert("?aa", true), "?AA");
}

TEST_F(TblTest, KeyThatSpansNoInputNeverMatches)
{
    load("\\c00=empty\r\n\\h00=none\r\nA=a\r\n");
    EXPECT_EQ(tblTestConvert("xAy"), "xay");
}

TEST_F(TblTest, ZeroLengthRunNeedsInputAfterTheFixedBytes)
{
    load("AB\\c00=x\r\nA=a\r\n");
    EXPECT_EQ(tblTestConvert("AB"), "aB");  // nothing after "AB": not tried
    EXPECT_EQ(tblTestConvert("ABC"), "xC");
}

TEST_F(TblTest, SkipModeDropsUnmatchedAndCarriesIntoTheNextTable)
{
    load("A=a\r\n");
    EXPECT_EQ(tblTestConvert("xAy"), "xay");
    load("=skipmode\r\nA=a\r\n");
    EXPECT_EQ(tblTestConvert("xAy"), "a");
    EXPECT_EQ(tblTestConvert("xay", true), "A");
    ASSERT_EQ(tblSave(), 0);
    load("B=b\r\n");  // no directive, but the setting stays off
    EXPECT_EQ(tblTestConvert("xBA"), "b");
    ASSERT_EQ(tblSave(), 1);
    ASSERT_EQ(tblSelect(0), 1);
    EXPECT_EQ(tblTestConvert("AB"), "a");
}

TEST_F(TblTest, SlotKeepsTheSettingInForceWhenSaved)
{
    load("A=a\r\n");
    ASSERT_EQ(tblSave(), 0);
    load("=skipmode\r\nB=b\r\n");
    ASSERT_EQ(tblSave(), 1);
    ASSERT_EQ(tblSelect(0), 1);
    EXPECT_EQ(tblTestConvert("AB"), "aB");
    ASSERT_EQ(tblSelect(1), 1);
    EXPECT_EQ(tblTestConvert("AB"), "b");
}

TEST_F(TblTest, EmptyInputsAndTables)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(tblConvert({}, out), 0);  // no table at all
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(tblTestConvert("abc"), "abc");
    load("no entries\r\n");
    EXPECT_EQ(tblConvert({}, out), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(tblTestConvert(std::string("a\0b", 3), true), std::string("a\0b", 3));
    load("=skipmode");
    EXPECT_EQ(tblTestConvert("abc"), "");
}

TEST_F(TblTest, OutputGrowsPastTheLargestRatio)
{
    // Ratio 4 / 5, yet sixteen raw bytes become 32 characters.
    load("A\\c10=\\h10\r\n");
    const std::string raw = "A" + std::string(16, '\xAB');
    std::string hex;
    for (int i = 0; i < 16; ++i)
        hex += "AB";
    EXPECT_EQ(tblTestConvert(raw), hex);
    EXPECT_EQ(tblTestConvert(hex, true), raw);
    // Unmatched bytes under a ratio below 1, appended after existing output.
    load("LONGKEY=s\r\n");
    std::vector<uint8_t> out = {'>'};
    const std::vector<uint8_t> in(1000, 'z');
    ASSERT_EQ(tblConvert(in, out), 1000);
    ASSERT_EQ(out.size(), 1001u);
    EXPECT_EQ(out[0], '>');
    EXPECT_EQ(out[1000], 'z');
    // The reverse direction uses the forward ratio.
    load("ab=ABCDEFGHIJ\r\n");
    EXPECT_EQ(tblTestConvert("ABCDEFGHIJABCDEFGHIJ", true), "abab");
    const std::string many(5000, 'b');
    EXPECT_EQ(tblTestConvert(many, true), many);
}

TEST_F(TblTest, ShrinkSetting)
{
    load("A=aaaa\r\n");
    std::vector<uint8_t> out;
    const std::vector<uint8_t> in = {'A', 'B'};
    ASSERT_EQ(tblConvert(in, out), 2);
    EXPECT_EQ(out.capacity(), out.size());
    tblSetShrink(0);
    out.clear();
    out.shrink_to_fit();
    ASSERT_EQ(tblConvert(in, out), 2);
    EXPECT_EQ(out.size(), 5u);
    EXPECT_GE(out.capacity(), 9u);  // the first block: 4 * 2 + 1
}

TEST_F(TblTest, SlotsSaveSelectAndFree)
{
    load("A=1\r\n");
    EXPECT_EQ(tblSave(), 0);
    load("A=2\r\n");
    EXPECT_EQ(tblSave(), 1);
    load("A=3\r\n");
    EXPECT_EQ(tblSave(), -1);
    EXPECT_EQ(tblTestConvert("A"), "3");  // a refused save changes nothing
    EXPECT_EQ(tblSelect(2), 0);
    EXPECT_EQ(tblSelect(-1), 0);
    EXPECT_EQ(tblSelect(1), 1);
    EXPECT_EQ(tblTestConvert("A"), "2");
    EXPECT_EQ(tblSelect(0), 1);
    EXPECT_EQ(tblTestConvert("A"), "1");
    // A table loaded over a selected slot does not change the slot, and
    // selecting the slot again brings its own table back.
    load("A=4\r\n");
    EXPECT_EQ(tblTestConvert("A"), "4");
    EXPECT_EQ(tblSelect(0), 1);
    EXPECT_EQ(tblTestConvert("A"), "1");
    tblFreeAll();
    EXPECT_EQ(tblSelect(0), 0);
    EXPECT_EQ(tblCurrent().data, nullptr);
    EXPECT_EQ(tblSave(), 0);  // all slots free again
}

TEST_F(TblTest, IndexGivesTheSortedScanResult)
{
    std::mt19937 rng(20240611);
    for (int round = 0; round < 600; ++round) {
        tblReset();
        const bool skip = round % 5 == 0;
        const std::string table = tblRandomTable(rng, skip);
        load(table);
        const TblData& d = *tblCurrent().data;
        for (int k = 0; k < 4; ++k) {
            const std::string in = tblRandomInput(rng, std::uniform_int_distribution<size_t>(0, 40)(rng));
            ASSERT_EQ(tblTestConvert(in), tblReferenceConvert(d.forward.entries, !skip, in))
                << "table:\n" << table << "input: " << in;
            ASSERT_EQ(tblTestConvert(in, true), tblReferenceConvert(d.reverse.entries, !skip, in))
                << "table:\n" << table << "input: " << in;
        }
    }
}

TEST_F(TblTest, DirectCellsGiveTheSortedScanResult)
{
    std::mt19937 rng(7301);
    int direct = 0;
    for (int round = 0; round < 400; ++round) {
        tblReset();
        const bool skip = round % 5 == 0;
        std::vector<std::string> pieces;
        const std::string table = (skip ? "=skipmode\r\n" : "") + tblRandomWideTable(rng, pieces);
        load(table);
        const TblData& d = *tblCurrent().data;
        direct += !d.forward.cells.empty() && !d.reverse.cells.empty();
        for (int k = 0; k < 4; ++k) {
            // Keys, values, their first bytes and single bytes.
            std::string in;
            for (size_t i = rng() % 40; i > 0; --i) {
                const std::string& p = pieces[rng() % pieces.size()];
                in += rng() % 4 ? p.substr(0, rng() % 2 ? p.size() : rng() % (p.size() + 1))
                                : std::string(1, static_cast<char>(rng()));
            }
            ASSERT_EQ(tblTestConvert(in), tblReferenceConvert(d.forward.entries, !skip, in))
                << "table:\n" << table << "input: " << in;
            ASSERT_EQ(tblTestConvert(in, true), tblReferenceConvert(d.reverse.entries, !skip, in))
                << "table:\n" << table << "input: " << in;
        }
    }
    EXPECT_GT(direct, 200);  // most tables have no copy char key without fixed bytes
}

TEST_F(TblTest, KeysPastTheCellLimitAreStillConverted)
{
    // 65536 two-byte prefixes, each followed by 0x00 or 0xFF: their rows
    // outgrow the cell table, so the later prefixes are walked.
    auto code = [](unsigned a, unsigned b, unsigned c) {
        return std::string{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)};
    };
    auto valueOf = [](unsigned a, unsigned b, unsigned c) { return std::string(1, 'A' + (a + b + c) % 26); };
    std::string table;
    for (unsigned a = 0; a < 256 * 256; ++a)
        for (const unsigned c : {0x00u, 0xFFu})
            table += tblFixtureLine(tblFixtureHex(tblFixtureBytes(code(a >> 8, a & 255, c))),
                                    valueOf(a >> 8, a & 255, c));
    load(table);
    const std::vector<uint32_t>& cells = tblCurrent().data->forward.cells;
    ASSERT_NE(std::find(cells.begin(), cells.end(), tblCellWalk), cells.end());
    std::mt19937 rng(5);
    std::string in;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        // Without 0x00 or 0xFF in the first two bytes no key spans two codes;
        // a prefix followed by 0x41 matches nothing and passes as it is.
        const unsigned a = 1 + rng() % 254, b = 1 + rng() % 254;
        const unsigned c = rng() % 3 == 0 ? 0x41 : rng() % 2 ? 0xFF : 0x00;
        in += code(a, b, c);
        expected += c == 0x41 ? code(a, b, c) : valueOf(a, b, c);
    }
    EXPECT_EQ(tblTestConvert(in), expected);
}

TEST_F(TblTest, DataFileFormLeavesTheTailUnconsumed)
{
    tblForm = TblForm::dfile;
    load("AB=x\r\nCD=y\r\n");
    std::vector<uint8_t> out;
    const std::string in = "ABzCD";
    // After the unmatched "z" only "CD" is left, not shorter than the last
    // key: converted. A lone byte after a miss is not.
    EXPECT_EQ(tblConvert(std::span(reinterpret_cast<const uint8_t*>(in.data()), in.size()), out), 5);
    EXPECT_EQ(std::string(out.begin(), out.end()), "xzy");
    out.clear();
    const std::string tail = "ABzC";
    EXPECT_EQ(tblConvert(std::span(reinterpret_cast<const uint8_t*>(tail.data()), tail.size()), out), 3);
    EXPECT_EQ(std::string(out.begin(), out.end()), "xz");
}

TEST_F(TblTest, SkipModeOutlivesTheTableThatSetIt)
{
    load("=skipmode\r\nA=a\r\n");
    tblFree();
    load("B=b\r\n");
    EXPECT_EQ(tblTestConvert("xBx"), "b");
    // Only a fresh start brings copying back.
    tblReset();
    load("B=b\r\n");
    EXPECT_EQ(tblTestConvert("xBx"), "xbx");
}

TEST_F(TblTest, DataFileFormConvertsCopyCharsAndCopiesUnmatchedBytes)
{
    tblForm = TblForm::dfile;
    testing::internal::CaptureStderr();
    load("=\r\nD\\c01=<\\h01>\r\n");
    char msg[128];
    std::snprintf(msg, sizeof msg, tblMsgDfileStartsAssign, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), msg);  // one message, not two
    EXPECT_EQ(tblTestConvert("yDZD!D!"), "y<5A><21><21>");
    // After a miss a rest shorter than the last key as stored (five bytes)
    // is left unconsumed, though "D!" in it would match.
    const std::string in = "DZyyyyD!";
    std::vector<uint8_t> out;
    EXPECT_EQ(tblConvert(std::span(reinterpret_cast<const uint8_t*>(in.data()), in.size()), out), 4);
    EXPECT_EQ(std::string(out.begin(), out.end()), "<5A>yy");
    EXPECT_EQ(tblTestConvert("<5A>", true), "DZ");
    // Without entries every byte is copied and consumed.
    load("nothing\r\n");
    EXPECT_EQ(tblTestConvert("xyz"), "xyz");
}
