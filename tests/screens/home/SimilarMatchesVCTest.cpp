#include "screens/home/SimilarMatchesVC.h"

#include "controls/CustomSliderCell.h"
#include "controls/CustomSliderCellWithTickMarks.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "screens/welcome/HelpPopover.h"
#include "support/ShellFixtures.h"

#include <QEnterEvent>
#include <QLabel>
#include <QToolButton>

namespace {

QString t(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

class SimilarMatchesVCTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        similarityThreshold = 81;
        hashBitmapSize = 72;
        timeThreshold = 1;
        distanceThreshold = 1.0;
        pane = qobject_cast<SimilarMatchesVC *>(similarMatchesVC());
        ASSERT_NE(pane, nullptr);
    }

    void expectResetState()
    {
        EXPECT_EQ(similarityThreshold, 85);
        EXPECT_EQ(hashBitmapSize, 72);
        EXPECT_EQ(timeThreshold, 180);
        EXPECT_EQ(distanceThreshold, 10.0);
        EXPECT_EQ(pane->sliderMatchingLevel->value(), 2);
        EXPECT_EQ(pane->sliderBitmapSize->value(), 72);
        EXPECT_EQ(pane->sliderTimeInterval->value(), 9);
        EXPECT_EQ(pane->sliderGPS->value(), 50);
        EXPECT_EQ(pane->lblMatchingLevelValue->text(), t("IDS_TWK_18"));
        EXPECT_EQ(pane->lblBitmapSizeValue->text(), "72x72 " + t("IDS_TWK_17"));
        EXPECT_EQ(pane->lblTimeIntervalValue->text(), "3 " + t("IDS_TWK_31"));
        EXPECT_EQ(pane->lblValueGPS->text(), "10 " + t("IDS_TWK_34"));
    }

    SimilarMatchesVC *pane = nullptr;
};

} // namespace

TEST_F(SimilarMatchesVCTest, MakingThePaneAppliesResetAndResetRestoresIt)
{
    expectResetState();
    EXPECT_FALSE(t("IDS_TWK_17").isEmpty());
    EXPECT_EQ(pane->lblMatchingLevel->text(), t("IDS_TWK_15"));

    pane->sliderMatchingLevel->setValue(6);
    pane->sliderBitmapSize->setValue(120);
    pane->sliderTimeInterval->setValue(18);
    pane->sliderGPS->setValue(100);
    EXPECT_EQ(similarityThreshold, 98);
    EXPECT_EQ(hashBitmapSize, 120);
    EXPECT_EQ(timeThreshold, 86400);
    EXPECT_EQ(distanceThreshold, 100.0);
    EXPECT_EQ(pane->lblTimeIntervalValue->text(), "24 " + t("IDS_TWK_26"));

    pane->btnReset->click();
    expectResetState();
    pane->btnReset->click();
    expectResetState();
}

TEST_F(SimilarMatchesVCTest, SlidersSetTheFourSettingsByTheirTables)
{
    pane->sliderMatchingLevel->setValue(1);
    EXPECT_EQ(similarityThreshold, 81);
    EXPECT_EQ(pane->lblMatchingLevelValue->text(), t("IDS_TWK_19"));
    pane->sliderMatchingLevel->setValue(5);
    EXPECT_EQ(similarityThreshold, 94);
    EXPECT_EQ(pane->lblMatchingLevelValue->text(), t("IDS_TWK_22"));

    const std::vector<std::tuple<int, int, QString>> times = {{4, 5, "5 " + t("IDS_TWK_29")},
                                                              {7, 60, "1 " + t("IDS_TWK_30")},
                                                              {13, 3600, "1 " + t("IDS_TWK_27")},
                                                              {1, 1, "1 " + t("IDS_TWK_28")}};
    for (const auto &[position, seconds, label] : times) {
        pane->sliderTimeInterval->setValue(position);
        EXPECT_EQ(timeThreshold, seconds);
        EXPECT_EQ(pane->lblTimeIntervalValue->text(), label);
    }

    pane->sliderGPS->setValue(16);
    EXPECT_EQ(distanceThreshold, 2.0);
    EXPECT_EQ(pane->lblValueGPS->text(), "2 " + t("IDS_TWK_34"));
    pane->sliderGPS->setValue(0);
    EXPECT_EQ(pane->lblValueGPS->text(), "1 " + t("IDS_TWK_33"));
    // Dragged between stops, the knob comes to the nearer stop.
    pane->sliderGPS->setValue(40);
    EXPECT_EQ(pane->sliderGPS->value(), 33);
    EXPECT_EQ(distanceThreshold, 5.0);

    // Values outside the tables change nothing.
    pane->setGPSDistance(40);
    pane->setMatchingLevel(7);
    pane->setTimeWindow(0);
    EXPECT_EQ(distanceThreshold, 5.0);
    EXPECT_EQ(pane->sliderGPS->value(), 33);
    EXPECT_EQ(similarityThreshold, 94);
    EXPECT_EQ(timeThreshold, 1);
}

TEST_F(SimilarMatchesVCTest, BitmapSizeStaysWithinTheSliderRange)
{
    for (const auto &[given, stored] : std::vector<std::pair<int, int>>{{0, SimilarMatchesVC::minimumBitmapSize},
                                                                        {-5, SimilarMatchesVC::minimumBitmapSize},
                                                                        {100000, SimilarMatchesVC::maximumBitmapSize},
                                                                        {64, 64}}) {
        pane->setBitmapSize(given);
        EXPECT_EQ(hashBitmapSize, stored) << given;
        EXPECT_EQ(pane->sliderBitmapSize->value(), stored);
        EXPECT_EQ(pane->lblBitmapSizeValue->text(), QStringLiteral("%1x%1 ").arg(stored) + t("IDS_TWK_17"));
    }
    hashBitmapSize = 0; // a size set elsewhere is brought into range when the pane refreshes
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("updateSlider"));
    EXPECT_EQ(hashBitmapSize, SimilarMatchesVC::minimumBitmapSize);
    EXPECT_GE(SimilarMatchesVC::minimumBitmapSize, 1);
}

TEST_F(SimilarMatchesVCTest, UpdateSliderFollowsTheStoredSettings)
{
    similarityThreshold = 94;
    timeThreshold = 10;
    distanceThreshold = 50.0;
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("updateSlider"));
    EXPECT_EQ(pane->sliderMatchingLevel->value(), 5);
    EXPECT_EQ(pane->lblMatchingLevelValue->text(), t("IDS_TWK_22"));
    EXPECT_EQ(timeThreshold, 10);
    EXPECT_EQ(distanceThreshold, 50.0);
    EXPECT_EQ(pane->lblTimeIntervalValue->text(), "10 " + t("IDS_TWK_29"));
    EXPECT_EQ(pane->lblValueGPS->text(), "50 " + t("IDS_TWK_34"));
    EXPECT_EQ(pane->sliderGPS->value(), 83);
}

TEST_F(SimilarMatchesVCTest, HelpBubbleOnlyOutsidePopUpModeAndWithTooltipsOn)
{
    auto &defaults = platform::UserDefaults::standard();
    auto hover = [&](QWidget *widget) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(widget, &enter);
    };
    auto leave = [&](QWidget *widget) {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &event);
    };
    pane->resize(300, 300);
    pane->show();

    defaults.setBool("IsPopUpTWK", true);
    defaults.setBool("IsVisibleSettingTooltips", true);
    hover(pane->btnTooltipGPS);
    EXPECT_FALSE(pane->popoverDetails->isShown());
    EXPECT_FALSE(pane->btnTooltipGPS->testAttribute(Qt::WA_SetCursor));

    defaults.setBool("IsPopUpTWK", false);
    defaults.setBool("IsVisibleSettingTooltips", false);
    hover(pane->btnTooltipGPS);
    EXPECT_FALSE(pane->popoverDetails->isShown());
    EXPECT_EQ(pane->btnTooltipGPS->cursor().shape(), Qt::PointingHandCursor);
    leave(pane->btnTooltipGPS);

    defaults.setBool("IsVisibleSettingTooltips", true);
    hover(pane->btnToolTipTimeInterval);
    EXPECT_TRUE(pane->popoverDetails->isShown());
    EXPECT_EQ(pane->popoverDetails->anchor(), pane->btnToolTipTimeInterval);
    EXPECT_EQ(toolTipsDetailsVC()->message->text(), t("IDS_TWK_274"));
    leave(pane->btnToolTipTimeInterval);
    EXPECT_FALSE(pane->popoverDetails->isShown());
    EXPECT_FALSE(pane->btnToolTipTimeInterval->testAttribute(Qt::WA_SetCursor));

    // Hovering a slider changes the cursor only.
    hover(pane->sliderGPS);
    EXPECT_FALSE(pane->popoverDetails->isShown());
    EXPECT_EQ(pane->sliderGPS->cursor().shape(), Qt::PointingHandCursor);
    pane->hide();
}

TEST_F(HomeScreenTest, SimilarityPaneFitsTheHomeScreen)
{
    window->resize(1280, 720);
    flushEvents();
    auto *pane = qobject_cast<SimilarMatchesVC *>(similarMatchesVC());
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(pane->isVisible());
    const QString out = qEnvironmentVariable("TWINSIFT_SHOT_DIR");
    if (!out.isEmpty()) {
        window->grab().save(out + "/home-similar.png");
        pane->grab().save(out + "/similar-matches.png");
    }
    for (QLabel *label :
         {pane->lblMatchingLevel, pane->lblBitmapSizeValue, pane->lblTimeIntervalValue, pane->lblValueGPS})
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    EXPECT_TRUE(pane->rect().contains(pane->btnReset->geometry()));
    // The pane's light captions stand on the column's dark grey, not on a filled scroll content.
    auto *column = home->findChild<QWidget *>(QStringLiteral("rightColumn"));
    ASSERT_NE(column, nullptr);
    EXPECT_FALSE(column->autoFillBackground());
}
