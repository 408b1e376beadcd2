// Every text bgtool prints, in one place so tests compare whole lines.
// The usage text and the listing go to stdout, the adding-tiles line of the
// import too; everything else goes to stderr.
#pragma once

// Usage text; the first line takes the program's file name.
inline constexpr const char* bgMsgUsage[] = {
    "Usage: %s -[eil] InfoFile TimFiles [dir1] [dir2] [dbfile...]\n",
    " Extract(import) kz7 backgrounds from InfoFile and TimFiles to BMP files \n",
    " InfoFile is .0a type file from db file, TimFiles is dir or expr coresponding to InfoFile\n",
    " dbfile is used to check free space in dbfile, for adding new tiles while importing\n",
    " -l\t list info from info file(hex nums used)\n",
    " -e\t extract kz7 to dir1\n",
    " -i\t import to kz7 from dir1, output goes to dir2\n",
    "\n",
    "What it can (not) do: \n",
    "searching matching palette trought all palettes\n",
    "compare tiles, if imported and existing(in backround) are same(than not replacing)\n",
    "in extracting, is background color replaced with red(255,0,0)/green(0,255,0)/pink(255,0,255)\n",
    " red is area out of background, green is unused background area, pink is background color\n",
    " all those colors are converted to same background color in import\n",
    " dont import tiles from red area\n",
    "not replacing tile, which has multiple use(not even if you replace all uses)\n",
    " (only replace tiles, which are unique)\n",
    "import duplicates, if there are exactly same(source destiny blocks positions and palettes)\n",
    "not searching duplicates tiles in importing tiles\n",
    "for export/import only 24bit BMP supported\n",
    "exporting of 16bit tiles not supported(didnt find any thought)\n",
    "not supported adding new tiles/clearing old\n",
    "not supported adding new new palettes, all colors are converted to some existing palete\n",
    "\n",
    "Notes:\n",
    "8bit export is useless, could be only usable for extracting separating tiles\n",
    "palettes dont have unique colors(in one palette, can be same color on more positions)\n",
    "supposed, all tiles are 4bit or 8bits\n",
    "supposed only color with A==0 is 0,0,0,0 background color\n",
    "not all palettes have background color(usualy 4bit palettes)\n",
    "this program is slow\n",
    " this program worked for me as I needed.\n",
};
inline constexpr const char* bgMsgUnknownOption = "unknown option %s\n";

// TIM images.
inline constexpr const char* timMsgTooSmall = "ERROR: file %s not found or too small(not tim)\n";
inline constexpr const char* timMsgLoading = "ERROR: error loading file %s\n";
inline constexpr const char* timMsgFirstByte =
    "ERROR: first byte of timfile %s: expected 0x%02X, got 0x%02X";  // no line break
inline constexpr const char* timMsgSaving = "ERROR: error saving file %s\n";
// A block whose header or data would lie past the loaded bytes.
inline constexpr const char* timMsgOutside =
    "ERROR: timfile %s: %s block lies outside the file of %d bytes\n";
inline constexpr const char* timMsgTooLarge = "ERROR: timfile %s is 2 GiB or larger\n";

// PsxVram rectangles (no line break, as the original prints them).
inline constexpr const char* vramMsgWrite =
    "ERROR: error writing bitmap to PsxVram: bitmap not fit vram size: x+w=%d, y+h=%d";
inline constexpr const char* vramMsgRead =
    "ERROR: error reading bitmap from PsxVram: bitmap not fit vram size: x+w=%d, y+h=%d";

// Colours and tiles.
inline constexpr const char* colorMsgAlphaZero =
    "WARNING: unexpected tim color with A==0, expected at 0,0,0: 0x%X, 0x%X, 0x%X\n";
inline constexpr const char* tileMsgColumn2 = "ERROR, u to texture page should be multiple 2, is :0x%X\n";
inline constexpr const char* tileMsgColumn4 = "ERROR, u to texture page should be multiple 4, is :0x%X\n";

// Tile info file and background.
inline constexpr const char* infoMsgSize =
    "ERROR: %s : unexpected size of tileinfo file: expected %d: got %d/n";  // sic: "/n"
inline constexpr const char* infoMsgOutside =
    "ERROR: %s : tile sets or tiles lie outside the tileinfo file of %d bytes\n";
inline constexpr const char* infoMsgNoTiles = "ERROR: %s : no tiles in tileinfo file\n";
inline constexpr const char* infoMsgPictureTooLarge =
    "ERROR: %s : background picture of %dx%d pixels is larger than %d pixels\n";
inline constexpr const char* infoMsgNoTims = "ERROR: %s: not tims to load from expresion: %s\n";
inline constexpr const char* infoMsgListCount = "tilesSetCount : %d\n";
inline constexpr const char* infoMsgListHead =
    "type plane   sizeX/Y  posX posY posC1 posC2 unknown1         var1 var2 unknown2         "
    "tileId count     desp     srcp  mem      unknw3\n";
// The original's "% 8X" and "% 3X" carry a space flag that has no effect on
// unsigned conversions, so the plain widths print the same bytes.
inline constexpr const char* infoMsgListSet =
    " %02X  %02X%02X%02X %04X %04X %04X %04X %04X  %04X  %04X%04X%04X%04X %04X %04X "
    "%04X%04X%04X%04X  %04X  %04X  %8X %8X %8X %8X\n";
inline constexpr const char* infoMsgListSetHead = "index: %X, type: %02X, tilesID : %02X, tiles : %02X\n";
inline constexpr const char* infoMsgListTileHead =
    " dU  dX  dY  | scY scX stY stX stp sAbr sv  su   sU0  spT sU1\n";
inline constexpr const char* infoMsgListTile =
    "%03X %3X %3X  | %3X %3X %3X %3X %3X %3X  %02X  %02X  %05X %3X %3X\n";

// Palette table.
inline constexpr const char* paletteMsgNoImage =
    "WARNING: %s : expected at last 1 palete file, found: %d\n";
inline constexpr const char* paletteMsgSame =
    "ERROR: two same palettes in palette array: clutX=0x%X, clutY=0x%X, used=%X\n";
inline constexpr const char* paletteMsgNoTransp =
    "ERROR: unexpected, couldnt find transparency for palette: clutX=0x%X, clutY=0x%X\n";

// File list.
inline constexpr const char* fileListMsgUnknownType = "ERROR: file type decoding error, unknown: %s\n";

// Extraction.
inline constexpr const char* extractMsg16bit =
    "ERROR: %s :16bit tiles currently unsupported : block 0x%X, tile 0x%X\n";
inline constexpr const char* extractMsgMode3 = "ERROR: %s : unexpected mode for tp:3 : block 0x%X, tile 0x%X\n";
inline constexpr const char* extractMsgMixed = "WARNING: 4bit background not whole 4bit: %s\n";
inline constexpr const char* extractNameFormat = "%s_%03X_%02X%02X%s";
inline constexpr const char* extractNameFormat4 = "%s_%03X_%02X%02X_4bit%s";

// BMP pictures.
inline constexpr const char* bmpMsgSaving = "ERROR: error saving file %s\n";
inline constexpr const char* bmpMsgReading = "ERROR: error reading BMP file %s\n";
inline constexpr const char* bmpMsgForm =
    "ERROR: BMP file %s: only uncompressed bottom-up pictures are read (header %d bytes, height "
    "%d, compression %d)\n";
inline constexpr const char* bmpMsgTooLarge =
    "ERROR: BMP file %s: picture of %dx%d pixels at %d bits is larger than the background's "
    "picture buffer\n";
inline constexpr const char* bmpMsgShort =
    "ERROR: BMP file %s: its pixel rows reach past the end of the file\n";

// Import.
inline constexpr const char* importMsgBits =
    "ERROR: %s : loaded BMP has unexpected bith dept, expected 24 bits: %d\n";
inline constexpr const char* importMsgSize =
    "ERROR: %s : loaded BMP has unexpected size, expected divideable by 16: %dx%d\n";
inline constexpr const char* importMsgOutside =
    "ERROR: %s : not supported adding new tiles out of green area : 0x%X : %d, %d\n";
inline constexpr const char* importMsgNoPalette =
    "ERROR: %s : error during finding palette for conversion of tile: \n";
inline constexpr const char* importMsgAdding =  // on stdout
    "ERROR: %s : adding tiles not supported:0x%X, trying add from pos %d, %d, orgTileIndex : 0x%X, "
    "tileUsages: %d\n";
inline constexpr const char* importMsgNoBackgroundPalette =
    "ERROR: %s : no palette with background color found\n";
inline constexpr const char* importMsgInfoNotWritten =
    "ERROR: %s : saving info file: %s was not fully written\n";
// A run whose outputs could not all be written leaves every output as it was.
inline constexpr const char* importMsgNothingWritten =
    "ERROR: %s : outputs under %s were left as they were\n";
