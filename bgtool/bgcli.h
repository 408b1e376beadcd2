// The command line of bgtool: options first (decided by their second
// character, either case; only '-' starts one), then InfoFile, TimFiles,
// dir1, dir2 and arguments that are accepted and not used.
#pragma once

#include <string>
#include <vector>

enum class BgMode { none, list, extract, import };

// Exit statuses.
inline constexpr int bgExitDone = 0;
inline constexpr int bgExitUsage = 1;       // no arguments, or only options
inline constexpr int bgExitNoMode = 111;    // no mode, too few arguments, allocation failure

struct BgCommand {
    BgMode mode = BgMode::none;
    std::vector<std::string> positional;
};

// Prints the usage text to stdout, naming the program by its file name.
void bgUsage(const std::string& program);

// Reads the options (printing the usage text and unknown-option lines as
// they come); `positional` gets everything from InfoFile on.
BgCommand bgReadCommandLine(const std::vector<std::string>& args, const std::string& program);

// The whole run: reads the command line, performs the mode, returns the
// exit status.
int bgRun(int argc, char** argv);
