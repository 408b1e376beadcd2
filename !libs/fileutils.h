// File access: whole-buffer stream reads and writes that retry short
// transfers, positioned load, save, copy and fill of byte ranges in named
// files, sizes, whole-file loading with its own messages, temporary names and
// safe replacement of a file. Positions are absolute byte offsets from the
// start of a file. Results are byte or item counts: callers compare them for
// equality with the count they asked for. Only fileLoadFile prints.
#pragma once

#include "platform.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr unsigned MAXTRIES = 32;          // stream calls per fileRead/fileWrite
inline constexpr unsigned FILLBUFSIZE = 256;      // pattern buffer of fileFill
inline constexpr unsigned MAXBUFFSIZE = 0x40000;  // largest buffer of fileCopy
inline constexpr const char* fileTempFormat = "tmp%05x";

// Positions and sizes in every format are 32-bit: larger files are refused.
inline constexpr int64_t fileMaxSize = 0x7FFFFFFF;

// Messages of the module, all printed by fileLoadFile to stderr.
inline constexpr const char* fileMsgCantRead = "ERROR: cant read(find) \"%s\"\n";
inline constexpr const char* fileMsgZeroSize = "ERROR: file \"%s\" has zero size\n";
inline constexpr const char* fileMsgAlloc = "ERROR: error allocating %d bytes\n";
inline constexpr const char* fileMsgReading = "ERROR: error reading from \"%s\"\n";
inline constexpr const char* fileMsgTooLarge = "ERROR: file \"%s\" is 2 GiB or larger\n";
// Printed by the whole-file output routines.
inline constexpr const char* fileMsgOutputIsDir = "ERROR: output \"%s\" is a directory\n";
inline constexpr const char* fileMsgOutputReadOnly =
    "ERROR: output \"%s\" is read-only, it was left unchanged\n";
inline constexpr const char* fileMsgOutputCreate = "ERROR: can't create \"%s\": %s\n";
inline constexpr const char* fileMsgOutputReplace =
    "ERROR: can't replace \"%s\": %s, it was left unchanged\n";
// The data file tool's form of fileLoadFile.
inline constexpr const char* fileMsgDfileMissing = "File %s dont exist\n";
inline constexpr const char* fileMsgDfileAlloc = "Cant aloccate %d bytes(mem alloc error)\n";
inline constexpr const char* fileMsgDfileReading = "Read error from file %s \n";

// Which program's form of the module is in force. The data file tool's form
// reports with its own texts and loads an empty file as an empty block.
enum class FileForm { tools, dfile };
extern FileForm fileForm;

struct FileCloser {
    void operator()(FILE* f) const
    {
        if (f)
            std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Opens a stream (fopen modes); null on failure.
FilePtr fileOpen(const std::string& name, const char* mode);

// Reads nmemb items of `size` bytes, retrying short reads up to MAXTRIES
// calls. Returns nmemb when all arrived, the items read at end of file, or
// the items read negated after a stream error.
int64_t fileRead(void* ptr, size_t size, size_t nmemb, FILE* stream);

// Writes nmemb items with the same retry loop; returns the items written.
size_t fileWrite(const void* ptr, size_t size, size_t nmemb, FILE* stream);

// Opens `name` with `mode` ("wb", "rb+", "ab"), seeks to `position` unless it
// is 0, writes `buf`. Bytes written; 0 on an open or seek failure.
uint32_t fileSave(const std::string& name, std::span<const uint8_t> buf, uint32_t position,
                  const char* mode);

// Reads buf.size() bytes at `position`. fileRead's result, -1 if the file
// cannot be opened, 0 if the seek fails.
int64_t fileLoad(const std::string& name, std::span<uint8_t> buf, uint32_t position);

// Copies nmemb items of `size` bytes between streams through a buffer of at
// most MAXBUFFSIZE bytes; stops at the input's end or a failed write.
// Items copied.
uint64_t fileCopy(FILE* fi, FILE* fo, size_t size, size_t nmemb);

// Copies `size` bytes from `iposition` of `iname` to `oposition` of `oname`
// (opened with `mode`). Bytes copied; 0 on any open or seek failure.
uint32_t fileCopyF(const std::string& iname, const std::string& oname, uint32_t iposition,
                   uint32_t oposition, uint32_t size, const char* mode);

// Placeholder kept for the module's interface: does nothing, returns 0.
int fileTransferF(const std::string& iname, const std::string& oname, int ipos, int opos,
                  int size);

// Writes nmemb bytes of value c in chunks of FILLBUFSIZE; bytes written.
size_t fileFill(uint8_t c, size_t nmemb, FILE* stream);

// As fileSave, filling `bufsize` bytes of value c.
uint32_t fileFillF(const std::string& name, uint8_t c, uint32_t position, uint32_t bufsize,
                   const char* mode);

// Size of a regular file, -1 for a missing path or anything else.
int64_t fileSizeF(const std::string& name);

// Size of the stream's file, 0 on failure; the position is kept.
uint32_t fileSize(FILE* f);

// Placeholder kept for the module's interface: always null.
FILE* fileTemp(std::string* tname, const std::string& basename);

// Appends "tmp%05x" to the prefix held in `name` (a directory with its
// trailing '/', or "") choosing a name no file has, and creates it empty
// unless `nocreate` is set. False when the file cannot be created there.
bool fileCreateTemp(std::string& name, bool nocreate);

// Names of the non-directory entries matching a pattern ("dir/*.dlg"),
// sorted, case-insensitive.
std::vector<std::string> fileFindFiles(const std::string& pattern);

// The whole file in a new block, or nullopt after printing one message.
// `size` (if given) receives the size found by fileSizeF.
std::optional<std::vector<uint8_t>> fileLoadFile(const std::string& infile,
                                                 int64_t* size = nullptr);

// Placeholder kept for the module's interface: always nullopt.
std::optional<std::vector<uint8_t>> fileLoadFilePlus(const std::string& infile, int64_t* size,
                                                     int plus);

// A whole output file on its way: the writer puts every byte into `path`,
// then fileOutputCommit makes it the target in one step.
//  - a regular or new file: `path` is a fresh temporary file beside the file
//    the target names (symbolic links followed, so a link stays a link);
//    the commit flushes it, gives it the old file's permission bits and
//    renames it over that file, so the target is either the old or the whole
//    new file;
//  - a pipe, character device or /dev/stdout: `path` is the target itself,
//    written in place as a stream; nothing is renamed over it.
// A record that goes without being committed removes its temporary file.
struct FileOutput {
    std::string target;     // as the caller named it
    std::string real;       // the file replaced: target with links followed
    std::string path;       // where the writer writes
    bool inPlace = false;   // path is the target itself (a stream)
    bool replaces = false;  // a regular file exists and keeps its mode
    PlatformStat old{};     // what the replaced file was
    bool pending = false;   // a temporary file exists that is not committed
    // Set by a caller that prints its own line when the file cannot be made:
    // the target is a directory or its folder takes no new file. begin then
    // prints nothing in those cases only (a read-only file is still refused
    // with the routine's line).
    bool quietCreate = false;
    bool createFailed = false;  // begin failed for one of those (errno tells why)
    FileOutput() = default;
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;
    ~FileOutput();
};

// Prepares `out` for a whole new `target`. False after one "ERROR:" line on
// stderr when the target is a directory, an existing file this process may
// not write, or lies in a folder where no file can be created (see
// `quietCreate`).
[[nodiscard]] bool fileOutputBegin(FileOutput& out, const std::string& target);

// Makes what was written the target. A file that replaces another is
// flushed to disk before the rename. False after one "ERROR:" line when the
// flush or rename fails; the target is then as it was and the temporary file
// is gone. For an in-place stream it only reports success.
[[nodiscard]] bool fileOutputCommit(FileOutput& out);

// Drops what was written: the temporary file is removed, the target is as
// it was. (An in-place stream cannot be taken back.)
void fileOutputAbandon(FileOutput& out);

// begin, write(path), commit: the whole routine for one output. `write`
// returns false when it failed, and the target is then left as it was.
// True when the new file is in place.
[[nodiscard]] bool fileWriteWhole(const std::string& target,
                                  const std::function<bool(const std::string& path)>& write);

// fileWriteWhole of one buffer.
[[nodiscard]] bool fileSaveWhole(const std::string& target, std::span<const uint8_t> bytes);

// For writes into an existing file in place (import into an archive): false
// after the read-only line when this process may not write `path`.
[[nodiscard]] bool fileCheckWritable(const std::string& path);
