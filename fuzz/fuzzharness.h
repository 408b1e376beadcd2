// For fuzz targets that run a whole tool on each input: the tool's own
// messages would flood the log, so they go to /dev/null while an input runs
// and the sanitizers report on the real stderr; a broken property ends the
// run with one line naming the target.
#pragma once

#include "fileutils.h"

#include <sanitizer/common_interface_defs.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

struct FuzzHarness {
    const char* target = "";
    int quietFd = -1, savedOut = -1, savedErr = -1;
};
inline FuzzHarness fuzzHarness;

// Once, before the first input.
inline void fuzzHarnessStart(const char* target)
{
    fuzzHarness.target = target;
    fuzzHarness.quietFd = open("/dev/null", O_WRONLY);
    fuzzHarness.savedOut = dup(1);
    fuzzHarness.savedErr = dup(2);
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(fuzzHarness.savedErr)));
}

inline void fuzzQuiet(bool on)
{
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(on ? fuzzHarness.quietFd : fuzzHarness.savedOut, 1);
    dup2(on ? fuzzHarness.quietFd : fuzzHarness.savedErr, 2);
}

[[noreturn]] inline void fuzzFail(const char* what)
{
    fuzzQuiet(false);
    std::fprintf(stderr, "%s: %s\n", fuzzHarness.target, what);
    std::abort();
}

// A whole file the tool wrote; ends the run when it cannot be read back.
inline std::vector<uint8_t> fuzzReadAll(const std::string& name)
{
    const int64_t size = fileSizeF(name);
    std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
    if (size > 0 && fileLoad(name, bytes, 0) != size)
        fuzzFail(("cannot read back " + name).c_str());
    return bytes;
}
