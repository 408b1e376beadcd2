// picreel: makes an AVI movie from numbered BMP or TGA pictures and an
// optional WAV soundtrack; -b runs the creation from a script without a
// window.
#include <cstdio>
#include <string>
#include <vector>

#include "batch.h"
#include "messages.h"
#include "platform.h"

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? platformBaseName(argv[0]) : "picreel";
    BatchCommand cmd = batchReadCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (cmd.bad) {
        std::fprintf(stderr, picreelMsgUsage, program.c_str());
        return 1;
    }
    if (cmd.usage) {
        std::fprintf(stderr, picreelMsgUsage, program.c_str());
        return 0;
    }
    if (cmd.listCompressors) {
        batchListCompressors();
        return 0;
    }
    if (!cmd.batch) {
        std::fprintf(stderr, picreelMsgUsage, program.c_str());
        return 1;
    }
    return batchRun(cmd);
}
