// The sample game's movie: a small raw CD image and a standard STR movie.
//
// Raw CD image (kz7.bin): 2352-byte mode 2 form 2 sectors, each with the sync
// pattern, its address as minutes, seconds and frames in BCD (sector 0 at
// 00:02:00), mode 2, a subheader written twice and the EDC over bytes 16 to
// 2347. Four data sectors, the game movie of three game frames, two data
// sectors. A game frame is ten sectors: two audio sectors, then eight video
// sectors whose user data is a 32-byte movie header (chunk count 10, version
// 2) and 2292 bytes of movie data; the frame's 18336 bytes run from the last
// sector to the first (sector 9 holds bytes 0 to 2291), filled with 0xFF.
//
// STR movie (movie.str): 2048-byte sectors, video only, each a 32-byte movie
// header and 2016 bytes of data; a frame is `chunkCount` sectors numbered
// from 0. Its frames are as many as the game movie's, with other data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr size_t sampleCdSectorSize = 2352;
inline constexpr size_t sampleCdUserSize = 2324;
inline constexpr size_t sampleStrSectorSize = 2048;
inline constexpr size_t sampleStrDataSize = 2016;
inline constexpr size_t sampleGameFrameSectors = 10;
inline constexpr size_t sampleGameChunkData = 2292;
inline constexpr size_t sampleGameFrameData = 8 * sampleGameChunkData;  // 18336

// Submodes: real-time form 2 audio, real-time form 2 video, form 2 data.
inline constexpr uint8_t sampleSubAudio = 0x64, sampleSubVideo = 0x62, sampleSubData = 0x28;

// Fields of a 32-byte movie header that the sample sets.
struct SampleStrHeader {
    uint16_t chunk = 0;
    uint16_t chunkCount = 0;
    uint32_t frame = 0;
    uint32_t size = 0;  // the "unknown" word: bytes of movie data
    uint16_t width = 320;
    uint16_t height = 240;
    uint16_t rlnght = 0;
    uint16_t qscale = 0;
    uint16_t version = 2;
};

// EDC of a CD sector (CRC-32, polynomial 0x8001801B reversed, no inversion),
// computed bit by bit.
uint32_t sampleCdEdc(std::span<const uint8_t> bytes);

// One raw form 2 sector at `lba` with its subheader and user data (cut or
// zero-filled to 2324 bytes); the EDC is computed unless `edc` is false.
std::vector<uint8_t> sampleCdSector(uint32_t lba, uint8_t file, uint8_t channel, uint8_t submode,
                                    uint8_t coding, std::span<const uint8_t> user, bool edc = true);

// The 32 bytes of a movie header.
std::vector<uint8_t> sampleStrHeader(const SampleStrHeader& h);

// A game frame of ten sectors from `lba`, its video sectors carrying `h`
// (chunk set to the sector's index, chunkCount 10) and `data` (at most 18336
// bytes) in the game's layout.
std::vector<uint8_t> sampleGameFrame(uint32_t lba, SampleStrHeader h, std::span<const uint8_t> data);

// A STR frame of `sectors` sectors holding `data` (at most sectors * 2016
// bytes, the rest 0xFF), its headers carrying `h` with chunk numbers from 0.
std::vector<uint8_t> sampleStrFrame(SampleStrHeader h, size_t sectors, std::span<const uint8_t> data);

// Deterministic filler bytes.
std::vector<uint8_t> sampleCdFiller(size_t size, uint32_t seed);

// The sample movie files.
struct SampleCd {
    std::vector<uint8_t> bin;  // kz7.bin
    std::vector<uint8_t> str;  // movie.str
};
inline constexpr const char* sampleCdBinName = "kz7.bin";
inline constexpr const char* sampleCdStrName = "movie.str";
inline constexpr uint32_t sampleCdMovieSector = 4;
inline constexpr uint32_t sampleCdMoviePos = sampleCdMovieSector * sampleCdSectorSize;  // FramePos 9408
inline constexpr unsigned sampleCdFrames = 3;
inline constexpr uint32_t sampleCdSectors = sampleCdMovieSector + sampleCdFrames * 10 + 2;
SampleCd sampleCdBuild();
