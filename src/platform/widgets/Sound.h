#pragma once

#include <QObject>
#include <QUrl>

class QSoundEffect;

namespace platform {

// A short sound (an uncompressed WAV file or resource) that a control plays on demand, for
// instance a button when it is pressed. Playing never blocks and never fails loudly: without an
// audio output, or when the file cannot be loaded, nothing is heard and play() answers false.
class Sound : public QObject
{
    Q_OBJECT
public:
    explicit Sound(const QUrl &source, QObject *parent = nullptr);
    ~Sound() override;

    QUrl source() const { return m_source; }

    // Starts the sound from its beginning. False when no audio output exists or the sound could
    // not be loaded; the request is counted either way.
    bool play();

    // How many times play() was asked for since construction.
    int playRequests() const { return m_playRequests; }

private:
    QUrl m_source;
    QSoundEffect *m_effect = nullptr; // made on the first play with an audio output
    int m_playRequests = 0;
};

} // namespace platform
