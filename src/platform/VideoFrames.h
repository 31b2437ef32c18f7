#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace platform {

class VideoContainer;

// Frames of video files over FFmpeg.
class VideoFrames
{
public:
    // The first frame of the first video stream (time 0), turned by the stream's display rotation.
    // Absent when the file has no decodable video frame.
    static std::optional<QImage> frameAtZero(const QString &path);
    // The same from a file that passed the video checks (read on from where the check left it);
    // absent when it did not pass or has no decodable frame.
    static std::optional<QImage> frameAtZero(const VideoContainer &video);
};

} // namespace platform
