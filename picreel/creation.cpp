#include "creation.h"

#include <cstdio>

#include "fileutils.h"
#include "messages.h"

namespace {

struct Hooks {
    const CreationUi& ui;
    void error(const char* message) const
    {
        if (ui.showError)
            ui.showError(message);
    }
    void pump() const
    {
        if (ui.pumpMessages)
            ui.pumpMessages();
    }
};

}  // namespace

std::string creationOutputBase(const std::string& output)
{
    const size_t dot = output.rfind('.');
    return dot == std::string::npos ? output : output.substr(0, dot);
}

std::string creationAviName(const CreationSettings& settings)
{
    return settings.outputBase + ".avi";
}

bool createAvi(CreationSettings& s, const CreationUi& ui)
{
    const Hooks hooks{ui};
    const PictureKind kind = s.useTga ? PictureKind::tga : PictureKind::bmp;
    const std::string aviName = creationAviName(s);

    // The new movie is written beside the old one, which is replaced only
    // when the run ends with a movie.
    FileOutput output;
    if (!fileOutputBegin(output, aviName)) {
        hooks.error(aviMsgCreate);
        return false;
    }

    const char* message = nullptr;
    const std::optional<FrameList> frames = findPictures(s.inputPrefix, kind, &message);
    if (!frames) {
        hooks.error(message);
        return false;
    }

    PictureBlock first;
    if (!readPicture(frames->names.front(), kind, first, &message)) {
        // Without the first picture the movie has no format.
        hooks.error(message);
        return false;
    }
    if (ui.resizePreview)
        ui.resizePreview(first.header.biWidth, first.header.biHeight);

    AviChoice choice;
    choice.compressor = s.compressor;
    choice.quality = s.quality;
    choice.keyRate = static_cast<int32_t>(s.keyRate);
    if (s.chooseCompressor && ui.chooseCompressor && !ui.chooseCompressor(choice, first))
        return false;

    AviEncoderPtr encoder;
    const std::vector<AviCompressor> compressors = aviCompressors();
    const AviCompressor* entry = aviFindCompressor(compressors, choice.compressor);
    if (!entry || entry->name != aviUncompressedName) {
        encoder = aviEncoderOpen(choice, first, s.frameRate);
        if (!encoder) {
            hooks.error(aviMsgUnsupported);
            return false;
        }
    }

    // The soundtrack's stream is declared with the video stream; a WAV
    // that can't be opened is reported where the soundtrack is added.
    AviWavPtr wav;
    if (!s.soundtrack.empty())
        wav = aviWavOpen(s.soundtrack);

    AviVideoHeader header;
    header.name = s.inputPrefix.substr(0, 63);
    header.rate = s.frameRate;
    header.width = first.header.biWidth;
    header.height = first.header.biHeight;
    AviMoviePtr movie = aviCreate(output.path, header, first, encoder.get(), wav.get());
    if (!movie) {
        hooks.error(aviMsgCreate);
        return false;
    }

    bool failed = false;
    std::vector<AviPacket> packets;
    const auto writePackets = [&] {
        for (const AviPacket& p : packets)
            if (!aviWriteFrame(*movie, p.data, p.key))
                failed = true;
        packets.clear();
    };
    PictureBuffers buffers;
    int n = 0;
    for (const std::string& name : frames->names) {
        if (s.abortRequested || failed)
            break;
        if (ui.progress)
            ui.progress(n, frames->lastIndex);
        hooks.pump();
        PictureBlock picture;
        const bool read = picRead(name, kind, picture, buffers, &message);
        const std::span<const uint8_t> pixels = buffers.rows;
        hooks.pump();
        if (!read) {
            hooks.error(message);
            continue;
        }
        if (!picturesMatch(first.header, picture.header)) {
            hooks.error(picMsgMismatch);
            continue;
        }
        if (s.showFrames && ui.drawFrame)
            ui.drawFrame(picture, pixels);
        if (encoder) {
            if (!aviEncoderCompress(*encoder, picture, pixels, packets))
                failed = true;
            hooks.pump();
            writePackets();
        } else if (!aviWriteFrame(*movie, pixels, true)) {
            failed = true;
        }
        hooks.pump();
        ++n;
    }
    if (encoder && !failed) {
        if (!aviEncoderEnd(*encoder, packets))
            failed = true;
        writePackets();
    }
    if (failed) {
        hooks.error(aviMsgCreate);
        return false;
    }

    if (!s.soundtrack.empty() && !s.abortRequested) {
        if (!wav) {
            hooks.error(aviMsgWavOpen);
        } else {
            std::printf(aviMsgAddingWav, s.soundtrack.c_str());
            std::fflush(stdout);
            int r;
            while ((r = aviCopyAudioPiece(*movie, *wav)) > 0) {
                std::printf(".");
                std::fflush(stdout);
                hooks.pump();
            }
            std::printf("\n");
            std::fflush(stdout);
            if (r < 0) {
                hooks.error(aviMsgCreate);
                return false;
            }
        }
    }

    if (!aviFinish(std::move(movie), wav != nullptr && s.abortRequested)) {
        hooks.error(aviMsgCreate);
        return false;
    }
    if (!fileOutputCommit(output)) {
        hooks.error(aviMsgCreate);
        return false;
    }
    return true;
}
