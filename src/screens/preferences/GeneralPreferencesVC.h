#pragma once

#include "screens/preferences/PreferencesPane.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;

// The general pane: start at login ("LoginStartStatusTWK", kept in step with the XDG autostart
// entry), automatic update checks ("AutoCheckForUpdateTWK": 1 automatic, 0 only look), and the
// language of the interface (English only).
class GeneralPreferencesVC : public PreferencesPane
{
    Q_OBJECT
public:
    explicit GeneralPreferencesVC(QWidget *parent = nullptr);

    QCheckBox *btnLaunchAutomatic = nullptr;
    QLabel *lblSelectLanguage = nullptr;
    QComboBox *comboBoxLanguage = nullptr;
    QLabel *lblApplicationSettings = nullptr;
    QLabel *lblLanguageSettings = nullptr;
    QCheckBox *btnAutoUpdate = nullptr;
    QLabel *lblUpdateSetting = nullptr;

    void viewWillAppear() override;

    void selectedLanguage();
    void launchOnStartup();
    void clickedAutoupdate();

    // Brings the autostart entry in line with the wish; answers whether the program now starts at
    // login. Tests replace it.
    std::function<bool(bool)> applyLoginItem;
    // Tells the user that the autostart entry could not be changed. Tests replace it.
    std::function<void(const QString &message, const QString &informative)> presentFailure;

private:
    // Applies the wish, then shows and stores the state the desktop really has; tells the user
    // when the two differ.
    void applyLoginSetting(bool wanted, bool tellOnFailure);
};
