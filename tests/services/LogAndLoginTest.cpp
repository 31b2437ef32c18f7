#include "services/LaunchOnStartup.h"
#include "services/Log.h"

#include "platform/LoginItems.h"
#include "support/ServicesFixtures.h"

#include <gtest/gtest.h>

TEST(Log, WritesAreAppendedWithNothingBetween)
{
    fixtures::TempHome home;
    ASSERT_TRUE(Log::logFilePath().startsWith(home.path()));
    ASSERT_FALSE(QFile::exists(Log::logFilePath()));
    Log::write("a");
    Log::write("b");
    Log::write(QString::fromUtf8("\xc3\xa9"));
    QFile file(Log::logFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("ab\xc3\xa9"));
}

TEST(LaunchOnStartup, OneEntryAndRemovalOnlyWhenPresent)
{
    fixtures::TempHome home;
    LaunchOnStartup::addLoginItem(false); // not there: nothing changes
    EXPECT_FALSE(QFile::exists(platform::LoginItems::autostartFilePath()));
    LaunchOnStartup::addLoginItem(true);
    LaunchOnStartup::addLoginItem(true);
    EXPECT_TRUE(LaunchOnStartup::loginItemReference());
    LaunchOnStartup::addLoginItem(false);
    EXPECT_FALSE(LaunchOnStartup::loginItemReference());
}
