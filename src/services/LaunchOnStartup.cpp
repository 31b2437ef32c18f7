#include "services/LaunchOnStartup.h"
#include "platform/Log.h"

#include "platform/LoginItems.h"
#include "services/MVNMemory.h"

bool LaunchOnStartup::loginItemReference()
{
    return platform::LoginItems::contains();
}

void LaunchOnStartup::addLoginItem(bool startAtLogin)
{
    const bool present = loginItemReference();
    if (startAtLogin == present)
        return;
    if (startAtLogin) {
        if (!platform::LoginItems::add())
            logWarning(lcServices) << "The login item could not be added";
        return;
    }
    MVNMemory().itemRefInLoginItems(); // finds the entry once more and takes it out
}
