// The other-apps window and the recommended-app panel: the catalogue, the drawn order without the
// installed applications (desktop entries in a temporary XDG data folder), the panel's rotating
// cascade, and the links handed to the desktop (recorded, no browser).
#include "screens/welcome/WelcomeFixtures.h"

#include "controls/buttoncursor.h"
#include "screens/promotion/OtherAppsCatalog.h"
#include "screens/promotion/OtherAppsWindow.h"
#include "screens/promotion/RecommendedAppPanel.h"
#include "screens/promotion/collectionView_cell.h"
#include "screens/promotion/otherAppsvc.h"
#include "screens/results/AfterDeleteStatusVC.h"

#include "controls/SYFlatButton.h"

#include <limits>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QSet>

namespace {

// With TWINSIFT_SHOT_DIR set, the picture is kept there to be looked at.
void saveShot(QWidget &widget, const QString &name)
{
    const QString shots = qEnvironmentVariable("TWINSIFT_SHOT_DIR");
    if (!shots.isEmpty() && QDir().mkpath(shots))
        widget.grab().save(shots + "/" + name + ".png");
}

class OtherAppsTest : public WelcomeTest
{
protected:
    void SetUp() override
    {
        WelcomeTest::SetUp();
        entries = std::make_unique<DesktopEntries>(m_dir.path());
    }
    void TearDown() override
    {
        entries.reset();
        WelcomeTest::TearDown();
    }
    void install(const QString &desktopId) { entries->install(desktopId); }
    static QStringList titles(const otherAppsvc &view)
    {
        QStringList result;
        for (const QVariantMap &row : view.allappsDic)
            result << row.value("Title").toString();
        return result;
    }

    std::unique_ptr<DesktopEntries> entries;
};

} // namespace

TEST_F(OtherAppsTest, CatalogueOrdersAndLinks)
{
    QSet<QString> names;
    for (int number = 1; number <= OtherAppsCatalog::kRowCount; ++number) {
        const auto *app = OtherAppsCatalog::row(number);
        ASSERT_TRUE(app);
        names.insert(app->name);
        EXPECT_FALSE(OtherAppsCatalog::rowIcon(number).isNull()) << number;
        const auto link = OtherAppsCatalog::rowLink(number);
        ASSERT_TRUE(link) << number;
        EXPECT_EQ(link->scheme(), number <= 7 ? "https" : "appstream") << number;
        if (number <= 7) {
            EXPECT_TRUE(link->query().contains("utm_source") && link->query().contains("utm_campaign"));
        }
    }
    EXPECT_EQ(names.size(), 17);
    EXPECT_EQ(OtherAppsCatalog::row(2)->name, QString("Twinsift"));
    EXPECT_FALSE(OtherAppsCatalog::row(0));
    EXPECT_FALSE(OtherAppsCatalog::row(18));
    // Every order holds every row once; order k from 11 on starts with row k.
    for (int k = 1; k <= 17; ++k) {
        const auto &order = OtherAppsCatalog::displayOrders()[size_t(k - 1)];
        EXPECT_EQ(QSet<int>(order.begin(), order.end()).size(), 17);
        if (k >= 11) {
            EXPECT_EQ(order[0], k);
        }
    }
    // Sixteen promoted links, none of them this program: web links first, then store links.
    for (int k = 1; k <= 16; ++k) {
        ASSERT_TRUE(OtherAppsCatalog::promotedAppLink(k)) << k;
        EXPECT_NE(OtherAppsCatalog::promotedRow(k), 2);
        EXPECT_EQ(OtherAppsCatalog::promotedAppLink(k)->scheme(), k <= 6 ? "https" : "appstream");
    }
    EXPECT_FALSE(OtherAppsCatalog::promotedAppLink(0));
    EXPECT_FALSE(OtherAppsCatalog::promotedAppLink(17));
    // The three tables under their own names.
    EXPECT_EQ(OtherAppsCatalog::otherAppsCatalog(5), OtherAppsCatalog::row(5));
    EXPECT_EQ(&OtherAppsCatalog::otherAppsDisplayOrders(), &OtherAppsCatalog::displayOrders());
    EXPECT_EQ(OtherAppsCatalog::promotedAppLinks(3), OtherAppsCatalog::promotedAppLink(3));
}

TEST_F(OtherAppsTest, WindowShowsTheDrawnOrderWithoutTheInstalledApplications)
{
    install("org.kde.krita");
    install("gimp"); // the distribution's own id counts as well
    OtherAppsWindow window;
    auto *view = qobject_cast<otherAppsvc *>(window.contentViewController());
    ASSERT_TRUE(view);
    view->randomDraw = [](int bound) {
        EXPECT_EQ(bound, 17);
        return 1; // order 2: 6, 2, 4, 8, 3, 10, 7, 9, 1, 5, 13, 12, 11, 14, 15, 16, 17
    };
    window.resize(960, 640);
    window.show();
    EXPECT_EQ(view->randomPrmotarr.front(), 6);
    QStringList expected;
    for (int number : {6, 2, 8, 3, 10, 7, 9, 1, 13, 12, 11, 14, 15, 16, 17})
        expected << OtherAppsCatalog::row(number)->name;
    EXPECT_EQ(titles(*view), expected);
    ASSERT_EQ(view->numberOfItems(), 15);
    EXPECT_EQ(view->card(0)->btnappstore->text(), QString("Download Now")); // row 6: web link
    EXPECT_TRUE(view->card(2)->btnappstore->text().isEmpty());              // row 8: store link
    EXPECT_GE(view->space, 0.0);

    // A button opens its card's link through the desktop.
    view->card(2)->btnappstore->click();
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened[0], *OtherAppsCatalog::rowLink(8));
    view->btnAppStoreClicked(99); // no such card
    EXPECT_EQ(urls.opened.size(), 1);

    saveShot(window, "other-apps");

    // Installed while on screen: nothing changes until the window is shown again.
    install("org.gnome.Shotwell");
    EXPECT_EQ(view->numberOfItems(), 15);
    window.hide();
    view->randomDraw = [](int) { return 16; };
    window.show();
    EXPECT_EQ(view->randomPrmotarr.front(), 17);
    EXPECT_EQ(view->numberOfItems(), 14);

    // Everything installed: an empty grid under the heading.
    view->isInstalled = [](const QString &) { return true; };
    view->buildOtherAppsList();
    EXPECT_EQ(view->numberOfItems(), 0);
    EXPECT_FALSE(view->lblotherapps->text().isEmpty());
    // Narrower than two cards: the insets stay at 0.
    window.resize(500, 400);
    view->configureCollectionView();
    EXPECT_EQ(view->space, 0.0);
}

TEST_F(OtherAppsTest, CardsAreCentredAtFirstShowAndAfterEveryResize)
{
    OtherAppsWindow window;
    auto *view = qobject_cast<otherAppsvc *>(window.contentViewController());
    ASSERT_TRUE(view);
    view->randomDraw = [](int) { return 0; };
    const auto expectCentred = [view](const char *when) {
        QWidget *viewport = view->scrollview->viewport();
        const QRect left(view->card(0)->mapTo(viewport, QPoint(0, 0)), view->card(0)->size());
        const QRect right(view->card(1)->mapTo(viewport, QPoint(0, 0)), view->card(1)->size());
        const int leftGap = left.x();
        const int middleGap = right.x() - (left.x() + left.width());
        const int rightGap = viewport->width() - (right.x() + right.width());
        EXPECT_GT(leftGap, 0) << when;
        EXPECT_NEAR(leftGap, middleGap, 1) << when;
        EXPECT_NEAR(leftGap, rightGap, 2) << when;
        EXPECT_EQ(left.y(), right.y()) << when;
    };
    window.resize(960, 640);
    window.show(); // no event loop has run: the first paint must already be centred
    ASSERT_GE(view->numberOfItems(), 2);
    view->collectionView->layout()->activate();
    expectCentred("first show");
    saveShot(window, "other-apps-first-show");

    window.resize(1200, 700);
    QCoreApplication::processEvents();
    view->collectionView->layout()->activate();
    expectCentred("wider");
    window.resize(900, 500);
    QCoreApplication::processEvents();
    view->collectionView->layout()->activate();
    expectCentred("narrower");
}

TEST_F(OtherAppsTest, PanelCascadeAndCounter)
{
    auto &defaults = platform::UserDefaults::standard();
    const QString key = RecommendedAppPanel::countAdvertiseKey();
    EXPECT_EQ(key, QString("CountAdvertiseTWK"));
    QFrame host;
    new QVBoxLayout(&host);
    RecommendedAppPanel &panel = *new RecommendedAppPanel(&host);
    EXPECT_EQ(panel.boxRecommendedApp, &host);
    QSet<int> installed;
    panel.isInstalled = [&installed](const QString &id) {
        for (int k : installed)
            if (OtherAppsCatalog::row(OtherAppsCatalog::promotedRow(k))->desktopIds.contains(id))
                return true;
        return false;
    };

    // Absent key, nothing installed: row 1, web style, key 2.
    panel.showRecommendedApp();
    EXPECT_EQ(panel.isRecommended, 1);
    EXPECT_EQ(defaults.integerForKey(key), 2);
    EXPECT_EQ(panel.btnAppStore->text(), QString("Download Now"));
    EXPECT_EQ(panel.lblRecommendedAppName->text(), OtherAppsCatalog::row(1)->name);
    EXPECT_EQ(panel.constantTopBackToHome, 5.0);
    panel.btnAppStore->click();
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened[0], *OtherAppsCatalog::promotedAppLink(1));

    // Key 5 with 5, 1 and 2 installed: row 3 (the cascade is k, then 1, 2, ... without k).
    defaults.setInteger(key, 5);
    installed = {5, 1, 2};
    panel.showRecommendedApp();
    EXPECT_EQ(panel.isRecommended, 3);
    EXPECT_EQ(defaults.integerForKey(key), 6);

    // Key 16: row 16, store style, key back to 1.
    installed.clear();
    defaults.setInteger(key, 16);
    panel.showRecommendedApp();
    EXPECT_EQ(panel.isRecommended, 16);
    EXPECT_EQ(defaults.integerForKey(key), 1);
    EXPECT_TRUE(panel.btnAppStore->text().isEmpty());

    // All installed: hidden, spacing 70, nothing to open; the key still moves on.
    for (int k = 1; k <= 16; ++k)
        installed.insert(k);
    panel.showRecommendedApp();
    EXPECT_EQ(panel.isRecommended, 0);
    EXPECT_TRUE(panel.boxRecommendedApp->isHidden());
    EXPECT_EQ(panel.constantTopBackToHome, 70.0);
    EXPECT_EQ(defaults.integerForKey(key), 2);
    panel.clickedAppStore();
    EXPECT_EQ(urls.opened.size(), 1);

    // A text under the key is replaced by 1; a number out of range is left alone.
    installed.clear();
    defaults.setString(key, "five");
    panel.showRecommendedApp();
    EXPECT_EQ(panel.isRecommended, 1);
    EXPECT_EQ(defaults.integerForKey(key), 2);
    // After the store style, the web style drops the badge again.
    EXPECT_TRUE(panel.btnAppStore->icon().isNull());
    EXPECT_EQ(panel.btnAppStore->text(), QString("Download Now"));
    // A damaged number (too large, too small, not a number) counts as absent: the cascade starts
    // again at row 1.
    for (double damaged : {1e300, -1e300, std::numeric_limits<double>::quiet_NaN()}) {
        defaults.setDouble(key, damaged);
        panel.showRecommendedApp();
        EXPECT_EQ(panel.isRecommended, 1) << damaged;
        EXPECT_EQ(defaults.storedIntegerForKey(key), 2) << damaged;
    }
    // Out of range: the views keep what the last fill showed; only the button changes style.
    for (int outOfRange : {17, 0}) {
        defaults.setInteger(key, outOfRange);
        panel.showRecommendedApp();
        EXPECT_EQ(panel.isRecommended, 0);
        EXPECT_EQ(defaults.integerForKey(key), outOfRange);
        EXPECT_TRUE(panel.btnAppStore->text().isEmpty());
        EXPECT_FALSE(panel.btnAppStore->icon().isNull());
        EXPECT_EQ(panel.lblRecommendedAppName->text(), OtherAppsCatalog::row(1)->name);
        EXPECT_FALSE(panel.boxRecommendedApp->isHidden());
        EXPECT_EQ(panel.constantTopBackToHome, 5.0);
        panel.clickedAppStore();
        EXPECT_EQ(urls.opened.size(), 1);
    }
}

TEST_F(OtherAppsTest, SummaryMovesBackToHomeIntoTheHiddenPanelsPlace)
{
    AfterDeleteStatusVC summary;
    summary.resize(1000, 700);
    bool allInstalled = false;
    summary.recommendedAppPanel->isInstalled = [&allInstalled](const QString &) { return allInstalled; };
    const auto gapAboveBackToHome = [&summary] {
        QCoreApplication::processEvents(); // the posted layout requests of the changed labels
        summary.layout()->activate();
        const QRect status = summary.lblFinalOutputStatus->geometry();
        return summary.btnBackToHome->mapTo(&summary, QPoint(0, 0)).y() - (status.y() + status.height());
    };
    summary.show();

    summary.showRecommendedApp();
    EXPECT_FALSE(summary.boxRecommendedApp->isHidden());
    EXPECT_EQ(summary.constantTopBackToHome->sizeHint().height(), 5);
    const int shownGap = gapAboveBackToHome();
    saveShot(summary, "summary-panel-shown");
    const int panelBottom = summary.boxRecommendedApp->geometry().bottom();
    EXPECT_LE(panelBottom, summary.height());

    allInstalled = true;
    summary.showRecommendedApp();
    EXPECT_TRUE(summary.boxRecommendedApp->isHidden());
    EXPECT_EQ(summary.isRecommended, 0);
    EXPECT_EQ(summary.constantTopBackToHome->sizeHint().height(), 70);
    EXPECT_EQ(gapAboveBackToHome() - shownGap, 65);
    saveShot(summary, "summary-panel-hidden");

    // Shown again on the same screen: back to the small spacing.
    allInstalled = false;
    summary.showRecommendedApp();
    EXPECT_EQ(gapAboveBackToHome(), shownGap);
}
