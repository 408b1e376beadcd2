// A progress bar on standard error, drawn only when it is a terminal.
#pragma once

#include <cstddef>
#include <string>

struct Progress {
    std::string label;
    bool shown = false;   // stderr is a terminal
    bool drawn = false;   // a bar is on the line
    explicit Progress(std::string what);
};

// Draws "label [#####     ] done/total".
void progressShow(Progress& p, size_t done, size_t total);
// Clears the bar's line.
void progressEnd(Progress& p);
