// The folder the file manager is asked to show, and refused addresses.
#include "platform/widgets/Workspace.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/PropertyList.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>
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
    const auto savedTable = localizationTable;
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
    localizationTable = savedTable;
}

#include "WorkspaceTest.moc"
