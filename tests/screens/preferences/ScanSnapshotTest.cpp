// A running scan works on the settings copied when it started: editing the scan settings pane
// meanwhile changes nothing for it, and the next scan honours the edit.
#include "screens/preferences/PreferencesFixtures.h"

#include "support/ScanFixtures.h"

#include "engine/ScanEngine.h"
#include "engine/ScanSettings.h"
#include "screens/preferences/ScanSettingPreferencesVC.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Pauses the scan at its first progress report, so the test can edit while it runs.
struct PauseAtFirstReport : scanfixtures::RecordingProgress {
    std::shared_ptr<ScanFlags> flags;
    std::atomic<int> reports{0};
    void showCollectProgress(qint64 collected, int percent) override
    {
        RecordingProgress::showCollectProgress(collected, percent);
        if (reports++ == 0)
            flags->isPaused = true;
    }
};

// The settings as the scan sheet takes them when a scan starts.
ScanSettings settingsAtScanStart()
{
    const auto stored = platform::UserDefaults::standard().object("MinimumFileSizeTWK");
    if (stored)
        minimumFileSize = stored->toULongLong();
    return ScanSettings::snapshot();
}

} // namespace

TEST_F(PreferencesTest, EditingDuringAScanLeavesTheRunningScanAlone)
{
    // Two scan-list entries, collected one after the other: the scan pauses at its first report,
    // in the first entry, so no file of the second has been filtered when the settings change.
    const QString first = folder("First"), photos = folder("Photos");
    ASSERT_TRUE(scanfixtures::writeJpeg(first + "/single.jpg", scanfixtures::makePhoto(7)));
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(
            scanfixtures::writeJpeg(QString("%1/p%2.jpg").arg(photos).arg(i), scanfixtures::makePhoto(quint32(i % 2))));
    const quint64 savedMinimum = minimumFileSize;
    platform::UserDefaults::standard().setString("MinimumFileSizeTypeTWK", "KB");
    platform::UserDefaults::standard().setUnsigned("MinimumFileSizeTWK", 1024);
    platform::UserDefaults::standard().setInteger("ScanVideoFilesInExactMatchTWK", 0);
    ScanSettingPreferencesVC pane;
    pane.viewWillAppear();

    auto flags = std::make_shared<ScanFlags>();
    PauseAtFirstReport progress;
    progress.flags = flags;
    ScanEngine engine(flags, settingsAtScanStart(), &progress);
    engine.setCollectionPause(std::chrono::milliseconds(0));
    ScanOutcome outcome;
    std::thread worker([&] {
        outcome = engine.sendDataToScanVC({scanfixtures::entryFor(first), scanfixtures::entryFor(photos)}, false);
    });
    while (progress.reports.load() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    // While the worker runs: JPEG off, a minimum of 100 MB, videos on.
    pane.tappedCheckBox(0, false);
    pane.btnMB->click();
    pane.stepperFileSize->setValue(100);
    pane.btnscanvideofilesinexactmatch->click();
    EXPECT_FALSE(scanExtensions.contains("jpg"));

    flags->isPaused = false;
    worker.join();
    ASSERT_TRUE(outcome.completed);
    ASSERT_TRUE(outcome.sendData.has_value());
    EXPECT_EQ(outcome.sendData->size(), 2u); // both pairs of the photos as they were when it started
    EXPECT_EQ(outcome.collectedCount, 9);

    // The next scan honours the edit.
    const ScanSettings next = settingsAtScanStart();
    EXPECT_EQ(next.minimumFileSize, 100ull * 1024 * 1024);
    EXPECT_TRUE(next.scanVideos);
    auto nextFlags = std::make_shared<ScanFlags>();
    ScanEngine nextEngine(nextFlags, next);
    nextEngine.setCollectionPause(std::chrono::milliseconds(0));
    const ScanOutcome nextOutcome = nextEngine.sendDataToScanVC({scanfixtures::entryFor(photos)}, false);
    EXPECT_EQ(nextOutcome.collectedCount, 0);
    minimumFileSize = savedMinimum;
}
