// picreel: makes an AVI movie from numbered BMP or TGA pictures and an
// optional WAV soundtrack. Without arguments it opens its dialog; -b runs
// the same creation from a script without a window.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch.h"
#include "dialog.h"
#include "messages.h"
#include "platform.h"

namespace {

// Qt ends the process when it finds no display: say why first.
bool haveDisplay()
{
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(v);
        if (value && *value)
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? platformBaseName(argv[0]) : "picreel";
    if (argc <= 1) {
        if (!haveDisplay()) {
            std::fprintf(stderr, "%s", picreelMsgNoDisplay);
            return 1;
        }
        return dialogRun(argc, argv);
    }
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
