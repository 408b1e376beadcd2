#include "batch.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "avifile.h"
#include "messages.h"

namespace {

bool readNumber(const std::string& option, const std::string& text, long min, long max,
                long& value)
{
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0 || v < min || v > max) {
        std::fprintf(stderr, picreelMsgBadNumber, option.c_str(), text.c_str());
        return false;
    }
    value = v;
    return true;
}

// The progress bar of a terminal run, on stderr.
struct ProgressBar {
    bool shown = false;
    void draw(int frame, int last)
    {
        constexpr int width = 40;
        const int total = last + 1;
        const int done = total > 0 ? frame * width / total : 0;
        std::fprintf(stderr, "\r[%.*s%*s] %d/%d", done, "########################################",
                     width - done, "", frame, total);
        std::fflush(stderr);
        shown = true;
    }
    void end()
    {
        if (shown)
            std::fputc('\n', stderr);
        shown = false;
    }
};

}  // namespace

BatchCommand batchReadCommandLine(const std::vector<std::string>& args)
{
    BatchCommand cmd;
    CreationSettings& s = cmd.settings;
    s.chooseCompressor = false;
    s.showFrames = false;
    std::vector<std::string> positional;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-')
            break;
        const char o = static_cast<char>(a[1] | 0x20);
        if (o == 'b' || o == 't' || o == 'h' || a[1] == '?') {
            if (o == 'b')
                cmd.batch = true;
            else if (o == 't')
                s.useTga = true;
            else
                cmd.usage = true;
            continue;
        }
        if (o != 'r' && o != 'k' && o != 'c' && o != 'q' && o != 'w') {
            std::fprintf(stderr, picreelMsgUnknownOption, a.c_str());
            cmd.bad = true;
            return cmd;
        }
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, picreelMsgNeedsValue, a.c_str());
            cmd.bad = true;
            return cmd;
        }
        const std::string& value = args[++i];
        long n = 0;
        switch (o) {
        case 'r':
            if (!readNumber(a, value, 0, INT_MAX, n))
                return cmd.bad = true, cmd;
            s.frameRate = static_cast<uint32_t>(n);
            break;
        case 'k':
            if (!readNumber(a, value, 0, INT_MAX, n))
                return cmd.bad = true, cmd;
            s.keyRate = static_cast<uint32_t>(n);
            break;
        case 'q':
            if (!readNumber(a, value, -1, 10000, n))
                return cmd.bad = true, cmd;
            s.quality = static_cast<int32_t>(n);
            break;
        case 'c':
            if (value == "list") {
                cmd.listCompressors = true;
                break;
            }
            {
                const std::vector<AviCompressor> list = aviCompressors();
                const AviCompressor* c = aviFindCompressor(list, value);
                if (!c) {
                    std::fprintf(stderr, picreelMsgUnknownCodec, value.c_str());
                    return cmd.bad = true, cmd;
                }
                s.compressor = c->name == aviUncompressedName ? "DIB " : c->name;
            }
            break;
        default:  // 'w'
            s.soundtrack = value;
            break;
        }
    }
    positional.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    if (cmd.usage || cmd.listCompressors || !cmd.batch)
        return cmd;
    if (positional.size() != 2) {
        std::fprintf(stderr, "%s", picreelMsgBadArgs);
        cmd.bad = true;
        return cmd;
    }
    s.inputPrefix = positional[0];
    s.outputBase = creationOutputBase(positional[1]);
    return cmd;
}

void batchListCompressors()
{
    for (const AviCompressor& c : aviCompressors())
        std::printf(picreelMsgCompressorLine, c.name.c_str(), c.fourcc.c_str(),
                    c.description.c_str());
}

int batchRun(BatchCommand& cmd)
{
    ProgressBar bar;
    const bool terminal = isatty(STDERR_FILENO) != 0;
    CreationUi ui;
    ui.showError = [&](const char* message) {
        bar.end();
        std::fprintf(stderr, picreelErrorFormat, message);
        std::fflush(stderr);
    };
    if (terminal)
        ui.progress = [&](int frame, int last) { bar.draw(frame, last); };
    const bool made = createAvi(cmd.settings, ui);
    bar.end();
    return made ? 0 : 1;
}
