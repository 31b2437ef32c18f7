#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <limits>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

// A stored number is range checked before it becomes an integer: a damaged or hand-edited file
// may hold any real number or a text where an integer belongs.
TEST(UserDefaultsTest, IntegersAreReadWithTheRangeCheckedFirst)
{
    QTemporaryDir dir;
    UserDefaults d(dir.filePath("defaults.json"));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    d.setDouble("huge", 1e300);
    d.setDouble("tiny", -1e300);
    d.setDouble("nan", nan);
    d.setString("text", "1e300");
    d.setDouble("whole", 3.0);
    d.setDouble("fraction", 2.5);
    d.setDouble("edge", 9223372036854775808.0); // 2^63, one past the largest integer
    d.setDouble("lowest", -9223372036854775808.0);
    d.setUnsigned("unsignedMax", 18446744073709551615ull);
    d.setUnsigned("unsignedSmall", 7);
    d.setBool("flag", true);

    for (const char *key : {"huge", "tiny", "nan", "text", "fraction", "edge", "unsignedMax", "flag", "absent"})
        EXPECT_FALSE(d.storedIntegerForKey(key)) << key;
    EXPECT_EQ(d.storedIntegerForKey("whole"), 3);
    EXPECT_EQ(d.storedIntegerForKey("lowest"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(d.storedIntegerForKey("unsignedSmall"), 7);

    // The lenient reader cuts to the nearest end of the range instead of wrapping around.
    EXPECT_EQ(d.integerForKey("huge"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d.integerForKey("tiny"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(d.integerForKey("text"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d.integerForKey("nan"), 0);
    EXPECT_EQ(d.integerForKey("fraction"), 2);
}

TEST(UserDefaultsTest, EveryTypeSurvivesAReopen)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.json");
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1700000000123).toUTC();
    {
        UserDefaults d(path);
        d.setBool("flag", true);
        d.setInteger("negative", -42);
        d.setUnsigned("big", 18446744073709551615ull);
        d.setDouble("ratio", 0.25);
        d.setString("text", "Grüße \"quoted\"");
        d.setData("blob", QByteArray("\x00\x01\xff", 3));
        d.set("when", when);
        d.setArray("list", {QVariant(true), QVariant(qint64(3)), QVariant(QString("a"))});
        d.setDictionary("map", {{"inner", QVariant(false)}});
    }
    UserDefaults d(path);
    EXPECT_EQ(d.typeOf("flag"), UserDefaults::Type::Bool);
    EXPECT_TRUE(d.boolForKey("flag"));
    EXPECT_EQ(d.typeOf("negative"), UserDefaults::Type::Integer);
    EXPECT_EQ(d.integerForKey("negative"), -42);
    EXPECT_EQ(d.typeOf("big"), UserDefaults::Type::Unsigned);
    EXPECT_EQ(d.object("big")->toULongLong(), 18446744073709551615ull);
    EXPECT_DOUBLE_EQ(d.doubleForKey("ratio"), 0.25);
    EXPECT_EQ(*d.stringForKey("text"), QString("Grüße \"quoted\""));
    EXPECT_EQ(*d.dataForKey("blob"), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(d.object("when")->toDateTime(), when);
    auto list = d.arrayForKey("list");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 3);
    EXPECT_EQ(UserDefaults::typeOfValue(list->at(0)), UserDefaults::Type::Bool);
    EXPECT_EQ(UserDefaults::typeOfValue(list->at(1)), UserDefaults::Type::Integer);
    EXPECT_FALSE(d.stringArrayForKey("list")); // mixed elements are not a text array
    EXPECT_EQ(d.dictionaryForKey("map")->value("inner").metaType().id(), QMetaType::Bool);
}

TEST(UserDefaultsTest, AbsentDiffersFromPresentWithAnotherType)
{
    QTemporaryDir dir;
    UserDefaults d(dir.filePath("d.json"));
    EXPECT_FALSE(d.contains("k"));
    EXPECT_FALSE(d.holdsBool("k"));
    EXPECT_FALSE(d.boolForKey("k"));
    d.setInteger("k", 0);
    EXPECT_TRUE(d.contains("k"));
    EXPECT_FALSE(d.holdsBool("k"));
    EXPECT_FALSE(d.dataForKey("k"));
    d.removeObject("k");
    EXPECT_FALSE(d.object("k"));
    d.setStringArray("paths", {"/a", "/b"});
    EXPECT_EQ(*d.stringArrayForKey("paths"), QStringList({"/a", "/b"}));
}

TEST(UserDefaultsTest, DamagedFileIsKeptAsideUnderANumberedNameAndToldOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("d.json");
    auto writeSettings = [&path](const QByteArray &text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    writeSettings("{ not json");
    UserDefaults d(path);
    EXPECT_FALSE(d.contains("anything"));
    EXPECT_EQ(d.takeResetNotice(), path + ".damaged-1");
    EXPECT_FALSE(d.takeResetNotice()) << "told once";
    d.setBool("x", true);
    ASSERT_TRUE(d.synchronize());
    EXPECT_TRUE(UserDefaults(path).boolForKey("x"));
    EXPECT_FALSE(UserDefaults(path).takeResetNotice());

    // A second damaged file never replaces the first one kept.
    writeSettings("[1, 2");
    UserDefaults again(path);
    EXPECT_EQ(again.takeResetNotice(), path + ".damaged-2");
    QFile first(path + ".damaged-1");
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), "{ not json");

    // A file above the size cap is not read at all.
    QByteArray huge = "{\"k\": {\"string\": \"";
    huge.append(QByteArray(UserDefaults::maxFileBytes, 'x'));
    huge.append("\"}}");
    writeSettings(huge);
    UserDefaults capped(path);
    EXPECT_FALSE(capped.contains("k"));
    EXPECT_EQ(capped.takeResetNotice(), path + ".damaged-3");
    EXPECT_EQ(QFileInfo(path + ".damaged-3").size(), huge.size());
}

TEST(UserDefaultsTest, TheFileIsWrittenOncePerTurnOfTheMainLoopAndWhenTheStoreEnds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("d.json");
    auto stored = [&path](const QString &key) { return UserDefaults(path).object(key); };
    {
        UserDefaults d(path);
        // Many changes in one turn: nothing written until the loop comes round, then one write
        // that holds them all.
        for (int i = 0; i < 9; ++i)
            d.setInteger(QString("k%1").arg(i), i);
        d.removeObject("k8");
        EXPECT_EQ(d.fileWriteCount(), 0);
        EXPECT_FALSE(QFileInfo::exists(path));
        QCoreApplication::processEvents();
        EXPECT_EQ(d.fileWriteCount(), 1);
        EXPECT_EQ(stored("k7"), QVariant(qint64(7)));
        EXPECT_FALSE(stored("k8"));
        QCoreApplication::processEvents();
        EXPECT_EQ(d.fileWriteCount(), 1) << "nothing changed, nothing written";

        // synchronize() writes at once, and the turn's write then has nothing left to do.
        d.setBool("now", true);
        EXPECT_TRUE(d.synchronize());
        EXPECT_EQ(d.fileWriteCount(), 2);
        EXPECT_EQ(stored("now"), QVariant(true));
        QCoreApplication::processEvents();
        EXPECT_EQ(d.fileWriteCount(), 2);

        // A change still pending when the store ends is written then.
        d.setString("last", "kept");
    }
    EXPECT_EQ(stored("last"), QVariant(QString("kept")));

    // So is one pending when the application quits.
    UserDefaults d(path);
    d.setString("atQuit", "kept");
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    EXPECT_EQ(d.fileWriteCount(), 1);
    EXPECT_EQ(stored("atQuit"), QVariant(QString("kept")));
}

TEST(UserDefaultsTest, APipeInPlaceOfTheSettingsFileIsNotWaitedOn)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("d.json");
    const QByteArray native = QFile::encodeName(path);
    ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
    auto load = std::async(std::launch::async, [&path] {
        UserDefaults d(path);
        return d.takeResetNotice();
    });
    if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the blocked reader go before failing.
        const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        load.wait();
        FAIL() << "the settings store waited on a pipe";
    }
    EXPECT_EQ(load.get(), path + ".damaged-1");
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(NotificationCenterTest, DeliversInOrderAndDropsDeadOwners)
{
    NotificationCenter center;
    QStringList seen;
    auto *first = new QObject;
    QObject second;
    center.addObserver(first, "n", [&](const Notification &n) { seen << "first:" + n.userInfo.value("v").toString(); });
    center.addObserver(&second, "n", [&](const Notification &) { seen << "second"; });
    center.addObserver(&second, "other", [&](const Notification &) { seen << "other"; });
    center.post("n", {{"v", "1"}});
    EXPECT_EQ(seen, QStringList({"first:1", "second"}));
    delete first;
    seen.clear();
    center.post("n");
    EXPECT_EQ(seen, QStringList({"second"}));
    center.removeObserver(&second, "n");
    seen.clear();
    center.post("n");
    center.post("other");
    EXPECT_EQ(seen, QStringList({"other"}));
}

TEST(NotificationCenterTest, PostFromWorkerArrivesOnMainThread)
{
    NotificationCenter center;
    QObject owner;
    std::atomic<bool> onMain{false};
    std::atomic<int> count{0};
    center.addObserver(&owner, "bg", [&](const Notification &) {
        onMain = Dispatch::isMainThread();
        ++count;
    });
    std::thread worker([&] { center.post("bg"); });
    worker.join();
    EXPECT_EQ(count.load(), 0); // queued, not run on the worker
    EXPECT_TRUE(Dispatch::runMainLoopUntil([&] { return count.load() == 1; }, 2000));
    EXPECT_TRUE(onMain.load());
}

TEST(DispatchTest, MainQueueRunsInOrderOnTheMainThread)
{
    std::vector<int> order;
    Dispatch::SerialQueue queue;
    for (int i = 0; i < 5; ++i)
        queue.async([&order, i] {
            Dispatch::mainAsync([&order, i] {
                EXPECT_TRUE(Dispatch::isMainThread());
                order.push_back(i);
            });
        });
    queue.waitUntilIdle();
    EXPECT_TRUE(Dispatch::runMainLoopUntil([&] { return order.size() == 5; }, 2000));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));

    bool late = false;
    auto *context = new QObject;
    Dispatch::mainAfter(
        0.01, [&] { late = true; }, context);
    delete context; // the call dies with its context
    bool ran = false;
    Dispatch::mainAfter(0.02, [&] { ran = true; });
    EXPECT_TRUE(Dispatch::runMainLoopUntil([&] { return ran; }, 2000));
    EXPECT_FALSE(late);
}

TEST(PropertyListTest, ParsesNestedValuesAndRejectsBrokenInput)
{
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>IDS_TWK_1</key><string>Scan &amp; find</string>
  <key>n</key><integer>-7</integer>
  <key>r</key><real>1.5</real>
  <key>yes</key><true/>
  <key>d</key><data>AAH/</data>
  <key>a</key><array><string>x</string><false/></array>
</dict></plist>)";
    auto value = PropertyList::parse(xml);
    ASSERT_TRUE(value);
    const QVariantMap map = value->toMap();
    EXPECT_EQ(map.value("IDS_TWK_1").toString(), "Scan & find");
    EXPECT_EQ(map.value("n").toLongLong(), -7);
    EXPECT_DOUBLE_EQ(map.value("r").toDouble(), 1.5);
    EXPECT_EQ(map.value("yes").metaType().id(), QMetaType::Bool);
    EXPECT_EQ(map.value("d").toByteArray(), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(map.value("a").toList().size(), 2);

    EXPECT_FALSE(PropertyList::parse("<plist><dict><key>a</key></plist>"));
    EXPECT_FALSE(PropertyList::parse("not xml"));
    EXPECT_FALSE(PropertyList::loadFile("/nonexistent/English.plist"));
}
