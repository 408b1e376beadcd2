// The character table and lengths table of a project, loaded once for a
// run and released with it.
#pragma once

#include "dlgfile.h"
#include "lengths.h"
#include "varlen.h"

#include <string>

struct Kz7Tables {
    DlgSettings settings;  // conversion slots; recompute settings when loaded
    DlgLengths lengths;
    Kz7Varlen varlen;
    bool loaded = false;
    Kz7Tables() = default;
    Kz7Tables(const Kz7Tables&) = delete;
    Kz7Tables& operator=(const Kz7Tables&) = delete;
    ~Kz7Tables();
};

// Loads the character table `tbs` and the lengths table beside it (its
// name with an "l" last). False after the modules' messages.
bool kz7TablesLoad(Kz7Tables& t, const std::string& tbs);
