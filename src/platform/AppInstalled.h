#pragma once

#include <QString>

namespace platform {

// True when a desktop file with this application id ("<id>.desktop") lies in one of the XDG
// application folders and is not marked hidden.
bool isAppInstalled(const QString &applicationId);

} // namespace platform
