#include "tbl_helpers.h"

#include <cstring>
#include <random>

namespace {

// The plain definition of matching: try every entry in sorted order at every
// position; after an unmatched byte, a rest shorter than the last key and
// than every key that is ever tried passes unconverted. The module's index
// must give the same result.
std::string referenceConvert(const std::vector<TblEntry>& entries, bool copyUnmatched,
                             const std::string& input)
{
    size_t shortest = entries.empty() ? 0 : entries.back().key.size();
    for (const TblEntry& e : entries) {
        const bool everTried =
            e.keyCopy < 0 ? !e.key.empty()
                          : e.keyCopy > 0 || e.key[1] != 0 || e.key.size() > 4;
        if (everTried)
            shortest = std::min(shortest, e.key.size());
    }
    std::string out;
    const auto* in = reinterpret_cast<const uint8_t*>(input.data());
    size_t pos = 0;
    while (pos < input.size()) {
        const size_t left = input.size() - pos;
        const TblEntry* hit = nullptr;
        size_t span = 0;
        for (const TblEntry& e : entries) {
            const size_t klen = e.key.size();
            if (e.keyCopy < 0) {
                if (klen > 0 && klen <= left && std::memcmp(in + pos, e.key.data(), klen) == 0) {
                    hit = &e;
                    span = klen;
                    break;
                }
                continue;
            }
            const auto p = static_cast<size_t>(e.keyCopy);
            if (!(klen <= left || p < left))
                continue;
            const size_t r = e.key[p] == 1 ? e.key[p + 1] : 2 * e.key[p + 1];
            const size_t suffix = klen - p - 4;
            if (p + r + suffix == 0)
                continue;  // would match everywhere without moving on
            if (left < p + r + suffix || std::memcmp(in + pos, e.key.data(), p) != 0 ||
                std::memcmp(in + pos + p + r, e.key.data() + p + 4, suffix) != 0)
                continue;
            hit = &e;
            span = p + r + suffix;
            break;
        }
        if (!hit) {
            if (copyUnmatched)
                out += static_cast<char>(in[pos]);
            ++pos;
            if (!entries.empty() && input.size() - pos < shortest) {
                if (copyUnmatched)
                    out += input.substr(pos);
                break;
            }
            continue;
        }
        const std::string value(hit->value.begin(), hit->value.end());
        if (hit->keyCopy < 0) {
            out += value;
        } else {
            const auto p = static_cast<size_t>(hit->keyCopy);
            const int kind = hit->key[p];
            const size_t n = hit->key[p + 1];
            const std::string run(input, pos + p, kind == 1 ? n : 2 * n);
            if (hit->valueCopy < 0) {
                out += value;
            } else {
                const auto vp = static_cast<size_t>(hit->valueCopy);
                out += value.substr(0, vp);
                const int vkind = hit->value[vp];
                if (vkind == kind) {
                    out += run;
                } else if (kind == 2) {
                    for (size_t i = 0; i < n; ++i) {
                        char pair[3] = {run[2 * i], run[2 * i + 1], 0};
                        // Leading hex digits only, no sign or spaces.
                        int v = 0;
                        for (int k = 0; k < 2 && std::isxdigit(static_cast<unsigned char>(pair[k])); ++k)
                            v = v * 16 + (std::isdigit(static_cast<unsigned char>(pair[k]))
                                              ? pair[k] - '0'
                                              : std::toupper(static_cast<unsigned char>(pair[k])) - 'A' + 10);
                        out += static_cast<char>(v);
                    }
                } else {
                    char hex[3];
                    for (const char c : run) {
                        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
                        out += hex;
                    }
                }
                out += value.substr(vp + 4);
            }
        }
        pos += span;
    }
    return out;
}

// Random tables over a small alphabet, so that keys overlap, share prefixes
// and tie on their sort keys, with copy chars of both kinds.
std::string randomTable(std::mt19937& rng, bool skip)
{
    const std::string alphabet = "ab\xF0" "1";
    auto pick = [&](size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(rng); };
    auto bytes = [&](size_t n) {
        std::vector<uint8_t> b;
        for (size_t i = 0; i < n; ++i)
            b.push_back(static_cast<uint8_t>(alphabet[pick(0, alphabet.size() - 1)]));
        return b;
    };
    auto copyChar = [&]() {
        char c[8];
        std::snprintf(c, sizeof c, "\\%c%02X", pick(0, 1) ? 'c' : 'h', static_cast<unsigned>(pick(0, 3)));
        return std::string(c);
    };
    std::string text = skip ? "=skipmode\r\n" : "";
    const size_t lines = pick(0, 24);
    for (size_t i = 0; i < lines; ++i) {
        std::string key;
        std::string value = "<" + std::to_string(i);
        if (pick(0, 3) == 0) {
            key = tblFixtureHex(bytes(pick(0, 2))) + copyChar() + tblFixtureHex(bytes(pick(0, 2)));
            if (pick(0, 3) != 0)
                value += copyChar();
        } else {
            key = tblFixtureHex(bytes(pick(1, 4)));
        }
        text += tblFixtureLine(key, value + ">");
    }
    return text;
}

std::string randomInput(std::mt19937& rng, size_t n)
{
    const std::string alphabet = "ab\xF0" "1<>0123456789cF";
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
    return s;
}

}  // namespace

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
        const std::string table = randomTable(rng, skip);
        load(table);
        const TblData& d = *tblCurrent().data;
        for (int k = 0; k < 4; ++k) {
            const std::string in = randomInput(rng, std::uniform_int_distribution<size_t>(0, 40)(rng));
            ASSERT_EQ(tblTestConvert(in), referenceConvert(d.forward.entries, !skip, in))
                << "table:\n" << table << "input: " << in;
            ASSERT_EQ(tblTestConvert(in, true), referenceConvert(d.reverse.entries, !skip, in))
                << "table:\n" << table << "input: " << in;
        }
    }
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
