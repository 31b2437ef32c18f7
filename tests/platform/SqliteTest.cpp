#include "platform/SqliteConnection.h"
#include "platform/SqliteStatement.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using platform::SqliteConnection;
using platform::SqliteStatement;

namespace {

// A query that would count for ever.
const char *const kEndless = "WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) SELECT count(*) FROM r";

} // namespace

TEST(SqliteConnection, QueriesAreBoundedInTimeAndStopOnRequest)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SqliteConnection db;
    ASSERT_TRUE(db.open(dir.filePath("t.sqlite"), SqliteConnection::Mode::ReadWriteCreate));
    db.setQueryLimits(std::chrono::milliseconds(300));

    SqliteStatement endless(db, kEndless);
    ASSERT_TRUE(endless.isValid());
    EXPECT_FALSE(endless.next());
    EXPECT_TRUE(endless.failed());
    EXPECT_TRUE(endless.errorMessage().contains("longer than 300 ms")) << qPrintable(endless.errorMessage());

    // Short queries run as before, also many in a row on one statement.
    SqliteStatement small(db, "SELECT 1");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(small.next());
        small.reset();
    }

    std::atomic<int> calls{0};
    db.setQueryLimits(std::chrono::milliseconds(0), [&calls] { return ++calls > 5; });
    SqliteStatement stopped(db, kEndless);
    EXPECT_FALSE(stopped.next());
    EXPECT_EQ(stopped.errorMessage(), "stopped");
    EXPECT_GT(calls.load(), 5);
}

TEST(SqliteConnection, DefensiveConnectionReadsTablesOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("foreign.sqlite");
    {
        SqliteConnection maker;
        ASSERT_TRUE(maker.open(path, SqliteConnection::Mode::ReadWriteCreate));
        ASSERT_TRUE(maker.execute("CREATE TABLE t (x INTEGER); INSERT INTO t VALUES (1), (2);"
                                  "CREATE VIEW v AS SELECT x FROM t;"));
    }
    SqliteConnection db;
    ASSERT_TRUE(db.open(path, SqliteConnection::Mode::ReadWrite));
    ASSERT_TRUE(db.makeDefensive());

    SqliteStatement table(db, "SELECT sum(x) FROM t");
    ASSERT_TRUE(table.next());
    EXPECT_EQ(table.columnInt64(0), 3);

    SqliteStatement view(db, "SELECT x FROM v");
    EXPECT_FALSE(view.next());
    EXPECT_TRUE(view.failed());

    testing::internal::CaptureStderr();
    EXPECT_FALSE(db.execute("INSERT INTO t VALUES (3)"));
    EXPECT_FALSE(db.execute("PRAGMA writable_schema = 1; DELETE FROM sqlite_master"));
    testing::internal::GetCapturedStderr();
    SqliteStatement count(db, "SELECT count(*) FROM t");
    ASSERT_TRUE(count.next());
    EXPECT_EQ(count.columnInt64(0), 2);
}
