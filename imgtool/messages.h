// Every text imgtool prints, in one place so tests compare whole lines.
// Listing lines and the INFO line go to stdout, everything else to stderr.
#pragma once

// Usage text; the first line takes the program's file name.
inline constexpr const char* imgMsgUsage[] = {
    "Usage:%s -[e|r|i|a|l] [-n] DIR IMGfile [outname|dir list]\n",
    "Program extract/import files to KZ7 archive(.IMGfile)\n",
    "-e\textract files from file list(or all) from IMGfile to DIR\n",
    "-r\trecreate IMGfile with files in DIR, save IMG to outname(or FSfile)\n",
    "-i\timport files to IMGfile, import file which fits original space(arent bigger)\n",
    "-l\tprint content of IMGfile\n",
    "-n\tdont not use subdirs\n",
    "-d\tdecode types of files, add extension(if extracted with this, need for recreate/import...)\n",
    "-s\tuse short name for extracted/imported files\n",
    "[dir list] are numbers(as names for directories in IMGfile)\n",
    "program dont make list of file, but take actual files, in/out should differ\n",
    "program return files added/extracted, or 1 if recreated succesfuly\n",
    "\n",
};

// Command line.
inline constexpr const char* imgMsgUnknownOption = "unknown option %s\n";
inline constexpr const char* imgMsgNoOption = "no option given\n";
inline constexpr const char* imgMsgNoFileOrDir = "no FSfile or dir given\n";
inline constexpr const char* imgMsgDirMustExist = "DIR must be existing directory: %s\n";
inline constexpr const char* imgMsgFileMustExist = "FSfile must be file and exist: %s\n";
inline constexpr const char* imgMsgUnexpectedMode = "ERROR: unexpected mode %d\n";

// Opening an archive.
inline constexpr const char* imgMsgNotImg = "ERROR: file '%s' is not KZ7 img file\n";
inline constexpr const char* imgMsgTooShort =
    "ERROR: file '%s' is too short for KZ7 img file: %d bytes, header needs 2048\n";
inline constexpr const char* imgMsgUnknown1 =
    "WARN: %s: unknown[1] header data are different from supposed value(6): %d\n\n";
inline constexpr const char* imgMsgDirCount =
    "ERROR:Unexpected format of list of directories: directory count is %u, expect 1 to 127\n";
inline constexpr const char* imgMsgOnlyType4 =
    "INFO: file contain only 1 dir and it is type 04, nothing to extract/import\n";
inline constexpr const char* imgMsgNoType4 =
    "ERROR:Unexpected format of list of directories: expect type 04 directory on end of list\n";
inline constexpr const char* imgMsgHeaderArea =
    "ERROR:Unexpected format of list of directories: header area must be 1 to %u sectors, is %u\n";
inline constexpr const char* imgMsgTableOutside =
    "ERROR:Unexpected format of list of directories: file table of directory %d lies outside "
    "header area\n";
inline constexpr const char* imgMsgFileOutside =
    "ERROR: directory %d, file at position %d: sectors %X to %X lie beyond end of file '%s'\n";
inline constexpr const char* imgMsgFileBackwards =
    "ERROR: directory %d, file at position %d ends before it begins: sectors %X to %X\n";

// Listing. The original's "% 6X" and "% 9X" carry a space flag that has no
// effect on unsigned conversions, so the plain widths print the same bytes.
inline constexpr const char* imgMsgListHead = "type \tfiles \tsector \tfile sector\n";
inline constexpr const char* imgMsgListDir = "% 3d \t% 4d \t%6X\t%9X\n";
inline constexpr const char* imgMsgListIds = "directory %d ids and flags(%d files)\n";
inline constexpr const char* imgMsgListRecord = "%04X %04X\n";

// Extraction.
inline constexpr const char* imgMsgBadDirNumber = "WARN: unexpected number(directory) in [dir list]:%s\n";
inline constexpr const char* imgMsgFewFiles = "ERROR: directory %d has less than 2 files, has: %d\n";
inline constexpr const char* imgMsgExtractUnknownType =
    "ERROR: trying extract unknown type of directory: %d\n";
inline constexpr const char* imgMsgEndPointer =
    "WARN: directory %d, element at position %d(endPointer) should be %X, is %X%X\n";
inline constexpr const char* imgMsgDecodeError =
    "ERROR: error during decoding extension from file %s at position %d\n";
inline constexpr const char* imgMsgWriteError = "ERROR: error during writing to file %s\n";
inline constexpr const char* imgMsgIsArchive =
    "ERROR: %s is the archive itself, it was not overwritten\n";

// Import and recreation.
inline constexpr const char* imgMsgImportUnknownType =
    "ERROR: trying import unknown type of directory: %d\n";
inline constexpr const char* imgMsgCopyForImport = "ERROR:error copy to file for importing: %s\n";
inline constexpr const char* imgMsgInitHeader = "ERROR:error initializing header: file: %s\n";
inline constexpr const char* imgMsgTooBig =
    "WARN: file %s was not imported, becouse is bigger than original: ofile %d ifile %d\n";
inline constexpr const char* imgMsgImportError = "ERROR: error during importing from file %s\n";
inline constexpr const char* imgMsgAlignError = "ERROR: error during alingning file space\n";
inline constexpr const char* imgMsgAppendArchiveError =
    "ERROR: error during writing to file %s(during import)\n";
inline constexpr const char* imgMsgAddError = "ERROR: error during adding file %s\n";
inline constexpr const char* imgMsgSaveTables = "ERROR:error saving header(file lists) to file: %s\n";
inline constexpr const char* imgMsgSaveDirs = "ERROR:error saving header to file: %s\n";
inline constexpr const char* imgMsgSameFile =
    "ERROR: output %s is the input archive itself, in/out should differ\n";
inline constexpr const char* imgMsgSpanTooLong =
    "ERROR: directory %d would span more than 65534 sectors, type 3 table can't hold it\n";
inline constexpr const char* imgMsgOutputTooLarge =
    "ERROR: recreated archive %s would be 2 GiB or larger\n";
inline constexpr const char* imgMsgOutputDamaged =
    "ERROR: output %s does not have expected length after failed write\n";
inline constexpr const char* imgMsgStopped =
    "ERROR: recreation stopped at directory %d, archive was not written\n";
inline constexpr const char* imgMsgNoTemp =
    "ERROR: can't create temporary file beside %s: %s, it was left unchanged\n";
inline constexpr const char* imgMsgNotReplaced = "ERROR: can't replace %s, it was left unchanged\n";
