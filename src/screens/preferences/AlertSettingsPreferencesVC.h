#pragma once

#include "screens/preferences/PreferencesPane.h"

class QCheckBox;
class QLabel;

// The alerts pane: three switches for the confirmation sheets of the results screens (confirm
// before deleting, ask before automatic marking, ask before leaving the results), stored at once.
class AlertSettingsPreferencesVC : public PreferencesPane
{
    Q_OBJECT
public:
    explicit AlertSettingsPreferencesVC(QWidget *parent = nullptr);

    QLabel *alertSettings = nullptr;
    QLabel *lblAppAsksForYou = nullptr;
    QCheckBox *btnConfirmBeforeDeletePhotos = nullptr;
    QCheckBox *btnShowAutoMarkAlert = nullptr;
    QCheckBox *btnConfirmWhenMovingAway = nullptr;

    // Names the window, then shows the stored switches.
    void viewDidAppear() override;

    void tappedConfirmBeforeDeletingPhotos();
    void tappedShowAutoMarkAlert();
    void tappedConfirmAwayFromScanResults();
    // Sets switch `flag` (1 to 3) from the box and stores all three.
    void updateAlertFlag(QCheckBox *sender, int flag);
};
