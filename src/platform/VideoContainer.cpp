#include "platform/VideoContainer.h"

#include "platform/ImageSource.h"
#include "platform/PathSafety.h"
#include "platform/RegularFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// How much of a file is read, and how much of its time looked at, to learn its streams.
constexpr const char *kProbeBytes = "5000000";
constexpr const char *kAnalyzeMicroseconds = "5000000";
constexpr int kReadBufferBytes = 64 * 1024;

// The containers camera, phone and web video comes in, as FFmpeg names their demuxers: QuickTime
// and MP4 (3GP, M4V), AVI (DivX, Xvid), MPEG program and transport streams and raw MPEG, H.264
// and HEVC streams, Matroska and WebM, DV, Flash video, Windows Media (ASF) and Ogg. Picture
// demuxers (image2, *_pipe), playlists (hls), concatenation scripts (concat) and every other
// demuxer are not among them.
constexpr const char *kContainerNames = "mov,mp4,avi,mpeg,mpegts,mpegvideo,matroska,webm,dv,flv,asf,ogg,h264,hevc,m4v";

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
    case AV_CODEC_ID_MJPEG: // motion JPEG of older cameras; a JPEG file is refused by its demuxer
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

// True when one of the demuxer's names (a demuxer may have several, comma-separated) is a real
// video container's.
bool isContainerName(const char *names)
{
    return names && av_match_list(names, kContainerNames, ',') > 0;
}

int readFile(void *opaque, uint8_t *buffer, int size)
{
    const int fd = static_cast<const RegularFile *>(opaque)->descriptor();
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size_t(size));
        if (got > 0)
            return int(got);
        if (got == 0)
            return AVERROR_EOF;
        if (errno != EINTR)
            return AVERROR(errno);
    }
}

int64_t seekFile(void *opaque, int64_t offset, int whence)
{
    const int fd = static_cast<const RegularFile *>(opaque)->descriptor();
    if (whence & AVSEEK_SIZE) {
        struct stat st = {};
        return ::fstat(fd, &st) == 0 ? int64_t(st.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : int64_t(at);
}

// The demuxer never opens a second file: not a playlist's segments, a reference of a QuickTime
// movie, nor anything a crafted file names.
int refuseNestedOpen(AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **)
{
    return AVERROR(EPERM);
}

// Frees its entries when it goes, so it is never copied.
struct Dictionary {
    AVDictionary *dict = nullptr;
    Dictionary() = default;
    Dictionary(const Dictionary &) = delete;
    Dictionary &operator=(const Dictionary &) = delete;
    ~Dictionary() { av_dict_free(&dict); }
};

} // namespace

VideoContainer::VideoContainer(const QString &path)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    open(path);
}

VideoContainer::~VideoContainer()
{
    if (m_format)
        avformat_close_input(&m_format);
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

const char *VideoContainer::containerName() const
{
    return isVideo() && m_format->iformat ? m_format->iformat->name : nullptr;
}

double VideoContainer::averageFrameRate() const
{
    if (!isVideo())
        return 0.0;
    const AVRational rate = m_format->streams[m_stream]->avg_frame_rate;
    return rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0.0;
}

std::shared_ptr<const RegularFile> VideoContainer::file() const
{
    return isVideo() ? m_file : nullptr;
}

void VideoContainer::refuse(const char *reason, bool otherFormat)
{
    m_refusal = reason;
    m_otherFormat = otherFormat;
    m_stream = -1;
    m_decoder = nullptr;
    m_frameSize = QSize();
}

void VideoContainer::open(const QString &path)
{
    const std::optional<QByteArray> native = PathSafety::nativePath(path);
    if (!native)
        return refuse("no usable path");
    // Opened without following a link and without waiting, and checked on the descriptor, so
    // that what is read is the regular file that was checked.
    std::optional<RegularFile> opened = RegularFile::openScanned(path);
    if (!opened)
        return refuse("not a regular file");
    m_file = std::make_shared<RegularFile>(std::move(*opened));

    auto *buffer = static_cast<uint8_t *>(av_malloc(kReadBufferBytes));
    if (!buffer)
        return refuse("out of memory");
    m_io = avio_alloc_context(buffer, kReadBufferBytes, 0, m_file.get(), readFile, nullptr, seekFile);
    if (!m_io) {
        av_free(buffer);
        return refuse("out of memory");
    }
    m_format = avformat_alloc_context();
    if (!m_format)
        return refuse("out of memory");
    m_format->pb = m_io;
    m_format->io_open = refuseNestedOpen;

    // The container is told by its content, and refused by name unless it is a real video one.
    const AVInputFormat *container = nullptr;
    if (av_probe_input_buffer2(m_io, &container, native->constData(), nullptr, 0, 0) < 0 || !container) {
        avformat_free_context(m_format);
        m_format = nullptr;
        return refuse("not a known format", true);
    }
    if (!isContainerName(container->name)) {
        avformat_free_context(m_format);
        m_format = nullptr;
        return refuse("not a video container", true);
    }
    {
        // Only video decoders may run while the streams are looked at, a cover picture, a
        // still-picture codec or sound never; and no demuxer but the video ones, whatever the
        // probe said.
        Dictionary options;
        av_dict_set(&options.dict, "probesize", kProbeBytes, 0);
        av_dict_set(&options.dict, "analyzeduration", kAnalyzeMicroseconds, 0);
        av_dict_set(&options.dict, "codec_whitelist", videoDecoderNames().constData(), 0);
        av_dict_set(&options.dict, "format_whitelist", kContainerNames, 0);
        av_dict_set(&options.dict, "protocol_whitelist", "file", 0);
        // On failure the context is freed (and set to null); the file's reader stays ours.
        if (avformat_open_input(&m_format, native->constData(), container, &options.dict) < 0)
            return refuse("the container cannot be read");
    }
    if (!isContainerName(m_format->iformat ? m_format->iformat->name : nullptr))
        return refuse("not a video container", true);

    // Every decoder refuses frames above the pixel cap.
    const QByteArray maxPixels = QByteArray::number(ImageSource::maxFullDecodePixels());
    std::vector<AVDictionary *> streamOptions(m_format->nb_streams, nullptr);
    for (AVDictionary *&options : streamOptions)
        av_dict_set(&options, "max_pixels", maxPixels.constData(), 0);
    const int found = avformat_find_stream_info(m_format, streamOptions.empty() ? nullptr : streamOptions.data());
    for (AVDictionary *&options : streamOptions)
        av_dict_free(&options);
    if (found < 0)
        return refuse("the streams cannot be read");

    const AVCodec *decoder = nullptr;
    int index = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index >= 0 && !isVideoStream(m_format->streams[index]))
        index = -1;
    for (unsigned i = 0; index < 0 && i < m_format->nb_streams; ++i) {
        if (isVideoStream(m_format->streams[i])) {
            index = int(i);
            decoder = avcodec_find_decoder(m_format->streams[i]->codecpar->codec_id);
        }
    }
    if (index < 0 || !decoder)
        return refuse("no video stream");
    const AVCodecParameters *codec = m_format->streams[index]->codecpar;
    const qint64 pixels = qint64(codec->width) * codec->height;
    if (codec->width <= 0 || codec->height <= 0)
        return refuse("the frame size is unknown");
    if (pixels > ImageSource::maxFullDecodePixels())
        return refuse("the frame is too large");
    m_stream = index;
    m_decoder = decoder;
    m_frameSize = QSize(codec->width, codec->height);
}

} // namespace platform
