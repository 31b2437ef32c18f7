// The Photos permission alert of a deletion: its texts stay, and its first button (there is no
// system settings page for this on Linux) switches the stored consent on, so the marked Photos
// items go to the album.
#include "support/ScanSheetFixtures.h"
#include "screens/shell/ScreenNames.h"

#include "screens/results/ScanResultVC.h"
#include "screens/sheet/ScanVC.h"

#include <QMessageBox>
#include <QPushButton>

using namespace scansheet_test;

namespace {

class PhotosPermissionTest : public SheetTestBase
{
protected:
    ImageFilePtr photosRecord(const QString &file, const QString &uuid)
    {
        ImageFilePtr r = record(file);
        r->isPhotoLibrary = true;
        PhotoLibraryProperties properties;
        properties.RKVuuid = uuid;
        r->photoLibraryProperties = properties;
        return r;
    }

    ScanVC *startDeletion()
    {
        auto *results = qobject_cast<ScanResultVC *>(scanResultVC());
        EXPECT_NE(results, nullptr);
        results->presentDeletionSheet();
        return AllViewControllers::cached<ScanVC>(ScreenName::scan);
    }
};

} // namespace

TEST_F(PhotosPermissionTest, TheFirstButtonSwitchesTheStoredConsentOnAndTheItemsMove)
{
    const QString keep = writePhoto(QStringLiteral("p/keep.jpg"), 70);
    const QString item = copyFile(keep, QStringLiteral("p/lib/item.jpg"));
    ResultState &state = ResultState::shared();
    platform::PhotosApp::shared().setAutomationAllowed(false);
    state.setResults({{record(keep), photosRecord(item, QStringLiteral("uuid-7"))}});
    ASSERT_TRUE(state.mark(0, 1));
    NotificationRecorder recorder(navigationNames());

    ScanVC *sheet = startDeletion();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitFor([&] { return sheet->automationAlert() && sheet->automationAlert()->isVisible(); }));
    QMessageBox *alert = sheet->automationAlert();
    EXPECT_EQ(alert->text(), QStringLiteral("Twinsift needs your permission and to fix duplicate Photos"));
    EXPECT_TRUE(alert->informativeText().startsWith(QStringLiteral("Twinsift does not have access permission")));
    ASSERT_EQ(alert->defaultButton()->text(), QStringLiteral("Open System Preferences"));
    // Nothing changes before the click.
    EXPECT_FALSE(platform::PhotosApp::shared().automationAllowed());
    alert->defaultButton()->click();

    // The only group is gone afterwards, so the summary follows.
    ASSERT_TRUE(waitFor([&] { return recorder.count(QStringLiteral("presentAfterDeleteView")) == 1; }));
    EXPECT_TRUE(state.allImages.empty());
    EXPECT_TRUE(platform::PhotosApp::shared().automationAllowed());
    EXPECT_EQ(platform::PhotosApp::shared().albumItems(QStringLiteral("Twinsift")),
              QStringList{QStringLiteral("uuid-7")});
    EXPECT_TRUE(QFile::exists(item));
}
