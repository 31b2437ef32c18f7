// The home screen as the hub: the Scan button rules, the mode choice and the screen switches that
// other screens ask for by notification.
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/CustomAnimator.h"
#include "screens/shell/InitialWindowController.h"
#include "screens/shell/ViewController.h"
#include "controls/DropView.h"
#include "controls/SYFlatButton.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "support/ShellFixtures.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QLabel>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

using platform::NotificationCenter;
using platform::UserDefaults;

class HubTest : public HomeScreenTest
{
protected:
    void SetUp() override
    {
        HomeScreenTest::SetUp();
        QDir(tempPath("")).mkpath("folder");
        QFile file(tempPath("photo.jpg"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not really a photo");
        file.close();
    }

    InitialDirectory folder(bool checked = true) const
    {
        InitialDirectory entry(QUrl::fromLocalFile(tempPath("folder")));
        entry.isChecked = checked;
        return entry;
    }

    InitialDirectory photo(bool checked = true) const
    {
        InitialDirectory entry(QUrl::fromLocalFile(tempPath("photo.jpg")));
        entry.isChecked = checked;
        return entry;
    }

    bool scanEnabled() const { return home->btnScanForDuplicates->isEnabled(); }
};

TEST_F(HubTest, ScanButtonFollowsTheTickedEntries)
{
    const std::pair<std::vector<InitialDirectory>, bool> cases[] = {
        {{}, false},
        {{folder()}, true},
        {{photo()}, false},
        {{photo(), folder(false)}, false},
        {{photo(), photo()}, true},
        {{folder(false), folder(false)}, false},
        {{InitialDirectory()}, false}, // one ticked entry without metadata
    };
    for (const auto &[entries, enabled] : cases) {
        setScanList(entries);
        home->isFilesNotSelected();
        EXPECT_EQ(scanEnabled(), enabled) << entries.size() << " entries";
        EXPECT_EQ(home->scanButtonHasEnabledLook(), enabled);
    }
}

TEST_F(HubTest, IsFilesNotSelectedLooksAtIsEmptyAndTheSingleTick)
{
    auto post = [](const QVariantMap &info) { NotificationCenter::defaultCenter().post("IsFilesNotSelected", info); };
    setScanList({folder(false), folder(false)});
    post({{"isEmpty", false}});
    EXPECT_TRUE(scanEnabled());
    post({{"isEmpty", true}});
    EXPECT_FALSE(scanEnabled());
    // Without a Bool under "isEmpty" nothing changes.
    post({});
    post({{"isEmpty", QString("false")}});
    EXPECT_FALSE(scanEnabled());

    setScanList({folder(false)});
    post({{"isEmpty", false}});
    EXPECT_FALSE(scanEnabled());
    setScanList({folder(true)});
    post({{"isEmpty", false}});
    EXPECT_TRUE(scanEnabled());
}

TEST_F(HubTest, ModeChoiceSwapsThePanelsWithoutDuplicates)
{
    QWidget *similar = similarMatchesVC();
    QWidget *exact = exactMatchVC();
    auto panelsShown = [this] {
        int count = 0;
        for (QObject *child : home->customViewMatches->children())
            if (child->isWidgetType() && static_cast<QWidget *>(child)->isVisibleTo(home->customViewMatches))
                ++count;
        return count;
    };
    EXPECT_TRUE(home->isSimilarScan);
    home->tappedSimilarMatches();
    home->tappedSimilarCheckbox();
    EXPECT_EQ(similar->parentWidget(), home->customViewMatches);
    EXPECT_EQ(panelsShown(), 1);

    home->btnExactMatch->click();
    EXPECT_FALSE(home->isSimilarScan);
    EXPECT_TRUE(home->checkExactMatch->isChecked());
    EXPECT_FALSE(home->checkSimilarMatch->isChecked());
    EXPECT_EQ(exact->parentWidget(), home->customViewMatches);
    EXPECT_NE(similar->parentWidget(), home->customViewMatches);
    EXPECT_EQ(panelsShown(), 1);
    EXPECT_TRUE(home->imgExactMatch->isVisibleTo(home));
    EXPECT_FALSE(home->imgSimilarMatch->isVisibleTo(home));

    home->tappedSimilarMatches();
    EXPECT_TRUE(home->isSimilarScan);
    EXPECT_EQ(similar->parentWidget(), home->customViewMatches);
    EXPECT_EQ(panelsShown(), 1);
}

TEST_F(HubTest, ResultsAreEmbeddedHalfASecondAfterTheScanEnds)
{
    NotificationCenter::defaultCenter().post("callVCFromScanVC");
    EXPECT_TRUE(UserDefaults::standard().boolForKey("IsResultVC"));
    EXPECT_FALSE(scanEnabled());
    EXPECT_FALSE(home->btnExactMatch->isEnabled());
    EXPECT_FALSE(home->checkSimilarMatch->isEnabled());
    EXPECT_EQ(home->embeddedResultView(), nullptr);

    QWidget *results = scanResultVC();
    ASSERT_TRUE(waitFor([&] { return results->parentWidget() == home; }));
    EXPECT_EQ(results->geometry(), home->rect());
    window->resize(1100, 720);
    QCoreApplication::processEvents();
    EXPECT_EQ(results->geometry(), home->rect());
}

TEST_F(HubTest, OverlayNotificationsSlideTheirScreensIn)
{
    const std::pair<const char *, QWidget *(*)()> overlays[] = {
        {"NoSimilarPhotosFound", []() -> QWidget * { return noSimilarDuplicatePhotosFoundVC(); }},
        {"AfterMoveInPhotoLibrary", []() -> QWidget * { return afterMoveInPhotoLibraryVC(); }},
        {"CancelScanning", []() -> QWidget * { return cancelScanningVC(); }},
        {"kAboutWindow", []() -> QWidget * { return aboutVC(); }},
    };
    for (const auto &[name, getter] : overlays) {
        NotificationCenter::defaultCenter().post(name);
        QWidget *overlay = getter();
        EXPECT_EQ(overlay->parentWidget(), home) << name;
        EXPECT_TRUE(UserDefaults::standard().boolForKey("IsPopUpTWK")) << name;
        EXPECT_TRUE(window->isWindowLocked()) << name;
        ASSERT_TRUE(waitFor([&] { return overlay->geometry() == CustomAnimator::finalGeometry(overlay, home); }))
            << name;
        EXPECT_TRUE(home->rect().contains(overlay->geometry())) << name;
        NotificationCenter::defaultCenter().post("closeToExitVC");
        sharedAnimator->animateDismissal(overlay, home);
        ASSERT_TRUE(waitFor([] { return !UserDefaults::standard().boolForKey("IsPopUpTWK"); })) << name;
    }
}

TEST_F(HubTest, ScanButtonNotificationsChangeItsLook)
{
    setScanList({folder()});
    home->isFilesNotSelected();
    NotificationCenter::defaultCenter().post("kDisableScanButtonControlNotification");
    EXPECT_FALSE(scanEnabled());
    EXPECT_FALSE(home->scanButtonHasEnabledLook());
    // "hideTopBlackLayer" gives the green look back even though the button stays disabled.
    home->boxTopBlackLayer->show();
    NotificationCenter::defaultCenter().post("hideTopBlackLayer");
    EXPECT_FALSE(home->boxTopBlackLayer->isVisible());
    EXPECT_TRUE(home->scanButtonHasEnabledLook());
    EXPECT_FALSE(scanEnabled());
    NotificationCenter::defaultCenter().post("reinitializationItems");
    EXPECT_TRUE(scanEnabled());
    NotificationCenter::defaultCenter().post("kDisableControlNotification");
    EXPECT_TRUE(UserDefaults::standard().boolForKey("IsPopUpTWK"));
    EXPECT_TRUE(window->isWindowLocked());
}

TEST_F(HubTest, TheDropHintStripTakesFoldersLikeTheList)
{
    ASSERT_NE(home->dropArea, nullptr);
    EXPECT_TRUE(home->dropArea->isAncestorOf(home->lblDraganddropphotoshere));
    EXPECT_TRUE(home->dropArea->isAncestorOf(home->imgViewDragnDrop));
    EXPECT_TRUE(home->dropArea->acceptDrops());

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(tempPath("folder"))});
    const QPointF middle = QRectF(home->dropArea->rect()).center();
    QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(home->dropArea, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(home->dropArea, &drop);

    const auto list = HubScreens::scanList();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front().url->toLocalFile(), tempPath("folder"));
    EXPECT_EQ(HubScreens::initialDirectories().size(), 1u);
    EXPECT_TRUE(scanEnabled());
}
