// Import of edited BMP pictures of a background back into its TIMs and tile
// info file: each picture is cut into cells of 16 x 16 pixels; a cell on an
// existing tile that shows other colours than the tile is matched to the
// nearest existing palette and written into VRAM, the tile's palette
// reference into the tile info file. Tiles that other tile sets also use
// are left alone; marker colours become the background colour.
#pragma once

#include "bgbackground.h"

#include <string>

// Index of the first tile of the set at (x, y) of its area, or -1.
int tileFind(const Background& bg, const TileSet& set, int x, int y);
// 1 when the sets have the same shape and the same tiles (places, texels,
// palettes), else 0.
int tileSetsEqual(const Background& bg, const TileSet& a, const TileSet& b);
// Tiles of all sets taking their texels from the same place as `pair`,
// counting the tile itself but no other tile of its set or of a duplicate.
int tileUsages(const Background& bg, const TilePair& pair, const TileSet& set);
// Points the pair at the background palette (the first used palette whose
// colour 0 is the background colour) and gives 0, or -1 after a message.
int backgroundPalette(Background& bg, TilePair& pair);

// Writes the tile info file and every TIM that loaded under the prefix
// `dir2`: all of them or, when one cannot be written, none.
bool backgroundSave(Background& bg, const std::string& dir2);

// Imports the pictures under the prefix `dir1` and writes the results under
// `dir2`. False only when the run must end with status 111 (an allocation
// failed).
bool backgroundImport(const std::string& infoFile, const std::string& timFiles,
                      const std::string& dir1, const std::string& dir2);
