// Launches of the program itself with one home folder: a later launch hands over to the running
// instance, which comes to the front, and ends without touching the settings.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <utility>
#include <vector>

namespace {

class SingleLaunchTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (auto &process : m_launched) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    // The test program's own folders are left out: the program finds its files from HOME.
    QProcessEnvironment environment(bool withRuntimeFolder, const QString &name = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR",
                                 "TWINSIFT_DEFAULTS_FILE", "TMPDIR"})
            env.remove(name);
        env.insert("HOME", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "twinsift.launch.debug=true;twinsift.instance.debug=true");
        const QString folder = home.path() + "/" + (!name.isEmpty() ? name : withRuntimeFolder ? "run" : "tmp");
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        env.insert(withRuntimeFolder ? "XDG_RUNTIME_DIR" : "TMPDIR", folder);
        return env;
    }

    QProcess *launch(const QProcessEnvironment &env)
    {
        auto &process = m_launched.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(env);
        process->start(TWINSIFT_PROGRAM, QStringList());
        return process.get();
    }

    // Waits for a line of the program's log; everything read is kept in `log`.
    static bool waitForLog(QProcess *process, const QByteArray &text, QByteArray &log, int ms = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!log.contains(text) && timer.elapsed() < ms) {
            process->waitForReadyRead(200);
            log += process->readAllStandardError();
            if (process->state() == QProcess::NotRunning) {
                log += process->readAllStandardError();
                break;
            }
        }
        return log.contains(text);
    }

    QJsonObject settings() const
    {
        QFile file(home.path() + "/.config/Twinsift/Twinsift/defaults.json");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // A later launch ends at once with success and leaves the settings alone; the running
    // instance stays and brings its window to the front.
    void expectHandOver(const QProcessEnvironment &env, QProcess *running, QByteArray &runningLog)
    {
        // The running instance writes its settings on a later turn of its event loop.
        QJsonObject before;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !(before = settings()).isEmpty(); }, 15000))
            << "the running instance wrote its settings";
        QProcess *later = launch(env);
        ASSERT_TRUE(later->waitForFinished(15000)) << "the later launch keeps running";
        EXPECT_EQ(later->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(later->exitCode(), 0) << later->readAllStandardError().constData();
        EXPECT_TRUE(waitForLog(running, "to the front", runningLog, 10000)) << runningLog.constData();
        EXPECT_EQ(running->state(), QProcess::Running);
        const QJsonObject after = settings();
        for (auto it = before.begin(); it != before.end(); ++it)
            EXPECT_TRUE(after.contains(it.key())) << qPrintable(it.key());
    }

    QTemporaryDir home;

private:
    std::vector<std::unique_ptr<QProcess>> m_launched;
};

} // namespace

TEST_F(SingleLaunchTest, ALaterLaunchHandsOverToTheRunningInstance)
{
    ASSERT_TRUE(home.isValid());
    for (const bool withRuntimeFolder : {true, false}) {
        SCOPED_TRACE(withRuntimeFolder ? "in the runtime folder" : "in the temporary folder");
        const QProcessEnvironment env = environment(withRuntimeFolder);
        QProcess *first = launch(env);
        QByteArray firstLog;
        ASSERT_TRUE(waitForLog(first, "launched", firstLog)) << firstLog.constData();
        ASSERT_TRUE(firstLog.contains("listening for later launches")) << firstLog.constData();
        expectHandOver(env, first, firstLog);

        // An instance that ended without a word leaves its socket behind: the next launch takes
        // its place, and a launch after that hands over to it.
        ::kill(pid_t(first->processId()), SIGKILL);
        first->waitForFinished(5000);
        QProcess *next = launch(env);
        QByteArray nextLog;
        ASSERT_TRUE(waitForLog(next, "launched", nextLog)) << nextLog.constData();
        expectHandOver(env, next, nextLog);
        next->kill();
        next->waitForFinished(5000);
    }
}

// Launches with one home that see other runtime and temporary folders (a desktop launch, one from
// a shell without XDG_RUNTIME_DIR, one with another TMPDIR) still meet the first instance, which
// keeps running alone with its settings.
TEST_F(SingleLaunchTest, LaunchesThatSeeOtherRuntimeFoldersHandOverToTheFirst)
{
    ASSERT_TRUE(home.isValid());
    QProcess *first = launch(environment(true, "run-a"));
    QByteArray firstLog;
    ASSERT_TRUE(waitForLog(first, "launched", firstLog)) << firstLog.constData();
    for (const auto &[withRuntimeFolder, name] : {std::pair{true, "run-b"}, std::pair{false, "tmp-c"}}) {
        SCOPED_TRACE(name);
        firstLog.clear();
        expectHandOver(environment(withRuntimeFolder, QString::fromLatin1(name)), first, firstLog);
    }
}
