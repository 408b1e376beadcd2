// bincopy: imports files or byte ranges into a file at given positions,
// copies sequences of blocks, appends files, exports byte ranges and
// converts files through a character table. One operation per run, named by
// the first argument, applied to each whole group of arguments that follows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A number with automatic base (decimal, "0x" hexadecimal, leading 0 octal),
// as a 32-bit signed value: values out of range stick at the nearest end,
// text after the digits is ignored, no digits give 0.
int32_t bincopyNumber(const std::string& text);

// Prints the usage text naming the program by the file name in `argv0`.
void bincopyUsage(const std::string& argv0);

// Runs one command line (args[0] is the program) and returns the exit
// status: 1 without arguments, 0 otherwise.
int bincopyRun(const std::vector<std::string>& args);
