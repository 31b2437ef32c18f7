// The welcome screen by keyboard, on the dark theme: every Tab stop shows where the focus is, the
// login check box ticked or not.
#include "screens/welcome/WelcomeFixtures.h"
#include "support/FocusChecks.h"
#include "support/ScreenChecks.h"

#include "controls/SYFlatButton.h"
#include "screens/shell/Theme.h"
#include "screens/welcome/StartupVC.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

class KeyboardUseWelcomeTest : public WelcomeTest
{
};

} // namespace

TEST_F(KeyboardUseWelcomeTest, EveryTabStopShowsItsFocus)
{
    Theme::applyApplicationTheme();
    StartupVC startup;
    startup.fillRecommendation([](const QString &) { return false; });
    startup.show();
    startup.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&startup));

    for (bool ticked : {false, true}) {
        startup.btncheckbox->setChecked(ticked);
        const std::vector<focuschecks::TabStop> stops = focuschecks::walkTabChain(startup.btnAppstore);
        const std::vector<QWidget *> expected = {startup.btnAppstore, startup.txtfield, startup.btnSubscribe,
                                                 startup.btncheckbox, startup.btnGetstarted};
        ASSERT_EQ(stops.size(), expected.size());
        for (size_t i = 0; i < stops.size(); ++i) {
            EXPECT_EQ(stops[i].widget, expected[i]) << i;
            EXPECT_TRUE(stops[i].showsFocus) << stops[i].name << " shows no focus (box ticked: " << ticked << ")";
        }
    }
    startup.btnGetstarted->setFocus(Qt::TabFocusReason);
    screenchecks::pictureFor(&startup, QStringLiteral("welcome-focus"));
}
