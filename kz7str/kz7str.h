// kz7str: writes the frames of a standard STR movie (2048-byte sectors, video
// only) into the game's movie frames inside a raw CD image (2352-byte mode 2
// sectors), in place.
//
// Raw mode 2 form 2 sector (SectorM2F2, 2352 bytes): 12 bytes of sync,
// 4 bytes of address and mode, an 8-byte subheader (file, channel, submode,
// coding, each twice), 2324 bytes of user data and a 4-byte EDC over bytes
// 16 to 2347 (zero when the mastering tool did not compute it).
//
// STR sector (2048 bytes): a 32-byte movie header (chunk number and count,
// frame number, size, rlnght, qscale, version) and 2016 bytes of movie data.
// A STR frame is `chunkCount` consecutive sectors.
//
// Game frame: ten consecutive raw sectors (23520 bytes). Sectors 0 and 1 are
// not video; sectors 2 to 9 each hold a 32-byte movie header and 2292 bytes
// of data in their user data. The frame's 18336 bytes run backwards over the
// sectors: sector s holds the 2292 bytes from (9 - s) * 2292, so sector 9
// holds the first ones; short data is filled up with 0xFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "fileutils.h"

inline constexpr size_t MODE2_SECTOR_SIZE = 2352;
inline constexpr size_t CDXAHeaderSize = 24;
inline constexpr size_t CDXAHeaderSyncSize = 12;
inline constexpr uint8_t MODE2_SYNC_HEADER[CDXAHeaderSyncSize] = {
    0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
inline constexpr size_t MODE2_FORM1_DATA_SIZE = 2048;
inline constexpr size_t MODE2_FORM1_ECD_SIZE = 280;
inline constexpr size_t MODE2_FORM2_DATA_SIZE = 2324;
inline constexpr size_t MODE2_FORM2_ECD_SIZE = 4;
inline constexpr size_t PSXStrChunkSize = 2048;
inline constexpr size_t PSXStrChunkHeaderSize = 32;
inline constexpr size_t PSXStrChunkDataSize = 2016;
inline constexpr uint8_t PSXStrEmtpyChar = 0xFF;
inline constexpr size_t MAX_CHUNKS = 50;
inline constexpr size_t KZ7StrChunkSize = 2324;
inline constexpr size_t KZ7StrChunkDataSize = 2292;
inline constexpr size_t KZ7StrFrameSectors = 10;
inline constexpr size_t KZ7StrFrameVSectorFirst = 2;
inline constexpr size_t KZ7StrFrameVSectorLast = 9;
inline constexpr size_t KZ7StrFrameVSectors = KZ7StrFrameVSectorLast - KZ7StrFrameVSectorFirst + 1;
inline constexpr size_t KZ7StrFrameSize = KZ7StrFrameSectors * MODE2_SECTOR_SIZE;       // 23520
inline constexpr size_t KZ7StrFrameDataSize = KZ7StrFrameVSectors * KZ7StrChunkDataSize;  // 18336

// The records are byte arrays only, so they carry no filling and their
// fields are read and written through le.h at offsetof(...).
struct CDXAHeader {
    uint8_t sync[CDXAHeaderSyncSize];
    uint8_t header[4];
    uint8_t interleaved, channel, subcode, coding;
    uint8_t interleavedD, channelD, subcodeD, codingD;
};

struct SectorM2F2 {
    CDXAHeader cdxa;
    uint8_t data[MODE2_FORM2_DATA_SIZE];
    uint8_t ecd[MODE2_FORM2_ECD_SIZE];
};

// Submode byte of the subheader. The game's sources name its bits, bit 0
// first: eof_marker, real_time, form, trigger, DATA, AUDIO, VIDEO,
// end_audio; kz7str never reads them.
struct CDXASubCode {
    uint8_t bits;
};

struct PSXStrChunkHeader {
    uint8_t mdec0[4];
    uint8_t chunk[2];
    uint8_t chunkCount[2];
    uint8_t frame[4];
    uint8_t unknown[4];
    uint8_t width[2];
    uint8_t height[2];
    uint8_t rlnght[2];
    uint8_t x3800[2];
    uint8_t qscale[2];
    uint8_t version[2];
    uint8_t x0[4];
};

struct PSXStrChunk {
    PSXStrChunkHeader header;
    uint8_t data[PSXStrChunkDataSize];
};

struct KZ7StrChunk {
    PSXStrChunkHeader header;
    uint8_t data[KZ7StrChunkDataSize];
};

// One frame read from a STR file: its first sector's header and, in the
// working block, its movie data.
struct PsxStrFrame {
    uint8_t header[PSXStrChunkHeaderSize];
    std::span<uint8_t> data;  // room for MAX_CHUNKS * 2016 bytes
    uint32_t dataSize = 0;    // bytes of data in use
};

inline constexpr size_t BUFFER_SIZE = MAX_CHUNKS * MODE2_SECTOR_SIZE + sizeof(PsxStrFrame);

// Fields of a movie header (a PSXStrChunkHeader at the start of `h`).
uint16_t psxStrChunk(std::span<const uint8_t> h);
uint16_t psxStrChunkCount(std::span<const uint8_t> h);
uint32_t psxStrFrameNumber(std::span<const uint8_t> h);
uint16_t psxStrWidth(std::span<const uint8_t> h);
uint16_t psxStrHeight(std::span<const uint8_t> h);
uint16_t psxStrRlnght(std::span<const uint8_t> h);
uint16_t psxStrQscale(std::span<const uint8_t> h);
uint16_t psxStrVersion(std::span<const uint8_t> h);

// Record layout checks: 1 when the sizes are right; the last one prints the
// failing group's message and gives 0 otherwise.
int psxStrStructsValidation();
int mode2SectorsStructsValidation();
int kz7StrStructsValidation();

// EDC of a CD sector: CRC-32 of polynomial 0x8001801B, bits reversed, no
// initial or final inversion, over `bytes`.
uint32_t cdEdc(std::span<const uint8_t> bytes);

// The EDC stored in a raw form 2 sector, and the EDC its bytes 16 to 2347
// give. `sector` holds MODE2_SECTOR_SIZE bytes.
uint32_t cdSectorStoredEdc(std::span<const uint8_t> sector);
uint32_t cdSectorForm2Edc(std::span<const uint8_t> sector);

// Program state, set by the options before the import.
extern int savepsxStrData;          // 1: dump each STR frame's data to strfNNNN
extern int kz7strUpdateHeaderData;  // 1: copy rlnght and qscale into the game's headers
void kz7strSetSavepsxStrData(int value);
void kz7strDoNotUpdateHeader(int value);

// Opens a file whose size must be a non-zero multiple of blockSize and below
// 2 GiB; a stream opened for writing ("rb+") must also be writable. Null
// after a message.
FilePtr fileOpenBlockFile(const std::string& name, size_t blockSize, const char* mode);

// Reads the next STR frame into `frame` through the sector buffer `buff`
// (room for MAX_CHUNKS sectors). Its dataSize, or 0 at the end of the file
// or after a message. Dumps the frame when savepsxStrData is set.
uint32_t psxStrReadFrameData(FILE* file, std::span<uint8_t> buff, PsxStrFrame& frame);

// Writes the frame's data to "strf%04d" (its frame number) in the current
// directory when savepsxStrData is set.
void psxstrSaveFrameData(const PsxStrFrame& frame);

// Fills short data with 0xFF up to one game frame; warns when data that is
// not filling lies past it. Always 1.
int kz7strValidateInputData(PsxStrFrame& frame);

// Checks a game video sector's header against the STR frame's header and
// copies rlnght and qscale when kz7strUpdateHeaderData is set. 1, or 0 after
// a message. Both spans hold at least a header.
int kz7strUpdateChunkHeader(std::span<uint8_t> kz7chunk, std::span<const uint8_t> psxchunk);

// Places the frame into the game frame at `position` of the stream's file:
// reads it, lays the data out, renews the sector EDCs that were valid and
// writes the eight video sectors back. `position` moves past the bytes read
// (to the next game frame after a success). 1, or 0 after a message with
// nothing of the frame written. `buff` holds at least KZ7StrFrameSize +
// KZ7StrFrameVSectors * MODE2_SECTOR_SIZE bytes.
int kz7strWriteFrameData(FILE* file, int64_t& position, std::span<uint8_t> buff, PsxStrFrame& frame);

// Imports every frame of `strname` into `kz7binName` from the game frame at
// byte kz7strPos + kz7strFSkip * 23520 on, until the STR file ends or a
// frame cannot be placed.
void kz7strImportPsxStr(const std::string& kz7binName, const std::string& strname,
                        int64_t kz7strPos, int64_t kz7strFSkip);

// Usage text naming the program by `program`.
void kz7strUsage(const std::string& program);

// A command-line number: strtol base 0 over the whole text. False when the
// text is empty, has anything after the digits, is negative or does not fit
// in 32 bits; `value` then holds what was read (clamped to 32 bits).
bool kz7strNumber(const std::string& text, int32_t& value);
