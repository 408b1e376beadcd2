#include "progress.h"

#include "platform.h"

#include <cstdio>

Progress::Progress(std::string what) : label(std::move(what)), shown(platformStderrIsTerminal()) {}

void progressShow(Progress& p, size_t done, size_t total)
{
    if (!p.shown || total == 0)
        return;
    constexpr size_t width = 30;
    const size_t filled = done >= total ? width : done * width / total;
    std::fprintf(stderr, "\r%s [%s%s] %zu/%zu", p.label.c_str(), std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), done, total);
    std::fflush(stderr);
    p.drawn = true;
}

void progressEnd(Progress& p)
{
    if (!p.drawn)
        return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    p.drawn = false;
}
