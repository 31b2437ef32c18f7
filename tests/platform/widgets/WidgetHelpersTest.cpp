// Window centring, underlined text and button sounds on a machine without a display or audio.
#include "platform/widgets/Sound.h"
#include "platform/widgets/UnderlinedText.h"
#include "platform/widgets/WindowPosition.h"

#include <QDataStream>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// A few milliseconds of 16-bit mono silence as a WAV file.
bool writeShortWav(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const quint32 sampleRate = 8000, samples = 80;
    const quint32 dataBytes = samples * 2;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << sampleRate << quint32(sampleRate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(0);
    return out.status() == QDataStream::Ok;
}

} // namespace

TEST(WindowPositionTest, WindowsAreCentredOnTheirScreen)
{
    EXPECT_EQ(platform::centredWindowOrigin(QRect(0, 0, 1920, 1080), QSize(800, 600)), QPoint(560, 240));
    // A second screen keeps its own origin; a window larger than the screen overhangs evenly.
    EXPECT_EQ(platform::centredWindowOrigin(QRect(1920, 0, 1280, 1024), QSize(280, 24)), QPoint(2420, 500));
    EXPECT_EQ(platform::centredWindowOrigin(QRect(0, 0, 800, 600), QSize(1000, 700)), QPoint(-100, -50));

    QWidget window;
    window.resize(200, 100);
    window.move(0, 0);
    platform::setFrameOriginToPositionWindowInCenterOfScreen(&window);
    ASSERT_NE(window.screen(), nullptr);
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(window.frameGeometry().center(), screen.center());
    platform::setFrameOriginToPositionWindowInCenterOfScreen(nullptr);
}

TEST(UnderlinedTextTest, WholeTextIsUnderlinedAndKept)
{
    QLabel label(QStringLiteral("Show in folder"));
    QFont bold = label.font();
    bold.setBold(true);
    label.setFont(bold);
    platform::getUnderlineAttributedString(&label);
    EXPECT_TRUE(label.font().underline());
    EXPECT_TRUE(label.font().bold());
    EXPECT_EQ(label.text(), QStringLiteral("Show in folder"));

    QPushButton button(QStringLiteral("Help"));
    platform::getUnderlineAttributedString(&button);
    EXPECT_TRUE(button.font().underline());
    platform::getUnderlineAttributedString(nullptr);
}

TEST(SoundTest, PlayingIsHarmlessWithoutAudioOrFile)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath("click.wav");
    ASSERT_TRUE(writeShortWav(wav));
    EXPECT_LT(QFile(wav).size(), 20 * 1024);

    // Whether it is heard depends on the machine; it must neither block nor crash.
    platform::Sound sound(QUrl::fromLocalFile(wav));
    sound.play();
    sound.play();
    EXPECT_EQ(sound.playRequests(), 2);

    platform::Sound missing(QUrl::fromLocalFile(dir.filePath("missing.wav")));
    missing.play();
    EXPECT_EQ(missing.playRequests(), 1);
    EXPECT_FALSE(platform::Sound(QUrl()).play());
}
