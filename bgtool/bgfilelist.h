// The TimFiles argument as a list of paths (a directory, one file or a
// pattern), kept in a memory block that is released in one step.
//
// The memory block grows by adding storage beside what it holds and never
// moves a byte it handed out, so addresses stay valid for the list's life.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct MemBlockArena {
    std::vector<std::unique_ptr<uint8_t[]>> chunks;  // storage; never moved
    size_t capacity = 0;  // bytes of all chunks
    size_t used = 0;      // bytes handed out
    size_t step = 0;      // bytes added at each growth (at least the request)
    size_t lastSize = 0;  // bytes of the last chunk
    size_t room = 0;      // free bytes at the end of the last chunk
};

// A new block with `capacity` bytes of storage; null when it cannot be had.
std::unique_ptr<MemBlockArena> memBlockNew(size_t capacity, size_t step);
// `length` new bytes (not cleared), or null when the block cannot grow.
uint8_t* memBlockAlloc(MemBlockArena& block, size_t length);
// A copy of `length` bytes of `data` in the block, or null.
uint8_t* memBlockAppend(MemBlockArena& block, const void* data, size_t length);
// Nothing to give back without moving storage: the chunks stay as they are.
void memBlockTrim(MemBlockArena& block);
void memBlockFree(std::unique_ptr<MemBlockArena> block);

struct FileList {
    const char* dir = nullptr;      // put before every name; ends in '/'
    const char* pattern = nullptr;  // what was searched
    size_t fileCount = 0;
    const char** files = nullptr;      // full paths
    const char** fileNames = nullptr;  // the names after `dir`
    size_t subdirCount = 0;
    const char** subdirs = nullptr;
    const char** subdirNames = nullptr;
    std::unique_ptr<MemBlockArena> block;  // holds the strings and arrays
};

// The files (sorted by name) that a directory, a file or a pattern matched
// case-insensitively names; null for a path of another kind (after a
// message) or a scan that finds nothing at all.
std::unique_ptr<FileList> fileListCreate(const std::string& argument);
void fileListFree(std::unique_ptr<FileList> list);
