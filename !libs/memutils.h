// Counted-block searches and comparisons (nothing stops at a zero byte) and
// the checked allocation of working buffers. Pointer results point into the
// first block; null (or the block's length for the offset forms) means "not
// found". Only memMalloc prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

using MemBlock = std::span<const uint8_t>;

inline constexpr const char* memMsgAlloc = "ERROR: cannot alloc %d bytes\n";

// First occurrence of `d1` in `d`, or null (also for an empty pattern or block).
const uint8_t* memmem(MemBlock d, MemBlock d1);

// Last of the back-to-back repetitions of `d1` starting at its first
// occurrence in `d`, or null.
const uint8_t* mempos(MemBlock d, MemBlock d1);

// Offset of mempos's result, or d.size() when not found.
size_t memposInt(MemBlock d, MemBlock d1);

// Index of the first byte where the blocks differ within the shorter block's
// length, or that length when they are equal.
size_t memcmprInt(MemBlock d1, MemBlock d2);

// Pointer into d1 at the first difference, or null when equal.
const uint8_t* memcmpr(MemBlock d1, MemBlock d2);

// First index where `blocksize` (at least 1) bytes of both blocks are equal,
// or the common length when there is none.
size_t memsameInt(MemBlock d1, MemBlock d2, size_t blocksize);

// d1 plus memsameInt's result, or null when there is no such block.
const uint8_t* memsame(MemBlock d1, MemBlock d2, size_t blocksize);

// Offset of the trailing run of bytes equal to `c`: s.size() when the last
// byte differs, 0 when every byte equals `c` or the block is empty.
size_t memnrchr(MemBlock s, int c);

// Sets `block` to `size` bytes (not cleared); on failure prints the
// allocation message and returns false.
[[nodiscard]] bool memMalloc(std::vector<uint8_t>& block, size_t size);
