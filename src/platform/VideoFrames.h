#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace platform {

// Frames of video files over FFmpeg.
class VideoFrames
{
public:
    // The first frame of the first video stream (time 0), turned by the stream's display rotation.
    // Absent when the file has no decodable video frame.
    static std::optional<QImage> frameAtZero(const QString &path);
};

} // namespace platform
