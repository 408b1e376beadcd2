// The movie layer: AVI files, video compressors and WAV soundtracks on
// FFmpeg's libraries. It offers the operations the creation run needs:
// create an AVI file with a video stream of a given header and format, write
// frames with a key-frame flag, compress frames in sequence with a chosen
// compressor, copy an audio stream from a WAV file. Movies past 1 GiB are
// written in the OpenDML form by the muxer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "picture.h"

inline constexpr const char* aviUncompressedName = "DIB";

// One entry of the compressor choice: "DIB " (uncompressed) first, then the
// encoders of the installed libavcodec that an AVI file can carry.
struct AviCompressor {
    std::string name;         // the -c name: "DIB", "ffv1", "mjpeg"...
    std::string fourcc;       // handler code written to the stream header
    std::string description;
    bool lossless = false;
    bool usesQuality = false;  // quality 0..10000 changes the result
    bool usesKeyRate = false;  // frames between key frames can be chosen
};

std::vector<AviCompressor> aviCompressors();

// The entry named `name` (case-insensitive, by name or four-character code);
// nullptr when there is none.
const AviCompressor* aviFindCompressor(const std::vector<AviCompressor>& list,
                                       const std::string& name);

// The choice of a run: which compressor, its quality (-1 its default) and
// the key frame interval (0: the first frame only).
struct AviChoice {
    std::string compressor = aviUncompressedName;
    int32_t quality = -1;
    int32_t keyRate = 1;
};

struct AviEncoder;
struct AviEncoderFree {
    void operator()(AviEncoder* e) const;
};
using AviEncoderPtr = std::unique_ptr<AviEncoder, AviEncoderFree>;

// Opens the compressor of `choice` for pictures shaped like `first`;
// nullptr when it cannot take them (or is the uncompressed entry).
AviEncoderPtr aviEncoderOpen(const AviChoice& choice, const PictureBlock& first,
                             uint32_t frameRate);

// One compressed frame as it goes into the file.
struct AviPacket {
    std::vector<uint8_t> data;
    bool key = false;
};

// Compresses the next picture of the sequence; the packets it gives back
// (normally one). False when the compressor failed.
bool aviEncoderCompress(AviEncoder& enc, const PictureBlock& picture,
                        std::span<const uint8_t> pixels, std::vector<AviPacket>& out);

// Ends the sequence; packets the compressor still held.
bool aviEncoderEnd(AviEncoder& enc, std::vector<AviPacket>& out);

// A WAV file opened for copying.
struct AviWav;
struct AviWavFree {
    void operator()(AviWav* w) const;
};
using AviWavPtr = std::unique_ptr<AviWav, AviWavFree>;

// nullptr when `name` is no readable WAV file with an audio stream that an
// AVI file can carry.
AviWavPtr aviWavOpen(const std::string& name);

// The video stream's header: name, rate and frame (the handler code is the
// compressor's; the muxer writes the quality as -1, the default).
struct AviVideoHeader {
    std::string name;  // stream name, at most 63 characters
    uint32_t rate = 15;
    int32_t width = 0;
    int32_t height = 0;
};

struct AviMovie;
struct AviMovieFree {
    void operator()(AviMovie* m) const;
};
using AviMoviePtr = std::unique_ptr<AviMovie, AviMovieFree>;

// Creates the AVI file `path` with a video stream: uncompressed with the
// format of `first` (its header and whole palette) when `enc` is null, else
// the compressor's stream; and an audio stream shaped like `wav` when given.
// nullptr when the file cannot be created.
AviMoviePtr aviCreate(const std::string& path, const AviVideoHeader& header,
                      const PictureBlock& first, AviEncoder* enc, AviWav* wav);

// Writes one video frame at the next position.
bool aviWriteFrame(AviMovie& movie, std::span<const uint8_t> data, bool key);

// Copies the next piece of up to 1024 samples of `wav` into the movie's
// audio stream. 1 when a piece was copied, 0 at the end of the sound, -1 on
// failure.
int aviCopyAudioPiece(AviMovie& movie, AviWav& wav);

// Finishes the file. With `dropAudio` the audio stream declared at creation
// is left out of the finished file (a run that ended before the soundtrack).
bool aviFinish(AviMoviePtr movie, bool dropAudio);
