#include "platform/widgets/Sound.h"
#include "platform/Log.h"

#include "platform/widgets/MediaBackend.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QtDebug>

namespace platform {

Sound::Sound(const QUrl &source, QObject *parent)
    : QObject(parent)
    , m_source(source)
{
}

Sound::~Sound() = default;

bool Sound::play()
{
    ++m_playRequests;
    if (!m_source.isValid() || m_source.isEmpty())
        return false;
    if (!m_effect) {
        // Without any output device there is nothing to play on; the effect is not even made.
        chooseMediaBackend();
        if (QMediaDevices::audioOutputs().isEmpty())
            return false;
        m_effect = new QSoundEffect(this);
        m_effect->setSource(m_source);
    }
    if (m_effect->status() == QSoundEffect::Error) {
        logDebug(lcPlatform) << "Sound could not be loaded:" << m_source.toString();
        return false;
    }
    // Loading is asynchronous; a play request made while loading starts once the data is in.
    m_effect->stop();
    m_effect->play();
    return true;
}

} // namespace platform
