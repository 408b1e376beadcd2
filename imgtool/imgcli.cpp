#include "imgcli.h"

#include "img.h"
#include "messages.h"
#include "platform.h"

#include <cctype>
#include <cstdio>

void imgUsage(const std::string& program)
{
    std::fprintf(stderr, imgMsgUsage[0], program.c_str());
    for (size_t k = 1; k < std::size(imgMsgUsage); ++k)
        std::fputs(imgMsgUsage[k], stderr);
}

ImgCommand imgReadCommandLine(int argc, char** argv)
{
    ImgCommand cmd;
    const std::string program = platformBaseName(argc > 0 ? argv[0] : "imgtool");
    const int nargs = argc - 1;
    char** args = argv + 1;
    if (nargs < 3) {
        imgUsage(program);
        return cmd;
    }
    // Only '-' starts an option: '/' starts an absolute path here.
    auto isOption = [](const char* a) { return a[0] == '-'; };
    if (!isOption(args[0])) {
        std::fputs(imgMsgNoOption, stderr);
        imgUsage(program);
        return cmd;
    }
    int k = 0;
    for (; k < nargs && isOption(args[k]); ++k) {
        switch (std::tolower(static_cast<unsigned char>(args[k][1]))) {
        case 'e':
            cmd.mode = imgModeExtract;
            break;
        case 'a':
            cmd.mode = imgModeNothing;
            break;
        case 'r':
            cmd.mode = imgModeImport;
            break;
        case 'i':
            imgSettings.import = true;
            cmd.mode = imgModeImport;
            break;
        case 'l':
            cmd.mode = imgModeList;
            break;
        case 'n':
            imgSettings.useSubdirs = false;
            break;
        case 'd':
            imgSettings.decode = true;
            break;
        case 's':
            imgSettings.shortNames = true;
            break;
        case 'h':
        case '?':
            imgUsage(program);
            break;
        default:
            std::fprintf(stderr, imgMsgUnknownOption, args[k]);
            imgUsage(program);
        }
    }
    if (nargs - k < 2) {
        std::fputs(imgMsgNoFileOrDir, stderr);
        imgUsage(program);
        return cmd;
    }
    if (cmd.mode == imgModeNone)
        return cmd;
    cmd.dir = args[k];
    cmd.file = args[k + 1];
    cmd.list = argListNew(args + k + 2, nargs - k - 2);
    cmd.run = true;
    return cmd;
}
