// Every text bincopy prints.
#pragma once

inline constexpr const char* bincopyMsgUsageHead = "%s usage: util to copy files\n";
// Each usage line is printed followed by one more line end.
inline constexpr const char* bincopyUsageLines[] = {
    "-i  FILE  POSITION1 FILE1  POSITIONX FILEX\n",
    "-ip FILE  POSITION1 FILE1 POSITIONFILE1 SIZE1  POSITIONX FILEX POSITIONFILEX SIZEX\n",
    "\timport file(s) FILE1(, ..., FILEX) to FILE to position POSSITION\n",
    "-im FILE POSITION1 FILE1 MAXSIZE1  POSITIONX FILEX MAXSIZEX\n",
    "-iM FILE POSITION1 FILE1 MAXSIZE1  POSITIONX FILEX MAXSIZEX\n",
    "-Im FILE  FILE1 POSITION1 MAXSIZE1  FILEX POSITIONX MAXSIZEX\n",
    "-IM FILE  FILE1 POSITION1 MAXSIZE1  FILEX POSITIONX MAXSIZEX\n",
    "-IP FILE  FILE1 POSITION1 MAXPOSITION1  FILEX POSITIONX MAXPOSITIONX\n",
    "\timport file(s) FILE1(, ..., FILEX) to FILE to position POSSITION, but only MAXSIZE, if "
    "file is bigger, WARN is displayed\n",
    "\tif using -iM, -IM, -IP, rest of importing space (MAXSIZE - FILESIZE) will be filled with "
    "zeros, if enought space\n",
    "\t-Im, -IM, -IP are ment as reverse to export...(you need only change one parameter)\n",
    "-is FILE  POSISTION1 SKIP1 FILE1 POSITIONFILE1 FSKIP1 SIZE1 COUNT1\n",
    "-iS FILE  POSISTION1 SKIP1 FILE1 POSITIONFILE1 FSKIP1 SIZE1 SSIZE1\n",
    "\timport COUNT1 of blocks (SIZE1 of bytes) from FILE1 to FILE to position POSSITION1\n",
    "\t(import sequence, sequence are blocks of bytes of same size, with possible different "
    "space size between blocks)\n",
    "\tSSIZE1 is size of sequence, max size which will be copied(copy to end on EOF)\n",
    "-a  FILE  FILE1 FILE2 ... FILEX\n",
    "\tappend FILE1 ... FILEX to FILE, create FILE if needed\n",
    "-e  FILE  FILE1 POSITION1 SIZE1  FILE2 POSITIONX SIZEX\n",
    "\texport data from FILE to FILE1 from POSITION1 and SIZE1\n",
    "-ep FILE  FILE1 POSSTART1 POSEND1  FILEX POSSTARTX POSENDX \n",
    "\texport data from FILE to FILE1 from POSSTART1 to POSENDX(excluding)\n",
    "-ec FILE  FILE1 POSITION1 ENDCHAR1  FILEX POSITIONX ENDCHARX \n",
    "\texport data from FILE to FILE1 from POSSTART1 to first found char ENDCHAR1(including)\n",
    "-eC FILE  FILE1 POSITION1 ENDCHAR1  FILEX POSITIONX ENDCHARX \n",
    "\texport data from FILE to FILE1 from POSSTART1 to first found char ENDCHAR1(excluding)\n",
    "-t  TABLE FILE1IN FILE1OUT  FILEXIN FILEXOUT\n",
    "-tr TABLE FILE1IN FILE1OUT  FILEXIN FILEXOUT\n",
    "\tconvert FILE1IN to FILE1OUT using given tbs TABLE, -tr use reverse table\n",
    "TODO -s  FILE  SIZE1 SIZEX\n",
    "TODO -sn FILE  SIZE\n",
    "TODO -sp FILE  POSITION1 POSITIONX - \n",
    "TODO -j  FILE  FILE1 FILEX - join FILE1 FILEX .. to FILE",
    "note: not checking correct numbers... so check it yourself:P",
};

// Standard output.
inline constexpr const char* bincopyMsgFewExport =
    "ERROR: not enought parameters for Export, xpected min 5 got: \n";
inline constexpr const char* bincopyMsgFewTable =
    "ERROR: not enought parameters for Table convert, expected min 4 got: \n";

// Standard error.
inline constexpr const char* bincopyMsgNotExist = "ERROR: file %s not exist, cant import!\n";
inline constexpr const char* bincopyMsgBigger =
    "WARN: file %s is bigger than max import size, dont importing %d bytes!\n";
inline constexpr const char* bincopyMsgTableInit = "ERROR: can init table %s for converting\n";
inline constexpr const char* bincopyMsgUnknown = "unknown option or TODO: %s\n";
inline constexpr const char* bincopyMsgBadStep =
    "ERROR: block step FSKIP + SIZE = %d is not above 0, sequence not imported\n";
inline constexpr const char* bincopyMsgBadPosition =
    "ERROR: position %lld in %s is out of range, not importing there\n";
inline constexpr const char* bincopyMsgSameFile =
    "ERROR: output %s is the same file as input %s, not written\n";
inline constexpr const char* bincopyMsgCantRead = "ERROR: cant read %s: %s\n";
inline constexpr const char* bincopyMsgCantWrite = "ERROR: cant write %s: %s\n";
inline constexpr const char* bincopyMsgShortCopy = "ERROR: copied only %u of %u bytes from %s to %s: %s\n";
// The reason of a short copy whose source ends before the count.
inline constexpr const char* bincopyMsgSourceEnds = "end of input file";
