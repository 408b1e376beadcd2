// Window size recomputation through the program: each case writes a dialog
// file and the lengths table, runs "dlgtool -o" in one of the modes and
// compares every byte written and every line printed. The expected files are
// laid out from their records, independently of the code under test.
#include "support/testsupport.h"
#include "dlgtool/fixtures.h"

#include <gtest/gtest.h>

using namespace dlgfix;

namespace {

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const auto& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

constexpr uint16_t size(unsigned width, unsigned lines)
{
    return static_cast<uint16_t>(width + 256 * 16 * lines);
}

// Line 0 of fixed width 100 holding the item "$" (F9 06 00 01, width 60),
// line 1 of `secondLetters` letters, plus the 6 wide "~" when `tilde`.
Bytes itemText(int secondLetters, bool tilde)
{
    return game("aaaaaaaaaaaa $|" + std::string(static_cast<size_t>(secondLetters), 'a') +
                (tilde ? "~" : ""));
}

// The data of an 0xF90D opcode without its F9 0D.
Bytes varlenData(const std::vector<Group>& groups)
{
    const Bytes op = varlenOpcode(groups);
    return Bytes(op.begin() + 2, op.end());
}

std::string dump(const Bytes& b)
{
    std::string s;
    char one[8];
    for (const uint8_t c : b) {
        std::snprintf(one, sizeof one, "[x%02X]", unsigned{c});
        s += one;
    }
    return s + "\n";
}

// Three dialogs whose second script record starts before the first text
// (pointer 0x18 below 0x19): the first dialog ends before it starts.
Bytes outOfOrder(uint16_t flags2, uint16_t flags3, uint16_t flags4)
{
    Bytes f = dlgFile({{{0x10}, 0}, {game("ab"), 0x0100}, {{0x11}, flags2}, {game("a"), flags3},
                       {{0x12}, flags4}, {game("abc"), 0}});
    put16(f, 4 + 8, 0x18);
    return f;
}

const Bytes item100 = varlenOpcode({{100, 0, {0x06, 0x01}}});
const Bytes oldTwoGroups = varlenOpcode({{90, 0, {0x06, 0x01}}, {70, 1, {0x06, 0x02}}});

struct Case {
    std::string name;
    std::vector<std::string> options;
    Bytes input;
    Bytes expected;
    std::string err;
    std::string out;
    std::string extra = "";  // more lengths table lines
};

std::vector<Case> cases()
{
    std::vector<Case> c;
    c.push_back({"three lines of ten letters", {"-o"},
                 dlgFile({{{0x10}, 0x1234}, {game("aaaaaaaaaa|bbbbbbbbbb|cccccccccc"), 0xAB77},
                          {{0x11}, 0}, {game("a"), 0x5555}}),
                 dlgFile({{{0x10}, 80 + 256 * 48}, {game("aaaaaaaaaa|bbbbbbbbbb|cccccccccc"), 0xAB03},
                          {{0x11}, size(8, 1)}, {game("a"), 0x5555}}),
                 "", ""});
    c.push_back({"empty texts measure nothing", {"-o"},
                 dlgFile({{{0x10}, 0xFFFF}, {{}, 0x12FF}, {{0x11}, 0xFFFF}, {{}, 0x5555}}),
                 dlgFile({{{0x10}, 0}, {{}, 0x1200}, {{0x11}, 0}, {{}, 0x5555}}), "", ""});
    c.push_back({"missing bytes reported each time", {"-o", "-dn"},
                 dlgFile({{{0x10}, 0}, {Bytes{0x01, 0x90, 0x01, 0x7F, 0x90, 0x01}, 0}}),
                 dlgFile({{{0x10}, size(24, 1)}, {Bytes{0x01, 0x90, 0x01, 0x7F, 0x90, 0x01}, 0}}),
                 "WARN: not found length for char '\x90'(0xFFFFFF90)\n"
                 "WARN: not found length for char '\x7F'(0x7F)\n"
                 "WARN: not found length for char '\x90'(0xFFFFFF90)\n",
                 ""});
    c.push_back({"mode 3 appends the opcode of an item that does not fit", {"-o"},
                 dlgFile({{{0x10, 0x20}, 0}, {itemText(18, true), 0}, {{0x30}, 0}, {game("ab"), 0}}),
                 dlgFile({{cat({{0x10, 0x20}, item100}), size(150, 2)},
                          {itemText(18, true), 2},
                          {{0x30}, size(16, 1)},
                          {game("ab"), 0}}),
                 "", ""});
    c.push_back({"mode 3 replaces an opcode that is still needed", {"-o", "-dr"},
                 dlgFile({{cat({{0x10}, oldTwoGroups, {0x20}}), 0}, {itemText(18, true), 0}}),
                 dlgFile({{cat({{0x10}, item100, {0x20}}), size(150, 2)}, {itemText(18, true), 0}}),
                 "", ""});
    c.push_back({"mode 3 drops the opcode once the item fits", {"-o", "-dR"},
                 dlgFile({{cat({{0x10}, oldTwoGroups, {0x20}}), 0}, {itemText(20, false), 0}}),
                 dlgFile({{{0x10, 0x20}, size(160, 2)}, {itemText(20, false), 0}}), "", ""});
    c.push_back({"mode 1 keeps a matching opcode and refreshes its width", {"-o", "-dm"},
                 dlgFile({{cat({{0x10}, varlenOpcode({{90, 0, {0x06, 0x01}}}), {0x20}}), 0},
                          {itemText(20, false), 0}}),
                 dlgFile({{cat({{0x10}, item100, {0x20}}), size(160, 2)}, {itemText(20, false), 0}}),
                 "", ""});
    c.push_back({"mode 1 replaces an opcode with a group the new data lacks", {"-o", "-DM"},
                 dlgFile({{cat({{0x10}, oldTwoGroups, {0x20}}), 0}, {itemText(18, true), 0}}),
                 dlgFile({{cat({{0x10}, item100, {0x20}}), size(150, 2)}, {itemText(18, true), 0}}),
                 "", ""});
    c.push_back({"mode 1 adds no opcode to a script without one", {"-o", "-dm"},
                 dlgFile({{{0x10}, 0}, {itemText(18, true), 0}}),
                 dlgFile({{{0x10}, size(150, 2)}, {itemText(18, true), 0}}), "", ""});
    c.push_back({"mode 2 updates in place and reports the leftover group", {"-o", "-du"},
                 dlgFile({{cat({{0x10}, oldTwoGroups, {0x20}}), 0}, {itemText(18, true), 0}}),
                 dlgFile({{cat({{0x10}, varlenOpcode({{100, 0, {0x06, 0x01}}, {70, 1, {0x06, 0x02}}}),
                                {0x20}}),
                           size(150, 2)},
                          {itemText(18, true), 0}}),
                 "ERROR: unexpected situation, kz7varlen should be whole processed rest: 7 bytes\n"
                 "ERROR: kz7varlen script bad update : x.dlg : -1 : pos 2\n",
                 "kz7varlenCompareUpdate :\n" +
                     dump(varlenData({{100, 0, {0x06, 0x01}}, {70, 1, {0x06, 0x02}}})) +
                     dump(varlenData({{100, 0, {0x06, 0x01}}}))});
    c.push_back({"mode 2 reports data too short to compare", {"-o", "-du"},
                 dlgFile({{{0x10, 0x20, 0xF9, 0x0D, 0xFF, 0xFF, 0xFF}, 0}, {itemText(18, true), 0}}),
                 dlgFile({{{0x10, 0x20, 0xF9, 0x0D, 0xFF, 0xFF, 0xFF}, size(150, 2)},
                          {itemText(18, true), 0}}),
                 "ERROR: compare : unexpected size of kz7varlen data:first: 3, second: 7\n"
                 "ERROR: kz7varlen script bad update : x.dlg : -999 : pos 2\n",
                 "kz7varlenCompareUpdate :\n[xFF][xFF][xFF]\n" +
                     dump(varlenData({{100, 0, {0x06, 0x01}}}))});
    c.push_back({"mode 0 leaves every opcode alone", {"-o", "-dn"},
                 dlgFile({{cat({{0x10}, oldTwoGroups}), 0}, {itemText(18, true), 0x0900},
                          {{0x11}, 0}, {game("a|a"), 0}}),
                 dlgFile({{cat({{0x10}, oldTwoGroups}), size(150, 2)}, {itemText(18, true), 0x0902},
                          {{0x11}, size(8, 2)}, {game("a|a"), 0}}),
                 "", ""});
    c.push_back({"an opcode without its end is no opcode", {"-o"},
                 dlgFile({{{0x10, 0xF9, 0x0D, 0x64, 0x00, 0xFF, 0xFF}, 0}, {itemText(18, true), 0}}),
                 dlgFile({{cat({{0x10, 0xF9, 0x0D, 0x64, 0x00, 0xFF, 0xFF}, item100}), size(150, 2)},
                          {itemText(18, true), 0}}),
                 "ERROR: not found end for opcode 0xF90D\n", ""});
    c.push_back({"battle files change only their flags", {"-o"},
                 dlgBattle({{itemText(18, true), 0x1111}, {game("ab|c"), 0x2222},
                            {cat({game("abc"), {0, 0}}), 0x3333}}),
                 dlgBattle({{itemText(18, true), size(150, 2)}, {game("ab|c"), size(16, 2)},
                            {cat({game("abc"), {0, 0}}), size(24, 1)}}),
                 "", ""});
    c.push_back({"line widths at the end code and at the end of the text", {"-o"},
                 dlgFile({{{0x10}, 0}, {cat({game("aa"), {0xF9, 0x07, 0, 0}, game("aaa#zz")}), 0},
                          {{0x11}, 0}, {cat({game("a"), {0xF9, 0x07, 0, 0}, game("aa")}), 0}}),
                 dlgFile({{{0x10}, size(40, 1)},
                          {cat({game("aa"), {0xF9, 0x07, 40, 0}, game("aaa#zz")}), 1},
                          {{0x11}, size(24, 1)},
                          {cat({game("a"), {0xF9, 0x07, 24, 0}, game("aa")}), 0}}),
                 "", "", "\\xF9\\x07\\c02=\\ls\r\n"});
    c.push_back({"an abandoned dialog keeps its sizes and its script", {"-o"},
                 dlgFile({{cat({{0x10}, oldTwoGroups}), 0x4321}, {cat({itemText(18, true), {0xF9, 0x0C}}), 0x0707},
                          {{0x11}, 0}, {game("ab"), 0}}),
                 dlgFile({{cat({{0x10}, oldTwoGroups}), 0x4321}, {cat({itemText(18, true), {0xF9, 0x0C}}), 0x0707},
                          {{0x11}, size(16, 1)}, {game("ab"), 0}}),
                 "", "", "\\xF9\\x0C=\\k\r\n"});
    c.push_back({"choice lines count neither toward the width nor fit", {"-o"},
                 dlgFile({{{0x10}, 0}, {cat({game("aa|"), {0xF9, 0x08}, game("aaaaaaaaaa|aaaa")}), 0}}),
                 dlgFile({{{0x10, 0xF9, 0x0D, 0x50, 0x10, 0xFF, 0x20, 0x20, 0xFF, 0xFF, 0xFF}, size(16, 3)},
                          {cat({game("aa|"), {0xF9, 0x08}, game("aaaaaaaaaa|aaaa")}), 0}}),
                 "", "", "\\xF9\\x08=\\kz7ch\r\n"});
    const std::string outOfOrderErr =
        "ERROR: x.dlg:dialog No.2 ends before it starts (next pointer 18 below its pointer 19), "
        "dialog skipped\n";
    c.push_back({"in place only the dialog that ends before it starts is skipped", {"-o", "-dn"},
                 outOfOrder(0, 0x0900, 0), outOfOrder(size(8, 1), 0x0901, size(24, 1)),
                 outOfOrderErr, ""});
    c.push_back({"a rebuild of records out of order leaves the file as it was", {"-o"},
                 outOfOrder(0, 0x0900, 0), outOfOrder(0, 0x0900, 0), outOfOrderErr, ""});
    return c;
}

}  // namespace

TEST(DlgRecomputeRun, EveryModeWritesTheExpectedBytesAndMessages)
{
    for (const Case& k : cases()) {
        SCOPED_TRACE(k.name);
        ScratchDir dir;
        testWriteText(dir / "kz7.tbl", lengthsTable(60, "\\x7E=6\r\n" + k.extra));
        testWriteFile(dir / "x.dlg", k.input);
        std::vector<std::string> args = k.options;
        args.insert(args.end(), {"x.dlg", "y.dlg"});
        const RunResult r = testRun("dlgtool", args, dir.path);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, k.err);
        EXPECT_EQ(r.out, k.out);
        EXPECT_EQ(testReadFile(dir / "y.dlg"), k.expected);
        EXPECT_EQ(testReadFile(dir / "x.dlg"), k.input);
    }
}
