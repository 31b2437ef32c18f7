// Shared entry point of every test program: a QApplication on the offscreen platform, and private
// configuration, data and cache folders for this process, so tests never touch the user's settings or
// Trash and test processes running side by side never share a file. A run that executes no test (a
// filter that matches none, as after a test was renamed) fails, so that no check passes on nothing.
// So does, under CI (CI=true), a run in which every selected test skipped, when the CTest entry
// says its checks must run (TWINSIFT_NO_SKIP_UNDER_CI=1: the entries that run a group of checks in a
// prepared setting, which CTest would show as passed).
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Notes whether a run started and how many tests it selected. Listing the tests or asking for help
// starts no run.
class SelectedTests : public ::testing::EmptyTestEventListener
{
public:
    bool started = false;
    int selected = 0;

private:
    void OnTestProgramStart(const ::testing::UnitTest &unitTest) override
    {
        started = true;
        selected = unitTest.test_to_run_count();
    }
};

} // namespace

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
    auto *selected = new SelectedTests; // owned by the listener list
    ::testing::UnitTest::GetInstance()->listeners().Append(selected);
    const int status = RUN_ALL_TESTS();
    if (status == 0 && selected->started && selected->selected == 0) {
        std::fprintf(stderr, "No test ran: the filter \"%s\" matches none of this program's tests.\n",
                     GTEST_FLAG_GET(filter).c_str());
        return 1;
    }
    const int skipped = ::testing::UnitTest::GetInstance()->skipped_test_count();
    if (status == 0 && selected->started && selected->selected > 0 && skipped == selected->selected
        && qgetenv("CI") == "true" && qgetenv("TWINSIFT_NO_SKIP_UNDER_CI") == "1") {
        std::fprintf(stderr,
                     "Every test the filter \"%s\" selects was skipped (see the reasons above): under CI these "
                     "checks must run.\n",
                     GTEST_FLAG_GET(filter).c_str());
        return 1;
    }
    return status;
}
