#include "bgcli.h"

#include "bgbackground.h"
#include "bgextract.h"
#include "bgimport.h"
#include "messages.h"
#include "platform.h"

#include <cctype>
#include <cstdio>

void bgUsage(const std::string& program)
{
    std::printf(bgMsgUsage[0], program.c_str());
    for (size_t k = 1; k < std::size(bgMsgUsage); ++k)
        std::fputs(bgMsgUsage[k], stdout);
}

BgCommand bgReadCommandLine(const std::vector<std::string>& args, const std::string& program)
{
    BgCommand cmd;
    size_t k = 0;
    for (; k < args.size() && args[k].starts_with('-'); ++k) {
        const std::string& a = args[k];
        const char c = a.size() > 1 ? static_cast<char>(std::tolower(static_cast<unsigned char>(a[1]))) : '\0';
        switch (c) {
        case 'l':
            cmd.mode = BgMode::list;
            break;
        case 'e':
            cmd.mode = BgMode::extract;
            break;
        case 'i':
        case 'a':
            cmd.mode = BgMode::import;
            break;
        case 'h':
            if (platformStricmp(a.substr(1), "help") == 0)
                bgUsage(program);
            else
                cmd.mode = BgMode::import;
            break;
        case '?':
            bgUsage(program);
            break;
        case 't':
        case '8':
        case 'p':
        case 'r':
            break;
        default:
            std::fprintf(stderr, bgMsgUnknownOption, a.c_str());
        }
    }
    cmd.positional.assign(args.begin() + static_cast<std::ptrdiff_t>(k), args.end());
    return cmd;
}

int bgRun(int argc, char** argv)
{
    // Lines on stdout (usage, listing, the adding-tiles line) and stderr stay
    // in the order they happen when both streams go to one place.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    const std::string program = platformBaseName(argc > 0 ? argv[0] : "bgtool");
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) {
        bgUsage(program);
        return bgExitUsage;
    }
    const BgCommand cmd = bgReadCommandLine(args, program);
    if (cmd.positional.empty()) {
        bgUsage(program);
        return bgExitUsage;
    }
    const size_t needs = cmd.mode == BgMode::list      ? 1
                         : cmd.mode == BgMode::extract ? 3
                         : cmd.mode == BgMode::import  ? 4
                                                       : 0;
    if (cmd.mode == BgMode::none || cmd.positional.size() < needs) {
        bgUsage(program);
        return bgExitNoMode;
    }
    const std::vector<std::string>& p = cmd.positional;
    switch (cmd.mode) {
    case BgMode::list:
        tileInfoList(p[0]);
        break;
    case BgMode::extract:
        backgroundExtract(p[0], p[1], p[2]);
        break;
    case BgMode::import:
        if (!backgroundImport(p[0], p[1], p[2], p[3]))
            return bgExitNoMode;
        break;
    case BgMode::none:
        break;
    }
    std::fflush(stdout);
    return bgExitDone;
}
