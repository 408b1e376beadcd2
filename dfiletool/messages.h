// Every text dfiletool prints. Failures are thrown as these texts and printed
// by main to the standard error stream as they stand; the log lines go to
// the standard output.
#pragma once

// Thrown: the header type.
inline constexpr const char* dfileMsgHtype = "error reading htype\n";
inline constexpr const char* dfileMsgHtypeUnknown = "error reading htype(not knowen type)\n";

// Thrown: the readers and header writers.
inline constexpr const char* dfileMsgAllocElements = "error alloc elements buf\n";
inline constexpr const char* dfileMsgReadElements = "error reading elements(block)\n";
inline constexpr const char* dfileMsgOpenHeader = "error opening header file\n";
inline constexpr const char* dfileMsgSeekHpos = "error cant seek to hpos at hfile file\n";
inline constexpr const char* dfileMsgReadHeader = "error reading header file\n";
inline constexpr const char* dfileMsgSeekGskip = "error seeking header file(gskip)\n";
inline constexpr const char* dfileMsgAllocMaxbuf = "cant alloc MAXBUF to read DFile\n";
inline constexpr const char* dfileMsgAllocCreate = "Cant alloc buf for creating header\n";
inline constexpr const char* dfileMsgAllocImport = "Cant alloc buf for importing header\n";
inline constexpr const char* dfileMsgReadImport = "Error reading import header\n";

// Thrown: element copies and the modes.
inline constexpr const char* dfileMsgAllocCut = "Error: cant alloc memory for finding cut position\n";
inline constexpr const char* dfileMsgReadEnd = "Error: reading from end of file\n";
inline constexpr const char* dfileMsgCoping = "Error: coping data\n";
inline constexpr const char* dfileMsgBlockBigger =
    "Error: block is bigger than max(exact) block size\n";
inline constexpr const char* dfileMsgExactBigger = "Error: joining file is bigger than exact size\n";
inline constexpr const char* dfileMsgIfileSize = "Error accesing ifile(reading size)\n";

// Thrown: the command line.
inline constexpr const char* dfileMsgOptionsAlloc = "Out of memory(Options aloc error)";
inline constexpr const char* dfileMsgInputParse = "input:error parse\n";
inline constexpr const char* dfileMsgHtypeParse = "htype:error parse\n";
inline constexpr const char* dfileMsgInputMissing = "%s:input file not found\n";
inline constexpr const char* dfileMsgTableInit = "%s:tbs table file error initialization\n";
inline constexpr const char* dfileMsgMarkerSize = "dfile: error checking size of dfile\n";
inline constexpr const char* dfileMsgMarkerAlloc = "error allocating memory for dfile\n";

// Thrown: refusals of this host's build.
inline constexpr const char* dfileMsgTooLarge = "Error: file %s is 2 GiB or larger\n";
inline constexpr const char* dfileMsgSameFile =
    "Error: output %s is the same file as input %s, not written\n";
inline constexpr const char* dfileMsgWrite = "Error: cant write %s: %s\n";
inline constexpr const char* dfileMsgTempExists =
    "Error: tmpqzpm.qwe exists and was not made by this run, move it away first\n";
inline constexpr const char* dfileMsgElement =
    "Error: element %d (position %lld, size %lld) does not lie inside a file below 2 GiB\n";
inline constexpr const char* dfileMsgTooManyNew =
    "Error: %d new elements, but only %d records from the first replaced one\n";
inline constexpr const char* dfileMsgBlockZero = "%s:block size must be 1 to 0x7FFFFFFF\n";
inline constexpr const char* dfileMsgNegative = "%s:value must not be negative\n";
inline constexpr const char* dfileMsgMarkerShort =
    "-ds:marker size %d is more than the %d bytes of the marker\n";

// Log lines (standard output).
inline constexpr const char* dfileLogHeaderType = "%X%X%X%X%X%X\n";
inline constexpr const char* dfileLogHeaderFields =
    "%d %d %d %d %d %d %d %d (%X %X %X %X %X %X %X %X)\n";
inline constexpr const char* dfileLogElement = "%d\t%lld\t%lld\t(%llX\t%llX)\n";
inline constexpr const char* dfileLogReadHfile = "reading HFILE: %s, hbase %X, pbase %X\n";
inline constexpr const char* dfileLogHfileInfo = "pbase :%X   esize:%d  hmax %lld head.csize%d\n";
inline constexpr const char* dfileLogCount = "elements %d\n";
inline constexpr const char* dfileLogBufsize = "bufsize %lld\n";
inline constexpr const char* dfileLogCountedRecord =
    "Element %d\tEPos %X\tEPos+pbase %X\tESize %X\tHpos %lld\t\n";
inline constexpr const char* dfileLogHposSet = "hpos set to:%lld\n";
inline constexpr const char* dfileLogPmax = "pmax:%lld\n";
inline constexpr const char* dfileLogStreamElement = "Element %d\t";
inline constexpr const char* dfileLogStreamRaw = "EPos %X\t";
inline constexpr const char* dfileLogStreamRest =
    "Min %lld\tEPos %X\tEPos+pbaase %X\tESize %X\tHpos %lld\t\n";
inline constexpr const char* dfileLogReadDfile = "reading dfile %s\n";
inline constexpr const char* dfileLogDfileWindow = "reading data from dfile\n";
inline constexpr const char* dfileLogMarkerA = "a %lld Epos: %lld\n";
inline constexpr const char* dfileLogMarkerB = "b %lld Epos: %lld\n";
inline constexpr const char* dfileLogDfileDone = "hbase%llduheader size %lldpbase%lld\n";
inline constexpr const char* dfileLogPatchPbase = "pbase:%d\n";
inline constexpr const char* dfileLogPatchRecord = "epos:%X;uhead.pos:%X;uhead.size:%X\n";
inline constexpr const char* dfileLogPatchFailed = "file:%s bufsize: %lld elements %d hbase %lld\n";

inline constexpr const char* dfileLogCopyRule = "%d block %u blockadd %d\n";
inline constexpr const char* dfileLogOldSize = "old size %lld\n";
inline constexpr const char* dfileLogCutPos = "pos %lld\n";
inline constexpr const char* dfileLogCutLast = "buf[i] %d";
inline constexpr const char* dfileLogCutBefore = "  buf[i-1] %d";
inline constexpr const char* dfileLogCutIndex = "i %lld\n";
inline constexpr const char* dfileLogNewSize = "new size %lld\n";
inline constexpr const char* dfileLogCopyFailed1 = "ipos %lld, opos %lld ,writen real %lld\n";
inline constexpr const char* dfileLogCopyFailed2 =
    "iname %s, oname %s,copied %lld  ,copy size %lld ,tbstable %s\n";
inline constexpr const char* dfileLogBlock = "block %u size %u (block - size%%block)%u";
inline constexpr const char* dfileLogBlockRes = "res block %u res size %u block-size %u\n";
inline constexpr const char* dfileLogBlockWritten = "res block %u res written %lld";
inline constexpr const char* dfileLogBlockReal = " writenReal %lld\n";
inline constexpr const char* dfileLogExact = "exsize %lld fsize %lld\n";
inline constexpr const char* dfileLogSplitElement = "%lld  %lld\n";
inline constexpr const char* dfileLogJoining = "joining\n";
inline constexpr const char* dfileLogSplitDfile = "spliting DFIle\n";
inline constexpr const char* dfileLogJoinDfile = "Joining DFile\n";
inline constexpr const char* dfileLogImporting = "importing\n";
inline constexpr const char* dfileLogGapRange = "%d, %d\n";
inline constexpr const char* dfileLogGapPos = "%d pos %lld ";
inline constexpr const char* dfileLogGapSize = "size %lld\n";
inline constexpr const char* dfileLogLastGap = "last size %lld\n";
inline constexpr const char* dfileLogSpaceStart = " space between file start and data %lld\n";
inline constexpr const char* dfileLogSpaceHeader = " space between header and data %lld\n";
