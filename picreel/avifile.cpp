#include "avifile.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "fileutils.h"
#include "le.h"
#include "platform.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// Audio is copied in pieces of at most this many samples (blocks).
constexpr int64_t audioPieceSamples = 1024;

// The library's own log lines would mix with the program's messages.
void quietLibraries()
{
    static const bool done = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)done;
}

// Encoders offered after the uncompressed entry, in this order, when the
// installed libavcodec has them and AVI can carry them.
struct EncoderInfo {
    const char* name;
    const char* description;
    bool lossless;
    bool usesQuality;
    bool usesKeyRate;
};
constexpr EncoderInfo encoderInfos[] = {
    {"ffv1", "FFV1 lossless", true, false, true},
    {"huffyuv", "HuffYUV lossless", true, false, false},
    {"ffvhuff", "HuffYUV FFmpeg variant, lossless", true, false, false},
    {"utvideo", "Ut Video lossless", true, false, false},
    {"magicyuv", "MagicYUV lossless", true, false, false},
    {"mjpeg", "Motion JPEG", false, true, false},
    {"mpeg4", "MPEG-4 Visual", false, true, true},
    {"msmpeg4v2", "Microsoft MPEG-4 V2", false, true, true},
    {"msmpeg4", "Microsoft MPEG-4 V3", false, true, true},
};

std::string fourccText(uint32_t tag)
{
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>(tag >> (8 * i));
        s += c >= 32 && c < 127 ? c : ' ';
    }
    return s;
}

const AVOutputFormat* aviFormat()
{
    return av_guess_format("avi", nullptr, nullptr);
}

// The tag AVI files use for a codec, 0 when they have none.
uint32_t aviTag(AVCodecID id)
{
    const AVOutputFormat* f = aviFormat();
    if (!f || !f->codec_tag)
        return 0;
    return av_codec_get_tag(f->codec_tag, id);
}

// How a picture's rows are laid out for swscale.
AVPixelFormat pictureFormat(uint16_t bits)
{
    switch (bits) {
    case 1:
    case 4:
    case 8:
        return AV_PIX_FMT_PAL8;
    case 24:
        return AV_PIX_FMT_BGR24;
    case 32:
        return AV_PIX_FMT_BGR0;
    default:
        return AV_PIX_FMT_NONE;
    }
}

struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

}  // namespace

struct AviEncoder {
    AVCodecContext* ctx = nullptr;
    SwsContext* sws = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::vector<uint8_t> indices;  // 1- and 4-bit rows widened to bytes
    uint32_t palette[picPaletteEntries] = {};
    int64_t next = 0;
    ~AviEncoder()
    {
        avcodec_free_context(&ctx);
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
};

void AviEncoderFree::operator()(AviEncoder* e) const
{
    delete e;
}

struct AviWav {
    AVFormatContext* input = nullptr;
    int stream = -1;
    bool pcm = false;          // split into pieces of samples
    int blockAlign = 0;        // bytes per sample of all channels
    std::vector<uint8_t> pending;
    bool ended = false;
    PacketPtr packet{av_packet_alloc()};
    ~AviWav() { avformat_close_input(&input); }
};

void AviWavFree::operator()(AviWav* w) const
{
    delete w;
}

struct AviMovie {
    std::string path;
    AVFormatContext* out = nullptr;
    AVStream* video = nullptr;
    AVStream* audio = nullptr;
    bool opened = false;        // the file is open
    bool headerWritten = false;
    bool uncompressed = true;
    int64_t frames = 0;
    int64_t audioPos = 0;       // samples written
    uint32_t palette[picPaletteEntries] = {};
    bool palettePending = false;
    ~AviMovie()
    {
        if (opened)
            avio_closep(&out->pb);
        avformat_free_context(out);
    }
};

void AviMovieFree::operator()(AviMovie* m) const
{
    delete m;
}

std::vector<AviCompressor> aviCompressors()
{
    quietLibraries();
    std::vector<AviCompressor> list;
    list.push_back({aviUncompressedName, "DIB ", "Full Frames (Uncompressed)", true, false, false});
    for (const EncoderInfo& info : encoderInfos) {
        const AVCodec* codec = avcodec_find_encoder_by_name(info.name);
        if (!codec)
            continue;
        const uint32_t tag = aviTag(codec->id);
        if (tag == 0)
            continue;
        list.push_back({info.name, fourccText(tag), info.description, info.lossless,
                        info.usesQuality, info.usesKeyRate});
    }
    return list;
}

const AviCompressor* aviFindCompressor(const std::vector<AviCompressor>& list,
                                       const std::string& name)
{
    for (const AviCompressor& c : list) {
        std::string code = c.fourcc;
        while (!code.empty() && code.back() == ' ')
            code.pop_back();
        if (platformStricmp(c.name, name) == 0 || platformStricmp(code, name) == 0 ||
            platformStricmp(c.fourcc, name) == 0)
            return &c;
    }
    return nullptr;
}

AviEncoderPtr aviEncoderOpen(const AviChoice& choice, const PictureBlock& first,
                             uint32_t frameRate)
{
    quietLibraries();
    const std::vector<AviCompressor> list = aviCompressors();
    const AviCompressor* entry = aviFindCompressor(list, choice.compressor);
    if (!entry || entry->name == aviUncompressedName)
        return nullptr;
    const AVCodec* codec = avcodec_find_encoder_by_name(entry->name.c_str());
    const PictureHeader& h = first.header;
    const AVPixelFormat src = pictureFormat(h.biBitCount);
    if (!codec || src == AV_PIX_FMT_NONE || h.biWidth <= 0 || h.biHeight <= 0)
        return nullptr;
    // A rate of 0 is refused where the file is made; the encoder needs one.
    frameRate = std::max<uint32_t>(frameRate, 1);

    AviEncoderPtr enc(new AviEncoder);
    enc->ctx = avcodec_alloc_context3(codec);
    enc->frame = av_frame_alloc();
    enc->packet = av_packet_alloc();
    if (!enc->ctx || !enc->frame || !enc->packet)
        return nullptr;
    AVCodecContext* ctx = enc->ctx;
    ctx->width = h.biWidth;
    ctx->height = h.biHeight;
    ctx->time_base = AVRational{1, static_cast<int>(std::min<uint32_t>(frameRate, INT_MAX))};
    ctx->framerate = AVRational{ctx->time_base.den, 1};
    ctx->max_b_frames = 0;
    // Key rate 0: only the first frame is a key frame.
    ctx->gop_size = choice.keyRate > 0 ? choice.keyRate : INT_MAX / 2;
    ctx->codec_tag = aviTag(codec->id);
    AVPixelFormat dst = AV_PIX_FMT_NONE;
    if (codec->pix_fmts)
        dst = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, src, 0, nullptr);
    if (dst == AV_PIX_FMT_NONE)
        return nullptr;
    ctx->pix_fmt = dst;
    if (entry->usesQuality && choice.quality >= 0) {
        // 0..10000 onto the quantiser scale 31..1.
        const int q = std::clamp(choice.quality, 0, 10000);
        const int qscale = 1 + (10000 - q) * 30 / 10000;
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * qscale;
    } else if (entry->usesQuality) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * 4;
    }
    if (codec->id == AV_CODEC_ID_MJPEG)
        ctx->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    if (avcodec_open2(ctx, codec, nullptr) < 0)
        return nullptr;
    enc->sws = sws_getContext(h.biWidth, h.biHeight, src, h.biWidth, h.biHeight, dst,
                              SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!enc->sws)
        return nullptr;
    enc->frame->format = dst;
    enc->frame->width = h.biWidth;
    enc->frame->height = h.biHeight;
    if (av_frame_get_buffer(enc->frame, 0) < 0)
        return nullptr;
    for (size_t i = 0; i < picPaletteEntries; ++i)
        enc->palette[i] = first.palette[i] | 0xFF000000u;
    return enc;
}

namespace {

bool receivePackets(AviEncoder& enc, std::vector<AviPacket>& out)
{
    for (;;) {
        const int r = avcodec_receive_packet(enc.ctx, enc.packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        AviPacket p;
        p.data.assign(enc.packet->data, enc.packet->data + enc.packet->size);
        p.key = enc.packet->flags & AV_PKT_FLAG_KEY;
        out.push_back(std::move(p));
        av_packet_unref(enc.packet);
    }
}

}  // namespace

bool aviEncoderCompress(AviEncoder& enc, const PictureBlock& picture,
                        std::span<const uint8_t> pixels, std::vector<AviPacket>& out)
{
    const PictureHeader& h = picture.header;
    const uint64_t stride = picRowBytes(h.biBitCount, static_cast<uint32_t>(h.biWidth));
    if (h.biWidth != enc.ctx->width || h.biHeight != enc.ctx->height ||
        pixels.size() < stride * static_cast<uint64_t>(h.biHeight))
        return false;
    const uint8_t* rows = pixels.data();
    int linesize = static_cast<int>(stride);
    if (h.biBitCount < 8) {
        // swscale reads palette pictures one byte per pixel.
        const size_t w = static_cast<size_t>(h.biWidth);
        enc.indices.resize(w * static_cast<size_t>(h.biHeight));
        const unsigned bits = h.biBitCount;
        const unsigned mask = (1u << bits) - 1;
        for (size_t y = 0; y < static_cast<size_t>(h.biHeight); ++y)
            for (size_t x = 0; x < w; ++x) {
                const size_t bit = x * bits;
                const uint8_t byte = pixels[y * stride + bit / 8];
                enc.indices[y * w + x] =
                    static_cast<uint8_t>(byte >> (8 - bits - bit % 8) & mask);
            }
        rows = enc.indices.data();
        linesize = static_cast<int>(w);
    }
    // Rows are stored bottom row first: start at the last, step backwards.
    const uint8_t* src[4] = {rows + static_cast<size_t>(linesize) * (h.biHeight - 1),
                             reinterpret_cast<const uint8_t*>(enc.palette), nullptr, nullptr};
    const int srcStride[4] = {-linesize, 0, 0, 0};
    if (av_frame_make_writable(enc.frame) < 0)
        return false;
    sws_scale(enc.sws, src, srcStride, 0, h.biHeight, enc.frame->data, enc.frame->linesize);
    enc.frame->pts = enc.next++;
    if (enc.ctx->flags & AV_CODEC_FLAG_QSCALE)
        enc.frame->quality = enc.ctx->global_quality;
    if (avcodec_send_frame(enc.ctx, enc.frame) < 0)
        return false;
    return receivePackets(enc, out);
}

bool aviEncoderEnd(AviEncoder& enc, std::vector<AviPacket>& out)
{
    if (avcodec_send_frame(enc.ctx, nullptr) < 0)
        return false;
    return receivePackets(enc, out);
}

AviWavPtr aviWavOpen(const std::string& name)
{
    quietLibraries();
    if (name.empty() || platformIsDir(name))
        return nullptr;
    AviWavPtr wav(new AviWav);
    const AVInputFormat* wavFormat = av_find_input_format("wav");
    if (!wav->packet || avformat_open_input(&wav->input, name.c_str(), wavFormat, nullptr) < 0)
        return nullptr;
    if (avformat_find_stream_info(wav->input, nullptr) < 0)
        return nullptr;
    for (unsigned i = 0; i < wav->input->nb_streams; ++i)
        if (wav->input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            wav->stream = static_cast<int>(i);
            break;
        }
    if (wav->stream < 0)
        return nullptr;
    const AVCodecParameters* par = wav->input->streams[wav->stream]->codecpar;
    if (aviTag(par->codec_id) == 0 || par->sample_rate <= 0)
        return nullptr;
    const AVCodecDescriptor* desc = avcodec_descriptor_get(par->codec_id);
    wav->pcm = desc && std::strncmp(desc->name, "pcm_", 4) == 0 && par->block_align > 0;
    wav->blockAlign = par->block_align;
    return wav;
}

AviMoviePtr aviCreate(const std::string& path, const AviVideoHeader& header,
                      const PictureBlock& first, AviEncoder* enc, AviWav* wav)
{
    quietLibraries();
    if (header.rate == 0 || header.rate > INT_MAX || header.width <= 0 || header.height <= 0)
        return nullptr;
    AviMoviePtr movie(new AviMovie);
    movie->path = path;
    if (avformat_alloc_output_context2(&movie->out, aviFormat(), nullptr, path.c_str()) < 0)
        return nullptr;
    AVFormatContext* out = movie->out;
    movie->video = avformat_new_stream(out, nullptr);
    if (!movie->video)
        return nullptr;
    AVStream* v = movie->video;
    v->time_base = AVRational{1, static_cast<int>(header.rate)};
    v->avg_frame_rate = AVRational{static_cast<int>(header.rate), 1};
    av_dict_set(&v->metadata, "title", header.name.substr(0, 63).c_str(), 0);
    if (enc) {
        movie->uncompressed = false;
        if (avcodec_parameters_from_context(v->codecpar, enc->ctx) < 0)
            return nullptr;
    } else {
        const PictureHeader& h = first.header;
        const AVPixelFormat fmt = pictureFormat(h.biBitCount);
        if (fmt == AV_PIX_FMT_NONE)
            return nullptr;
        AVCodecParameters* par = v->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;  // BI_RGB: plain rows
        par->width = header.width;
        par->height = header.height;
        par->bits_per_coded_sample = h.biBitCount;
        par->format = fmt == AV_PIX_FMT_BGR0 ? AV_PIX_FMT_BGRA : fmt;
        if (fmt == AV_PIX_FMT_PAL8) {
            // The whole palette goes into the stream format with the first
            // frame.
            std::copy(std::begin(first.palette), std::end(first.palette), movie->palette);
            movie->palettePending = true;
        }
    }
    if (wav) {
        movie->audio = avformat_new_stream(out, nullptr);
        if (!movie->audio)
            return nullptr;
        const AVStream* in = wav->input->streams[wav->stream];
        if (avcodec_parameters_copy(movie->audio->codecpar, in->codecpar) < 0)
            return nullptr;
        movie->audio->codecpar->codec_tag = 0;
        movie->audio->time_base = wav->pcm ? AVRational{1, in->codecpar->sample_rate} : in->time_base;
    }
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
        return nullptr;
    movie->opened = true;
    AVDictionary* options = nullptr;
    // Rows of plain pictures are stored bottom row first, as in the pictures.
    if (movie->uncompressed)
        av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    const int r = avformat_write_header(out, &options);
    av_dict_free(&options);
    if (r < 0)
        return nullptr;
    movie->headerWritten = true;
    return movie;
}

bool aviWriteFrame(AviMovie& movie, std::span<const uint8_t> data, bool key)
{
    PacketPtr pkt(av_packet_alloc());
    if (!pkt)
        return false;
    // The muxer only reads the data during the call.
    pkt->data = const_cast<uint8_t*>(data.data());
    pkt->size = static_cast<int>(data.size());
    pkt->stream_index = movie.video->index;
    pkt->duration = 1;
    if (key)
        pkt->flags |= AV_PKT_FLAG_KEY;
    if (movie.palettePending) {
        uint8_t* side = av_packet_new_side_data(pkt.get(), AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (!side)
            return false;
        std::memcpy(side, movie.palette, AVPALETTE_SIZE);
        movie.palettePending = false;
    }
    // Timestamps are in frames: the stream's time base is 1/rate.
    pkt->pts = pkt->dts = movie.frames;
    if (av_write_frame(movie.out, pkt.get()) < 0)
        return false;
    ++movie.frames;
    return true;
}

namespace {

bool writeAudio(AviMovie& movie, const uint8_t* data, size_t size, int64_t pts, int64_t duration)
{
    PacketPtr pkt(av_packet_alloc());
    if (!pkt)
        return false;
    pkt->data = const_cast<uint8_t*>(data);
    pkt->size = static_cast<int>(size);
    pkt->stream_index = movie.audio->index;
    pkt->pts = pkt->dts = pts;
    pkt->duration = duration;
    pkt->flags |= AV_PKT_FLAG_KEY;
    return av_write_frame(movie.out, pkt.get()) >= 0;
}

}  // namespace

int aviCopyAudioPiece(AviMovie& movie, AviWav& wav)
{
    if (!movie.audio)
        return -1;
    if (!wav.pcm) {
        // Packets of block-coded sound go over as the file holds them.
        for (;;) {
            const int r = av_read_frame(wav.input, wav.packet.get());
            if (r == AVERROR_EOF)
                return 0;
            if (r < 0)
                return -1;
            if (wav.packet->stream_index != wav.stream) {
                av_packet_unref(wav.packet.get());
                continue;
            }
            const AVStream* in = wav.input->streams[wav.stream];
            const int64_t pts = av_rescale_q(wav.packet->pts == AV_NOPTS_VALUE ? 0 : wav.packet->pts,
                                             in->time_base, movie.audio->time_base);
            const bool ok = writeAudio(movie, wav.packet->data, static_cast<size_t>(wav.packet->size),
                                       pts, wav.packet->duration);
            av_packet_unref(wav.packet.get());
            return ok ? 1 : -1;
        }
    }
    const size_t piece = static_cast<size_t>(audioPieceSamples) * static_cast<size_t>(wav.blockAlign);
    while (!wav.ended && wav.pending.size() < piece) {
        const int r = av_read_frame(wav.input, wav.packet.get());
        if (r == AVERROR_EOF) {
            wav.ended = true;
            break;
        }
        if (r < 0)
            return -1;
        if (wav.packet->stream_index == wav.stream)
            wav.pending.insert(wav.pending.end(), wav.packet->data,
                               wav.packet->data + wav.packet->size);
        av_packet_unref(wav.packet.get());
    }
    // Whole samples only: a cut-off sample at the end is not one.
    const size_t take = std::min(piece, wav.pending.size() / static_cast<size_t>(wav.blockAlign) *
                                            static_cast<size_t>(wav.blockAlign));
    if (take == 0)
        return 0;
    const int64_t samples = static_cast<int64_t>(take / static_cast<size_t>(wav.blockAlign));
    if (!writeAudio(movie, wav.pending.data(), take, movie.audioPos, samples))
        return -1;
    movie.audioPos += samples;
    wav.pending.erase(wav.pending.begin(), wav.pending.begin() + static_cast<std::ptrdiff_t>(take));
    return 1;
}

namespace {

// Copies the video stream of the finished movie `from` into a new file `to`.
bool copyVideoOnly(const std::string& from, const std::string& to)
{
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, from.c_str(), nullptr, nullptr) < 0)
        return false;
    struct InClose {
        AVFormatContext*& c;
        ~InClose() { avformat_close_input(&c); }
    } inClose{in};
    if (avformat_find_stream_info(in, nullptr) < 0)
        return false;
    AviMovie copy;
    copy.path = to;
    if (avformat_alloc_output_context2(&copy.out, aviFormat(), nullptr, to.c_str()) < 0)
        return false;
    int videoIndex = -1;
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (in->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            videoIndex = static_cast<int>(i);
            break;
        }
    if (videoIndex < 0)
        return false;
    AVStream* src = in->streams[videoIndex];
    AVStream* dst = avformat_new_stream(copy.out, nullptr);
    if (!dst || avcodec_parameters_copy(dst->codecpar, src->codecpar) < 0)
        return false;
    dst->time_base = src->time_base;
    dst->avg_frame_rate = src->avg_frame_rate;
    av_dict_copy(&dst->metadata, src->metadata, 0);
    const bool raw = src->codecpar->codec_id == AV_CODEC_ID_RAWVIDEO;
    if (raw)
        dst->codecpar->codec_tag = 0;
    if (avio_open(&copy.out->pb, to.c_str(), AVIO_FLAG_WRITE) < 0)
        return false;
    copy.opened = true;
    AVDictionary* options = nullptr;
    if (raw)
        av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    const int r = avformat_write_header(copy.out, &options);
    av_dict_free(&options);
    if (r < 0)
        return false;
    PacketPtr pkt(av_packet_alloc());
    int64_t n = 0;
    while (av_read_frame(in, pkt.get()) >= 0) {
        if (pkt->stream_index == videoIndex) {
            pkt->stream_index = 0;
            pkt->pts = pkt->dts = n++;
            pkt->duration = 1;
            if (av_write_frame(copy.out, pkt.get()) < 0)
                return false;
        }
        av_packet_unref(pkt.get());
    }
    return av_write_trailer(copy.out) >= 0;
}

// The muxer gives plain rows the handler code 0 in the stream header; the
// uncompressed handler of this program is "DIB " (the format block keeps
// compression 0, so every reader still takes the rows as they are).
bool markUncompressed(const std::string& path)
{
    constexpr size_t headerArea = 64 * 1024;
    const int64_t size = fileSizeF(path);
    if (size <= 0)
        return false;
    std::vector<uint8_t> head(static_cast<size_t>(std::min<int64_t>(size, headerArea)));
    if (fileLoad(path, head, 0) != static_cast<int64_t>(head.size()))
        return false;
    static const uint8_t strh[] = {'s', 't', 'r', 'h'};
    const auto at = std::search(head.begin(), head.end(), std::begin(strh), std::end(strh));
    const auto pos = static_cast<size_t>(at - head.begin());
    // "strh", its size, then the type "vids" and the handler.
    if (at == head.end() || !leFits(head.size(), pos, 16) ||
        std::memcmp(head.data() + pos + 8, "vids", 4) != 0)
        return false;
    static const uint8_t dib[] = {'D', 'I', 'B', ' '};
    return fileSave(path, dib, static_cast<uint32_t>(pos + 12), "rb+") == sizeof dib;
}

}  // namespace

bool aviFinish(AviMoviePtr movie, bool dropAudio)
{
    if (!movie || !movie->headerWritten)
        return false;
    const bool ok = av_write_trailer(movie->out) >= 0;
    const bool hadAudio = movie->audio != nullptr;
    const bool uncompressed = movie->uncompressed;
    const std::string path = movie->path;
    movie.reset();
    if (!ok)
        return false;
    if (dropAudio && hadAudio &&
        !fileWriteWhole(path, [&](const std::string& to) { return copyVideoOnly(path, to); }))
        return false;
    return !uncompressed || markUncompressed(path);
}
