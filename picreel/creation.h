// The creation run: the numbered pictures of a series become the frames of
// an AVI movie, compressed with the chosen compressor, followed by the audio
// of a WAV file. The dialog and the command line (-b) both fill the settings
// and call createAvi; what they show is given by the hooks of CreationUi.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "avifile.h"
#include "picture.h"

struct CreationSettings {
    std::string inputPrefix;             // name prefix of the pictures; the stream's name
    std::string outputBase;              // the movie is this plus ".avi"
    bool useTga = false;
    uint32_t frameRate = 15;
    uint32_t keyRate = 1;                // a key frame every keyRate frames
    int32_t quality = -1;                // -1: the compressor's default
    std::string compressor = "DIB ";     // handler, or a compressor's name
    bool chooseCompressor = true;        // let the user choose
    std::string soundtrack;              // WAV file, empty for none
    bool showFrames = true;
    bool abortRequested = false;         // ends the run before the next frame
};

// What the run shows and asks; a missing hook does nothing.
struct CreationUi {
    std::function<void(const char* message)> showError;
    std::function<void(int frame, int lastIndex)> progress;
    std::function<void(int width, int height)> resizePreview;
    std::function<void(const PictureBlock& picture, std::span<const uint8_t> pixels)> drawFrame;
    std::function<void()> pumpMessages;
    // The compressor choice over `choice`; false when the user cancelled.
    std::function<bool(AviChoice& choice, const PictureBlock& first)> chooseCompressor;
};

// The output box's text cut at its last "." (wherever it stands).
std::string creationOutputBase(const std::string& output);

// The movie's file name: outputBase + ".avi".
std::string creationAviName(const CreationSettings& settings);

// Runs the whole creation. True when the movie was written (an aborted run
// included); on any earlier end the file of that name is left as it was.
bool createAvi(CreationSettings& settings, const CreationUi& ui);
