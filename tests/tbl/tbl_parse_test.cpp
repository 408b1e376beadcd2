#include "tbl_helpers.h"

#include <cstring>

namespace {

std::string unescaped(std::string s)
{
    std::vector<uint8_t> b(s.begin(), s.end());
    b.resize(tblUnescape(b));
    return {b.begin(), b.end()};
}

size_t separatorAt(const std::string& s, const std::string& sep)
{
    const std::vector<uint8_t> d(s.begin(), s.end());
    const std::vector<uint8_t> p(sep.begin(), sep.end());
    return tblFindSeparator(d, p);
}

std::string str(std::span<const uint8_t> s)
{
    return {s.begin(), s.end()};
}

}  // namespace

TEST(TblSyntax, SeparatorCountsOnlyAfterAnEvenRunOfEscapes)
{
    EXPECT_EQ(separatorAt("ab=c", "="), 2u);
    EXPECT_EQ(separatorAt("=c", "="), 0u);
    EXPECT_EQ(separatorAt("a\\=b=c", "="), 4u);
    EXPECT_EQ(separatorAt("a\\\\=b", "="), 3u);
    EXPECT_EQ(separatorAt("a\\\\\\=b", "="), 6u);  // three escapes: escaped, none left
    EXPECT_EQ(separatorAt("a\\\r\nb\r\n", "\r\n"), 5u);
    EXPECT_EQ(separatorAt("abc", "="), 3u);
    EXPECT_EQ(separatorAt("", "="), 0u);
}

TEST(TblSyntax, UnescapeRules)
{
    EXPECT_EQ(unescaped("a\\\r\nb"), "a\r\nb");    // escaped line end kept
    EXPECT_EQ(unescaped("\\\\x41"), "\\x41");       // escaped escape, then plain text
    EXPECT_EQ(unescaped("\\="), "=");
    EXPECT_EQ(unescaped("\\x41\\x6a\\xF9"), "Aj\xF9");
    EXPECT_EQ(unescaped("\\x00"), std::string(1, '\0'));
    EXPECT_EQ(unescaped("\\xG1\\x42"), "\\xG1B");   // not hex: kept, scanning goes on
    EXPECT_EQ(unescaped("\\x4"), "\\x4");           // cut short at the end
    EXPECT_EQ(unescaped("\\c01\\q"), "\\c01\\q");   // anything else keeps the escape
    EXPECT_EQ(unescaped("ab\\"), "ab\\");
    EXPECT_EQ(unescaped("\\\\\\x41"), "\\A");
    EXPECT_EQ(unescaped("\\x\\x41"), "\\x\\x41");  // resumes two after the "x"
}

TEST_F(TblTest, LinesAndAssignStrings)
{
    // A line without an assign string is ignored; "\==A" has the key "=";
    // "A\\=B" has the key A and one backslash.
    load("no assign here\r\n\\==A\r\nA\\\\=B\r\nk=\r\nlast=L");
    const auto& e = tblCurrent().data->forward.entries;
    ASSERT_EQ(e.size(), 4u);
    // Sorted by key length, longer first, ties in file order.
    EXPECT_EQ(str(e[0].key), "last");
    EXPECT_EQ(str(e[0].value), "L");
    EXPECT_EQ(str(e[1].key), "A\\");
    EXPECT_EQ(str(e[1].value), "B");
    EXPECT_EQ(str(e[2].key), "=");
    EXPECT_EQ(str(e[2].value), "A");
    EXPECT_EQ(str(e[3].key), "k");
    EXPECT_EQ(str(e[3].value), "");
    EXPECT_EQ(tblCurrent().entryCount(), 4u);
}

TEST_F(TblTest, EscapedLineEndContinuesTheValue)
{
    load("\\x0A=one\\\r\ntwo\r\nB=b\r\n");
    const auto& e = tblCurrent().data->forward.entries;
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(str(e[0].value), "one\r\ntwo");
    EXPECT_EQ(tblTestConvert("\nB"), "one\r\ntwob");
}

TEST_F(TblTest, LoneLineFeedIsText)
{
    load("A=1\nB=2\r\n");
    ASSERT_EQ(tblCurrent().entryCount(), 1u);
    EXPECT_EQ(str(tblCurrent().data->forward.entries[0].value), "1\nB=2");
}

TEST_F(TblTest, CopyCharsAreRecordedAndRewritten)
{
    load(tblFixtureHex({0xF9, 0x06}) + "\\c01=[COL\\h01]\r\n");
    const TblEntry& e = tblCurrent().data->forward.entries.at(0);
    EXPECT_EQ(e.keyCopy, 2);
    EXPECT_EQ(e.valueCopy, 4);
    ASSERT_EQ(e.key.size(), 6u);
    EXPECT_EQ(e.key[2], tblKindRaw);
    EXPECT_EQ(e.key[3], 1);
    EXPECT_EQ(e.value[4], tblKindHex);
    EXPECT_EQ(e.value[5], 1);
    const TblEntry& r = tblCurrent().data->reverse.entries.at(0);
    EXPECT_EQ(r.keyCopy, 4);
    EXPECT_EQ(r.valueCopy, 2);
    EXPECT_EQ(str(r.key), str(e.value));
}

TEST_F(TblTest, OnlyTheFirstEscapeOfAKeyIsExamined)
{
    // The first escape of the key is a literal backslash, so the entry is
    // plain and its value's copy char is ordinary text.
    load("a\\\\\\c01=x\\c01\r\n");
    const TblEntry& e = tblCurrent().data->forward.entries.at(0);
    EXPECT_EQ(e.keyCopy, -1);
    EXPECT_EQ(e.valueCopy, -1);
    EXPECT_EQ(str(e.value), "x\\c01");
}

TEST_F(TblTest, SecondCopyCharDropsTheLine)
{
    testing::internal::CaptureStderr();
    load("A\\c01B\\c02=x\r\nC\\c01=y\\h01z\\c01\r\nD=d\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string(tblMsgTwoCopyChars) + tblMsgTwoCopyChars);
    ASSERT_EQ(tblCurrent().entryCount(), 1u);
    EXPECT_EQ(str(tblCurrent().data->forward.entries[0].key), "D");
}

TEST_F(TblTest, CopyCharNeedsTwoHexDigitsInsideTheKey)
{
    load("A\\c0=x\r\nB\\cZZ=y\r\n");
    for (const TblEntry& e : tblCurrent().data->forward.entries)
        EXPECT_EQ(e.keyCopy, -1);
}

TEST_F(TblTest, LargestRatio)
{
    load("AB=x\r\nC=wxyz\r\nDE\\c01=abcdefghijk\r\n");
    // 11 / 7 is below 4 / 1.
    EXPECT_DOUBLE_EQ(tblCurrent().ratio, 4.0);
    tblFree();
    load("=skipmode\r\n");
    EXPECT_DOUBLE_EQ(tblCurrent().ratio, 0.0);
}

TEST_F(TblTest, DirectiveMatchesOverTheNameOnly)
{
    load("=skipmodeXYZ\r\n");
    EXPECT_EQ(tblCurrent().copyUnmatched, 0);
    EXPECT_EQ(tblCurrent().entryCount(), 0u);
    tblReset();
    load("=skipmod\r\n=other\r\n");
    EXPECT_EQ(tblCurrent().copyUnmatched, 1);
}

TEST_F(TblTest, InitFromFileAndMissingFile)
{
    ScratchDir dir;
    testWriteText(dir / "t.tbs", "A=a\r\n");
    ASSERT_EQ(tblInit(dir / "t.tbs"), 1);
    EXPECT_EQ(tblTestConvert("AB"), "aB");
    testing::internal::CaptureStderr();
    EXPECT_EQ(tblInit(dir / "none.tbs"), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("none.tbs"), std::string::npos);
    // A failed load leaves the current table as it was.
    EXPECT_EQ(tblTestConvert("A"), "a");
}

TEST_F(TblTest, DataFileFormLineRules)
{
    tblForm = TblForm::dfile;
    testing::internal::CaptureStderr();
    load("A=a\r\n=skipmode\r\nB=\r\n" + tblFixtureHex({0x10}) + "\\c01=\\h01\r\n\\c01=x\\c01\r\n"
         "C\\c01=plain\r\nD\\c01=<\\h01>\r\n");
    char l1[128];
    char l2[128];
    std::snprintf(l1, sizeof l1, tblMsgDfileStartsAssign, 1);
    std::snprintf(l2, sizeof l2, tblMsgDfileEndsAssign, 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(l1) + l2);
    EXPECT_EQ(tblCurrent().copyUnmatched, 1);
    // Accepted: A, "\c01" as a plain key (copy char at 0 is none), and D.
    // Dropped silently: a value copy char at 0, and C without one.
    const auto& e = tblCurrent().data->forward.entries;
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(str(e[0].key), "\\c01");
    EXPECT_EQ(e[0].keyCopy, -1);
    EXPECT_EQ(str(e[1].key), "A");  // sort key 1, before D in the file
    EXPECT_EQ(str(e[2].key.first(1)), "D");
    EXPECT_EQ(e[2].keyCopy, 1);
}
