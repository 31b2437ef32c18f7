#include "platform/VideoFrames.h"

#include "platform/FileManager.h"
#include "platform/ImageSource.h"

#include <QFile>
#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

namespace platform {

namespace {

struct FormatContext {
    AVFormatContext *ctx = nullptr;
    ~FormatContext()
    {
        if (ctx)
            avformat_close_input(&ctx);
    }
};

struct CodecContext {
    AVCodecContext *ctx = nullptr;
    ~CodecContext()
    {
        if (ctx)
            avcodec_free_context(&ctx);
    }
};

struct Frame {
    AVFrame *frame = av_frame_alloc();
    ~Frame() { av_frame_free(&frame); }
};

struct Packet {
    AVPacket *packet = av_packet_alloc();
    ~Packet() { av_packet_free(&packet); }
};

// How much of a file is read, and how much of its time looked at, to learn its streams.
constexpr const char *kProbeBytes = "5000000";
constexpr const char *kAnalyzeMicroseconds = "5000000";
// A picture held in a file with a video extension is decoded at most this large (longer side).
constexpr int kMaxStillPixel = 4096;
// Decoder memory for one frame, per pixel: the decoded picture and the frames it refers to, and the
// RGB copy.
constexpr qint64 kDecodeBytesPerPixel = 12;

void logSkip(const QString &path, const char *reason)
{
    std::printf("No video frame read from %s: %s\n", QFile::encodeName(path).constData(), reason);
    std::fflush(stdout);
}

struct Dictionary {
    AVDictionary *dict = nullptr;
    ~Dictionary() { av_dict_free(&dict); }
};

// The demuxers that read a single picture (or an animated picture), not a video container.
bool isPictureDemuxer(const AVInputFormat *format)
{
    if (!format || !format->name)
        return false;
    const QByteArray name(format->name);
    return name == "image2" || name == "image2pipe" || name.endsWith("_pipe") || name == "gif" || name == "apng"
           || name == "webp";
}

// The codecs of camera, phone and web video. Still-picture codecs (PNG, BMP, TIFF, GIF, WebP and
// the like) are not among them: a picture is read through the picture decoders, whose cost is
// bounded, never by FFmpeg as a frame.
bool isVideoCodec(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_H264:
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_AV1:
    case AV_CODEC_ID_VP8:
    case AV_CODEC_ID_VP9:
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_H263:
    case AV_CODEC_ID_H263P:
    case AV_CODEC_ID_MSMPEG4V1:
    case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3:
    case AV_CODEC_ID_WMV1:
    case AV_CODEC_ID_WMV2:
    case AV_CODEC_ID_WMV3:
    case AV_CODEC_ID_VC1:
    case AV_CODEC_ID_THEORA:
    case AV_CODEC_ID_DVVIDEO:
    case AV_CODEC_ID_PRORES:
    case AV_CODEC_ID_DNXHD:
    case AV_CODEC_ID_FLV1:
    case AV_CODEC_ID_SVQ1:
    case AV_CODEC_ID_SVQ3:
    case AV_CODEC_ID_CINEPAK:
    case AV_CODEC_ID_MJPEG: // motion JPEG of older cameras; a JPEG file or a cover picture is left out below
        return true;
    default:
        return false;
    }
}

// The names of the decoders of those codecs, comma-separated.
const QByteArray &videoDecoderNames()
{
    static const QByteArray names = [] {
        QByteArray list;
        void *state = nullptr;
        while (const AVCodec *codec = av_codec_iterate(&state)) {
            if (av_codec_is_decoder(codec) && isVideoCodec(codec->id))
                list += (list.isEmpty() ? "" : ",") + QByteArray(codec->name);
        }
        return list;
    }();
    return names;
}

// A stream worth a frame: video of a video codec, not a cover picture attached to the file.
bool isVideoStream(const AVStream *stream)
{
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)
           && isVideoCodec(stream->codecpar->codec_id);
}

// Clockwise rotation in degrees that shows the stream upright.
double displayRotation(const AVStream *stream)
{
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 29, 100)
    // FFmpeg 6.1 and later keep a stream's side data with its codec parameters.
    const AVPacketSideData *side = av_packet_side_data_get(stream->codecpar->coded_side_data,
                                                           stream->codecpar->nb_coded_side_data,
                                                           AV_PKT_DATA_DISPLAYMATRIX);
    const uint8_t *matrix = side ? side->data : nullptr;
    const size_t size = side ? side->size : 0;
#else
    size_t size = 0;
    const uint8_t *matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
#endif
    if (!matrix || size < 9 * sizeof(int32_t))
        return 0.0;
    const double angle = -av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
    if (std::isnan(angle))
        return 0.0;
    return angle;
}

std::optional<QImage> toImage(const AVFrame *frame)
{
    if (frame->width <= 0 || frame->height <= 0)
        return std::nullopt;
    SwsContext *sws = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                     frame->height, AV_PIX_FMT_RGB32, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!sws)
        return std::nullopt;
    // The scaler's vector code may write past the end of a line and expects aligned lines, so it
    // gets a buffer of its own (aligned, padded) and the picture is copied out of it.
    uint8_t *buffer[4] = {nullptr, nullptr, nullptr, nullptr};
    int lines[4] = {0, 0, 0, 0};
    if (av_image_alloc(buffer, lines, frame->width + 64, frame->height + 2, AV_PIX_FMT_RGB32, 64) < 0) {
        sws_freeContext(sws);
        return std::nullopt;
    }
    const int rows = sws_scale(sws, frame->data, frame->linesize, 0, frame->height, buffer, lines);
    sws_freeContext(sws);
    std::optional<QImage> image;
    if (rows > 0)
        image = QImage(buffer[0], frame->width, frame->height, lines[0], QImage::Format_RGB32).copy();
    av_freep(&buffer[0]);
    return image;
}

} // namespace

std::optional<QImage> VideoFrames::frameAtZero(const QString &path)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    if (!FileManager::isRegularFile(path))
        return std::nullopt;

    FormatContext format;
    const QByteArray native = QFile::encodeName(path);
    {
        // Only video decoders may run while the streams are looked at, a cover picture, a
        // still-picture codec or sound never.
        Dictionary options;
        av_dict_set(&options.dict, "probesize", kProbeBytes, 0);
        av_dict_set(&options.dict, "analyzeduration", kAnalyzeMicroseconds, 0);
        av_dict_set(&options.dict, "codec_whitelist", videoDecoderNames().constData(), 0);
        if (avformat_open_input(&format.ctx, native.constData(), nullptr, &options.dict) < 0)
            return std::nullopt;
    }
    // A picture with a video's name is read as a picture, at a bounded cost.
    if (isPictureDemuxer(format.ctx->iformat)) {
        avformat_close_input(&format.ctx);
        return ImageSource(path).thumbnail(kMaxStillPixel, true);
    }

    // Every decoder refuses frames above the pixel cap.
    const QByteArray maxPixels = QByteArray::number(ImageSource::maxFullDecodePixels());
    std::vector<AVDictionary *> streamOptions(format.ctx->nb_streams, nullptr);
    for (AVDictionary *&options : streamOptions)
        av_dict_set(&options, "max_pixels", maxPixels.constData(), 0);
    const int found = avformat_find_stream_info(format.ctx, streamOptions.empty() ? nullptr : streamOptions.data());
    for (AVDictionary *&options : streamOptions)
        av_dict_free(&options);
    if (found < 0)
        return std::nullopt;

    const AVCodec *decoder = nullptr;
    int streamIndex = av_find_best_stream(format.ctx, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (streamIndex >= 0 && !isVideoStream(format.ctx->streams[streamIndex]))
        streamIndex = -1;
    for (unsigned i = 0; streamIndex < 0 && i < format.ctx->nb_streams; ++i) {
        if (isVideoStream(format.ctx->streams[i])) {
            streamIndex = int(i);
            decoder = avcodec_find_decoder(format.ctx->streams[i]->codecpar->codec_id);
        }
    }
    if (streamIndex < 0 || !decoder) {
        logSkip(path, "no video stream");
        return std::nullopt;
    }
    AVStream *stream = format.ctx->streams[streamIndex];
    const qint64 pixels = qint64(stream->codecpar->width) * stream->codecpar->height;
    if (pixels > ImageSource::maxFullDecodePixels()) {
        logSkip(path, "the frame is too large");
        return std::nullopt;
    }
    // Frames decoded at once on several threads (thumbnails, the video hash) share the budget of
    // the picture decodes; a stream that does not tell its size counts as the largest allowed.
    const std::shared_ptr<void> budget = ImageSource::reserveDecodeMemory(
        (pixels > 0 ? pixels : ImageSource::maxFullDecodePixels()) * kDecodeBytesPerPixel);

    CodecContext codec;
    codec.ctx = avcodec_alloc_context3(decoder);
    if (!codec.ctx || avcodec_parameters_to_context(codec.ctx, stream->codecpar) < 0)
        return std::nullopt;
    codec.ctx->max_pixels = ImageSource::maxFullDecodePixels();
    if (avcodec_open2(codec.ctx, decoder, nullptr) < 0)
        return std::nullopt;

    Frame frame;
    Packet packet;
    if (!frame.frame || !packet.packet)
        return std::nullopt;
    bool got = false;
    bool flushing = false;
    // Bounded: a file whose first packets decode to nothing must not keep us reading forever.
    for (int reads = 0; !got && reads < 2000; ++reads) {
        if (!flushing) {
            const int read = av_read_frame(format.ctx, packet.packet);
            if (read < 0) {
                flushing = true;
                avcodec_send_packet(codec.ctx, nullptr);
            } else {
                if (packet.packet->stream_index == streamIndex)
                    avcodec_send_packet(codec.ctx, packet.packet);
                av_packet_unref(packet.packet);
            }
        }
        const int received = avcodec_receive_frame(codec.ctx, frame.frame);
        if (received == 0)
            got = true;
        else if (received == AVERROR_EOF || (flushing && received != AVERROR(EAGAIN)))
            break;
        else if (flushing && received == AVERROR(EAGAIN))
            break;
    }
    if (!got)
        return std::nullopt;

    auto image = toImage(frame.frame);
    if (!image)
        return std::nullopt;
    const double rotation = displayRotation(stream);
    if (std::fabs(rotation) > 0.5)
        *image = image->transformed(QTransform().rotate(rotation));
    return image;
}

} // namespace platform
