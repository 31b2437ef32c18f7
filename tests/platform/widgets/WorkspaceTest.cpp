// The folder the file manager is asked to show, and refused addresses.
#include "platform/widgets/Workspace.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/PropertyList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using platform::Workspace;

// Takes the addresses of a test scheme as a desktop handler would.
class UrlTaker : public QObject
{
    Q_OBJECT
public:
    int taken = 0;
public slots:
    void take(const QUrl &) { ++taken; }
};

TEST(WorkspaceTest, RevealingAFileShowsItsFolderAndAFolderItself)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath("inner folder");
    QFile file(dir.filePath("photo one.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(Workspace::folderToReveal(dir.filePath("photo one.jpg")), QDir(dir.path()).absolutePath());
    EXPECT_EQ(Workspace::folderToReveal(dir.filePath("inner folder")),
              QDir(dir.filePath("inner folder")).absolutePath());
    // A path that does not exist cannot be shown.
    EXPECT_FALSE(Workspace::sharedWorkspace().revealInFileManager(dir.filePath("gone/missing.jpg")));
}

TEST(WorkspaceTest, InvalidAddressesAreRefused)
{
    EXPECT_FALSE(Workspace::sharedWorkspace().openURL(QUrl()));
    EXPECT_FALSE(Workspace::sharedWorkspace().openURL(QUrl("http://exa mple.com/%%")));
}

namespace {

// Records the texts of the next alert once it is up, and closes it with its button.
void answerAlert(QStringList *seen)
{
    QTimer::singleShot(0, [seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            answerAlert(seen);
            return;
        }
        *seen << box->text() << box->informativeText();
        box->buttons().first()->click();
    });
}

} // namespace

// A command the user gave that nothing could carry out is told in the application's alert, which
// names the file; one that opened tells nothing.
TEST(WorkspaceTest, OpeningThatNothingCouldDoIsToldToTheUser)
{
    // Kept as a map and a flag: a copy of the optional map makes GCC warn of an uninitialised read.
    const bool hadTable = localizationTable.has_value();
    const QVariantMap savedTable = localizationTable.value_or(QVariantMap());
    if (const auto table = platform::PropertyList::loadFile(":/English.plist"))
        localizationTable = table->toMap();
    QTemporaryDir dir;
    const QString missing = dir.filePath("gone/IMG_1028.JPG");

    QStringList seen;
    answerAlert(&seen);
    EXPECT_FALSE(Workspace::sharedWorkspace().openURLOrTell(QUrl::fromLocalFile(missing)));
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0], localizedText("IDS_TWK_8811"));
    EXPECT_FALSE(seen[0].isEmpty());
    EXPECT_TRUE(seen[1].contains(missing)) << seen[1].toStdString();

    seen.clear();
    answerAlert(&seen);
    EXPECT_FALSE(Workspace::sharedWorkspace().revealInFileManagerOrTell(missing));
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[1].contains(missing));

    // An address a handler takes opens without a word.
    UrlTaker taker;
    QDesktopServices::setUrlHandler("twinsift-test", &taker, "take");
    EXPECT_TRUE(Workspace::sharedWorkspace().openURLOrTell(QUrl("twinsift-test:page")));
    QDesktopServices::unsetUrlHandler("twinsift-test");
    EXPECT_EQ(taker.taken, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    localizationTable = hadTable ? std::optional<QVariantMap>(savedTable) : std::nullopt;
}

namespace {

// The desktop's file manager on a private session bus: it takes ShowItems calls and answers each
// with an error once the test lets it, so that the folder must open instead.
class SlowFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    QList<QDBusMessage> waiting;
public slots:
    void ShowItems(const QStringList &uris, const QString &, const QDBusMessage &message)
    {
        shown << uris;
        message.setDelayedReply(true);
        waiting << message;
    }
};

} // namespace

// Asking the file manager to show a file does not wait for its answer: the command returns at once,
// and when the file manager then refuses, the file's folder opens. Runs on the private session bus
// CTest gives it (TWINSIFT_PRIVATE_BUS), never on the user's own.
TEST(WorkspaceDBus, TheFileManagerIsAskedWithoutWaitingAndItsRefusalOpensTheFolder)
{
    if (qEnvironmentVariableIsEmpty("TWINSIFT_PRIVATE_BUS") || !QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "needs the private session bus of its CTest entry";
    QDBusConnection fileManagerBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("file-manager"));
    SlowFileManager fileManager;
    ASSERT_TRUE(fileManagerBus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager,
                                              QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(fileManagerBus.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    QTemporaryDir dir;
    const QString photo = dir.filePath("photo one.jpg");
    QFile file(photo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    UrlTaker folders;
    QDesktopServices::setUrlHandler("file", &folders, "take");
    EXPECT_TRUE(Workspace::sharedWorkspace().revealInFileManager(photo));
    // Returned before the file manager answered, so nothing fell back yet.
    EXPECT_EQ(folders.taken, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fileManager.waiting.isEmpty(); }, 5000));
    EXPECT_EQ(fileManager.shown, QStringList{QUrl::fromLocalFile(photo).toString(QUrl::FullyEncoded)});
    EXPECT_EQ(folders.taken, 0);
    const QDBusMessage call = fileManager.waiting.takeFirst();
    fileManagerBus.send(call.createErrorReply(QDBusError::Failed, QStringLiteral("cannot show it")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return folders.taken == 1; }, 5000));
    QDesktopServices::unsetUrlHandler("file");
    fileManagerBus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
}

#include "WorkspaceTest.moc"
