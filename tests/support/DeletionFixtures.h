#pragma once

// Display-free test environment of the deletion job and of everything built on it: a temporary
// home and data folder (so the Trash, the settings and the Photos album store live there), the
// language table, a cleared result state, and helpers that write photos, copy them and make records
// of them. It needs no window, so the display-free test programs (and the thread checks run on
// them) can use it; the widget fixtures of the scan sheet build on it.

#include "model/ImageFile.h"
#include "model/ModuleState.h"
#include "model/ResultState.h"
#include "platform/Dispatch.h"
#include "platform/FileManager.h"
#include "platform/PhotosApp.h"
#include "platform/UserDefaults.h"
#include "services/MVNAssistance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

namespace deletion_test {

// Sets or clears the immutable flag of a file (the only way a root-run test can make a move fail).
inline bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

class DeletionTestBase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        oldHome = qgetenv("HOME");
        oldData = qgetenv("XDG_DATA_HOME");
        QDir().mkpath(path("home"));
        QDir().mkpath(path("data"));
        qputenv("HOME", QFile::encodeName(path("home")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));

        platform::UserDefaults &defaults = platform::UserDefaults::standard();
        defaults.setFilePath(path("defaults.json"));
        defaults.setBool(QStringLiteral("IsScan"), false);
        defaults.setBool(QStringLiteral("IsDelete"), false);
        defaults.setBool(QStringLiteral("IsPopUpTWK"), false);
        platform::PhotosApp::shared().setAlbumStorePath(path("albums.sqlite"));
        platform::PhotosApp::shared().setAutomationAllowed(true);
        localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
        ResultState::shared().clear();
        isScanPaused = false;
        movedToPhotosAlbum = false;
        minimumFileSize = 1024;
    }

    void TearDown() override
    {
        ResultState::shared().clear();
        isScanPaused = false;
        for (const QString &file : immutableFiles)
            setImmutable(file, false);
        QCoreApplication::processEvents();
        qputenv("HOME", oldHome);
        if (oldData.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldData);
    }

    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }

    // A JPEG of random noise (well above the minimum size); the same seed gives the same bytes.
    QString writePhoto(const QString &relative, quint32 seed)
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QImage image(160, 120, QImage::Format_RGB32);
        QRandomGenerator random(seed);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, random.generate() | 0xff000000u);
        EXPECT_TRUE(image.save(file, "JPEG", 90));
        return file;
    }

    QString copyFile(const QString &from, const QString &relative)
    {
        const QString to = path(relative);
        QDir().mkpath(QFileInfo(to).absolutePath());
        EXPECT_TRUE(QFile::copy(from, to));
        return to;
    }

    static ImageFilePtr record(const QString &file) { return ImageFile::make(QUrl::fromLocalFile(file)); }

    static bool waitFor(const std::function<bool()> &pred, int timeoutMs = 15000)
    {
        return platform::Dispatch::runMainLoopUntil(pred, timeoutMs);
    }

    QString trashFiles() const { return platform::FileManager::homeTrashPath() + QStringLiteral("/files"); }
    QString trashInfo() const { return platform::FileManager::homeTrashPath() + QStringLiteral("/info"); }

    QTemporaryDir dir;
    QByteArray oldHome, oldData;
    QStringList immutableFiles; // their immutable flag is cleared again after the test
};

} // namespace deletion_test
