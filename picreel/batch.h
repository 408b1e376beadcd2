// The command line for scripts: picreel -b ... runs the creation without a
// window. Messages go to stderr as the error box shows them ("Error : " and
// the text); a progress bar is drawn only on a terminal.
#pragma once

#include <string>
#include <vector>

#include "creation.h"

struct BatchCommand {
    bool batch = false;        // -b given
    bool usage = false;        // print the usage text
    bool listCompressors = false;
    bool bad = false;          // wrong command line (a message was printed)
    CreationSettings settings;
};

// Reads the arguments after the program name; messages of a wrong command
// line go to stderr.
BatchCommand batchReadCommandLine(const std::vector<std::string>& args);

// Prints the compressors, one a line, to stdout.
void batchListCompressors();

// Runs the creation of `cmd`; the exit status: 0 when the movie was written,
// 1 otherwise.
int batchRun(BatchCommand& cmd);
