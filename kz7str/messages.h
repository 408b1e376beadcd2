// Every text kz7str prints (all on the standard error stream).
#pragma once

inline constexpr const char* kz7strUsageLines[] = {
    "Usage:%s [-d] [-n] BinFile StrFile FramePos [FramesSkip]\n",
    "Program import to KZ7 BinFile StrFile created by avi2str (standard str (2048/block))\n",
    "StrFile is whole imported to FramePos, which is supposed start of frame in KZ7 strfile\n",
    "FramesSkip is default 0, FramesSkip is number of frames skipped from FramePos\n",
    "(StrFile first frame, will be imported to frame (FramesSkip)th position from FramePos)\n",
    "StrFile size is supposed be multiple 2048, and without audio\n",
    "BinFile size is supposed be multiple 2352\n",
    "this only copy values from StrFile to kz7str in BinFile\n",
    "copy frame data, quantization scale, and weirdo supposed be size or run lengths\n",
    "must match values : number of chunks in kz7str(10)\n",
    "must be equals values:  frame width/height, version of video frame(kz7str has 2)\n",
    "kz7 frame data size is 18336, strfile data should not be bigger (data without 0xFF align)\n",
    "\t-d if present, it save data from frames from strfile to strfNNNN files\n",
    "\t-n if present, if do not update kz7str header with data from strfile header\n",
    "\n",
    "(we used Custom - Maximum frame size - 9 sectors(max. in bytes dosnt worked...))\n",
};

// Command line.
inline constexpr const char* kz7strMsgUnknownOption = "unknown option %s\n";
inline constexpr const char* kz7strMsgStructs = "ERROR: some structures was compiled badly!!\n";
inline constexpr const char* kz7strMsgFramePos =
    "ERROR: FramePos : frameposition must be higher than 0, and number: %d!\n";
inline constexpr const char* kz7strMsgFramesSkip =
    "ERROR: FramesSkip : FramesSkip must be higher than 0, and number: %d!\n";

// Record layout checks.
inline constexpr const char* kz7strMsgPsxStructs = "ERROR: psxstr structures was compiled badly!!\n";
inline constexpr const char* kz7strMsgCdStructs = "ERROR: cdimage structures was compiled badly!!\n";
inline constexpr const char* kz7strMsgKz7Structs = "ERROR: kz7str structures was compiled badly!!\n";

// Opening the files.
inline constexpr const char* kz7strMsgSizeLower =
    "ERROR: file size is lower than %d, or file doesnt exist: %s\n";
inline constexpr const char* kz7strMsgSizeMultiple = "ERROR: file size must be multiple %d : %s\n";
inline constexpr const char* kz7strMsgOpening = "ERROR: opening %s\n";
inline constexpr const char* kz7strMsgSeek = "ERROR: cannot seek at %d in %s\n";
// The same text for a start that lies past the 32-bit range.
inline constexpr const char* kz7strMsgSeekFar = "ERROR: cannot seek at %lld in %s\n";
inline constexpr const char* kz7strMsgSameFile =
    "ERROR: output %s is the same file as input %s, not written\n";

// Reading STR frames.
inline constexpr const char* kz7strMsgStrRead =
    "ERROR: couldnt read %d bytes from strfile readed %d, position %d\n";
inline constexpr const char* kz7strMsgFirstChunk = "ERROR: expecting first chunk in strfile, got %d: frame %d\n";
inline constexpr const char* kz7strMsgManyChunks =
    "ERROR: didnt expected so many chunks in frame in strfile: %d: frame %d\n";
inline constexpr const char* kz7strMsgStrReadFrame = "ERROR: couldnt read %d bytes from strfile, frame %d\n";
inline constexpr const char* kz7strMsgDumpWrite = "ERROR: cannot write %s: %s\n";

// Placing frames.
inline constexpr const char* kz7strMsgBigger =
    "WARN: data in strfile frame %d are bigger than kz7(data not fit): %d bigger\n";
inline constexpr const char* kz7strMsgVersion = "ERROR: chunks versions do not match: kz7str %d, strfile %d\n";
inline constexpr const char* kz7strMsgChunkCount = "ERROR: kz7 chunks count is expected %d, got %d\n";
inline constexpr const char* kz7strMsgSize =
    "ERROR: frame widht/height must match : kz7str %d/%d, strfile %d/%d\n";
inline constexpr const char* kz7strMsgBinRead =
    "ERROR: couldnt read %d bytes from kz7bin file from position %d\n";
inline constexpr const char* kz7strMsgMoreFrames = "WARNING: strfile have more frames than kz7str file\n";
inline constexpr const char* kz7strMsgSync =
    "ERROR: first readen sector from kz7bin doesnt match mode 2 sector sync data\n";
inline constexpr const char* kz7strMsgBinWrite =
    "ERROR: couldnt write %d bytes to kz7bin file, to position %d, written %d\n";
inline constexpr const char* kz7strMsgRestore =
    "ERROR: game frame at position %d may be damaged: its old bytes could not be put back\n";
inline constexpr const char* kz7strMsgNotImported = "WARNING: couldnt import frame from strfile, frame %d\n";
