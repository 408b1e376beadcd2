// dbtool: lists, extracts, imports into and recreates KZ7 DB archives.
//   dbtool -<mode> [-n] [-d] [-s] [-x] [-a] DIR DBfile [outname] [addname]

#include "arglist.h"
#include "db.h"
#include "messages.h"
#include "platform.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

enum DbMode { modeNone = 0, modeExtract = 1, modeImport = 3, modeList = 4 };

void dbUsage(const char* argv0)
{
    std::fprintf(stderr, dbMsgUsage[0], platformBaseName(argv0).c_str());
    for (size_t k = 1; k < std::size(dbMsgUsage); ++k)
        std::fputs(dbMsgUsage[k], stderr);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* argv0 = argc > 0 ? argv[0] : "dbtool";
    if (argc < 4) {
        dbUsage(argv0);
        return 0;
    }
    if (argv[1][0] != '-') {
        std::fputs(dbMsgNoOption, stderr);
        dbUsage(argv0);
        return 0;
    }

    int mode = modeNone;
    int k = 1;
    for (; k < argc && argv[k][0] == '-'; ++k) {
        switch (std::tolower(static_cast<unsigned char>(argv[k][1]))) {
        case 'e': mode = modeExtract; break;
        case 'r': mode = modeImport; break;
        case 'i': dbSettings.import = true; mode = modeImport; break;
        case 'l': mode = modeList; break;
        case 'n': dbSettings.subdirs = false; break;
        case 'd': dbSettings.decode = true; break;
        case 's': dbSettings.shortNames = true; break;
        case 'x': dbSettings.expandName = true; break;
        case 'a': dbSettings.align = true; break;
        case 'h':
        case '?': dbUsage(argv0); break;
        default:
            std::fprintf(stderr, dbMsgUnknownOption, argv[k]);
            dbUsage(argv0);
            break;
        }
    }
    if (argc - k < 2) {
        std::fputs(dbMsgNoFiles, stderr);
        dbUsage(argv0);
        return 0;
    }
    if (mode == modeNone)
        return 0;

    const std::string dir = argv[k];
    const std::string dbFile = argv[k + 1];
    if (!platformIsDir(dir)) {
        std::fprintf(stderr, dbMsgNoDir, dir.c_str());
        return 0;
    }
    std::string prefix = dir;
    if (prefix.back() != platformSeparator)
        prefix += platformSeparator;
    if (!platformIsRegular(dbFile)) {
        std::fprintf(stderr, dbMsgNoFile, dbFile.c_str());
        return 0;
    }

    std::unique_ptr<DbArchive> archive = dbOpen(dbFile);
    if (!archive)
        return 0;
    std::unique_ptr<ArgList> list = argListNew(argv + k + 2, argc - k - 2);
    argListLower(list.get());

    long long result = 0;
    switch (mode) {
    case modeExtract: result = dbExtractAll(prefix, *archive, list.get()); break;
    case modeImport: result = dbImport(prefix, *archive, list.get()); break;
    case modeList:
        dbList(*archive);
        result = 1;
        break;
    default: std::fprintf(stderr, dbMsgMode, mode); break;
    }
    dbClose(std::move(archive));
    return platformExitStatus(result);
}
