// A data file of the sample game whose pieces a header describes: the menu
// and system messages, kz7msg.dat. Layout (every number little-endian):
//   4-byte message count n,
//   n records of a 4-byte position and a 4-byte size (from the file's start),
//   the messages back to back, each in the game's text encoding ending in
//   the end code [e].
// The header is what dfiletool calls htype 4440.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* sampleMessagesName = "kz7msg.dat";
inline constexpr const char* sampleMessagesHtype = "4440";

// The messages as the character table writes them.
std::vector<std::string> sampleMessageTexts();

// The whole file; nullopt when a text can't be encoded.
std::optional<std::vector<uint8_t>> sampleMessagesBuild();
