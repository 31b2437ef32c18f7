// A check the program makes of its own accord tells of a newer version with the texts of the menu
// check, once per version, and waits while a sheet or overlay is up; it never downloads anything.
#include "screens/shell/AppDelegate.h"
#include "model/TextLookup.h"
#include "platform/Updater.h"
#include "support/ShellFixtures.h"

#include <QFile>
#include <QMessageBox>

namespace {

QList<QMessageBox *> visibleNotices()
{
    QList<QMessageBox *> boxes;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(top);
            box && box->isVisible() && box->objectName() == QLatin1String("updateCheckResult"))
            boxes << box;
    return boxes;
}

} // namespace

class UpdateNoticeTest : public HomeScreenTest
{
protected:
    void writeFeed(const QString &version)
    {
        QFile feed(tempPath("appcast.xml"));
        ASSERT_TRUE(feed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        feed.write(QStringLiteral("<rss><channel><item><enclosure url=\"https://example.invalid/t.tar\" "
                                  "shortVersionString=\"%1\"/></item></channel></rss>")
                       .arg(version)
                       .toUtf8());
    }

    void check(AppDelegate &delegate)
    {
        const int before = delegate.updater->checksStarted();
        delegate.autoInstallUpdates();
        EXPECT_EQ(delegate.updater->checksStarted(), before + 1);
        // The feed is a local file; its answer comes through the event loop.
        waitFor([] { return false; }, 300);
    }
};

TEST_F(UpdateNoticeTest, ANewerVersionFoundInTheBackgroundIsToldOnceWithTheMenuCheckTexts)
{
    platform::UserDefaults::standard().setBool("StartupTWK", true);
    AppDelegate delegate;
    delegate.makeUpdater();
    delegate.updater->setCurrentVersion("1.0");
    delegate.updater->setFeedURL(QUrl::fromLocalFile(tempPath("appcast.xml")));

    // Up to date: nothing is shown.
    writeFeed("1.0");
    check(delegate);
    EXPECT_TRUE(visibleNotices().isEmpty());

    // Newer: told once, with the texts of the menu check.
    writeFeed("2.5");
    check(delegate);
    QList<QMessageBox *> shown = visibleNotices();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first()->text(), localizedText("IDS_TWK_7006"));
    EXPECT_EQ(shown.first()->informativeText(), substitutePlaceholders(localizedText("IDS_TWK_7007"), {"2.5"}));
    EXPECT_EQ(shown.first()->textFormat(), Qt::PlainText);
    shown.first()->close();
    flushEvents();

    // The same version found again is not told again.
    check(delegate);
    EXPECT_TRUE(visibleNotices().isEmpty());

    // A newer one found while an overlay is up waits for its end.
    writeFeed("3.0");
    home->setPopUpMode(true);
    check(delegate);
    EXPECT_TRUE(visibleNotices().isEmpty());
    home->closeToExitVC();
    ASSERT_TRUE(waitFor([] { return !visibleNotices().isEmpty(); }));
    EXPECT_TRUE(visibleNotices().first()->informativeText().contains("3.0"));
    visibleNotices().first()->close();
    flushEvents();
}
