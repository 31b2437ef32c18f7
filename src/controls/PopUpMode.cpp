#include "controls/PopUpMode.h"

#include "platform/UserDefaults.h"
#include "model/SettingsKeys.h"

bool isPopUpMode()
{
    return platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp);
}
