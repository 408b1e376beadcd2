// The check of a project's dialog texts: characters and control codes the
// character table can't convert, damaged separators, missing end codes,
// and each window's measured width and line count against the limits, with
// the verdict of the original text beside it.
#pragma once

#include <cstdint>
#include <string>

// Default limits, from the game: the screen is 320 pixels wide (the sample
// game's screen and movie frames), and the window size word holds the width
// in 12 bits and 16 pixels a line in 4 bits, so at most 15 lines.
inline constexpr int64_t checkDefaultScreenWidth = 320;
inline constexpr int64_t checkDefaultMaxLines = 15;
// A window at 90% of a limit or more is crowded.
inline constexpr int64_t checkCrowdedPercent = 90;

struct CheckOptions {
    int64_t screenWidth = checkDefaultScreenWidth;
    int64_t maxLines = checkDefaultMaxLines;
    bool json = false;
};

enum class CheckVerdict { fine, crowded, overflow, unknown };

// The verdict of a window of `width` pixels and `lines` lines.
CheckVerdict checkVerdict(int64_t width, int64_t lines, const CheckOptions& o);

// Checks every dialog text of the project WORK; the exit status: 0 when
// nothing is wrong (crowded windows are not wrong), 1 otherwise.
int kz7Check(const std::string& work, const CheckOptions& o);
