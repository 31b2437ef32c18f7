#include "platform/VideoFrames.h"

#include "platform/FileManager.h"

#include <QFile>
#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <mutex>

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

// Clockwise rotation in degrees that shows the stream upright.
double displayRotation(const AVStream *stream)
{
    size_t size = 0;
    const uint8_t *matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
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
    if (avformat_open_input(&format.ctx, native.constData(), nullptr, nullptr) < 0)
        return std::nullopt;
    if (avformat_find_stream_info(format.ctx, nullptr) < 0)
        return std::nullopt;
    const AVCodec *decoder = nullptr;
    const int streamIndex = av_find_best_stream(format.ctx, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (streamIndex < 0 || !decoder)
        return std::nullopt;
    AVStream *stream = format.ctx->streams[streamIndex];

    CodecContext codec;
    codec.ctx = avcodec_alloc_context3(decoder);
    if (!codec.ctx || avcodec_parameters_to_context(codec.ctx, stream->codecpar) < 0)
        return std::nullopt;
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
