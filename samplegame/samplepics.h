// The movie of the sample game: a short numbered series of 24-bit BMP
// pictures (a ball crossing a sky, 320 x 240) and a WAV soundtrack of the
// same length, the input of picreel.
#pragma once

#include <vector>

#include "samplegame.h"

namespace samplePicsParts {
inline constexpr const char* dir = "reel";
inline constexpr const char* prefix = "reel/frame";  // reel/frame0000.bmp ...
inline constexpr const char* soundtrack = "reel/soundtrack.wav";
inline constexpr int frames = 30;
inline constexpr int width = 320;
inline constexpr int height = 240;
inline constexpr int frameRate = 15;
inline constexpr unsigned sampleRate = 22050;  // 16-bit mono
}  // namespace samplePicsParts

// Appends the pictures and the soundtrack to `files`.
void samplePicsAdd(std::vector<SampleGameFile>& files);
