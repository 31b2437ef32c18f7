#pragma once

#include <QSize>
#include <QString>

#include <memory>

struct AVCodec;
struct AVFormatContext;
struct AVIOContext;

namespace platform {

class RegularFile;

// A file opened as a video, with every check a file passes before a decoder or the player gets it:
// - it is a regular file, not a link to one, and only that file is read (through its own
//   descriptor; the demuxer may open nothing else, so a playlist or a reference cannot lead to
//   another file);
// - its container is one of the real video containers (by format name, also as the demuxer
//   whitelist): never a picture demuxer, a pipe, a playlist or a concatenation;
// - it holds a stream decoded by a video decoder (not a cover picture, not a still-picture codec);
// - that stream's frame size is known and within the picture decode cap.
// Looking at the streams decodes a few frames, with video decoders only and the same pixel cap.
class VideoContainer
{
public:
    explicit VideoContainer(const QString &path);
    ~VideoContainer();
    VideoContainer(const VideoContainer &) = delete;
    VideoContainer &operator=(const VideoContainer &) = delete;

    // True when the file passed every check above.
    bool isVideo() const { return m_stream >= 0; }
    // True when the file is no video container at all (a picture, text, unknown bytes): a file
    // with a video's name that may still be read as a picture. False for a video container that
    // failed a later check.
    bool isOtherFormat() const { return m_otherFormat; }
    // Why the file failed (empty when it passed).
    const char *refusal() const { return m_refusal; }

    // The passed file's demuxer (streams looked at), its video stream, that stream's decoder and
    // frame size. Null, -1 and empty when the file failed.
    AVFormatContext *format() const { return m_format; }
    int streamIndex() const { return m_stream; }
    const AVCodec *decoder() const { return m_decoder; }
    QSize frameSize() const { return m_frameSize; }
    // The demuxer's name ("mov,mp4,m4a,3gp,3g2,mj2", "ogg", ...) and the video stream's average
    // frame rate (0 when the container does not tell it). Null and 0 when the file failed.
    const char *containerName() const;
    double averageFrameRate() const;
    // The checked file itself, still open: whoever reads it after the check (the player) is given
    // this descriptor (its /proc/self/fd path), never the path again, so a file put in the path's
    // place after the check is never read. Stays open while a holder keeps it, also after this
    // object is gone. Null when the file failed.
    std::shared_ptr<const RegularFile> file() const;

private:
    void open(const QString &path);
    void refuse(const char *reason, bool otherFormat = false);

    std::shared_ptr<RegularFile> m_file;
    AVIOContext *m_io = nullptr;
    AVFormatContext *m_format = nullptr;
    int m_stream = -1;
    const AVCodec *m_decoder = nullptr;
    QSize m_frameSize;
    bool m_otherFormat = false;
    const char *m_refusal = "";
};

} // namespace platform
