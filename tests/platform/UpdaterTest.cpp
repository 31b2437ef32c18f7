// What the update feed says about this version, and the absence of information.
#include "platform/Dispatch.h"
#include "platform/Updater.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::Updater;

TEST(UpdaterTest, VersionsCompareNumerically)
{
    EXPECT_EQ(Updater::compareVersions("1.10", "1.9"), 1);
    EXPECT_EQ(Updater::compareVersions("1.0", "1.0.0"), 0);
    EXPECT_EQ(Updater::compareVersions("2.0.1", "2.1"), -1);
}

TEST(UpdaterTest, TheNewestVersionOfTheFeedDecides)
{
    const QByteArray feed = R"(<?xml version="1.0"?>
<rss version="2.0" xmlns:upd="https://twinsift.app/xml/updates">
<channel>
  <item><title>1.2</title><enclosure url="https://example.org/a" upd:shortVersionString="1.2.0" upd:version="120"/></item>
  <item><title>1.10</title><enclosure url="https://example.org/b" upd:shortVersionString="1.10"/></item>
</channel></rss>)";
    auto result = Updater::evaluateFeed(feed, "1.9");
    EXPECT_EQ(result.status, Updater::Status::UpdateAvailable);
    EXPECT_EQ(result.newestVersion, QString("1.10"));
    EXPECT_EQ(Updater::evaluateFeed(feed, "1.10").status, Updater::Status::UpToDate);

    EXPECT_EQ(Updater::evaluateFeed("<rss><channel></channel></rss>", "1.0").status, Updater::Status::NoInformation);
    EXPECT_EQ(Updater::evaluateFeed("<rss><item>", "1.0").status, Updater::Status::NoInformation);
}

TEST(UpdaterTest, ChecksReportWhatTheConfiguredFeedSays)
{
    Updater updater;
    updater.setCurrentVersion("1.0.0");
    std::optional<Updater::CheckResult> answer;
    bool userInitiated = false;
    QObject::connect(&updater, &Updater::checkFinished, [&](const Updater::CheckResult &r, bool user) {
        answer = r;
        userInitiated = user;
    });

    // Without a feed there is nothing to read.
    updater.setFeedURL(std::nullopt);
    updater.checkForUpdates();
    ASSERT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return answer.has_value(); }, 3000));
    EXPECT_EQ(answer->status, Updater::Status::NoInformation);
    EXPECT_TRUE(userInitiated);

    // A feed in a local file (the same reader as for a web address).
    QTemporaryDir dir;
    QFile file(dir.filePath("appcast.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<rss><channel><item><enclosure shortVersionString="1.1"/></item></channel></rss>)");
    file.close();
    answer.reset();
    updater.setFeedURL(QUrl::fromLocalFile(file.fileName()));
    updater.checkForUpdatesInBackground();
    ASSERT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return answer.has_value(); }, 5000));
    EXPECT_EQ(answer->status, Updater::Status::UpdateAvailable);
    EXPECT_EQ(answer->newestVersion, QString("1.1"));
    EXPECT_FALSE(userInitiated);
    EXPECT_EQ(updater.checksStarted(), 2);
}
