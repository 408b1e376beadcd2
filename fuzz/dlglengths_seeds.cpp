// Writes seeds for dlglengths_fuzz: lengths table, 0x00, dialog text.
#include "dlgtool/fixtures.h"

#include <cstdio>
#include <string>

using namespace dlgfix;

static void save(const std::string& dir, const std::string& name, const std::string& table,
                 const Bytes& text)
{
    if (FILE* f = std::fopen((dir + "/" + name).c_str(), "wb")) {
        std::fwrite(table.data(), 1, table.size(), f);
        std::fputc(0, f);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    const std::string extra = "\\xF9\\x07\\c02=\\ls\r\n\\xF9\\x04\\f00=0\r\n\\xF9\\x08=\\kz7ch\r\n"
                              "\\xF9\\x0A=\\dx\r\n\\xF9\\x0C=\\k\r\n\\x10\\h01=\\x\r\n"
                              "\\x11\\t00=\\ax\r\n=skip\r\n\\x12=\r\n";
    save(dir, "items", lengthsTable(60, extra), game("aaaaaaaaaaaa $|aaaaaaaaaaaaaaaaaa~"));
    save(dir, "ls", lengthsTable(60, extra), game("aa\xF9\x07\x01\x01" "aaa|b#"));
    save(dir, "op04", lengthsTable(60, extra),
         game("\xF9\x04\x02\x04\x01\x01\x01" "ab|cd|e"));
    save(dir, "choice", lengthsTable(0, extra), game("aa|\xF9\x08" "aaaa$|aaaa$"));
    return 0;
}
