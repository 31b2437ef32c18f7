#include "screens/preferences/GeneralPreferencesVC.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/LoginItems.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/Alerts.h"
#include "services/LaunchOnStartup.h"
#include "model/SettingsKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaType>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kLoginKey = SettingsKey::loginStartStatus;
const QString kUpdateKey = SettingsKey::autoCheckForUpdate;

} // namespace

GeneralPreferencesVC::GeneralPreferencesVC(QWidget *parent)
    : PreferencesPane(QStringLiteral("IDS_TWK_108"), parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSideInset, 16, kSideInset, 16);
    layout->setSpacing(8);
    lblApplicationSettings = makeCaption(this, true);
    btnLaunchAutomatic = new QCheckBox(this);
    lblUpdateSetting = makeCaption(this, true);
    btnAutoUpdate = new QCheckBox(this);
    lblLanguageSettings = makeCaption(this, true);
    lblSelectLanguage = makeCaption(this);
    lblSelectLanguage->setWordWrap(false);
    comboBoxLanguage = new QComboBox(this);
    comboBoxLanguage->setMinimumWidth(180);
    layout->addWidget(lblApplicationSettings);
    layout->addWidget(btnLaunchAutomatic);
    layout->addSpacing(12);
    layout->addWidget(lblUpdateSetting);
    layout->addWidget(btnAutoUpdate);
    layout->addSpacing(12);
    layout->addWidget(lblLanguageSettings);
    auto *languageRow = new QHBoxLayout;
    languageRow->addWidget(lblSelectLanguage);
    languageRow->addWidget(comboBoxLanguage);
    languageRow->addStretch(1);
    layout->addLayout(languageRow);
    layout->addStretch(1);

    comboBoxLanguage->clear();
    comboBoxLanguage->addItems(languageList);
    comboBoxLanguage->setCurrentIndex(0);
    lblApplicationSettings->setText(localizedText(QStringLiteral("IDS_TWK_112")));
    lblLanguageSettings->setText(localizedText(QStringLiteral("IDS_TWK_114")));
    lblSelectLanguage->setText(localizedText(QStringLiteral("IDS_TWK_115")));
    btnLaunchAutomatic->setText(localizedText(QStringLiteral("IDS_TWK_113")));
    btnLaunchAutomatic->setCursor(Qt::PointingHandCursor);
    lblUpdateSetting->setText(localizedText(QStringLiteral("IDS_TWK_367")));
    btnAutoUpdate->setText(localizedText(QStringLiteral("IDS_TWK_368")));

    applyLoginItem = [](bool startAtLogin) {
        LaunchOnStartup::addLoginItem(startAtLogin);
        return platform::LoginItems::contains();
    };
    presentFailure = [this](const QString &message, const QString &informative) {
        // After the click has ended, so the box shows its corrected state behind the alert.
        QTimer::singleShot(0, this, [message, informative] { showAlert(message, informative); });
    };

    connect(comboBoxLanguage, &QComboBox::activated, this, [this] { selectedLanguage(); });
    connect(btnLaunchAutomatic, &QCheckBox::clicked, this, [this] { launchOnStartup(); });
    connect(btnAutoUpdate, &QCheckBox::clicked, this, [this] { clickedAutoupdate(); });
}

void GeneralPreferencesVC::viewWillAppear()
{
    auto &defaults = platform::UserDefaults::standard();
    // Only a stored Bool is a wish; without one the login items are left alone. When the real
    // state differs from the stored wish the user is told, and the setting then holds the real
    // state, so the next showing has nothing more to tell.
    if (defaults.holdsBool(kLoginKey))
        applyLoginSetting(defaults.boolForKey(kLoginKey), true);
    if (const auto mode = platform::UserDefaults::standard().storedIntegerForKey(kUpdateKey)) {
        if (*mode == 0)
            btnAutoUpdate->setChecked(false);
        else if (*mode == 1)
            btnAutoUpdate->setChecked(true);
    }
}

void GeneralPreferencesVC::selectedLanguage()
{
    // One language: nothing to change.
}

void GeneralPreferencesVC::launchOnStartup()
{
    applyLoginSetting(btnLaunchAutomatic->checkState() == Qt::Checked, true);
}

void GeneralPreferencesVC::applyLoginSetting(bool wanted, bool tellOnFailure)
{
    const bool actual = applyLoginItem ? applyLoginItem(wanted) : wanted;
    btnLaunchAutomatic->setChecked(actual);
    platform::UserDefaults::standard().setBool(kLoginKey, actual);
    if (actual != wanted && tellOnFailure && presentFailure)
        presentFailure(localizedText(QStringLiteral("IDS_TWK_8002")), localizedText(QStringLiteral("IDS_TWK_8003")));
}

void GeneralPreferencesVC::clickedAutoupdate()
{
    const Qt::CheckState state = btnAutoUpdate->checkState();
    if (state == Qt::PartiallyChecked)
        return;
    platform::UserDefaults::standard().setInteger(kUpdateKey, state == Qt::Checked ? 1 : 0);
}
