#include "controls/PopUpMode.h"

#include "platform/UserDefaults.h"

bool isPopUpMode()
{
    return platform::UserDefaults::standard().boolForKey(QStringLiteral("IsPopUpTWK"));
}
