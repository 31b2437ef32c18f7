#pragma once

namespace platform {

// Chooses the media backend that plays videos: Qt's FFmpeg backend where it is installed, since
// it decodes H.264, HEVC and MPEG-4 with the FFmpeg libraries the application already uses, while
// the GStreamer backend needs decoder plug-ins that a fresh system lacks. A backend named in
// QT_MEDIA_BACKEND by the user is kept. Must run before the first player, video widget, audio
// output or sound effect is made; later calls change nothing.
void chooseMediaBackend();

// The plug-in folders searched for a media backend named `name` ("ffmpeg", "gstreamer"): true when
// one of them holds it.
bool mediaBackendInstalled(const char *name);

} // namespace platform
