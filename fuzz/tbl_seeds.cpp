// Writes seed inputs for tbl_fuzz: table texts from the test builders, the
// marker and inputs that hit their entries.
#include "tbl/fixtures.h"

#include <cstdio>
#include <string>
#include <vector>

static void seed(const std::string& dir, int n, char flags, const std::string& table,
                 const std::string& input)
{
    const std::string path = dir + "/seed" + std::to_string(n);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::string all(1, flags);
    all += table;
    all += std::string("\xFF\x00\xFF", 3);
    all += input;
    std::fwrite(all.data(), 1, all.size(), f);
    std::fclose(f);
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    const std::string dialog = tblFixtureDialogTable();
    seed(dir, 0, 0, dialog, "\x20\x21\xF9\x06\x0A\x81\x40\xF9\x07\x01\x02\x0A");
    seed(dir, 1, 2, dialog, "AB [COL0F]<N\x01\x02>\r\n");
    seed(dir, 2, 1, dialog, "\x20\x21\xF9\x06\x0A\x81");
    seed(dir, 3, 0, "=skipmode\r\nA\\x41\\\\=\\==x\\\r\ny\r\n\\c05=\\h05\r\n", "AAB\\=0123456789");
    seed(dir, 4, 3, "=x\r\nA=\r\nB\\c01=<\\h01>\r\n", "<0G>B1");
    // Keys at both ends of the byte range, a long one, an empty and a long
    // value: the direct cells' rows, defaults and entries.
    const std::string wide = tblFixtureTable({{tblFixtureHex({0x00}), "a"},
                                              {tblFixtureHex({0xFF, 0x40}), ""},
                                              {tblFixtureHex({0xFF, 0x40, 0x80}), "abcd"},
                                              {tblFixtureHex(std::vector<uint8_t>(16, 0xBF)), "b"},
                                              {tblFixtureHex({0xBF}) + "\\c01", "c\\c01"}});
    seed(dir, 5, 0, wide, std::string("\xFF\x40\x80\xFF\x40\x00", 6) + std::string(17, '\xBF'));
    seed(dir, 6, 2, wide, "aabcdbc");
    return 0;
}
