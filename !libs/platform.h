// Host file system access: the only module that calls the operating system's
// file and directory API. Paths use '/' and keep the case the user typed;
// scans are sorted by name and match patterns case-insensitively, so every
// run over the same files sees them in the same order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char platformSeparator = '/';

enum class PlatformKind { missing, regular, directory, other };

struct PlatformStat {
    PlatformKind kind = PlatformKind::missing;
    int64_t size = 0;   // bytes, for a regular file
    unsigned mode = 0;  // permission bits (07777)
    unsigned owner = 0;
    unsigned group = 0;
};

// What the path names (following links), and its size.
PlatformStat platformStat(const std::string& path);

bool platformIsDir(const std::string& path);
bool platformIsRegular(const std::string& path);

struct PlatformDirEntry {
    std::string name;  // name only, no directory part
    bool isDir = false;
};

// Entries of `dir` ("" means the current directory) without "." and "..",
// sorted by name in byte order. An unreadable directory gives no entries.
std::vector<PlatformDirEntry> platformScanDir(const std::string& dir);

// Entries matching a pattern such as "dir/*.dlg" or "prefix*": the part after
// the last '/' is matched case-insensitively with '*' and '?'; the result
// holds names only, sorted in byte order.
std::vector<PlatformDirEntry> platformFind(const std::string& pattern);

// Case-insensitive wildcard match of a whole name ('*' any run, '?' one byte).
bool platformMatch(std::string_view pattern, std::string_view name);

// Case-insensitive comparison of ASCII letters: <0, 0, >0 like strcmp.
int platformStricmp(std::string_view a, std::string_view b);

// Creates a directory; 0 when created, -1 otherwise (also when it exists).
int platformMkdir(const std::string& path);

// True when both paths name the same existing file (same device and inode).
bool platformSameFile(const std::string& a, const std::string& b);

// The path a chain of symbolic links ends at (the path itself when it is no
// link). A dangling link gives the missing file it names.
std::string platformResolveLink(const std::string& path);

// True when `path`, following its links, names an open descriptor of a
// process (/dev/stdout, /dev/fd/N, /proc/self/fd/N): such a path is written
// where it stands, never replaced.
bool platformIsDescriptorPath(const std::string& path);

// True when this process may write the existing file `path`. A file with no
// write permission bit at all counts as read-only even for the superuser.
bool platformCanWrite(const std::string& path);

// Gives the open file `fd` the permission bits and, where the process may,
// the owner of `like`; false when the bits could not be set.
bool platformKeepMode(int fd, const PlatformStat& like);

// The host's text for the last failed call (strerror of errno).
std::string platformLastError();

// Flushes a file's data to the disk; false on failure.
bool platformSyncFile(int fd);

// Reads or writes `n` bytes at `position` of the open file `fd`, bypassing
// any stream buffer and position, retrying interrupted and short calls.
// `done` bytes moved; `error` when the host failed (a read that only met the
// end of the file is no error).
struct PlatformIo {
    size_t done = 0;
    bool error = false;
};
PlatformIo platformReadAt(int fd, void* buf, size_t n, int64_t position);
PlatformIo platformWriteAt(int fd, const void* buf, size_t n, int64_t position);

// Atomically renames `from` over `to`; false on failure.
bool platformRename(const std::string& from, const std::string& to);

// Directory part of a path including its trailing '/', or "" for a bare name.
std::string platformDirPart(const std::string& path);

// File name after the last '/'.
std::string platformBaseName(const std::string& path);

// Exit status for a count of processed items: the host keeps 8 bits, so a
// count above 255 is reported as 255 rather than wrapped (256 must not read
// as 0, the status of an early stop). Negative counts give 0.
int platformExitStatus(long long count);

// Removes a file or a whole directory tree; false when something stayed.
bool platformRemoveTree(const std::string& path);

// Creates a fresh directory under the host's temporary folder; its path
// (without a trailing '/'), or "" on failure.
std::string platformMakeTempDir(const std::string& stem);

// The absolute form of a path (not resolving links); the path itself on failure.
std::string platformAbsolute(const std::string& path);

// True when standard error is a terminal (progress is shown only then).
bool platformStderrIsTerminal();

// The process's current directory ("" when it cannot be read).
std::string platformCurrentDir();

// Makes `path` the current directory; false when it cannot be entered.
bool platformSetCurrentDir(const std::string& path);
