// kz7str: imports the frames of a STR movie into the game's movie frames of
// a raw CD image. Exit status 1 for a layout check or the usage text, 2 and 3
// for a bad FramePos or FramesSkip, 0 once the import ran.
#include <cstdio>
#include <string>

#include "kz7str.h"
#include "messages.h"
#include "platform.h"

int main(int argc, char** argv)
{
    if (!kz7StrStructsValidation()) {
        std::fputs(kz7strMsgStructs, stderr);
        return 1;
    }
    const std::string program = platformBaseName(argc > 0 ? argv[0] : "kz7str");
    int k = 1;
    // Only '-' starts an option: '/' starts an absolute path here.
    for (; k < argc && argv[k][0] == '-'; ++k) {
        switch (argv[k][1]) {
        case 'd':
        case 'D':
            kz7strSetSavepsxStrData(1);
            break;
        case 'n':
        case 'N':
            kz7strDoNotUpdateHeader(0);
            break;
        case 'h':
        case 'H':
        case '?':
            kz7strUsage(program);
            return 1;
        default:
            std::fprintf(stderr, kz7strMsgUnknownOption, argv[k]);
        }
    }
    if (argc - k < 3) {
        kz7strUsage(program);
        return 1;
    }
    int32_t pos = 0;
    if (!kz7strNumber(argv[k + 2], pos)) {
        std::fprintf(stderr, kz7strMsgFramePos, static_cast<int>(pos));
        return 2;
    }
    int32_t skip = 0;
    if (argc - k > 3 && !kz7strNumber(argv[k + 3], skip)) {
        std::fprintf(stderr, kz7strMsgFramesSkip, static_cast<int>(skip));
        return 3;
    }
    kz7strImportPsxStr(argv[k], argv[k + 1], pos, skip);
    return 0;
}
