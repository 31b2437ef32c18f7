#pragma once

#include <QUrl>

namespace platform {

class RegularFile;
class VideoContainer;

// Chooses the media backend that plays videos: Qt's FFmpeg backend where it is installed, since
// it decodes H.264, HEVC and MPEG-4 with the FFmpeg libraries the application already uses, while
// the GStreamer backend needs decoder plug-ins that a fresh system lacks. A backend named in
// QT_MEDIA_BACKEND by the user is kept. Must run before the first player, video widget, audio
// output or sound effect is made; later calls change nothing.
void chooseMediaBackend();

// The plug-in folders searched for a media backend named `name` ("ffmpeg", "gstreamer"): true when
// one of them holds it.
bool mediaBackendInstalled(const char *name);

// True when the player of the Qt the program runs on may be given this checked video. Before Qt
// 6.8 the player's renderer divides by the stream's average frame rate, which Ogg and raw MPEG-4
// streams leave unknown: such a video ends the whole program there, so it is never played on those
// releases (its first frame is shown instead). Decided on the running Qt, not the one built with.
bool playerPlays(const VideoContainer &video);

// The source to give the player for a checked file: the file's open descriptor, never its path, so
// the player reads the very file that was checked. The file must stay open while the player has
// this source.
QUrl playerSource(const RegularFile &file);

} // namespace platform
