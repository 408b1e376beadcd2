// The command line of imgtool: options first (each decided by its second
// character, either case), then DIR, the archive and the argument list.
#pragma once

#include "arglist.h"

#include <memory>
#include <string>

enum ImgMode : int { imgModeNone = 0, imgModeExtract = 1, imgModeNothing = 2, imgModeImport = 3,
                     imgModeList = 4 };

struct ImgCommand {
    bool run = false;  // false: the run ends here with exit code 0
    int mode = imgModeNone;
    std::string dir;
    std::string file;
    std::unique_ptr<ArgList> list;  // null when there are no further arguments
};

// Prints the usage text naming the program by its file name.
void imgUsage(const std::string& program);

// Reads the arguments, setting imgSettings; prints the usage text and the
// argument messages itself.
ImgCommand imgReadCommandLine(int argc, char** argv);
