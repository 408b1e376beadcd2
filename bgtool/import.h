// Import of edited BMP pictures of a background back into its TIMs and tile
// info file, matching every changed cell of 16 x 16 pixels to the nearest
// existing palette.
#pragma once

#include <string>

// Imports the pictures under the prefix `dir1` and writes the tile info
// file and every TIM under the prefix `dir2`. False only when the run must
// end with status 111 (an allocation failed).
bool backgroundImport(const std::string& infoFile, const std::string& timFiles,
                      const std::string& dir1, const std::string& dir2);
