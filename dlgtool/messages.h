// Every text dlgtool prints, in one place, so that a search finds each one
// and tests compare whole lines. Formats are printf formats.
#pragma once

// Dialog file reading (extraction, recomputation alone).
inline constexpr const char* dlgMsgNotConverted =
    "WARN: file %s not converted: dont have texts or is not dlg file: header size %X, filesize "
    "%X\n";
// Printed without a line end.
inline constexpr const char* dlgMsgUnexpectedHeader =
    "WARN: unexpected header size: first pointer point to position %X, header size is %X, number "
    "of dialogs is %X";
inline constexpr const char* dlgMsgPointerBehind =
    "Error: %s:pointer to dialog No.%d point behind filesize\n";
inline constexpr const char* dlgMsgLastPointerBehind =
    "ERROR: %s:pointer to dialog No.%d point behind filesize\n";
inline constexpr const char* dlgMsgNegativeLength =
    "ERROR: %s:dialog No.%d ends before it starts (next pointer %X below its pointer %X), "
    "dialog skipped\n";
inline constexpr const char* dlgMsgRawNotExtracted =
    "WARN: RAW not extracted: dont have texts or is not dlg file:%s, header size %X, filesize "
    "%X\n";
inline constexpr const char* dlgMsgRawWrite = "RAW:Write error to file %s, written %d instead of %d\n";
inline constexpr const char* dlgMsgWrite = "ERROR: cant write file %s: %s\n";

// Creation from text.
inline constexpr const char* dlgMsgTextTooSmall =
    "WARN: file %s not supposed text file with dialogs(too small)\n";
inline constexpr const char* dlgMsgNoDls =
    "WARN: cant find dls file: %s or not dls file, creating dlg without it\n";
inline constexpr const char* dlgMsgAlloc = "ERROR:Memory alloc error: %d bytes\n";
inline constexpr const char* dlgMsgCantReadDls = "ERROR:cant read from file %s\n";
inline constexpr const char* dlgMsgNoDialogs = "ERROR: no dialogs in dlg file: %s, or not dlg file\n";
inline constexpr const char* dlgMsgBattleNoDls =
    "WARN: dlgs are probadly battle dialogs: dlsfile not used\n";
inline constexpr const char* dlgMsgCountsDiffer =
    "ERROR: different number of dialogs and scripts: %d, %d: cant create dlg\n";
inline constexpr const char* dlgMsgOddCount =
    "WARN: unexpected number of dialogs in txt file %s(expected even number)\n";
inline constexpr const char* dlgMsgBadFlags =
    "WARN: in file %s:unexpected flags(not 4 hex digits):%s\n";
inline constexpr const char* dlgMsgBadSeparatorEnd =
    "DLG: in file txt %s bad end of separator(expected rest of separator behind flag)\n";
inline constexpr const char* dlgMsgLastDialogNote =
    "DLG: but, it was last dialog, so should be no damage\n";
inline constexpr const char* dlgMsgMissingTextPart =
    "ERROR: cant read %d dialog from dls file %s\n";
inline constexpr const char* dlgMsgPartsLost =
    "WARN: in file %s:%d dialogs counted but %d read, the rest are left empty\n";
inline constexpr const char* dlgMsgPointerTooFar =
    "ERROR: %s:dialog No.%d would start at position %X, beyond the reach of 16-bit pointers: "
    "dlg not written\n";

// Lengths table.
inline constexpr const char* dlgMsgLengthsInit = "TBL lenghts init error: file %s\n";
inline constexpr const char* dlgMsgLineStartsAssign =
    "Line %d :must not start with assign string, skipping this line\n";
inline constexpr const char* dlgMsgLineEndsAssign =
    "Line %d :must not end with assign string, skipping this line\n";
inline constexpr const char* dlgMsgTwoCopyChars =
    "ERROR: currently supported only 1 copys char in string\n";
inline constexpr const char* dlgMsgLengthsAlloc = "TBL:Memory alloc error: %d bytes\n";

// Measurement and the 0xF90D data.
inline constexpr const char* dlgMsgNoLength = "WARN: not found length for char '%c'(0x%X)\n";
inline constexpr const char* dlgMsgSecondOpcode04 = "ERROR: using second KZ7 opcode 04 in one dialog\n";
inline constexpr const char* dlgMsgOpcode04Lines =
    "ERROR: kz7 opcode 04 mode: there is more lines than pointers: %d, %d.\n";
inline constexpr const char* dlgMsgF906Value =
    "WARNING: unexpected, 0xF906%02X opcode should have value less than 0xF, have : 0x%X\n";
inline constexpr const char* dlgMsgNoOpcodeEnd = "ERROR: not found end for opcode 0xF90D\n";
inline constexpr const char* dlgMsgVarlenInit = "ERROR: failed to inicialize kz7varlen computing\n";

// Compare and update of the 0xF90D data (the dumps go to standard output).
inline constexpr const char* dlgMsgCompareDumpHead = "kz7varlenCompareUpdate :\n";
inline constexpr const char* dlgMsgCompareNegativeHead = "kz7varlenCompareUpdate\n";
inline constexpr const char* dlgMsgCompareDumpByte = "[x%02X]";
inline constexpr const char* dlgMsgCompareSize =
    "ERROR: compare : unexpected size of kz7varlen data:first: %d, second: %d\n";
inline constexpr const char* dlgMsgCompareRestBytes =
    "ERROR: unexpected rest of kz7varlen data expected 0xFFFFFF\n";
inline constexpr const char* dlgMsgCompareRestLength =
    "ERROR: unexpected rest of kz7varlen data length, expected 3,rest size: %d\n";
inline constexpr const char* dlgMsgCompareOldLeft =
    "ERROR: unexpected situation, kz7varlen should be whole processed rest: %d bytes\n";
inline constexpr const char* dlgMsgCompareNegative =
    "ERROR: unexpected situation, kz7varlen should not have negative rest: %d bytes\n";
inline constexpr const char* dlgMsgBadUpdate = "ERROR: kz7varlen script bad update : %s : %d : pos %d\n";

// Recomputation.
inline constexpr const char* dlgMsgUpdateMode =
    "WARNING: not enought memory, switching to varlen update mode\n";
inline constexpr const char* dlgMsgRecomputeBehind =
    "ERROR: recompute: pointer to dialog No.%d point behind filesize\n";
inline constexpr const char* dlgMsgRecomputeEndBehind =
    "ERROR: recompute: (end)pointer to dialog No.%d point behind filesize\n";
inline constexpr const char* dlgMsgWindowTooLarge =
    "WARNING: %s: dialog No.%d: window %s %lld is more than its field holds, %d stored\n";
inline constexpr const char* dlgMsgRecomputeOverlap =
    "ERROR: recompute: %s: pointer table runs into the dialog data, file left unchanged\n";

// Command line.
inline constexpr const char* dlgMsgBehindT = "behind -t expected table file\n";
inline constexpr const char* dlgMsgBehindTs = "behind -ts expected table file\n";
inline constexpr const char* dlgMsgUnknownOption = "unknown option %s\n";
inline constexpr const char* dlgMsgUnknownNonoption = "unknown nonoption given\n";
inline constexpr const char* dlgMsgMemory = "memory alloc error\n";
inline constexpr const char* dlgMsgFileType = "file type decoding error\n";
inline constexpr const char* dlgMsgTblInit = "TBL init error: file %s\n";
inline constexpr const char* dlgMsgTblDlsInit = "TBL for DLS init error: file %s\n";
inline constexpr const char* dlgMsgTblSave = "TBL save error: %d, %d\n";
inline constexpr const char* dlgMsgTodo = "ERROR:TODO\n";
inline constexpr const char* dlgMsgNoInput = "ERROR: no input file %s: %s\n";
inline constexpr const char* dlgMsgNoMatch = "no file matches";
inline constexpr const char* dlgMsgSameFile =
    "ERROR: %s not converted: output %s is the input file itself, in/out should differ\n";
inline constexpr const char* dlgMsgSameOutputs =
    "ERROR: %s not converted: text and script would both be written to %s\n";
inline constexpr const char* dlgMsgOverwrite =
    "ERROR: %s not converted: %s was already written from %s in this run\n";

// The usage text; the first line takes the program's file name.
inline constexpr const char* dlgUsageFirst =
    "Usage:%s -[erc] [-t table] [-ts table] [in file/dir] [out file/dir] [dls file/dir]\n";
inline constexpr const char* dlgUsageRest[] = {
    "extract/create KZ7 dialog type 6 file in DB file to .txt, .dls file with using .tbl for "
    "char conversion",
    "-e\t extract .txt from .dlg files(this is by default, [-e] dont need be given)\n",
    "-c\t create .dlg from .txt files\n",
    "-r\t extract dialog without conversion, without header\n",
    "-s\t split dialog and dialog script part to separate files\n",
    "-t\t use given table instead of deafult table .tbs\n",
    "-ts\t use given .tbs table for DLS data instead of same as for dialogs\n",
    "-o\t recompute dialog windows sizes, use same name for table, except extension is .tbl\n",
    "-c -o\t can be used togather to recompute during creating\n",
    "\t-dr is autoset when run -o, unless overwriten by other setting\n",
    "-dm\tin recompute, 0xF90D opcodes(in script before dialog) are auto updated(similar = "
    "update, too diferent = replace)\n",
    "0xF90D opcode is opcode with line length, which has some variable length opcode on "
    "it(names, variables)\n",
    "-dr\t replace all 0xF90D opcode with new, computed (used in if recompute)\n",
    "\tuse if adding variable length opcodes(names, variables, ...)\n",
    "\tonly in this mode handling 'select' lines as 0 length for max width computing\n",
    "-du\t only update, dont replace 0xF90D opcode if differ too much(display error message "
    "(used in if recompute))\n",
    "\tupdate is usable, if you dont adding or removing variable length opcodes\n",
    "-dn\t not use recomputing for 0xF90D opcode\n",
    "program dont make list of file, but take actual files, in/out should differ\n",
    "program returns files extracted/created\n",
    "\n",
};
