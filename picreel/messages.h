// Every text picreel shows. The error box (or, with -b, the standard error
// stream) prefixes each message with "Error : "; each keeps its final line
// break.
#pragma once

// Picture input.
inline constexpr const char* picMsgNoBmp = "Unable to find .bmp files.\n";
inline constexpr const char* picMsgNoTga = "Unable to find .tga files.\n";
inline constexpr const char* picMsgBmpOpen = "Unable to open bitmap file.\n";
inline constexpr const char* picMsgNotBmp = "File does not appear to be a bitmap.\n";
inline constexpr const char* picMsgBmpAlloc = "Unable to allocate memory for bitmap.\n";
inline constexpr const char* picMsgTgaOpen = "Unable to open targa image file.\n";
inline constexpr const char* picMsgTgaPalette = "Unsupported Palette type in targa image file.\n";
inline constexpr const char* picMsgTgaType = "Unsupported targa image file type.\n";
// A targa file that ends before its header, colour map or pixels do.
inline constexpr const char* picMsgTgaShort = "Unable to read targa image file.\n";
inline constexpr const char* picMsgMismatch =
    "Bitmap does not match frame size and color depth. SKipping frame.\n";
// The identification field of a targa file, on the standard output.
inline constexpr const char* picMsgTgaId = "targa id - %s\n";

// Movie creation.
inline constexpr const char* aviMsgCreate = "Unable to create avi file.\n";
inline constexpr const char* aviMsgWavOpen = "Unable to open wav file.\n";
inline constexpr const char* aviMsgUnsupported =
    "The selected compression manager does not support this input file format.\n";
inline constexpr const char* aviMsgAddingWav = "Adding wav file - %s\n";

// The error box and its text.
inline constexpr const char* picreelErrorTitle = "zqPicreel Error";
inline constexpr const char* picreelErrorFormat = "Error : %s";

// The command line for scripts (-b).
inline constexpr const char* picreelMsgUsage =
    "Usage:%s -b [-t] [-r RATE] [-k KEYRATE] [-c CODEC] [-q QUALITY] [-w WAVFILE] PREFIX OUTPUT\n"
    "Program makes the AVI movie OUTPUT (cut at its last '.', plus .avi) from the\n"
    "pictures PREFIX*.bmp (or PREFIX*.tga with -t), in name order:\n"
    "-b\trun without the dialog (picreel without arguments opens it)\n"
    "-t\tread TGA pictures instead of BMP\n"
    "-r\tframes per second (15)\n"
    "-k\tkey frame every KEYRATE frames (1)\n"
    "-c\tcompressor (DIB, uncompressed); -c list prints the compressors\n"
    "-q\tquality 0..10000 for the compressors that use it (-1, their default)\n"
    "-w\tWAV soundtrack to add\n"
    "program returns 0 when the movie was written, 1 otherwise\n"
    "\n";
inline constexpr const char* picreelMsgUnknownOption = "unknown option %s\n";
inline constexpr const char* picreelMsgNeedsValue = "option %s needs a value\n";
inline constexpr const char* picreelMsgBadNumber = "option %s: not a number: %s\n";
inline constexpr const char* picreelMsgBadArgs = "PREFIX and OUTPUT must both be given\n";
inline constexpr const char* picreelMsgUnknownCodec =
    "unknown compressor %s (picreel -b -c list shows them)\n";
inline constexpr const char* picreelMsgCompressorLine = "%-10s %-4s  %s\n";
inline constexpr const char* picreelMsgNoDisplay =
    "picreel: cannot open the dialog (no display); use picreel -b for scripts\n";
