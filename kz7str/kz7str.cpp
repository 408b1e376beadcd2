#include "kz7str.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "le.h"
#include "memutils.h"
#include "messages.h"
#include "platform.h"

int savepsxStrData = 0;
int kz7strUpdateHeaderData = 1;

void kz7strSetSavepsxStrData(int value)
{
    savepsxStrData = value;
}

void kz7strDoNotUpdateHeader(int value)
{
    kz7strUpdateHeaderData = value;
}

// ---- records ---------------------------------------------------------------

uint16_t psxStrChunk(std::span<const uint8_t> h)
{
    return leGet16(h, offsetof(PSXStrChunkHeader, chunk)).value_or(0);
}
uint16_t psxStrChunkCount(std::span<const uint8_t> h)
{
    return leGet16(h, offsetof(PSXStrChunkHeader, chunkCount)).value_or(0);
}
uint32_t psxStrFrameNumber(std::span<const uint8_t> h)
{
    return leGet32(h, offsetof(PSXStrChunkHeader, frame)).value_or(0);
}
uint16_t psxStrWidth(std::span<const uint8_t> h)
{
    return leGet16(h, offsetof(PSXStrChunkHeader, width)).value_or(0);
}
uint16_t psxStrHeight(std::span<const uint8_t> h)
{
    return leGet16(h, offsetof(PSXStrChunkHeader, height)).value_or(0);
}
uint16_t psxStrRlnght(std::span<const uint8_t> h)
{
    return leGet16(h, offsetof(PSXStrChunkHeader, rlnght)).value_or(0);
}
uint16_t psxStrQscale(std::span<const uint8_t> h)
{
    return leGet16(h, offsetof(PSXStrChunkHeader, qscale)).value_or(0);
}
uint16_t psxStrVersion(std::span<const uint8_t> h)
{
    return leGet16(h, offsetof(PSXStrChunkHeader, version)).value_or(0);
}

int psxStrStructsValidation()
{
    return sizeof(PSXStrChunkHeader) == PSXStrChunkHeaderSize && sizeof(PSXStrChunk) == PSXStrChunkSize;
}

int mode2SectorsStructsValidation()
{
    return sizeof(CDXAHeader) == CDXAHeaderSize && sizeof(SectorM2F2) == MODE2_SECTOR_SIZE &&
           sizeof(CDXASubCode) == 1;
}

int kz7StrStructsValidation()
{
    if (!psxStrStructsValidation()) {
        std::fputs(kz7strMsgPsxStructs, stderr);
        return 0;
    }
    if (!mode2SectorsStructsValidation()) {
        std::fputs(kz7strMsgCdStructs, stderr);
        return 0;
    }
    if (sizeof(KZ7StrChunk) != KZ7StrChunkSize) {
        std::fputs(kz7strMsgKz7Structs, stderr);
        return 0;
    }
    return 1;
}

// ---- sector EDC -------------------------------------------------------------

namespace {

// Slicing-by-8 tables of the reversed polynomial, for the bytes the folding
// below leaves (and for hosts without carry-less multiplies).
using EdcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr EdcTables edcMakeTables()
{
    EdcTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ ((c & 1) ? 0xD8018001u : 0u);
        t[0][i] = c;
    }
    for (size_t k = 1; k < 8; ++k)
        for (size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr EdcTables edcTables = edcMakeTables();

constexpr size_t edcStart = 16;   // the subheader
constexpr size_t edcOffset = offsetof(SectorM2F2, ecd);

uint32_t load32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Table CRC from state `crc`, slicing 8 bytes at a time.
uint32_t edcTable(uint32_t crc, const uint8_t* p, size_t n)
{
    const auto& t = edcTables;
    for (; n >= 8; n -= 8, p += 8) {
        crc ^= load32(p);
        const uint32_t hi = load32(p + 4);
        crc = t[7][crc & 0xFF] ^ t[6][(crc >> 8) & 0xFF] ^ t[5][(crc >> 16) & 0xFF] ^ t[4][crc >> 24] ^
              t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    }
    for (; n > 0; --n, ++p)
        crc = (crc >> 8) ^ t[0][(crc ^ *p) & 0xFF];
    return crc;
}

#if defined(__x86_64__)
// x^k mod P, bit-reversed into the top of 64 bits: the form a carry-less
// multiply of bit-reversed operands takes. Such a product comes out as the
// bit-reversed product times x, so folding over d bits uses x^(d+63) and
// x^(d-1) for the high and low halves of a block.
constexpr uint64_t edcFoldConstant(unsigned k)
{
    uint64_t r = 1;
    for (unsigned i = 0; i < k; ++i) {
        r <<= 1;
        if (r & (uint64_t{1} << 32))
            r ^= 0x18001801Bull;
    }
    uint64_t reflected = 0;
    for (unsigned d = 0; d < 32; ++d)
        if (r >> d & 1)
            reflected |= uint64_t{1} << (63 - d);
    return reflected;
}

// A 128-bit remainder moved forward by the distance its constants stand for.
__attribute__((target("pclmul,sse2"))) __m128i edcFoldStep(__m128i r, __m128i k)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(r, k, 0x00), _mm_clmulepi64_si128(r, k, 0x11));
}

// Folds 16-byte blocks with carry-less multiplies: the remainder modulo P
// of the whole message is kept in 128 bits, and its 16 bytes have the same
// EDC as the message. Four blocks are folded side by side, 64 bytes apart,
// and joined at the end. `n` is a non-zero multiple of 64; `crc` is the
// state after the bytes before `p`.

__attribute__((target("pclmul,sse2"))) uint32_t edcFold(uint32_t crc, const uint8_t* p, size_t n)
{
    // Computed while compiling: the loops behind them are long.
    static constexpr uint64_t k128[2] = {edcFoldConstant(128 + 64 - 1), edcFoldConstant(128 - 1)};
    static constexpr uint64_t k512[2] = {edcFoldConstant(512 + 64 - 1), edcFoldConstant(512 - 1)};
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(k128[1]), static_cast<long long>(k128[0]));
    const __m128i by512 = _mm_set_epi64x(static_cast<long long>(k512[1]), static_cast<long long>(k512[0]));
    const auto load = [p](size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)); };
    __m128i r[4] = {_mm_xor_si128(load(0), _mm_cvtsi32_si128(static_cast<int>(crc))), load(16), load(32),
                    load(48)};
    for (size_t at = 64; at < n; at += 64)
        for (size_t i = 0; i < 4; ++i)
            r[i] = _mm_xor_si128(edcFoldStep(r[i], by512), load(at + 16 * i));
    for (size_t i = 1; i < 4; ++i)
        r[i] = _mm_xor_si128(r[i], edcFoldStep(r[i - 1], by128));
    alignas(16) uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), r[3]);
    return edcTable(0, last, sizeof last);
}

#define KZ7STR_WIDE __attribute__((target("avx512f,vpclmulqdq,pclmul,sse2")))

KZ7STR_WIDE __m512i edcWideConstant(const uint64_t (&k)[2])
{
    const auto lo = static_cast<long long>(k[0]), hi = static_cast<long long>(k[1]);
    return _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
}

// Four 128-bit remainders moved forward at once.
KZ7STR_WIDE __m512i edcWideStep(__m512i r, __m512i k)
{
    return _mm512_xor_si512(_mm512_clmulepi64_epi128(r, k, 0x00), _mm512_clmulepi64_epi128(r, k, 0x11));
}

// The same folding 256 bytes at a time, in four 512-bit registers of four
// 16-byte blocks each (each block moves 2048 bits a step), joined into one
// register, whose four blocks are joined as above. `n` is a non-zero
// multiple of 256.
KZ7STR_WIDE uint32_t edcFoldWide(uint32_t crc, const uint8_t* p, size_t n)
{
    static constexpr uint64_t k128[2] = {edcFoldConstant(128 + 64 - 1), edcFoldConstant(128 - 1)};
    static constexpr uint64_t k512[2] = {edcFoldConstant(512 + 64 - 1), edcFoldConstant(512 - 1)};
    static constexpr uint64_t k2048[2] = {edcFoldConstant(2048 + 64 - 1), edcFoldConstant(2048 - 1)};
    const __m512i by2048 = edcWideConstant(k2048), by512 = edcWideConstant(k512);
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(k128[1]), static_cast<long long>(k128[0]));
    __m512i r[4];
    for (size_t i = 0; i < 4; ++i)
        r[i] = _mm512_loadu_si512(p + 64 * i);
    r[0] = _mm512_xor_si512(r[0], _mm512_set_epi64(0, 0, 0, 0, 0, 0, 0, static_cast<long long>(crc)));
    for (size_t at = 256; at < n; at += 256)
        for (size_t i = 0; i < 4; ++i)
            r[i] = _mm512_xor_si512(edcWideStep(r[i], by2048), _mm512_loadu_si512(p + at + 64 * i));
    for (size_t i = 1; i < 4; ++i)
        r[i] = _mm512_xor_si512(r[i], edcWideStep(r[i - 1], by512));
    alignas(64) uint8_t blocks[64];
    _mm512_store_si512(blocks, r[3]);
    __m128i x[4];
    for (size_t i = 0; i < 4; ++i)
        x[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i));
    for (size_t i = 1; i < 4; ++i)
        x[i] = _mm_xor_si128(x[i], edcFoldStep(x[i - 1], by128));
    alignas(16) uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), x[3]);
    return edcTable(0, last, sizeof last);
}
#undef KZ7STR_WIDE

const bool edcHasClmul = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") != 0;
}();

const bool edcHasWideClmul = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("vpclmulqdq") != 0;
}();
#endif

}  // namespace

uint32_t cdEdc(std::span<const uint8_t> bytes)
{
    const uint8_t* p = bytes.data();
    const size_t n = bytes.size();
#if defined(__x86_64__)
    if (edcHasWideClmul && n >= 256) {
        const size_t head = n % 256;
        return edcFoldWide(edcTable(0, p, head), p + head, n - head);
    }
    if (edcHasClmul && n >= 64) {
        const size_t head = n % 64;
        return edcFold(edcTable(0, p, head), p + head, n - head);
    }
#endif
    return edcTable(0, p, n);
}

uint32_t cdSectorStoredEdc(std::span<const uint8_t> sector)
{
    return leGet32(sector, edcOffset).value_or(0);
}

uint32_t cdSectorForm2Edc(std::span<const uint8_t> sector)
{
    if (!leFits(sector.size(), edcStart, edcOffset - edcStart))
        return 0;
    return cdEdc(sector.subspan(edcStart, edcOffset - edcStart));
}

// ---- files ------------------------------------------------------------------

namespace {

// Files that a frame dump must not replace: the open streams of the import
// would go on with the replaced files and their changes would be lost.
std::vector<std::string> dumpGuard;

bool modeWrites(const char* mode)
{
    return std::strpbrk(mode, "wa+") != nullptr;
}

int asInt(int64_t v)
{
    return static_cast<int>(v);
}

}  // namespace

FilePtr fileOpenBlockFile(const std::string& name, size_t blockSize, const char* mode)
{
    const int64_t size = fileSizeF(name);
    const auto block = static_cast<int64_t>(blockSize);
    if (size < block) {
        std::fprintf(stderr, kz7strMsgSizeLower, asInt(block), name.c_str());
        return nullptr;
    }
    if (size > fileMaxSize) {
        std::fprintf(stderr, fileMsgTooLarge, name.c_str());
        return nullptr;
    }
    if (size % block != 0) {
        std::fprintf(stderr, kz7strMsgSizeMultiple, asInt(block), name.c_str());
        return nullptr;
    }
    if (modeWrites(mode) && !fileCheckWritable(name))
        return nullptr;
    return fileOpen(name, mode);
}

// ---- STR frames --------------------------------------------------------------

void psxstrSaveFrameData(const PsxStrFrame& frame)
{
    if (!savepsxStrData)
        return;
    char name[32];
    std::snprintf(name, sizeof name, "strf%04d", static_cast<int>(psxStrFrameNumber(frame.header)));
    for (const std::string& input : dumpGuard)
        if (platformSameFile(name, input)) {
            std::fprintf(stderr, kz7strMsgSameFile, name, input.c_str());
            return;
        }
    const std::span<const uint8_t> bytes = frame.data.first(frame.dataSize);
    std::string reason;
    const bool saved = fileWriteWhole(name, [&](const std::string& path) {
        FilePtr f = fileOpen(path, "wb");
        const bool put = f && fileWrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
        const bool closed = f && std::fclose(f.release()) == 0;
        if (!put || !closed)
            reason = platformLastError();
        return put && closed;
    });
    // fileWriteWhole reports its own failures; only the write is ours to report.
    if (!saved && !reason.empty())
        std::fprintf(stderr, kz7strMsgDumpWrite, name, reason.c_str());
}

uint32_t psxStrReadFrameData(FILE* file, std::span<uint8_t> buff, PsxStrFrame& frame)
{
    if (buff.size() < MAX_CHUNKS * PSXStrChunkSize || frame.data.size() < MAX_CHUNKS * PSXStrChunkDataSize)
        return 0;
    const int64_t got = fileRead(buff.data(), 1, PSXStrChunkSize, file);
    if (got != static_cast<int64_t>(PSXStrChunkSize)) {
        if (got == 0 && std::feof(file) && !std::ferror(file))
            return 0;  // the movie is over
        std::fprintf(stderr, kz7strMsgStrRead, asInt(PSXStrChunkSize), asInt(got < 0 ? -got : got),
                     asInt(ftello(file)));
        return 0;
    }
    const std::span<const uint8_t> first = buff.first(PSXStrChunkSize);
    const int frameNo = static_cast<int>(psxStrFrameNumber(first));
    const uint16_t chunk = psxStrChunk(first);
    if (chunk != 0) {
        std::fprintf(stderr, kz7strMsgFirstChunk, int{chunk}, frameNo);
        return 0;
    }
    const size_t count = psxStrChunkCount(first);
    if (count < 1 || count > MAX_CHUNKS) {
        std::fprintf(stderr, kz7strMsgManyChunks, static_cast<int>(count), frameNo);
        return 0;
    }
    std::memcpy(frame.header, first.data(), PSXStrChunkHeaderSize);
    if (count > 1) {
        const size_t want = (count - 1) * PSXStrChunkSize;
        if (fileRead(buff.data() + PSXStrChunkSize, 1, want, file) != static_cast<int64_t>(want)) {
            std::fprintf(stderr, kz7strMsgStrReadFrame, asInt(static_cast<int64_t>(want)), frameNo);
            return 0;
        }
    }
    for (size_t k = 0; k < count; ++k)
        std::memcpy(frame.data.data() + k * PSXStrChunkDataSize,
                    buff.data() + k * PSXStrChunkSize + PSXStrChunkHeaderSize, PSXStrChunkDataSize);
    frame.dataSize = static_cast<uint32_t>(count * PSXStrChunkDataSize);
    psxstrSaveFrameData(frame);
    return frame.dataSize;
}

// ---- game frames -------------------------------------------------------------

int kz7strValidateInputData(PsxStrFrame& frame)
{
    if (frame.dataSize < KZ7StrFrameDataSize) {
        std::memset(frame.data.data() + frame.dataSize, PSXStrEmtpyChar, KZ7StrFrameDataSize - frame.dataSize);
        frame.dataSize = KZ7StrFrameDataSize;
    } else if (frame.dataSize > KZ7StrFrameDataSize) {
        const std::span<const uint8_t> beyond =
            frame.data.subspan(KZ7StrFrameDataSize, frame.dataSize - KZ7StrFrameDataSize);
        // Offset just past the last byte that is not filling: the bytes that
        // do not fit.
        const size_t bigger = memnrchr(beyond, PSXStrEmtpyChar);
        if (bigger > 0)
            std::fprintf(stderr, kz7strMsgBigger, static_cast<int>(psxStrFrameNumber(frame.header)),
                         static_cast<int>(bigger));
    }
    return 1;
}

int kz7strUpdateChunkHeader(std::span<uint8_t> kz7chunk, std::span<const uint8_t> psxchunk)
{
    if (psxStrVersion(kz7chunk) != psxStrVersion(psxchunk)) {
        std::fprintf(stderr, kz7strMsgVersion, int{psxStrVersion(kz7chunk)}, int{psxStrVersion(psxchunk)});
        return 0;
    }
    if (psxStrChunkCount(kz7chunk) != KZ7StrFrameSectors) {
        std::fprintf(stderr, kz7strMsgChunkCount, static_cast<int>(KZ7StrFrameSectors),
                     int{psxStrChunkCount(kz7chunk)});
        return 0;
    }
    if (psxStrWidth(kz7chunk) != psxStrWidth(psxchunk) || psxStrHeight(kz7chunk) != psxStrHeight(psxchunk)) {
        std::fprintf(stderr, kz7strMsgSize, int{psxStrWidth(kz7chunk)}, int{psxStrHeight(kz7chunk)},
                     int{psxStrWidth(psxchunk)}, int{psxStrHeight(psxchunk)});
        return 0;
    }
    if (kz7strUpdateHeaderData) {
        const bool put = lePut16(kz7chunk, offsetof(PSXStrChunkHeader, rlnght), psxStrRlnght(psxchunk)) &&
                         lePut16(kz7chunk, offsetof(PSXStrChunkHeader, qscale), psxStrQscale(psxchunk));
        if (!put)
            return 0;
    }
    return 1;
}

namespace {

// Only the eight video sectors change; they lie together after sectors 0
// and 1, so one positioned write puts them back.
constexpr size_t videoStart = KZ7StrFrameVSectorFirst * MODE2_SECTOR_SIZE;
constexpr size_t videoSize = KZ7StrFrameVSectors * MODE2_SECTOR_SIZE;

}  // namespace

int kz7strWriteFrameData(FILE* file, int64_t& position, std::span<uint8_t> buff, PsxStrFrame& frame)
{
    if (buff.size() < KZ7StrFrameSize + videoSize || frame.data.size() < KZ7StrFrameDataSize)
        return 0;
    // The frame as read stays in `game`, so a failed write can put it back;
    // the new video sectors are built in `next`.
    const std::span<uint8_t> game = buff.first(KZ7StrFrameSize);
    const std::span<uint8_t> next = buff.subspan(KZ7StrFrameSize, videoSize);
    const int fd = fileno(file);
    const int64_t pos = position;
    const PlatformIo got = platformReadAt(fd, game.data(), game.size(), pos);
    position += static_cast<int64_t>(got.done);
    if (got.done != game.size()) {
        std::fprintf(stderr, kz7strMsgBinRead, asInt(static_cast<int64_t>(KZ7StrFrameSize)), asInt(pos));
        if (!got.error)
            std::fputs(kz7strMsgMoreFrames, stderr);
        return 0;
    }
    if (std::memcmp(game.data(), MODE2_SYNC_HEADER, CDXAHeaderSyncSize) != 0) {
        std::fputs(kz7strMsgSync, stderr);
        return 0;
    }
    kz7strValidateInputData(frame);

    constexpr size_t dataStart = CDXAHeaderSize + offsetof(KZ7StrChunk, data);
    for (size_t s = KZ7StrFrameVSectorFirst; s <= KZ7StrFrameVSectorLast; ++s) {
        const std::span<const uint8_t> old = game.subspan(s * MODE2_SECTOR_SIZE, MODE2_SECTOR_SIZE);
        const std::span<uint8_t> sector = next.subspan(s * MODE2_SECTOR_SIZE - videoStart, MODE2_SECTOR_SIZE);
        std::memcpy(sector.data(), old.data(), dataStart);
        if (!kz7strUpdateChunkHeader(sector.subspan(CDXAHeaderSize, KZ7StrChunkSize), frame.header))
            return 0;
        std::memcpy(sector.data() + dataStart,
                    frame.data.data() + (KZ7StrFrameVSectorLast - s) * KZ7StrChunkDataSize, KZ7StrChunkDataSize);
        // A valid EDC is computed anew; a zero one (never computed) stays
        // zero and a wrong one is kept as it was.
        const uint32_t stored = cdSectorStoredEdc(old);
        const bool renew = stored != 0 && stored == cdSectorForm2Edc(old);
        if (!lePut32(sector, edcOffset, renew ? cdSectorForm2Edc(sector) : stored))
            return 0;
    }

    const PlatformIo put = platformWriteAt(fd, next.data(), next.size(), pos + static_cast<int64_t>(videoStart));
    if (put.done != next.size()) {
        std::fprintf(stderr, kz7strMsgBinWrite, asInt(static_cast<int64_t>(KZ7StrFrameSize)), asInt(pos),
                     asInt(static_cast<int64_t>(put.done)));
        // Never leave half a frame: put the old bytes back.
        if (put.done > 0 &&
            platformWriteAt(fd, game.data() + videoStart, put.done, pos + static_cast<int64_t>(videoStart)).done !=
                put.done)
            std::fprintf(stderr, kz7strMsgRestore, asInt(pos));
        return 0;
    }
    return 1;
}

void kz7strImportPsxStr(const std::string& kz7binName, const std::string& strname, int64_t kz7strPos,
                        int64_t kz7strFSkip)
{
    std::vector<uint8_t> block;
    if (!memMalloc(block, 2 * BUFFER_SIZE))
        return;
    PsxStrFrame frame;
    frame.data = std::span<uint8_t>(block).first(BUFFER_SIZE);
    const std::span<uint8_t> buff = std::span<uint8_t>(block).subspan(BUFFER_SIZE, BUFFER_SIZE);

    std::vector<char> strBuffer(size_t{1} << 20);  // outlives the stream that uses it
    FilePtr str = fileOpenBlockFile(strname, PSXStrChunkSize, "rb");
    if (!str) {
        std::fprintf(stderr, kz7strMsgOpening, strname.c_str());
        return;
    }
    FilePtr bin = fileOpenBlockFile(kz7binName, MODE2_SECTOR_SIZE, "rb+");
    if (kz7strFSkip != 0)
        kz7strPos += kz7strFSkip * static_cast<int64_t>(KZ7StrFrameSize);
    if (!bin) {
        std::fprintf(stderr, kz7strMsgOpening, kz7binName.c_str());
        return;
    }
    if (platformSameFile(kz7binName, strname)) {
        std::fprintf(stderr, kz7strMsgSameFile, kz7binName.c_str(), strname.c_str());
        return;
    }
    if (kz7strPos > INT32_MAX) {
        std::fprintf(stderr, kz7strMsgSeekFar, static_cast<long long>(kz7strPos), kz7binName.c_str());
        return;
    }
    // Game frames are read and written with positioned calls straight from
    // and to the file; the STR file is read through a large buffer.
    std::setvbuf(str.get(), strBuffer.data(), _IOFBF, strBuffer.size());
    if (::fseeko(bin.get(), static_cast<off_t>(kz7strPos), SEEK_SET) != 0) {
        std::fprintf(stderr, kz7strMsgSeek, asInt(kz7strPos), kz7binName.c_str());
        return;
    }
    dumpGuard = {kz7binName, strname};
    int64_t position = kz7strPos;
    while (psxStrReadFrameData(str.get(), buff, frame) != 0)
        if (!kz7strWriteFrameData(bin.get(), position, buff, frame)) {
            std::fprintf(stderr, kz7strMsgNotImported, static_cast<int>(psxStrFrameNumber(frame.header)));
            break;
        }
    dumpGuard.clear();
}

// ---- command line --------------------------------------------------------------

void kz7strUsage(const std::string& program)
{
    std::fprintf(stderr, kz7strUsageLines[0], program.c_str());
    for (size_t k = 1; k < std::size(kz7strUsageLines); ++k)
        std::fputs(kz7strUsageLines[k], stderr);
}

bool kz7strNumber(const std::string& text, int32_t& value)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(begin, &end, 0);
    const bool range = errno != ERANGE && v >= INT32_MIN && v <= INT32_MAX;
    value = static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
    // An empty argument is no number: it would quietly mean position 0.
    return end != begin && *end == '\0' && range && v >= 0;
}
