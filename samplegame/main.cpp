// samplegame: writes the sample game into a directory.
#include <cstdio>
#include <string>

#include "messages.h"
#include "platform.h"
#include "samplegame.h"

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? platformBaseName(argv[0]) : "samplegame";
    std::string dir;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.size() > 1 && arg[0] == '-') {
            if (arg[1] == 'h' || arg[1] == 'H' || arg[1] == '?') {
                usage = true;
                continue;
            }
            std::fprintf(stderr, sampleMsgUnknownOption, arg.c_str());
            std::fprintf(stderr, sampleMsgUsage, program.c_str());
            return 2;
        }
        if (!dir.empty()) {
            std::fprintf(stderr, sampleMsgTooManyArgs, arg.c_str());
            std::fprintf(stderr, sampleMsgUsage, program.c_str());
            return 2;
        }
        dir = arg;
    }
    if (usage) {
        std::fprintf(stderr, sampleMsgUsage, program.c_str());
        return 0;
    }
    if (dir.empty()) {
        std::fprintf(stderr, sampleMsgNoDir);
        std::fprintf(stderr, sampleMsgUsage, program.c_str());
        return 2;
    }

    std::string error;
    const auto game = sampleGameBuild(error);
    if (!game) {
        std::fprintf(stderr, sampleMsgBuild, error.c_str());
        return 1;
    }
    if (!sampleGameWrite(*game, dir))
        return 1;
    const std::string prefix = dir.ends_with('/') ? dir : dir + "/";
    for (const SampleGameFile& f : game->files)
        std::printf(sampleMsgWritten, (prefix + f.name).c_str(),
                    static_cast<unsigned>(f.data.size()), f.what.c_str());
    return 0;
}
