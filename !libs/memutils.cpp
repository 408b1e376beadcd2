#include "memutils.h"

#include <cstdio>
#include <cstring>
#include <exception>

const uint8_t* memmem(MemBlock d, MemBlock d1)
{
    if (d1.empty() || d.empty() || d.size() < d1.size())
        return nullptr;
    const size_t last = d.size() - d1.size();  // last offset the pattern fits at
    size_t from = 0;
    while (from < d.size()) {
        const void* hit = std::memchr(d.data() + from, d1[0], d.size() - from);
        if (!hit)
            return nullptr;
        const size_t at = static_cast<size_t>(static_cast<const uint8_t*>(hit) - d.data());
        if (at > last)
            return nullptr;
        if (std::memcmp(d.data() + at + 1, d1.data() + 1, d1.size() - 1) == 0)
            return d.data() + at;
        from = at + 1;
    }
    return nullptr;
}

const uint8_t* mempos(MemBlock d, MemBlock d1)
{
    const uint8_t* at = memmem(d, d1);
    if (!at)
        return nullptr;
    for (;;) {
        const size_t next = static_cast<size_t>(at - d.data()) + d1.size();
        if (next > d.size())
            return at;
        const uint8_t* again = memmem(d.subspan(next), d1);
        if (again != d.data() + next)
            return at;
        at = again;
    }
}

size_t memposInt(MemBlock d, MemBlock d1)
{
    const uint8_t* at = mempos(d, d1);
    return at ? static_cast<size_t>(at - d.data()) : d.size();
}

size_t memcmprInt(MemBlock d1, MemBlock d2)
{
    const size_t n = d1.size() < d2.size() ? d1.size() : d2.size();
    size_t i = 0;
    while (i < n && d1[i] == d2[i])
        ++i;
    return i;
}

const uint8_t* memcmpr(MemBlock d1, MemBlock d2)
{
    const size_t n = d1.size() < d2.size() ? d1.size() : d2.size();
    const size_t i = memcmprInt(d1, d2);
    return i < n ? d1.data() + i : nullptr;
}

size_t memsameInt(MemBlock d1, MemBlock d2, size_t blocksize)
{
    const size_t dsize = d1.size() < d2.size() ? d1.size() : d2.size();
    if (blocksize == 0 || blocksize > dsize)
        return dsize;
    const size_t limit = dsize - blocksize + 1;
    size_t i = 0;
    while (i < limit) {
        while (i < limit && d1[i] != d2[i])
            ++i;
        if (i >= limit)
            break;
        const size_t run = memcmprInt(d1.subspan(i, blocksize), d2.subspan(i, blocksize));
        if (run == blocksize)
            return i;
        i += run;
    }
    return dsize;
}

const uint8_t* memsame(MemBlock d1, MemBlock d2, size_t blocksize)
{
    const size_t dsize = d1.size() < d2.size() ? d1.size() : d2.size();
    const size_t i = memsameInt(d1, d2, blocksize);
    return i < dsize ? d1.data() + i : nullptr;
}

size_t memnrchr(MemBlock s, int c)
{
    const auto b = static_cast<uint8_t>(c);
    size_t end = s.size();
    // Eight bytes at a time while they all match, then byte by byte.
    const uint64_t all = 0x0101010101010101ull * b;
    for (uint64_t word = 0; end >= 8; end -= 8) {
        std::memcpy(&word, s.data() + end - 8, 8);
        if (word != all)
            break;
    }
    while (end > 0 && s[end - 1] == b)
        --end;
    return end;
}

bool memMalloc(std::vector<uint8_t>& block, size_t size)
{
    try {
        block.resize(size);
        return true;
    } catch (const std::exception&) {  // bad_alloc, or length_error past max_size
        std::fprintf(stderr, memMsgAlloc, static_cast<int>(size));
        return false;
    }
}
