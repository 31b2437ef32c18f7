#include "platform/VideoFrames.h"

#include "platform/FileManager.h"
#include "platform/ImageSource.h"
#include "platform/Log.h"
#include "platform/VideoContainer.h"

#include <QFile>
#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <string_view>

namespace platform {

namespace {

// The FFmpeg holders free what they hold when they go, so none is ever copied.
struct CodecContext {
    AVCodecContext *ctx = nullptr;
    CodecContext() = default;
    CodecContext(const CodecContext &) = delete;
    CodecContext &operator=(const CodecContext &) = delete;
    ~CodecContext()
    {
        if (ctx)
            avcodec_free_context(&ctx);
    }
};

struct Frame {
    AVFrame *frame = av_frame_alloc();
    Frame() = default;
    Frame(const Frame &) = delete;
    Frame &operator=(const Frame &) = delete;
    ~Frame() { av_frame_free(&frame); }
};

struct Packet {
    AVPacket *packet = av_packet_alloc();
    Packet() = default;
    Packet(const Packet &) = delete;
    Packet &operator=(const Packet &) = delete;
    ~Packet() { av_packet_free(&packet); }
};

// A picture held in a file with a video's name is decoded at most this large (longer side).
constexpr int kMaxStillPixel = 4096;
// Decoder memory for one frame, per pixel: the decoded picture and the frames it refers to, and the
// RGB copy.
constexpr qint64 kDecodeBytesPerPixel = 12;

// The log's reason for a container the video reader refused.
SkipReason skipReasonOf(const char *refusal)
{
    const std::string_view text(refusal);
    if (text == "not a regular file")
        return SkipReason::NotRegularFile;
    if (text == "the frame is too large")
        return SkipReason::TooLarge;
    if (text == "no usable path" || text == "not a known format")
        return SkipReason::RefusedFormat;
    return SkipReason::Damaged;
}

// Clockwise rotation in degrees that shows the stream upright.
double displayRotation(const AVStream *stream)
{
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 29, 100)
    // FFmpeg 6.1 and later keep a stream's side data with its codec parameters.
    const AVPacketSideData *side = av_packet_side_data_get(
        stream->codecpar->coded_side_data, stream->codecpar->nb_coded_side_data, AV_PKT_DATA_DISPLAYMATRIX);
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
    VideoContainer video(path);
    if (!video.isVideo()) {
        // A picture with a video's name is read as a picture, at a bounded cost; anything else
        // gives no frame.
        if (video.isOtherFormat() && FileManager::isRegularFile(path)) {
            if (auto still = ImageSource(path).thumbnail(kMaxStillPixel, true))
                return still;
        }
        logSkippedFile(lcPlatform(), path, skipReasonOf(video.refusal()), QString::fromUtf8(video.refusal()));
        return std::nullopt;
    }
    return frameAtZero(video);
}

std::optional<QImage> VideoFrames::frameAtZero(const VideoContainer &video)
{
    if (!video.isVideo())
        return std::nullopt;
    AVFormatContext *format = video.format();
    const int streamIndex = video.streamIndex();
    const AVCodec *decoder = video.decoder();
    AVStream *stream = format->streams[streamIndex];
    const qint64 pixels = qint64(video.frameSize().width()) * video.frameSize().height();
    // Frames decoded at once on several threads (thumbnails, the video hash) share the budget of
    // the picture decodes.
    const std::shared_ptr<void> budget = ImageSource::reserveDecodeMemory(pixels * kDecodeBytesPerPixel);

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
            const int read = av_read_frame(format, packet.packet);
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
