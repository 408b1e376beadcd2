#include "bgfilelist.h"

#include "messages.h"
#include "platform.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr size_t fileListBlockSize = 0x40000;

const char* arenaString(MemBlockArena& block, const std::string& s)
{
    return reinterpret_cast<const char*>(memBlockAppend(block, s.c_str(), s.size() + 1));
}

using PathPairs = std::vector<std::pair<const char*, const char*>>;

// Copies the pairs of paths and names into two arrays of the block.
bool arenaArrays(MemBlockArena& block, const PathPairs& pairs, const char**& paths,
                 const char**& names)
{
    if (pairs.empty())
        return true;
    const size_t bytes = pairs.size() * sizeof(const char*);
    paths = reinterpret_cast<const char**>(memBlockAlloc(block, bytes));
    names = reinterpret_cast<const char**>(memBlockAlloc(block, bytes));
    if (!paths || !names)
        return false;
    for (size_t k = 0; k < pairs.size(); ++k) {
        paths[k] = pairs[k].first;
        names[k] = pairs[k].second;
    }
    return true;
}

}  // namespace

std::unique_ptr<MemBlockArena> memBlockNew(size_t capacity, size_t step)
{
    auto block = std::make_unique<MemBlockArena>();
    block->step = step;
    if (capacity > 0) {
        uint8_t* first = new (std::nothrow) uint8_t[capacity];
        if (!first)
            return nullptr;
        block->chunks.emplace_back(first);
        block->capacity = block->lastSize = block->room = capacity;
    }
    return block;
}

uint8_t* memBlockAlloc(MemBlockArena& block, size_t length)
{
    // Pieces keep the alignment of any object, so the list's arrays can live here.
    constexpr size_t align = alignof(std::max_align_t);
    const size_t padded = (length + align - 1) / align * align;
    if (padded < length)
        return nullptr;
    if (padded > block.room) {
        // Growing adds a chunk: what was handed out stays where it is.
        const size_t grow = std::max(block.step, padded);
        uint8_t* chunk = new (std::nothrow) uint8_t[grow];
        if (!chunk)
            return nullptr;
        block.chunks.emplace_back(chunk);
        block.capacity += grow;
        block.lastSize = block.room = grow;
    }
    uint8_t* at = block.chunks.back().get() + (block.lastSize - block.room);
    block.room -= padded;
    block.used += padded;
    return at;
}

uint8_t* memBlockAppend(MemBlockArena& block, const void* data, size_t length)
{
    uint8_t* at = memBlockAlloc(block, length);
    if (at && length > 0)
        std::memcpy(at, data, length);
    return at;
}

void memBlockTrim(MemBlockArena&) {}

void memBlockFree(std::unique_ptr<MemBlockArena>) {}

std::unique_ptr<FileList> fileListCreate(const std::string& argument)
{
    auto list = std::make_unique<FileList>();
    list->block = memBlockNew(fileListBlockSize, fileListBlockSize);
    if (!list->block)
        return nullptr;
    MemBlockArena& block = *list->block;

    std::string dir, pattern;
    switch (platformStat(argument).kind) {
    case PlatformKind::directory:
        dir = argument.ends_with(platformSeparator) ? argument : argument + platformSeparator;
        pattern = dir + "*";
        break;
    case PlatformKind::regular:
    case PlatformKind::missing:
        pattern = argument;
        dir = platformDirPart(argument);
        if (dir.empty())
            dir = std::string(".") + platformSeparator;
        break;
    default:
        std::fprintf(stderr, fileListMsgUnknownType, argument.c_str());
        return nullptr;
    }
    list->dir = arenaString(block, dir);
    list->pattern = arenaString(block, pattern);
    if (!list->dir || !list->pattern)
        return nullptr;

    // A pattern naming a directory that does not exist (or matching nothing)
    // gives no entries; the caller reports that there are no files.
    const std::string scanDir = platformDirPart(pattern);
    if (!scanDir.empty() && !platformIsDir(scanDir))
        return nullptr;
    PathPairs files, subdirs;
    for (const PlatformDirEntry& e : platformFind(pattern)) {
        const char* path = arenaString(block, dir + e.name);
        if (!path)
            return nullptr;
        (e.isDir ? subdirs : files).emplace_back(path, path + dir.size());
    }
    list->fileCount = files.size();
    list->subdirCount = subdirs.size();
    if (!arenaArrays(block, files, list->files, list->fileNames) ||
        !arenaArrays(block, subdirs, list->subdirs, list->subdirNames))
        return nullptr;
    memBlockTrim(block);
    return list;
}

void fileListFree(std::unique_ptr<FileList>) {}
