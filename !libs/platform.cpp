#include "platform.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

PlatformStat platformStat(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return {};
    PlatformStat s{PlatformKind::other, 0, static_cast<unsigned>(st.st_mode & 07777),
                   static_cast<unsigned>(st.st_uid), static_cast<unsigned>(st.st_gid)};
    if (S_ISREG(st.st_mode)) {
        s.kind = PlatformKind::regular;
        s.size = static_cast<int64_t>(st.st_size);
    } else if (S_ISDIR(st.st_mode)) {
        s.kind = PlatformKind::directory;
    }
    return s;
}

// Where one link leads (the path itself when it is no link).
static std::string platformResolveLinkStep(const std::string& p)
{
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return p;
    // Links in /proc report no useful length: take a path's worth.
    std::string to(std::max<size_t>(static_cast<size_t>(st.st_size), 4096) + 1, '\0');
    const ssize_t n = ::readlink(p.c_str(), to.data(), to.size());
    if (n <= 0 || static_cast<size_t>(n) >= to.size())
        return p;
    to.resize(static_cast<size_t>(n));
    return to.front() == platformSeparator ? to : platformDirPart(p) + to;
}

std::string platformResolveLink(const std::string& path)
{
    std::string p = path;
    // The host's own limit on links in a chain; a loop ends here too.
    for (int hops = 0; hops < 40; ++hops) {
        const std::string next = platformResolveLinkStep(p);
        if (next == p)
            return p;
        p = next;
    }
    return p;
}

bool platformIsDescriptorPath(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        if (p.starts_with("/dev/fd/") || (p.starts_with("/proc/") && p.find("/fd/") != std::string::npos))
            return true;
        const std::string next = platformResolveLinkStep(p);
        if (next == p)
            return false;
        p = next;
    }
    return false;
}

bool platformCanWrite(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

bool platformKeepMode(int fd, const PlatformStat& like)
{
    // Only the superuser may give a file away; others keep their own.
    if (::geteuid() == 0)
        (void)::fchown(fd, like.owner, like.group);
    return ::fchmod(fd, like.mode) == 0;
}

std::string platformLastError()
{
    return std::strerror(errno);
}

bool platformIsDir(const std::string& path)
{
    return platformStat(path).kind == PlatformKind::directory;
}

bool platformIsRegular(const std::string& path)
{
    return platformStat(path).kind == PlatformKind::regular;
}

std::vector<PlatformDirEntry> platformScanDir(const std::string& dir)
{
    std::vector<PlatformDirEntry> entries;
    const std::string base = dir.empty() ? std::string(".") : dir;
    DIR* d = ::opendir(base.c_str());
    if (!d)
        return entries;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        std::string full = base;
        if (full.back() != platformSeparator)
            full += platformSeparator;
        entries.push_back({name, platformIsDir(full + name)});
    }
    ::closedir(d);
    std::sort(entries.begin(), entries.end(),
              [](const PlatformDirEntry& a, const PlatformDirEntry& b) { return a.name < b.name; });
    return entries;
}

std::vector<PlatformDirEntry> platformFind(const std::string& pattern)
{
    const std::string dir = platformDirPart(pattern);
    const std::string mask = platformBaseName(pattern);
    std::vector<PlatformDirEntry> found;
    for (auto& e : platformScanDir(dir))
        if (platformMatch(mask, e.name))
            found.push_back(std::move(e));
    return found;
}

static unsigned char platformLower(char c)
{
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

bool platformMatch(std::string_view pattern, std::string_view name)
{
    // Iterative glob with one backtrack point: linear in practice, no recursion.
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || platformLower(pattern[p]) == platformLower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

int platformStricmp(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int d = platformLower(a[i]) - platformLower(b[i]);
        if (d != 0)
            return d;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

int platformMkdir(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : -1;
}

bool platformSameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool platformSyncFile(int fd)
{
    return ::fsync(fd) == 0;
}

PlatformIo platformReadAt(int fd, void* buf, size_t n, int64_t position)
{
    PlatformIo io;
    auto* p = static_cast<uint8_t*>(buf);
    while (io.done < n) {
        const auto at = static_cast<off_t>(position + static_cast<int64_t>(io.done));
        const ssize_t got = ::pread(fd, p + io.done, n - io.done, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            io.error = got < 0;
            break;
        }
        io.done += static_cast<size_t>(got);
    }
    return io;
}

PlatformIo platformWriteAt(int fd, const void* buf, size_t n, int64_t position)
{
    PlatformIo io;
    const auto* p = static_cast<const uint8_t*>(buf);
    while (io.done < n) {
        const auto at = static_cast<off_t>(position + static_cast<int64_t>(io.done));
        const ssize_t put = ::pwrite(fd, p + io.done, n - io.done, at);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            io.error = true;
            break;
        }
        io.done += static_cast<size_t>(put);
    }
    return io;
}

bool platformRename(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string platformDirPart(const std::string& path)
{
    const size_t slash = path.rfind(platformSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string platformBaseName(const std::string& path)
{
    const size_t slash = path.rfind(platformSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int platformExitStatus(long long count)
{
    if (count < 0)
        return 0;
    return count > 255 ? 255 : static_cast<int>(count);
}

bool platformRemoveTree(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return !ec;
}

std::string platformMakeTempDir(const std::string& stem)
{
    std::error_code ec;
    std::string base = std::filesystem::temp_directory_path(ec).string();
    if (ec)
        base = "/tmp";
    std::string templ = base + "/" + stem + "XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

std::string platformAbsolute(const std::string& path)
{
    std::error_code ec;
    auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

bool platformStderrIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

std::string platformCurrentDir()
{
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE)
            return "";
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

bool platformSetCurrentDir(const std::string& path)
{
    return !path.empty() && chdir(path.c_str()) == 0;
}
