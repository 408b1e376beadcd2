// Every text dbtool prints, in one place so that a search finds each one and
// tests compare whole lines. printf formats; all go to stderr except the
// listing lines.
#pragma once

// Command line.
inline constexpr const char* dbMsgUsage[] = {
    "Usage:%s -[e|r|i|l] [-d] DIR DBfile [outname] [addname]\n",
    "Program extract/import files to KZ7 DB archive(.db)\n",
    "-e\textract files from file list(or all) from DBfile to DIR\n",
    "-r\trecreate DBfile with files in DIR, save DB to outname(default to DBfile)\n",
    "-i\timport files to DBfile, import file which fits original space(arent bigger)\n",
    "-a\tallign file to be same size as DBfile, if bigger do nothing, copy that align data from "
    "DBfile(if data exists)\n",
    "-l\tprint content of DBfile\n",
    "-s\tuse short name for extracted/imported files\n",
    "-d\tdecode types of files, add extension(if extracted with this, need for "
    "recreate/import...)\n",
    "-n\tnot extract to subdirs(import from)\n",
    "  \taddname is prefix for output/input files. If you set it for export, you need it for "
    "import.\n",
    "-x\texpand name, set addname to 'DBfile_' (DBfile without extension).\n",
    "program dont make list of file, but take actual files, in/out should differ\n",
    "program return files added/extracted, or 1 if recreated succesfuly\n",
    "\n",
};
inline constexpr const char* dbMsgUnknownOption = "unknown option %s\n";
inline constexpr const char* dbMsgNoOption = "no option given\n";
inline constexpr const char* dbMsgNoFiles = "no FSfile or dir given\n";
inline constexpr const char* dbMsgNoDir = "DIR must be existing directory: %s\n";
inline constexpr const char* dbMsgNoFile = "FSfile must be file and exist: %s\n";
inline constexpr const char* dbMsgMode = "ERROR: unexpected mode %d\n";

// Opening a DB file.
inline constexpr const char* dbMsgNotDb =
    "ERROR: file '%s' is not KZ7 DB file(first byte is not 0x%X) is: 0x%X\n";
inline constexpr const char* dbMsgTooShort =
    "ERROR: file '%s' is too short for KZ7 DB file: %d bytes, header has 4\n";
inline constexpr const char* dbMsgNoChunks = "ERROR: file '%s' has no chunks(chunk count is 0)\n";
inline constexpr const char* dbMsgHeaderData =
    "WARN: unexpected header data supposed values are 0, 0: 0x%X, 0x%X\n";
inline constexpr const char* dbMsgReadTable = "ERROR: error reading file:%s\n";
inline constexpr const char* dbMsgReadChunkHeader =
    "ERROR: reading file '%s', while reading chunk header %d\n";
inline constexpr const char* dbMsgChunkHeaderData =
    "WARN: unexpected chunk header data supposed values are 0, 0(chunk %d): 0x%X, 0x%X\n";
inline constexpr const char* dbMsgChunkType =
    "WARN: unexpected chunk type, differ from type in header(chunk %d): header %X, chunk %X\n";
inline constexpr const char* dbMsgReadChunkBlock =
    "ERROR: reading file '%s', while reading chunk header(ids, pointers) %d\n";
inline constexpr const char* dbMsgReadAfterData =
    "ERROR: reading file '%s', while reading After Db data(4B), pos:  %d\n";

// Listing (stdout). Values are right-aligned in four columns: "% 4X " prints
// the same, since the space flag does nothing on an unsigned conversion, but
// the compiler rejects that form.
inline constexpr const char* dbMsgListHead = "chunks %d, (?data size %d)\n";
inline constexpr const char* dbMsgListChunk = "chunk %d, type %X, files %d, pointer base %X\n";
inline constexpr const char* dbMsgListIds = "ids:";
inline constexpr const char* dbMsgListPtrs = "\nptr:";
inline constexpr const char* dbMsgListValue = "%4X ";
inline constexpr const char* dbMsgListEnd = "\n";

// Extraction.
inline constexpr const char* dbMsgBigType = "ERROR: too big chunk type ... unexpected: %X\n";
inline constexpr const char* dbMsgExtractFailed =
    "ERROR: error during extracting file %d type %X from chunk %d\n";
inline constexpr const char* dbMsgWriteFile = "ERROR: error during writing to file %s\n";
inline constexpr const char* dbMsgOutside =
    "ERROR: %s: data at position %lld, size %lld lie outside the file(size %lld)\n";

// Import and recreation.
inline constexpr const char* dbMsgCopyForImport = "ERROR:error copy file for importing: %s\n";
inline constexpr const char* dbMsgInitHeader = "ERROR:error initialising header: file: %s\n";
inline constexpr const char* dbMsgChunkSize =
    "ERROR: %s : unexpected chunk(%d) size: chunk size:%d, expected:%d\n";
inline constexpr const char* dbMsgCheckFile = "ERROR: error checking file: %s\n";
inline constexpr const char* dbMsgInitChunk = "ERROR:error intializing chunk header(%d) to file: %s\n";
inline constexpr const char* dbMsgFirstPointer =
    "ERROR:unexpected error, first pointer in chunk(%d) is lower than expected: %X < %X\n";
inline constexpr const char* dbMsgCopySpacing =
    "ERROR:erroc copy first pointer spacing data for chunk(%d) to file: %s\n";
inline constexpr const char* dbMsgAppendInput =
    "ERROR: error during writing to file %s(during import)\n";
inline constexpr const char* dbMsgAddFile = "ERROR: error during adding file %s\n";
inline constexpr const char* dbMsgAlignFile = "ERROR: error during alingning file space\n";
inline constexpr const char* dbMsgTooBig =
    "WARN: file %s was not imported, becouse is bigger than original: ofile %d ifile %d\n";
inline constexpr const char* dbMsgImportFile = "ERROR: error during importing from file %s\n";
inline constexpr const char* dbMsgChunkAlign = "ERROR: could not save chunk align(%dB) to file: %s";
inline constexpr const char* dbMsgSaveHeaderData = "ERROR:error saving header(header data) to file: %s\n";
inline constexpr const char* dbMsgSaveChunkHeader = "ERROR:error saving chunk header(%d) to file: %s\n";
inline constexpr const char* dbMsgSaveAfterData =
    "ERROR:error saving After Db data(4B) to file: %s\n";
inline constexpr const char* dbMsgSaveTable =
    "ERROR:error saving header(chunk pointers) to file: %s\n";
inline constexpr const char* dbMsgAlignSize =
    "ERROR: cannot align file, couldnt get file size of %s\n";
inline constexpr const char* dbMsgAlignRead = "ERROR: align file: couldnt read from %s pos %d, %d bytes\n";
inline constexpr const char* dbMsgAlignWrite = "ERROR:error saving %d bytes align data to file: %s\n";
inline constexpr const char* dbMsgSameFile =
    "ERROR: output %s is the DB file itself, in/out should differ\n";
inline constexpr const char* dbMsgFirstChunk =
    "WARN: first chunk does not follow the chunk pointer table(pointer %X, expected %X), "
    "recreated DB puts it there\n";
inline constexpr const char* dbMsgTableRange =
    "ERROR: chunk %d starts too far in %s for the chunk pointer table: %X\n";
inline constexpr const char* dbMsgOutputTooLarge = "ERROR: output %s would reach 2 GiB\n";
inline constexpr const char* dbMsgNotReplaced =
    "ERROR: %s was not written, recreation/import had errors(left unchanged)\n";
