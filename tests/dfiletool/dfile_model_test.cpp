// The element model in process: htype codes, header sizes, the header and
// DFile readers, and a header written and read back.
#include <gtest/gtest.h>

#include "dfiletool.h"
#include "dfiletool/fixtures.h"
#include "support/testsupport.h"

namespace {

std::string failureOf(DFileTool& t, const std::string& htype)
{
    try {
        dfileParseHtype(t, htype);
    } catch (const DfileFailure& f) {
        return f.text;
    }
    return "";
}

std::vector<int32_t> fields(const HeaderType& h)
{
    return {h.csize, h.cgap, h.psize, h.pgap, h.ssize, h.sgap, h.gcount, h.gskip, h.esize};
}

std::vector<std::pair<int64_t, int64_t>> places(const ElementList& list)
{
    std::vector<std::pair<int64_t, int64_t>> out;
    for (const Element& e : list)
        out.emplace_back(e.pos, e.size);
    return out;
}

}  // namespace

TEST(DfileHtype, CodesByLengthAndRefusals)
{
    DFileTool t;
    for (const char* bad : {"0", "00", "", "00000000000000000"})
        EXPECT_EQ(failureOf(t, bad), "error reading htype\n") << bad;
    EXPECT_EQ(failureOf(t, "1234567"), "error reading htype(not knowen type)\n");
    // A character that is no digit would make a field of -1 bytes.
    EXPECT_EQ(failureOf(t, "4-"), "error reading htype\n");
    // The length decides first: 7 characters are no known type, bad or not.
    EXPECT_EQ(failureOf(t, "12-4567"), "error reading htype(not knowen type)\n");

    const std::vector<std::pair<std::string, std::vector<int32_t>>> cases = {
        {"4", {0, 0, 4, 0, 0, 0, 0, 0, 4}},
        {"44", {0, 0, 4, 4, 0, 0, 0, 0, 8}},
        {"444", {0, 0, 4, 0, 4, 4, 0, 0, 12}},
        {"4440", {4, 0, 4, 0, 4, 0, 0, 0, 8}},
        {"41234", {4, 0, 1, 2, 3, 4, 0, 0, 10}},
        {"404044", {4, 0, 4, 0, 4, 4, 0, 0, 12}},
        {"40440042", {4, 0, 4, 4, 0, 0, 4, 2, 8}},
        {"010004000400", {1, 0, 4, 0, 4, 0, 0, 0, 8}},
        {"0100040004000a0z", {1, 0, 4, 0, 4, 0, 10, 35, 8}},
        {"8z", {0, 0, 8, 35, 0, 0, 0, 0, 43}},
        {"z", {0, 0, 35, 0, 0, 0, 0, 0, 35}},
    };
    for (const auto& [text, want] : cases) {
        DFileTool u;
        ASSERT_EQ(failureOf(u, text), "") << text;
        EXPECT_EQ(fields(u.htype), want) << text;
    }
    DFileTool g;
    dfileParseHtype(g, "40440042");
    EXPECT_EQ(dfileHeaderSize(g, 10), 88);
    EXPECT_EQ(dfileHeaderSize(g, 9), 80);
    EXPECT_EQ(dfilePieceSuffix(7), ".007");
    EXPECT_EQ(dfilePieceSuffix(1234), ".1234");
}

TEST(DfileReaders, HeaderWrittenAndReadBackWithSizeAddAndGroups)
{
    ScratchDir dir;
    // Fields wider than their values (a count above 4 bytes, positions and
    // sizes above 8) hold the value in their low bytes, the rest 0.
    for (const char* htype : {"4440", "40440042", "0102040308010302", "5a91", "0c00"}) {
        DFileTool t;
        dfileParseHtype(t, htype);
        t.sizeAdd = 3;
        t.elements = {{0x30, 0x10, 0}, {0x40, 0x23, 1}, {0x63, 0x5, 2}, {0x68, 0x7, 3}, {0x6F, 9, 4}};
        const auto expected = places(t.elements);
        const std::vector<uint8_t> header = dfileCreateHeader(t, {});
        ASSERT_EQ(static_cast<int64_t>(header.size()), dfileHeaderSize(t, 5)) << htype;
        testWriteFile(dir / "h.bin", header);
        if (std::string(htype) == "5a91") {
            EXPECT_EQ(DfileBytes(header.begin(), header.begin() + 16),
                      DfileBytes({5, 0, 0, 0, 0, 0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0D}));
            EXPECT_EQ(header[24], 0);
        }

        DFileTool r;
        dfileParseHtype(r, htype);
        r.sizeAdd = 3;
        r.hfile = dir / "h.bin";
        r.input = r.hfile;
        if (r.htype.csize == 0)
            r.hcount = 5;
        dfileReadHFile(r, false);
        if (r.htype.ssize == 0) {
            // A position-only layout gets its sizes from the next position.
            EXPECT_EQ(r.elements.size(), 5u);
            continue;
        }
        EXPECT_EQ(places(r.elements), expected) << htype;
    }
}

TEST(DfileReaders, StreamFormStopsWhereTheDataBegins)
{
    ScratchDir dir;
    DfileBytes d;
    for (uint32_t p : {16u, 20u, 24u, 28u, 40u})
        dfileFixtureLe(d, p, 4);
    d.resize(48, 'x');
    testWriteFile(dir / "d.bin", d);
    DFileTool t;
    dfileParseHtype(t, "4");
    t.input = dir / "d.bin";
    t.pmax = 48;
    dfileReadHFile(t, false);
    // Records at 0, 4, 8 and 12; sizes up to the next position and pmax.
    EXPECT_EQ(places(t.elements),
              (std::vector<std::pair<int64_t, int64_t>>{{16, 4}, {20, 4}, {24, 4}, {28, 20}}));

    DFileTool h;
    dfileParseHtype(h, "4");
    h.input = dir / "d.bin";
    h.pmax = 48;
    h.hmax = 8;
    dfileReadHFile(h, false);
    EXPECT_EQ(h.elements.size(), 2u);

    // Records without a field, from a header file: they end with the file.
    DFileTool f;
    dfileParseHtype(f, "04");
    f.hfile = dir / "d.bin";
    f.input = f.hfile;
    dfileReadHFile(f, false);
    EXPECT_EQ(f.elements.size(), 12u);

    DfileBytes dup;
    for (uint32_t p : {8u, 8u, 10u, 12u})
        dfileFixtureLe(dup, p, 2);
    dup.resize(14, 'y');
    testWriteFile(dir / "dup.bin", dup);
    DFileTool u;
    dfileParseHtype(u, "2");
    u.input = dir / "dup.bin";
    u.pmax = 14;
    u.removeDuplicates = true;
    dfileReadHFile(u, false);
    EXPECT_EQ(places(u.elements), (std::vector<std::pair<int64_t, int64_t>>{{8, 2}, {10, 2}, {12, 2}}));
    EXPECT_EQ(u.elements[0].index, 0);
    EXPECT_EQ(dfileHeaderRecords(u.elements), 4);
}

TEST(DfileReaders, SizeOnlyHeaderAndDamagedCount)
{
    ScratchDir dir;
    DfileBytes d;
    dfileFixtureLe(d, 2, 4);
    dfileFixtureLe(d, 3, 4);
    dfileFixtureLe(d, 5, 4);
    d.resize(20, 'z');
    testWriteFile(dir / "d.bin", d);
    DFileTool t;
    dfileParseHtype(t, "4040");  // count, then 4-byte sizes
    t.input = dir / "d.bin";
    dfileReadHFile(t, false);
    EXPECT_EQ(places(t.elements), (std::vector<std::pair<int64_t, int64_t>>{{12, 3}, {15, 5}}));

    // A count far beyond the file is refused before anything is allocated.
    d[3] = 0x7F;
    testWriteFile(dir / "d.bin", d);
    DFileTool bad;
    dfileParseHtype(bad, "4040");
    bad.input = dir / "d.bin";
    try {
        dfileReadHFile(bad, false);
        ADD_FAILURE() << "no failure";
    } catch (const DfileFailure& f) {
        EXPECT_EQ(f.text, "error reading elements(block)\n");
    }
}

TEST(DfileReaders, DFileMarkersAcrossTheScanWindows)
{
    ScratchDir dir;
    // The second marker straddles the first 1 MiB window.
    const std::string big(dfileMaxBuf - 30, 'b');
    testWriteText(dir / "d.txt", dfileFixtureDFile({"AB", big, "C"}) + "tail");
    DFileTool t;
    dfileParseHtype(t, "4440");
    t.mode = DfileMode::splitDFile;
    t.input = dir / "d.txt";
    dfileReadDFile(t);
    EXPECT_EQ(places(t.elements), (std::vector<std::pair<int64_t, int64_t>>{
                                      {0, 2}, {2, static_cast<int64_t>(big.size())},
                                      {2 + static_cast<int64_t>(big.size()), 1}}));

    // In join the positions follow the header that will be written.
    DFileTool j;
    dfileParseHtype(j, "4440");
    j.mode = DfileMode::join;
    j.input = dir / "d.txt";
    j.pbase = 0x100;
    j.markerInData = true;
    dfileReadDFile(j);
    ASSERT_EQ(j.elements.size(), 3u);
    EXPECT_EQ(j.elements[0].pos, 28 + 0x100);
    EXPECT_EQ(j.elements[0].size, 2 + 21);
}
