// Shared entry point of every test program: a QApplication on the offscreen platform, and private
// configuration, data and cache folders for this process, so tests never touch the user's settings or
// Trash and test processes running side by side never share a file.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home(QDir::tempPath() + "/twinsift-test-XXXXXX");
    const QString root = home.path();
    for (const char *sub : {"config", "data", "cache", "runtime"})
        QDir().mkpath(root + "/" + sub);
    qputenv("XDG_CONFIG_HOME", (root + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root + "/data").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (root + "/cache").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (root + "/runtime").toLocal8Bit());
    qputenv("TWINSIFT_DEFAULTS_FILE", (root + "/config/defaults.json").toLocal8Bit());
    QFile::setPermissions(root + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Twinsift");
    QApplication::setOrganizationName("Twinsift");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
