#include "fileutils.h"

#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <unistd.h>

FileForm fileForm = FileForm::tools;

FilePtr fileOpen(const std::string& name, const char* mode)
{
    return FilePtr(std::fopen(name.c_str(), mode));
}

int64_t fileRead(void* ptr, size_t size, size_t nmemb, FILE* stream)
{
    auto* p = static_cast<unsigned char*>(ptr);
    size_t remaining = nmemb;
    unsigned tries = 0;
    while (remaining != 0 && tries++ < MAXTRIES && !std::feof(stream)) {
        const size_t got = std::fread(p + (nmemb - remaining) * size, size, remaining, stream);
        remaining -= got;
    }
    if (remaining == 0)
        return static_cast<int64_t>(nmemb);
    const auto done = static_cast<int64_t>(nmemb - remaining);
    return std::feof(stream) ? done : -done;
}

size_t fileWrite(const void* ptr, size_t size, size_t nmemb, FILE* stream)
{
    const auto* p = static_cast<const unsigned char*>(ptr);
    size_t remaining = nmemb;
    unsigned tries = 0;
    while (remaining != 0 && tries++ < MAXTRIES && !std::feof(stream)) {
        const size_t put = std::fwrite(p + (nmemb - remaining) * size, size, remaining, stream);
        remaining -= put;
    }
    return nmemb - remaining;
}

static bool fileSeek(FILE* f, uint32_t position)
{
    return ::fseeko(f, static_cast<off_t>(position), SEEK_SET) == 0;
}

// Opens `name` with `mode` and, unless `position` is 0, seeks there, then
// lets `write` put its bytes. Bytes written; 0 on an open, seek or close
// failure (a write that only reached the stream buffer is not a write).
template <typename Write>
static uint32_t fileWriteAt(const std::string& name, uint32_t position, const char* mode,
                            Write write)
{
    FilePtr f = fileOpen(name, mode);
    if (!f)
        return 0;
    if (position != 0 && !fileSeek(f.get(), position))
        return 0;
    const size_t put = write(f.get());
    if (std::fclose(f.release()) != 0)
        return 0;
    return static_cast<uint32_t>(put);
}

uint32_t fileSave(const std::string& name, std::span<const uint8_t> buf, uint32_t position,
                  const char* mode)
{
    return fileWriteAt(name, position, mode,
                       [&](FILE* f) { return fileWrite(buf.data(), 1, buf.size(), f); });
}

int64_t fileLoad(const std::string& name, std::span<uint8_t> buf, uint32_t position)
{
    FilePtr f = fileOpen(name, "rb");
    if (!f)
        return -1;
    if (!fileSeek(f.get(), position))
        return 0;
    return fileRead(buf.data(), 1, buf.size(), f.get());
}

uint64_t fileCopy(FILE* fi, FILE* fo, size_t size, size_t nmemb)
{
    if (size == 0)
        return 0;
    const size_t maxBufSize = MAXBUFFSIZE / size;
    size_t ionmemb = std::min(nmemb, maxBufSize);
    if (ionmemb == 0)
        return 0;
    // A page-aligned block lets the kernel copy whole pages in and out.
    constexpr size_t pageAlign = 4096;
    std::vector<unsigned char> block;
    try {
        block.resize(ionmemb * size + pageAlign);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    unsigned char* const buf =
        block.data() + (pageAlign - reinterpret_cast<uintptr_t>(block.data()) % pageAlign) % pageAlign;
    size_t remaining = nmemb;
    while (remaining != 0) {
        const int64_t got = fileRead(buf, size, ionmemb, fi);
        if (got <= 0)
            break;
        const size_t put = fileWrite(buf, size, static_cast<size_t>(got), fo);
        remaining -= put;
        // A short write would shift every later byte: stop and report the
        // shortfall rather than go on reading past the range.
        if (put != static_cast<size_t>(got))
            break;
        ionmemb = std::min(remaining, maxBufSize);
    }
    return nmemb - remaining;
}

// Copies up to `size` bytes from position `in` of one descriptor to position
// `out` of another inside the kernel (no user buffer; a reflink where the
// file system has them) and advances both positions by the bytes copied.
// Stops early where the files do not allow it; `atEnd` is set when the input
// ended.
static uint64_t fileCopyKernel(int ifd, off_t& in, int ofd, off_t& out, uint64_t size, bool& atEnd)
{
    atEnd = false;
    uint64_t done = 0;
    while (done < size) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(size - done, 1u << 30));
        const ssize_t n = ::copy_file_range(ifd, &in, ofd, &out, chunk, 0);
        if (n <= 0) {
            atEnd = n == 0;
            break;
        }
        done += static_cast<uint64_t>(n);
    }
    return done;
}

// open(2) flags of an fopen mode; -1 for a mode it does not know. Appending
// is left to the caller: the kernel copy takes explicit positions, which an
// O_APPEND descriptor refuses, so fileCopyF writes at the file's end itself
// (for the one writer of the call the bytes land in the same place).
static int fileModeFlags(const char* mode)
{
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
    case 'r':
        return update ? O_RDWR : O_RDONLY;
    case 'w':
        return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a':
        return (update ? O_RDWR : O_WRONLY) | O_CREAT;
    default:
        return -1;
    }
}

namespace {

// A descriptor closed on every path unless handed on.
struct FileFd {
    int fd = -1;
    explicit FileFd(int f) : fd(f) {}
    FileFd(const FileFd&) = delete;
    FileFd& operator=(const FileFd&) = delete;
    ~FileFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A stream over the descriptor, which then belongs to the stream.
FilePtr fileStreamOf(FileFd& d, const char* mode)
{
    FILE* f = ::fdopen(d.fd, mode);
    if (f)
        d.fd = -1;
    return FilePtr(f);
}

}  // namespace

uint32_t fileCopyF(const std::string& iname, const std::string& oname, uint32_t iposition,
                   uint32_t oposition, uint32_t size, const char* mode)
{
    FileFd ifd(::open(iname.c_str(), O_RDONLY | O_CLOEXEC));
    if (ifd.fd < 0)
        return 0;
    const int flags = fileModeFlags(mode);
    if (flags < 0)
        return 0;
    FileFd ofd(::open(oname.c_str(), flags | O_CLOEXEC, 0666));
    if (ofd.fd < 0)
        return 0;
    // A pipe or terminal cannot seek: it is written (or read) where it
    // stands, which is all a position of 0 or an append asks of it.
    const bool outStream = ::lseek(ofd.fd, 0, SEEK_CUR) < 0;
    const bool inStream = ::lseek(ifd.fd, 0, SEEK_CUR) < 0;
    if ((outStream && oposition != 0 && mode[0] != 'a') || (inStream && iposition != 0))
        return 0;
    off_t in = iposition;
    off_t out = mode[0] == 'a' && !outStream ? ::lseek(ofd.fd, 0, SEEK_END) : off_t{oposition};
    if (out < 0)
        return 0;
    bool atEnd = false;
    uint64_t copied = fileCopyKernel(ifd.fd, in, ofd.fd, out, size, atEnd);
    if (copied < size && !atEnd) {
        // Where the kernel cannot copy between these files, the buffer does.
        // fileCopy moves whole blocks: stream buffers would only split each
        // block into extra, unaligned system calls.
        FilePtr fi = fileStreamOf(ifd, "rb");
        // fdopen neither truncates nor appends; it only needs the access
        // mode the descriptor was opened with.
        FilePtr fo = fileStreamOf(ofd, (flags & O_ACCMODE) == O_RDWR ? "r+b" : "wb");
        if (!fi || !fo)
            return 0;
        std::setvbuf(fi.get(), nullptr, _IONBF, 0);
        std::setvbuf(fo.get(), nullptr, _IONBF, 0);
        if ((!inStream && ::fseeko(fi.get(), in, SEEK_SET) != 0) ||
            (!outStream && ::fseeko(fo.get(), out, SEEK_SET) != 0))
            return 0;
        copied += fileCopy(fi.get(), fo.get(), 1, size - copied);
        if (std::fclose(fo.release()) != 0)
            return 0;
        return static_cast<uint32_t>(copied);
    }
    const int fd = ofd.fd;
    ofd.fd = -1;
    if (::close(fd) != 0)
        return 0;
    return static_cast<uint32_t>(copied);
}

int fileTransferF(const std::string&, const std::string&, int, int, int)
{
    return 0;
}

size_t fileFill(uint8_t c, size_t nmemb, FILE* stream)
{
    unsigned char buf[FILLBUFSIZE];
    std::fill(std::begin(buf), std::end(buf), c);
    size_t chunk = FILLBUFSIZE;
    size_t remaining = nmemb;
    unsigned shortWrites = 0;
    while (remaining != 0 && shortWrites < MAXTRIES && !std::feof(stream)) {
        if (remaining < FILLBUFSIZE)
            chunk = remaining;
        const size_t put = std::fwrite(buf, 1, chunk, stream);
        if (put < chunk)
            ++shortWrites;
        remaining -= put;
    }
    return nmemb - remaining;
}

uint32_t fileFillF(const std::string& name, uint8_t c, uint32_t position, uint32_t bufsize,
                   const char* mode)
{
    return fileWriteAt(name, position, mode, [&](FILE* f) { return fileFill(c, bufsize, f); });
}

int64_t fileSizeF(const std::string& name)
{
    const PlatformStat st = platformStat(name);
    return st.kind == PlatformKind::regular ? st.size : -1;
}

uint32_t fileSize(FILE* f)
{
    const off_t pos = ::ftello(f);
    if (pos < 0)
        return 0;
    if (::fseeko(f, 0, SEEK_END) != 0)
        return 0;
    const off_t size = ::ftello(f);
    if (size <= 0)
        return 0;
    ::fseeko(f, pos, SEEK_SET);
    return static_cast<uint32_t>(size);
}

FILE* fileTemp(std::string*, const std::string&)
{
    return nullptr;
}

bool fileCreateTemp(std::string& name, bool nocreate)
{
    const size_t namelen = name.size();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (;;) {
        char part[16];
        std::snprintf(part, sizeof part, fileTempFormat,
                      static_cast<unsigned>(std::rand()) & 0xFFFFFu);
        name.resize(namelen);
        name += part;
        if (platformStat(name).kind != PlatformKind::missing)
            continue;
        if (nocreate)
            return true;
        // Exclusive creation: another process that picked the same name in
        // the same second must not share the file.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        // Only a name taken meanwhile is worth another try; a missing or
        // read-only directory would fail for every name.
        if (errno != EEXIST)
            return false;
    }
}

std::vector<std::string> fileFindFiles(const std::string& pattern)
{
    std::vector<std::string> names;
    for (auto& e : platformFind(pattern))
        if (!e.isDir)
            names.push_back(std::move(e.name));
    return names;
}

std::optional<std::vector<uint8_t>> fileLoadFile(const std::string& infile, int64_t* size)
{
    const bool dfile = fileForm == FileForm::dfile;
    const int64_t found = fileSizeF(infile);
    if (size)
        *size = found;
    if (found < 0) {
        std::fprintf(stderr, dfile ? fileMsgDfileMissing : fileMsgCantRead, infile.c_str());
        return std::nullopt;
    }
    if (found == 0 && !dfile) {
        std::fprintf(stderr, fileMsgZeroSize, infile.c_str());
        return std::nullopt;
    }
    if (found > fileMaxSize) {
        std::fprintf(stderr, fileMsgTooLarge, infile.c_str());
        return std::nullopt;
    }
    std::vector<uint8_t> block;
    try {
        block.resize(static_cast<size_t>(found));
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, dfile ? fileMsgDfileAlloc : fileMsgAlloc, static_cast<int>(found));
        return std::nullopt;
    }
    if (fileLoad(infile, block, 0) != found) {
        std::fprintf(stderr, dfile ? fileMsgDfileReading : fileMsgReading, infile.c_str());
        return std::nullopt;
    }
    return block;
}

std::optional<std::vector<uint8_t>> fileLoadFilePlus(const std::string&, int64_t*, int)
{
    return std::nullopt;
}

FileOutput::~FileOutput()
{
    fileOutputAbandon(*this);
}

bool fileOutputBegin(FileOutput& out, const std::string& target)
{
    fileOutputAbandon(out);
    out.target = target;
    out.inPlace = out.replaces = out.createFailed = false;
    // What the target is comes from the kernel's own walk of its links: a
    // link into /proc (/dev/stdout) names a pipe or terminal, not a path.
    out.old = platformStat(target);
    if (out.old.kind == PlatformKind::regular && platformIsDescriptorPath(target))
        out.old.kind = PlatformKind::other;  // /dev/stdout into a file: a stream all the same
    out.real = out.old.kind == PlatformKind::other ? target : platformResolveLink(target);
    switch (out.old.kind) {
    case PlatformKind::directory:
        out.createFailed = true;
        errno = EISDIR;
        if (!out.quietCreate)
            std::fprintf(stderr, fileMsgOutputIsDir, target.c_str());
        return false;
    case PlatformKind::other:
        // A pipe or device is written as a stream: renaming over it would put
        // a plain file in its place.
        out.path = target;
        out.inPlace = true;
        return true;
    case PlatformKind::regular:
        if (!platformCanWrite(out.real)) {
            std::fprintf(stderr, fileMsgOutputReadOnly, target.c_str());
            return false;
        }
        out.replaces = true;
        break;
    case PlatformKind::missing:
        break;
    }
    // Beside the file replaced, so that one rename on its file system ends it.
    out.path = platformDirPart(out.real);
    if (!fileCreateTemp(out.path, false)) {
        out.createFailed = true;
        if (!out.quietCreate)
            std::fprintf(stderr, fileMsgOutputCreate, target.c_str(), platformLastError().c_str());
        return false;
    }
    out.pending = true;
    return true;
}

bool fileOutputCommit(FileOutput& out)
{
    if (out.inPlace)
        return true;
    if (!out.pending)
        return false;
    const int fd = ::open(out.path.c_str(), O_RDONLY);
    // Only a file that replaces another needs its bytes on disk before the
    // rename: a new file loses nothing of the user's if the host stops.
    bool ok = fd >= 0 && (!out.replaces || (platformKeepMode(fd, out.old) && platformSyncFile(fd)));
    std::string why = ok ? "" : platformLastError();
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        why = platformLastError();
    }
    if (ok && !platformRename(out.path, out.real)) {
        ok = false;
        why = platformLastError();
    }
    if (!ok) {
        std::fprintf(stderr, fileMsgOutputReplace, out.target.c_str(), why.c_str());
        fileOutputAbandon(out);
        return false;
    }
    out.pending = false;
    if (!out.replaces)
        return true;
    // Make the rename itself durable.
    const std::string dir = platformDirPart(out.real);
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        platformSyncFile(dfd);
        ::close(dfd);
    }
    return true;
}

void fileOutputAbandon(FileOutput& out)
{
    if (out.pending)
        std::remove(out.path.c_str());
    out.pending = false;
}

bool fileWriteWhole(const std::string& target,
                    const std::function<bool(const std::string& path)>& write)
{
    FileOutput out;
    if (!fileOutputBegin(out, target))
        return false;
    if (!write(out.path)) {
        fileOutputAbandon(out);
        return false;
    }
    return fileOutputCommit(out);
}

bool fileSaveWhole(const std::string& target, std::span<const uint8_t> bytes)
{
    return fileWriteWhole(target, [&](const std::string& path) {
        // "wb" truncates the temporary file; a stream target is written as is.
        FilePtr f = fileOpen(path, "wb");
        if (!f)
            return false;
        const bool put = bytes.empty() || fileWrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
        return std::fclose(f.release()) == 0 && put;
    });
}

bool fileCheckWritable(const std::string& path)
{
    if (platformStat(path).kind != PlatformKind::regular || platformCanWrite(path))
        return true;
    std::fprintf(stderr, fileMsgOutputReadOnly, path.c_str());
    return false;
}
