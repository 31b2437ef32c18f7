// Launches of the program itself with one home folder: a later launch hands over to the running
// instance, which comes to the front, and ends without touching the settings; a settings folder
// that cannot be written still runs and still hands over; a lock or a socket of another user is
// never trusted. The program runs alone, and a standard error nobody reads ends nothing, nor do
// standard streams closed at the launch (on a real X display, where the window must show).
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
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

    // The test program's own folders are left out: the program finds its files from HOME. Its
    // folders belong to `owner` (a launch as another user).
    QProcessEnvironment environment(bool withRuntimeFolder, const QString &name = {}, uid_t owner = ::geteuid()) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR",
                                 "TWINSIFT_DEFAULTS_FILE", "TMPDIR"})
            env.remove(name);
        env.insert("HOME", homePath());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "twinsift.launch.debug=true;twinsift.instance.debug=true");
        const QString folder = homePath() + "/" + (!name.isEmpty() ? name : withRuntimeFolder ? "run" : "tmp");
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(::chown(QFile::encodeName(folder).constData(), owner, gid_t(-1)), 0);
        env.insert(withRuntimeFolder ? "XDG_RUNTIME_DIR" : "TMPDIR", folder);
        return env;
    }

    // Starts the program; as the user nobody when `asNobody` (the tests run as root).
    QProcess *launch(const QProcessEnvironment &env, bool asNobody = false, std::function<void()> inChild = {})
    {
        auto &process = m_launched.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(env);
        if (inChild)
            process->setChildProcessModifier(inChild);
        if (asNobody)
            process->start("setpriv",
                           QStringList{"--reuid=nobody", "--regid=" + QString::number(nobody().second),
                                       "--clear-groups", TWINSIFT_PROGRAM});
        else
            process->start(TWINSIFT_PROGRAM, QStringList());
        return process.get();
    }

    // The user nobody and its group, when the tests run as root and nobody can run the program;
    // else absent (the case is skipped).
    static std::optional<std::pair<uid_t, gid_t>> nobodyForRoot()
    {
        if (::geteuid() != 0)
            return std::nullopt;
        QProcess check;
        check.start("setpriv",
                    {"--reuid=nobody", "--regid=" + QString::number(nobody().second), "--clear-groups", "test", "-x",
                     TWINSIFT_PROGRAM});
        if (!check.waitForFinished(10000) || check.exitStatus() != QProcess::NormalExit || check.exitCode() != 0)
            return std::nullopt;
        return nobody();
    }

    static std::pair<uid_t, gid_t> nobody()
    {
        const passwd *user = ::getpwnam("nobody");
        return user ? std::pair{user->pw_uid, user->pw_gid} : std::pair{uid_t(65534), gid_t(65534)};
    }

    // Gives the home (made open to others) to `owner`, everything in it included.
    void giveHomeTo(uid_t owner, gid_t group)
    {
        QFile::setPermissions(home.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                  | QFileDevice::ExeGroup | QFileDevice::ExeOther);
        EXPECT_EQ(::chown(QFile::encodeName(homePath()).constData(), owner, group), 0);
        QDirIterator it(homePath(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            EXPECT_EQ(::lchown(QFile::encodeName(it.next()).constData(), owner, group), 0);
    }

    QString homePath() const { return m_home.isEmpty() ? home.path() : m_home; }
    void useHome(const QString &name)
    {
        m_home = home.path() + "/" + name;
        QDir().mkpath(m_home);
    }
    QString settingsFolder() const { return homePath() + "/.config/Twinsift/Twinsift"; }

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
        QFile file(settingsFolder() + "/defaults.json");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // A later launch ends at once with success and leaves the settings alone; the running
    // instance stays and brings its window to the front.
    void expectHandOver(const QProcessEnvironment &env, QProcess *running, QByteArray &runningLog,
                        bool asNobody = false)
    {
        // The running instance writes its settings on a later turn of its event loop.
        QJsonObject before;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !(before = settings()).isEmpty(); }, 15000))
            << "the running instance wrote its settings";
        QProcess *later = launch(env, asNobody);
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
    QString m_home;
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

namespace {

// The processes whose parent is `pid`.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and brackets.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid)
            children << entry.toLongLong();
    }
    return children;
}

// A file's content and time of last change, to tell that nothing wrote it.
QByteArray fingerprint(const QString &path)
{
    QFile file(path);
    struct stat info = {};
    if (!file.open(QIODevice::ReadOnly) || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return file.readAll() + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(info.st_mtim.tv_nsec));
}

} // namespace

// The program starts no process of its own beside it, and a standard error nobody reads any more
// (a closed terminal, a launcher gone) ends nothing: its log lines are dropped, and it still
// answers a later launch and keeps its settings.
TEST_F(SingleLaunchTest, RunsAloneAndOutlivesAStandardErrorNobodyReads)
{
    ASSERT_TRUE(home.isValid());
    const QProcessEnvironment env = environment(true);
    QProcess *first = launch(env, false, [] {
        int ends[2];
        if (::pipe(ends) == 0) {
            ::close(ends[0]);
            ::dup2(ends[1], STDERR_FILENO);
            ::close(ends[1]);
        }
    });
    QJsonObject written;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !(written = settings()).isEmpty() || first->state() == QProcess::NotRunning; }, 30000));
    ASSERT_EQ(first->state(), QProcess::Running) << "ended with status " << first->exitCode();
    EXPECT_EQ(childrenOf(first->processId()), QList<qint64>());

    // The running instance logs each request into the closed pipe and carries on answering.
    for (int round = 0; round < 2; ++round) {
        QProcess *later = launch(env);
        ASSERT_TRUE(later->waitForFinished(15000)) << "the later launch keeps running";
        const QByteArray laterLog = later->readAllStandardError();
        EXPECT_EQ(later->exitCode(), 0) << laterLog.constData();
        EXPECT_TRUE(laterLog.contains("handed over")) << laterLog.constData();
    }
    EXPECT_EQ(first->state(), QProcess::Running) << "ended with status " << first->exitCode();
    const QJsonObject after = settings();
    for (auto it = written.begin(); it != written.end(); ++it)
        EXPECT_TRUE(after.contains(it.key())) << qPrintable(it.key());
}

// A settings folder this user cannot write, with or without a lock an earlier run left there: the
// program runs with the settings as they are, writes nothing there, and a later launch hands over
// to it (through the runtime folder).
TEST_F(SingleLaunchTest, AReadOnlySettingsFolderRunsAndStillHandsOver)
{
    ASSERT_TRUE(home.isValid());
    const auto other = nobodyForRoot();
    if (::geteuid() == 0 && !other)
        GTEST_SKIP() << "running as root, and the user nobody cannot run " << TWINSIFT_PROGRAM;
    const bool asNobody = other.has_value();
    for (const bool oldLock : {false, true}) {
        SCOPED_TRACE(oldLock ? "with an old lock" : "without a lock");
        useHome(oldLock ? "with-lock" : "without-lock");
        if (other)
            giveHomeTo(other->first, other->second);
        const uid_t owner = other ? other->first : ::geteuid();
        const QProcessEnvironment env = environment(true, {}, owner);
        // A first run (which saw another runtime folder) writes its settings and ends without a
        // word, leaving behind its lock, which names its socket.
        QProcess *earlier = launch(environment(true, "run-earlier", owner), asNobody);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !settings().isEmpty(); }, 30000));
        ::kill(pid_t(earlier->processId()), SIGKILL);
        earlier->waitForFinished(5000);
        const QString lock = settingsFolder() + "/defaults.json.lock";
        ASSERT_TRUE(QFileInfo::exists(lock));
        // Read-only all through: the folder, and the lock when there is one.
        if (!oldLock) {
            ASSERT_TRUE(QFile::remove(lock));
        } else {
            ASSERT_TRUE(QFile::setPermissions(lock, QFileDevice::ReadOwner));
        }
        const QStringList files = QDir(settingsFolder()).entryList(QDir::AllEntries | QDir::Hidden);
        const QByteArray before = fingerprint(settingsFolder() + "/defaults.json");
        ASSERT_FALSE(before.isEmpty());
        ASSERT_TRUE(QFile::setPermissions(settingsFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        QProcess *first = launch(env, asNobody);
        QByteArray firstLog;
        ASSERT_TRUE(waitForLog(first, "launched", firstLog)) << firstLog.constData();
        EXPECT_FALSE(firstLog.contains("cannot make sure")) << firstLog.constData();
        expectHandOver(env, first, firstLog, asNobody);
        first->kill();
        first->waitForFinished(5000);
        EXPECT_EQ(fingerprint(settingsFolder() + "/defaults.json"), before);
        EXPECT_EQ(QDir(settingsFolder()).entryList(QDir::AllEntries | QDir::Hidden), files);
        QFile::setPermissions(settingsFolder(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

// A lock file of another user (left by a run through sudo) that this user cannot open: the launch
// says which file it is and how to remove it. Runs as root, which makes the file and starts the
// program as nobody.
TEST_F(SingleLaunchTest, ALockOfAnotherUserIsNamedWithWhatToDo)
{
    ASSERT_TRUE(home.isValid());
    const auto other = nobodyForRoot();
    if (!other)
        GTEST_SKIP() << "needs root, and the user nobody able to run " << TWINSIFT_PROGRAM;
    useHome("foreign-lock");
    ASSERT_TRUE(QDir().mkpath(settingsFolder()));
    giveHomeTo(other->first, other->second);
    const QProcessEnvironment env = environment(true, {}, other->first);
    const QString lock = settingsFolder() + "/defaults.json.lock";
    const int fd = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);

    QProcess *launched = launch(env, true);
    QByteArray log;
    ASSERT_TRUE(waitForLog(launched, "belongs to the user root", log)) << log.constData();
    EXPECT_TRUE(log.contains(QFile::encodeName(lock))) << log.constData();
    EXPECT_TRUE(log.contains("remove the file")) << log.constData();
    EXPECT_FALSE(log.contains("launched")) << log.constData();
}

// A later launch hands over only to a process of its own user: the running instance here is
// another user's (nobody's, sharing the settings file), so root's launch sends it nothing.
TEST_F(SingleLaunchTest, ASocketOfAnotherUserIsNotHandedOver)
{
    ASSERT_TRUE(home.isValid());
    const auto other = nobodyForRoot();
    if (!other)
        GTEST_SKIP() << "needs root, and the user nobody able to run " << TWINSIFT_PROGRAM;
    useHome("foreign-socket");
    giveHomeTo(other->first, other->second);
    QProcess *first = launch(environment(true, "run-nobody", other->first), true);
    QByteArray firstLog;
    ASSERT_TRUE(waitForLog(first, "launched", firstLog)) << firstLog.constData();

    QProcess *later = launch(environment(true, "run-root"));
    QByteArray laterLog;
    ASSERT_TRUE(waitForLog(later, "belongs to the user nobody", laterLog)) << laterLog.constData();
    EXPECT_FALSE(laterLog.contains("handed over")) << laterLog.constData();
    firstLog += first->readAllStandardError();
    EXPECT_FALSE(firstLog.contains("to the front")) << firstLog.constData();
}

namespace {

// The program's windows that the window manager shows, by the process id they carry.
QStringList shownWindowsOf(qint64 pid)
{
    auto read = [](const QStringList &arguments) {
        QProcess process;
        process.start(arguments.first(), arguments.mid(1));
        process.waitForFinished(5000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    };
    QStringList shown;
    const QString clients = read({"xprop", "-root", "_NET_CLIENT_LIST"}).section('#', 1);
    for (const QString &part : clients.split(',', Qt::SkipEmptyParts)) {
        const QString id = part.trimmed();
        if (read({"xprop", "-id", id, "_NET_WM_PID"}).section('=', 1).trimmed() == QString::number(pid)
            && read({"xwininfo", "-id", id}).contains("IsViewable"))
            shown << id;
    }
    return shown;
}

// Which of standard input (0), output (1) and error (2) a launch starts without.
struct ClosedStreams {
    const char *name;
    std::vector<int> fds;
};

void PrintTo(const ClosedStreams &streams, std::ostream *out)
{
    *out << streams.name;
}

class DesktopLaunch : public SingleLaunchTest, public ::testing::WithParamInterface<ClosedStreams>
{
};

} // namespace

// A launch with standard streams closed (`1>&-`, `2>&-`) on a real X display: the window shows,
// whatever the program prints on the way (a fresh home has none of the folders left out by default,
// which it reports), and a later launch hands over to it.
TEST_P(DesktopLaunch, WithStandardStreamsClosedTheWindowShowsAndALaterLaunchHandsOver)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display with a window manager (CTest runs it under Xvfb and openbox)";
    if (QStandardPaths::findExecutable("xprop").isEmpty() || QStandardPaths::findExecutable("xwininfo").isEmpty())
        GTEST_SKIP() << "needs xprop and xwininfo (x11-utils; scripts/deps --tests installs it)";
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = environment(true);
    env.insert("QT_QPA_PLATFORM", "xcb");
    const std::vector<int> fds = GetParam().fds;
    QProcess *first = launch(env, false, [fds] {
        for (const int fd : fds)
            ::close(fd);
    });
    ASSERT_TRUE(first->waitForStarted(10000));
    QStringList windows;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !(windows = shownWindowsOf(first->processId())).isEmpty() || first->state() != QProcess::Running;
        },
        30000));
    ASSERT_FALSE(windows.isEmpty()) << "no window shows; the program "
                                    << (first->state() == QProcess::Running ? "still runs" : "ended");

    QProcess *later = launch(env);
    ASSERT_TRUE(later->waitForFinished(15000)) << "the later launch keeps running";
    const QByteArray laterLog = later->readAllStandardError();
    EXPECT_EQ(later->exitCode(), 0) << laterLog.constData();
    EXPECT_TRUE(laterLog.contains("handed over")) << laterLog.constData();
    EXPECT_EQ(first->state(), QProcess::Running);
}

INSTANTIATE_TEST_SUITE_P(Closed, DesktopLaunch,
                         ::testing::Values(ClosedStreams{"StandardOutput", {STDOUT_FILENO}},
                                           ClosedStreams{"StandardError", {STDERR_FILENO}},
                                           ClosedStreams{"AllThree", {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}}),
                         [](const ::testing::TestParamInfo<ClosedStreams> &info) {
                             return std::string(info.param.name);
                         });
