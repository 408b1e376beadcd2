// Every text the sample game generator prints.
#pragma once

inline constexpr const char* sampleMsgUsage =
    "Usage:%s [-h] DIR\n"
    "Program writes a small synthetic KZ7 game into DIR (created if missing):\n"
    "kz7.img\tIMG archive with DB archives (dialogs, TIM images, tile info)\n"
    "kz7.tbs\tdialog character table of the invented encoding\n"
    "kz7.tbl\tlengths table (character widths) that goes with it\n"
    "kz7.bin\traw CD image with a game movie of 3 frames from byte 9408\n"
    "movie.str\tSTR movie of 3 frames to import into it with kz7str\n"
    "kz7msg.dat\tmessages behind a header of positions and sizes\n"
    "the same bytes are written on every run; program returns 0 on success\n"
    "\n";
inline constexpr const char* sampleMsgUnknownOption = "unknown option %s\n";
inline constexpr const char* sampleMsgNoDir = "no DIR given\n";
inline constexpr const char* sampleMsgTooManyArgs = "unexpected argument %s\n";
inline constexpr const char* sampleMsgCantMkdir = "ERROR: cannot create directory %s\n";
inline constexpr const char* sampleMsgNotDir = "ERROR: %s exists and is not a directory\n";
inline constexpr const char* sampleMsgBuild = "ERROR: internal error building the sample game: %s\n";
inline constexpr const char* sampleMsgWrite = "ERROR: cannot write file %s: %s\n";
inline constexpr const char* sampleMsgWritten = "wrote %s (%u bytes): %s\n";
